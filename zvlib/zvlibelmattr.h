/* Element attribute sets: named templates of symbology and text settings
   that an application registers under ids and applies to the elements it
   creates. */
#ifndef ZVLIB_ELMATTR_H
#define ZVLIB_ELMATTR_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#include "mdlhost.h"
#include "zvlib_common.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Use flags (useFlags; the same bits serve the hidden mask). */
#define ZVLIB_ATTR_COLOUR 0x0001u
#define ZVLIB_ATTR_LINESTYLE 0x0002u
#define ZVLIB_ATTR_WEIGHT 0x0004u
#define ZVLIB_ATTR_LEVEL 0x0008u
#define ZVLIB_ATTR_CLASS 0x0010u
#define ZVLIB_ATTR_FONT 0x0020u
#define ZVLIB_ATTR_TEXTSIZE 0x0040u /* width and height, and line spacing */
#define ZVLIB_ATTR_JUSTIFICATION 0x0080u
#define ZVLIB_ATTR_STYLEWIDTH 0x0800u
#define ZVLIB_ATTR_STYLESCALE 0x1000u
#define ZVLIB_ATTR_SLANT 0x2000u
#define ZVLIB_ATTR_TEXTSTYLE 0x4000u

#define ZVLIB_ATTR_LEVELNAME_LEN 512     /* wide characters, terminator included */
#define ZVLIB_ATTR_STYLENAME_LEN 64      /* named line style, terminator included */
#define ZVLIB_ATTR_TEXTSTYLENAME_LEN 82  /* wide characters, terminator included */
#define ZVLIB_ATTR_FIELDTEXT_LEN 120
#define ZVLIB_ATTR_CHOICETEXT_LEN 84
#define ZVLIB_ATTR_SETTINGS_SIZE 1424

/* The settings block of one attribute, exchanged through the interface and
   stored inside the attribute records, so its layout is fixed. */
typedef struct ZvlibElmAttrSettings {
    uint32_t colour;                                  /* 0xFFFFFFFF: by level */
    int32_t lineStyle;                                /* 0x7FFFFFFF by level; < 0 the named style lineStyleName */
    uint32_t weight;                                  /* 0xFFFFFFFF: by level */
    char16_t levelName[ZVLIB_ATTR_LEVELNAME_LEN];     /* terminated */
    uint32_t elementClass;                            /* 0 primary, otherwise construction */
    uint32_t useFlags;                                /* ZVLIB_ATTR_* */
    uint32_t reserved;                                /* kept as stored */
    double lineStyleScale;
    double lineStyleWidth;                            /* start and end width */
    char lineStyleName[ZVLIB_ATTR_STYLENAME_LEN];     /* terminated */
    /* 164 bytes, not a multiple of 8: the double inside is packed to 4 so
       that font stays where the stored records have it. */
    union {
        char16_t textStyleName[ZVLIB_ATTR_TEXTSTYLENAME_LEN]; /* text types 4, 6, 7; terminated */
#pragma pack(push, 4)
        struct {
            int32_t symbolNumber;                     /* types 2, 3, 5: shown as SY= */
            uint32_t unused1;
            double symbolSize;                        /* types 3, 5: shown as SI= */
            uint8_t unused2[28];
            char fieldText[ZVLIB_ATTR_FIELDTEXT_LEN]; /* types 5, 6 */
        } symbol;
#pragma pack(pop)
    } u;
    int32_t font;
    double textWidth;
    double textHeight;
    int32_t justification;                            /* 0 .. 14, the host's codes */
    uint32_t unused3;
    double lineSpacingFactor;                         /* line spacing = height times this */
    uint8_t unused4[8];
    /* 84 bytes: packed to 4 like the union above. */
#pragma pack(push, 4)
    union {
        double textSlant;                             /* type 4: degrees */
        char choiceText[ZVLIB_ATTR_CHOICETEXT_LEN];   /* types 6, 7: terminated */
    } v;
#pragma pack(pop)
    int32_t choiceValue;                              /* type 7 */
} ZvlibElmAttrSettings;

/* Applies the settings of attribute id that its use flags select (colour,
   line style, weight, level, class) to el; copies the settings block into
   settings when it is not null.  Returns 0, or ZVLIB_FAILURE with nothing
   changed for an id the calling application has not registered. */
ZVLIB_API int zvlibElmAttr_setSymbologyAndProperties(MSElement *el, int id, ZvlibElmAttrSettings *settings);

/* Creates a text element into out with the text settings of attribute id
   (sizes divided by scale), from template (may be null), at origin (null:
   0), rotation (null: none), in model; then applies the attribute's
   symbology and copies the settings into settings when it is not null.
   Returns 0, or ZVLIB_FAILURE (out untouched) for an unknown id, a scale
   that is not above 0, or a text the host refuses. */
ZVLIB_API int zvlibElmAttr_createText(MSElement *out, const MSElement *templateEl, const char *text,
                                      const DPoint3d *origin, const RotMatrix *rotation, DgnModelRefP model,
                                      int id, double scale, ZvlibElmAttrSettings *settings);

/* Inside the library. */
/* The settings of attribute id of the calling application; null when it
   has no such attribute (or no library record). */
ZvlibElmAttrSettings *elmAttr_findSettings(int id);
/* The two algorithms on a given settings block; results as above. */
int elmAttr_applySettings(MSElement *el, const ZvlibElmAttrSettings *settings);
int elmAttr_createTextWithSettings(MSElement *out, const MSElement *templateEl, const char *text,
                                   const DPoint3d *origin, const RotMatrix *rotation, DgnModelRefP model,
                                   const ZvlibElmAttrSettings *settings, double scale);

#ifdef __cplusplus
}
#endif

#endif

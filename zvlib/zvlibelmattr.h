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
#include "zvlibresource.h"

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

/* Attribute types. */
#define ZVLIB_ATTRTYPE_SYMBOLOGY 1
#define ZVLIB_ATTRTYPE_ICON 2
#define ZVLIB_ATTRTYPE_ICONSIZE 3
#define ZVLIB_ATTRTYPE_TEXT 4
#define ZVLIB_ATTRTYPE_ICONSIZETEXT 5
#define ZVLIB_ATTRTYPE_TEXTFIELD 6
#define ZVLIB_ATTRTYPE_TEXTCHOICE 7

/* Group flag: the dialog shows its menu bar, and attributes added to the
   group get no change callback. */
#define ZVLIB_ATTRGROUP_MENUBAR 0x4u

/* Change-callback reasons. */
#define ZVLIB_ATTR_REASON_CHANGED 1   /* the user changed a setting */
#define ZVLIB_ATTR_REASON_SELECTED 2  /* copied into the working copy */
#define ZVLIB_ATTR_REASON_ITEMSSET 3  /* the dialog items were set up */
#define ZVLIB_ATTR_REASON_LEAVING 4   /* another selection replaces it */

#define ZVLIB_ATTR_DEFAULT_TEXTLEN 80
#define ZVLIB_ATTR_LABEL_LEN 80     /* 'ASNa' field: 79 characters and terminator */
#define ZVLIB_ATTR_EDITLABEL_LEN 84 /* the edit dialog's label field */

/* Stored record sizes: version 3 ('ZvA3', 'ASD3'), 2 and 1. */
#define ZVLIB_ATTR_RECORD3_SIZE 1480
#define ZVLIB_ATTR_RECORD2_SIZE 1320
#define ZVLIB_ATTR_RECORD1_SIZE 320
#define ZVLIB_ATTR_HEAD_SIZE 48

/* One choice of an attribute: an icon (types 2, 3, 5) or a text (type 7). */
typedef struct ZvlibElmAttrChoice {
    int32_t value;
    long iconId; /* resource 'Icon' id */
    char *text;  /* owned, type 7 */
} ZvlibElmAttrChoice;

/* One attribute in memory.  The stored form (1480 bytes) is written field
   by field: its pointer slots are 4 bytes there. */
typedef struct ZvlibElmAttr {
    int32_t groupKey;
    int32_t type; /* ZVLIB_ATTRTYPE_*; 0 in the working copy: none selected */
    int32_t id;
    char *label; /* owned */
    MdlFunctionP changeCallback;
    uint32_t hiddenMask; /* use-flag bits the dialog neither shows nor keeps */
    int32_t choiceCount;
    ZvlibElmAttrChoice *choices; /* owned */
    int32_t maxTextLength;
    char *promptText; /* owned */
    ZvlibElmAttrSettings settings;
    struct ZvlibElmAttr *next;
} ZvlibElmAttr;

typedef struct ZvlibElmAttrGroup {
    char *name; /* owned */
    int32_t key;
    uint32_t flags; /* ZVLIB_ATTRGROUP_* */
    MdlFunctionP changeCallback; /* int fn(void) */
} ZvlibElmAttrGroup;

/* What a change callback gets (argument descriptor "P"). */
typedef struct ZvlibElmAttrCallbackInfo {
    MSDialog *db;
    int32_t id;
    int32_t reason; /* ZVLIB_ATTR_REASON_* */
    int32_t groupKey;
    const char *label;
    int32_t type;
    ZvlibElmAttrSettings settings;
} ZvlibElmAttrCallbackInfo;

/* The record the edit dialog (20017) binds to. */
typedef struct ZvlibElmAttrEditRecord {
    char label[ZVLIB_ATTR_EDITLABEL_LEN];
    int32_t type;
    uint32_t hiddenMask;
} ZvlibElmAttrEditRecord;

/* --- groups ----------------------------------------------------------------
   Both free every attribute and the old table first.  count triples
   (const char *name, int key, unsigned flags); Extended: quadruples with a
   change callback (MdlFunctionP) after the flags.  0, or ZVLIB_FAILURE
   (no table) for a negative count or no memory. */
ZVLIB_API int zvlibElmAttr_setGroupeNames(int count, ...);
ZVLIB_API int zvlibElmAttr_setGroupeNamesExtended(int count, ...);
ZVLIB_API void zvlibElmAttr_freeGroupeNames(void);

/* --- the list ----------------------------------------------------------------
   addAttribute's trailing arguments by type: 2 and 3: int count, then count
   pairs (int iconId, int value); 5: int maxTextLength, const char *prompt,
   int count, pairs (int iconId, int value); 6: int maxTextLength, const
   char *prompt; 7: const char *prompt, int count, pairs (const char *text,
   int value); 1 and 4: none.  Texts are copied.  The callback is kept only
   when the group exists and lacks ZVLIB_ATTRGROUP_MENUBAR.  0, or
   ZVLIB_FAILURE for a type outside 1..7, a negative count or no memory. */
ZVLIB_API int zvlibElmAttr_addAttribute(int id, const char *label, int groupKey, int type, uint32_t hiddenMask,
                                        MdlFunctionP changeCallback, int refresh,
                                        const ZvlibElmAttrSettings *settings, ...);
/* A copy of attribute id with the next free id (largest + 1), inserted in
   front of it, in the group of the dialog's working copy. */
ZVLIB_API int zvlibElmAttr_insertAttribute(int id, const char *label, uint32_t hiddenMask,
                                           const ZvlibElmAttrSettings *settings);
ZVLIB_API int zvlibElmAttr_editAttribute(int id, int refresh, const ZvlibElmAttrSettings *settings);
ZVLIB_API int zvlibElmAttr_editAttributeExtended(int id, int refresh, const ZvlibElmAttrSettings *settings,
                                                 MdlFunctionP changeCallback);
ZVLIB_API int zvlibElmAttr_deleteAttribute(int id, int refresh);
ZVLIB_API void zvlibElmAttr_freeAllAttribute(void);
/* Fills option button item with the labels of the group's attributes
   (value = id); *selectedId becomes the first of them when it is not
   among them (unchanged when the group has none). */
ZVLIB_API int zvlibElmAttr_insertOptionButton(MSDialog *db, DialogItem *item, int groupKey, int *selectedId);
/* Copies the label into buffer of capacity bytes, cut to fit. */
ZVLIB_API int zvlibElmAttr_getLabelFromIdExtended(int id, char *buffer, size_t capacity);
/* The same into a buffer of ZVLIB_ATTR_LABEL_LEN bytes. */
ZVLIB_API int zvlibElmAttr_getLabelFromId(int id, char *buffer);
/* Id of the group's first attribute with exactly that label; 0 when none. */
ZVLIB_API int zvlibElmAttr_findIdForAttributeName(const char *name, int groupKey);
ZVLIB_API int zvlibElmAttr_extractData(int id, ZvlibElmAttrSettings *settings);
/* Slot 1..10: a wide level-name buffer (ZVLIB_ATTR_LEVELNAME_LEN) the
   dialog's level chooser may write; other slots are ignored. */
ZVLIB_API void zvlibElmAttr_setLevelNameVariable(int slot, char16_t *buffer);

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

/* --- storage --------------------------------------------------------------------
   By handle: 'ZvA3' per attribute id; reads take 'ZvA3', else convert
   'ZvA2' or 'ZvAs', for registered ids only.  Extended: the whole list as
   'ASD3' n with 'ASNa' n labels and 'ASNo' 1 the count.  0, or
   ZVLIB_FAILURE: a null or closed handle (nothing changed), a file that
   does not open, a failed write (later attributes are still tried), or an
   extended read missing a record (the list stays as it was). */
ZVLIB_API int zvlibElmAttr_writeResourceByHandle(ZvHandle *zh);
ZVLIB_API int zvlibElmAttr_writeResource(const char *fileName);
ZVLIB_API int zvlibElmAttr_writeResourceExtended(const char *fileName);
ZVLIB_API int zvlibElmAttr_readResourceByHandle(ZvHandle *zh);
ZVLIB_API int zvlibElmAttr_readResource(const char *fileName);
ZVLIB_API int zvlibElmAttr_readResourceExtended(const char *fileName);

/* The stored forms, byte for byte; decode returns false for a size that is
   not the version's. */
void elmAttr_encodeRecord(const ZvlibElmAttr *attr, uint8_t out[ZVLIB_ATTR_RECORD3_SIZE]);
int elmAttr_decodeSettings(int version, int type, const uint8_t *data, size_t size, ZvlibElmAttrSettings *out);

/* --- the dialog ---------------------------------------------------------------- */
ZVLIB_API int zvlibElmAttr_dialogOpen(void);

/* Inside the library. */
/* The calling application's attribute id; null when none. */
ZvlibElmAttr *elmAttr_find(int id);
/* Its first attribute and group by key (null when none). */
ZvlibElmAttr *elmAttr_first(void);
ZvlibElmAttrGroup *elmAttr_findGroup(int key);
/* Calls attr's change callback with reason (dialog db may be null). */
void elmAttr_callChange(const ZvlibElmAttr *attr, MSDialog *db, int reason);
/* Replaces the label with a copy; ZVLIB_FAILURE (kept) without memory. */
int elmAttr_setLabel(ZvlibElmAttr *attr, const char *label);
/* Negative line styles get their name, or their number from their name. */
void elmAttr_resolveLineStyles(void);
/* The dialog: refill and select id (negative: none) when it is open. */
void elmAttr_refreshDialog(int id);
/* The hooks of the dialog, and the cleared list head (start-up). */
void elmAttr_publishHooks(void);
/* Frees the calling application's list, groups and dialog state. */
void elmAttr_freeAll(struct zvlibGlobalData *g);

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

#include <string>
/* The dialog's row texts: column 6 alone, and all seven columns. */
std::string elmAttr_typeText(const ZvlibElmAttr *attr);
void elmAttr_rowTexts(const ZvlibElmAttr *attr, std::string (&texts)[7]);
#endif

#endif

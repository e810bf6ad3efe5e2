/* ZERA attributes kept as tags in the design file: the tag set input file
   and its table, the tag sets, the tags of an imported element and reading
   them back into Elm on export.

   Sections: sizes - the table entry - functions. */
#ifndef ZVZERA_ZERATAGGER_H
#define ZVZERA_ZERATAGGER_H

#include <stdint.h>
#include <stdio.h>
#include <uchar.h>

#include "dgn/mdldgn.h"
#include "zvlib_common.h"
#include "zvzera_services.h"

/* ---- sizes ------------------------------------------------------------------ */
#define ZVZERA_TAG_ATTRIBUTT_LEN 21 /* attribute name with its dots: 20 characters */
#define ZVZERA_TAG_NAVN_LEN 33      /* set and tag names: 32 wide characters */
#define ZVZERA_TAG_VERDI_LEN 101    /* a collected repeated value: 100 characters */
#define ZVZERA_TAG_TEKST_LEN 101    /* a value written as text: 100 characters */
#define ZVZERA_TAG_RAPPORTNAVN u"zvzera.rep"

/* ---- the table entry ----------------------------------------------------------
   One logical line of the tag set input file, in file order. */
typedef struct TagsetPost {
    int32_t type;       /* 1 long, 2 double, other text */
    int32_t index;      /* 0 not used on import, 1 only with a value, other always */
    int32_t display;    /* 0 hidden */
    int32_t occurrence; /* -1 unique for (attribute, set), else 0, 1, ... in file order */
    int32_t setNumber;  /* from 0, in the order set names first appear */
    double dx;          /* offset from the element's anchor, master units */
    double dy;
    char attribute[ZVZERA_TAG_ATTRIBUTT_LEN];
    char16_t tagName[ZVZERA_TAG_NAVN_LEN];
    char16_t setName[ZVZERA_TAG_NAVN_LEN];
} TagsetPost;

#ifdef __cplusplus
extern "C" {
#endif

/* ---- functions ------------------------------------------------------------------ */

/* Reads brukerDataP->tagsetFil into the tag table, replacing the one held.
   In batch a missing file writes "\nFEIL!  Finner ikke filen: %s\n\n" to
   rapport (null: the error stream).  A line without set or tag name, or
   with a name longer than its field, is left out with a message naming
   file and line.  0; ZVLIB_FAILURE with no table (missing or unreadable
   file, or no entries). */
ZVZERA_API int LesZeraTagsetInputFil(int batch, FILE *rapport);
/* The tag table and its entry count; null and 0 when there is none. */
ZVZERA_API const TagsetPost *ZeraTagsetTabell(int *antall);
/* Frees the tag table (shut-down); the design file keeps its sets. */
ZVZERA_API void FrigjorTagsetTabell(void);
/* Creates the table's tag sets the active model lacks (report name
   "zvzera.rep").  0 when at least one was created, else ZVLIB_FAILURE. */
ZVZERA_API int LagTagsett(void);
/* Writes a line per set the last LagTagsett could not make into the
   report; their count. */
ZVZERA_API int SkrivTagsettFeil(FILE *rapport);
/* 1 when the active model has a tag set of that name, else 0. */
ZVZERA_API int TagsettFinnes(const char16_t *setName);
/* 1 when the table's first "..TEMA" entry has an occurrence of 0 or more. */
ZVZERA_API int TagsetHarTema(void);
/* Writes the tags (or, with egenskapModus, texts) of the element at pos of
   the active model from Elm.  Returns the element's unique id, 0 when it
   cannot be read. */
ZVZERA_API ElementID SkrivZeraTagger(uint32_t pos);
/* Reads the tags of element (active model) back into Elm's fields, themes
   and rest; repeated attributes become one rest line in occurrence order. */
ZVZERA_API void LesZeraTagger(const MSElement *element);
/* Removes the table's tag sets and all their tags from the active model,
   then frees the table. */
ZVZERA_API void FjernTagsett(void);

#ifdef __cplusplus
}
#endif

#endif

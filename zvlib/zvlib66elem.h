/* Application data kept in the design file as type-66 application
   elements, and the packing of typed fields into their data. */
#ifndef ZVLIB_66ELEM_H
#define ZVLIB_66ELEM_H

#ifndef __cplusplus
#include <uchar.h>
#endif

#include "mdlhost.h"
#include "zvlib_common.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The element, little-endian:
     0  u32 66            4  u32 size in words: 19 + (bytes + 1) / 2
     8  u32 the same (attribute offset: no attribute data)
    12  u32 level 20     16  16 zero bytes
    32  u16 signature 157   34  u16 application id   36  u16 data version
    38  the data, padded with a zero byte to a whole word */
#define ZVLIB_66ELEM_LEVEL 20
#define ZVLIB_66ELEM_SIGNATURE 157
#define ZVLIB_66ELEM_HEADER_BYTES 38
#define ZVLIB_66ELEM_BUFFER_SIZE 8192 /* bytes the caller's element buffer holds at least */
#define ZVLIB_66ELEM_MAX_DATA 8152    /* data bytes */
#define ZVLIB_66ELEM_NOT_ADDED (-100) /* the host added nothing */

/* Application ids in use. */
#define ZVLIB_APPL_PROJECT 101
#define ZVLIB_APPL_PAGE 110

/* Builds the element for data into buffer (ZVLIB_66ELEM_BUFFER_SIZE bytes
   or an MSElement).  applicationId and version are 16-bit.  Returns 0, or
   ZVLIB_FAILURE (buffer untouched) when the data does not fit. */
ZVLIB_API int zvlib66Elem_saveData(MSElement *buffer, int applicationId, int version, const void *data, int bytes);
/* Builds the element and adds it to the active model; *filePos (may be
   null) gets its position, 0 when none.  In the DWG work mode without
   configuration variable MS_DWGSAVEAPPLICATIONDATA, box 17/20005/28 warns
   first that the data will not be kept.  Returns 0, ZVLIB_66ELEM_NOT_ADDED
   when the host added nothing, ZVLIB_FAILURE when the data does not fit. */
ZVLIB_API int zvlib66Elem_saveDataToFile(int applicationId, int version, const void *data, int bytes, int *filePos);
/* For an application element of signature 157 and applicationId: *version,
   *data pointing at the data inside el and *length the bytes up to the
   element's end (the data padded to a whole word); 0.  Otherwise *data is
   null and the result ZVLIB_FAILURE.  Any out pointer may be null. */
ZVLIB_API int zvlib66Elem_getData(const MSElement *el, int applicationId, int *version, const char **data,
                                  int *length);

/* Called for each matching element: userArg as given, the data version,
   the element, its position, its index in the scan batch, its data and
   length (as zvlib66Elem_getData).  Non-zero ends the scan. */
typedef int (*Zvlib66ElemScanFunc)(void *userArg, int version, MSElement *el, int filePos, int index,
                                   const char *data, int length);
/* Scans model (0: the active model) for type-66 elements on level 20 of
   applicationId, in position order, and calls fn for each one.  Returns
   the number of matching elements; when fn ends the scan, the number up to
   and including that element (so above 0); a negative host error when the
   model cannot be scanned.  direct 1 calls fn as it is; any other value
   calls it through the host's dispatcher with the calling application
   current. */
ZVLIB_API int zvlib66Elem_scanDataFromFileExtended(void *userArg, int applicationId, DgnModelRefP model,
                                                   Zvlib66ElemScanFunc fn, int direct);
ZVLIB_API int zvlib66Elem_scanDataFromFile(void *userArg, int applicationId, DgnModelRefP model,
                                           Zvlib66ElemScanFunc fn);

/* Field types of the packed data; each field follows the previous one
   with no gap. */
#define ZVLIB_FIELD_DOUBLE 1 /* 8 bytes in the file format of doubles */
#define ZVLIB_FIELD_TEXT 3   /* the characters and the terminator */
#define ZVLIB_FIELD_CHAR 4   /* 1 byte */
#define ZVLIB_FIELD_SHORT 6  /* 2 bytes */
#define ZVLIB_FIELD_BYTES 8  /* a given number of bytes */
#define ZVLIB_FIELD_INT32 9  /* 4 bytes */
#define ZVLIB_FIELD_UNSUPPORTED 1 /* the result for any other type */

/* Writes one field at *offset of buffer (capacity bytes) and advances
   *offset by its size.  The value follows type: a double (1), an int (9),
   a pointer to the text (3), the character (4) or the short (6), or a
   pointer and a byte count (8).  Returns 0; ZVLIB_FIELD_UNSUPPORTED for
   another type and ZVLIB_FAILURE when the field does not fit, both with
   nothing written and *offset unchanged. */
ZVLIB_API int zvlib66Elem_convertToFileFormatExtended(char *buffer, int capacity, int *offset, int type, ...);
/* The same with a buffer of ZVLIB_66ELEM_MAX_DATA bytes. */
ZVLIB_API int zvlib66Elem_convertToFileFormat(char *buffer, int *offset, int type, ...);

/* Reads one field at *offset of buffer (dataBytes bytes of data) into
   destination (a double, a text of size bytes, a char, a short, size bytes,
   an int32) and advances *offset.  Returns 0; ZVLIB_FIELD_UNSUPPORTED for
   another type; ZVLIB_FAILURE when the field runs past the data, a text
   has no terminator inside the data or does not fit size.  Nothing is
   written and *offset stays on failure. */
ZVLIB_API int zvlib66Elem_convertFromFileFormatExtended(const char *buffer, int dataBytes, int *offset, int type,
                                                        void *destination, int size);
/* The same with ZVLIB_66ELEM_MAX_DATA bytes of data and, for texts, a
   destination that holds ZVLIB_66ELEM_MAX_DATA bytes; count is the byte
   count of type 8. */
ZVLIB_API int zvlib66Elem_convertFromFileFormat(const char *buffer, int *offset, int type, void *destination,
                                                int count);

#ifdef __cplusplus
}
#endif

#endif

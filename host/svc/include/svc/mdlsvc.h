/* Services a Windows host gives its programs, in this host's own form: a
   registry, printers, network names, processes at idle priority, and
   DDE-like conversations with a spreadsheet. */
#ifndef MDLHOST_SVC_MDLSVC_H
#define MDLHOST_SVC_MDLSVC_H

#include <stddef.h>
#include <stdint.h>

#include "base/host_export.h"
#include "sys/mdlsys.h"

#ifdef __cplusplus
extern "C" {
#endif

/* --- registry ----------------------------------------------------------------
   Two hives, each one file in the directory configuration variable
   MDLHOST_REGISTRY names (default "$(HOME)/.mdlhost/registry"):
   "user.reg" and "machine.reg".  A key is a path of names separated by
   '\' (leading and trailing separators are ignored; "" is the hive's root);
   key and value names compare without case.  Every change rewrites the
   file through a temporary file and a rename under a lock, so a reader
   sees the old file or the new one, never a mix.  A hive whose file holds
   anything this code did not write is left as it is: queries still find
   its good values, changes are refused (MDLHOST_REG_CORRUPT). */
#define MDLHOST_HKEY_CURRENT_USER 1
#define MDLHOST_HKEY_LOCAL_MACHINE 2

#define MDLHOST_REG_SZ 1     /* text; mdlhost_regSetString stores its terminator */
#define MDLHOST_REG_BINARY 3 /* bytes */
#define MDLHOST_REG_DWORD 4  /* 4 bytes, little-endian */

#define MDLHOST_REG_MAXKEY 512      /* key path, terminator included */
#define MDLHOST_REG_MAXNAME 256     /* value name, terminator included */
#define MDLHOST_REG_MAXDATA 65536   /* bytes of one value */
#define MDLHOST_REG_MAXVALUES 4096  /* values in one hive */

#define MDLHOST_REG_OK 0
#define MDLHOST_REG_NOTFOUND (-1)
#define MDLHOST_REG_MOREDATA (-2) /* the value does not fit; *size tells its size */
#define MDLHOST_REG_BADARG (-3)   /* unknown hive or type, name too long, ... */
#define MDLHOST_REG_IOERROR (-4)
#define MDLHOST_REG_FULL (-5)     /* the hive holds MDLHOST_REG_MAXVALUES */
#define MDLHOST_REG_CORRUPT (-6)

/* Stores the value (replacing one of the same key and name).  A DWORD
   takes exactly 4 bytes.  Returns MDLHOST_REG_OK or an error above. */
MDLHOST_API int mdlhost_regSetValue(int hive, const char *key, const char *name, int type, const void *data,
                                    size_t size);
MDLHOST_API int mdlhost_regSetString(int hive, const char *key, const char *name, const char *text);
MDLHOST_API int mdlhost_regSetDword(int hive, const char *key, const char *name, uint32_t value);
/* *size holds the capacity of data on entry.  Found and fitting: *type,
   the bytes in data and their count in *size, MDLHOST_REG_OK.  Too big:
   MDLHOST_REG_MOREDATA with *size the size needed, data untouched.  type
   and data may be null (then only the size is asked). */
MDLHOST_API int mdlhost_regQueryValue(int hive, const char *key, const char *name, int *type, void *data,
                                      size_t *size);
MDLHOST_API int mdlhost_regDeleteValue(int hive, const char *key, const char *name);

/* --- printers ----------------------------------------------------------------
   Configuration variable MDLHOST_PRINTERS lists the printers, separated by
   ';', each "name=destination".  A name "\\server\share" is a printer of
   the network (server "\\server", share "share"); any other name is a
   local printer.  The destination is the port: "|program arguments" hands
   each print file to the program as its last argument (no shell; the
   program is waited for), anything else is a path the file is copied to
   (into it when it is a directory). */
#define MDLHOST_PRINTER_NAMELEN 256 /* each text, terminator included */
#define MDLHOST_PRINTER_MAX 64      /* printers taken from the configuration */

typedef struct MdlhostPrinter {
    char name[MDLHOST_PRINTER_NAMELEN];
    char server[MDLHOST_PRINTER_NAMELEN]; /* "" for a local printer */
    char share[MDLHOST_PRINTER_NAMELEN];  /* "" for a local printer */
    char port[MDLHOST_PRINTER_NAMELEN];   /* the destination as written */
} MdlhostPrinter;

/* Fills up to capacity records in configuration order.  Returns the number
   of printers (which may exceed capacity), -1 when MDLHOST_PRINTERS holds
   a malformed entry (one without '=' or a name, or a text too long). */
MDLHOST_API int mdlhost_printers(MdlhostPrinter *printers, int capacity);

#define MDLHOST_PRINT_OK 0
#define MDLHOST_PRINT_NOPRINTER (-1) /* no printer of that name */
#define MDLHOST_PRINT_BADFILE (-2)   /* missing, or a name the command cannot be given */
#define MDLHOST_PRINT_FAILED (-3)    /* the program did not start or exited non-zero, or the copy failed */
/* Prints the file on the printer.  A file name holding '"' or a control
   character is refused: it could not reach a program as one argument. */
MDLHOST_API int mdlhost_printFile(const char *printer, const char *fileName);

/* The system printer a plot driver names (line "system_printer_name = x",
   the value optionally quoted; '#' starts a comment).  Returns 0, -1 (out
   "") when the file cannot be read, names none, or the name does not fit. */
MDLHOST_API int mdlhost_plotDriverSystemPrinter(const char *driverFile, char *out, size_t outSize);

/* --- names and files ------------------------------------------------------------
   The universal name of a path on a mapped network drive: "X:\rest" with
   configuration variable MDLHOST_UNC_X = "\\server\share" gives
   "\\server\share\rest".  Returns 0, -1 (out untouched) when the path has
   no such drive or the name does not fit outSize. */
MDLHOST_API int mdlhost_universalName(const char *path, char *out, size_t outSize);
/* Removes the file (drive mapped).  Returns 0, -1 with errno. */
MDLHOST_API int mdlhost_deleteFile(const char *name);

/* As mdlExternal_startProgram, with the program at the lowest scheduling
   priority (nice 19). */
MDLHOST_API int mdlhost_startProgramIdle(MdlExternalProgram **process, const char *program, const char *argText);

/* --- conversations ---------------------------------------------------------------
   A DDE-like client side: an instance with its callback, conversations
   with a service on a topic, command texts executed one at a time, the
   peer answering at once (a time-out never runs out).  Instance and
   conversation ids are never reused, so a stale id is refused.  The host
   serves "Excel" on topic "System" (names compare without case): a
   spreadsheet, see below.  The host's thread only. */
#define MDLHOST_DDE_MAXCOMMAND 1024 /* command text, terminator included */
#define MDLHOST_DDE_MAXINSTANCES 16
#define MDLHOST_DDE_MAXCONVERSATIONS 16

/* Transactions a callback may receive.  The host sends DISCONNECT when the
   peer ends a conversation (the spreadsheet's QUIT); the others are there
   for clients written for a full DDE peer. */
enum {
    MDLHOST_DDE_XTYP_ERROR = 1,
    MDLHOST_DDE_XTYP_ADVDATA,
    MDLHOST_DDE_XTYP_ADVREQ,
    MDLHOST_DDE_XTYP_ADVSTART,
    MDLHOST_DDE_XTYP_ADVSTOP,
    MDLHOST_DDE_XTYP_EXECUTE,
    MDLHOST_DDE_XTYP_CONNECT,
    MDLHOST_DDE_XTYP_CONNECT_CONFIRM,
    MDLHOST_DDE_XTYP_XACT_COMPLETE,
    MDLHOST_DDE_XTYP_POKE,
    MDLHOST_DDE_XTYP_REGISTER,
    MDLHOST_DDE_XTYP_REQUEST,
    MDLHOST_DDE_XTYP_DISCONNECT,
    MDLHOST_DDE_XTYP_UNREGISTER,
    MDLHOST_DDE_XTYP_WILDCONNECT,
    MDLHOST_DDE_XTYP_MONITOR
};
typedef long (*MdlhostDdeCallback)(int type, long conversation, const void *data, size_t size);

#define MDLHOST_DDE_OK 0
#define MDLHOST_DDE_NOTPROCESSED (-1) /* the peer refused the command; see mdlhost_ddeLastError */
#define MDLHOST_DDE_NOCONV (-2)       /* no such conversation */
#define MDLHOST_DDE_BADARG (-3)       /* null or over-long text, unknown instance */

/* A new instance id (> 0), 0 when MDLHOST_DDE_MAXINSTANCES are in use.
   The callback may be null. */
MDLHOST_API long mdlhost_ddeInitialize(MdlhostDdeCallback callback);
/* Ends the instance and its conversations.  0, MDLHOST_DDE_BADARG. */
MDLHOST_API int mdlhost_ddeUninitialize(long instance);
/* A conversation id (> 0), or 0 when the service is not available, does not
   serve the topic, or too many conversations are open. */
MDLHOST_API long mdlhost_ddeConnect(long instance, const char *service, const char *topic);
/* Executes one command text (ISO 8859-1).  Returns MDLHOST_DDE_OK or an
   error above. */
MDLHOST_API int mdlhost_ddeExecute(long conversation, const char *command, long timeoutMs);
/* Ends the conversation; 0, MDLHOST_DDE_NOCONV. */
MDLHOST_API int mdlhost_ddeDisconnect(long conversation);
/* Why the last execute was refused ("" after one that was processed). */
MDLHOST_API const char *mdlhost_ddeLastError(void);
/* The text of the last execute that reached a conversation, as sent (a
   trace of the exchange); "" before any. */
MDLHOST_API const char *mdlhost_ddeLastCommand(void);
/* Takes a service away (0) or brings it back, as a program that is not
   running or is started; open conversations stay.  0, -1 for an unknown
   service. */
MDLHOST_API int mdlhost_ddeSetServiceAvailable(const char *service, int available);

/* --- the spreadsheet -----------------------------------------------------------
   Each conversation with "Excel" has a spreadsheet of its own: open
   workbooks, each with sheets of cells; the workbook files are .xlsx
   (Office Open XML) whatever their extension.  It ends with the
   conversation; unsaved changes are then dropped.

   A command text is exactly one command, "[NAME(arguments)]", the name
   without case; arguments are "text" (a quote inside doubled), numbers
   (digits, one '.'), TRUE, FALSE, or empty.  Anything else - text after
   the ']', a second command, an unknown name, a wrong argument - refuses
   the whole text and changes nothing.  Texts are ISO 8859-1; cells and
   files hold UTF-8.

     OPEN("path")                 reads the workbook; it becomes active
     NEW([1|5])                   a new workbook "BookN" with "Sheet1"
     SAVE()                       writes the active workbook to its file
     SAVE.AS("path"[, type])      writes it to path, which becomes its file
     CLOSE([save])                closes the active workbook, saving when TRUE
     QUIT()                       ends the spreadsheet and the conversation
     ACTIVATE("workbook")         makes an open workbook active
     WORKBOOK.ACTIVATE("sheet"[, x])
     WORKBOOK.COPY("sheet", "workbook"[, position])   the copy of a sheet
                                  whose name is taken gets " (2)", " (3)" ...
     WORKBOOK.MOVE("sheet", "workbook"[, position])   position 1 is first;
                                  none: after the last sheet
     WORKBOOK.NAME("sheet", "new name")   at most 31 characters, none of
                                  : \ / ? * [ ], unique without case
     SELECT("reference")          a cell or "ref:ref", in the current style
     FORMULA(value[, "reference"])   enters into the active cell
     FORMULA.REPLACE("find", "replace"[, lookAt[, lookBy[, activeCell[, matchCase]]]])
     CLEAR([1..4])                1 and 3 clear the selected cells' contents
     OPTIONS.GENERAL(style, ...)  style 1: A1 references, 2: R1C1
     OPTIONS.VIEW(...)            accepted, no effect

   Values.  A text entered by FORMULA that starts with '=' is a formula
   (written as such; the spreadsheet does not compute it) - entering a
   formula is what FORMULA is for.  Formulas are taken in the A1 style
   only.  Every other text is a number when it is one in plain form
   ('-', digits without a leading zero, the decimal separator of
   configuration variable MDLHOST_XLSX_DECIMAL (default ',') and digits, at
   most 15 digits), else text.  FORMULA.REPLACE works on the active sheet's
   text cells only, never inside a formula; its find text takes '*' (any
   run), '?' (any character) and '~' (the next character as it is), its
   replacement is plain text; a replaced cell is typed as above, so a
   value that starts with '=' stays text.  A cell holds at most 32767
   bytes. */

#ifdef __cplusplus
}
#endif

#endif

/* Small services for every application: language texts, 8-bit and 16-bit
   text, string helpers, date and time, the hour glass, units, levels,
   graphic groups and plot fences of the active design file, token lists,
   the web browser and help, external programs and host questions. */
#ifndef ZVLIB_UTIL_H
#define ZVLIB_UTIL_H

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

/* Size of the static results of the text conversions, terminator included. */
#define ZVLIB_CONVERT_LEN 512

/* --- texts ---------------------------------------------------------------- */

/* Entry n of the language list of the calling application's resource files,
   as written (a '%' stays a '%'); "" when there is none.  Static: valid
   until the next call. */
ZVLIB_API const char *zvlibUtil_getLanguageText(int n);

/* ISO 8859-1 to 16-bit text and back, each into its own static buffer of
   ZVLIB_CONVERT_LEN units (longer text is cut; characters above 255 become
   '?').  A null argument gives "". */
ZVLIB_API const char16_t *zvlibUtil_convertToUnicodeText(const char *text);
ZVLIB_API const char *zvlibUtil_convertToMultibyteText(const char16_t *text);

/* 1 when the angle (radians) points into the second or third quadrant. */
ZVLIB_API int zvlibUtil_angleIn2Or3Quadrant(double angle);
/* Removes every blank and tab in place; returns text (null stays null). */
ZVLIB_API char *zvlibUtil_removeSpaces(char *text);
/* Cuts text at its first line break (a newline, or a backslash followed by
   'n' or 'N').  What follows the break goes to rest (a buffer of its own
   with room for strlen(text) + 1 bytes, text itself, or null) and the
   result is 1; with nothing after the break, or no break, rest is "" and
   the result 0. */
ZVLIB_API int zvlibUtil_splitText(char *text, char *rest);
/* Size of text written with attribute attrId at scale, one text element per
   line (see zvlibUtil_splitText): the widest line's box width, the last
   line's box height, and lines x height + (lines - 1) x lineSpacing; the
   last line's text parameters.  Any out argument may be null.  Returns 0,
   or ZVLIB_FAILURE when a line cannot be made (nothing is written then). */
ZVLIB_API int zvlibUtil_extractTextSize(const char *text, double scale, int attrId, double lineSpacing,
                                        double *width, double *lineHeight, double *totalHeight,
                                        TextParamWide *params);

/* Local date and time; month 1 to 12, weekday 0 for Sunday.  The names are
   language texts, copied into weekdayName and monthName (each
   ZVLIB_NAME_LEN bytes).  Any argument may be null.  Returns 0. */
#define ZVLIB_NAME_LEN 64
ZVLIB_API int zvlibUtil_getDateAndTime(int *year, int *month, int *day, int *hour, int *minute, int *second,
                                       int *weekday, char *weekdayName, char *monthName);

/* --- hour glass (host message field 1) ------------------------------------ */
ZVLIB_API void zvlibUtil_initHourGlass(void);
/* Shows the next of "|", "/", "-", "\" once more than 30 ticks passed since
   the last step; otherwise does nothing. */
ZVLIB_API void zvlibUtil_updateHourGlass(void);

/* --- host questions -------------------------------------------------------- */
/* 1 after box 17/20005/20 when _MSDRAFT is defined, else 0. */
ZVLIB_API int zvlibUtil_runningPowerDraft(void);
/* 1 when any of _MSDRAFT, _MSPOWERSCOPE, _PRJREVIEW is defined, else 0. */
ZVLIB_API int zvlibUtil_mdlExternalNotAvailable(void);

/* --- the active design file and the session --------------------------------
   The conversions for the active model; the result is kept in the caller's
   library record (a library static for a caller without one) until its
   next conversion.  Without an active design file the value is kept as
   given. */
ZVLIB_API double *zvlibUtil_masterToUORP(double value);
ZVLIB_API double *zvlibUtil_UORToMasterP(double value);

/* Decimals of the coordinate readout from the host's control block (see
   zvlibUtil_readoutAccuracy). */
ZVLIB_API int zvlibUtil_getCoordinateReadoutAccuracy(int defaultAccuracy);
/* The rule on given bytes: with MDLHOST_READOUT_FLAG (value 4) in the flag
   byte, a non-negative default is the answer, and for a negative one the
   accuracy byte's upper five bits 0, 1, 3, 7, 15, 31 give 5 to 10
   decimals (any other value: the default); without the flag, the low three
   bits minus 1 give the decimals, 4 when they are 0. */
ZVLIB_API int zvlibUtil_readoutAccuracy(unsigned accuracyByte, unsigned flagByte, int defaultAccuracy);
/* A text item whose number format ends in a one-digit "f" conversion
   ("%.3f") gets the readout accuracy in place of the digit (the digit is
   the default) and shows its value again; other items stay as they are. */
#define ZVLIB_FORMAT_LEN 64
ZVLIB_API void zvlibUtil_setActiveDecimalNumberInTextItem(DialogItem *item);

/* When configuration variable cfgVar is defined, sets it (user level) to
   "DGN", "DWG" or "V7" after the host's work mode and returns 1; 0 when it
   is undefined, already holds that text, or the work mode is another. */
ZVLIB_API int zvlibUtil_setWorkmode(const char *cfgVar);

/* Opens the host's own preference file (the one MS_USERPREF names, else
   MDLHOST_USERPREF, else $(HOME)/.mdlhost.upf; created for MDLHOST_RSC_READWRITE when
   missing) with mdlResource_openFile's mode.  Returns its status, with
   *handle set on 0. */
ZVLIB_API int zvlibUtil_openUserPrefFile(RscFileHandle *handle, int mode);

/* The active graphic group, after which the host moves on to the next one;
   0 (no group) without an active design file. */
ZVLIB_API uint32_t zvlibUtil_newGraphicGroup(void);

/* The id of the level of that name in the active model.  A level that only
   the attached level library has is copied into the design (symbology and
   description) and the copy's id given.  Else it is created, with the
   element colour, weight and style when setSymbology is set, and the level
   table rewritten when rewriteTable is set; in the V7 work mode nothing is
   created: an error in the message centre and LEVEL_NULL_ID.  LEVEL_NULL_ID
   too for a null or empty name, without an active design file, or when the
   host refuses the level. */
ZVLIB_API uint32_t zvlibUtil_levelIdFromNameExtended(const char16_t *name, int rewriteTable, int setSymbology,
                                                     uint32_t color, uint32_t weight, int32_t style);
/* The same, rewriting the table, without symbology. */
ZVLIB_API uint32_t zvlibUtil_levelIdFromName(const char16_t *name);

/* Calls fn (through the dispatcher, descriptor "PIIP") for each plot fence:
   a shape of class 4 whose first library user-data linkage has type 6, in
   the active model and in each reference that is shown, found and not
   nested.  While fn runs, the current transformation gives master units.
   A non-zero result of fn ends the scan of that model.  Returns 0. */
typedef int (*ZvlibPlotFenceFunc)(MSElementDescr *dscr, int filePos, int model, void *userArg);
ZVLIB_API int zvlibUtil_findAllPlotFence(ZvlibPlotFenceFunc fn, void *userArg);

/* --- token lists ------------------------------------------------------------
   Each non-empty token in its own allocation; null with *count 0 when text
   is null, empty or only delimiters, or memory ran out. */
ZVLIB_API char **zvlibString_tokenize(int *count, char *text, const char *delimiters);
/* The same on a copy; text stays as it was. */
ZVLIB_API char **zvlibString_tokenize2(int *count, const char *text, const char *delimiters);
ZVLIB_API void zvlibString_freeTokenList(char **list, int count);

/* --- web browser ------------------------------------------------------------
   The browser application WEBBROWS is loaded when the host does not know it
   (box 17/20005/19 when that fails); the keyin "browse file|url TARGET" is
   queued either way.  Returns 0, -1 when the keyin could not be queued. */
ZVLIB_API int zvlibWeb_openFile(const char *path);
ZVLIB_API int zvlibWeb_openUrl(const char *address);
/* Opens the application's manual: "<root>doc/manual/<appl><suffix>/index.htm",
   else without the suffix, under ZV_LOCAL or else ZV_DIR.  Returns 0 (also
   when neither root is defined; nothing opens then) or the non-zero find
   status when the manual is missing. */
ZVLIB_API int zvlibWeb_openApplHelp(void);

/* Starts the viewer of the application's compiled help file,
   "<root>help/<appl><suffix>.chm", else without the suffix, under ZV_LOCAL
   or else ZV_DIR, with the help file as its one argument.  The viewer is
   the program configuration variable ZV_CHMVIEWER names; without it,
   "$(SystemRoot)\hh.exe".  Returns 0 when neither root is defined (nothing
   starts), the non-zero find status when the help file or the viewer is
   missing (with a text-window line saying which viewer, or that none is
   configured), else the host's start result (0 or MDLEXT_NOT_STARTED). */
ZVLIB_API int zvlibWeb_openApplChmHelp(void);

/* Queues the keyin "% path" (the host opens the file).  Returns 0, -1 when
   it could not be queued. */
ZVLIB_API int zvlibExternal_openFile(const char *path);

/* --- external programs ----------------------------------------------------- */
/* A status of this value asks not to wait for the program. */
#define ZVLIB_NO_WAIT (-1)
/* Starts program with the argument text (split at blanks; double quotes
   group).  Unless *status is ZVLIB_NO_WAIT, waits for its end and puts its
   exit status in *status (non-zero: it failed; 128 + n: signal n ended it);
   a null status waits and keeps nothing.  Returns 0; ZVLIB_FAILURE with
   *status unchanged after box 17/20005/20 (the draft product runs
   nothing) or after "Error executing external program" on the text window
   (not started); ZVLIB_FAILURE with *status -1 when the wait failed. */
ZVLIB_API int zvlibExternal_executeProgram(const char *program, const char *arguments, int *status);
/* Runs the command interpreter that COMSPEC names with "/C command
   arguments"; as zvlibExternal_executeProgram.  COMSPEC undefined: the
   text-window line and ZVLIB_FAILURE, nothing started. */
ZVLIB_API int zvlibExternal_executeShellCommand(const char *command, const char *arguments, int *status);
ZVLIB_API int zvlibExternal_executeSystemCommand(const char *command, const char *arguments, int *status);
/* The first word of the line, upper-cased, is a command of the interpreter
   (CD, COPY, DEL, DIR, ... or a name ending in .BAT or .CMD: run through
   zvlibExternal_executeShellCommand) or a program started directly with
   the rest of the line as its arguments. */
ZVLIB_API int zvlibExternal_executeCommandLine(const char *commandLine, int *status);

#ifdef __cplusplus
}
#endif

#endif

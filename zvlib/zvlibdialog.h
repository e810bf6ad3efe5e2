/* The library's file and list dialogs: several files chosen from one
   directory, files collected by patterns through a directory tree, one or
   several members chosen from a string list the caller builds; helpers
   for dialog items, and the calling application's pull-down menu in the
   command window's menu bar.  The dialogs are resources of the calling
   application (zvlib.rsc); their hooks are the library's. */
#ifndef ZVLIB_DIALOG_H
#define ZVLIB_DIALOG_H

#include <stdint.h>

#include "dlg/mdldlg.h"
#include "zvlib_common.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZVLIB_DIALOG_PATH_LEN ZVLIB_PATH_LEN /* a directory, filter or path with its terminator */
#define ZVLIB_DIALOG_MAX_DEPTH 128 /* directory levels a search goes down */

/* Dialogs and their items. */
#define ZVLIB_DIALOG_SELECTFILES 20016
#define ZVLIB_DIALOG_SEARCHFILES 20018
#define ZVLIB_DIALOG_SELECTSINGLE 20021
#define ZVLIB_DIALOG_SELECTMULTI 20022
#define ZVLIB_ITEM_DIRECTORYLIST 20004 /* list box of 20016: directories and drives */
#define ZVLIB_ITEM_FILELIST 20005      /* list box of 20016: files */
#define ZVLIB_ITEM_FILTER 20061        /* text of 20016: the filter */
#define ZVLIB_ITEM_DIRECTORY 20065     /* text of 20016: the directory */
#define ZVLIB_ITEM_RESULTLIST 20006    /* list box of 20018: the files found */
#define ZVLIB_ITEM_SEARCHDIRECTORY 20069 /* text (and push button) of 20018 */
#define ZVLIB_ITEM_SEARCHFILTER 20073  /* text of 20018: the filter */
#define ZVLIB_ITEM_FIT_LISTBOX 20007   /* list box a dialog with hook 20202 is fitted to */

/* What a file dialog started from and ended in, kept by the caller. */
typedef struct zvlibRememberedChoice {
    int32_t status;                         /* ACTIONBUTTON_OK after OK, else as the caller set it */
    char directory[ZVLIB_DIALOG_PATH_LEN];  /* "" when none is remembered */
    char filter[ZVLIB_DIALOG_PATH_LEN];     /* patterns separated by ';' */
} zvlibRememberedChoice;

/* Builds the list the selection dialogs show: *list gets a new string
   list (left null: there is nothing to choose from).  Called through the
   host's dispatcher with the calling application current. */
typedef int (*ZvlibFillSingleFunc)(StringList **list, void *userArg);
typedef int (*ZvlibFillMultiFunc)(StringList **list, void *userArg, int infoFields);

/* Dialog 20016.  With a remembered choice, the dialog starts in directory
   (one that does not exist: "c:\") with filter; without one it starts
   where the application's last file dialog ended (filter and directory
   from the arguments the first time).  title, when not empty, is the
   window's.  OK: the filter and directory are copied into the choice
   (status ACTIONBUTTON_OK) and the result holds the full paths of the
   selected files: list itself (its members replaced) when given, else a
   new list the caller destroys.  Anything else, or no library record:
   null, list untouched. */
ZVLIB_API StringList *zvlibDialog_selectFiles(zvlibRememberedChoice *choice, StringList *list, const char *title,
                                             const char *filter, const char *directory);
/* Dialog 20018.  The directory is the remembered one when the choice holds
   one (its filter too, when not empty); else the value of the
   configuration variable directoryOrCfgVar names, up to its first ';';
   else directoryOrCfgVar itself when that directory exists; else "c:\".
   OK: a new list of the files found and kept (the caller destroys it),
   the directory and filter go into the choice with status
   ACTIONBUTTON_OK.  Anything else: null. */
ZVLIB_API StringList *zvlibDialog_searchFiles(zvlibRememberedChoice *choice, const char *title, const char *filter,
                                             const char *directoryOrCfgVar);
/* Dialog 20021 over the list fill makes (descriptor "PP").  The list box
   shows 12 rows (24 with a label, which heads the column), columnWidth
   characters wide (0: as defined); listInfo, when not null, is its
   attribute word.  OK with a row: its text goes into textOut (cut to
   capacity - 1; nothing written for a capacity below 1) and the row is the
   result.  -1 when fill makes no list, on Cancel or without a row.  The
   list is destroyed in every case. */
ZVLIB_API int zvlibDialog_selectFromStringListSingle(char *textOut, int capacity, ZvlibFillSingleFunc fill,
                                                     void *userArg, const char *title, const char *label,
                                                     int columnWidth, const unsigned *listInfo);
/* Dialog 20022 over the list fill makes (descriptor "PPI").  OK with at
   least one row: a new list of the selected members, text and info fields,
   in row order (the caller destroys it); else null.  The filled list is
   destroyed. */
ZVLIB_API StringList *zvlibDialog_selectFromStringListMulti(ZvlibFillMultiFunc fill, void *userArg, int infoFields,
                                                           const char *title, const char *label);

/* Enable (state non-zero) or disable, show or hide the first item of that
   type and id; a missing dialog or item: nothing. */
ZVLIB_API void zvlibDialog_itemEnableByTypeAndId(MSDialog *db, int itemType, int itemId, int state);
ZVLIB_API void zvlibDialog_itemShowByTypeAndId(MSDialog *db, int itemType, int itemId, int show);
/* Refills option button optionButtonId of db with members first,
   first + step, ... of list; entry k has the value k * step and the mask.
   With resize the button is widened to its entries.  The button is
   synchronised and drawn.  Returns 0; ZVLIB_FAILURE (button untouched)
   for a missing dialog or button, an empty list, a step below 1 or a first
   member outside the list. */
ZVLIB_API int zvlibDialog_optionButtonInsertFromStringlist(StringList *list, int step, int first, MSDialog *db,
                                                           int optionButtonId, unsigned long mask, int resize);

/* Inserts pull-down menu menuId of the calling application's resources
   into the command window's menu bar before the host's menu
   MENUID_HostHelp (a menu this function inserted earlier is removed
   first).  Returns the menu, also through menuOut when not null; null
   when it cannot be loaded or there is no library record. */
ZVLIB_API PulldownMenu *zvlibDialog_insertPdm(PulldownMenu **menuOut, int menuId);
/* Removes the menu zvlibDialog_insertPdm inserted; nothing when none. */
ZVLIB_API void zvlibDialog_deletePdm(void);

/* Publishes the dialogs' hooks in the current application (start-up). */
ZVLIB_API void zvlibDialog_publishHooks(void);

#ifdef __cplusplus
}
#endif

#endif

/* Headless dialog manager.

   Dialogs, their items and hooks, string lists and list models, published
   variables that items bind to through access strings, menu bars and
   pull-down menus, alerts, file dialogs and completion bars.  Nothing is
   shown: what a window would show is kept in the objects (labels, states,
   display texts) and drawing calls are recorded, so tests and batch runs
   see what a user would.  Modal dialogs are answered from a script queue;
   with no answer queued a modal dialog takes its default button and the
   host logs that on the text window, so an unattended run never waits.

   ---- Dialog source form (in an application's resource file) -------------
       DialogBox 20011 "Title" {
           Title "Title"                # instead of the argument above
           Size 300 120                 # content width and height, pixels
           Hook 20035                   # dialog hook id (published table)
           Font 2                       # dialog font (2 unless given)
           Attributes 0                 # free attribute word
           Item PushButton -3 "OK" { Extent 20 80 60 20 ; Default }
           Item Text 20004 {
               Access "zgdP->scale"     # published variable and field path
               Format "%.3f"            # number format of a text item
               Hook 20034
           }
           Item ToggleButton 12 "Flag" { Access "sbgd.flags" ; Mask 4 }
           Item OptionButton 15 { Access "sbgd.mode" ; Entry "A" 0 ; Entry "B" 1 }
           Item ListBox 20000 { Columns 2 ; Multi }
           Item MenuBar 1 { Menu 1 ; Menu 2 }   # PulldownMenu resources
       }
       PulldownMenu 1 "Fil" {
           Hook 30                      # hook of the whole menu (optional)
           Access "sbgd.choice"         # value of the chosen entry goes here
           Entry 101 "Open" { Hook 31 ; Value 1 ; Mark 1 ; Disabled ; Keyin "zera vis" }
       }
       DialogItem 101 ToggleButton 113 "Keep links" { Hook 120 }  # itemLoad

   An Item line is `Item TYPE ID ["label"]` with optional `{ ... }`.  TYPE
   is one of PushButton, ToggleButton, Text, Label, OptionButton, ListBox,
   ComboBox, Generic, GroupBox, MenuBar (case ignored), or a type code in
   single quotes ('iCmX') for a generic item of that type.  Item keywords:
   Label "t", Access "expr", Format "fmt", Hook n, Extent x y w h, Disabled,
   Hidden, Mask n, Attributes n, UserValue n, Balloon "t", Columns n,
   Multi, Entry "label" value [mask] [iconId], Action n (push button that
   closes the dialog with action n), Default, MaxLength n, Menu id.
   Items are identified by (type, id); ids repeat across types.  Their index
   is their position in the definition, from 0.  The host's OK and Cancel
   push buttons (ids -3 and -4) close the dialog with actions 3 and 4.
   A definition with an unknown keyword, type or a missing number is
   refused as a whole (the text window names the file and line).

   Items without an extent are stacked: x 10, y 10 + 20 * index, width 100,
   height 16.

   ---- Access strings -------------------------------------------------------
   name ( "." field | "->" field | "[" index "]" )*, where name is a
   published variable.  A pointer variable is followed by "." or "->"
   alike.  Fields and their types come from mdlhost_defineStruct.  The
   pointer variable is read every time, so switching what it points to takes
   effect at once; a null pointer or an index outside the array makes the
   item show "" and refuse values.  Names are looked up in the symbol sets
   of the dialog's owner first, then in those of the other applications.

   ---- Fonts (fixed metrics) ------------------------------------------------
   Font 2 (dialog font): height 12, every character 6 pixels wide.
   Font 4 (fixed list font): height 14, every character 8 pixels wide.
   Every other font number measures as font 2. */
#ifndef MDLHOST_DLG_H
#define MDLHOST_DLG_H

#include <stddef.h>

#include "base/mdlbase.h"
#include "base/host_export.h"
#include "rsc/mdlrsc.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ===== scripted file dialogs and alert boxes ============================ */

/* File-create dialog.  Offers defaultDir + defaultName; on confirmation
   copies the chosen name into fileName (MDLHOST_MAXFILELENGTH) and returns
   0; on cancel returns 1 and leaves fileName unchanged.  Answers come from
   the script queue; with an empty queue the default is accepted.  The
   default joins directory and name with a separator when the directory
   lacks one.  An empty or too long name is not confirmed (returns 1). */
MDLHOST_API int mdlDialog_fileCreate(char *fileName, void *fileInfo, int defFileId, const char *defaultName,
                                     const char *filterString, const char *defaultDirectory, const char *titleString);
/* File-open dialog, same rules (the file need not exist). */
MDLHOST_API int mdlDialog_fileOpen(char *fileName, void *fileInfo, int defFileId, const char *defaultName,
                                   const char *filterString, const char *defaultDirectory, const char *titleString);

/* Queues one answer for the next file dialog: "" accepts the default, null
   cancels, any other text is the chosen name. */
MDLHOST_API void mdlhost_scriptFileDialog(const char *answer);
/* The last offered default (directory + name) and title, for tests. */
MDLHOST_API const char *mdlhost_lastFileDialogDefault(void);
MDLHOST_API const char *mdlhost_lastFileDialogTitle(void);

/* Alert box: shows text with up to two buttons and returns the button
   pressed (1 first, 2 second).  Answers come from the alert script; with an
   empty queue the first button is pressed, and so it is when the script
   asks for a second button the box does not have. */
MDLHOST_API int mdlhost_alert(int messageType, const char *text, const char *button1, const char *button2);
/* Queues the button (1 or 2; other values are ignored) for the next alert. */
MDLHOST_API void mdlhost_scriptAlert(int button);
MDLHOST_API const char *mdlhost_lastAlertText(void);
/* The platform's alert with one OK button (answered like mdlhost_alert);
   returns ACTIONBUTTON_OK. */
MDLHOST_API int mdlDialog_openAlert(const char *text);

/* Forgets every queued answer: file dialogs, alerts, modal dialogs and file
   lists. */
MDLHOST_API void mdlhost_clearDialogScripts(void);

/* ===== constants ========================================================== */

#define MDLHOST_FOURCC(a, b, c, d)                                                                           \
    ((int)(((unsigned)(unsigned char)(a) << 24) | ((unsigned)(unsigned char)(b) << 16) |                    \
           ((unsigned)(unsigned char)(c) << 8) | (unsigned)(unsigned char)(d)))

/* Resource and item types; the value of the multi-character constant. */
#define RTYPE_DialogBox MDLHOST_FOURCC('d', 'B', 'o', 'x')
#define RTYPE_PushButton MDLHOST_FOURCC('p', 'B', 'u', 't')
#define RTYPE_ToggleButton MDLHOST_FOURCC('t', 'o', 'g', 'b')
#define RTYPE_Text MDLHOST_FOURCC('t', 'e', 'x', 't')
#define RTYPE_Label MDLHOST_FOURCC('l', 'a', 'b', 'l')
#define RTYPE_OptionButton MDLHOST_FOURCC('o', 'p', 't', 'n')
#define RTYPE_ListBox MDLHOST_FOURCC('l', 'B', 'o', 'x')
#define RTYPE_ComboBox MDLHOST_FOURCC('c', 'b', 'o', 'x')
#define RTYPE_Generic MDLHOST_FOURCC('g', 'n', 'r', 'c')
#define RTYPE_GroupBox MDLHOST_FOURCC('g', 'r', 'p', 'b')
#define RTYPE_MenuBar MDLHOST_FOURCC('m', 'b', 'a', 'r')
#define RTYPE_PulldownMenu MDLHOST_FOURCC('p', 'd', 'M', 'n')
#define RTYPE_Icon MDLHOST_FOURCC('I', 'c', 'o', 'n')

/* Dialog actions. */
#define ACTIONBUTTON_OK 3
#define ACTIONBUTTON_CANCEL 4

/* The host's push buttons. */
#define PUSHBUTTONID_OK (-3)
#define PUSHBUTTONID_Cancel (-4)

/* The host's combo boxes whose list models the host fills: fonts and text
   styles (see mdlhost_hostListModel). */
#define COMBOBOXID_Fonts (-6301)
#define COMBOBOXID_TextStyles (-6302)

/* The command window's last host menu; applications insert before it. */
#define MENUID_HostHelp (-522)

/* Messages to a dialog hook (DialogMessage.messageType). */
#define DIALOG_MESSAGE_CREATE 0       /* before the items are created */
#define DIALOG_MESSAGE_INIT 1         /* after every item was created */
#define DIALOG_MESSAGE_DESTROY 2      /* after every item was destroyed */
#define DIALOG_MESSAGE_UPDATE 3       /* the whole dialog was redrawn */
#define DIALOG_MESSAGE_RESIZE 4       /* only with DIALOG_INTEREST_RESIZE */
#define DIALOG_MESSAGE_BUTTON 5       /* a button event anywhere in the dialog */
#define DIALOG_MESSAGE_ACTIONBUTTON 6 /* a push button closes the dialog */
#define DIALOG_MESSAGE_USER 8         /* mdlDialog_sendUserMsg */
#define DIALOG_MESSAGE_POPUP 25       /* popup menu request */

/* Bits of DialogMessage.u.create.interests. */
#define DIALOG_INTEREST_RESIZE 0x40

/* Messages to an item hook (DialogItemMessage.messageType). */
#define DITEM_MESSAGE_CREATE 50
#define DITEM_MESSAGE_DESTROY 51
#define DITEM_MESSAGE_DRAW 53
#define DITEM_MESSAGE_BUTTON 54       /* u.button; buttonTrans 1 acts */
#define DITEM_MESSAGE_FOCUSIN 55
#define DITEM_MESSAGE_INIT 56         /* every item, after the dialog's INIT */
#define DITEM_MESSAGE_FOCUSOUT 57
#define DITEM_MESSAGE_ACTIVATE 58     /* a menu choice (u.menu) */
#define DITEM_MESSAGE_KEYSTROKE 59    /* u.keystroke */
#define DITEM_MESSAGE_GETSTATE 61     /* before the item shows its bound value */
#define DITEM_MESSAGE_TEXTFORMAT 66   /* a text item is about to format its value */
#define DITEM_MESSAGE_SETSTATE 69     /* before a value the user gave is stored */
#define DITEM_MESSAGE_STATECHANGED 71 /* u.stateChanged.reallyChanged */
#define DITEM_MESSAGE_USER 72         /* mdlDialog_itemSendUserMsg; u.user */
#define DITEM_MESSAGE_SYNCHRONIZE 73

/* DITEM_MESSAGE_BUTTON / DIALOG_MESSAGE_BUTTON transitions. */
#define BUTTONTRANS_UP 1   /* released over the item: the click that acts */
#define BUTTONTRANS_DOWN 2

/* Value formats of mdlDialog_itemGetValue / itemSetValue. */
#define FMT_NONE 0
#define FMT_LONG 1
#define FMT_DOUBLE 2
#define FMT_STRING 3

/* ===== records handed to hooks =========================================== */

typedef struct MSDialog MSDialog;     /* an open dialog */
typedef struct DialogItem DialogItem; /* an item of an open dialog */
typedef struct ListModel ListModel;
typedef struct MenuBar MenuBar;
typedef struct PulldownMenu PulldownMenu;
typedef struct PulldownMenuItem PulldownMenuItem;

typedef struct DlgPoint {
    int x, y;
} DlgPoint;
/* Pixels; corner is exclusive: width = corner.x - origin.x. */
typedef struct BSIRect {
    DlgPoint origin;
    DlgPoint corner;
} BSIRect;

typedef struct DialogMessage {
    int messageType;   /* DIALOG_MESSAGE_* */
    int msgUnderstood; /* the hook sets 1 for a message it handled */
    MSDialog *db;
    int dialogId;
    union {
        struct {
            unsigned interests;        /* DIALOG_INTEREST_*; the hook may set bits */
            unsigned createAttributes; /* the hook may set bits; kept, no effect */
        } create;
        struct {
            int actionType; /* the action the dialog closes with */
        } destroy;
        struct {
            BSIRect oldContent, newContent;
        } resize;
        struct {
            int buttonTrans; /* BUTTONTRANS_* */
            int clicks;      /* 2 for a double click */
            int itemIndex;   /* item under the pointer, -1 none */
            DlgPoint pt;
        } button;
        struct {
            int actionType;  /* the closing action */
            int abortAction; /* the hook sets 1 to keep the dialog open */
        } actionButton;
        struct {
            int type, event; /* as the script gave them */
            int itemIndex;
            DlgPoint pt;
        } popup;
        struct {
            long value;
        } user;
    } u;
} DialogMessage;

typedef struct DialogItemMessage {
    int messageType;   /* DITEM_MESSAGE_* */
    int msgUnderstood; /* the hook sets 1 for a message it handled */
    MSDialog *db;
    int dialogId;
    int itemIndex;
    DialogItem *dialogItemP;
    union {
        struct {
            int buttonTrans; /* BUTTONTRANS_* */
            int clicks;      /* 2 for a double click */
            int row, col;    /* list box cell, -1 elsewhere */
        } button;
        struct {
            int keystroke;        /* key code, 32 for the space bar */
            unsigned qualifierMask;
        } keystroke;
        struct {
            int reallyChanged; /* 1 when the value differs from before */
        } stateChanged;
        struct {
            long value;
        } user;
        struct {
            int menuId, itemId; /* the chosen pull-down entry */
            long value;         /* its Value */
        } menu;
    } u;
} DialogItemMessage;

typedef void (*DialogHookFunc)(DialogMessage *);
typedef void (*DialogItemHookFunc)(DialogItemMessage *);

/* ===== hooks ============================================================= */

typedef struct DialogHookInfo {
    int hookId;
    MdlFunctionP hookFunc; /* DialogHookFunc or DialogItemHookFunc */
} DialogHookInfo;

/* Adds the hooks to the current application's table (an id published again
   is replaced).  A dialog of application X resolves its hook ids in X's
   table and runs every hook with X current.  Returns 0; -1 for a bad
   argument (nothing is published then). */
MDLHOST_API int mdlDialog_hookPublish(int nHooks, const DialogHookInfo *hooks);
/* The function published under hookId by desc (null: the current
   application), or null. */
MDLHOST_API MdlFunctionP mdlhost_findHook(MdlDesc *desc, int hookId);

/* ===== published variables =============================================== */

typedef struct SymbolSet SymbolSet;

/* Field types of MdlhostField. */
#define MDLHOST_FIELD_INT 1     /* signed, size 1, 2, 4 or 8 */
#define MDLHOST_FIELD_UINT 2    /* unsigned, size 1, 2, 4 or 8 */
#define MDLHOST_FIELD_DOUBLE 3  /* size 4 (float) or 8 */
#define MDLHOST_FIELD_TEXT 4    /* char array of size bytes, terminated */
#define MDLHOST_FIELD_STRUCT 5  /* nested struct structName of size bytes */
#define MDLHOST_FIELD_POINTER 6 /* pointer to a structName record */

typedef struct MdlhostField {
    const char *name;
    size_t offset;
    int type;               /* MDLHOST_FIELD_* */
    size_t size;            /* bytes of one element */
    int count;              /* elements of an array; 0 or 1: not an array */
    const char *structName; /* STRUCT and POINTER */
} MdlhostField;

#define MDLHOST_FIELD_OF(S, member, type)                                                                    \
    { #member, offsetof(S, member), type, sizeof(((S *)0)->member), 1, NULL }
#define MDLHOST_ARRAY_OF(S, member, type)                                                                    \
    { #member, offsetof(S, member), type, sizeof(((S *)0)->member[0]),                                       \
      (int)(sizeof(((S *)0)->member) / sizeof(((S *)0)->member[0])), NULL }
#define MDLHOST_STRUCT_OF(S, member, structName)                                                             \
    { #member, offsetof(S, member), MDLHOST_FIELD_STRUCT, sizeof(((S *)0)->member), 1, structName }
#define MDLHOST_STRUCTARRAY_OF(S, member, structName)                                                        \
    { #member, offsetof(S, member), MDLHOST_FIELD_STRUCT, sizeof(((S *)0)->member[0]),                       \
      (int)(sizeof(((S *)0)->member) / sizeof(((S *)0)->member[0])), structName }

/* A symbol set of the current application (visibility and the other
   arguments are kept for the platform's signature).  Null on a bad
   argument.  The set lives until freed or its application unregisters. */
MDLHOST_API SymbolSet *mdlCExpression_initializeSet(int visibility, int contextSize, int global);
MDLHOST_API void mdlCExpression_freeSet(SymbolSet *set);
/* Describes a struct type for the set's variables: its size and fields
   (copied).  A field must lie inside the struct.  Returns 0, -1 when a
   field is malformed (nothing is defined then). */
MDLHOST_API int mdlhost_defineStruct(SymbolSet *set, const char *structName, size_t size,
                                     const MdlhostField *fields, int nFields);
/* Publishes accessName as a pointer variable (at pointerAddress) to a
   structName record.  Returns 0, -1 on a bad argument.  The struct may be
   described before or after publishing. */
MDLHOST_API int mdlDialog_publishComplexPtr(SymbolSet *set, const char *structName, const char *accessName,
                                            void *pointerAddress);
/* Publishes accessName as a structName record at address. */
MDLHOST_API int mdlDialog_publishComplexVariable(SymbolSet *set, const char *structName, const char *accessName,
                                                 void *address);
/* Publishes accessName as one value of fieldType (MDLHOST_FIELD_INT, UINT,
   DOUBLE or TEXT) of size bytes at address. */
MDLHOST_API int mdlDialog_publishBasicVariable(SymbolSet *set, int fieldType, size_t size, const char *accessName,
                                               void *address);
/* Reads the value an access string names, as the current application sees
   it, formatted as a text item without a format would show it.  Returns 0,
   -1 when it does not resolve (out is then ""). */
MDLHOST_API int mdlhost_accessGetText(char *out, size_t outSize, const char *access);
/* Stores text (parsed for the field's type) in the named field.  Returns 0;
   -1 when it does not resolve or the text is not a value of the type (the
   field is then unchanged); text longer than a text field is cut. */
MDLHOST_API int mdlhost_accessSetText(const char *access, const char *text);

/* ===== string lists ======================================================
   The lists are the resource layer's (rsc/mdlrsc.h).  A list box with N
   columns shows member r * N + c in row r, column c.  A list box keeps the
   caller's list: destroy a list only after the item showing it (or give the
   item another list first). */

/* Sorts rows of nColumns members by the member in column (stable).  With
   compare null the texts are compared byte-wise (unsigned).  -1 on a bad
   argument or a size that is not a multiple of nColumns. */
typedef int (*StringListCompareFunc)(const char *textA, const long *infoA, const char *textB, const long *infoB);
MDLHOST_API int mdlStringList_sortByColumn(StringList *list, int nColumns, int column,
                                           StringListCompareFunc compare);
/* The first row from startRow whose member in column equals text exactly;
   -1 when none. */
MDLHOST_API long mdlStringList_search(StringList *list, const char *text, int nColumns, int column, long startRow);

/* ===== list models =======================================================
   Rows of cells; each cell has a display text, a long value and
   MDLHOST_LISTCELL_INFOFIELDS long info fields.  Destroying a model that
   an item shows empties the item. */
#define MDLHOST_LISTMODEL_MAXROWS 100000
#define MDLHOST_LISTMODEL_MAXCOLUMNS 64
#define MDLHOST_LISTCELL_INFOFIELDS 4

/* Null when numColumns is not 1..MDLHOST_LISTMODEL_MAXCOLUMNS. */
MDLHOST_API ListModel *mdlListModel_create(int numColumns);
MDLHOST_API void mdlListModel_destroy(ListModel *model);
MDLHOST_API int mdlListModel_getColumnCount(const ListModel *model);
MDLHOST_API int mdlListModel_getRowCount(const ListModel *model);
/* Inserts an empty row before index (-1 or the row count: at the end);
   returns its index, -1 on a bad index. */
MDLHOST_API int mdlListModel_insertRow(ListModel *model, int index);
MDLHOST_API int mdlListModel_removeRow(ListModel *model, int index);
MDLHOST_API int mdlListModel_empty(ListModel *model);
MDLHOST_API int mdlListModel_setCellText(ListModel *model, int row, int col, const char *text);
/* The cell's display text, or null outside the model. */
MDLHOST_API const char *mdlListModel_getCellText(const ListModel *model, int row, int col);
MDLHOST_API int mdlListModel_setCellValue(ListModel *model, int row, int col, long value);
MDLHOST_API int mdlListModel_getCellValue(const ListModel *model, int row, int col, long *value);
MDLHOST_API int mdlListModel_setCellInfo(ListModel *model, int row, int col, int field, long value);
MDLHOST_API int mdlListModel_getCellInfo(const ListModel *model, int row, int col, int field, long *value);
/* The first row from startRow whose cell in col shows text exactly; -1. */
MDLHOST_API int mdlListModel_search(const ListModel *model, const char *text, int col, int startRow);
/* The host-owned models behind COMBOBOXID_Fonts (rows "<number> <name>",
   value = font number) and COMBOBOXID_TextStyles (two host rows "(none)"
   and "(style of the model)" with values -1 and 0, then the rows of the
   filler).  Each call refills a model that has a filler, so a dialog that
   opens sees the active design's fonts and styles.  Null for any other id. */
MDLHOST_API ListModel *mdlhost_hostListModel(int comboBoxId);
/* A floor above that knows the design files appends its rows (fonts
   replace the fixed rows; text styles follow the two host rows).  null
   removes the filler.  Ignored for any other id. */
typedef void (*MdlhostListFiller)(ListModel *model);
MDLHOST_API void mdlhost_setHostListFiller(int comboBoxId, MdlhostListFiller fill);

/* ===== dialogs =========================================================== */

/* Opens the dialog definition dialogId of the current application's
   resource files (rscFile is kept for the platform's signature), owned by
   the current application, modeless.  Returns the dialog, or null when the
   definition is missing or refused (the text window says why). */
MDLHOST_API MSDialog *mdlDialog_open(RscFileHandle rscFile, int dialogId);
/* Opens it modal and answers it from the script queue; *lastAction gets the
   closing action (3 OK, 4 Cancel).  Returns 0; -1 when it cannot open
   (*lastAction is then ACTIONBUTTON_CANCEL). */
MDLHOST_API int mdlDialog_openModal(int *lastAction, RscFileHandle rscFile, int dialogId);
/* An empty modeless dialog with no definition, owned by the current
   application (null outside any: a host dialog such as the tool settings). */
MDLHOST_API MSDialog *mdlhost_createDialog(int dialogId, const char *title, int width, int height);
/* Adds the item definition DialogItem resourceId of the current
   application's resource files to db at (x, y); its hooks resolve in the
   current application's table.  Returns the new item's index, -1 when the
   definition is missing or refused. */
MDLHOST_API int mdlDialog_itemLoad(MSDialog *db, long resourceId, int x, int y);

/* The open dialog of that type (RTYPE_DialogBox) and id owned by owner
   (null: any owner, newest first), or null. */
MDLHOST_API MSDialog *mdlDialog_findByTypeAndId(int type, int dialogId, MdlDesc *owner);
MDLHOST_API int mdlDialog_getId(const MSDialog *db);
MDLHOST_API MdlDesc *mdlDialog_getOwner(const MSDialog *db);
/* 1 when db is an open dialog (tests, defensive callers). */
MDLHOST_API int mdlhost_dialogIsOpen(const MSDialog *db);
MDLHOST_API int mdlhost_openDialogCount(void);

/* Closes db with action (items get DESTROY, then the dialog).  A dialog
   closed from inside one of its own hooks stays readable until that hook
   returns.  Returns 0, -1 when db is not open. */
MDLHOST_API int mdlDialog_closeWithAction(MSDialog *db, int action);
/* Closes db with ACTIONBUTTON_CANCEL. */
MDLHOST_API int mdlWindow_close(MSDialog *db);
/* Closes every open dialog with that id once the event being handled ends
   (at once when none is).  Returns 0. */
MDLHOST_API int mdlDialog_closeCommandQueue(int dialogId);
/* Runs the queued closes now; the host loop calls it between keyins. */
MDLHOST_API void mdlhost_processDialogQueue(void);

MDLHOST_API int mdlWindow_sink(MSDialog *db);
MDLHOST_API int mdlWindow_float(MSDialog *db);
/* 1 when the window is sunk behind the others. */
MDLHOST_API int mdlhost_windowIsSunk(const MSDialog *db);
MDLHOST_API int mdlWindow_titleSet(MSDialog *db, const char *title);
MDLHOST_API const char *mdlWindow_titleGet(const MSDialog *db);
/* Content size; a change sends DIALOG_MESSAGE_RESIZE when the hook asked
   for it. */
MDLHOST_API int mdlWindow_extentSet(MSDialog *db, int width, int height);
MDLHOST_API int mdlWindow_contentRectGet(BSIRect *rect, const MSDialog *db);
MDLHOST_API int mdlWindow_fontSet(MSDialog *db, int font);
MDLHOST_API int mdlWindow_fontGet(const MSDialog *db);
MDLHOST_API int mdlWindow_cursorTurnOff(MSDialog *db);

/* Font metrics (see the top of this header). */
MDLHOST_API int mdlDialog_fontGetHeight(int font);
MDLHOST_API int mdlDialog_fontGetStringWidth(int font, const char *text);
/* Height of the dialog's current font (font 2 for a null dialog). */
MDLHOST_API int mdlDialog_fontGetCurHeight(const MSDialog *db);

MDLHOST_API void mdlDialog_userDataPtrSet(MSDialog *db, void *data);
MDLHOST_API void *mdlDialog_userDataPtrGet(const MSDialog *db);
/* Sends DIALOG_MESSAGE_USER with value to the dialog hook. */
MDLHOST_API int mdlDialog_sendUserMsg(MSDialog *db, long value);

/* ===== items =============================================================
   Functions taking (db, itemIndex) return -1 for a dialog that is not open
   or an index outside it; functions taking a DialogItem return -1 for an
   item of another type. */

/* The first item of that type and id at or after startIndex, or null. */
MDLHOST_API DialogItem *mdlDialog_itemGetByTypeAndId(MSDialog *db, int itemType, int itemId, int startIndex);
MDLHOST_API DialogItem *mdlDialog_itemGetByIndex(MSDialog *db, int itemIndex);
MDLHOST_API int mdlDialog_itemCount(const MSDialog *db);
MDLHOST_API int mdlDialog_itemGetType(const DialogItem *item);
MDLHOST_API int mdlDialog_itemGetId(const DialogItem *item);
MDLHOST_API int mdlDialog_itemGetIndex(const DialogItem *item);
MDLHOST_API MSDialog *mdlDialog_itemGetDialog(const DialogItem *item);

MDLHOST_API int mdlDialog_itemSetEnabledState(MSDialog *db, int itemIndex, int enabled, int redraw);
/* 1 enabled, 0 disabled, -1 no such item. */
MDLHOST_API int mdlDialog_itemGetEnabledState(MSDialog *db, int itemIndex);
MDLHOST_API int mdlDialog_itemShow(MSDialog *db, int itemIndex);
MDLHOST_API int mdlDialog_itemHide(MSDialog *db, int itemIndex);
/* 1 shown, 0 hidden, -1 no such item. */
MDLHOST_API int mdlDialog_itemIsVisible(MSDialog *db, int itemIndex);
MDLHOST_API int mdlDialog_itemSetLabel(MSDialog *db, int itemIndex, const char *label);
/* Copies the label, cut to outSize - 1. */
MDLHOST_API int mdlDialog_itemGetLabel(char *out, size_t outSize, MSDialog *db, int itemIndex);
MDLHOST_API int mdlDialog_itemSetBalloon(MSDialog *db, int itemIndex, const char *text);
MDLHOST_API int mdlDialog_itemGetBalloon(char *out, size_t outSize, MSDialog *db, int itemIndex);
MDLHOST_API int mdlDialog_itemGetExtent(BSIRect *rect, MSDialog *db, int itemIndex);
MDLHOST_API int mdlDialog_itemSetExtent(MSDialog *db, int itemIndex, const BSIRect *rect, int redraw);
/* Moves the item's origin, keeping its size. */
MDLHOST_API int mdlDialog_itemMove(MSDialog *db, int itemIndex, int x, int y, int redraw);
MDLHOST_API int mdlDialog_itemSetAttributes(MSDialog *db, int itemIndex, unsigned attributes);
MDLHOST_API int mdlDialog_itemGetAttributes(unsigned *attributes, MSDialog *db, int itemIndex);
MDLHOST_API int mdlDialog_itemSetUserValue(MSDialog *db, int itemIndex, long value);
MDLHOST_API int mdlDialog_itemGetUserValue(long *value, MSDialog *db, int itemIndex);
/* Gives the item the focus (FOCUSOUT to the one that had it, FOCUSIN). */
MDLHOST_API int mdlDialog_itemSetFocus(MSDialog *db, int itemIndex);
MDLHOST_API int mdlDialog_itemGetFocus(const MSDialog *db);

/* Sends SYNCHRONIZE to the item's hook and shows its bound value again. */
MDLHOST_API int mdlDialog_itemSynch(MSDialog *db, int itemIndex);
MDLHOST_API int mdlDialog_itemsSynch(MSDialog *db);
/* Records the drawing and sends DRAW to the item's hook. */
MDLHOST_API int mdlDialog_itemDraw(MSDialog *db, int itemIndex);
MDLHOST_API int mdlDialog_itemsDraw(MSDialog *db);
/* Sends DITEM_MESSAGE_USER with value to the item's hook. */
MDLHOST_API int mdlDialog_itemSendUserMsg(MSDialog *db, int itemIndex, long value);

/* The item's value: toggles and option buttons FMT_LONG, text and combo
   boxes by their bound field (FMT_LONG, FMT_DOUBLE or FMT_STRING), others
   FMT_NONE.  text gets what the item shows (cut to textSize - 1); any out
   pointer may be null. */
typedef union ValueUnion {
    long sLongFormat;
    double doubleFormat;
} ValueUnion;
MDLHOST_API int mdlDialog_itemGetValue(int *valueFormat, ValueUnion *value, char *text, size_t textSize,
                                       MSDialog *db, int itemIndex);
/* Sets the value as a program does (no hook hears of it): FMT_STRING takes
   text as a user would type it, FMT_LONG / FMT_DOUBLE take value.  Returns
   0; -1 when the item has no value or the text is not a value of its
   type. */
MDLHOST_API int mdlDialog_itemSetValue(int valueFormat, const ValueUnion *value, const char *text, MSDialog *db,
                                       int itemIndex);

/* Text items: attribute word (free use, e.g. 4 read-only) and number
   format (one conversion; one that does not fit the bound type falls back
   to the type's default: "%ld", "%g" or "%s"). */
MDLHOST_API int mdlDialog_textSetInfo(DialogItem *item, unsigned attributes);
MDLHOST_API int mdlDialog_textGetInfo(unsigned *attributes, DialogItem *item);
MDLHOST_API int mdlDialog_textSetFormat(DialogItem *item, const char *format);
MDLHOST_API int mdlDialog_textGetFormat(char *out, size_t outSize, DialogItem *item);

/* List boxes.  The list or model stays the caller's: destroying a model
   empties the list box, a string list must not be destroyed while shown. */
MDLHOST_API int mdlDialog_listBoxSetStrListP(DialogItem *item, StringList *list, int nColumns);
MDLHOST_API StringList *mdlDialog_listBoxGetStrListP(DialogItem *item);
MDLHOST_API int mdlDialog_listBoxSetListModelP(DialogItem *item, ListModel *model);
MDLHOST_API ListModel *mdlDialog_listBoxGetListModelP(DialogItem *item);
MDLHOST_API int mdlDialog_listBoxNRows(DialogItem *item);
MDLHOST_API int mdlDialog_listBoxNColumns(DialogItem *item);
/* Text of a cell as shown, or null. */
MDLHOST_API const char *mdlhost_listBoxCellText(DialogItem *item, int row, int col);
/* The first selected row after *row (start with -1): *found 1 and *row;
   *found 0 when none is left.  *col gets 0. */
MDLHOST_API int mdlDialog_listBoxGetNextSelection(int *found, int *row, int *col, DialogItem *item);
/* First and last selected row, both -1 when none is selected. */
MDLHOST_API int mdlDialog_listBoxGetSelectRange(int *firstRow, int *lastRow, DialogItem *item);
/* Selects (select 1) or deselects rows first..last; a list box without
   Multi keeps only the last row selected. */
MDLHOST_API int mdlDialog_listBoxSelectRows(DialogItem *item, int firstRow, int lastRow, int select);
MDLHOST_API int mdlDialog_listBoxClearSelection(DialogItem *item);
/* 1 selected, 0 not, -1 no such row. */
MDLHOST_API int mdlDialog_listBoxRowIsSelected(DialogItem *item, int row);
MDLHOST_API int mdlDialog_listBoxSetTopRow(DialogItem *item, int row);
MDLHOST_API int mdlDialog_listBoxGetTopRow(DialogItem *item);
/* Records the redraw of rows first..last (-1, -1: all). */
MDLHOST_API int mdlDialog_listBoxDrawContents(DialogItem *item, int firstRow, int lastRow);
MDLHOST_API int mdlDialog_listBoxSetInfo(DialogItem *item, unsigned attributes);
MDLHOST_API int mdlDialog_listBoxGetInfo(unsigned *attributes, DialogItem *item);
MDLHOST_API int mdlDialog_listBoxSetColumnHeading(DialogItem *item, int col, const char *heading);

/* Option buttons: entries of label (or icon), value and mask.  Choosing an
   entry stores (field & ~mask) | value, or value when mask is 0. */
MDLHOST_API int mdlDialog_optionButtonDeleteAll(DialogItem *item);
/* Inserts before index (-1: at the end); returns the entry's index. */
MDLHOST_API int mdlDialog_optionButtonInsertItem(DialogItem *item, const char *label, long iconId, long value,
                                                 unsigned long mask, int index);
MDLHOST_API int mdlDialog_optionButtonSetEnabled(DialogItem *item, int entryIndex, int enabled);
MDLHOST_API int mdlDialog_optionButtonGetCount(DialogItem *item);
MDLHOST_API int mdlDialog_optionButtonGetEntry(char *label, size_t labelSize, long *value, int *enabled,
                                               DialogItem *item, int entryIndex);
/* Widens the item to its widest entry in the dialog font (+ 30 pixels). */
MDLHOST_API int mdlDialog_optionButtonSetExtent(DialogItem *item, int redraw);

/* Combo boxes: a list of choices (model or string list, column 0 is what a
   choice puts into the bound field). */
MDLHOST_API int mdlDialog_comboBoxSetListModelP(DialogItem *item, ListModel *model);
MDLHOST_API ListModel *mdlDialog_comboBoxGetListModelP(DialogItem *item);
MDLHOST_API int mdlDialog_comboBoxSetStrListP(DialogItem *item, StringList *list, int nColumns);

/* ===== menus ============================================================= */

/* The command window's menu bar: host menus -510 "File", -511 "Edit",
   -512 "Element", -513 "Settings", -514 "Tools", -515 "Utilities",
   -516 "Workspace", -522 "Help", in that order. */
MDLHOST_API MenuBar *mdlDialog_menuBarGetCmdWinP(void);
/* The first menu bar item of db, or null. */
MDLHOST_API MenuBar *mdlDialog_menuBarFind(MSDialog *db);
/* The menu of that type (RTYPE_PulldownMenu) and id in the bar, the
   current application's first, or null. */
MDLHOST_API PulldownMenu *mdlDialog_menuBarFindMenu(MenuBar *bar, int menuType, int menuId);
/* Loads PulldownMenu menuId of the current application's resources and
   inserts it before `before` (null or not in the bar: at the end).  The
   menu's hooks run in the current application.  Returns 0, -1 when the
   definition is missing or refused. */
MDLHOST_API int mdlDialog_menuBarInsMenu(MenuBar *bar, int menuType, int menuId, RscFileHandle rscFile,
                                         PulldownMenu *before);
/* Removes the menu of that type and id (the current application's first).
   Returns 0, -1 when the bar has none. */
MDLHOST_API int mdlDialog_menuBarDeleteMenu(MenuBar *bar, int menuType, int menuId);
MDLHOST_API int mdlhost_menuBarCount(MenuBar *bar);
/* Id of the menu at position i (0 first), 0 outside; *owner gets its
   application when owner is not null. */
MDLHOST_API int mdlhost_menuBarMenuId(MenuBar *bar, int i, MdlDesc **owner);
MDLHOST_API const char *mdlhost_menuTitle(const PulldownMenu *menu);
/* The entry itemId of menu menuId in the bar, or null. */
MDLHOST_API PulldownMenuItem *mdlDialog_menuBarFindItem(MenuBar *bar, int menuType, int menuId, int itemId);
/* Mark of an entry: 0 none, 1 unchecked, 2 checked. */
MDLHOST_API int mdlDialog_textPDMItemSetMark(PulldownMenuItem *item, int mark);
MDLHOST_API int mdlDialog_textPDMItemGetMark(const PulldownMenuItem *item);
MDLHOST_API int mdlDialog_textPDMItemSetEnabled(PulldownMenuItem *item, int enabled);
/* The value of the entry last chosen in the menu (its Value), or 0. */
MDLHOST_API long mdlDialog_pulldownMenuGetValue(const PulldownMenu *menu);
/* Chooses entry itemId of menu menuId as a user would: the menu's value
   (and its Access field) become the entry's value, the entry's Keyin is
   queued (mdlInput_sendKeyin), then the entry's hook and the menu's hook
   get ACTIVATE with the menu's owner current.  Returns 0, -1 when there is
   no such enabled entry. */
MDLHOST_API int mdlhost_menuChoose(MenuBar *bar, int menuId, int itemId);

/* ===== drawing =========================================================== 
   Nothing is drawn; each call appends one line to the draw log:
     icon <rscType> <id> <x> <y> colour <c>
     text <x> <y> colour <c> "<text>"
     bevel <x1> <y1> <x2> <y2> <raised>
     fill <x1> <y1> <x2> <y2> colour <c>
     line <x1> <y1> <x2> <y2> colour <c>
     rgb <rscType> <id> <x1> <y1> <x2> <y2> transparent <r>,<g>,<b>
     item <dialogId> <itemType> <itemId>          (mdlDialog_itemDraw)
     rows <dialogId> <itemId> <first> <last>      (listBoxDrawContents)
     cursor off <dialogId>
   where rscType and itemType are written as their four characters. */
MDLHOST_API int mdlDialog_rscIconDraw(MSDialog *db, int rscType, long iconId, int x, int y, int colour);
MDLHOST_API int mdlDialog_textDraw(MSDialog *db, const char *text, int x, int y, int colour);
MDLHOST_API int mdlDialog_rectDrawBeveled(MSDialog *db, const BSIRect *rect, int raised);
MDLHOST_API int mdlDialog_rectFill(MSDialog *db, const BSIRect *rect, int colour);
MDLHOST_API int mdlDialog_lineDraw(MSDialog *db, int x1, int y1, int x2, int y2, int colour);
MDLHOST_API int mdlDialog_rgbImageDraw(MSDialog *db, const BSIRect *rect, int rscType, long rscId,
                                       int transparentRed, int transparentGreen, int transparentBlue);
/* Appends a line of another host layer (element display into a window). */
MDLHOST_API void mdlhost_recordDraw(MSDialog *db, const char *line);
MDLHOST_API const char *mdlhost_drawLog(void);
MDLHOST_API void mdlhost_clearDrawLog(void);

/* ===== completion bar (recorded) ========================================= */
typedef struct CompletionBar CompletionBar;
MDLHOST_API CompletionBar *mdlDialog_completionBarOpen(const char *text);
MDLHOST_API int mdlDialog_completionBarUpdate(CompletionBar *bar, const char *text, int percent);
MDLHOST_API int mdlDialog_updateCompletionBar(CompletionBar *bar, const char *text, int percent);
MDLHOST_API void mdlDialog_completionBarClose(CompletionBar *bar);
/* The open bar's last text and percent; 0 when no bar is open. */
MDLHOST_API int mdlhost_completionBarState(const char **text, int *percent);

/* ===== scripted answers for modal dialogs ================================
   An answer is a list of steps separated by ';' or new lines:
     set TYPE ID VALUE        the user sets the item's value (toggle 0/1,
                              option button value, text as typed, combo
                              box text; a text or combo box gets the focus
                              first); quote values with blanks: "a b"
     press TYPE ID            button press: a toggle flips, a push button
                              acts (closing the dialog when it has an
                              action), other items get the button message
     select TYPE ID ROWS      list box rows "2" or "1,3" or "none"; combo
                              box and option button: row / entry index
     dclick TYPE ID ROW       double click on a list box row
     key TYPE ID CODE         keystroke
     user TYPE ID VALUE       DITEM_MESSAGE_USER
     menu MENUID ENTRYID      choose in the dialog's menu bar
     resize WIDTH HEIGHT
     popup TYPE EVENT INDEX   DIALOG_MESSAGE_POPUP
     close ACTION | ok | cancel
   TYPE as in the dialog source form.  Every hook runs in order as the
   steps run.  When the steps end with the dialog still open it takes its
   default button. */

/* Queues an answer for the next modal dialog; dialogId 0 answers any, else
   only that id (a modal of another id leaves it queued and takes its
   default).  Returns 0; -1 for malformed steps (nothing is queued; the
   text window says why). */
MDLHOST_API int mdlhost_scriptModal(int dialogId, const char *steps);
MDLHOST_API int mdlhost_modalAnswersLeft(void);
/* Runs steps on an open dialog now, as a user would.  Returns 0; -1 for
   malformed steps or a dialog that is not open. */
MDLHOST_API int mdlhost_dialogDo(MSDialog *db, const char *steps);
/* The action the last modal dialog closed with, 0 before any. */
MDLHOST_API int mdlhost_lastModalAction(void);

/* ===== file dialogs with remembered records ============================== */

/* File-open and file-create dialogs of the platform.  Answered like
   mdlDialog_fileOpen.  Returns ACTIONBUTTON_OK with the path in fileName
   (MDLHOST_MAXFILELENGTH), or ACTIONBUTTON_CANCEL with fileName unchanged.
   The remembered record of (prefHandle, dialogId) (null handle: the host's
   own preference file) gives the offered file when suggestedName is null
   or "", and on OK takes the chosen file, its "*.ext" filter (the caller's
   filter when it has no extension) and its directory; its histories are
   left to the caller. */
MDLHOST_API int mdlDialog_defFileOpen(char *fileName, void *fileInfo, int dialogId, RscFileHandle prefHandle,
                                      const char *suggestedName, const char *filterString,
                                      const char *defaultDirectory, const char *titleString);
MDLHOST_API int mdlDialog_defFileCreate(char *fileName, void *fileInfo, int dialogId, RscFileHandle prefHandle,
                                        const char *suggestedName, const char *filterString,
                                        const char *defaultDirectory, const char *titleString);
/* The host's user-preference-file dialog: a file-open dialog for "*.upf".
   Same results as mdlDialog_defFileOpen. */
MDLHOST_API int mdlDialog_userPrefFileOpen(char *fileName, const char *suggestedName, const char *defaultDirectory,
                                           const char *titleString);

/* File-list editor.  attributes with bit 128 chooses directories, without
   it files.  Answered from mdlhost_scriptFileList: on OK the list (when not
   null) holds the chosen paths, one member each, and directory (when not
   null, MDLHOST_MAXFILELENGTH, in: where the editor starts) holds the
   directory the user ended in: the first chosen directory, or the
   directory of the first chosen file.  Returns ACTIONBUTTON_OK or
   ACTIONBUTTON_CANCEL (list and directory unchanged).  With no answer
   queued it takes OK with nothing changed. */
MDLHOST_API int mdlFileList_edit(StringList *fileList, char *directory, int attributes, const char *title,
                                 const char *prompt, const char *filter);
/* Queues the answer of the next file-list editor: paths separated by ';'
   ("" keeps what is there), null cancels. */
MDLHOST_API void mdlhost_scriptFileList(const char *paths);
MDLHOST_API const char *mdlhost_lastFileListTitle(void);

/* Drops every dialog (closed without its hooks: the code may be gone), hook
   table, symbol set and menu of desc; items desc loaded into other dialogs
   lose their hooks and access strings.  Registered as an unload listener
   of the application registry, so it runs when desc is unregistered. */
MDLHOST_API void mdlhost_forgetDialogs(MdlDesc *desc);

#ifdef __cplusplus
}
#endif

#endif

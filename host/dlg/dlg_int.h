// Dialog manager internals shared by the files of host/dlg.
//
// Files: mdldlg.cpp (registries, dialogs, forgetting), mdldlgfile.cpp (file
// dialogs, alerts), mdldlglist.cpp (string-list helpers, list models),
// mdldlgvar.cpp (variables, access strings, hooks), mdldlgdef.cpp
// (definitions), mdldlgitem.cpp (items), mdldlguser.cpp (user actions),
// mdldlgmenu.cpp (menus), mdldlgdraw.cpp (drawing, completion bar),
// mdldlgmodal.cpp (modal runner, scripted answers).
#ifndef MDLHOST_DLG_INT_H
#define MDLHOST_DLG_INT_H

#include "dlg/mdldlg.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/base_host.h"
#include "base/mdlbase.h"
#include "base/text_host.h"
#include "rsc/mdlrsc.h"
#include "sys/mdlsys.h"

namespace dlgint {

struct Value {
    int fmt = FMT_NONE;
    long long i = 0;
    double d = 0;
    std::string s;
};

struct FieldDef {
    std::string name;
    size_t offset = 0;
    int type = 0;
    size_t size = 0;
    int count = 1;
    std::string structName;
};

struct StructType {
    size_t size = 0;
    std::vector<FieldDef> fields;
};

enum class VarKind { Pointer, Complex, Basic };

struct Variable {
    std::string name;
    VarKind kind = VarKind::Basic;
    void *address = nullptr;
    std::string structName; // Pointer and Complex
    FieldDef basic;         // Basic
};

struct OptionEntry {
    std::string label;
    long iconId = 0;
    long value = 0;
    unsigned long mask = 0;
    bool enabled = true;
};

struct CellText {
    std::string text;
    long value = 0;
    long info[MDLHOST_LISTCELL_INFOFIELDS] = {};
};

constexpr int kDialogFont = 2;
constexpr int kListFont = 4;
constexpr int kMaxAccessLength = 256; // an access string is one short path
constexpr int kMaxFormatLength = 32;  // one conversion with flags, width, precision

// Where an access string leads: a scalar field at an address.
struct Place {
    char *address = nullptr;
    int type = 0;
    size_t size = 0;
};

// The parts of an access string: names and indexes.
struct AccessPart {
    bool isIndex = false;
    std::string name;
    long index = 0;
};

// One printf conversion, checked, so that a format from a resource file or
// a hook can never read an argument of the wrong type.
struct Conversion {
    std::string prefix, options, suffix; // options: flags, width, precision
    char conv = 0;
};

struct DefinitionError {
    std::string text;
};

} // namespace dlgint

// Every file of the module works inside dlgint.
using namespace dlgint;

struct SymbolSet {
    MdlDesc *owner = nullptr;
    std::vector<Variable> variables;
    std::map<std::string, StructType> types;
};

struct ListModel {
    int columns = 1;
    std::vector<std::vector<CellText>> rows;
};

struct PulldownMenuItem {
    PulldownMenu *menu = nullptr;
    int id = 0;
    std::string label;
    int hookId = 0;
    long value = 0;
    int mark = 0;
    bool enabled = true;
    std::string keyin; // queued when the entry is chosen
};

struct PulldownMenu {
    int type = RTYPE_PulldownMenu;
    int id = 0;
    MdlDesc *owner = nullptr;
    std::string title;
    int hookId = 0;
    std::string access;
    long value = 0;
    MenuBar *bar = nullptr;
    std::vector<std::unique_ptr<PulldownMenuItem>> entries;
};

struct MenuBar {
    MSDialog *db = nullptr;        // null: the command window
    DialogItem *item = nullptr;    // the menu bar item holding it
    std::vector<std::unique_ptr<PulldownMenu>> menus;
};

struct DialogItem {
    MSDialog *db = nullptr;
    MdlDesc *owner = nullptr; // whose hooks and variables the item uses
    int type = 0;
    int id = 0;
    int index = 0;
    std::string label, balloon, access, format;
    int hookId = 0;
    BSIRect rect = {};
    bool enabled = true;
    bool shown = true;
    unsigned attributes = 0;
    long userValue = 0;
    unsigned long mask = 0; // toggle: the bit(s) it stands for
    int maxLength = 0;      // text: typed characters kept, 0 any
    int action = 0;         // push button: closes with this action
    bool isDefault = false;
    unsigned typeInfo = 0;  // textSetInfo / listBoxSetInfo word
    Value local;            // the value of an item without access string
    std::string display;    // what the item shows
    // option buttons
    std::vector<OptionEntry> entries;
    // list and combo boxes
    int columns = 1;
    bool multi = false;
    StringList *strList = nullptr;
    ListModel *model = nullptr;
    std::set<int> selected;
    int topRow = 0;
    std::map<int, std::string> headings;
    // menu bars
    std::unique_ptr<MenuBar> menuBar;
};

struct MSDialog {
    int id = 0;
    MdlDesc *owner = nullptr;
    std::string title;
    int width = 0, height = 0;
    int font = 2;
    int hookId = 0;
    unsigned attributes = 0;
    unsigned interests = 0;
    unsigned createAttributes = 0;
    bool modal = false;
    bool open = true;
    bool closing = false;
    int action = 0;
    bool sunk = false;
    bool cursorOff = false;
    void *userData = nullptr;
    int focus = -1;
    std::vector<std::unique_ptr<DialogItem>> items;
};

struct CompletionBar {
    std::string text;
    int percent = 0;
};

namespace dlgint {

// mdldlg.cpp
extern std::map<MdlDesc *, std::map<int, MdlFunctionP>> hookTables;
extern std::vector<std::unique_ptr<SymbolSet>> symbolSets;
extern std::set<const ListModel *> liveModels;
extern std::vector<std::unique_ptr<MSDialog>> openDialogs;
extern std::vector<std::unique_ptr<MSDialog>> closedDialogs;
extern std::map<int, std::unique_ptr<ListModel>> hostModels;
extern std::string drawLog;
extern std::unique_ptr<CompletionBar> completionBar;
extern int lastModalAction;
extern int eventDepth;
void listenForUnloads();
bool isOpen(const MSDialog *db);
DialogItem *itemAt(MSDialog *db, int index);
bool itemValid(const DialogItem *item);
std::string fourcc(int code);
int typeFromWord(std::string_view word);
std::string typeName(int type);
MSDialog *openDefinition(int dialogId, bool modal);
void closeDialog(MSDialog *db, int action);
void processQueuedCloses();

// mdldlgfile.cpp
extern std::deque<std::optional<std::string>> fileAnswers;
extern std::deque<int> alertAnswers;
extern std::deque<std::optional<std::string>> fileListAnswers;

// mdldlglist.cpp
void listenForStringLists();
bool modelValid(const ListModel *model);

// mdldlgvar.cpp
bool splitAccess(std::string_view access, std::vector<AccessPart> &parts);
bool resolveAccess(MdlDesc *owner, std::string_view access, Place &place);
bool readPlace(const Place &p, Value &v);
bool writePlace(const Place &p, const Value &v);
bool parseFormat(std::string_view format, Conversion &c);
std::string formatValue(const Value &v, const std::string &format);
MdlFunctionP hookOf(MdlDesc *owner, int hookId);
void sendDialog(MSDialog *db, DialogMessage &m);
DialogMessage dialogMessage(int type);
DialogItemMessage itemMessage(int type);
void sendItem(DialogItem *item, DialogItemMessage &m);
void sendItemSimple(DialogItem *item, int type);
void reportMissingHooks(const MSDialog *db);

// mdldlgdef.cpp
std::unique_ptr<PulldownMenu> loadMenu(MdlDesc *owner, int menuId);
std::unique_ptr<DialogItem> itemFromNode(const RscNode *node, int first, MSDialog *db, MdlDesc *owner, int index);
void buildDialog(const RscNode *node, MSDialog &db);

// mdldlgitem.cpp
Value readItemValue(DialogItem *it);
bool writeItemValue(DialogItem *it, const Value &v);
bool sameValue(const Value &a, const Value &b);
bool toggleOn(DialogItem *it);
int matchingEntry(DialogItem *it, long long x);
void refreshItem(DialogItem *it, bool tell);
int rowCount(DialogItem *it);
const char *cellText(DialogItem *it, int row, int col);
DialogItem *typed(DialogItem *item, int type);
bool valueFromText(DialogItem *it, const std::string &text, Value &v);
bool setToggle(DialogItem *it, bool on);
bool chooseEntry(DialogItem *it, int entry);

// mdldlguser.cpp
void userLog(const MSDialog *db, const char *format, ...) __attribute__((format(printf, 2, 3)));
bool reachable(DialogItem *it);
void userPress(DialogItem *it);
bool userSetText(DialogItem *it, const std::string &text);
void userSelect(DialogItem *it, const std::vector<int> &rows, int clicks);

// mdldlgmenu.cpp
MenuBar &commandWindowBar();

// While a hook runs, the dialog it belongs to may be closed under it; closed
// dialogs stay readable until the outermost event has returned.
struct EventScope {
    EventScope() { eventDepth++; }
    ~EventScope()
    {
        if (eventDepth == 1) {
            processQueuedCloses();
            closedDialogs.clear();
        }
        eventDepth--;
    }
    EventScope(const EventScope &) = delete;
    EventScope &operator=(const EventScope &) = delete;
};

struct CurrentScope {
    MdlDesc *previous;
    explicit CurrentScope(MdlDesc *desc) : previous(mdlhost_setCurrMdlDesc(desc)) {}
    ~CurrentScope() { mdlhost_setCurrMdlDesc(previous); }
    CurrentScope(const CurrentScope &) = delete;
    CurrentScope &operator=(const CurrentScope &) = delete;
};

} // namespace dlgint

#endif

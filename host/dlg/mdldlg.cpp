// Headless dialog manager.
//
// Sections:
//   state          every registry of the module, the event scope
//   scripts        file dialogs and alerts answered from queues
//   string lists, list models
//   variables      symbol sets, struct types, access strings, values
//   hooks          publication and calls with the owner current
//   definitions    dialogs, items and menus read from resource nodes
//   dialogs        open, modal runner, close, window
//   items          state, values, synchronise, type-specific calls
//   user actions   what a user does to an item (scripts run these)
//   menus, drawing, completion bar
//   answers        the step language of scripted answers
//   file dialogs   remembered records, file-list editor
//   forgetting     an application unregisters
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

#include "app/mdlapp.h"
#include "app/mdlcmd.h"
#include "rsc/mdlrsc.h"
#include "sys/mdlsys.h"

// ===== state ===============================================================

namespace {

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

} // namespace

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

namespace {

constexpr int kDialogFont = 2;
constexpr int kListFont = 4;
constexpr int kMaxAccessLength = 256; // an access string is one short path
constexpr int kMaxFormatLength = 32;  // one conversion with flags, width, precision

std::map<MdlDesc *, std::map<int, MdlFunctionP>> hookTables;
std::vector<std::unique_ptr<SymbolSet>> symbolSets;
std::set<const ListModel *> liveModels;
std::vector<std::unique_ptr<MSDialog>> openDialogs;   // oldest first
std::vector<std::unique_ptr<MSDialog>> closedDialogs; // freed when no event runs
std::vector<int> queuedCloses;
std::map<int, std::unique_ptr<ListModel>> hostModels; // freed at exit
std::string drawLog;
std::unique_ptr<CompletionBar> completionBar;
int lastModalAction = 0;

void processQueuedCloses();

// While a hook runs, the dialog it belongs to may be closed under it; closed
// dialogs stay readable until the outermost event has returned.
int eventDepth = 0;
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

// Per-application state goes with its application; the registry tells us.
void listenForUnloads()
{
    static bool listening = false;
    if (!listening) {
        listening = true;
        mdlhost_addUnloadListener(mdlhost_forgetDialogs);
    }
}

struct CurrentScope {
    MdlDesc *previous;
    explicit CurrentScope(MdlDesc *desc) : previous(mdlhost_setCurrMdlDesc(desc)) {}
    ~CurrentScope() { mdlhost_setCurrMdlDesc(previous); }
    CurrentScope(const CurrentScope &) = delete;
    CurrentScope &operator=(const CurrentScope &) = delete;
};

bool isOpen(const MSDialog *db)
{
    if (db == nullptr)
        return false;
    for (auto &d : openDialogs)
        if (d.get() == db)
            return d->open;
    return false;
}

DialogItem *itemAt(MSDialog *db, int index)
{
    if (!isOpen(db) || index < 0 || index >= (int)db->items.size())
        return nullptr;
    return db->items[index].get();
}

// An item pointer handed out earlier is only used while its dialog is open.
bool itemValid(const DialogItem *item)
{
    return item != nullptr && isOpen(item->db) && item->index >= 0 && item->index < (int)item->db->items.size() &&
           item->db->items[item->index].get() == item;
}

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++)
        if (asciiUpper(a[i]) != asciiUpper(b[i]))
            return false;
    return true;
}

std::string fourcc(int code)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = char((unsigned(code) >> shift) & 0xFF);
        s.push_back(c >= 32 && c < 127 ? c : '?');
    }
    return s;
}

struct TypeWord {
    const char *word;
    int type;
};
const TypeWord typeWords[] = {
    {"PushButton", RTYPE_PushButton}, {"ToggleButton", RTYPE_ToggleButton}, {"Toggle", RTYPE_ToggleButton},
    {"Text", RTYPE_Text},             {"Label", RTYPE_Label},               {"OptionButton", RTYPE_OptionButton},
    {"ListBox", RTYPE_ListBox},       {"ComboBox", RTYPE_ComboBox},         {"Generic", RTYPE_Generic},
    {"GroupBox", RTYPE_GroupBox},     {"MenuBar", RTYPE_MenuBar},
};

// 0 when the word names no item type.  Any other type is written as its
// code in single quotes ('iCmX'), so a misspelt word is never taken for one.
int typeFromWord(std::string_view word)
{
    for (const TypeWord &t : typeWords)
        if (equalsIgnoreCase(word, t.word))
            return t.type;
    if (word.size() == 6 && word.front() == '\'' && word.back() == '\'')
        return MDLHOST_FOURCC(word[1], word[2], word[3], word[4]);
    return 0;
}

std::string typeName(int type)
{
    for (const TypeWord &t : typeWords)
        if (t.type == type)
            return t.word;
    return fourcc(type);
}

// Whole-token number parsers: a value the user types is either a number of
// the field's type or refused, never half read.
bool parseLong(std::string_view text, long long &out)
{
    std::string s(text);
    size_t b = s.find_first_not_of(" \t");
    size_t e = s.find_last_not_of(" \t");
    if (b == std::string::npos)
        return false;
    s = s.substr(b, e - b + 1);
    errno = 0;
    char *end = nullptr;
    long long v = strtoll(s.c_str(), &end, 10);
    if (errno != 0 || end == s.c_str() || *end != '\0')
        return false;
    out = v;
    return true;
}

bool parseDouble(std::string_view text, double &out)
{
    std::string s(text);
    size_t b = s.find_first_not_of(" \t");
    size_t e = s.find_last_not_of(" \t");
    if (b == std::string::npos)
        return false;
    s = s.substr(b, e - b + 1);
    errno = 0;
    char *end = nullptr;
    double v = strtod(s.c_str(), &end);
    if (errno != 0 || end == s.c_str() || *end != '\0' || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

void copyOut(char *out, size_t outSize, std::string_view text)
{
    if (out == nullptr || outSize == 0)
        return;
    size_t n = std::min(text.size(), outSize - 1);
    memcpy(out, text.data(), n);
    out[n] = '\0';
}

} // namespace

// ===== scripts: file dialogs and alerts ====================================

namespace {

std::deque<std::optional<std::string>> fileAnswers; // nullopt: cancel
std::deque<int> alertAnswers;
std::deque<std::optional<std::string>> fileListAnswers;
std::string lastDefault;
std::string lastTitle;
std::string lastAlert;
std::string lastFileListTitle;

// The directory and name come apart in a real dialog; joined here they must
// still name a file inside the directory.
std::string joinDefault(const char *directory, const char *name)
{
    std::string dir = directory ? directory : "";
    std::string file = name ? name : "";
    if (!dir.empty() && !file.empty() && dir.back() != '/' && dir.back() != '\\' && dir.back() != ':')
        dir += dir.find('\\') != std::string::npos ? '\\' : '/';
    return dir + file;
}

// 0 with fileName set, 1 when nothing was confirmed.
int fileDialog(char *fileName, const char *defaultName, const char *defaultDirectory, const char *titleString)
{
    lastDefault = joinDefault(defaultDirectory, defaultName);
    lastTitle = titleString ? titleString : "";
    std::optional<std::string> answer = std::string();
    if (!fileAnswers.empty()) {
        answer = fileAnswers.front();
        fileAnswers.pop_front();
    } else {
        toolSubsystem_printf("File dialog \"%s\": no answer, default \"%s\"\n", lastTitle.c_str(),
                             lastDefault.c_str());
    }
    if (!answer || fileName == nullptr)
        return 1;
    const std::string &chosen = answer->empty() ? lastDefault : *answer;
    // An empty name cannot be confirmed, and a cut one would name another file.
    if (chosen.empty())
        return 1;
    if (chosen.size() >= MDLHOST_MAXFILELENGTH) {
        toolSubsystem_printf("File name too long: %s\n", chosen.c_str());
        return 1;
    }
    memcpy(fileName, chosen.c_str(), chosen.size() + 1);
    return 0;
}

} // namespace

int mdlDialog_fileCreate(char *fileName, void *, int, const char *defaultName, const char *,
                         const char *defaultDirectory, const char *titleString)
{
    return fileDialog(fileName, defaultName, defaultDirectory, titleString);
}

int mdlDialog_fileOpen(char *fileName, void *, int, const char *defaultName, const char *,
                       const char *defaultDirectory, const char *titleString)
{
    return fileDialog(fileName, defaultName, defaultDirectory, titleString);
}

void mdlhost_scriptFileDialog(const char *answer)
{
    fileAnswers.push_back(answer ? std::optional<std::string>(answer) : std::nullopt);
}

const char *mdlhost_lastFileDialogDefault(void) { return lastDefault.c_str(); }

const char *mdlhost_lastFileDialogTitle(void) { return lastTitle.c_str(); }

int mdlhost_alert(int, const char *text, const char *, const char *button2)
{
    lastAlert = text ? text : "";
    int button = 1;
    if (!alertAnswers.empty()) {
        button = alertAnswers.front();
        alertAnswers.pop_front();
    } else {
        toolSubsystem_printf("Alert: no answer, first button\n");
    }
    // A box with one button cannot answer with the second.
    return button == 2 && button2 != nullptr ? 2 : 1;
}

void mdlhost_scriptAlert(int button)
{
    if (button == 1 || button == 2)
        alertAnswers.push_back(button);
}

const char *mdlhost_lastAlertText(void) { return lastAlert.c_str(); }

int mdlDialog_openAlert(const char *text)
{
    mdlhost_alert(1, text, "OK", nullptr);
    return ACTIONBUTTON_OK;
}

namespace {
struct ModalAnswer;
std::deque<ModalAnswer> &modalAnswers();
} // namespace

void mdlhost_clearDialogScripts(void)
{
    fileAnswers.clear();
    alertAnswers.clear();
    fileListAnswers.clear();
    modalAnswers().clear();
}

// ===== string lists ========================================================
//
// The lists themselves belong to the resource layer; sorting and searching
// by column are what list boxes and their hooks add.

int mdlStringList_sortByColumn(StringList *list, int nColumns, int column, StringListCompareFunc compare)
{
    long size = mdlStringList_size(list);
    if (list == nullptr || nColumns < 1 || column < 0 || column >= nColumns || size % nColumns != 0)
        return -1;
    long nInfo = mdlStringList_infoFieldCount(list);
    struct Member {
        std::string text;
        std::vector<long> info;
    };
    std::vector<Member> members((size_t)size);
    for (long i = 0; i < size; i++) {
        const char *text = nullptr;
        long *info = nullptr;
        mdlStringList_getMember(&text, &info, list, i);
        members[(size_t)i].text = text ? text : "";
        if (info)
            members[(size_t)i].info.assign(info, info + nInfo);
        else
            members[(size_t)i].info.assign((size_t)nInfo, 0);
    }
    size_t rows = (size_t)(size / nColumns);
    std::vector<size_t> order(rows);
    for (size_t r = 0; r < rows; r++)
        order[r] = r;
    auto key = [&](size_t r) -> const Member & { return members[r * nColumns + column]; };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const Member &ma = key(a);
        const Member &mb = key(b);
        if (compare)
            return compare(ma.text.c_str(), ma.info.data(), mb.text.c_str(), mb.info.data()) < 0;
        return std::string_view(ma.text) < std::string_view(mb.text); // unsigned bytes
    });
    long at = 0;
    for (size_t r : order)
        for (int c = 0; c < nColumns; c++, at++) {
            const Member &m = members[r * nColumns + c];
            mdlStringList_setMember(list, at, m.text.c_str(), m.info.empty() ? nullptr : m.info.data());
        }
    return 0;
}

long mdlStringList_search(StringList *list, const char *text, int nColumns, int column, long startRow)
{
    if (list == nullptr || text == nullptr || nColumns < 1 || column < 0 || column >= nColumns || startRow < 0)
        return -1;
    long rows = mdlStringList_size(list) / nColumns;
    for (long r = startRow; r < rows; r++) {
        const char *member = nullptr;
        if (mdlStringList_getMember(&member, nullptr, list, r * nColumns + column) == 0 && member &&
            strcmp(member, text) == 0)
            return r;
    }
    return -1;
}

// ===== list models =========================================================

namespace {

bool modelValid(const ListModel *model) { return model != nullptr && liveModels.count(model) != 0; }

CellText *cellAt(const ListModel *model, int row, int col)
{
    if (!modelValid(model) || row < 0 || row >= (int)model->rows.size() || col < 0 || col >= model->columns)
        return nullptr;
    return const_cast<CellText *>(&model->rows[(size_t)row][(size_t)col]);
}

} // namespace

ListModel *mdlListModel_create(int numColumns)
{
    if (numColumns < 1 || numColumns > MDLHOST_LISTMODEL_MAXCOLUMNS)
        return nullptr;
    auto *model = new ListModel;
    model->columns = numColumns;
    liveModels.insert(model);
    return model;
}

void mdlListModel_destroy(ListModel *model)
{
    if (!modelValid(model))
        return;
    for (auto &entry : hostModels)
        if (entry.second.get() == model)
            return; // the host's models live as long as the host
    liveModels.erase(model);
    for (auto &d : openDialogs)
        for (auto &it : d->items)
            if (it->model == model) {
                it->model = nullptr;
                it->selected.clear();
            }
    delete model;
}

int mdlListModel_getColumnCount(const ListModel *model) { return modelValid(model) ? model->columns : 0; }

int mdlListModel_getRowCount(const ListModel *model) { return modelValid(model) ? (int)model->rows.size() : 0; }

int mdlListModel_insertRow(ListModel *model, int index)
{
    if (!modelValid(model))
        return -1;
    int rows = (int)model->rows.size();
    if (index == -1)
        index = rows;
    if (index < 0 || index > rows || rows >= MDLHOST_LISTMODEL_MAXROWS)
        return -1;
    model->rows.insert(model->rows.begin() + index, std::vector<CellText>((size_t)model->columns));
    return index;
}

int mdlListModel_removeRow(ListModel *model, int index)
{
    if (!modelValid(model) || index < 0 || index >= (int)model->rows.size())
        return -1;
    model->rows.erase(model->rows.begin() + index);
    return 0;
}

int mdlListModel_empty(ListModel *model)
{
    if (!modelValid(model))
        return -1;
    model->rows.clear();
    return 0;
}

int mdlListModel_setCellText(ListModel *model, int row, int col, const char *text)
{
    CellText *c = cellAt(model, row, col);
    if (c == nullptr)
        return -1;
    c->text = text ? text : "";
    return 0;
}

const char *mdlListModel_getCellText(const ListModel *model, int row, int col)
{
    CellText *c = cellAt(model, row, col);
    return c ? c->text.c_str() : nullptr;
}

int mdlListModel_setCellValue(ListModel *model, int row, int col, long value)
{
    CellText *c = cellAt(model, row, col);
    if (c == nullptr)
        return -1;
    c->value = value;
    return 0;
}

int mdlListModel_getCellValue(const ListModel *model, int row, int col, long *value)
{
    CellText *c = cellAt(model, row, col);
    if (c == nullptr || value == nullptr)
        return -1;
    *value = c->value;
    return 0;
}

int mdlListModel_setCellInfo(ListModel *model, int row, int col, int field, long value)
{
    CellText *c = cellAt(model, row, col);
    if (c == nullptr || field < 0 || field >= MDLHOST_LISTCELL_INFOFIELDS)
        return -1;
    c->info[field] = value;
    return 0;
}

int mdlListModel_getCellInfo(const ListModel *model, int row, int col, int field, long *value)
{
    CellText *c = cellAt(model, row, col);
    if (c == nullptr || value == nullptr || field < 0 || field >= MDLHOST_LISTCELL_INFOFIELDS)
        return -1;
    *value = c->info[field];
    return 0;
}

int mdlListModel_search(const ListModel *model, const char *text, int col, int startRow)
{
    if (!modelValid(model) || text == nullptr || col < 0 || col >= model->columns || startRow < 0)
        return -1;
    for (int r = startRow; r < (int)model->rows.size(); r++)
        if (model->rows[(size_t)r][(size_t)col].text == text)
            return r;
    return -1;
}

ListModel *mdlhost_hostListModel(int comboBoxId)
{
    if (comboBoxId != COMBOBOXID_Fonts && comboBoxId != COMBOBOXID_TextStyles)
        return nullptr;
    auto found = hostModels.find(comboBoxId);
    if (found != hostModels.end())
        return found->second.get();
    ListModel *model = mdlListModel_create(1);
    struct Row {
        long value;
        const char *text;
    };
    static const Row fonts[] = {{0, "0 Standard"}, {1, "1 Working"}, {3, "3 Engineering"}, {43, "43 Title"},
                                {105, "105 Sans"}};
    static const Row styles[] = {{-1, "(none)"}, {0, "(style of the model)"}};
    const Row *rows = comboBoxId == COMBOBOXID_Fonts ? fonts : styles;
    size_t n = comboBoxId == COMBOBOXID_Fonts ? std::size(fonts) : std::size(styles);
    for (size_t i = 0; i < n; i++) {
        int r = mdlListModel_insertRow(model, -1);
        mdlListModel_setCellText(model, r, 0, rows[i].text);
        mdlListModel_setCellValue(model, r, 0, rows[i].value);
    }
    hostModels[comboBoxId].reset(model);
    return model;
}

// ===== variables ===========================================================

namespace {

bool setValid(const SymbolSet *set)
{
    for (auto &s : symbolSets)
        if (s.get() == set)
            return true;
    return false;
}

bool isIdentifier(std::string_view s)
{
    if (s.empty() || !(isalpha((unsigned char)s[0]) || s[0] == '_'))
        return false;
    for (char c : s)
        if (!(isalnum((unsigned char)c) || c == '_'))
            return false;
    return true;
}

bool scalarType(int type) { return type >= MDLHOST_FIELD_INT && type <= MDLHOST_FIELD_TEXT; }

bool validScalarSize(int type, size_t size)
{
    switch (type) {
    case MDLHOST_FIELD_INT:
    case MDLHOST_FIELD_UINT: return size == 1 || size == 2 || size == 4 || size == 8;
    case MDLHOST_FIELD_DOUBLE: return size == 4 || size == 8;
    case MDLHOST_FIELD_TEXT: return size >= 1;
    default: return false;
    }
}

// Sets of owner first, then of every other application: variables are
// visible to every dialog, the owner's win a clash of names.
std::vector<SymbolSet *> setsFor(MdlDesc *owner)
{
    std::vector<SymbolSet *> sets;
    for (auto &s : symbolSets)
        if (s->owner == owner)
            sets.push_back(s.get());
    for (auto &s : symbolSets)
        if (s->owner != owner)
            sets.push_back(s.get());
    return sets;
}

const StructType *findStruct(const std::vector<SymbolSet *> &sets, const SymbolSet *first, const std::string &name)
{
    if (first) {
        auto it = first->types.find(name);
        if (it != first->types.end())
            return &it->second;
    }
    for (SymbolSet *s : sets) {
        auto it = s->types.find(name);
        if (it != s->types.end())
            return &it->second;
    }
    return nullptr;
}

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

bool splitAccess(std::string_view access, std::vector<AccessPart> &parts)
{
    parts.clear();
    if (access.size() > (size_t)kMaxAccessLength)
        return false;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < access.size() && (access[i] == ' ' || access[i] == '\t'))
            i++;
    };
    auto readName = [&]() -> bool {
        skipBlanks();
        size_t b = i;
        while (i < access.size() && (isalnum((unsigned char)access[i]) || access[i] == '_'))
            i++;
        if (!isIdentifier(access.substr(b, i - b)))
            return false;
        parts.push_back({false, std::string(access.substr(b, i - b)), 0});
        return true;
    };
    if (!readName())
        return false;
    for (;;) {
        skipBlanks();
        if (i == access.size())
            return true;
        if (access[i] == '.') {
            i++;
            if (!readName())
                return false;
        } else if (access.substr(i, 2) == "->") {
            i += 2;
            if (!readName())
                return false;
        } else if (access[i] == '[') {
            i++;
            skipBlanks();
            size_t b = i;
            while (i < access.size() && isdigit((unsigned char)access[i]))
                i++;
            if (i == b || i - b > 9)
                return false;
            long index = strtol(std::string(access.substr(b, i - b)).c_str(), nullptr, 10);
            skipBlanks();
            if (i == access.size() || access[i] != ']')
                return false;
            i++;
            parts.push_back({true, "", index});
        } else {
            return false;
        }
    }
}

// Follows the access string from the variable to a scalar field, reading
// every pointer on the way now (so a switched pointer counts at once).
bool resolveAccess(MdlDesc *owner, std::string_view access, Place &place)
{
    std::vector<AccessPart> parts;
    if (!splitAccess(access, parts))
        return false;
    std::vector<SymbolSet *> sets = setsFor(owner);
    const Variable *var = nullptr;
    const SymbolSet *varSet = nullptr;
    for (SymbolSet *s : sets) {
        for (auto &v : s->variables)
            if (v.name == parts[0].name) {
                var = &v;
                varSet = s;
                break;
            }
        if (var)
            break;
    }
    if (var == nullptr)
        return false;

    // The cursor: a struct, a pointer to a struct, an array or a scalar.
    enum class K { Struct, Pointer, Array, Scalar } kind;
    char *addr = static_cast<char *>(var->address);
    const StructType *st = nullptr;
    FieldDef field;
    switch (var->kind) {
    case VarKind::Pointer:
    case VarKind::Complex:
        st = findStruct(sets, varSet, var->structName);
        if (st == nullptr)
            return false;
        kind = var->kind == VarKind::Pointer ? K::Pointer : K::Struct;
        break;
    default:
        field = var->basic;
        kind = field.count > 1 ? K::Array : K::Scalar;
        break;
    }

    auto enterField = [&](const FieldDef &f, char *at) -> bool {
        field = f;
        addr = at;
        if (f.count > 1) {
            kind = K::Array;
            return true;
        }
        if (f.type == MDLHOST_FIELD_STRUCT || f.type == MDLHOST_FIELD_POINTER) {
            st = findStruct(sets, varSet, f.structName);
            if (st == nullptr)
                return false;
            kind = f.type == MDLHOST_FIELD_STRUCT ? K::Struct : K::Pointer;
            return true;
        }
        kind = K::Scalar;
        return true;
    };

    for (size_t p = 1; p < parts.size(); p++) {
        const AccessPart &part = parts[p];
        if (part.isIndex) {
            if (kind != K::Array || part.index < 0 || part.index >= field.count)
                return false;
            FieldDef element = field;
            element.count = 1;
            if (!enterField(element, addr + (size_t)part.index * field.size))
                return false;
            continue;
        }
        if (kind == K::Pointer) {
            void *target = nullptr;
            memcpy(&target, addr, sizeof target);
            if (target == nullptr)
                return false;
            addr = static_cast<char *>(target);
            kind = K::Struct;
        }
        if (kind != K::Struct)
            return false;
        const FieldDef *f = nullptr;
        for (auto &candidate : st->fields)
            if (candidate.name == part.name) {
                f = &candidate;
                break;
            }
        if (f == nullptr || !enterField(*f, addr + f->offset))
            return false;
    }
    if (kind != K::Scalar || !scalarType(field.type))
        return false;
    place.address = addr;
    place.type = field.type;
    place.size = field.size;
    return true;
}

bool readPlace(const Place &p, Value &v)
{
    switch (p.type) {
    case MDLHOST_FIELD_INT: {
        v.fmt = FMT_LONG;
        if (p.size == 1) {
            int8_t x;
            memcpy(&x, p.address, 1);
            v.i = x;
        } else if (p.size == 2) {
            int16_t x;
            memcpy(&x, p.address, 2);
            v.i = x;
        } else if (p.size == 4) {
            int32_t x;
            memcpy(&x, p.address, 4);
            v.i = x;
        } else {
            int64_t x;
            memcpy(&x, p.address, 8);
            v.i = x;
        }
        return true;
    }
    case MDLHOST_FIELD_UINT: {
        v.fmt = FMT_LONG;
        uint64_t x = 0;
        if (p.size == 1) {
            uint8_t y;
            memcpy(&y, p.address, 1);
            x = y;
        } else if (p.size == 2) {
            uint16_t y;
            memcpy(&y, p.address, 2);
            x = y;
        } else if (p.size == 4) {
            uint32_t y;
            memcpy(&y, p.address, 4);
            x = y;
        } else {
            memcpy(&x, p.address, 8);
        }
        v.i = (long long)x;
        return true;
    }
    case MDLHOST_FIELD_DOUBLE: {
        v.fmt = FMT_DOUBLE;
        if (p.size == 4) {
            float x;
            memcpy(&x, p.address, 4);
            v.d = x;
        } else {
            memcpy(&v.d, p.address, 8);
        }
        return true;
    }
    case MDLHOST_FIELD_TEXT:
        v.fmt = FMT_STRING;
        v.s.assign(p.address, strnlen(p.address, p.size));
        return true;
    default: return false;
    }
}

// Refuses a value the field cannot hold rather than storing a wrapped one.
bool writePlace(const Place &p, const Value &v)
{
    switch (p.type) {
    case MDLHOST_FIELD_INT:
    case MDLHOST_FIELD_UINT: {
        long long x;
        if (v.fmt == FMT_LONG)
            x = v.i;
        else if (v.fmt == FMT_DOUBLE && std::isfinite(v.d) && std::fabs(v.d) < 9.2e18 && v.d == std::floor(v.d))
            x = (long long)v.d;
        else if (v.fmt == FMT_STRING && parseLong(v.s, x))
            ;
        else
            return false;
        int bits = (int)p.size * 8;
        if (p.type == MDLHOST_FIELD_INT) {
            if (bits < 64 && (x < -(1LL << (bits - 1)) || x > (1LL << (bits - 1)) - 1))
                return false;
        } else {
            if (x < 0 || (bits < 64 && x > (long long)((1ULL << bits) - 1)))
                return false;
        }
        if (p.size == 1) {
            uint8_t y = (uint8_t)x;
            memcpy(p.address, &y, 1);
        } else if (p.size == 2) {
            uint16_t y = (uint16_t)x;
            memcpy(p.address, &y, 2);
        } else if (p.size == 4) {
            uint32_t y = (uint32_t)x;
            memcpy(p.address, &y, 4);
        } else {
            memcpy(p.address, &x, 8);
        }
        return true;
    }
    case MDLHOST_FIELD_DOUBLE: {
        double x;
        if (v.fmt == FMT_DOUBLE)
            x = v.d;
        else if (v.fmt == FMT_LONG)
            x = (double)v.i;
        else if (v.fmt == FMT_STRING && parseDouble(v.s, x))
            ;
        else
            return false;
        if (!std::isfinite(x))
            return false;
        if (p.size == 4) {
            float y = (float)x;
            memcpy(p.address, &y, 4);
        } else {
            memcpy(p.address, &x, 8);
        }
        return true;
    }
    case MDLHOST_FIELD_TEXT: {
        std::string s;
        if (v.fmt == FMT_STRING)
            s = v.s;
        else if (v.fmt == FMT_LONG)
            s = std::to_string(v.i);
        else
            return false;
        // The field keeps its terminator: a longer text is cut.
        size_t n = std::min(s.size(), p.size - 1);
        memcpy(p.address, s.data(), n);
        p.address[n] = '\0';
        return true;
    }
    default: return false;
    }
}

// One printf conversion, checked, so that a format from a resource file or
// a hook can never read an argument of the wrong type.
struct Conversion {
    std::string prefix, options, suffix; // options: flags, width, precision
    char conv = 0;
};

bool parseFormat(std::string_view format, Conversion &c)
{
    if (format.size() > (size_t)kMaxFormatLength)
        return false;
    std::string text;
    size_t i = 0;
    bool found = false;
    while (i < format.size()) {
        char ch = format[i];
        if (ch != '%') {
            text.push_back(ch);
            i++;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            text += "%%";
            i += 2;
            continue;
        }
        if (found)
            return false;
        found = true;
        c.prefix = text;
        text.clear();
        i++;
        size_t b = i;
        while (i < format.size() && strchr("-+ #0", format[i]))
            i++;
        size_t w = i;
        while (i < format.size() && isdigit((unsigned char)format[i]))
            i++;
        if (i - w > 3)
            return false;
        if (i < format.size() && format[i] == '.') {
            i++;
            size_t pr = i;
            while (i < format.size() && isdigit((unsigned char)format[i]))
                i++;
            if (i - pr > 2)
                return false;
        }
        c.options = std::string(format.substr(b, i - b));
        while (i < format.size() && (format[i] == 'l' || format[i] == 'h'))
            i++; // length modifiers: the host supplies its own
        if (i == format.size() || !strchr("diuxXofFeEgGs", format[i]))
            return false;
        c.conv = format[i++];
    }
    if (!found)
        return false;
    c.suffix = text;
    return true;
}

std::string formatValue(const Value &v, const std::string &format)
{
    Conversion c;
    bool intConv = false, realConv = false, textConv = false;
    if (!format.empty() && parseFormat(format, c)) {
        intConv = strchr("diuxXo", c.conv) != nullptr;
        realConv = strchr("fFeEgG", c.conv) != nullptr;
        textConv = c.conv == 's';
    }
    char buf[512];
    if (!(intConv || realConv || textConv) || (v.fmt == FMT_STRING && !textConv) ||
        (v.fmt == FMT_DOUBLE && intConv && !(std::isfinite(v.d) && std::fabs(v.d) < 9.2e18))) {
        // No usable format: the type's own.
        if (v.fmt == FMT_LONG)
            snprintf(buf, sizeof buf, "%lld", v.i);
        else if (v.fmt == FMT_DOUBLE)
            snprintf(buf, sizeof buf, "%g", v.d);
        else
            return v.s;
        return buf;
    }
    std::string conversion = "%" + c.options;
    if (intConv) {
        long long x = v.fmt == FMT_DOUBLE ? (long long)std::llround(v.d) : v.i;
        conversion += "ll";
        conversion.push_back(c.conv);
        snprintf(buf, sizeof buf, conversion.c_str(), x);
    } else if (realConv) {
        double x = v.fmt == FMT_DOUBLE ? v.d : (double)v.i;
        conversion.push_back(c.conv);
        snprintf(buf, sizeof buf, conversion.c_str(), x);
    } else {
        std::string inner = v.fmt == FMT_STRING ? v.s : formatValue(v, "");
        conversion.push_back('s');
        snprintf(buf, sizeof buf, conversion.c_str(), inner.c_str());
    }
    // "%%" in the literal parts stays a single '%' on screen.
    auto literal = [](const std::string &s) {
        std::string out;
        for (size_t i = 0; i < s.size(); i++) {
            out.push_back(s[i]);
            if (s[i] == '%' && i + 1 < s.size() && s[i + 1] == '%')
                i++;
        }
        return out;
    };
    return literal(c.prefix) + buf + literal(c.suffix);
}

bool validField(const MdlhostField &f, size_t structSize)
{
    if (f.name == nullptr || !isIdentifier(f.name))
        return false;
    int count = f.count > 1 ? f.count : 1;
    if (f.type == MDLHOST_FIELD_STRUCT || f.type == MDLHOST_FIELD_POINTER) {
        if (f.structName == nullptr || !isIdentifier(f.structName))
            return false;
        if (f.type == MDLHOST_FIELD_POINTER && f.size != sizeof(void *))
            return false;
        if (f.size == 0)
            return false;
    } else if (!validScalarSize(f.type, f.size)) {
        return false;
    }
    // The field and its whole array lie inside the record.
    return f.offset <= structSize && f.size <= (structSize - f.offset) / (size_t)count;
}

} // namespace

SymbolSet *mdlCExpression_initializeSet(int, int, int)
{
    listenForUnloads();
    symbolSets.push_back(std::make_unique<SymbolSet>());
    symbolSets.back()->owner = mdlSystem_getCurrMdlDesc();
    return symbolSets.back().get();
}

void mdlCExpression_freeSet(SymbolSet *set)
{
    for (auto it = symbolSets.begin(); it != symbolSets.end(); ++it)
        if (it->get() == set) {
            symbolSets.erase(it);
            return;
        }
}

int mdlhost_defineStruct(SymbolSet *set, const char *structName, size_t size, const MdlhostField *fields,
                         int nFields)
{
    if (!setValid(set) || structName == nullptr || !isIdentifier(structName) || nFields < 0 ||
        (nFields > 0 && fields == nullptr) || size == 0)
        return -1;
    StructType type;
    type.size = size;
    for (int i = 0; i < nFields; i++) {
        if (!validField(fields[i], size))
            return -1;
        FieldDef f;
        f.name = fields[i].name;
        f.offset = fields[i].offset;
        f.type = fields[i].type;
        f.size = fields[i].size;
        f.count = fields[i].count > 1 ? fields[i].count : 1;
        if (fields[i].structName)
            f.structName = fields[i].structName;
        type.fields.push_back(std::move(f));
    }
    set->types[structName] = std::move(type);
    return 0;
}

namespace {

int publish(SymbolSet *set, Variable v)
{
    if (!setValid(set) || !isIdentifier(v.name) || v.address == nullptr)
        return -1;
    for (auto &old : set->variables)
        if (old.name == v.name) {
            old = std::move(v);
            return 0;
        }
    set->variables.push_back(std::move(v));
    return 0;
}

} // namespace

int mdlDialog_publishComplexPtr(SymbolSet *set, const char *structName, const char *accessName,
                                void *pointerAddress)
{
    if (structName == nullptr || accessName == nullptr || !isIdentifier(structName))
        return -1;
    Variable v;
    v.name = accessName;
    v.kind = VarKind::Pointer;
    v.address = pointerAddress;
    v.structName = structName;
    return publish(set, std::move(v));
}

int mdlDialog_publishComplexVariable(SymbolSet *set, const char *structName, const char *accessName, void *address)
{
    if (structName == nullptr || accessName == nullptr || !isIdentifier(structName))
        return -1;
    Variable v;
    v.name = accessName;
    v.kind = VarKind::Complex;
    v.address = address;
    v.structName = structName;
    return publish(set, std::move(v));
}

int mdlDialog_publishBasicVariable(SymbolSet *set, int fieldType, size_t size, const char *accessName,
                                   void *address)
{
    if (accessName == nullptr || !validScalarSize(fieldType, size))
        return -1;
    Variable v;
    v.name = accessName;
    v.kind = VarKind::Basic;
    v.address = address;
    v.basic.name = accessName;
    v.basic.type = fieldType;
    v.basic.size = size;
    return publish(set, std::move(v));
}

int mdlhost_accessGetText(char *out, size_t outSize, const char *access)
{
    copyOut(out, outSize, "");
    Place p;
    Value v;
    if (access == nullptr || !resolveAccess(mdlSystem_getCurrMdlDesc(), access, p) || !readPlace(p, v))
        return -1;
    copyOut(out, outSize, formatValue(v, ""));
    return 0;
}

int mdlhost_accessSetText(const char *access, const char *text)
{
    Place p;
    if (access == nullptr || text == nullptr || !resolveAccess(mdlSystem_getCurrMdlDesc(), access, p))
        return -1;
    Value v;
    v.fmt = FMT_STRING;
    v.s = text;
    return writePlace(p, v) ? 0 : -1;
}

// ===== hooks ===============================================================

int mdlDialog_hookPublish(int nHooks, const DialogHookInfo *hooks)
{
    if (nHooks < 0 || (nHooks > 0 && hooks == nullptr))
        return -1;
    listenForUnloads();
    auto &table = hookTables[mdlSystem_getCurrMdlDesc()];
    for (int i = 0; i < nHooks; i++)
        table[hooks[i].hookId] = hooks[i].hookFunc;
    return 0;
}

MdlFunctionP mdlhost_findHook(MdlDesc *desc, int hookId)
{
    if (desc == nullptr)
        desc = mdlSystem_getCurrMdlDesc();
    auto t = hookTables.find(desc);
    if (t == hookTables.end())
        return nullptr;
    auto h = t->second.find(hookId);
    return h == t->second.end() ? nullptr : h->second;
}

namespace {

MdlFunctionP hookOf(MdlDesc *owner, int hookId)
{
    if (hookId == 0)
        return nullptr;
    auto t = hookTables.find(owner);
    if (t == hookTables.end())
        return nullptr;
    auto h = t->second.find(hookId);
    return h == t->second.end() ? nullptr : h->second;
}

void sendDialog(MSDialog *db, DialogMessage &m)
{
    m.db = db;
    m.dialogId = db->id;
    MdlFunctionP fn = hookOf(db->owner, db->hookId);
    if (fn == nullptr)
        return;
    EventScope event;
    CurrentScope current(db->owner);
    reinterpret_cast<DialogHookFunc>(fn)(&m);
}

DialogMessage dialogMessage(int type)
{
    DialogMessage m;
    memset(&m, 0, sizeof m);
    m.messageType = type;
    return m;
}

DialogItemMessage itemMessage(int type)
{
    DialogItemMessage m;
    memset(&m, 0, sizeof m);
    m.messageType = type;
    return m;
}

// Sends m to the item's hook with the item's owner current.
void sendItem(DialogItem *item, DialogItemMessage &m)
{
    m.db = item->db;
    m.dialogId = item->db->id;
    m.itemIndex = item->index;
    m.dialogItemP = item;
    MdlFunctionP fn = hookOf(item->owner, item->hookId);
    if (fn == nullptr)
        return;
    EventScope event;
    CurrentScope current(item->owner);
    reinterpret_cast<DialogItemHookFunc>(fn)(&m);
}

void sendItemSimple(DialogItem *item, int type)
{
    DialogItemMessage m = itemMessage(type);
    sendItem(item, m);
}

void reportMissingHooks(const MSDialog *db)
{
    if (db->hookId != 0 && hookOf(db->owner, db->hookId) == nullptr)
        toolSubsystem_printf("Dialog %d: hook %d is not published\n", db->id, db->hookId);
    for (auto &it : db->items)
        if (it->hookId != 0 && hookOf(it->owner, it->hookId) == nullptr)
            toolSubsystem_printf("Dialog %d: hook %d of %s %d is not published\n", db->id, it->hookId,
                                 typeName(it->type).c_str(), it->id);
}

} // namespace

// ===== definitions =========================================================

namespace {

struct DefinitionError {
    std::string text;
};

[[noreturn]] void refuse(const RscNode *node, const char *what, std::string_view detail = {})
{
    char buf[512];
    snprintf(buf, sizeof buf, "%s:%d: %s%s%.*s", mdlhost_rscSourceFile(node), mdlhost_rscSourceLine(node), what,
             detail.empty() ? "" : " ", (int)detail.size(), detail.data());
    throw DefinitionError{buf};
}

long numberArg(const RscNode *node, int i)
{
    int ok = 0;
    long v = mdlhost_rscArgLong(node, i, &ok);
    if (!ok)
        refuse(node, "number expected after", mdlhost_rscKeyword(node));
    if (v < INT_MIN || v > INT_MAX)
        refuse(node, "number out of range after", mdlhost_rscKeyword(node));
    return v;
}

std::string textArg(const RscNode *node, int i)
{
    if (i >= mdlhost_rscArgCount(node))
        refuse(node, "text expected after", mdlhost_rscKeyword(node));
    return mdlhost_rscArg(node, i);
}

void needArgs(const RscNode *node, int n)
{
    if (mdlhost_rscArgCount(node) != n)
        refuse(node, "wrong number of values for", mdlhost_rscKeyword(node));
}

void checkAccess(const RscNode *node, const std::string &access)
{
    std::vector<AccessPart> parts;
    if (!splitAccess(access, parts))
        refuse(node, "malformed access string", access);
}

void checkFormat(const RscNode *node, const std::string &format)
{
    Conversion c;
    if (!parseFormat(format, c))
        refuse(node, "malformed format", format);
}

std::unique_ptr<PulldownMenu> buildMenu(const RscNode *node, MdlDesc *owner)
{
    auto menu = std::make_unique<PulldownMenu>();
    menu->id = (int)numberArg(node, 0);
    menu->owner = owner;
    if (mdlhost_rscArgCount(node) > 1)
        menu->title = textArg(node, 1);
    for (int c = 0; c < mdlhost_rscChildCount(node); c++) {
        const RscNode *ch = mdlhost_rscChild(node, c);
        std::string_view kw = mdlhost_rscKeyword(ch);
        if (kw == "Title") {
            needArgs(ch, 1);
            menu->title = textArg(ch, 0);
        } else if (kw == "Hook") {
            needArgs(ch, 1);
            menu->hookId = (int)numberArg(ch, 0);
        } else if (kw == "Access") {
            needArgs(ch, 1);
            menu->access = textArg(ch, 0);
            checkAccess(ch, menu->access);
        } else if (kw == "Entry") {
            auto e = std::make_unique<PulldownMenuItem>();
            e->menu = menu.get();
            e->id = (int)numberArg(ch, 0);
            e->label = textArg(ch, 1);
            for (int k = 0; k < mdlhost_rscChildCount(ch); k++) {
                const RscNode *p = mdlhost_rscChild(ch, k);
                std::string_view pk = mdlhost_rscKeyword(p);
                if (pk == "Hook") {
                    needArgs(p, 1);
                    e->hookId = (int)numberArg(p, 0);
                } else if (pk == "Value") {
                    needArgs(p, 1);
                    e->value = numberArg(p, 0);
                } else if (pk == "Mark") {
                    needArgs(p, 1);
                    e->mark = (int)numberArg(p, 0);
                } else if (pk == "Disabled") {
                    needArgs(p, 0);
                    e->enabled = false;
                } else if (pk == "Keyin") {
                    needArgs(p, 1);
                    e->keyin = textArg(p, 0);
                } else {
                    refuse(p, "unknown keyword", pk);
                }
            }
            menu->entries.push_back(std::move(e));
        } else {
            refuse(ch, "unknown keyword", kw);
        }
    }
    return menu;
}

std::unique_ptr<PulldownMenu> loadMenu(MdlDesc *owner, int menuId)
{
    listenForUnloads();
    const RscNode *node = mdlhost_rscFind(owner, "PulldownMenu", menuId);
    if (node == nullptr) {
        toolSubsystem_printf("Pull-down menu %d not found\n", menuId);
        return nullptr;
    }
    try {
        return buildMenu(node, owner);
    } catch (const DefinitionError &e) {
        toolSubsystem_printf("Pull-down menu %d refused: %s\n", menuId, e.text.c_str());
        return nullptr;
    }
}

void defaultExtent(DialogItem &it)
{
    it.rect.origin = {10, 10 + 20 * it.index};
    it.rect.corner = {it.rect.origin.x + 100, it.rect.origin.y + 16};
}

// The item keywords after `Item TYPE ID ["label"]`.
void buildItem(const RscNode *node, DialogItem &it, std::vector<int> &menus)
{
    defaultExtent(it);
    if (it.id == PUSHBUTTONID_OK && it.type == RTYPE_PushButton)
        it.action = ACTIONBUTTON_OK;
    if (it.id == PUSHBUTTONID_Cancel && it.type == RTYPE_PushButton)
        it.action = ACTIONBUTTON_CANCEL;
    for (int c = 0; c < mdlhost_rscChildCount(node); c++) {
        const RscNode *ch = mdlhost_rscChild(node, c);
        std::string_view kw = mdlhost_rscKeyword(ch);
        if (kw == "Label") {
            needArgs(ch, 1);
            it.label = textArg(ch, 0);
        } else if (kw == "Access") {
            needArgs(ch, 1);
            it.access = textArg(ch, 0);
            checkAccess(ch, it.access);
        } else if (kw == "Format") {
            needArgs(ch, 1);
            it.format = textArg(ch, 0);
            checkFormat(ch, it.format);
        } else if (kw == "Hook") {
            needArgs(ch, 1);
            it.hookId = (int)numberArg(ch, 0);
        } else if (kw == "Extent") {
            needArgs(ch, 4);
            long x = numberArg(ch, 0), y = numberArg(ch, 1), w = numberArg(ch, 2), h = numberArg(ch, 3);
            if (w < 0 || h < 0 || w > 100000 || h > 100000 || std::labs(x) > 100000 || std::labs(y) > 100000)
                refuse(ch, "extent out of range");
            it.rect.origin = {(int)x, (int)y};
            it.rect.corner = {(int)(x + w), (int)(y + h)};
        } else if (kw == "Disabled") {
            needArgs(ch, 0);
            it.enabled = false;
        } else if (kw == "Hidden") {
            needArgs(ch, 0);
            it.shown = false;
        } else if (kw == "Mask") {
            needArgs(ch, 1);
            it.mask = (unsigned long)(unsigned)numberArg(ch, 0);
        } else if (kw == "Attributes") {
            needArgs(ch, 1);
            it.attributes = (unsigned)numberArg(ch, 0);
        } else if (kw == "UserValue") {
            needArgs(ch, 1);
            it.userValue = numberArg(ch, 0);
        } else if (kw == "Balloon") {
            needArgs(ch, 1);
            it.balloon = textArg(ch, 0);
        } else if (kw == "Columns") {
            needArgs(ch, 1);
            long n = numberArg(ch, 0);
            if (n < 1 || n > MDLHOST_LISTMODEL_MAXCOLUMNS)
                refuse(ch, "column count out of range");
            it.columns = (int)n;
        } else if (kw == "Multi") {
            needArgs(ch, 0);
            it.multi = true;
        } else if (kw == "Entry") {
            int n = mdlhost_rscArgCount(ch);
            if (n < 2 || n > 4)
                refuse(ch, "wrong number of values for", kw);
            OptionEntry e;
            e.label = textArg(ch, 0);
            e.value = numberArg(ch, 1);
            if (n > 2)
                e.mask = (unsigned long)(unsigned)numberArg(ch, 2);
            if (n > 3)
                e.iconId = numberArg(ch, 3);
            it.entries.push_back(e);
        } else if (kw == "Action") {
            needArgs(ch, 1);
            it.action = (int)numberArg(ch, 0);
            if (it.action <= 0)
                refuse(ch, "action must be positive");
        } else if (kw == "Default") {
            needArgs(ch, 0);
            it.isDefault = true;
        } else if (kw == "MaxLength") {
            needArgs(ch, 1);
            long n = numberArg(ch, 0);
            if (n < 0)
                refuse(ch, "negative length");
            it.maxLength = (int)n;
        } else if (kw == "Menu") {
            needArgs(ch, 1);
            menus.push_back((int)numberArg(ch, 0));
        } else {
            refuse(ch, "unknown keyword", kw);
        }
    }
}

// `Item TYPE ID ["label"] {...}` (first = 0) or `DialogItem RID TYPE ID
// ["label"] {...}` (first = 1).
std::unique_ptr<DialogItem> itemFromNode(const RscNode *node, int first, MSDialog *db, MdlDesc *owner, int index)
{
    int nArgs = mdlhost_rscArgCount(node);
    if (nArgs < first + 2 || nArgs > first + 3)
        refuse(node, "expected TYPE ID [label] after", mdlhost_rscKeyword(node));
    auto it = std::make_unique<DialogItem>();
    it->db = db;
    it->owner = owner;
    it->index = index;
    std::string word = textArg(node, first);
    it->type = typeFromWord(word);
    int isCode = 0;
    long code = mdlhost_rscArgLong(node, first, &isCode);
    if (it->type == 0 && isCode && word.size() == 4) {
        int asCode = MDLHOST_FOURCC(word[0], word[1], word[2], word[3]);
        if ((uint32_t)code == (uint32_t)asCode)
            it->type = asCode;
    }
    if (it->type == 0)
        refuse(node, "unknown item type", word);
    it->id = (int)numberArg(node, first + 1);
    if (nArgs == first + 3)
        it->label = textArg(node, first + 2);
    std::vector<int> menus;
    buildItem(node, *it, menus);
    if (!menus.empty() && it->type != RTYPE_MenuBar)
        refuse(node, "Menu outside a menu bar");
    if (it->type == RTYPE_MenuBar) {
        it->menuBar = std::make_unique<MenuBar>();
        it->menuBar->db = db;
        it->menuBar->item = it.get();
        for (int id : menus) {
            std::unique_ptr<PulldownMenu> m = loadMenu(owner, id);
            if (m == nullptr)
                refuse(node, "menu bar names a missing or refused menu");
            m->bar = it->menuBar.get();
            it->menuBar->menus.push_back(std::move(m));
        }
    }
    return it;
}

void buildDialog(const RscNode *node, MSDialog &db)
{
    db.width = 300;
    db.height = 200;
    if (mdlhost_rscArgCount(node) > 1)
        db.title = textArg(node, 1);
    for (int c = 0; c < mdlhost_rscChildCount(node); c++) {
        const RscNode *ch = mdlhost_rscChild(node, c);
        std::string_view kw = mdlhost_rscKeyword(ch);
        if (kw == "Title") {
            needArgs(ch, 1);
            db.title = textArg(ch, 0);
        } else if (kw == "Size") {
            needArgs(ch, 2);
            long w = numberArg(ch, 0), h = numberArg(ch, 1);
            if (w < 0 || h < 0 || w > 100000 || h > 100000)
                refuse(ch, "size out of range");
            db.width = (int)w;
            db.height = (int)h;
        } else if (kw == "Hook") {
            needArgs(ch, 1);
            db.hookId = (int)numberArg(ch, 0);
        } else if (kw == "Font") {
            needArgs(ch, 1);
            db.font = (int)numberArg(ch, 0);
        } else if (kw == "Attributes") {
            needArgs(ch, 1);
            db.attributes = (unsigned)numberArg(ch, 0);
        } else if (kw == "Item") {
            db.items.push_back(itemFromNode(ch, 0, &db, db.owner, (int)db.items.size()));
        } else {
            refuse(ch, "unknown keyword", kw);
        }
    }
}

} // namespace

// ===== dialogs =============================================================

namespace {

Value readItemValue(DialogItem *it);
void refreshItem(DialogItem *it, bool tell);

void applyHostModels(DialogItem *it)
{
    if (it->type == RTYPE_ComboBox && it->model == nullptr && it->strList == nullptr)
        it->model = mdlhost_hostListModel(it->id);
}

// CREATE, INIT and the first display of every item; false when a hook closed
// the dialog on the way.
bool startDialog(MSDialog *db)
{
    EventScope event;
    reportMissingHooks(db);
    DialogMessage create = dialogMessage(DIALOG_MESSAGE_CREATE);
    create.u.create.createAttributes = db->attributes;
    sendDialog(db, create);
    db->interests = create.u.create.interests;
    db->createAttributes = create.u.create.createAttributes;
    for (size_t i = 0; i < db->items.size() && db->open; i++) {
        DialogItem *it = db->items[i].get();
        applyHostModels(it);
        sendItemSimple(it, DITEM_MESSAGE_CREATE);
    }
    if (!db->open)
        return false;
    DialogMessage init = dialogMessage(DIALOG_MESSAGE_INIT);
    sendDialog(db, init);
    for (size_t i = 0; i < db->items.size() && db->open; i++)
        sendItemSimple(db->items[i].get(), DITEM_MESSAGE_INIT);
    for (size_t i = 0; i < db->items.size() && db->open; i++)
        refreshItem(db->items[i].get(), true);
    for (size_t i = 0; i < db->items.size() && db->open; i++)
        if (db->items[i]->shown)
            sendItemSimple(db->items[i].get(), DITEM_MESSAGE_DRAW);
    if (!db->open)
        return false;
    DialogMessage update = dialogMessage(DIALOG_MESSAGE_UPDATE);
    sendDialog(db, update);
    return db->open;
}

MSDialog *openDefinition(int dialogId, bool modal)
{
    listenForUnloads();
    MdlDesc *owner = mdlSystem_getCurrMdlDesc();
    const RscNode *node = mdlhost_rscFind(owner, "DialogBox", dialogId);
    if (node == nullptr) {
        toolSubsystem_printf("Dialog %d not found\n", dialogId);
        return nullptr;
    }
    auto db = std::make_unique<MSDialog>();
    db->id = dialogId;
    db->owner = owner;
    db->modal = modal;
    try {
        buildDialog(node, *db);
    } catch (const DefinitionError &e) {
        toolSubsystem_printf("Dialog %d refused: %s\n", dialogId, e.text.c_str());
        return nullptr;
    }
    openDialogs.push_back(std::move(db));
    MSDialog *opened = openDialogs.back().get();
    startDialog(opened);
    return opened; // closed already when a hook closed it while it opened
}

void closeDialog(MSDialog *db, int action)
{
    if (!isOpen(db) || db->closing)
        return;
    EventScope event;
    db->closing = true;
    db->action = action;
    for (size_t i = 0; i < db->items.size(); i++)
        sendItemSimple(db->items[i].get(), DITEM_MESSAGE_DESTROY);
    DialogMessage m = dialogMessage(DIALOG_MESSAGE_DESTROY);
    m.u.destroy.actionType = action;
    sendDialog(db, m);
    db->open = false;
    for (auto it = openDialogs.begin(); it != openDialogs.end(); ++it)
        if (it->get() == db) {
            closedDialogs.push_back(std::move(*it));
            openDialogs.erase(it);
            break;
        }
}

void processQueuedCloses()
{
    while (!queuedCloses.empty()) {
        int id = queuedCloses.front();
        queuedCloses.erase(queuedCloses.begin());
        for (;;) {
            MSDialog *found = nullptr;
            for (auto &d : openDialogs)
                if (d->id == id && d->open && !d->closing)
                    found = d.get();
            if (found == nullptr)
                break;
            closeDialog(found, ACTIONBUTTON_CANCEL);
        }
    }
}

} // namespace

MSDialog *mdlDialog_open(RscFileHandle, int dialogId)
{
    MSDialog *db = openDefinition(dialogId, false);
    // A hook may have closed it while it opened; no caller gets a pointer to
    // a dialog that is gone.
    return isOpen(db) ? db : nullptr;
}

MSDialog *mdlhost_createDialog(int dialogId, const char *title, int width, int height)
{
    listenForUnloads();
    auto db = std::make_unique<MSDialog>();
    db->id = dialogId;
    db->owner = mdlSystem_getCurrMdlDesc();
    db->title = title ? title : "";
    db->width = std::max(0, width);
    db->height = std::max(0, height);
    openDialogs.push_back(std::move(db));
    MSDialog *opened = openDialogs.back().get();
    startDialog(opened);
    return isOpen(opened) ? opened : nullptr;
}

int mdlDialog_itemLoad(MSDialog *db, long resourceId, int x, int y)
{
    if (!isOpen(db))
        return -1;
    listenForUnloads();
    MdlDesc *owner = mdlSystem_getCurrMdlDesc();
    const RscNode *node = mdlhost_rscFind(owner, "DialogItem", resourceId);
    if (node == nullptr) {
        toolSubsystem_printf("Dialog item %ld not found\n", resourceId);
        return -1;
    }
    std::unique_ptr<DialogItem> it;
    try {
        it = itemFromNode(node, 1, db, owner, (int)db->items.size());
    } catch (const DefinitionError &e) {
        toolSubsystem_printf("Dialog item %ld refused: %s\n", resourceId, e.text.c_str());
        return -1;
    }
    int w = it->rect.corner.x - it->rect.origin.x;
    int h = it->rect.corner.y - it->rect.origin.y;
    it->rect.origin = {x, y};
    it->rect.corner = {x + w, y + h};
    DialogItem *added = it.get();
    db->items.push_back(std::move(it));
    EventScope event;
    if (hookOf(owner, added->hookId) == nullptr && added->hookId != 0)
        toolSubsystem_printf("Dialog %d: hook %d of %s %d is not published\n", db->id, added->hookId,
                             typeName(added->type).c_str(), added->id);
    applyHostModels(added);
    sendItemSimple(added, DITEM_MESSAGE_CREATE);
    if (itemValid(added))
        sendItemSimple(added, DITEM_MESSAGE_INIT);
    if (itemValid(added))
        refreshItem(added, true);
    return itemValid(added) ? added->index : -1;
}

MSDialog *mdlDialog_findByTypeAndId(int type, int dialogId, MdlDesc *owner)
{
    if (type != RTYPE_DialogBox)
        return nullptr;
    for (auto it = openDialogs.rbegin(); it != openDialogs.rend(); ++it)
        if ((*it)->id == dialogId && (*it)->open && !(*it)->closing && (owner == nullptr || (*it)->owner == owner))
            return it->get();
    return nullptr;
}

int mdlDialog_getId(const MSDialog *db) { return isOpen(db) ? db->id : 0; }

MdlDesc *mdlDialog_getOwner(const MSDialog *db) { return isOpen(db) ? db->owner : nullptr; }

int mdlhost_dialogIsOpen(const MSDialog *db) { return isOpen(db) && !db->closing ? 1 : 0; }

int mdlhost_openDialogCount(void)
{
    int n = 0;
    for (auto &d : openDialogs)
        n += d->open && !d->closing;
    return n;
}

int mdlDialog_closeWithAction(MSDialog *db, int action)
{
    if (!isOpen(db) || db->closing)
        return -1;
    closeDialog(db, action);
    return 0;
}

int mdlWindow_close(MSDialog *db) { return mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL); }

int mdlDialog_closeCommandQueue(int dialogId)
{
    queuedCloses.push_back(dialogId);
    if (eventDepth == 0)
        processQueuedCloses();
    return 0;
}

void mdlhost_processDialogQueue(void)
{
    if (eventDepth != 0)
        return;
    EventScope event; // frees what the closes leave behind
    processQueuedCloses();
}

int mdlWindow_sink(MSDialog *db)
{
    if (!isOpen(db))
        return -1;
    db->sunk = true;
    return 0;
}

int mdlWindow_float(MSDialog *db)
{
    if (!isOpen(db))
        return -1;
    db->sunk = false;
    return 0;
}

int mdlhost_windowIsSunk(const MSDialog *db) { return isOpen(db) && db->sunk ? 1 : 0; }

int mdlWindow_titleSet(MSDialog *db, const char *title)
{
    if (!isOpen(db))
        return -1;
    db->title = title ? title : "";
    return 0;
}

const char *mdlWindow_titleGet(const MSDialog *db) { return isOpen(db) ? db->title.c_str() : ""; }

int mdlWindow_extentSet(MSDialog *db, int width, int height)
{
    if (!isOpen(db) || width < 0 || height < 0)
        return -1;
    DialogMessage m = dialogMessage(DIALOG_MESSAGE_RESIZE);
    m.u.resize.oldContent = {{0, 0}, {db->width, db->height}};
    m.u.resize.newContent = {{0, 0}, {width, height}};
    bool changed = width != db->width || height != db->height;
    db->width = width;
    db->height = height;
    if (changed && (db->interests & DIALOG_INTEREST_RESIZE))
        sendDialog(db, m);
    return 0;
}

int mdlWindow_contentRectGet(BSIRect *rect, const MSDialog *db)
{
    if (!isOpen(db) || rect == nullptr)
        return -1;
    *rect = {{0, 0}, {db->width, db->height}};
    return 0;
}

int mdlWindow_fontSet(MSDialog *db, int font)
{
    if (!isOpen(db))
        return -1;
    db->font = font;
    return 0;
}

int mdlWindow_fontGet(const MSDialog *db) { return isOpen(db) ? db->font : kDialogFont; }

int mdlWindow_cursorTurnOff(MSDialog *db)
{
    if (!isOpen(db))
        return -1;
    db->cursorOff = true;
    char line[64];
    snprintf(line, sizeof line, "cursor off %d", db->id);
    mdlhost_recordDraw(db, line);
    return 0;
}

int mdlDialog_fontGetHeight(int font) { return font == kListFont ? 14 : 12; }

int mdlDialog_fontGetStringWidth(int font, const char *text)
{
    int perChar = font == kListFont ? 8 : 6;
    return text ? (int)strlen(text) * perChar : 0;
}

int mdlDialog_fontGetCurHeight(const MSDialog *db) { return mdlDialog_fontGetHeight(mdlWindow_fontGet(db)); }

void mdlDialog_userDataPtrSet(MSDialog *db, void *data)
{
    if (isOpen(db))
        db->userData = data;
}

void *mdlDialog_userDataPtrGet(const MSDialog *db) { return isOpen(db) ? db->userData : nullptr; }

int mdlDialog_sendUserMsg(MSDialog *db, long value)
{
    if (!isOpen(db))
        return -1;
    DialogMessage m = dialogMessage(DIALOG_MESSAGE_USER);
    m.u.user.value = value;
    sendDialog(db, m);
    return 0;
}

// ===== items ===============================================================

namespace {

bool hasValue(const DialogItem *it)
{
    return it->type == RTYPE_ToggleButton || it->type == RTYPE_Text || it->type == RTYPE_OptionButton ||
           it->type == RTYPE_ComboBox;
}

Value readItemValue(DialogItem *it)
{
    Value v;
    if (!hasValue(it))
        return v;
    if (it->access.empty()) {
        v = it->local;
        if (v.fmt == FMT_NONE) {
            v.fmt = it->type == RTYPE_Text || it->type == RTYPE_ComboBox ? FMT_STRING : FMT_LONG;
        }
        return v;
    }
    Place p;
    if (!resolveAccess(it->owner, it->access, p) || !readPlace(p, v))
        v = Value();
    return v;
}

bool writeItemValue(DialogItem *it, const Value &v)
{
    if (it->access.empty()) {
        it->local = v;
        return true;
    }
    Place p;
    return resolveAccess(it->owner, it->access, p) && writePlace(p, v);
}

bool sameValue(const Value &a, const Value &b)
{
    return a.fmt == b.fmt && a.i == b.i && (a.d == b.d || (std::isnan(a.d) && std::isnan(b.d))) && a.s == b.s;
}

bool toggleOn(DialogItem *it)
{
    Value v = readItemValue(it);
    long long x = v.fmt == FMT_DOUBLE ? (long long)(v.d != 0) : v.i;
    return it->mask ? (x & (long long)it->mask) != 0 : x != 0;
}

int matchingEntry(DialogItem *it, long long x)
{
    for (size_t i = 0; i < it->entries.size(); i++) {
        const OptionEntry &e = it->entries[i];
        if (e.mask ? (x & (long long)e.mask) == e.value : x == e.value)
            return (int)i;
    }
    return -1;
}

std::string displayOf(DialogItem *it)
{
    switch (it->type) {
    case RTYPE_ToggleButton: return toggleOn(it) ? "1" : "0";
    case RTYPE_OptionButton: {
        Value v = readItemValue(it);
        int e = v.fmt == FMT_NONE ? -1 : matchingEntry(it, v.i);
        return e < 0 ? std::string() : it->entries[(size_t)e].label;
    }
    case RTYPE_Text:
    case RTYPE_ComboBox: {
        Value v = readItemValue(it);
        return v.fmt == FMT_NONE ? std::string() : formatValue(v, it->format);
    }
    default: return it->label;
    }
}

// Shows the value again; with tell the text items' hooks hear of it first.
void refreshItem(DialogItem *it, bool tell)
{
    if (tell && it->type == RTYPE_Text) {
        sendItemSimple(it, DITEM_MESSAGE_GETSTATE);
        if (!itemValid(it))
            return;
        sendItemSimple(it, DITEM_MESSAGE_TEXTFORMAT);
        if (!itemValid(it))
            return;
    }
    it->display = displayOf(it);
}

// Rows the list box shows now; a list that shrank drops the selection past
// its end.
int rowCount(DialogItem *it)
{
    if (it->model && !modelValid(it->model))
        it->model = nullptr;
    int n = 0;
    if (it->model)
        n = (int)it->model->rows.size();
    else if (it->strList)
        n = (int)(mdlStringList_size(it->strList) / std::max(1, it->columns));
    while (!it->selected.empty() && *it->selected.rbegin() >= n)
        it->selected.erase(std::prev(it->selected.end()));
    return n;
}

const char *cellText(DialogItem *it, int row, int col)
{
    if (row < 0 || row >= rowCount(it) || col < 0)
        return nullptr;
    if (it->model)
        return col < it->model->columns ? it->model->rows[(size_t)row][(size_t)col].text.c_str() : nullptr;
    if (col >= it->columns)
        return nullptr;
    const char *text = nullptr;
    mdlStringList_getMember(&text, nullptr, it->strList, (long)row * it->columns + col);
    return text;
}

DialogItem *typed(DialogItem *item, int type)
{
    return itemValid(item) && item->type == type ? item : nullptr;
}

DialogItem *listLike(DialogItem *item)
{
    return itemValid(item) && (item->type == RTYPE_ListBox || item->type == RTYPE_ComboBox) ? item : nullptr;
}

} // namespace

DialogItem *mdlDialog_itemGetByTypeAndId(MSDialog *db, int itemType, int itemId, int startIndex)
{
    if (!isOpen(db))
        return nullptr;
    for (size_t i = (size_t)std::max(0, startIndex); i < db->items.size(); i++)
        if (db->items[i]->type == itemType && db->items[i]->id == itemId)
            return db->items[i].get();
    return nullptr;
}

DialogItem *mdlDialog_itemGetByIndex(MSDialog *db, int itemIndex) { return itemAt(db, itemIndex); }

int mdlDialog_itemCount(const MSDialog *db) { return isOpen(db) ? (int)db->items.size() : 0; }

int mdlDialog_itemGetType(const DialogItem *item) { return itemValid(item) ? item->type : 0; }

int mdlDialog_itemGetId(const DialogItem *item) { return itemValid(item) ? item->id : 0; }

int mdlDialog_itemGetIndex(const DialogItem *item) { return itemValid(item) ? item->index : -1; }

MSDialog *mdlDialog_itemGetDialog(const DialogItem *item) { return itemValid(item) ? item->db : nullptr; }

int mdlDialog_itemSetEnabledState(MSDialog *db, int itemIndex, int enabled, int)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    it->enabled = enabled != 0;
    return 0;
}

int mdlDialog_itemGetEnabledState(MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    return it ? (it->enabled ? 1 : 0) : -1;
}

int mdlDialog_itemShow(MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    it->shown = true;
    return 0;
}

int mdlDialog_itemHide(MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    it->shown = false;
    return 0;
}

int mdlDialog_itemIsVisible(MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    return it ? (it->shown ? 1 : 0) : -1;
}

int mdlDialog_itemSetLabel(MSDialog *db, int itemIndex, const char *label)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    it->label = label ? label : "";
    if (!hasValue(it))
        it->display = it->label;
    return 0;
}

int mdlDialog_itemGetLabel(char *out, size_t outSize, MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    copyOut(out, outSize, it ? it->label : "");
    return it ? 0 : -1;
}

int mdlDialog_itemSetBalloon(MSDialog *db, int itemIndex, const char *text)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    it->balloon = text ? text : "";
    return 0;
}

int mdlDialog_itemGetBalloon(char *out, size_t outSize, MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    copyOut(out, outSize, it ? it->balloon : "");
    return it ? 0 : -1;
}

int mdlDialog_itemGetExtent(BSIRect *rect, MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr || rect == nullptr)
        return -1;
    *rect = it->rect;
    return 0;
}

int mdlDialog_itemSetExtent(MSDialog *db, int itemIndex, const BSIRect *rect, int)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr || rect == nullptr || rect->corner.x < rect->origin.x || rect->corner.y < rect->origin.y)
        return -1;
    it->rect = *rect;
    return 0;
}

int mdlDialog_itemMove(MSDialog *db, int itemIndex, int x, int y, int)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    int w = it->rect.corner.x - it->rect.origin.x;
    int h = it->rect.corner.y - it->rect.origin.y;
    it->rect.origin = {x, y};
    it->rect.corner = {x + w, y + h};
    return 0;
}

int mdlDialog_itemSetAttributes(MSDialog *db, int itemIndex, unsigned attributes)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    it->attributes = attributes;
    return 0;
}

int mdlDialog_itemGetAttributes(unsigned *attributes, MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr || attributes == nullptr)
        return -1;
    *attributes = it->attributes;
    return 0;
}

int mdlDialog_itemSetUserValue(MSDialog *db, int itemIndex, long value)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    it->userValue = value;
    return 0;
}

int mdlDialog_itemGetUserValue(long *value, MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr || value == nullptr)
        return -1;
    *value = it->userValue;
    return 0;
}

int mdlDialog_itemSetFocus(MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    EventScope event;
    if (DialogItem *old = itemAt(db, db->focus); old && old != it)
        sendItemSimple(old, DITEM_MESSAGE_FOCUSOUT);
    if (!itemValid(it))
        return -1;
    db->focus = itemIndex;
    sendItemSimple(it, DITEM_MESSAGE_FOCUSIN);
    return 0;
}

int mdlDialog_itemGetFocus(const MSDialog *db) { return isOpen(db) ? db->focus : -1; }

int mdlDialog_itemSynch(MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    EventScope event;
    refreshItem(it, true);
    if (itemValid(it))
        sendItemSimple(it, DITEM_MESSAGE_SYNCHRONIZE);
    return 0;
}

int mdlDialog_itemsSynch(MSDialog *db)
{
    if (!isOpen(db))
        return -1;
    EventScope event;
    for (size_t i = 0; i < db->items.size() && isOpen(db); i++)
        mdlDialog_itemSynch(db, (int)i);
    return 0;
}

int mdlDialog_itemDraw(MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    if (!it->shown)
        return 0;
    char line[128];
    snprintf(line, sizeof line, "item %d %s %d", db->id, fourcc(it->type).c_str(), it->id);
    mdlhost_recordDraw(db, line);
    sendItemSimple(it, DITEM_MESSAGE_DRAW);
    return 0;
}

int mdlDialog_itemsDraw(MSDialog *db)
{
    if (!isOpen(db))
        return -1;
    EventScope event;
    for (size_t i = 0; i < db->items.size() && isOpen(db); i++)
        mdlDialog_itemDraw(db, (int)i);
    return 0;
}

int mdlDialog_itemSendUserMsg(MSDialog *db, int itemIndex, long value)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr)
        return -1;
    DialogItemMessage m = itemMessage(DITEM_MESSAGE_USER);
    m.u.user.value = value;
    sendItem(it, m);
    return 0;
}

int mdlDialog_itemGetValue(int *valueFormat, ValueUnion *value, char *text, size_t textSize, MSDialog *db,
                           int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    copyOut(text, textSize, "");
    if (it == nullptr)
        return -1;
    Value v = readItemValue(it);
    int fmt = v.fmt;
    if (it->type == RTYPE_ToggleButton) {
        fmt = FMT_LONG;
        v.i = toggleOn(it) ? 1 : 0;
    }
    if (valueFormat)
        *valueFormat = fmt;
    if (value) {
        if (fmt == FMT_LONG)
            value->sLongFormat = (long)v.i;
        else if (fmt == FMT_DOUBLE)
            value->doubleFormat = v.d;
        else
            value->sLongFormat = 0;
    }
    copyOut(text, textSize, displayOf(it));
    return 0;
}

namespace {

// The value a user's text gives this item, in the bound field's format.
bool valueFromText(DialogItem *it, const std::string &text, Value &v)
{
    Value cur = readItemValue(it);
    std::string typed = text;
    if (it->maxLength > 0 && (int)typed.size() > it->maxLength)
        typed.resize((size_t)it->maxLength);
    v = Value();
    switch (cur.fmt) {
    case FMT_LONG:
        v.fmt = FMT_LONG;
        return parseLong(typed, v.i);
    case FMT_DOUBLE:
        v.fmt = FMT_DOUBLE;
        return parseDouble(typed, v.d);
    case FMT_STRING:
        v.fmt = FMT_STRING;
        v.s = typed;
        return true;
    default: return false; // unresolved access string
    }
}

bool setToggle(DialogItem *it, bool on)
{
    Value cur = readItemValue(it);
    if (cur.fmt == FMT_NONE)
        return false;
    Value v;
    v.fmt = FMT_LONG;
    long long x = cur.fmt == FMT_DOUBLE ? (long long)(cur.d != 0) : cur.i;
    if (it->mask)
        v.i = on ? (x | (long long)it->mask) : (x & ~(long long)it->mask);
    else
        v.i = on ? 1 : 0;
    return writeItemValue(it, v);
}

bool chooseEntry(DialogItem *it, int entry)
{
    Value cur = readItemValue(it);
    if (cur.fmt != FMT_LONG || entry < 0 || entry >= (int)it->entries.size())
        return false;
    const OptionEntry &e = it->entries[(size_t)entry];
    Value v;
    v.fmt = FMT_LONG;
    v.i = e.mask ? ((cur.i & ~(long long)e.mask) | e.value) : e.value;
    return writeItemValue(it, v);
}

} // namespace

int mdlDialog_itemSetValue(int valueFormat, const ValueUnion *value, const char *text, MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr || !hasValue(it))
        return -1;
    bool ok = false;
    if (valueFormat == FMT_STRING && text) {
        if (it->type == RTYPE_ToggleButton || it->type == RTYPE_OptionButton) {
            long long x;
            ok = parseLong(text, x) &&
                 (it->type == RTYPE_ToggleButton ? setToggle(it, x != 0) : chooseEntry(it, matchingEntry(it, x)));
        } else {
            Value v;
            ok = valueFromText(it, text, v) && writeItemValue(it, v);
        }
    } else if ((valueFormat == FMT_LONG || valueFormat == FMT_DOUBLE) && value) {
        Value v;
        v.fmt = valueFormat;
        if (valueFormat == FMT_LONG)
            v.i = value->sLongFormat;
        else
            v.d = value->doubleFormat;
        if (it->type == RTYPE_ToggleButton)
            ok = setToggle(it, valueFormat == FMT_LONG ? v.i != 0 : v.d != 0);
        else if (it->type == RTYPE_OptionButton)
            ok = valueFormat == FMT_LONG && chooseEntry(it, matchingEntry(it, v.i));
        else
            ok = writeItemValue(it, v);
    }
    if (ok)
        refreshItem(it, false);
    return ok ? 0 : -1;
}

int mdlDialog_textSetInfo(DialogItem *item, unsigned attributes)
{
    DialogItem *it = typed(item, RTYPE_Text);
    if (it == nullptr)
        return -1;
    it->typeInfo = attributes;
    return 0;
}

int mdlDialog_textGetInfo(unsigned *attributes, DialogItem *item)
{
    DialogItem *it = typed(item, RTYPE_Text);
    if (it == nullptr || attributes == nullptr)
        return -1;
    *attributes = it->typeInfo;
    return 0;
}

int mdlDialog_textSetFormat(DialogItem *item, const char *format)
{
    DialogItem *it = typed(item, RTYPE_Text);
    Conversion c;
    if (it == nullptr || format == nullptr || !parseFormat(format, c))
        return -1;
    it->format = format;
    it->display = displayOf(it);
    return 0;
}

int mdlDialog_textGetFormat(char *out, size_t outSize, DialogItem *item)
{
    DialogItem *it = typed(item, RTYPE_Text);
    copyOut(out, outSize, it ? it->format : "");
    return it ? 0 : -1;
}

int mdlDialog_listBoxSetStrListP(DialogItem *item, StringList *list, int nColumns)
{
    DialogItem *it = listLike(item);
    if (it == nullptr || nColumns < 1 ||
        nColumns > MDLHOST_LISTMODEL_MAXCOLUMNS)
        return -1;
    it->strList = list;
    it->model = nullptr;
    it->columns = nColumns;
    it->selected.clear();
    it->topRow = 0;
    return 0;
}

StringList *mdlDialog_listBoxGetStrListP(DialogItem *item)
{
    DialogItem *it = listLike(item);
    if (it == nullptr)
        return nullptr;
    rowCount(it);
    return it->strList;
}

int mdlDialog_listBoxSetListModelP(DialogItem *item, ListModel *model)
{
    DialogItem *it = listLike(item);
    if (it == nullptr || (model != nullptr && !modelValid(model)))
        return -1;
    it->model = model;
    it->strList = nullptr;
    if (model)
        it->columns = model->columns;
    it->selected.clear();
    it->topRow = 0;
    return 0;
}

ListModel *mdlDialog_listBoxGetListModelP(DialogItem *item)
{
    DialogItem *it = listLike(item);
    if (it == nullptr)
        return nullptr;
    rowCount(it);
    return it->model;
}

int mdlDialog_listBoxNRows(DialogItem *item)
{
    DialogItem *it = listLike(item);
    return it ? rowCount(it) : -1;
}

int mdlDialog_listBoxNColumns(DialogItem *item)
{
    DialogItem *it = listLike(item);
    return it ? it->columns : -1;
}

const char *mdlhost_listBoxCellText(DialogItem *item, int row, int col)
{
    DialogItem *it = listLike(item);
    return it ? cellText(it, row, col) : nullptr;
}

int mdlDialog_listBoxGetNextSelection(int *found, int *row, int *col, DialogItem *item)
{
    DialogItem *it = typed(item, RTYPE_ListBox);
    if (found)
        *found = 0;
    if (it == nullptr || row == nullptr)
        return -1;
    rowCount(it);
    auto next = it->selected.upper_bound(*row);
    if (next == it->selected.end())
        return 0;
    *row = *next;
    if (col)
        *col = 0;
    if (found)
        *found = 1;
    return 0;
}

int mdlDialog_listBoxGetSelectRange(int *firstRow, int *lastRow, DialogItem *item)
{
    DialogItem *it = typed(item, RTYPE_ListBox);
    if (it == nullptr)
        return -1;
    rowCount(it);
    if (firstRow)
        *firstRow = it->selected.empty() ? -1 : *it->selected.begin();
    if (lastRow)
        *lastRow = it->selected.empty() ? -1 : *it->selected.rbegin();
    return 0;
}

int mdlDialog_listBoxSelectRows(DialogItem *item, int firstRow, int lastRow, int select)
{
    DialogItem *it = typed(item, RTYPE_ListBox);
    if (it == nullptr)
        return -1;
    int n = rowCount(it);
    if (firstRow < 0 || lastRow < firstRow || lastRow >= n)
        return -1;
    if (!select) {
        for (int r = firstRow; r <= lastRow; r++)
            it->selected.erase(r);
        return 0;
    }
    if (!it->multi) {
        it->selected.clear();
        firstRow = lastRow;
    }
    for (int r = firstRow; r <= lastRow; r++)
        it->selected.insert(r);
    return 0;
}

int mdlDialog_listBoxClearSelection(DialogItem *item)
{
    DialogItem *it = typed(item, RTYPE_ListBox);
    if (it == nullptr)
        return -1;
    it->selected.clear();
    return 0;
}

int mdlDialog_listBoxRowIsSelected(DialogItem *item, int row)
{
    DialogItem *it = typed(item, RTYPE_ListBox);
    if (it == nullptr || row < 0 || row >= rowCount(it))
        return -1;
    return it->selected.count(row) ? 1 : 0;
}

int mdlDialog_listBoxSetTopRow(DialogItem *item, int row)
{
    DialogItem *it = typed(item, RTYPE_ListBox);
    if (it == nullptr || row < 0 || (row > 0 && row >= rowCount(it)))
        return -1;
    it->topRow = row;
    return 0;
}

int mdlDialog_listBoxGetTopRow(DialogItem *item)
{
    DialogItem *it = typed(item, RTYPE_ListBox);
    return it ? it->topRow : -1;
}

int mdlDialog_listBoxDrawContents(DialogItem *item, int firstRow, int lastRow)
{
    DialogItem *it = typed(item, RTYPE_ListBox);
    if (it == nullptr)
        return -1;
    int n = rowCount(it);
    if (firstRow == -1 && lastRow == -1) {
        firstRow = 0;
        lastRow = n - 1;
    }
    char line[128];
    snprintf(line, sizeof line, "rows %d %d %d %d", it->db->id, it->id, firstRow, lastRow);
    mdlhost_recordDraw(it->db, line);
    return 0;
}

int mdlDialog_listBoxSetInfo(DialogItem *item, unsigned attributes)
{
    DialogItem *it = typed(item, RTYPE_ListBox);
    if (it == nullptr)
        return -1;
    it->typeInfo = attributes;
    return 0;
}

int mdlDialog_listBoxGetInfo(unsigned *attributes, DialogItem *item)
{
    DialogItem *it = typed(item, RTYPE_ListBox);
    if (it == nullptr || attributes == nullptr)
        return -1;
    *attributes = it->typeInfo;
    return 0;
}

int mdlDialog_listBoxSetColumnHeading(DialogItem *item, int col, const char *heading)
{
    DialogItem *it = typed(item, RTYPE_ListBox);
    if (it == nullptr || col < 0 || col >= MDLHOST_LISTMODEL_MAXCOLUMNS)
        return -1;
    it->headings[col] = heading ? heading : "";
    return 0;
}

int mdlDialog_optionButtonDeleteAll(DialogItem *item)
{
    DialogItem *it = typed(item, RTYPE_OptionButton);
    if (it == nullptr)
        return -1;
    it->entries.clear();
    it->display.clear();
    return 0;
}

int mdlDialog_optionButtonInsertItem(DialogItem *item, const char *label, long iconId, long value,
                                     unsigned long mask, int index)
{
    DialogItem *it = typed(item, RTYPE_OptionButton);
    int n = it ? (int)it->entries.size() : 0;
    if (index == -1)
        index = n;
    if (it == nullptr || index < 0 || index > n || n >= MDLHOST_LISTMODEL_MAXROWS)
        return -1;
    OptionEntry e;
    e.label = label ? label : "";
    e.iconId = iconId;
    e.value = value;
    e.mask = mask;
    it->entries.insert(it->entries.begin() + index, e);
    return index;
}

int mdlDialog_optionButtonSetEnabled(DialogItem *item, int entryIndex, int enabled)
{
    DialogItem *it = typed(item, RTYPE_OptionButton);
    if (it == nullptr || entryIndex < 0 || entryIndex >= (int)it->entries.size())
        return -1;
    it->entries[(size_t)entryIndex].enabled = enabled != 0;
    return 0;
}

int mdlDialog_optionButtonGetCount(DialogItem *item)
{
    DialogItem *it = typed(item, RTYPE_OptionButton);
    return it ? (int)it->entries.size() : -1;
}

int mdlDialog_optionButtonGetEntry(char *label, size_t labelSize, long *value, int *enabled, DialogItem *item,
                                   int entryIndex)
{
    DialogItem *it = typed(item, RTYPE_OptionButton);
    copyOut(label, labelSize, "");
    if (it == nullptr || entryIndex < 0 || entryIndex >= (int)it->entries.size())
        return -1;
    const OptionEntry &e = it->entries[(size_t)entryIndex];
    copyOut(label, labelSize, e.label);
    if (value)
        *value = e.value;
    if (enabled)
        *enabled = e.enabled ? 1 : 0;
    return 0;
}

int mdlDialog_optionButtonSetExtent(DialogItem *item, int)
{
    DialogItem *it = typed(item, RTYPE_OptionButton);
    if (it == nullptr)
        return -1;
    int widest = 0;
    for (const OptionEntry &e : it->entries)
        widest = std::max(widest, mdlDialog_fontGetStringWidth(it->db->font, e.label.c_str()));
    it->rect.corner.x = it->rect.origin.x + widest + 30;
    return 0;
}

int mdlDialog_comboBoxSetListModelP(DialogItem *item, ListModel *model)
{
    DialogItem *it = typed(item, RTYPE_ComboBox);
    if (it == nullptr || (model != nullptr && !modelValid(model)))
        return -1;
    it->model = model;
    it->strList = nullptr;
    if (model)
        it->columns = model->columns;
    return 0;
}

ListModel *mdlDialog_comboBoxGetListModelP(DialogItem *item)
{
    DialogItem *it = typed(item, RTYPE_ComboBox);
    if (it == nullptr)
        return nullptr;
    rowCount(it);
    return it->model;
}

int mdlDialog_comboBoxSetStrListP(DialogItem *item, StringList *list, int nColumns)
{
    return typed(item, RTYPE_ComboBox) ? mdlDialog_listBoxSetStrListP(item, list, nColumns) : -1;
}

// ===== user actions ========================================================
//
// What a user does to an item, with the messages in the order a dialog
// window would send them:
//   press:  dialog BUTTON, item BUTTON down, item BUTTON up, then a toggle
//           flips (STATECHANGED) and a closing push button sends
//           ACTIONBUTTON to the dialog and closes it unless the hook aborts
//   set:    SETSTATE, the value is stored, STATECHANGED
//   select: the selection changes, dialog BUTTON, item BUTTON down and up
//           (row, clicks), STATECHANGED

namespace {

void userLog(const MSDialog *db, const char *format, ...) __attribute__((format(printf, 2, 3)));
void userLog(const MSDialog *db, const char *format, ...)
{
    char text[512];
    va_list ap;
    va_start(ap, format);
    vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    toolSubsystem_printf("Dialog %d: %s\n", db->id, text);
}

// Users can only reach a shown, enabled item.
bool reachable(DialogItem *it)
{
    if (!it->shown || !it->enabled) {
        userLog(it->db, "%s %d is %s", typeName(it->type).c_str(), it->id, it->shown ? "disabled" : "hidden");
        return false;
    }
    return true;
}

void stateChanged(DialogItem *it, bool really)
{
    if (!itemValid(it))
        return;
    refreshItem(it, true);
    if (!itemValid(it))
        return;
    DialogItemMessage m = itemMessage(DITEM_MESSAGE_STATECHANGED);
    m.u.stateChanged.reallyChanged = really ? 1 : 0;
    sendItem(it, m);
}

void buttonMessages(DialogItem *it, int row, int clicks, bool down)
{
    MSDialog *db = it->db;
    DialogMessage dm = dialogMessage(DIALOG_MESSAGE_BUTTON);
    dm.u.button.buttonTrans = BUTTONTRANS_UP;
    dm.u.button.clicks = clicks;
    dm.u.button.itemIndex = it->index;
    dm.u.button.pt = it->rect.origin;
    sendDialog(db, dm);
    if (down && itemValid(it)) {
        DialogItemMessage m = itemMessage(DITEM_MESSAGE_BUTTON);
        m.u.button.buttonTrans = BUTTONTRANS_DOWN;
        m.u.button.clicks = clicks;
        m.u.button.row = row;
        m.u.button.col = row >= 0 ? 0 : -1;
        sendItem(it, m);
    }
    if (itemValid(it)) {
        DialogItemMessage m = itemMessage(DITEM_MESSAGE_BUTTON);
        m.u.button.buttonTrans = BUTTONTRANS_UP;
        m.u.button.clicks = clicks;
        m.u.button.row = row;
        m.u.button.col = row >= 0 ? 0 : -1;
        sendItem(it, m);
    }
}

void userPress(DialogItem *it)
{
    EventScope event;
    if (!reachable(it))
        return;
    buttonMessages(it, -1, 1, true);
    if (!itemValid(it))
        return;
    if (it->type == RTYPE_ToggleButton) {
        if (!setToggle(it, !toggleOn(it))) {
            userLog(it->db, "ToggleButton %d has no value to change", it->id);
            return;
        }
        stateChanged(it, true);
        return;
    }
    if (it->type == RTYPE_PushButton && it->action != 0) {
        MSDialog *db = it->db;
        DialogMessage m = dialogMessage(DIALOG_MESSAGE_ACTIONBUTTON);
        m.u.actionButton.actionType = it->action;
        int action = it->action;
        sendDialog(db, m);
        if (isOpen(db) && !m.u.actionButton.abortAction)
            closeDialog(db, action);
    }
}

bool userSetText(DialogItem *it, const std::string &text)
{
    EventScope event;
    if (!reachable(it))
        return false;
    if (it->type == RTYPE_ToggleButton) {
        long long x;
        if (!parseLong(text, x)) {
            userLog(it->db, "\"%s\" is not a toggle value", text.c_str());
            return false;
        }
        if ((x != 0) != toggleOn(it))
            userPress(it);
        return true;
    }
    if (it->type == RTYPE_OptionButton) {
        long long x;
        int e = parseLong(text, x) ? matchingEntry(it, x) : -1;
        if (e < 0 || !it->entries[(size_t)e].enabled) {
            userLog(it->db, "OptionButton %d has no enabled entry of value \"%s\"", it->id, text.c_str());
            return false;
        }
        Value before = readItemValue(it);
        sendItemSimple(it, DITEM_MESSAGE_SETSTATE);
        if (!itemValid(it) || !chooseEntry(it, e))
            return false;
        stateChanged(it, !sameValue(before, readItemValue(it)));
        return true;
    }
    if (it->type != RTYPE_Text && it->type != RTYPE_ComboBox) {
        userLog(it->db, "%s %d takes no value", typeName(it->type).c_str(), it->id);
        return false;
    }
    // Typing starts by entering the field, and its hook sees that first.
    if (it->db->focus != it->index && (mdlDialog_itemSetFocus(it->db, it->index) != 0 || !itemValid(it)))
        return false;
    Value before = readItemValue(it);
    sendItemSimple(it, DITEM_MESSAGE_SETSTATE);
    if (!itemValid(it))
        return false;
    Value v;
    if (!valueFromText(it, text, v) || !writeItemValue(it, v)) {
        userLog(it->db, "\"%s\" is not a value of %s %d", text.c_str(), typeName(it->type).c_str(), it->id);
        return false;
    }
    stateChanged(it, !sameValue(before, readItemValue(it)));
    return true;
}

void userSelect(DialogItem *it, const std::vector<int> &rows, int clicks)
{
    EventScope event;
    if (!reachable(it))
        return;
    if (it->type == RTYPE_OptionButton) {
        if (rows.size() != 1 || rows[0] < 0 || rows[0] >= (int)it->entries.size() ||
            !it->entries[(size_t)rows[0]].enabled) {
            userLog(it->db, "OptionButton %d has no such enabled entry", it->id);
            return;
        }
        userSetText(it, std::to_string(it->entries[(size_t)rows[0]].value));
        return;
    }
    int n = rowCount(it);
    for (int r : rows)
        if (r < 0 || r >= n) {
            userLog(it->db, "%s %d has no row %d", typeName(it->type).c_str(), it->id, r);
            return;
        }
    if (it->type == RTYPE_ComboBox) {
        const char *t = rows.size() == 1 ? cellText(it, rows[0], 0) : nullptr;
        if (t == nullptr) {
            userLog(it->db, "ComboBox %d: choose one row", it->id);
            return;
        }
        userSetText(it, t);
        return;
    }
    if (it->type != RTYPE_ListBox) {
        userLog(it->db, "%s %d has no rows", typeName(it->type).c_str(), it->id);
        return;
    }
    if (!it->multi && rows.size() > 1) {
        userLog(it->db, "ListBox %d selects one row only", it->id);
        return;
    }
    std::set<int> before = it->selected;
    it->selected = std::set<int>(rows.begin(), rows.end());
    bool really = before != it->selected;
    buttonMessages(it, rows.empty() ? -1 : rows.back(), 1, true);
    if (clicks == 2 && itemValid(it))
        buttonMessages(it, rows.empty() ? -1 : rows.back(), 2, false);
    stateChanged(it, really);
}

} // namespace

// ===== menus ===============================================================

namespace {

MenuBar &commandWindowBar()
{
    static MenuBar bar;
    static bool filled = false;
    if (!filled) {
        filled = true;
        struct HostMenu {
            int id;
            const char *title;
        };
        static const HostMenu host[] = {{-510, "File"},  {-511, "Edit"},      {-512, "Element"},
                                        {-513, "Settings"}, {-514, "Tools"}, {-515, "Utilities"},
                                        {-516, "Workspace"}, {MENUID_HostHelp, "Help"}};
        for (const HostMenu &h : host) {
            auto m = std::make_unique<PulldownMenu>();
            m->id = h.id;
            m->title = h.title;
            m->bar = &bar;
            bar.menus.push_back(std::move(m));
        }
    }
    return bar;
}

bool barValid(const MenuBar *bar)
{
    if (bar == nullptr)
        return false;
    if (bar == &commandWindowBar())
        return true;
    for (auto &d : openDialogs)
        if (d->open)
            for (auto &it : d->items)
                if (it->menuBar.get() == bar)
                    return true;
    return false;
}

// The current application's menu of that id first, then any.
PulldownMenu *findMenu(MenuBar *bar, int menuId)
{
    MdlDesc *current = mdlSystem_getCurrMdlDesc();
    PulldownMenu *any = nullptr;
    for (auto &m : bar->menus)
        if (m->id == menuId) {
            if (m->owner == current)
                return m.get();
            if (any == nullptr)
                any = m.get();
        }
    return any;
}

bool menuValid(const PulldownMenu *menu)
{
    if (menu == nullptr || !barValid(menu->bar))
        return false;
    for (auto &m : menu->bar->menus)
        if (m.get() == menu)
            return true;
    return false;
}

bool menuItemValid(const PulldownMenuItem *item)
{
    if (item == nullptr || !menuValid(item->menu))
        return false;
    for (auto &e : item->menu->entries)
        if (e.get() == item)
            return true;
    return false;
}

} // namespace

MenuBar *mdlDialog_menuBarGetCmdWinP(void) { return &commandWindowBar(); }

MenuBar *mdlDialog_menuBarFind(MSDialog *db)
{
    if (!isOpen(db))
        return nullptr;
    for (auto &it : db->items)
        if (it->menuBar)
            return it->menuBar.get();
    return nullptr;
}

PulldownMenu *mdlDialog_menuBarFindMenu(MenuBar *bar, int menuType, int menuId)
{
    if (!barValid(bar) || menuType != RTYPE_PulldownMenu)
        return nullptr;
    return findMenu(bar, menuId);
}

int mdlDialog_menuBarInsMenu(MenuBar *bar, int menuType, int menuId, RscFileHandle, PulldownMenu *before)
{
    if (!barValid(bar) || menuType != RTYPE_PulldownMenu)
        return -1;
    std::unique_ptr<PulldownMenu> menu = loadMenu(mdlSystem_getCurrMdlDesc(), menuId);
    if (menu == nullptr)
        return -1;
    menu->bar = bar;
    auto at = bar->menus.end();
    for (auto it = bar->menus.begin(); it != bar->menus.end(); ++it)
        if (it->get() == before) {
            at = it;
            break;
        }
    bar->menus.insert(at, std::move(menu));
    return 0;
}

int mdlDialog_menuBarDeleteMenu(MenuBar *bar, int menuType, int menuId)
{
    if (!barValid(bar) || menuType != RTYPE_PulldownMenu)
        return -1;
    PulldownMenu *menu = findMenu(bar, menuId);
    if (menu == nullptr)
        return -1;
    for (auto it = bar->menus.begin(); it != bar->menus.end(); ++it)
        if (it->get() == menu) {
            bar->menus.erase(it);
            break;
        }
    return 0;
}

int mdlhost_menuBarCount(MenuBar *bar) { return barValid(bar) ? (int)bar->menus.size() : 0; }

int mdlhost_menuBarMenuId(MenuBar *bar, int i, MdlDesc **owner)
{
    if (owner)
        *owner = nullptr;
    if (!barValid(bar) || i < 0 || i >= (int)bar->menus.size())
        return 0;
    if (owner)
        *owner = bar->menus[(size_t)i]->owner;
    return bar->menus[(size_t)i]->id;
}

const char *mdlhost_menuTitle(const PulldownMenu *menu) { return menuValid(menu) ? menu->title.c_str() : ""; }

PulldownMenuItem *mdlDialog_menuBarFindItem(MenuBar *bar, int menuType, int menuId, int itemId)
{
    PulldownMenu *menu = mdlDialog_menuBarFindMenu(bar, menuType, menuId);
    if (menu == nullptr)
        return nullptr;
    for (auto &e : menu->entries)
        if (e->id == itemId)
            return e.get();
    return nullptr;
}

int mdlDialog_textPDMItemSetMark(PulldownMenuItem *item, int mark)
{
    if (!menuItemValid(item) || mark < 0 || mark > 2)
        return -1;
    item->mark = mark;
    return 0;
}

int mdlDialog_textPDMItemGetMark(const PulldownMenuItem *item) { return menuItemValid(item) ? item->mark : -1; }

int mdlDialog_textPDMItemSetEnabled(PulldownMenuItem *item, int enabled)
{
    if (!menuItemValid(item))
        return -1;
    item->enabled = enabled != 0;
    return 0;
}

long mdlDialog_pulldownMenuGetValue(const PulldownMenu *menu) { return menuValid(menu) ? menu->value : 0; }

int mdlhost_menuChoose(MenuBar *bar, int menuId, int itemId)
{
    if (!barValid(bar))
        return -1;
    PulldownMenu *menu = findMenu(bar, menuId);
    PulldownMenuItem *entry = nullptr;
    if (menu)
        for (auto &e : menu->entries)
            if (e->id == itemId)
                entry = e.get();
    if (entry == nullptr || !entry->enabled)
        return -1;
    EventScope event;
    menu->value = entry->value;
    if (!menu->access.empty()) {
        Place p;
        Value v;
        v.fmt = FMT_LONG;
        v.i = entry->value;
        if (!resolveAccess(menu->owner, menu->access, p) || !writePlace(p, v))
            toolSubsystem_printf("Pull-down menu %d: \"%s\" not stored\n", menu->id, menu->access.c_str());
    }
    DialogItem *barItem = bar->item;
    MdlDesc *owner = menu->owner;
    int hooks[2] = {entry->hookId, menu->hookId};
    long value = entry->value;
    if (!entry->keyin.empty())
        mdlInput_sendKeyin(entry->keyin.c_str(), 0, 0, nullptr);
    for (int hookId : hooks) {
        MdlFunctionP fn = hookOf(owner, hookId);
        if (fn == nullptr)
            continue;
        DialogItemMessage m = itemMessage(DITEM_MESSAGE_ACTIVATE);
        m.u.menu.menuId = menuId;
        m.u.menu.itemId = itemId;
        m.u.menu.value = value;
        m.itemIndex = -1;
        if (barItem && itemValid(barItem)) {
            m.db = barItem->db;
            m.dialogId = barItem->db->id;
            m.itemIndex = barItem->index;
            m.dialogItemP = barItem;
        }
        EventScope inner;
        CurrentScope current(owner);
        reinterpret_cast<DialogItemHookFunc>(fn)(&m);
    }
    return 0;
}

// ===== drawing and the completion bar ======================================

void mdlhost_recordDraw(MSDialog *, const char *line)
{
    if (line == nullptr)
        return;
    drawLog += line;
    drawLog += '\n';
}

const char *mdlhost_drawLog(void) { return drawLog.c_str(); }

void mdlhost_clearDrawLog(void) { drawLog.clear(); }

namespace {

void drawf(MSDialog *db, const char *format, ...) __attribute__((format(printf, 2, 3)));
void drawf(MSDialog *db, const char *format, ...)
{
    char line[600];
    va_list ap;
    va_start(ap, format);
    vsnprintf(line, sizeof line, format, ap);
    va_end(ap);
    mdlhost_recordDraw(db, line);
}

} // namespace

int mdlDialog_rscIconDraw(MSDialog *db, int rscType, long iconId, int x, int y, int colour)
{
    if (!isOpen(db))
        return -1;
    drawf(db, "icon %s %ld %d %d colour %d", fourcc(rscType).c_str(), iconId, x, y, colour);
    return 0;
}

int mdlDialog_textDraw(MSDialog *db, const char *text, int x, int y, int colour)
{
    if (!isOpen(db) || text == nullptr)
        return -1;
    drawf(db, "text %d %d colour %d \"%s\"", x, y, colour, text);
    return 0;
}

int mdlDialog_rectDrawBeveled(MSDialog *db, const BSIRect *r, int raised)
{
    if (!isOpen(db) || r == nullptr)
        return -1;
    drawf(db, "bevel %d %d %d %d %d", r->origin.x, r->origin.y, r->corner.x, r->corner.y, raised ? 1 : 0);
    return 0;
}

int mdlDialog_rectFill(MSDialog *db, const BSIRect *r, int colour)
{
    if (!isOpen(db) || r == nullptr)
        return -1;
    drawf(db, "fill %d %d %d %d colour %d", r->origin.x, r->origin.y, r->corner.x, r->corner.y, colour);
    return 0;
}

int mdlDialog_lineDraw(MSDialog *db, int x1, int y1, int x2, int y2, int colour)
{
    if (!isOpen(db))
        return -1;
    drawf(db, "line %d %d %d %d colour %d", x1, y1, x2, y2, colour);
    return 0;
}

int mdlDialog_rgbImageDraw(MSDialog *db, const BSIRect *r, int rscType, long rscId, int red, int green, int blue)
{
    if (!isOpen(db) || r == nullptr)
        return -1;
    drawf(db, "rgb %s %ld %d %d %d %d transparent %d,%d,%d", fourcc(rscType).c_str(), rscId, r->origin.x,
          r->origin.y, r->corner.x, r->corner.y, red, green, blue);
    return 0;
}

CompletionBar *mdlDialog_completionBarOpen(const char *text)
{
    completionBar = std::make_unique<CompletionBar>();
    completionBar->text = text ? text : "";
    return completionBar.get();
}

int mdlDialog_completionBarUpdate(CompletionBar *bar, const char *text, int percent)
{
    if (bar == nullptr || bar != completionBar.get())
        return -1;
    if (text)
        bar->text = text;
    bar->percent = std::clamp(percent, 0, 100);
    return 0;
}

int mdlDialog_updateCompletionBar(CompletionBar *bar, const char *text, int percent)
{
    return mdlDialog_completionBarUpdate(bar, text, percent);
}

void mdlDialog_completionBarClose(CompletionBar *bar)
{
    if (bar != nullptr && bar == completionBar.get())
        completionBar.reset();
}

int mdlhost_completionBarState(const char **text, int *percent)
{
    if (!completionBar)
        return 0;
    if (text)
        *text = completionBar->text.c_str();
    if (percent)
        *percent = completionBar->percent;
    return 1;
}

// ===== answers =============================================================

namespace {

struct Step {
    std::string verb;
    int type = 0;
    int id = 0;
    std::vector<std::string> args;
    std::string source; // for the log
};

struct ModalAnswer {
    int dialogId = 0;
    std::vector<Step> steps;
};

std::deque<ModalAnswer> &modalAnswers()
{
    static std::deque<ModalAnswer> queue;
    return queue;
}

// Words of one step; quoted words keep blanks and understand \" \\ \n.
bool splitWords(std::string_view text, std::vector<std::string> &words, std::string &error)
{
    words.clear();
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t' || text[i] == '\r') {
            i++;
            continue;
        }
        std::string w;
        if (text[i] == '"') {
            i++;
            bool closed = false;
            while (i < text.size()) {
                char c = text[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < text.size()) {
                    char e = text[i++];
                    w.push_back(e == 'n' ? '\n' : e == 't' ? '\t' : e);
                } else {
                    w.push_back(c);
                }
            }
            if (!closed) {
                error = "unterminated quote";
                return false;
            }
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r')
                w.push_back(text[i++]);
        }
        words.push_back(std::move(w));
    }
    return true;
}

// Steps split at ';' and new lines outside quotes.
bool parseSteps(std::string_view text, std::vector<Step> &steps, std::string &error)
{
    std::vector<std::string> pieces;
    std::string cur;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (quoted && c == '\\' && i + 1 < text.size()) {
            cur.push_back(c);
            cur.push_back(text[++i]);
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        if (!quoted && (c == ';' || c == '\n')) {
            pieces.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    pieces.push_back(cur);

    struct Verb {
        const char *name;
        bool typed; // TYPE ID follow
        int args;   // values after TYPE ID (or after the verb)
    };
    static const Verb verbs[] = {{"set", true, 1},    {"press", true, 0},  {"select", true, 1},
                                 {"dclick", true, 1}, {"key", true, 1},    {"user", true, 1},
                                 {"menu", false, 2},  {"resize", false, 2}, {"popup", false, 3},
                                 {"close", false, 1}, {"ok", false, 0},    {"cancel", false, 0}};
    for (const std::string &piece : pieces) {
        std::vector<std::string> words;
        if (!splitWords(piece, words, error))
            return false;
        if (words.empty())
            continue;
        const Verb *verb = nullptr;
        for (const Verb &v : verbs)
            if (equalsIgnoreCase(words[0], v.name))
                verb = &v;
        if (verb == nullptr) {
            error = "unknown step \"" + words[0] + "\"";
            return false;
        }
        Step s;
        s.verb = verb->name;
        for (size_t w = 0; w < words.size(); w++)
            s.source += (w ? " " : "") + words[w];
        size_t need = 1 + (verb->typed ? 2 : 0) + (size_t)verb->args;
        if (words.size() != need) {
            error = "wrong number of words in \"" + piece + "\"";
            return false;
        }
        size_t a = 1;
        if (verb->typed) {
            s.type = typeFromWord(words[1]);
            long long id;
            if (s.type == 0 || !parseLong(words[2], id) || id < INT_MIN || id > INT_MAX) {
                error = "bad item in \"" + piece + "\"";
                return false;
            }
            s.id = (int)id;
            a = 3;
        }
        for (; a < words.size(); a++)
            s.args.push_back(words[a]);
        // Numbers are checked now, so a queued answer cannot fail on them later.
        auto number = [&](const std::string &w) {
            long long x;
            return parseLong(w, x) && x >= INT_MIN && x <= INT_MAX;
        };
        bool ok = true;
        if (s.verb == "dclick" || s.verb == "key" || s.verb == "user" || s.verb == "close")
            ok = number(s.args[0]);
        else if (s.verb == "menu" || s.verb == "resize")
            ok = number(s.args[0]) && number(s.args[1]);
        else if (s.verb == "popup")
            ok = number(s.args[0]) && number(s.args[1]) && number(s.args[2]);
        else if (s.verb == "select" && !equalsIgnoreCase(s.args[0], "none")) {
            std::string_view list = s.args[0];
            size_t b = 0;
            while (ok && b <= list.size()) {
                size_t e = list.find(',', b);
                if (e == std::string_view::npos)
                    e = list.size();
                ok = number(std::string(list.substr(b, e - b)));
                b = e + 1;
            }
        }
        if (!ok) {
            error = "number expected in \"" + piece + "\"";
            return false;
        }
        steps.push_back(std::move(s));
    }
    return true;
}

int intArg(const std::string &w)
{
    long long x = 0;
    parseLong(w, x);
    return (int)x;
}

DialogItem *pressTarget(MSDialog *db, int id)
{
    return mdlDialog_itemGetByTypeAndId(db, RTYPE_PushButton, id, 0);
}

void runStep(MSDialog *db, const Step &s)
{
    EventScope event;
    DialogItem *it = nullptr;
    if (s.type != 0) {
        it = mdlDialog_itemGetByTypeAndId(db, s.type, s.id, 0);
        if (it == nullptr) {
            userLog(db, "step \"%s\": no %s %d", s.source.c_str(), typeName(s.type).c_str(), s.id);
            return;
        }
    }
    if (s.verb == "set") {
        userSetText(it, s.args[0]);
    } else if (s.verb == "press") {
        userPress(it);
    } else if (s.verb == "select" || s.verb == "dclick") {
        std::vector<int> rows;
        if (!equalsIgnoreCase(s.args[0], "none")) {
            std::string_view list = s.args[0];
            size_t b = 0;
            while (b <= list.size()) {
                size_t e = list.find(',', b);
                if (e == std::string_view::npos)
                    e = list.size();
                rows.push_back(intArg(std::string(list.substr(b, e - b))));
                b = e + 1;
            }
        }
        userSelect(it, rows, s.verb == "dclick" ? 2 : 1);
    } else if (s.verb == "key") {
        if (!reachable(it))
            return;
        DialogItemMessage m = itemMessage(DITEM_MESSAGE_KEYSTROKE);
        m.u.keystroke.keystroke = intArg(s.args[0]);
        sendItem(it, m);
    } else if (s.verb == "user") {
        mdlDialog_itemSendUserMsg(db, it->index, intArg(s.args[0]));
    } else if (s.verb == "menu") {
        MenuBar *bar = mdlDialog_menuBarFind(db);
        if (bar == nullptr || mdlhost_menuChoose(bar, intArg(s.args[0]), intArg(s.args[1])) != 0)
            userLog(db, "step \"%s\": no such enabled menu entry", s.source.c_str());
    } else if (s.verb == "resize") {
        mdlWindow_extentSet(db, intArg(s.args[0]), intArg(s.args[1]));
    } else if (s.verb == "popup") {
        DialogMessage m = dialogMessage(DIALOG_MESSAGE_POPUP);
        m.u.popup.type = intArg(s.args[0]);
        m.u.popup.event = intArg(s.args[1]);
        m.u.popup.itemIndex = intArg(s.args[2]);
        sendDialog(db, m);
    } else if (s.verb == "close") {
        closeDialog(db, intArg(s.args[0]));
    } else if (s.verb == "ok" || s.verb == "cancel") {
        bool ok = s.verb == "ok";
        DialogItem *button = pressTarget(db, ok ? PUSHBUTTONID_OK : PUSHBUTTONID_Cancel);
        if (button)
            userPress(button);
        else
            closeDialog(db, ok ? ACTIONBUTTON_OK : ACTIONBUTTON_CANCEL);
    }
}

void runSteps(MSDialog *db, const std::vector<Step> &steps)
{
    EventScope event;
    for (const Step &s : steps) {
        if (!isOpen(db) || db->closing) {
            userLog(db, "closed before step \"%s\"", s.source.c_str());
            return;
        }
        runStep(db, s);
    }
}

DialogItem *defaultButton(MSDialog *db)
{
    for (auto &it : db->items)
        if (it->type == RTYPE_PushButton && it->isDefault)
            return it.get();
    for (auto &it : db->items)
        if (it->type == RTYPE_PushButton && it->action != 0)
            return it.get();
    return nullptr;
}

// An answer that leaves the dialog open ends in its default button; a
// default that does not close it (a hook aborts, the button is disabled)
// ends in Cancel, so a modal dialog always returns.
void finishModal(MSDialog *db, bool answered)
{
    if (!isOpen(db) || db->closing)
        return;
    DialogItem *button = defaultButton(db);
    if (button) {
        userLog(db, "%s, default button %s %d (action %d)", answered ? "answer ends" : "no answer",
                typeName(button->type).c_str(), button->id, button->action);
        userPress(button);
    } else {
        userLog(db, "%s, no default button", answered ? "answer ends" : "no answer");
    }
    if (isOpen(db) && !db->closing) {
        userLog(db, "still open, closed with action %d", ACTIONBUTTON_CANCEL);
        closeDialog(db, ACTIONBUTTON_CANCEL);
    }
}

} // namespace

int mdlDialog_openModal(int *lastAction, RscFileHandle, int dialogId)
{
    if (lastAction)
        *lastAction = ACTIONBUTTON_CANCEL;
    EventScope event; // the dialog stays readable until the runner is done
    MSDialog *db = openDefinition(dialogId, true);
    if (db == nullptr)
        return -1;
    bool answered = false;
    if (isOpen(db) && !db->closing) {
        auto &queue = modalAnswers();
        if (!queue.empty() && (queue.front().dialogId == 0 || queue.front().dialogId == dialogId)) {
            ModalAnswer answer = std::move(queue.front());
            queue.pop_front();
            answered = true;
            runSteps(db, answer.steps);
        } else if (!queue.empty()) {
            userLog(db, "the queued answer is for dialog %d", queue.front().dialogId);
        }
    }
    finishModal(db, answered);
    lastModalAction = db->action;
    if (lastAction)
        *lastAction = db->action;
    return 0;
}

int mdlhost_scriptModal(int dialogId, const char *steps)
{
    ModalAnswer answer;
    answer.dialogId = dialogId;
    std::string error;
    if (steps == nullptr || !parseSteps(steps, answer.steps, error)) {
        toolSubsystem_printf("Dialog answer refused: %s\n", steps ? error.c_str() : "no steps");
        return -1;
    }
    modalAnswers().push_back(std::move(answer));
    return 0;
}

int mdlhost_modalAnswersLeft(void) { return (int)modalAnswers().size(); }

int mdlhost_dialogDo(MSDialog *db, const char *steps)
{
    std::vector<Step> parsed;
    std::string error;
    if (!isOpen(db) || db->closing)
        return -1;
    if (steps == nullptr || !parseSteps(steps, parsed, error)) {
        toolSubsystem_printf("Dialog steps refused: %s\n", steps ? error.c_str() : "no steps");
        return -1;
    }
    runSteps(db, parsed);
    return 0;
}

int mdlhost_lastModalAction(void) { return lastModalAction; }

// ===== file dialogs ========================================================

namespace {

// The platform's dialogs remember the last file per (preference file,
// dialog id): offered when the caller suggests none, replaced on OK.
int defFile(char *fileName, int dialogId, RscFileHandle prefHandle, const char *suggestedName,
            const char *filterString, const char *defaultDirectory, const char *titleString, bool remember)
{
    if (fileName == nullptr)
        return ACTIONBUTTON_CANCEL;
    auto record = std::make_unique<MdlUserPrefsFile>();
    bool known = remember && mdlUserPrefs_getFileName(record.get(), dialogId, prefHandle) == MDLHOST_RSC_OK;
    const char *name = suggestedName;
    const char *directory = defaultDirectory;
    if ((name == nullptr || name[0] == '\0') && known && record->fileName[0] != '\0') {
        name = record->fileName;
        directory = nullptr;
    }
    char chosen[MDLHOST_MAXFILELENGTH] = "";
    if (fileDialog(chosen, name, directory, titleString) != 0)
        return ACTIONBUTTON_CANCEL;
    memcpy(fileName, chosen, strlen(chosen) + 1);
    if (!remember)
        return ACTIONBUTTON_OK;
    char device[MDLHOST_MAXFILELENGTH], dir[MDLHOST_MAXFILELENGTH], ext[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(chosen, device, dir, nullptr, ext);
    copyOut(record->fileName, sizeof record->fileName, chosen);
    if (ext[0] == '.')
        copyOut(record->filter, sizeof record->filter, std::string("*") + ext);
    else if (filterString)
        copyOut(record->filter, sizeof record->filter, filterString);
    copyOut(record->directory, sizeof record->directory, std::string(device) + dir);
    if (mdlUserPrefs_saveFileName(record.get(), dialogId, prefHandle) != MDLHOST_RSC_OK)
        toolSubsystem_printf("File dialog %d: the chosen file is not remembered\n", dialogId);
    return ACTIONBUTTON_OK;
}

} // namespace

int mdlDialog_defFileOpen(char *fileName, void *, int dialogId, RscFileHandle prefHandle, const char *suggestedName,
                          const char *filterString, const char *defaultDirectory, const char *titleString)
{
    return defFile(fileName, dialogId, prefHandle, suggestedName, filterString, defaultDirectory, titleString, true);
}

int mdlDialog_defFileCreate(char *fileName, void *, int dialogId, RscFileHandle prefHandle,
                            const char *suggestedName, const char *filterString, const char *defaultDirectory,
                            const char *titleString)
{
    return defFile(fileName, dialogId, prefHandle, suggestedName, filterString, defaultDirectory, titleString, true);
}

int mdlDialog_userPrefFileOpen(char *fileName, const char *suggestedName, const char *defaultDirectory,
                               const char *titleString)
{
    return defFile(fileName, 0, nullptr, suggestedName, "*.upf", defaultDirectory, titleString, false);
}

int mdlFileList_edit(StringList *fileList, char *directory, int attributes, const char *title, const char *,
                     const char *)
{
    lastFileListTitle = title ? title : "";
    if (fileListAnswers.empty()) {
        toolSubsystem_printf("File list \"%s\": no answer, OK\n", lastFileListTitle.c_str());
        return ACTIONBUTTON_OK;
    }
    std::optional<std::string> answer = fileListAnswers.front();
    fileListAnswers.pop_front();
    if (!answer)
        return ACTIONBUTTON_CANCEL;
    if (answer->empty())
        return ACTIONBUTTON_OK;
    std::vector<std::string> paths;
    size_t b = 0;
    while (b <= answer->size()) {
        size_t e = answer->find(';', b);
        if (e == std::string::npos)
            e = answer->size();
        if (e > b)
            paths.push_back(answer->substr(b, e - b));
        b = e + 1;
    }
    // A cut path would name another file: refuse the whole answer.
    for (const std::string &p : paths)
        if (p.size() >= MDLHOST_MAXFILELENGTH) {
            toolSubsystem_printf("File name too long: %s\n", p.c_str());
            return ACTIONBUTTON_CANCEL;
        }
    if (fileList) {
        long start = 0;
        mdlStringList_deleteMember(fileList, 0, mdlStringList_size(fileList));
        if (mdlStringList_insertMember(&start, fileList, -1, (long)paths.size()) == 0)
            for (size_t i = 0; i < paths.size(); i++)
                mdlStringList_setMember(fileList, start + (long)i, paths[i].c_str(), nullptr);
    }
    if (directory && !paths.empty()) {
        std::string dir = paths[0];
        if (!(attributes & 128)) {
            size_t cut = dir.find_last_of("/\\:");
            dir = cut == std::string::npos ? std::string() : dir.substr(0, cut + 1);
        }
        copyOut(directory, MDLHOST_MAXFILELENGTH, dir);
    }
    return ACTIONBUTTON_OK;
}

void mdlhost_scriptFileList(const char *paths)
{
    fileListAnswers.push_back(paths ? std::optional<std::string>(paths) : std::nullopt);
}

const char *mdlhost_lastFileListTitle(void) { return lastFileListTitle.c_str(); }

// ===== forgetting ==========================================================

void mdlhost_forgetDialogs(MdlDesc *desc)
{
    if (desc == nullptr)
        return;
    // The application's code may be gone: its dialogs close without hooks.
    for (auto it = openDialogs.begin(); it != openDialogs.end();) {
        if ((*it)->owner == desc) {
            (*it)->open = false;
            closedDialogs.push_back(std::move(*it));
            it = openDialogs.erase(it);
        } else {
            for (auto &item : (*it)->items)
                if (item->owner == desc) {
                    item->owner = nullptr;
                    item->hookId = 0;
                    item->access.clear();
                }
            ++it;
        }
    }
    auto dropMenus = [desc](MenuBar &bar) {
        bar.menus.erase(std::remove_if(bar.menus.begin(), bar.menus.end(),
                                       [desc](const std::unique_ptr<PulldownMenu> &m) { return m->owner == desc; }),
                        bar.menus.end());
    };
    dropMenus(commandWindowBar());
    for (auto &d : openDialogs)
        for (auto &item : d->items)
            if (item->menuBar)
                dropMenus(*item->menuBar);
    hookTables.erase(desc);
    symbolSets.erase(std::remove_if(symbolSets.begin(), symbolSets.end(),
                                    [desc](const std::unique_ptr<SymbolSet> &s) { return s->owner == desc; }),
                     symbolSets.end());
    if (eventDepth == 0)
        closedDialogs.clear();
}

// The element attribute dialog 20013 with its edit dialog 20017 and level
// chooser 20025: the attributes of one group in a list, the settings of the
// selected one in type-specific items, and the list actions.
//
// Sections: items and texts (helpers), the working copy and the callbacks,
// item set-up and fitting, filling and selecting, list actions, hooks,
// the exported and library functions.
//
// Every hook runs with the dialog's owner current, so the record it finds
// is the one of the application that opened the dialog.  Toggles and
// number items bind to the working copy through "zvlibElmAttrP"; the edit
// dialog binds to "zvlibElmAttrEditP".
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "mdlhost.h"
#include "zvlibelmattr.h"
#include "zvlibmain.h"
#include "zvlibtext.h"
#include "zvlibutil.h"

namespace {

constexpr int DIALOG_ATTR = 20013;
constexpr int DIALOG_EDIT = 20017;
constexpr int DIALOG_LEVELS = 20025;
constexpr int LIST_ID = 20001;
constexpr int LIST_COLUMNS = 7;
constexpr int LIST_INFO_ID = 1; // info field of column 0 holding the id
constexpr int GROUP_OPTION = 20008;
constexpr int MENUBAR_ID = 20001;
constexpr int ICMX_ID = 21307;
constexpr int RTYPE_iCmX = MDLHOST_FOURCC('i', 'C', 'm', 'X');
constexpr int HOST_FONT_COMBO = COMBOBOXID_Fonts;
constexpr int HOST_TEXTSTYLE_COMBO = COMBOBOXID_TextStyles;
constexpr int READOUT_DEFAULT = 2;

enum Hook {
    HOOK_DIALOG = 20203,
    HOOK_LIST = 20043,
    HOOK_GROUP = 20044,
    HOOK_TOGGLE_COLOUR = 20039,
    HOOK_TOGGLE_STYLE = 20040,
    HOOK_TOGGLE_WEIGHT = 20041,
    HOOK_TOGGLE_LEVEL = 20042,
    HOOK_TOGGLE_CLASS = 20050,
    HOOK_TOGGLE_FONT = 20046,
    HOOK_TOGGLE_SIZE = 20047,
    HOOK_TOGGLE_JUST = 20048,
    HOOK_TOGGLE_STYLEWIDTH = 20051,
    HOOK_TOGGLE_STYLESCALE = 20052,
    HOOK_TOGGLE_SLANT = 20049,
    HOOK_TOGGLE_TEXTSTYLE = 20104,
    HOOK_NUMBER = 20045,
    HOOK_SYMBOLOGY_COMBO = 20093,
    HOOK_LEVEL_BUTTON = 20094,
    HOOK_LEVEL_LIST = 20095,
    HOOK_FONT_COMBO = 20100,
    HOOK_TEXTSTYLE_COMBO = 20105,
    HOOK_EDIT = 20063,
    HOOK_INSERT = 20064,
    HOOK_ADD = 20065,
    HOOK_DELETE = 20066,
    HOOK_UP = 20102,
    HOOK_DOWN = 20103,
    HOOK_EDIT_DIALOG = 20200,
};

enum ListAction { ACTION_EDIT = 1, ACTION_INSERT, ACTION_ADD, ACTION_DELETE, ACTION_UP, ACTION_DOWN };

// --- items and texts ----------------------------------------------------------------------

int indexOf(MSDialog *db, int type, int id)
{
    DialogItem *it = mdlDialog_itemGetByTypeAndId(db, type, id, 0);
    return it ? mdlDialog_itemGetIndex(it) : -1;
}

void showItem(MSDialog *db, int index, bool show)
{
    if (index < 0)
        return;
    if (show) {
        mdlDialog_itemShow(db, index);
        mdlDialog_itemSynch(db, index);
        mdlDialog_itemDraw(db, index);
    } else {
        mdlDialog_itemHide(db, index);
    }
}

void enableItem(MSDialog *db, int index, bool enable)
{
    if (index >= 0)
        mdlDialog_itemSetEnabledState(db, index, enable ? 1 : 0, 0);
}

const char *justificationLetters(int justification)
{
    struct Letters {
        int code;
        const char *text;
    } static const table[] = {{0, "LT"}, {1, "LC"}, {2, "LB"}, {6, "CT"},  {7, "CC"},
                              {8, "CB"}, {12, "RT"}, {13, "RC"}, {14, "RB"}};
    for (const Letters &l : table)
        if (l.code == justification)
            return l.text;
    return nullptr;
}

std::string number(double v, int decimals)
{
    char format[16], text[64];
    snprintf(format, sizeof format, "%%.%df", decimals);
    snprintf(text, sizeof text, format, v);
    return text;
}

std::string narrow(const char16_t *wide, size_t capacity)
{
    std::string out;
    for (size_t i = 0; i < capacity && wide[i] != 0; i++)
        out += wide[i] < 0x100 ? char(wide[i]) : '?';
    return out;
}

std::string boundedText(const char *text, size_t capacity) { return std::string(text, strnlen(text, capacity)); }

} // namespace

// Column 6 of a row; public in the library for its tests.
std::string elmAttr_typeText(const ZvlibElmAttr *a)
{
    const ZvlibElmAttrSettings &s = a->settings;
    const int decimals = zvlibUtil_getCoordinateReadoutAccuracy(READOUT_DEFAULT);
    const std::string quoted = "\"" + boundedText(s.u.symbol.fieldText, sizeof s.u.symbol.fieldText) + "\"";
    char part[128];
    std::string out;
    switch (a->type) {
    case ZVLIB_ATTRTYPE_ICON:
        snprintf(part, sizeof part, "SY=%d", s.u.symbol.symbolNumber);
        return part;
    case ZVLIB_ATTRTYPE_ICONSIZE:
        snprintf(part, sizeof part, "SY=%d,SI=%s", s.u.symbol.symbolNumber,
                 number(s.u.symbol.symbolSize, decimals).c_str());
        return part;
    case ZVLIB_ATTRTYPE_ICONSIZETEXT:
        snprintf(part, sizeof part, "SY=%d,SI=%s,", s.u.symbol.symbolNumber,
                 number(s.u.symbol.symbolSize, decimals).c_str());
        return part + quoted;
    case ZVLIB_ATTRTYPE_TEXT:
    case ZVLIB_ATTRTYPE_TEXTFIELD: {
        const std::string style = narrow(s.u.textStyleName, ZVLIB_ATTR_TEXTSTYLENAME_LEN);
        if ((s.useFlags & ZVLIB_ATTR_TEXTSTYLE) && !style.empty())
            out += "TS=" + style + ",";
        if (s.useFlags & ZVLIB_ATTR_FONT)
            out += "FO=" + std::to_string(s.font) + ",";
        if (s.useFlags & ZVLIB_ATTR_TEXTSIZE)
            out += "SI=" + number(s.textHeight, decimals) + "/" + number(s.textWidth, decimals) + "/" +
                   number(s.lineSpacingFactor, decimals) + ",";
        // A code outside the table writes nothing.
        if (const char *letters = (s.useFlags & ZVLIB_ATTR_JUSTIFICATION) ? justificationLetters(s.justification)
                                                                          : nullptr)
            out += std::string("JU=") + letters + ",";
        if (a->type == ZVLIB_ATTRTYPE_TEXT && (s.useFlags & ZVLIB_ATTR_SLANT))
            out += "SL=" + number(s.v.textSlant, decimals) + ",";
        if (a->type == ZVLIB_ATTRTYPE_TEXTFIELD)
            return out + quoted;
        if (!out.empty() && out.back() == ',')
            out.pop_back();
        return out;
    }
    default:
        return "";
    }
}

// Columns 0 to 6 of a row.
void elmAttr_rowTexts(const ZvlibElmAttr *a, std::string (&texts)[LIST_COLUMNS])
{
    const ZvlibElmAttrSettings &s = a->settings;
    const uint32_t f = s.useFlags;
    texts[0] = a->label ? a->label : "";
    texts[1] = !(f & ZVLIB_ATTR_COLOUR) ? "" : s.colour == COLOR_BYLEVEL ? "BL" : std::to_string(int32_t(s.colour));
    texts[2] = !(f & ZVLIB_ATTR_LINESTYLE) ? ""
               : s.lineStyle < 0             ? "UD"
               : s.lineStyle == STYLE_BYLEVEL ? "BL"
                                              : std::to_string(s.lineStyle);
    texts[3] = !(f & ZVLIB_ATTR_WEIGHT) ? "" : s.weight == WEIGHT_BYLEVEL ? "BL" : std::to_string(int32_t(s.weight));
    texts[4] = !(f & ZVLIB_ATTR_LEVEL) ? "" : narrow(s.levelName, ZVLIB_ATTR_LEVELNAME_LEN);
    texts[5] = !(f & ZVLIB_ATTR_CLASS) ? "" : s.elementClass == 0 ? "P" : "C";
    texts[6] = elmAttr_typeText(a);
}

namespace {

// --- the working copy and the callbacks -----------------------------------------------------

ZvlibElmAttr *work()
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    return g ? static_cast<ZvlibElmAttr *>(g->attributeWorkRecord) : nullptr;
}

ZvlibElmAttrEditRecord *editRecord()
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    return g ? static_cast<ZvlibElmAttrEditRecord *>(g->attributeEditRecord) : nullptr;
}

// The working copy holds no pointer of the list: a deleted attribute must
// not leave it dangling.
void copyIntoWork(const ZvlibElmAttr *a)
{
    ZvlibElmAttr *w = work();
    if (w == nullptr)
        return;
    *w = *a;
    w->label = nullptr;
    w->promptText = nullptr;
    w->choices = nullptr;
    w->choiceCount = 0;
    w->changeCallback = nullptr;
    w->next = nullptr;
}

void callGroupCallbacks(int groupKey)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    auto *groups = g ? static_cast<ZvlibElmAttrGroup *>(g->attributeGroups) : nullptr;
    for (int i = 0; groups != nullptr && i < g->groupCount; i++)
        if (groups[i].key == groupKey && groups[i].changeCallback != nullptr)
            dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), groups[i].changeCallback, "");
}

// --- item set-up and fitting ------------------------------------------------------------------

struct ToggleRule {
    int toggleId;
    uint32_t flag;
};

// The toggles of every type, then of the text types.
const ToggleRule commonToggles[] = {{20001, ZVLIB_ATTR_COLOUR}, {20002, ZVLIB_ATTR_LINESTYLE},
                                    {20003, ZVLIB_ATTR_WEIGHT}, {20004, ZVLIB_ATTR_LEVEL},
                                    {20009, ZVLIB_ATTR_CLASS}};
const ToggleRule textToggles[] = {{20021, ZVLIB_ATTR_TEXTSTYLE}, {20005, ZVLIB_ATTR_FONT},
                                  {20006, ZVLIB_ATTR_TEXTSIZE}, {20007, ZVLIB_ATTR_JUSTIFICATION}};
const ToggleRule slantToggle = {20008, ZVLIB_ATTR_SLANT};

// The toggle is shown unless hidden; its value item (the next item) is
// enabled when its flag is in use.
void setToggle(MSDialog *db, const ToggleRule &rule, const ZvlibElmAttr *w, bool forType)
{
    const int t = indexOf(db, RTYPE_ToggleButton, rule.toggleId);
    if (t < 0)
        return;
    const bool shown = forType && !(w->hiddenMask & rule.flag);
    const bool used = (w->settings.useFlags & rule.flag) != 0;
    showItem(db, t, shown);
    showItem(db, t + 1, shown);
    enableItem(db, t + 1, used);
    if (rule.flag == ZVLIB_ATTR_LEVEL) // the chooser button after the value item
        showItem(db, t + 2, shown && used);
    if (rule.flag == ZVLIB_ATTR_TEXTSIZE) {
        // Height, width and the spacing item after them, and its label.
        for (int i = 2; i <= 4; i++) {
            showItem(db, t + i, shown && (i < 3 || used));
            enableItem(db, t + i, used);
        }
    }
    if (rule.flag == ZVLIB_ATTR_TEXTSTYLE && shown) {
        DialogItem *combo = mdlDialog_itemGetByIndex(db, t + 1);
        if (mdlListModel_getRowCount(mdlDialog_comboBoxGetListModelP(combo)) <= 0)
            enableItem(db, t + 1, false);
    }
    if (rule.flag == ZVLIB_ATTR_LINESTYLE) {
        // The four modifier items follow the style combo.
        const bool named = shown && used && w->settings.lineStyle < 0;
        for (int i = 2; i <= 5; i++)
            showItem(db, t + i, named);
        if (named) {
            enableItem(db, t + 2, true);
            enableItem(db, t + 3, (w->settings.useFlags & ZVLIB_ATTR_STYLEWIDTH) != 0);
            enableItem(db, t + 4, true);
            enableItem(db, t + 5, (w->settings.useFlags & ZVLIB_ATTR_STYLESCALE) != 0);
        }
    }
}

// The combo's text for a value of its model.
void showComboValue(MSDialog *db, int type, int id, long value)
{
    const int index = indexOf(db, type, id);
    DialogItem *combo = mdlDialog_itemGetByIndex(db, index);
    ListModel *model = combo ? mdlDialog_comboBoxGetListModelP(combo) : nullptr;
    const int row = model ? mdlhost_listModelRowOfValue(model, value) : -1;
    const char *text = row >= 0 ? mdlListModel_getCellText(model, row, 0) : "";
    mdlDialog_itemSetValue(FMT_STRING, nullptr, text, db, index);
}

void showValues(MSDialog *db, const ZvlibElmAttr *w)
{
    const ZvlibElmAttrSettings &s = w->settings;
    showComboValue(db, RTYPE_ComboBox, 20001, long(int32_t(s.colour)));
    showComboValue(db, RTYPE_ComboBox, 20002, long(s.lineStyle));
    showComboValue(db, RTYPE_ComboBox, 20003, long(int32_t(s.weight)));
    showComboValue(db, RTYPE_ComboBox, 20004, long(s.font));
    const int level = indexOf(db, RTYPE_Text, 20054);
    mdlDialog_itemSetValue(FMT_STRING, nullptr, narrow(s.levelName, ZVLIB_ATTR_LEVELNAME_LEN).c_str(), db, level);
    const int style = indexOf(db, RTYPE_ComboBox, 20005);
    mdlDialog_itemSetValue(FMT_STRING, nullptr, narrow(s.u.textStyleName, ZVLIB_ATTR_TEXTSTYLENAME_LEN).c_str(), db,
                           style);
}

int textItemHeight(MSDialog *db)
{
    BSIRect r{};
    if (mdlDialog_itemGetExtent(&r, db, indexOf(db, RTYPE_Text, 20054)) == 0 && r.corner.y > r.origin.y)
        return r.corner.y - r.origin.y;
    return mdlDialog_fontGetHeight(mdlWindow_fontGet(db)) + 4;
}

// The window follows the lowest visible item; group box 1 reaches just below it.
void fitDialog(MSDialog *db)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    if (g == nullptr)
        return;
    int lowest = 0;
    const int n = mdlDialog_itemCount(db);
    for (int i = 0; i < n; i++) {
        DialogItem *it = mdlDialog_itemGetByIndex(db, i);
        if (mdlDialog_itemGetType(it) == RTYPE_GroupBox || mdlDialog_itemIsVisible(db, i) != 1)
            continue;
        BSIRect r{};
        if (mdlDialog_itemGetExtent(&r, db, i) == 0 && r.corner.y > lowest)
            lowest = r.corner.y;
    }
    if (lowest == g->attributeDialogState)
        return;
    g->attributeDialogState = lowest;
    const int textHeight = textItemHeight(db);
    BSIRect content{};
    mdlWindow_contentRectGet(&content, db);
    mdlWindow_extentSet(db, content.corner.x - content.origin.x, lowest + textHeight);
    const int box = indexOf(db, RTYPE_GroupBox, 1);
    BSIRect r{};
    if (box >= 0 && mdlDialog_itemGetExtent(&r, db, box) == 0) {
        r.corner.y = lowest + int(std::lround(0.6 * textHeight));
        mdlDialog_itemSetExtent(db, box, &r, 0);
    }
    mdlDialog_itemsDraw(db);
}

void setUpItems(MSDialog *db)
{
    const ZvlibElmAttr *w = work();
    if (w == nullptr)
        return;
    const int type = w->type;
    const bool any = type >= ZVLIB_ATTRTYPE_SYMBOLOGY && type <= ZVLIB_ATTRTYPE_TEXTCHOICE;
    const bool icons = type == ZVLIB_ATTRTYPE_ICON || type == ZVLIB_ATTRTYPE_ICONSIZE ||
                       type == ZVLIB_ATTRTYPE_ICONSIZETEXT;
    const bool size = type == ZVLIB_ATTRTYPE_ICONSIZE || type == ZVLIB_ATTRTYPE_ICONSIZETEXT;
    const bool field = type == ZVLIB_ATTRTYPE_ICONSIZETEXT || type == ZVLIB_ATTRTYPE_TEXTFIELD;
    const bool text = type == ZVLIB_ATTRTYPE_TEXT || type == ZVLIB_ATTRTYPE_TEXTFIELD ||
                      type == ZVLIB_ATTRTYPE_TEXTCHOICE;
    if (any)
        showValues(db, w);
    for (const ToggleRule &rule : commonToggles)
        setToggle(db, rule, w, any);
    for (const ToggleRule &rule : textToggles)
        setToggle(db, rule, w, text);
    setToggle(db, slantToggle, w, type == ZVLIB_ATTRTYPE_TEXT);
    showItem(db, indexOf(db, RTYPE_Text, 20055), icons);
    showItem(db, indexOf(db, RTYPE_OptionButton, 20009), icons);
    showItem(db, indexOf(db, RTYPE_Text, 20056), size);
    const ZvlibElmAttr *a = elmAttr_find(w->id);
    const char *prompt = a && a->promptText ? a->promptText : "";
    const int fieldItem = indexOf(db, RTYPE_Text, 20060);
    const int choiceItem = indexOf(db, RTYPE_OptionButton, 20012);
    if (field && fieldItem >= 0)
        mdlDialog_itemSetLabel(db, fieldItem, prompt);
    if (type == ZVLIB_ATTRTYPE_TEXTCHOICE && choiceItem >= 0)
        mdlDialog_itemSetLabel(db, choiceItem, prompt);
    showItem(db, fieldItem, field);
    showItem(db, choiceItem, type == ZVLIB_ATTRTYPE_TEXTCHOICE);
    showItem(db, indexOf(db, RTYPE_iCmX, ICMX_ID), any);
    fitDialog(db);
}

// Menu bar shown for a group with the flag; the other items make room.
void layoutMenuBar(MSDialog *db, int groupKey)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    const ZvlibElmAttrGroup *group = elmAttr_findGroup(groupKey);
    const int wanted = group && (group->flags & ZVLIB_ATTRGROUP_MENUBAR) ? 1 : 0;
    if (g == nullptr || wanted == g->attributeDialogGroup)
        return;
    const int bar = indexOf(db, RTYPE_MenuBar, MENUBAR_ID);
    if (bar < 0)
        return;
    BSIRect r{};
    mdlDialog_itemGetExtent(&r, db, bar);
    const int shift = (r.corner.y - r.origin.y) * (wanted ? 1 : -1);
    wanted ? mdlDialog_itemShow(db, bar) : mdlDialog_itemHide(db, bar);
    enableItem(db, bar, wanted != 0);
    const int n = mdlDialog_itemCount(db);
    for (int i = 0; i < n; i++) {
        BSIRect e{};
        if (i == bar || mdlDialog_itemGetExtent(&e, db, i) != 0)
            continue;
        mdlDialog_itemMove(db, i, e.origin.x, e.origin.y + shift, 0);
    }
    g->attributeDialogGroup = wanted;
    for (int id : {0, 1})
        mdlDialog_itemDraw(db, indexOf(db, RTYPE_GroupBox, id));
    mdlDialog_itemDraw(db, indexOf(db, RTYPE_OptionButton, GROUP_OPTION));
}

// --- filling and selecting ---------------------------------------------------------------------------

DialogItem *listItem(MSDialog *db) { return mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, LIST_ID, 0); }

void setRow(StringList *list, long row, const ZvlibElmAttr *a)
{
    std::string texts[LIST_COLUMNS];
    elmAttr_rowTexts(a, texts);
    for (int c = 0; c < LIST_COLUMNS; c++) {
        long info[2] = {0, c == 0 ? long(a->id) : 0};
        mdlStringList_setMember(list, row * LIST_COLUMNS + c, texts[c].c_str(), info);
    }
}

void fillList(MSDialog *db)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    DialogItem *item = listItem(db);
    const ZvlibElmAttr *w = work();
    if (g == nullptr || item == nullptr || w == nullptr)
        return;
    StringList *old = mdlDialog_listBoxGetStrListP(item);
    StringList *list = mdlStringList_create(0, 2);
    long rows = 0;
    for (ZvlibElmAttr *a = elmAttr_first(); a != nullptr; a = a->next) {
        if (a->groupKey != w->groupKey)
            continue;
        long first = 0;
        if (mdlStringList_insertMember(&first, list, -1, LIST_COLUMNS) != 0)
            break;
        setRow(list, rows++, a);
    }
    mdlDialog_listBoxSetStrListP(item, list, LIST_COLUMNS);
    if (old != nullptr)
        mdlStringList_destroy(old);
    int largest = 0;
    for (ZvlibElmAttr *a = elmAttr_first(); a != nullptr; a = a->next)
        largest = a->id > largest ? a->id : largest;
    g->nextAttributeId = largest + 1;
    mdlDialog_listBoxDrawContents(item, 0, -1);
}

int rowOfId(DialogItem *item, int id)
{
    StringList *list = mdlDialog_listBoxGetStrListP(item);
    const long rows = list ? mdlStringList_size(list) / LIST_COLUMNS : 0;
    for (long r = 0; r < rows; r++) {
        const char *text = nullptr;
        long *info = nullptr;
        if (mdlStringList_getMember(&text, &info, list, r * LIST_COLUMNS) == 0 && info && info[LIST_INFO_ID] == id)
            return int(r);
    }
    return -1;
}

int idOfRow(DialogItem *item, int row)
{
    const char *text = nullptr;
    long *info = nullptr;
    StringList *list = mdlDialog_listBoxGetStrListP(item);
    if (list == nullptr || row < 0 || mdlStringList_getMember(&text, &info, list, long(row) * LIST_COLUMNS) != 0 ||
        info == nullptr)
        return -1;
    return int(info[LIST_INFO_ID]);
}

int selectedRow(DialogItem *item)
{
    int first = -1, last = -1;
    mdlDialog_listBoxGetSelectRange(&first, &last, item);
    return first;
}

void refillOptions(MSDialog *db, const ZvlibElmAttr *a)
{
    const bool icons = a->type == ZVLIB_ATTRTYPE_ICON || a->type == ZVLIB_ATTRTYPE_ICONSIZE ||
                       a->type == ZVLIB_ATTRTYPE_ICONSIZETEXT;
    DialogItem *option = mdlDialog_itemGetByTypeAndId(db, RTYPE_OptionButton, icons ? 20009 : 20012, 0);
    if (option == nullptr || (!icons && a->type != ZVLIB_ATTRTYPE_TEXTCHOICE))
        return;
    mdlDialog_optionButtonDeleteAll(option);
    for (int i = 0; a->choices != nullptr && i < a->choiceCount; i++)
        mdlDialog_optionButtonInsertItem(option, icons ? "" : a->choices[i].text, icons ? a->choices[i].iconId : 0,
                                         a->choices[i].value, 0, -1);
    mdlDialog_itemSynch(db, mdlDialog_itemGetIndex(option));
}

// The row selection becomes the working copy, with the callbacks around it.
void selectionChanged(MSDialog *db)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    ZvlibElmAttr *w = work();
    DialogItem *item = listItem(db);
    if (g == nullptr || w == nullptr || item == nullptr)
        return;
    const int row = selectedRow(item);
    const ZvlibElmAttr *a = row >= 0 ? elmAttr_find(idOfRow(item, row)) : nullptr;
    if (a == nullptr) {
        w->type = 0;
        setUpItems(db);
        return;
    }
    g->selectedAttribute = a->id;
    if (w->type != 0)
        elmAttr_callChange(elmAttr_find(w->id), db, ZVLIB_ATTR_REASON_LEAVING);
    copyIntoWork(a);
    elmAttr_callChange(a, db, ZVLIB_ATTR_REASON_SELECTED);
    refillOptions(db, a);
    setUpItems(db);
    elmAttr_callChange(a, db, ZVLIB_ATTR_REASON_ITEMSSET);
}

void fillAndSelect(MSDialog *db, int id)
{
    fillList(db);
    DialogItem *item = listItem(db);
    const int row = id >= 0 ? rowOfId(item, id) : -1;
    mdlDialog_listBoxClearSelection(item);
    if (row >= 0)
        mdlDialog_listBoxSelectRows(item, row, row, 1);
    selectionChanged(db);
}

// A setting changed: into the attribute, its row, and its callback.
void applyChange(MSDialog *db)
{
    ZvlibElmAttr *w = work();
    ZvlibElmAttr *a = w && w->type != 0 ? elmAttr_find(w->id) : nullptr;
    if (a == nullptr)
        return;
    a->settings = w->settings;
    DialogItem *item = listItem(db);
    const int row = rowOfId(item, a->id);
    if (row >= 0) {
        setRow(mdlDialog_listBoxGetStrListP(item), row, a);
        mdlDialog_listBoxDrawContents(item, row, row);
    }
    elmAttr_callChange(a, db, ZVLIB_ATTR_REASON_CHANGED);
}

// --- list actions -----------------------------------------------------------------------------

void moveAttribute(zvlibGlobalData *g, int id, bool up)
{
    ZvlibElmAttr **head = reinterpret_cast<ZvlibElmAttr **>(&g->attributeList);
    ZvlibElmAttr **at = head, *before = nullptr;
    while (*at != nullptr && (*at)->id != id) {
        before = *at;
        at = &(*at)->next;
    }
    ZvlibElmAttr *a = *at;
    if (a == nullptr)
        return;
    // The first of its group does not move up, nor the last down.
    bool firstOfGroup = true, lastOfGroup = true;
    for (ZvlibElmAttr *p = *head; p != a; p = p->next)
        if (p->groupKey == a->groupKey)
            firstOfGroup = false;
    for (ZvlibElmAttr *p = a->next; p != nullptr; p = p->next)
        if (p->groupKey == a->groupKey)
            lastOfGroup = false;
    if (up ? firstOfGroup : lastOfGroup)
        return;
    if (up) {
        // Swap with the immediate neighbour before, whatever its group.
        ZvlibElmAttr **toBefore = head;
        while (*toBefore != before)
            toBefore = &(*toBefore)->next;
        before->next = a->next;
        a->next = before;
        *toBefore = a;
    } else {
        ZvlibElmAttr *after = a->next;
        a->next = after->next;
        after->next = a;
        *at = after;
    }
}

void listAction(MSDialog *db, int action)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    DialogItem *item = listItem(db);
    const int row = item ? selectedRow(item) : -1;
    if (g == nullptr || row < 0)
        return;
    const int id = idOfRow(item, row);
    ZvlibElmAttr *a = elmAttr_find(id);
    if (a == nullptr)
        return;
    g->selectedAttribute = id;
    if (action == ACTION_DELETE) {
        zvlibElmAttr_deleteAttribute(id, 1);
        return;
    }
    if (action == ACTION_UP || action == ACTION_DOWN) {
        moveAttribute(g, id, action == ACTION_UP);
        fillAndSelect(db, id);
        return;
    }
    ZvlibElmAttrEditRecord *edit = editRecord();
    if (edit == nullptr)
        return;
    zvlib::copyText(edit->label, a->label ? a->label : "");
    edit->type = a->type;
    edit->hiddenMask = a->hiddenMask;
    const int groupKey = a->groupKey;
    int result = ACTIONBUTTON_CANCEL;
    mdlDialog_openModal(&result, nullptr, DIALOG_EDIT);
    a = elmAttr_find(id); // a hook may have changed the list
    if (result == ACTIONBUTTON_OK && a != nullptr) {
        edit->label[sizeof edit->label - 1] = '\0';
        ZvlibElmAttrSettings s = a->settings;
        s.useFlags &= ~edit->hiddenMask;
        if (action == ACTION_EDIT) {
            elmAttr_setLabel(a, edit->label);
            a->hiddenMask = edit->hiddenMask;
            zvlibElmAttr_editAttribute(id, 1, &s);
        } else if (action == ACTION_INSERT) {
            zvlibElmAttr_insertAttribute(id, edit->label, edit->hiddenMask, &s);
        } else {
            const int newId = g->nextAttributeId > id ? g->nextAttributeId : id + 1;
            if (edit->type >= ZVLIB_ATTRTYPE_SYMBOLOGY && edit->type <= ZVLIB_ATTRTYPE_TEXTCHOICE) {
                // No choices and no prompt text for the new one.
                if (edit->type == ZVLIB_ATTRTYPE_ICON || edit->type == ZVLIB_ATTRTYPE_ICONSIZE)
                    zvlibElmAttr_addAttribute(newId, edit->label, groupKey, edit->type, edit->hiddenMask, nullptr, 1,
                                              &s, 0);
                else if (edit->type == ZVLIB_ATTRTYPE_ICONSIZETEXT)
                    zvlibElmAttr_addAttribute(newId, edit->label, groupKey, edit->type, edit->hiddenMask, nullptr, 1,
                                              &s, ZVLIB_ATTR_DEFAULT_TEXTLEN, "", 0);
                else if (edit->type == ZVLIB_ATTRTYPE_TEXTFIELD)
                    zvlibElmAttr_addAttribute(newId, edit->label, groupKey, edit->type, edit->hiddenMask, nullptr, 1,
                                              &s, ZVLIB_ATTR_DEFAULT_TEXTLEN, "");
                else if (edit->type == ZVLIB_ATTRTYPE_TEXTCHOICE)
                    zvlibElmAttr_addAttribute(newId, edit->label, groupKey, edit->type, edit->hiddenMask, nullptr, 1,
                                              &s, "", 0);
                else
                    zvlibElmAttr_addAttribute(newId, edit->label, groupKey, edit->type, edit->hiddenMask, nullptr, 1,
                                              &s);
            }
        }
    }
    callGroupCallbacks(groupKey);
}

// --- hooks ---------------------------------------------------------------------------------

void dialogHook(DialogMessage *m)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DIALOG_MESSAGE_CREATE:
        zvlibMain_updateBeforeDialogOpen(DIALOG_ATTR);
        m->u.create.interests |= DIALOG_INTEREST_RESIZE;
        if (g)
            g->attributeDialogState = 0;
        break;
    case DIALOG_MESSAGE_INIT: {
        ZvlibElmAttr *w = work();
        if (g == nullptr || w == nullptr)
            break;
        // Keys are the application's own: a working copy that never had a
        // group starts in the first one.
        auto *groups = static_cast<ZvlibElmAttrGroup *>(g->attributeGroups);
        if (elmAttr_findGroup(w->groupKey) == nullptr && groups != nullptr && g->groupCount > 0)
            w->groupKey = groups[0].key;
        ValueUnion key{};
        key.sLongFormat = w->groupKey;
        mdlDialog_itemSetValue(FMT_LONG, &key, nullptr, m->db, indexOf(m->db, RTYPE_OptionButton, GROUP_OPTION));
        // The bar's place in the definition is the layout without it.
        g->attributeDialogGroup = 1;
        const int bar = indexOf(m->db, RTYPE_MenuBar, MENUBAR_ID);
        if (bar >= 0 && mdlDialog_itemIsVisible(m->db, bar) != 1)
            g->attributeDialogGroup = 0;
        layoutMenuBar(m->db, w->groupKey);
        fillAndSelect(m->db, g->selectedAttribute);
        break;
    }
    case DIALOG_MESSAGE_DESTROY:
        if (g) {
            g->attributeDialogGroup = 0;
            g->attributeDialogState = 0;
        }
        break;
    case DIALOG_MESSAGE_UPDATE:
    case DIALOG_MESSAGE_RESIZE:
        mdlDialog_itemDraw(m->db, indexOf(m->db, RTYPE_OptionButton, GROUP_OPTION));
        break;
    case DIALOG_MESSAGE_BUTTON: {
        const ZvlibElmAttrGroup *group = work() ? elmAttr_findGroup(work()->groupKey) : nullptr;
        const int list = indexOf(m->db, RTYPE_ListBox, LIST_ID);
        if (group && (group->flags & ZVLIB_ATTRGROUP_MENUBAR) && list >= 0 && m->u.button.itemIndex == list) {
            MenuBar *bar = mdlDialog_menuBarFind(m->db);
            PulldownMenu *menu = bar ? mdlDialog_menuBarFindMenu(bar, RTYPE_PulldownMenu, MENUBAR_ID) : nullptr;
            if (menu)
                mdlDialog_pulldownMenuGetValue(menu);
        }
        break;
    }
    default:
        m->msgUnderstood = 0;
    }
}

void listHook(DialogItemMessage *m)
{
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE:
        fillList(m->db);
        break;
    case DITEM_MESSAGE_DESTROY:
        if (StringList *list = mdlDialog_listBoxGetStrListP(m->dialogItemP)) {
            mdlDialog_listBoxSetStrListP(m->dialogItemP, nullptr, LIST_COLUMNS);
            mdlStringList_destroy(list);
        }
        break;
    case DITEM_MESSAGE_STATECHANGED:
        selectionChanged(m->db);
        break;
    default:
        m->msgUnderstood = 0;
    }
}

void groupHook(DialogItemMessage *m)
{
    m->msgUnderstood = 1;
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    ZvlibElmAttr *w = work();
    if (g == nullptr || w == nullptr)
        return;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
        mdlDialog_optionButtonDeleteAll(m->dialogItemP);
        auto *groups = static_cast<ZvlibElmAttrGroup *>(g->attributeGroups);
        for (int i = 0; groups != nullptr && i < g->groupCount; i++)
            mdlDialog_optionButtonInsertItem(m->dialogItemP, groups[i].name ? groups[i].name : "", 0, groups[i].key,
                                             0, -1);
        break;
    }
    case DITEM_MESSAGE_STATECHANGED: {
        ValueUnion v{};
        int format = 0;
        mdlDialog_itemGetValue(&format, &v, nullptr, 0, m->db, m->itemIndex);
        if (w->type != 0)
            elmAttr_callChange(elmAttr_find(w->id), m->db, ZVLIB_ATTR_REASON_LEAVING);
        w->type = 0;
        w->groupKey = int32_t(v.sLongFormat);
        layoutMenuBar(m->db, w->groupKey);
        int first = -1;
        for (ZvlibElmAttr *a = elmAttr_first(); a != nullptr && first < 0; a = a->next)
            if (a->groupKey == w->groupKey)
                first = a->id;
        fillAndSelect(m->db, first);
        break;
    }
    default:
        m->msgUnderstood = 0;
    }
}

// Every toggle: the value items follow the flag, then the change applies.
void toggleHook(DialogItemMessage *m)
{
    if (m->messageType != DITEM_MESSAGE_STATECHANGED) {
        m->msgUnderstood = 0;
        return;
    }
    m->msgUnderstood = 1;
    if (mdlDialog_itemGetId(m->dialogItemP) == 20021) {
        // The text-style combo that follows is brought up to date first.
        mdlDialog_itemSynch(m->db, m->itemIndex + 1);
    }
    setUpItems(m->db);
    applyChange(m->db);
}

void numberHook(DialogItemMessage *m)
{
    m->msgUnderstood = 1;
    // Setting the format shows the value again, which asks this hook again.
    static bool formatting = false;
    if ((m->messageType == DITEM_MESSAGE_GETSTATE || m->messageType == DITEM_MESSAGE_SETSTATE) &&
        mdlDialog_itemGetType(m->dialogItemP) == RTYPE_Text) {
        if (!formatting) {
            formatting = true;
            zvlibUtil_setActiveDecimalNumberInTextItem(m->dialogItemP);
            formatting = false;
        }
    } else if (m->messageType == DITEM_MESSAGE_STATECHANGED && m->u.stateChanged.reallyChanged)
        applyChange(m->db);
    else
        m->msgUnderstood = 0;
}

// The value of the row the combo shows; false when none matches.
bool comboValue(MSDialog *db, int itemIndex, long *value)
{
    char text[256] = "";
    mdlDialog_itemGetValue(nullptr, nullptr, text, sizeof text, db, itemIndex);
    ListModel *model = mdlDialog_comboBoxGetListModelP(mdlDialog_itemGetByIndex(db, itemIndex));
    const int row = model ? mdlListModel_search(model, text, 0, 0) : -1;
    return row >= 0 && mdlListModel_getCellValue(model, row, 0, value) == 0;
}

// A combo box's own model goes with it.
void destroyComboModel(DialogItem *item)
{
    ListModel *model = mdlDialog_comboBoxGetListModelP(item);
    mdlDialog_comboBoxSetListModelP(item, nullptr);
    mdlListModel_destroy(model);
}

void symbologyComboHook(DialogItemMessage *m)
{
    m->msgUnderstood = 1;
    long kind = 0;
    mdlDialog_itemGetUserValue(&kind, m->db, m->itemIndex);
    ZvlibElmAttr *w = work();
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE:
        mdlDialog_comboBoxSetListModelP(m->dialogItemP, mdlLevelList_createSymbologyModel(0, int(kind)));
        break;
    case DITEM_MESSAGE_DESTROY:
        destroyComboModel(m->dialogItemP);
        break;
    case DITEM_MESSAGE_STATECHANGED: {
        long value = 0;
        if (w == nullptr || !comboValue(m->db, m->itemIndex, &value))
            break;
        if (kind == LEVELLIST_COLOR)
            w->settings.colour = uint32_t(value);
        else if (kind == LEVELLIST_WEIGHT)
            w->settings.weight = uint32_t(value);
        else if (kind == LEVELLIST_STYLE) {
            w->settings.lineStyle = int32_t(value);
            if (value < 0)
                mdlLineStyle_getName(w->settings.lineStyleName, sizeof w->settings.lineStyleName,
                                     mdlModelRef_getActive(), int32_t(value));
            setUpItems(m->db);
        }
        applyChange(m->db);
        break;
    }
    default:
        m->msgUnderstood = 0;
    }
}

char16_t *levelTarget(MSDialog *db)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    ZvlibElmAttr *w = work();
    long slot = 0;
    mdlDialog_itemGetUserValue(&slot, db, indexOf(db, RTYPE_Text, 20054));
    if (g != nullptr && slot >= 1 && slot <= ZVLIB_MAX_LEVELNAME_BUFFERS && g->levelNameBuffers[slot - 1] != nullptr)
        return static_cast<char16_t *>(g->levelNameBuffers[slot - 1]);
    return w ? w->settings.levelName : nullptr;
}

// The chooser's target for this run (set before 20025 opens).
char16_t *chooserTarget = nullptr;

void levelButtonHook(DialogItemMessage *m)
{
    if (m->messageType != DITEM_MESSAGE_BUTTON || m->u.button.buttonTrans != BUTTONTRANS_UP) {
        m->msgUnderstood = 0;
        return;
    }
    m->msgUnderstood = 1;
    char16_t *target = levelTarget(m->db);
    if (target == nullptr)
        return;
    char16_t kept[ZVLIB_ATTR_LEVELNAME_LEN];
    memcpy(kept, target, sizeof kept);
    chooserTarget = target;
    int result = ACTIONBUTTON_CANCEL;
    mdlDialog_openModal(&result, nullptr, DIALOG_LEVELS);
    chooserTarget = nullptr;
    if (result == ACTIONBUTTON_OK) {
        const int level = indexOf(m->db, RTYPE_Text, 20054);
        mdlDialog_itemSetValue(FMT_STRING, nullptr, narrow(target, ZVLIB_ATTR_LEVELNAME_LEN).c_str(), m->db, level);
        mdlDialog_itemSynch(m->db, level);
        applyChange(m->db);
    } else {
        memcpy(target, kept, sizeof kept);
    }
}

void levelListHook(DialogItemMessage *m)
{
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
        ListModel *model = mdlListModel_create(1);
        uint32_t ids[4096];
        const int n = mdlhost_levelIds(mdlModelRef_getActive(), ids, 4096);
        int selected = -1;
        for (int i = 0; i < n; i++) {
            char16_t name[MDLHOST_MAX_LEVELNAME + 1];
            if (mdlLevel_getName(name, MDLHOST_MAX_LEVELNAME + 1, mdlModelRef_getActive(), ids[i]) != 0)
                continue;
            const int r = mdlListModel_insertRow(model, -1);
            mdlListModel_setCellText(model, r, 0, narrow(name, MDLHOST_MAX_LEVELNAME + 1).c_str());
            mdlListModel_setCellValue(model, r, 0, long(ids[i]));
            if (chooserTarget != nullptr &&
                narrow(name, MDLHOST_MAX_LEVELNAME + 1) == narrow(chooserTarget, ZVLIB_ATTR_LEVELNAME_LEN))
                selected = r;
        }
        mdlDialog_listBoxSetListModelP(m->dialogItemP, model);
        if (selected >= 0) {
            mdlDialog_listBoxSelectRows(m->dialogItemP, selected, selected, 1);
            if (selected > 10)
                mdlDialog_listBoxSetTopRow(m->dialogItemP, selected);
        }
        break;
    }
    case DITEM_MESSAGE_DESTROY: {
        ListModel *model = mdlDialog_listBoxGetListModelP(m->dialogItemP);
        const int row = selectedRow(m->dialogItemP);
        const char *name = row >= 0 && model ? mdlListModel_getCellText(model, row, 0) : nullptr;
        if (name != nullptr && chooserTarget != nullptr) {
            // Bounded: the target holds ZVLIB_ATTR_LEVELNAME_LEN characters.
            size_t i = 0;
            for (; i + 1 < ZVLIB_ATTR_LEVELNAME_LEN && name[i] != '\0'; i++)
                chooserTarget[i] = char16_t(static_cast<unsigned char>(name[i]));
            chooserTarget[i] = 0;
        }
        mdlDialog_listBoxSetListModelP(m->dialogItemP, nullptr);
        mdlListModel_destroy(model);
        break;
    }
    case DITEM_MESSAGE_BUTTON:
        if (m->u.button.clicks == 2)
            mdlDialog_closeWithAction(m->db, ACTIONBUTTON_OK);
        break;
    default:
        m->msgUnderstood = 0;
    }
}

void fontComboHook(DialogItemMessage *m)
{
    m->msgUnderstood = 1;
    if (m->messageType == DITEM_MESSAGE_CREATE) {
        DialogItem *host = mdlDialog_itemGetByTypeAndId(m->db, RTYPE_ComboBox, HOST_FONT_COMBO, 0);
        ListModel *model = host ? mdlDialog_comboBoxGetListModelP(host) : nullptr;
        if (model == nullptr)
            model = mdlhost_hostListModel(HOST_FONT_COMBO);
        mdlDialog_comboBoxSetListModelP(m->dialogItemP, model);
    } else if (m->messageType == DITEM_MESSAGE_STATECHANGED) {
        long value = 0;
        ZvlibElmAttr *w = work();
        if (w != nullptr && comboValue(m->db, m->itemIndex, &value)) {
            w->settings.font = int32_t(value);
            applyChange(m->db);
        }
    } else {
        m->msgUnderstood = 0;
    }
}

void textStyleComboHook(DialogItemMessage *m)
{
    m->msgUnderstood = 1;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE: {
        DialogItem *host = mdlDialog_itemGetByTypeAndId(m->db, RTYPE_ComboBox, HOST_TEXTSTYLE_COMBO, 0);
        ListModel *from = host ? mdlDialog_comboBoxGetListModelP(host) : nullptr;
        if (from == nullptr)
            from = mdlhost_hostListModel(HOST_TEXTSTYLE_COMBO);
        ListModel *model = mdlListModel_create(1);
        // The host's first two rows are not styles of the design.
        for (int r = 2; r < mdlListModel_getRowCount(from); r++) {
            long value = 0;
            mdlListModel_getCellValue(from, r, 0, &value);
            const int to = mdlListModel_insertRow(model, -1);
            mdlListModel_setCellText(model, to, 0, mdlListModel_getCellText(from, r, 0));
            mdlListModel_setCellValue(model, to, 0, value);
        }
        mdlDialog_comboBoxSetListModelP(m->dialogItemP, model);
        if (mdlListModel_getRowCount(model) == 0)
            enableItem(m->db, m->itemIndex, false);
        break;
    }
    case DITEM_MESSAGE_DESTROY:
        destroyComboModel(m->dialogItemP);
        break;
    case DITEM_MESSAGE_STATECHANGED: {
        ZvlibElmAttr *w = work();
        char text[ZVLIB_ATTR_TEXTSTYLENAME_LEN] = "";
        if (w == nullptr)
            break;
        mdlDialog_itemGetValue(nullptr, nullptr, text, sizeof text, m->db, m->itemIndex);
        size_t i = 0;
        for (; i + 1 < ZVLIB_ATTR_TEXTSTYLENAME_LEN && text[i] != '\0'; i++)
            w->settings.u.textStyleName[i] = char16_t(static_cast<unsigned char>(text[i]));
        w->settings.u.textStyleName[i] = 0;
        applyChange(m->db);
        break;
    }
    default:
        m->msgUnderstood = 0;
    }
}

template <int Action> void actionHook(DialogItemMessage *m)
{
    if (m->messageType != DITEM_MESSAGE_BUTTON || m->u.button.buttonTrans != BUTTONTRANS_UP) {
        m->msgUnderstood = 0;
        return;
    }
    m->msgUnderstood = 1;
    listAction(m->db, Action);
}

void editDialogHook(DialogMessage *m)
{
    if (m->messageType != DIALOG_MESSAGE_INIT) {
        m->msgUnderstood = 0;
        return;
    }
    m->msgUnderstood = 1;
    const ZvlibElmAttrEditRecord *edit = editRecord();
    const bool text = edit != nullptr && edit->type == ZVLIB_ATTRTYPE_TEXT;
    for (int id = 20017; id <= 20020; id++)
        enableItem(m->db, indexOf(m->db, RTYPE_ToggleButton, id), text);
}

void publishWorkCopy()
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    SymbolSet *set = g ? mdlCExpression_initializeSet(4, 0, 1) : nullptr;
    if (set == nullptr)
        return;
    static const MdlhostField settingsFields[] = {
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, colour, MDLHOST_FIELD_UINT),
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, lineStyle, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, weight, MDLHOST_FIELD_UINT),
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, elementClass, MDLHOST_FIELD_UINT),
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, useFlags, MDLHOST_FIELD_UINT),
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, lineStyleScale, MDLHOST_FIELD_DOUBLE),
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, lineStyleWidth, MDLHOST_FIELD_DOUBLE),
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, font, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, textWidth, MDLHOST_FIELD_DOUBLE),
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, textHeight, MDLHOST_FIELD_DOUBLE),
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, justification, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, lineSpacingFactor, MDLHOST_FIELD_DOUBLE),
        {"textSlant", offsetof(ZvlibElmAttrSettings, v.textSlant), MDLHOST_FIELD_DOUBLE, sizeof(double), 1, nullptr},
        {"choiceText", offsetof(ZvlibElmAttrSettings, v.choiceText), MDLHOST_FIELD_TEXT, ZVLIB_ATTR_CHOICETEXT_LEN, 1,
         nullptr},
        MDLHOST_FIELD_OF(ZvlibElmAttrSettings, choiceValue, MDLHOST_FIELD_INT),
        {"symbolNumber", offsetof(ZvlibElmAttrSettings, u.symbol.symbolNumber), MDLHOST_FIELD_INT, sizeof(int32_t), 1,
         nullptr},
        {"symbolSize", offsetof(ZvlibElmAttrSettings, u.symbol.symbolSize), MDLHOST_FIELD_DOUBLE, sizeof(double), 1,
         nullptr},
        {"fieldText", offsetof(ZvlibElmAttrSettings, u.symbol.fieldText), MDLHOST_FIELD_TEXT, ZVLIB_ATTR_FIELDTEXT_LEN,
         1, nullptr},
    };
    static const MdlhostField attrFields[] = {
        MDLHOST_FIELD_OF(ZvlibElmAttr, groupKey, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(ZvlibElmAttr, type, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(ZvlibElmAttr, id, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(ZvlibElmAttr, hiddenMask, MDLHOST_FIELD_UINT),
        MDLHOST_STRUCT_OF(ZvlibElmAttr, settings, "ZvlibElmAttrSettings"),
    };
    static const MdlhostField editFields[] = {
        MDLHOST_FIELD_OF(ZvlibElmAttrEditRecord, label, MDLHOST_FIELD_TEXT),
        MDLHOST_FIELD_OF(ZvlibElmAttrEditRecord, type, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(ZvlibElmAttrEditRecord, hiddenMask, MDLHOST_FIELD_UINT),
    };
    mdlhost_defineStruct(set, "ZvlibElmAttrSettings", sizeof(ZvlibElmAttrSettings), settingsFields,
                         int(sizeof settingsFields / sizeof settingsFields[0]));
    mdlhost_defineStruct(set, "ZvlibElmAttr", sizeof(ZvlibElmAttr), attrFields,
                         int(sizeof attrFields / sizeof attrFields[0]));
    mdlhost_defineStruct(set, "ZvlibElmAttrEditRecord", sizeof(ZvlibElmAttrEditRecord), editFields,
                         int(sizeof editFields / sizeof editFields[0]));
    mdlDialog_publishComplexPtr(set, "ZvlibElmAttr", "zvlibElmAttrP", &g->attributeWorkRecord);
    mdlDialog_publishComplexPtr(set, "ZvlibElmAttrEditRecord", "zvlibElmAttrEditP", &g->attributeEditRecord);
}

} // namespace

// --- the exported and library functions --------------------------------------------------------

void elmAttr_refreshDialog(int id)
{
    MSDialog *db = mdlDialog_findByTypeAndId(RTYPE_DialogBox, DIALOG_ATTR, mdlSystem_getCurrMdlDesc());
    if (db != nullptr)
        fillAndSelect(db, id);
}

int zvlibElmAttr_dialogOpen(void)
{
    if (zvlibMain_getGlobalDataP() == nullptr)
        return ZVLIB_FAILURE;
    if (mdlDialog_findByTypeAndId(RTYPE_DialogBox, DIALOG_ATTR, mdlSystem_getCurrMdlDesc()) != nullptr)
        return 0;
    return mdlDialog_open(nullptr, DIALOG_ATTR) != nullptr ? 0 : ZVLIB_FAILURE;
}

void elmAttr_publishHooks(void)
{
    static const DialogHookInfo hooks[] = {
        {HOOK_DIALOG, reinterpret_cast<MdlFunctionP>(dialogHook)},
        {HOOK_LIST, reinterpret_cast<MdlFunctionP>(listHook)},
        {HOOK_GROUP, reinterpret_cast<MdlFunctionP>(groupHook)},
        {HOOK_TOGGLE_COLOUR, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_TOGGLE_STYLE, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_TOGGLE_WEIGHT, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_TOGGLE_LEVEL, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_TOGGLE_CLASS, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_TOGGLE_FONT, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_TOGGLE_SIZE, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_TOGGLE_JUST, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_TOGGLE_STYLEWIDTH, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_TOGGLE_STYLESCALE, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_TOGGLE_SLANT, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_TOGGLE_TEXTSTYLE, reinterpret_cast<MdlFunctionP>(toggleHook)},
        {HOOK_NUMBER, reinterpret_cast<MdlFunctionP>(numberHook)},
        {HOOK_SYMBOLOGY_COMBO, reinterpret_cast<MdlFunctionP>(symbologyComboHook)},
        {HOOK_LEVEL_BUTTON, reinterpret_cast<MdlFunctionP>(levelButtonHook)},
        {HOOK_LEVEL_LIST, reinterpret_cast<MdlFunctionP>(levelListHook)},
        {HOOK_FONT_COMBO, reinterpret_cast<MdlFunctionP>(fontComboHook)},
        {HOOK_TEXTSTYLE_COMBO, reinterpret_cast<MdlFunctionP>(textStyleComboHook)},
        {HOOK_EDIT, reinterpret_cast<MdlFunctionP>(actionHook<ACTION_EDIT>)},
        {HOOK_INSERT, reinterpret_cast<MdlFunctionP>(actionHook<ACTION_INSERT>)},
        {HOOK_ADD, reinterpret_cast<MdlFunctionP>(actionHook<ACTION_ADD>)},
        {HOOK_DELETE, reinterpret_cast<MdlFunctionP>(actionHook<ACTION_DELETE>)},
        {HOOK_UP, reinterpret_cast<MdlFunctionP>(actionHook<ACTION_UP>)},
        {HOOK_DOWN, reinterpret_cast<MdlFunctionP>(actionHook<ACTION_DOWN>)},
        {HOOK_EDIT_DIALOG, reinterpret_cast<MdlFunctionP>(editDialogHook)},
    };
    static_assert(sizeof hooks / sizeof hooks[0] == 28);
    mdlDialog_hookPublish(int(sizeof hooks / sizeof hooks[0]), hooks);
    // The list head of a record used before is cleared with what it held.
    if (zvlibGlobalData *g = zvlibMain_findGlobalDataP())
        elmAttr_freeAll(g);
    publishWorkCopy();
}

// Dialog items: state, values, synchronising, and the calls of each item type.
#include "dlg_int.h"

// ===== items ===============================================================

namespace dlgint {

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

} // namespace dlgint

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
    mdlhost::copyText(out, outSize, it ? it->label : "");
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
    mdlhost::copyText(out, outSize, it ? it->balloon : "");
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
    mdlhost::copyText(text, textSize, "");
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
    mdlhost::copyText(text, textSize, displayOf(it));
    return 0;
}

namespace dlgint {

// The value a user's text gives this item, in the bound field's format.
bool valueFromText(DialogItem *it, const std::string &text, Value &v)
{
    Value cur = readItemValue(it);
    std::string typed = text;
    if (it->maxLength > 0 && (int)typed.size() > it->maxLength)
        typed.resize((size_t)it->maxLength);
    v = Value();
    switch (cur.fmt) {
    case FMT_LONG: {
        v.fmt = FMT_LONG;
        int64_t x;
        if (!mdlhost::parseInt64(typed, x))
            return false;
        v.i = x;
        return true;
    }
    case FMT_DOUBLE:
        v.fmt = FMT_DOUBLE;
        return mdlhost::parseDouble(typed, v.d);
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

} // namespace dlgint

int mdlDialog_itemSetValue(int valueFormat, const ValueUnion *value, const char *text, MSDialog *db, int itemIndex)
{
    DialogItem *it = itemAt(db, itemIndex);
    if (it == nullptr || !hasValue(it))
        return -1;
    bool ok = false;
    if (valueFormat == FMT_STRING && text) {
        if (it->type == RTYPE_ToggleButton || it->type == RTYPE_OptionButton) {
            int64_t x;
            ok = mdlhost::parseInt64(text, x) &&
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
    mdlhost::copyText(out, outSize, it ? it->format : "");
    return it ? 0 : -1;
}

int mdlDialog_listBoxSetStrListP(DialogItem *item, StringList *list, int nColumns)
{
    DialogItem *it = listLike(item);
    if (it == nullptr || nColumns < 1 ||
        nColumns > MDLHOST_LISTMODEL_MAXCOLUMNS)
        return -1;
    listenForStringLists();
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
    mdlhost::copyText(label, labelSize, "");
    if (it == nullptr || entryIndex < 0 || entryIndex >= (int)it->entries.size())
        return -1;
    const OptionEntry &e = it->entries[(size_t)entryIndex];
    mdlhost::copyText(label, labelSize, e.label);
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

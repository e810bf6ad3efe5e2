// String-list sorting and searching for list boxes; list models.
#include "dlg_int.h"

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

namespace dlgint {

// A destroyed list leaves every list box that showed it empty, as a
// destroyed list model does.
void stringListDestroyed(StringList *list)
{
    for (auto &d : openDialogs)
        for (auto &it : d->items)
            if (it->strList == list) {
                it->strList = nullptr;
                it->selected.clear();
            }
}

void listenForStringLists()
{
    static bool listening = false;
    if (!listening) {
        listening = true;
        mdlhost_addStringListDestroyListener(stringListDestroyed);
    }
}

} // namespace dlgint

// ===== list models =========================================================

namespace dlgint {

bool modelValid(const ListModel *model) { return model != nullptr && liveModels.count(model) != 0; }

CellText *cellAt(const ListModel *model, int row, int col)
{
    if (!modelValid(model) || row < 0 || row >= (int)model->rows.size() || col < 0 || col >= model->columns)
        return nullptr;
    return const_cast<CellText *>(&model->rows[(size_t)row][(size_t)col]);
}

} // namespace dlgint

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

namespace {

// Constant-initialised, so a floor above may set them from its own static
// initialisers.
MdlhostListFiller fontFiller = nullptr;
MdlhostListFiller textStyleFiller = nullptr;

} // namespace

void mdlhost_setHostListFiller(int comboBoxId, MdlhostListFiller fill)
{
    if (comboBoxId == COMBOBOXID_Fonts)
        fontFiller = fill;
    else if (comboBoxId == COMBOBOXID_TextStyles)
        textStyleFiller = fill;
}

ListModel *mdlhost_hostListModel(int comboBoxId)
{
    if (comboBoxId != COMBOBOXID_Fonts && comboBoxId != COMBOBOXID_TextStyles)
        return nullptr;
    const MdlhostListFiller filler = comboBoxId == COMBOBOXID_Fonts ? fontFiller : textStyleFiller;
    auto found = hostModels.find(comboBoxId);
    if (found != hostModels.end() && filler == nullptr)
        return found->second.get();
    ListModel *model = found != hostModels.end() ? found->second.get() : mdlListModel_create(1);
    mdlListModel_empty(model);
    struct Row {
        long value;
        const char *text;
    };
    static const Row fonts[] = {{0, "0 Standard"}, {1, "1 Working"}, {3, "3 Engineering"}, {43, "43 Title"},
                                {105, "105 Sans"}};
    static const Row styles[] = {{-1, "(none)"}, {0, "(style of the model)"}};
    const Row *rows = comboBoxId == COMBOBOXID_Fonts ? fonts : styles;
    size_t n = comboBoxId == COMBOBOXID_Fonts ? std::size(fonts) : std::size(styles);
    if (comboBoxId == COMBOBOXID_Fonts && filler != nullptr)
        n = 0;
    for (size_t i = 0; i < n; i++) {
        int r = mdlListModel_insertRow(model, -1);
        mdlListModel_setCellText(model, r, 0, rows[i].text);
        mdlListModel_setCellValue(model, r, 0, rows[i].value);
    }
    if (filler != nullptr)
        filler(model);
    if (found == hostModels.end())
        hostModels[comboBoxId].reset(model);
    return model;
}

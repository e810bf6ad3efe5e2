// Pick lists built from the active design: symbology models of a level
// list, and the fonts and text styles of the host's own combo boxes.
#include <cstdio>
#include <iterator>

#include "app/mdllevellist.h"
#include "dgn/mdlcell.h"
#include "sys/mdlsys.h"

namespace {

void appendRow(ListModel *model, const char *text, long value)
{
    int r = mdlListModel_insertRow(model, -1);
    if (r < 0)
        return;
    mdlListModel_setCellText(model, r, 0, text);
    mdlListModel_setCellValue(model, r, 0, value);
}

void appendNumbers(ListModel *model, int last)
{
    for (int i = 0; i <= last; i++) {
        char text[16];
        snprintf(text, sizeof text, "%d", i);
        appendRow(model, text, i);
    }
}

void appendNamedStyles(ListModel *model, DgnModelRefP dgn)
{
    int32_t numbers[1024];
    const int n = mdlhost_lineStyleNumbers(dgn, numbers, int(std::size(numbers)));
    for (int i = 0; i < n; i++) {
        char name[MDLHOST_MAX_LINESTYLENAME + 1];
        if (mdlLineStyle_getName(name, sizeof name, dgn, numbers[i]) == 0)
            appendRow(model, name, -long(numbers[i]));
    }
}

int appendFont(const MdlFontInfo *font, void *arg)
{
    char text[MDLHOST_MAX_FONTNAME + 16];
    snprintf(text, sizeof text, "%u %s", font->number, font->name);
    appendRow(static_cast<ListModel *>(arg), text, long(font->number));
    return 0;
}

void fillFonts(ListModel *model) { mdlFontMgr_traverseAvailableFonts(appendFont, model); }

void fillTextStyles(ListModel *model)
{
    int32_t ids[1024];
    const int saved = mdlErrno;
    const int n = mdlhost_textStyleIds(0, ids, int(std::size(ids)));
    for (int i = 0; i < n; i++) {
        char16_t wide[MDLHOST_MAX_TEXTSTYLENAME + 1];
        char name[MDLHOST_MAX_TEXTSTYLENAME + 1];
        if (mdlTextStyle_getName(wide, MDLHOST_MAX_TEXTSTYLENAME + 1, 0, ids[i]) != 0)
            continue;
        mdlCnv_convertUnicodeToMultibyte(wide, -1, name, sizeof name);
        appendRow(model, name, ids[i]);
    }
    mdlErrno = saved; // no design open is no style, not an error
}

// The host's combo boxes take their rows from the design files through
// this floor, the lowest that sees both.
[[maybe_unused]] const bool fillersSet = [] {
    mdlhost_setHostListFiller(COMBOBOXID_Fonts, fillFonts);
    mdlhost_setHostListFiller(COMBOBOXID_TextStyles, fillTextStyles);
    return true;
}();

} // namespace

ListModel *mdlLevelList_createSymbologyModel(DgnModelRefP model, int kind)
{
    if (kind != LEVELLIST_COLOR && kind != LEVELLIST_STYLE && kind != LEVELLIST_WEIGHT)
        return nullptr;
    ListModel *list = mdlListModel_create(1);
    if (list == nullptr)
        return nullptr;
    appendRow(list, "ByLevel", kind == LEVELLIST_STYLE ? long(STYLE_BYLEVEL) : -1L);
    if (kind == LEVELLIST_COLOR) {
        appendNumbers(list, MDLHOST_MAX_COLOR);
    } else if (kind == LEVELLIST_WEIGHT) {
        appendNumbers(list, MDLHOST_MAX_WEIGHT);
    } else {
        appendNumbers(list, MDLHOST_MAX_STANDARD_STYLE);
        const int saved = mdlErrno;
        appendNamedStyles(list, model);
        mdlErrno = saved;
    }
    return list;
}

int mdlhost_listModelRowOfValue(const ListModel *listModel, long value)
{
    const int rows = mdlListModel_getRowCount(listModel);
    for (int r = 0; r < rows; r++) {
        long v = 0;
        if (mdlListModel_getCellValue(listModel, r, 0, &v) == 0 && v == value)
            return r;
    }
    return -1;
}

// The process's plot-scale list: reading it from a resource file and the
// list the library starts with.
#include "zvlibplotscale.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "mdlhost.h"
#include "zvlibmain.h"

namespace {


const char *const DEFAULT_SCALES[] = {"1:1",   "1:2",   "1:5",    "1:10",   "1:20",
                                      "1:25",  "1:50",  "1:100",  "1:200",  "1:250",
                                      "1:500", "1:1000", "1:2000", "1:5000", "1:10000"};

// A whole number text (blanks around it allowed); false for anything else,
// so that "12abc" or "inf" never becomes a scale.
bool parseNumber(const char *text, double &value)
{
    if (text == nullptr)
        return false;
    char *end = nullptr;
    errno = 0;
    double v = strtod(text, &end);
    if (end == text || errno == ERANGE || !std::isfinite(v))
        return false;
    while (*end == ' ' || *end == '\t')
        end++;
    if (*end != '\0')
        return false;
    value = v;
    return true;
}

void setValueText(ListModel *model, int row, double value)
{
    char text[64];
    snprintf(text, sizeof text, "%.6f", value);
    mdlListModel_setCellText(model, row, 1, text);
}

// A row from its name; the value is the number after the name's first two
// characters ("1:500" gives 500), 0 when there is none.
int addScaleRow(ListModel *model, const char *name)
{
    int row = mdlListModel_insertRow(model, -1);
    if (row < 0)
        return row;
    mdlListModel_setCellText(model, row, 0, name);
    double value = 0;
    if (name[0] != '\0' && name[1] != '\0') {
        // strtod's prefix, as a name such as "1:500 (kart)" still has a value.
        char *end = nullptr;
        value = strtod(name + 2, &end);
        if (end == name + 2 || !std::isfinite(value))
            value = 0;
    }
    setValueText(model, row, value);
    return row;
}

// The active row's value when it is a number above 0, else 1.0.
void recomputeActiveScale(zvlibPlotScale *ps)
{
    ps->activeScale = 1.0;
    if (ps->scaleList == nullptr || ps->activeRow < 0 || ps->activeRow >= mdlListModel_getRowCount(ps->scaleList))
        return;
    double v = 0;
    if (parseNumber(mdlListModel_getCellText(ps->scaleList, ps->activeRow, 1), v) && v > 0)
        ps->activeScale = v;
}

void useList(zvlibPlotScale *ps, ListModel *model, int activeRow)
{
    ListModel *old = ps->scaleList;
    ps->scaleList = model;
    ps->activeRow = activeRow;
    // The open scale dialog must not keep showing the list about to go.
    if (MSDialog *db = mdlDialog_findByTypeAndId(RTYPE_DialogBox, ZVLIB_PLOTSCALE_DIALOG, nullptr)) {
        if (DialogItem *item = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, ZVLIB_PLOTSCALE_LISTBOX, 0)) {
            mdlDialog_listBoxSetListModelP(item, model);
            mdlDialog_itemDraw(db, mdlDialog_itemGetIndex(item));
        }
    }
    if (old != nullptr)
        mdlListModel_destroy(old);
}

void useDefaultList(zvlibPlotScale *ps)
{
    ListModel *model = mdlListModel_create(2);
    for (const char *s : DEFAULT_SCALES)
        addScaleRow(model, s);
    useList(ps, model, 0);
    ps->activeScale = 1.0;
}

} // namespace

int zvlibPlotScale_readSettings(RscFileHandle handle)
{
    zvlibPlotScale *ps = zvlibMain_plotScale();
    if (ps == nullptr)
        return ZVLIB_FAILURE;
    StringList *stored = mdlStringList_loadResource(handle, ZVLIB_PLOTSCALE_LIST);
    if (stored == nullptr)
        return ZVLIB_FAILURE;
    long members = mdlStringList_size(stored);
    bool flagged = mdlStringList_infoFieldCount(stored) > 0;
    ListModel *model = mdlListModel_create(2);
    int active = -1;
    for (long i = 0; i < members; i += 2) {
        const char *name = nullptr;
        long *info = nullptr;
        if (mdlStringList_getMember(&name, &info, stored, i) != 0 || name == nullptr)
            break;
        int row = addScaleRow(model, name);
        if (row < 0)
            break;
        if (flagged && info != nullptr && info[0] != 0 && active < 0)
            active = row;
        const char *value = nullptr;
        // A last name without its value keeps the value its name gives.
        if (i + 1 < members && mdlStringList_getMember(&value, nullptr, stored, i + 1) == 0 && value != nullptr)
            mdlListModel_setCellText(model, row, 1, value);
    }
    mdlStringList_destroy(stored);
    // The scale editor never leaves the list empty: a stored empty list is
    // damaged, and the list in use is worth more than none.
    if (mdlListModel_getRowCount(model) == 0) {
        mdlListModel_destroy(model);
        return ZVLIB_FAILURE;
    }
    double oldScale = ps->activeScale;
    useList(ps, model, active < 0 ? 0 : active);
    recomputeActiveScale(ps);
    if (std::fabs(ps->activeScale - oldScale) > tcbP->epsilon)
        zvlibMain_callScaleFunctions(oldScale, ps->activeScale, 0);
    return 0;
}

int zvlibPlotScale_loadStartupList(void)
{
    zvlibPlotScale *ps = zvlibMain_plotScale();
    if (ps == nullptr)
        return ZVLIB_FAILURE;
    char name[ZVLIB_CFGVALUE_LEN];
    char found[MDLHOST_MAXFILELENGTH];
    // Any failure on the way falls back to the built-in list silently.
    if (mdlSystem_getCfgVar(name, "ZV_PLOTSCALES", sizeof name) == 0 && name[0] != '\0' &&
        mdlFile_find(found, name, "ZV_DATA", nullptr) == 0) {
        RscFileHandle handle = nullptr;
        if (mdlResource_openFile(&handle, found, MDLHOST_RSC_READ) == MDLHOST_RSC_OK) {
            int rc = zvlibPlotScale_readSettings(handle);
            mdlResource_closeFile(handle);
            if (rc == 0)
                return 0;
        }
    }
    useDefaultList(ps);
    return 1;
}

// Element attribute sets: the calling application's groups and attribute
// list, applying an attribute's symbology to an element, creating texts
// with its text settings, and the stored forms in resource files.
//
// Sections: layout checks; the list (groups, add, insert, edit, delete,
// find); symbology and texts; stored records and conversions; reading and
// writing resources.
#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "mdlhost.h"
#include "zvlibelmattr.h"
#include "zvlibmain.h"
#include "zvlibmem.h"
#include "zvlibtext.h"
#include "zvlibutil.h"

// --- layout checks -------------------------------------------------------------------

// The settings block is stored inside the attribute resources.
static_assert(sizeof(ZvlibElmAttrSettings) == ZVLIB_ATTR_SETTINGS_SIZE);
static_assert(offsetof(ZvlibElmAttrSettings, levelName) == 12);
static_assert(offsetof(ZvlibElmAttrSettings, elementClass) == 1036);
static_assert(offsetof(ZvlibElmAttrSettings, useFlags) == 1040);
static_assert(offsetof(ZvlibElmAttrSettings, lineStyleScale) == 1048);
static_assert(offsetof(ZvlibElmAttrSettings, lineStyleName) == 1064);
static_assert(offsetof(ZvlibElmAttrSettings, u.textStyleName) == 1128);
static_assert(offsetof(ZvlibElmAttrSettings, u.symbol.symbolSize) == 1136);
static_assert(offsetof(ZvlibElmAttrSettings, u.symbol.fieldText) == 1172);
static_assert(offsetof(ZvlibElmAttrSettings, font) == 1292);
static_assert(offsetof(ZvlibElmAttrSettings, textWidth) == 1296);
static_assert(offsetof(ZvlibElmAttrSettings, textHeight) == 1304);
static_assert(offsetof(ZvlibElmAttrSettings, justification) == 1312);
static_assert(offsetof(ZvlibElmAttrSettings, lineSpacingFactor) == 1320);
static_assert(offsetof(ZvlibElmAttrSettings, v.textSlant) == 1336);
static_assert(offsetof(ZvlibElmAttrSettings, choiceValue) == 1420);
static_assert(sizeof(ZvlibElmAttrEditRecord) == ZVLIB_ATTR_EDIT_RECORD_SIZE);
// The stored forms are little-endian and the settings are copied as bytes.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr int MEM_LIST = 20005;
constexpr int MEM_ENTRY = 14;
// More records than this in a list form is a damaged count.
constexpr int32_t MAX_STORED_ATTRIBUTES = 100000;

constexpr unsigned RTYPE_ZvA3 = unsigned(MDLHOST_FOURCC('Z', 'v', 'A', '3'));
constexpr unsigned RTYPE_ZvA2 = unsigned(MDLHOST_FOURCC('Z', 'v', 'A', '2'));
constexpr unsigned RTYPE_ZvAs = unsigned(MDLHOST_FOURCC('Z', 'v', 'A', 's'));
constexpr unsigned RTYPE_ASD3 = unsigned(MDLHOST_FOURCC('A', 'S', 'D', '3'));
constexpr unsigned RTYPE_ASD2 = unsigned(MDLHOST_FOURCC('A', 'S', 'D', '2'));
constexpr unsigned RTYPE_ASDa = unsigned(MDLHOST_FOURCC('A', 'S', 'D', 'a'));
constexpr unsigned RTYPE_ASNa = unsigned(MDLHOST_FOURCC('A', 'S', 'N', 'a'));
constexpr unsigned RTYPE_ASNo = unsigned(MDLHOST_FOURCC('A', 'S', 'N', 'o'));

zvlibGlobalData *record() { return zvlibMain_findGlobalDataP(); }

ZvlibElmAttr *&listHead(zvlibGlobalData *g) { return reinterpret_cast<ZvlibElmAttr *&>(g->attributeList); }

char *copyString(const char *s)
{
    if (s == nullptr)
        return nullptr;
    const size_t n = strlen(s);
    auto *copy = static_cast<char *>(zvlibMem_mallocRscErrorPrintf(n + 1, MEM_LIST, MEM_ENTRY));
    if (copy != nullptr)
        memcpy(copy, s, n + 1);
    return copy;
}

bool isTextType(int type)
{
    return type == ZVLIB_ATTRTYPE_TEXT || type == ZVLIB_ATTRTYPE_TEXTFIELD || type == ZVLIB_ATTRTYPE_TEXTCHOICE;
}

void freeChoices(ZvlibElmAttr *a)
{
    for (int i = 0; a->choices != nullptr && i < a->choiceCount; i++)
        dlmSystem_mdlFree(a->choices[i].text);
    dlmSystem_mdlFree(a->choices);
    a->choices = nullptr;
    a->choiceCount = 0;
}

void freeAttribute(ZvlibElmAttr *a)
{
    if (a == nullptr)
        return;
    dlmSystem_mdlFree(a->label);
    dlmSystem_mdlFree(a->promptText);
    freeChoices(a);
    dlmSystem_mdlFree(a);
}

void freeList(ZvlibElmAttr *a)
{
    while (a != nullptr) {
        ZvlibElmAttr *next = a->next;
        freeAttribute(a);
        a = next;
    }
}

ZvlibElmAttr *newAttribute()
{
    auto *a = static_cast<ZvlibElmAttr *>(zvlibMem_mallocRscErrorPrintf(sizeof(ZvlibElmAttr), MEM_LIST, MEM_ENTRY));
    if (a != nullptr)
        a->maxTextLength = ZVLIB_ATTR_DEFAULT_TEXTLEN;
    return a;
}

bool copyChoices(ZvlibElmAttr *to, const ZvlibElmAttr *from)
{
    if (from->choiceCount <= 0 || from->choices == nullptr)
        return true;
    to->choices = static_cast<ZvlibElmAttrChoice *>(zvlibMem_mallocRscErrorPrintf(
        size_t(from->choiceCount) * sizeof(ZvlibElmAttrChoice), MEM_LIST, MEM_ENTRY));
    if (to->choices == nullptr)
        return false;
    to->choiceCount = from->choiceCount;
    for (int i = 0; i < from->choiceCount; i++) {
        to->choices[i] = from->choices[i];
        to->choices[i].text = copyString(from->choices[i].text);
        if (from->choices[i].text != nullptr && to->choices[i].text == nullptr)
            return false;
    }
    return true;
}

int largestId(zvlibGlobalData *g)
{
    int largest = 0;
    for (ZvlibElmAttr *a = listHead(g); a != nullptr; a = a->next)
        if (a->id > largest)
            largest = a->id;
    return largest;
}

void appendToList(zvlibGlobalData *g, ZvlibElmAttr *a)
{
    ZvlibElmAttr **at = &listHead(g);
    while (*at != nullptr)
        at = &(*at)->next;
    *at = a;
}

void freeGroups(zvlibGlobalData *g)
{
    auto *groups = static_cast<ZvlibElmAttrGroup *>(g->attributeGroups);
    for (int i = 0; groups != nullptr && i < g->groupCount; i++)
        dlmSystem_mdlFree(groups[i].name);
    dlmSystem_mdlFree(groups);
    g->attributeGroups = nullptr;
    g->groupCount = 0;
}

int setGroups(int count, bool withCallbacks, va_list args)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr || count < 0)
        return ZVLIB_FAILURE;
    zvlibElmAttr_freeAllAttribute();
    freeGroups(g);
    if (count == 0)
        return 0;
    auto *groups = static_cast<ZvlibElmAttrGroup *>(
        zvlibMem_mallocRscErrorPrintf(size_t(count) * sizeof(ZvlibElmAttrGroup), MEM_LIST, MEM_ENTRY));
    if (groups == nullptr)
        return ZVLIB_FAILURE;
    for (int i = 0; i < count; i++) {
        const char *name = va_arg(args, const char *);
        groups[i].key = va_arg(args, int);
        groups[i].flags = va_arg(args, unsigned);
        groups[i].changeCallback = withCallbacks ? va_arg(args, MdlFunctionP) : nullptr;
        groups[i].name = copyString(name ? name : "");
    }
    g->attributeGroups = groups;
    g->groupCount = count;
    return 0;
}

} // namespace

// --- the list --------------------------------------------------------------------------

ZvlibElmAttr *elmAttr_first(void)
{
    zvlibGlobalData *g = record();
    return g ? listHead(g) : nullptr;
}

ZvlibElmAttr *elmAttr_find(int id)
{
    for (ZvlibElmAttr *a = elmAttr_first(); a != nullptr; a = a->next)
        if (a->id == id)
            return a;
    return nullptr;
}

ZvlibElmAttrSettings *elmAttr_findSettings(int id)
{
    ZvlibElmAttr *a = elmAttr_find(id);
    return a ? &a->settings : nullptr;
}

// Keys are looked up, never used as an index: an application may choose any.
ZvlibElmAttrGroup *elmAttr_findGroup(int key)
{
    zvlibGlobalData *g = record();
    if (g == nullptr)
        return nullptr;
    auto *groups = static_cast<ZvlibElmAttrGroup *>(g->attributeGroups);
    for (int i = 0; groups != nullptr && i < g->groupCount; i++)
        if (groups[i].key == key)
            return &groups[i];
    return nullptr;
}

void elmAttr_callChange(const ZvlibElmAttr *attr, MSDialog *db, int reason)
{
    if (attr == nullptr || attr->changeCallback == nullptr)
        return;
    ZvlibElmAttrCallbackInfo info{};
    info.db = db;
    info.id = attr->id;
    info.reason = reason;
    info.groupKey = attr->groupKey;
    info.label = attr->label ? attr->label : "";
    info.type = attr->type;
    info.settings = attr->settings;
    dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), attr->changeCallback, "P", &info);
}

int elmAttr_setLabel(ZvlibElmAttr *attr, const char *label)
{
    char *copy = copyString(label ? label : "");
    if (attr == nullptr || copy == nullptr) {
        dlmSystem_mdlFree(copy);
        return ZVLIB_FAILURE;
    }
    dlmSystem_mdlFree(attr->label);
    attr->label = copy;
    return 0;
}

void elmAttr_freeAll(struct zvlibGlobalData *g)
{
    if (g == nullptr)
        return;
    freeList(listHead(g));
    listHead(g) = nullptr;
    g->attributeCount = 0;
    freeGroups(g);
}

int zvlibElmAttr_setGroupeNames(int count, ...)
{
    va_list args;
    va_start(args, count);
    int rc = setGroups(count, false, args);
    va_end(args);
    return rc;
}

int zvlibElmAttr_setGroupeNamesExtended(int count, ...)
{
    va_list args;
    va_start(args, count);
    int rc = setGroups(count, true, args);
    va_end(args);
    return rc;
}

void zvlibElmAttr_freeGroupeNames(void)
{
    if (zvlibGlobalData *g = zvlibMain_getGlobalDataP())
        freeGroups(g);
}

void zvlibElmAttr_freeAllAttribute(void)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr)
        return;
    freeList(listHead(g));
    listHead(g) = nullptr;
    g->attributeCount = 0;
}

int zvlibElmAttr_addAttribute(int id, const char *label, int groupKey, int type, uint32_t hiddenMask,
                              MdlFunctionP changeCallback, int refresh, const ZvlibElmAttrSettings *settings, ...)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr || type < ZVLIB_ATTRTYPE_SYMBOLOGY || type > ZVLIB_ATTRTYPE_TEXTCHOICE)
        return ZVLIB_FAILURE;
    ZvlibElmAttr *a = newAttribute();
    if (a == nullptr)
        return ZVLIB_FAILURE;
    a->id = id;
    a->groupKey = groupKey;
    a->type = type;
    a->hiddenMask = hiddenMask;
    a->label = copyString(label ? label : "");
    const ZvlibElmAttrGroup *group = elmAttr_findGroup(groupKey);
    if (group != nullptr && !(group->flags & ZVLIB_ATTRGROUP_MENUBAR))
        a->changeCallback = changeCallback;
    if (settings != nullptr)
        a->settings = *settings;

    va_list args;
    va_start(args, settings);
    bool ok = a->label != nullptr;
    if (type == ZVLIB_ATTRTYPE_ICONSIZETEXT || type == ZVLIB_ATTRTYPE_TEXTFIELD) {
        a->maxTextLength = va_arg(args, int);
        const char *prompt = va_arg(args, const char *);
        a->promptText = copyString(prompt ? prompt : "");
    } else if (type == ZVLIB_ATTRTYPE_TEXTCHOICE) {
        const char *prompt = va_arg(args, const char *);
        a->promptText = copyString(prompt ? prompt : "");
    }
    if (type == ZVLIB_ATTRTYPE_ICON || type == ZVLIB_ATTRTYPE_ICONSIZE || type == ZVLIB_ATTRTYPE_ICONSIZETEXT ||
        type == ZVLIB_ATTRTYPE_TEXTCHOICE) {
        const int count = va_arg(args, int);
        ok = ok && count >= 0;
        if (ok && count > 0) {
            a->choices = static_cast<ZvlibElmAttrChoice *>(
                zvlibMem_mallocRscErrorPrintf(size_t(count) * sizeof(ZvlibElmAttrChoice), MEM_LIST, MEM_ENTRY));
            ok = a->choices != nullptr;
            if (ok)
                a->choiceCount = count;
            for (int i = 0; ok && i < count; i++) {
                if (type == ZVLIB_ATTRTYPE_TEXTCHOICE) {
                    const char *text = va_arg(args, const char *);
                    a->choices[i].text = copyString(text ? text : "");
                    ok = a->choices[i].text != nullptr;
                } else {
                    a->choices[i].iconId = va_arg(args, int);
                }
                a->choices[i].value = va_arg(args, int);
            }
        }
    }
    va_end(args);
    if (!ok) {
        freeAttribute(a);
        return ZVLIB_FAILURE;
    }
    appendToList(g, a);
    g->attributeCount++;
    if (refresh)
        elmAttr_refreshDialog(id);
    return 0;
}

int zvlibElmAttr_insertAttribute(int id, const char *label, uint32_t hiddenMask, const ZvlibElmAttrSettings *settings)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr)
        return ZVLIB_FAILURE;
    ZvlibElmAttr **at = &listHead(g);
    while (*at != nullptr && (*at)->id != id)
        at = &(*at)->next;
    if (*at == nullptr)
        return ZVLIB_FAILURE;
    const ZvlibElmAttr *source = *at;
    ZvlibElmAttr *a = newAttribute();
    if (a == nullptr)
        return ZVLIB_FAILURE;
    // Worked out now: a value kept from the dialog's last fill is stale (or 0).
    a->id = largestId(g) + 1;
    const auto *work = static_cast<const ZvlibElmAttr *>(g->attributeWorkRecord);
    a->groupKey = work ? work->groupKey : 0;
    a->type = source->type;
    a->changeCallback = source->changeCallback;
    a->hiddenMask = hiddenMask;
    a->maxTextLength = source->maxTextLength;
    a->settings = settings ? *settings : source->settings;
    a->label = copyString(label ? label : "");
    a->promptText = copyString(source->promptText);
    if (a->label == nullptr || (source->promptText != nullptr && a->promptText == nullptr) ||
        !copyChoices(a, source)) {
        freeAttribute(a);
        return ZVLIB_FAILURE;
    }
    a->next = *at;
    *at = a;
    g->attributeCount++;
    g->nextAttributeId = a->id + 1;
    elmAttr_refreshDialog(a->id);
    return 0;
}

int zvlibElmAttr_editAttributeExtended(int id, int refresh, const ZvlibElmAttrSettings *settings,
                                       MdlFunctionP changeCallback)
{
    ZvlibElmAttr *a = elmAttr_find(id);
    if (a == nullptr)
        return ZVLIB_FAILURE;
    if (settings != nullptr)
        a->settings = *settings;
    a->changeCallback = changeCallback;
    if (refresh)
        elmAttr_refreshDialog(id);
    return 0;
}

int zvlibElmAttr_editAttribute(int id, int refresh, const ZvlibElmAttrSettings *settings)
{
    ZvlibElmAttr *a = elmAttr_find(id);
    if (a == nullptr)
        return ZVLIB_FAILURE;
    return zvlibElmAttr_editAttributeExtended(id, refresh, settings, a->changeCallback);
}

int zvlibElmAttr_deleteAttribute(int id, int refresh)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr)
        return ZVLIB_FAILURE;
    ZvlibElmAttr **at = &listHead(g);
    ZvlibElmAttr *before = nullptr;
    while (*at != nullptr && (*at)->id != id) {
        before = *at;
        at = &(*at)->next;
    }
    ZvlibElmAttr *a = *at;
    if (a == nullptr)
        return ZVLIB_FAILURE;
    *at = a->next;
    freeAttribute(a);
    g->attributeCount--;
    if (refresh)
        elmAttr_refreshDialog(before ? before->id : -1);
    return 0;
}

int zvlibElmAttr_insertOptionButton(MSDialog *db, DialogItem *item, int groupKey, int *selectedId)
{
    if (item == nullptr)
        return ZVLIB_FAILURE;
    mdlDialog_optionButtonDeleteAll(item);
    bool selectedFound = false;
    int first = 0;
    bool any = false;
    for (ZvlibElmAttr *a = elmAttr_first(); a != nullptr; a = a->next) {
        if (a->groupKey != groupKey)
            continue;
        mdlDialog_optionButtonInsertItem(item, a->label ? a->label : "", 0, a->id, 0, -1);
        if (!any)
            first = a->id;
        any = true;
        if (selectedId != nullptr && *selectedId == a->id)
            selectedFound = true;
    }
    if (selectedId != nullptr && any && !selectedFound)
        *selectedId = first;
    if (db != nullptr)
        mdlDialog_itemSynch(db, mdlDialog_itemGetIndex(item));
    return 0;
}

int zvlibElmAttr_getLabelFromIdExtended(int id, char *buffer, size_t capacity)
{
    const ZvlibElmAttr *a = elmAttr_find(id);
    if (a == nullptr || buffer == nullptr || capacity == 0)
        return ZVLIB_FAILURE;
    zvlib::copyText(buffer, capacity, a->label);
    return 0;
}

int zvlibElmAttr_getLabelFromId(int id, char *buffer)
{
    return zvlibElmAttr_getLabelFromIdExtended(id, buffer, ZVLIB_ATTR_LABEL_LEN);
}

int zvlibElmAttr_findIdForAttributeName(const char *name, int groupKey)
{
    if (name == nullptr)
        return 0;
    for (ZvlibElmAttr *a = elmAttr_first(); a != nullptr; a = a->next)
        if (a->groupKey == groupKey && a->label != nullptr && strcmp(a->label, name) == 0)
            return a->id;
    return 0;
}

int zvlibElmAttr_extractData(int id, ZvlibElmAttrSettings *settings)
{
    const ZvlibElmAttr *a = elmAttr_find(id);
    if (a == nullptr)
        return ZVLIB_FAILURE;
    if (settings != nullptr)
        *settings = a->settings;
    return 0;
}

void zvlibElmAttr_setLevelNameVariable(int slot, char16_t *buffer)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr || slot < 1 || slot > ZVLIB_MAX_LEVELNAME_BUFFERS)
        return;
    g->levelNameBuffers[slot - 1] = buffer;
}

// --- symbology and texts ------------------------------------------------------------------

namespace {

// A stored name may lack its terminator.
void boundedLevelName(const ZvlibElmAttrSettings *s, char16_t (&name)[ZVLIB_ATTR_LEVELNAME_LEN])
{
    size_t n = 0;
    for (; n + 1 < ZVLIB_ATTR_LEVELNAME_LEN && s->levelName[n] != 0; ++n)
        name[n] = s->levelName[n];
    name[n] = 0;
}

void boundedStyleName(const ZvlibElmAttrSettings *s, char (&name)[ZVLIB_ATTR_STYLENAME_LEN])
{
    snprintf(name, sizeof name, "%.*s", int(strnlen(s->lineStyleName, sizeof s->lineStyleName)), s->lineStyleName);
}

// The named style of a negative style, with its modifiers; the element
// keeps its style when the active model does not know the name.
int applyNamedStyle(MSElement *el, const ZvlibElmAttrSettings *s)
{
    char name[ZVLIB_ATTR_STYLENAME_LEN];
    boundedStyleName(s, name);
    int32_t number = 0;
    const int saved = mdlErrno;
    if (name[0] == '\0' || mdlLineStyle_getNumber(&number, mdlModelRef_getActive(), name) != 0) {
        mdlErrno = saved;
        return 0;
    }
    LineStyleParams params{};
    if (s->useFlags & ZVLIB_ATTR_STYLEWIDTH)
        params.modifiers |= STYLEMOD_SWIDTH | STYLEMOD_EWIDTH;
    if (s->useFlags & ZVLIB_ATTR_STYLESCALE)
        params.modifiers |= STYLEMOD_SCALE;
    params.scale = s->lineStyleScale;
    params.startWidth = params.endWidth = s->lineStyleWidth;
    return mdlElement_setLineStyle(el, -number, &params);
}

} // namespace

int elmAttr_applySettings(MSElement *el, const ZvlibElmAttrSettings *s)
{
    if (el == nullptr || s == nullptr)
        return ZVLIB_FAILURE;
    const uint32_t flags = s->useFlags;
    int failed = 0;
    if (flags & ZVLIB_ATTR_COLOUR)
        failed |= mdlElement_setSymbology(el, &s->colour, nullptr, nullptr);
    if (flags & ZVLIB_ATTR_LINESTYLE) {
        if (s->lineStyle >= 0)
            failed |= mdlElement_setSymbology(el, nullptr, nullptr, &s->lineStyle);
        else
            failed |= applyNamedStyle(el, s);
    }
    if (flags & ZVLIB_ATTR_WEIGHT)
        failed |= mdlElement_setSymbology(el, nullptr, &s->weight, nullptr);
    if (flags & ZVLIB_ATTR_LEVEL) {
        char16_t name[ZVLIB_ATTR_LEVELNAME_LEN];
        boundedLevelName(s, name);
        uint32_t level = zvlibUtil_levelIdFromName(name);
        // No level (no design file, a refused name) must not move the
        // element to level 0.
        if (level == LEVEL_NULL_ID)
            failed = 1;
        else
            failed |= mdlElement_setProperties(el, &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                               nullptr);
    }
    if (flags & ZVLIB_ATTR_CLASS)
        failed |= mdlElement_setProperties(el, nullptr, nullptr, &s->elementClass, nullptr, nullptr, nullptr,
                                           nullptr, nullptr);
    return failed ? ZVLIB_FAILURE : 0;
}

int elmAttr_createTextWithSettings(MSElement *out, const MSElement *templateEl, const char *text,
                                   const DPoint3d *origin, const RotMatrix *rotation, DgnModelRefP model,
                                   const ZvlibElmAttrSettings *s, double scale)
{
    // Sizes are divided by the scale: zero would give infinite sizes.
    if (out == nullptr || text == nullptr || s == nullptr || !std::isfinite(scale) || scale <= 0)
        return ZVLIB_FAILURE;
    // Room for one character more than the host takes, so a text that is too
    // long stays too long and is refused rather than cut.
    char16_t wide[MDLHOST_MAX_TEXT + 2];
    mdlCnv_convertMultibyteToUnicode(text, -1, wide, MDLHOST_MAX_TEXT + 2);

    const uint32_t flags = s->useFlags;
    TextParamWide params{};
    params.style[0] = params.style[1] = -1;
    params.justification = -1; // the host's default
    bool styled = false;
    if (flags & ZVLIB_ATTR_TEXTSTYLE) {
        char16_t name[ZVLIB_ATTR_TEXTSTYLENAME_LEN];
        size_t n = 0;
        for (; n + 1 < ZVLIB_ATTR_TEXTSTYLENAME_LEN && s->u.textStyleName[n] != 0; ++n)
            name[n] = s->u.textStyleName[n];
        name[n] = 0;
        MdlTextStyle style{};
        int32_t styleId = 0;
        const int saved = mdlErrno;
        if (n > 0 && mdlTextStyle_getByName(&style, &styleId, mdlModelRef_getActive(), name) == 0) {
            styled = true;
            const double perMaster = scale / *zvlibUtil_UORToMasterP(1.0);
            params.size.width = style.width / perMaster;
            params.size.height = style.height / perMaster;
            double active = 0;
            if (mdlParams_getActive(&active, ACTIVEPARAM_TEXTSIZE) == 0) {
                if (params.size.width == 0)
                    params.size.width = active / scale;
                if (params.size.height == 0)
                    params.size.height = active / scale;
            }
            params.font = style.font;
            params.justification = style.justification;
            params.lineSpacing = style.lineSpacing / perMaster;
            params.slant = style.slant;
            params.flags = style.flags;
            params.style[0] = styleId;
            params.style[1] = 0;
        }
        mdlErrno = saved;
    }
    if (flags & ZVLIB_ATTR_TEXTSIZE) {
        params.size.width = s->textWidth / scale;
        params.size.height = s->textHeight / scale;
        params.lineSpacing = params.size.height * s->lineSpacingFactor;
    }
    if (flags & ZVLIB_ATTR_JUSTIFICATION)
        params.justification = s->justification;
    if (flags & ZVLIB_ATTR_FONT) {
        params.font = s->font;
    } else if (!styled) {
        int active = 0;
        if (mdlParams_getActive(&active, ACTIVEPARAM_FONT) == 0)
            params.font = active;
    }
    if (flags & ZVLIB_ATTR_SLANT) {
        params.slant = s->v.textSlant * std::numbers::pi / 180.0;
        params.flags |= TEXT_FLAG_SLANT;
    } else if (!styled && std::fabs(tcbP->textSlant) > tcbP->epsilon) {
        // The host's own slant setting.
        params.slant = tcbP->textSlant * std::numbers::pi / 180.0;
        params.flags |= TEXT_FLAG_SLANT;
    }
    const DPoint3d zero{0, 0, 0};
    if (mdlText_createWide(out, templateEl, wide, origin ? origin : &zero, rotation, model, &params) != 0)
        return ZVLIB_FAILURE;
    elmAttr_applySettings(out, s);
    return 0;
}

int zvlibElmAttr_setSymbologyAndProperties(MSElement *el, int id, ZvlibElmAttrSettings *settings)
{
    if (zvlibMain_getGlobalDataP() == nullptr || el == nullptr)
        return ZVLIB_FAILURE;
    const ZvlibElmAttrSettings *s = elmAttr_findSettings(id);
    if (s == nullptr)
        return ZVLIB_FAILURE;
    int rc = elmAttr_applySettings(el, s);
    if (settings != nullptr)
        *settings = *s;
    return rc;
}

int zvlibElmAttr_createText(MSElement *out, const MSElement *templateEl, const char *text, const DPoint3d *origin,
                            const RotMatrix *rotation, DgnModelRefP model, int id, double scale,
                            ZvlibElmAttrSettings *settings)
{
    if (zvlibMain_getGlobalDataP() == nullptr)
        return ZVLIB_FAILURE;
    const ZvlibElmAttrSettings *s = elmAttr_findSettings(id);
    if (s == nullptr)
        return ZVLIB_FAILURE;
    if (elmAttr_createTextWithSettings(out, templateEl, text, origin, rotation, model, s, scale) != 0)
        return ZVLIB_FAILURE;
    if (settings != nullptr)
        *settings = *s;
    return 0;
}

void elmAttr_resolveLineStyles(void)
{
    DgnModelRefP model = mdlModelRef_getActive();
    const int saved = mdlErrno;
    for (ZvlibElmAttr *a = elmAttr_first(); a != nullptr; a = a->next) {
        ZvlibElmAttrSettings &s = a->settings;
        if (s.lineStyle >= 0)
            continue;
        char name[ZVLIB_ATTR_STYLENAME_LEN];
        boundedStyleName(&s, name);
        int32_t number = 0;
        if (name[0] == '\0') {
            if (s.lineStyle != INT32_MIN)
                mdlLineStyle_getName(s.lineStyleName, sizeof s.lineStyleName, model, -s.lineStyle);
        } else if (mdlLineStyle_getNumber(&number, model, name) == 0) {
            s.lineStyle = -number;
        }
    }
    mdlErrno = saved;
}

void zvlibMain_refreshLineStyles(void)
{
    if (record() != nullptr)
        elmAttr_resolveLineStyles();
}

// --- stored records and conversions -------------------------------------------------------------

namespace {

void put32(uint8_t *at, uint32_t v) { memcpy(at, &v, 4); }
int32_t get32(const uint8_t *at)
{
    int32_t v;
    memcpy(&v, at, 4);
    return v;
}

uint8_t *settingsBytes(ZvlibElmAttrSettings *s) { return reinterpret_cast<uint8_t *>(s); }

// Head fields of a stored record: pointers and counts are never taken.
struct StoredHead {
    int32_t groupKey, type, id;
    uint32_t hiddenMask;
    int32_t maxTextLength;
};

StoredHead readHead(const uint8_t *data)
{
    return {get32(data), get32(data + 4), get32(data + 8), uint32_t(get32(data + 20)), get32(data + 36)};
}

} // namespace

void elmAttr_encodeRecord(const ZvlibElmAttr *a, uint8_t out[ZVLIB_ATTR_RECORD3_SIZE])
{
    memset(out, 0, ZVLIB_ATTR_RECORD3_SIZE);
    put32(out, uint32_t(a->groupKey));
    put32(out + 4, uint32_t(a->type));
    put32(out + 8, uint32_t(a->id));
    put32(out + 20, a->hiddenMask);
    put32(out + 24, uint32_t(a->choiceCount));
    put32(out + 36, uint32_t(a->maxTextLength));
    memcpy(out + ZVLIB_ATTR_HEAD_SIZE, &a->settings, sizeof a->settings);
}

int elmAttr_decodeSettings(int version, int type, const uint8_t *data, size_t size, ZvlibElmAttrSettings *out)
{
    const uint8_t *in = data + ZVLIB_ATTR_HEAD_SIZE;
    ZvlibElmAttrSettings s{};
    uint8_t *to = settingsBytes(&s);
    const bool text = isTextType(type);
    if (version == 3) {
        if (size != ZVLIB_ATTR_RECORD3_SIZE)
            return 0;
        memcpy(&s, in, sizeof s);
    } else if (version == 2) {
        if (size != ZVLIB_ATTR_RECORD2_SIZE)
            return 0;
        memcpy(to, in, 1128);
        if (text) {
            memcpy(to + 1292, in + 1128, 4);
            memcpy(to + 1296, in + 1136, 36);
            if (type == ZVLIB_ATTRTYPE_TEXT)
                memcpy(to + 1336, in + 1176, 8);
            else
                memcpy(to + 1336, in + 1176, ZVLIB_ATTR_CHOICETEXT_LEN);
            if (type == ZVLIB_ATTRTYPE_TEXTCHOICE)
                memcpy(to + 1420, in + 1260, 4);
        } else {
            memcpy(to + 1128, in + 1128, 128);
        }
    } else if (version == 1) {
        if (size != ZVLIB_ATTR_RECORD1_SIZE)
            return 0;
        memcpy(to, in, 12); // colour, style, weight
        char level[32];
        snprintf(level, sizeof level, "Level %d", get32(in + 12));
        for (size_t i = 0; level[i] != '\0'; i++)
            s.levelName[i] = char16_t(static_cast<unsigned char>(level[i]));
        memcpy(to + 1036, in + 16, 12); // class, use flags, reserved
        memcpy(to + 1048, in + 32, 80); // style scale, width and name
        if (text) {
            memcpy(to + 1292, in + 112, 4);
            memcpy(to + 1296, in + 120, 36);
            if (type == ZVLIB_ATTRTYPE_TEXT)
                memcpy(to + 1336, in + 160, 8);
            else
                memcpy(to + 1336, in + 156, ZVLIB_ATTR_CHOICETEXT_LEN);
            if (type == ZVLIB_ATTRTYPE_TEXTCHOICE)
                memcpy(to + 1420, in + 240, 4);
        } else {
            memcpy(to + 1128, in + 112, 128);
        }
        // Style 8 named the style whose name the record holds.
        if (s.lineStyle == 8) {
            char name[ZVLIB_ATTR_STYLENAME_LEN];
            boundedStyleName(&s, name);
            int32_t number = 0;
            const int saved = mdlErrno;
            if (name[0] != '\0' && mdlLineStyle_getNumber(&number, mdlModelRef_getActive(), name) == 0)
                s.lineStyle = -number;
            mdlErrno = saved;
        }
    } else {
        return 0;
    }
    // Stored texts may lack their terminators.
    s.levelName[ZVLIB_ATTR_LEVELNAME_LEN - 1] = 0;
    s.lineStyleName[ZVLIB_ATTR_STYLENAME_LEN - 1] = '\0';
    *out = s;
    return 1;
}

// --- reading and writing resources ----------------------------------------------------------------

namespace {

bool handleOpen(const ZvHandle *zh) { return zh != nullptr && zh->handle != nullptr; }

// Loads the whole block (type, id) into buf when it is exactly size bytes.
bool loadExact(ZvHandle *zh, unsigned type, long id, uint8_t *buf, size_t size)
{
    // One byte more must not be there: a longer block is not this version.
    uint8_t probe[ZVLIB_ATTR_RECORD3_SIZE + 1];
    if (zvlibResource_load(zh, type, id, probe, size + 1) == 0)
        return false;
    return zvlibResource_load(zh, type, id, buf, size) == 0;
}

// The settings stored for (id or position) in one of the three forms, by
// the type given; false when none is there whole.
bool loadSettings(ZvHandle *zh, const unsigned types[3], long key, int type, ZvlibElmAttrSettings *out,
                  StoredHead *head)
{
    static const size_t sizes[3] = {ZVLIB_ATTR_RECORD3_SIZE, ZVLIB_ATTR_RECORD2_SIZE, ZVLIB_ATTR_RECORD1_SIZE};
    uint8_t buf[ZVLIB_ATTR_RECORD3_SIZE];
    for (int v = 0; v < 3; v++) {
        if (!loadExact(zh, types[v], key, buf, sizes[v]))
            continue;
        StoredHead h = readHead(buf);
        if (head != nullptr) {
            if (h.type < ZVLIB_ATTRTYPE_SYMBOLOGY || h.type > ZVLIB_ATTRTYPE_TEXTCHOICE)
                continue;
            *head = h;
            type = h.type;
        }
        if (elmAttr_decodeSettings(3 - v, type, buf, sizes[v], out))
            return true;
    }
    return false;
}

const unsigned byIdTypes[3] = {RTYPE_ZvA3, RTYPE_ZvA2, RTYPE_ZvAs};
const unsigned byPositionTypes[3] = {RTYPE_ASD3, RTYPE_ASD2, RTYPE_ASDa};

template <typename Fn> int withFile(const char *fileName, int mode, Fn fn)
{
    if (zvlibMain_getGlobalDataP() == nullptr || fileName == nullptr)
        return ZVLIB_FAILURE;
    ZvHandle zh{};
    if (zvlibResource_openFile(&zh, fileName, mode) != 0)
        return ZVLIB_FAILURE;
    int rc = fn(&zh);
    zvlibResource_closeFile(&zh);
    return rc;
}

// Callbacks, choices and the prompt of the matching set-aside record move
// to the new one; matched by id, so a reordered file keeps them too.
void takeOver(ZvlibElmAttr *list, ZvlibElmAttr *old)
{
    for (ZvlibElmAttr *a = list; a != nullptr; a = a->next) {
        for (ZvlibElmAttr *o = old; o != nullptr; o = o->next) {
            if (o->id != a->id || o->type == 0)
                continue;
            a->changeCallback = o->changeCallback;
            a->choiceCount = o->choiceCount;
            a->choices = o->choices;
            a->promptText = o->promptText;
            o->choices = nullptr;
            o->choiceCount = 0;
            o->promptText = nullptr;
            o->type = 0; // taken
            break;
        }
    }
}

} // namespace

int zvlibElmAttr_writeResourceByHandle(ZvHandle *zh)
{
    if (zvlibMain_getGlobalDataP() == nullptr || !handleOpen(zh))
        return ZVLIB_FAILURE;
    int rc = 0;
    uint8_t buf[ZVLIB_ATTR_RECORD3_SIZE];
    for (ZvlibElmAttr *a = elmAttr_first(); a != nullptr; a = a->next) {
        elmAttr_encodeRecord(a, buf);
        if (zvlibResource_add(zh, RTYPE_ZvA3, a->id, buf, sizeof buf, nullptr) != 0)
            rc = ZVLIB_FAILURE;
    }
    return rc;
}

int zvlibElmAttr_writeResource(const char *fileName)
{
    return withFile(fileName, ZVLIB_RSC_READWRITE, zvlibElmAttr_writeResourceByHandle);
}

int zvlibElmAttr_writeResourceExtended(const char *fileName)
{
    return withFile(fileName, ZVLIB_RSC_READWRITE, [](ZvHandle *zh) {
        int rc = 0;
        int32_t n = 0;
        uint8_t buf[ZVLIB_ATTR_RECORD3_SIZE];
        for (ZvlibElmAttr *a = elmAttr_first(); a != nullptr; a = a->next, n++) {
            elmAttr_encodeRecord(a, buf);
            char label[ZVLIB_ATTR_LABEL_LEN] = {};
            zvlib::copyText(label, a->label ? a->label : "");
            if (zvlibResource_add(zh, RTYPE_ASD3, n, buf, sizeof buf, nullptr) != 0)
                rc = ZVLIB_FAILURE;
            if (zvlibResource_add(zh, RTYPE_ASNa, n, label, sizeof label, nullptr) != 0)
                rc = ZVLIB_FAILURE;
        }
        if (zvlibResource_add(zh, RTYPE_ASNo, 1, &n, sizeof n, nullptr) != 0)
            rc = ZVLIB_FAILURE;
        return rc;
    });
}

int zvlibElmAttr_readResourceByHandle(ZvHandle *zh)
{
    if (zvlibMain_getGlobalDataP() == nullptr || !handleOpen(zh))
        return ZVLIB_FAILURE;
    for (ZvlibElmAttr *a = elmAttr_first(); a != nullptr; a = a->next) {
        ZvlibElmAttrSettings s;
        if (loadSettings(zh, byIdTypes, a->id, a->type, &s, nullptr))
            a->settings = s;
    }
    elmAttr_resolveLineStyles();
    elmAttr_refreshDialog(-1);
    return 0;
}

int zvlibElmAttr_readResource(const char *fileName)
{
    return withFile(fileName, ZVLIB_RSC_READONLY, zvlibElmAttr_readResourceByHandle);
}

int zvlibElmAttr_readResourceExtended(const char *fileName)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr)
        return ZVLIB_FAILURE;
    ZvlibElmAttr *fresh = nullptr;
    int32_t count = 0;
    int rc = withFile(fileName, ZVLIB_RSC_READONLY, [&](ZvHandle *zh) {
        uint8_t countBytes[4];
        if (!loadExact(zh, RTYPE_ASNo, 1, countBytes, sizeof countBytes))
            return ZVLIB_FAILURE;
        count = get32(countBytes);
        if (count < 0 || count > MAX_STORED_ATTRIBUTES)
            return ZVLIB_FAILURE;
        ZvlibElmAttr **tail = &fresh;
        for (int32_t n = 0; n < count; n++) {
            ZvlibElmAttr *a = newAttribute();
            if (a == nullptr)
                return ZVLIB_FAILURE;
            *tail = a;
            tail = &a->next;
            StoredHead h{};
            if (!loadSettings(zh, byPositionTypes, n, 0, &a->settings, &h))
                return ZVLIB_FAILURE;
            a->groupKey = h.groupKey;
            a->type = h.type;
            a->id = h.id;
            a->hiddenMask = h.hiddenMask;
            a->maxTextLength = h.maxTextLength;
            char label[ZVLIB_ATTR_LABEL_LEN];
            if (zvlibResource_load(zh, RTYPE_ASNa, n, label, sizeof label) == 0) {
                label[sizeof label - 1] = '\0';
                a->label = copyString(label);
            }
        }
        return 0;
    });
    if (rc != 0) {
        // The earlier list stays as it was.
        freeList(fresh);
        return ZVLIB_FAILURE;
    }
    ZvlibElmAttr *old = listHead(g);
    takeOver(fresh, old);
    freeList(old);
    listHead(g) = fresh;
    g->attributeCount = count;
    elmAttr_resolveLineStyles();
    elmAttr_refreshDialog(-1);
    return 0;
}

// Utilities on the active design file and the host's session: units,
// coordinate readout, work mode, the host's preference file, levels by
// name, graphic groups and plot fences.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "mdlhost.h"
#include "zvlibmain.h"
#include "zvlibelement.h"
#include "zvlibtext.h"
#include "zvlibutil.h"

namespace {

// Message-centre type of errors.
constexpr int MESSAGE_ERROR = 10;
// Plot fences: shapes of this class carrying the library's user data of
// this type (first linkage of the library's id).
constexpr uint32_t PLOTFENCE_CLASS = 4;
constexpr uint16_t USERDATA_LINKAGE_ID = 20275;
constexpr int16_t PLOTFENCE_USERDATA_TYPE = 6;
// Words before the type word of the library's user-data linkage: header, id.
constexpr int USERDATA_TYPE_WORD = 2;

const char *const WORKMODE_NAMES[] = {"DGN", "DWG", "V7"};

// Results for callers without a library record: the conversion still
// holds for them.
double looseUnitResult = 0;

double *unitResult()
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    return g ? &g->unitResult : &looseUnitResult;
}

// The type word of the element's first library user-data linkage; -1 when
// it has none.
int userDataType(const MSElement &el)
{
    const uint16_t *linkage = nullptr;
    int words = 0;
    if (mdlLinkage_findByID(&linkage, &words, &el, USERDATA_LINKAGE_ID, 0) != 0 || linkage == nullptr ||
        words <= USERDATA_TYPE_WORD || (linkage[0] & LINKAGE_USER) == 0)
        return -1;
    return static_cast<int16_t>(linkage[USERDATA_TYPE_WORD]);
}

struct PlotFenceScan {
    ZvlibPlotFenceFunc fn;
    void *userArg;
    MdlDesc *caller;
};

int visitPlotFence(MSElementDescr *dscr, void *arg, MdlScanCriteria *)
{
    auto *s = static_cast<PlotFenceScan *>(arg);
    const MSElement &el = dscr->el;
    if ((el.ehdr.properties & ELM_PROP_CLASS_MASK) != PLOTFENCE_CLASS || userDataType(el) != PLOTFENCE_USERDATA_TYPE)
        return 0;
    // Element records stay in UOR; under this transformation whatever the
    // function reads from them comes out in master units.
    mdlCurrTrans_begin();
    mdlCurrTrans_masterUnitsIdentity(1);
    int rc = dlmSystem_callAnyFunction(s->caller, reinterpret_cast<MdlFunctionP>(s->fn), "PIIP", dscr,
                                       int(dscr->h.filePos), int(dscr->h.dgnModelRef), s->userArg);
    mdlCurrTrans_end();
    return rc;
}

// References that are not shown, not found, or nested hold no plot fences
// of this design.
bool skipModel(DgnModelRefP model)
{
    if (!mdlModelRef_isReference(model))
        return false;
    int display = 0, found = 0, nested = 0;
    if (mdlRefFile_getParameters(&display, REFERENCE_DISPLAY, model) != 0 ||
        mdlRefFile_getParameters(&found, REFERENCE_FILEFOUND, model) != 0 ||
        mdlRefFile_getParameters(&nested, REFERENCE_NESTED, model) != 0)
        return true;
    return display == 0 || nested == 1 || found == 0;
}

} // namespace

double *zvlibUtil_masterToUORP(double value)
{
    double *result = unitResult();
    if (mdlCnv_masterToUOR(result, value, mdlModelRef_getActive()) != 0)
        *result = value;
    return result;
}

double *zvlibUtil_UORToMasterP(double value)
{
    double *result = unitResult();
    if (mdlCnv_UORToMaster(result, value, mdlModelRef_getActive()) != 0)
        *result = value;
    return result;
}

int zvlibUtil_readoutAccuracy(unsigned accuracyByte, unsigned flagByte, int defaultAccuracy)
{
    if ((flagByte & MDLHOST_READOUT_FLAG) != 0) {
        if (defaultAccuracy >= 0)
            return defaultAccuracy;
        switch ((accuracyByte & 0xFFu) >> 3) {
        case 0: return 5;
        case 1: return 6;
        case 3: return 7;
        case 7: return 8;
        case 15: return 9;
        case 31: return 10;
        default: return defaultAccuracy;
        }
    }
    unsigned low = accuracyByte & 7u;
    return low == 0 ? 4 : int(low) - 1;
}

int zvlibUtil_getCoordinateReadoutAccuracy(int defaultAccuracy)
{
    return zvlibUtil_readoutAccuracy(tcbP->readoutAccuracy, tcbP->readoutFlags, defaultAccuracy);
}

void zvlibUtil_setActiveDecimalNumberInTextItem(DialogItem *item)
{
    char format[ZVLIB_FORMAT_LEN];
    if (item == nullptr || mdlDialog_textGetFormat(format, sizeof format, item) != 0)
        return;
    size_t n = strlen(format);
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (n < 2 || format[n - 1] != 'f' || !isDigit(format[n - 2]) || (n >= 3 && isDigit(format[n - 3])))
        return;
    // The digit the item has is the default when the host's setting gives none.
    int decimals = zvlibUtil_getCoordinateReadoutAccuracy(format[n - 2] - '0');
    char changed[ZVLIB_FORMAT_LEN];
    int len = snprintf(changed, sizeof changed, "%.*s%df", int(n - 2), format, decimals);
    if (len < 0 || size_t(len) >= sizeof changed)
        return;
    mdlDialog_textSetFormat(item, changed);
    mdlDialog_itemSynch(mdlDialog_itemGetDialog(item), mdlDialog_itemGetIndex(item));
}

int zvlibUtil_setWorkmode(const char *cfgVar)
{
    char value[ZVLIB_CFGVALUE_LEN];
    if (cfgVar == nullptr || mdlSystem_getCfgVar(value, cfgVar, sizeof value) != 0)
        return 0;
    int mode = tcbP->workMode;
    if (mode < 0 || mode >= int(sizeof WORKMODE_NAMES / sizeof WORKMODE_NAMES[0]) ||
        strcmp(value, WORKMODE_NAMES[mode]) == 0)
        return 0;
    return mdlSystem_defineConfigurationVariable(cfgVar, WORKMODE_NAMES[mode], MDLHOST_CFGLEVEL_USER) == 0 ? 1 : 0;
}

int zvlibUtil_openUserPrefFile(RscFileHandle *handle, int mode)
{
    if (handle == nullptr)
        return MDLHOST_RSC_BADARG;
    *handle = nullptr;
    // The host's rule for its own preference file.
    char name[MDLHOST_MAXFILELENGTH];
    if (mdlhost_userPrefsName(name, sizeof name) != 0)
        return MDLHOST_RSC_ERROR;
    int rc = mdlResource_openFile(handle, name, mode);
    if (rc == MDLHOST_RSC_ERROR && mode == MDLHOST_RSC_READWRITE &&
        mdlResource_createFile(name, "Host preferences", mode) == MDLHOST_RSC_OK)
        rc = mdlResource_openFile(handle, name, mode);
    return rc;
}

uint32_t zvlibUtil_newGraphicGroup(void)
{
    uint32_t group = 0;
    if (mdlParams_getActive(&group, ACTIVEPARAM_GRAPHGROUP) != 0)
        return 0;
    mdlSystem_updateGraphicGroup();
    return group;
}

uint32_t zvlibUtil_levelIdFromNameExtended(const char16_t *name, int rewriteTable, int setSymbology, uint32_t color,
                                           uint32_t weight, int32_t style)
{
    DgnModelRefP model = mdlModelRef_getActive();
    if (name == nullptr || name[0] == 0 || model == MDLHOST_NO_MODEL)
        return LEVEL_NULL_ID;
    uint32_t id = LEVEL_NULL_ID;
    if (mdlLevel_getIdFromName(&id, model, name) == 0 && id != LEVEL_NULL_ID)
        return id;
    // Levels belong to their file here, so a level of the library is
    // copied into the design: the library's id means nothing there.
    DgnModelRefP library = mdlLevelLibrary_getModelRef();
    uint32_t libraryId = LEVEL_NULL_ID;
    if (library != MDLHOST_NO_MODEL && mdlLevel_getIdFromName(&libraryId, library, name) == 0 &&
        libraryId != LEVEL_NULL_ID) {
        if (mdlLevel_create(model, name, &id) != 0)
            return LEVEL_NULL_ID;
        uint32_t c = 0, w = 0;
        int32_t s = 0;
        if (mdlLevel_getElementColor(&c, library, libraryId) == 0)
            mdlLevel_setElementColor(model, id, c);
        if (mdlLevel_getElementWeight(&w, library, libraryId) == 0)
            mdlLevel_setElementWeight(model, id, w);
        if (mdlLevel_getElementStyle(&s, library, libraryId) == 0)
            mdlLevel_setElementStyle(model, id, s);
        char16_t description[MDLHOST_MAX_LEVELNAME + 1];
        if (mdlLevel_getDescription(description, MDLHOST_MAX_LEVELNAME + 1, library, libraryId) == 0)
            mdlLevel_setDescription(model, id, description);
        if (rewriteTable)
            mdlLevelTable_rewrite(model);
        return id;
    }
    if (tcbP->workMode == MDLHOST_WORKMODE_V7) {
        char mb[MDLHOST_MAX_LEVELNAME + 1];
        mdlCnv_convertUnicodeToMultibyte(name, -1, mb, sizeof mb);
        char text[2 * MDLHOST_MAX_LEVELNAME];
        snprintf(text, sizeof text,
                 "NA in 'V7 Workmode'.\nCannot create level '%s' because MicroStation is in 'V7 Workmode'.", mb);
        mdlOutput_messageCenter(MESSAGE_ERROR, text);
        return LEVEL_NULL_ID;
    }
    if (mdlLevel_create(model, name, &id) != 0)
        return LEVEL_NULL_ID;
    if (setSymbology) {
        mdlLevel_setElementColor(model, id, color);
        mdlLevel_setElementWeight(model, id, weight);
        mdlLevel_setElementStyle(model, id, style);
    }
    if (rewriteTable)
        mdlLevelTable_rewrite(model);
    return id;
}

uint32_t zvlibUtil_levelIdFromName(const char16_t *name)
{
    return zvlibUtil_levelIdFromNameExtended(name, 1, 0, 0, 0, 0);
}

int zvlibUtil_findAllPlotFence(ZvlibPlotFenceFunc fn, void *userArg)
{
    DgnModelRefP active = mdlModelRef_getActive();
    if (fn == nullptr || active == MDLHOST_NO_MODEL)
        return 0;
    ModelRefIterator *it = nullptr;
    if (mdlModelRefIterator_create(&it, active, MODELREF_ITERATE_ALL) != 0)
        return 0;
    PlotFenceScan scan{fn, userArg, mdlSystem_getCurrMdlDesc()};
    uint32_t shapes[MDLSCAN_MASK_WORDS] = {};
    MDLSCAN_MASK_SET(shapes, SHAPE_ELM);
    for (DgnModelRefP model = mdlModelRefIterator_getNext(it); model != MDLHOST_NO_MODEL;
         model = mdlModelRefIterator_getNext(it)) {
        if (skipModel(model))
            continue;
        MdlScanCriteria *sc = mdlScanCriteria_create();
        if (sc == nullptr)
            break;
        mdlScanCriteria_setModel(sc, model);
        mdlScanCriteria_setElementTypeTest(sc, shapes, MDLSCAN_MASK_WORDS);
        mdlScanCriteria_setReturnType(sc, MDLSCAN_RETURN_ELMDSCR);
        mdlScanCriteria_setElmDscrCallback(sc, visitPlotFence, &scan);
        // A non-zero answer of the function ends this model's scan only.
        mdlScanCriteria_scan(sc, nullptr, 0, nullptr);
        mdlScanCriteria_free(&sc);
    }
    mdlModelRefIterator_free(&it);
    return 0;
}

int zvlibUtil_extractTextSize(const char *text, double scale, int attrId, double lineSpacing, double *width,
                              double *lineHeight, double *totalHeight, TextParamWide *params)
{
    if (text == nullptr)
        return ZVLIB_FAILURE;
    // The text is measured as the host lays it out: at most 512 characters.
    char line[513];
    zvlib::copyText(line, text);
    char rest[sizeof line];
    double widest = 0.0, lastHeight = 0.0;
    TextParamWide lastParams{};
    int lines = 0;
    for (bool more = true; more;) {
        more = zvlibUtil_splitText(line, rest) == 1;
        if (zvlibElement_createText(nullptr, line, scale, nullptr, attrId, nullptr) != 0)
            return ZVLIB_FAILURE;
        const MSElement *el = zvlibElement_getElementBuffer();
        DPoint3d box[4];
        if (mdlText_extractShape(box, el) != 0 ||
            mdlText_extract(nullptr, 0, nullptr, nullptr, &lastParams, nullptr, el) != 0)
            return ZVLIB_FAILURE;
        widest = std::max(widest, std::hypot(box[1].x - box[0].x, box[1].y - box[0].y));
        lastHeight = std::hypot(box[3].x - box[0].x, box[3].y - box[0].y);
        lines++;
        if (more)
            memmove(line, rest, strlen(rest) + 1);
    }
    if (width != nullptr)
        *width = widest;
    if (lineHeight != nullptr)
        *lineHeight = lastHeight;
    if (totalHeight != nullptr)
        *totalHeight = lines * lastHeight + (lines - 1) * lineSpacing;
    if (params != nullptr)
        *params = lastParams;
    return 0;
}

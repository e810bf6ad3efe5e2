// Registry of the applications that use the library, their records, the
// shared records and the library's start-up.
#include "zvlibmain.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "zvlibdialog.h"
#include "zvlibelmattr.h"
#include "zvlibintro.h"
#include "zvlibmem.h"
#include "zvlibplotscale.h"
#include "zvlibtext.h"
#include "zvlibupf.h"

namespace {

constexpr int MEM_LIST = 20005;
constexpr int MEM_ENTRY = 14;
constexpr int LANG_LIST = 20007;
constexpr int QUESTION_LIST = 20003;
constexpr int ZVDIR_ENTRY = 5;
constexpr int ZVDIR_STYLE = 145;
constexpr int PROJECT_DIALOG = 20008;
constexpr int ATTRIBUTE_DIALOG = 20013;
constexpr int PATH_LEN = MDLHOST_MAXFILELENGTH;

zvlibApplicationTableT zvlibApplicationTable;
bool sharedAllocated = false;

void *zvlibPrinterSetupData = nullptr;
void *zvlibProsjektData = nullptr;
void *zvlibSideData = nullptr;
zvlibPlotScale *zvScaleP = nullptr;
zvlibGlobalData *zgdP = nullptr; // the record the open library dialog belongs to

bool isLive(const zvlibApplicationEntry &e)
{
    return (e.mdlDesc != nullptr || e.record != nullptr) &&
           mdlSystem_getMdlDescFromProcessNumber(e.processNumber) != nullptr;
}

// The entry of the current application, or null.
zvlibApplicationEntry *currentEntry()
{
    MdlDesc *desc = mdlSystem_getCurrMdlDesc();
    if (desc == nullptr)
        return nullptr;
    int pn = mdlSystem_getProcessNumberFromMdlDesc(desc);
    for (int i = 0; i < zvlibApplicationTable.count; i++) {
        zvlibApplicationEntry &e = zvlibApplicationTable.entries[i];
        if (e.mdlDesc == desc && e.processNumber == pn && e.record != nullptr && isLive(e))
            return &e;
    }
    return nullptr;
}

// A language text (raw) with the name in its one "%s"; "" when missing.
void languageTextWithName(char *out, size_t size, int entry, const char *name)
{
    char format[ZVLIB_BOX_TITLE_LEN];
    if (mdlResource_loadFromStringList(format, sizeof format, nullptr, LANG_LIST, entry) != 0) {
        out[0] = '\0';
        return;
    }
    // Only "%s" and "%%" are understood, so a wrong template reads nothing.
    size_t o = 0;
    bool nameUsed = false;
    for (const char *p = format; *p && o + 1 < size; p++) {
        if (p[0] == '%' && p[1] == '%') {
            out[o++] = '%';
            p++;
        } else if (p[0] == '%' && p[1] == 's' && !nameUsed) {
            for (const char *n = name; *n && o + 1 < size; n++)
                out[o++] = *n;
            nameUsed = true;
            p++;
        } else {
            out[o++] = *p;
        }
    }
    out[o] = '\0';
}

// Nothing can reach a dead application's record once its entry goes, so
// its blocks go with it.
void freeRecord(zvlibGlobalData *g)
{
    if (g == nullptr)
        return;
    if (zgdP == g)
        zgdP = nullptr;
    dlmSystem_mdlFree(g->dialogData);
    dlmSystem_mdlFree(g->previewWindowSize);
    elmAttr_freeAll(g);
    dlmSystem_mdlFree(g->attributeWorkRecord);
    dlmSystem_mdlFree(g->attributeEditRecord);
    dlmSystem_mdlFree(g);
}

// Takes an entry for the current application: a dead application's entry
// is reclaimed, else the next unused one.  -1 when all are live.
int takeEntry()
{
    MdlDesc *desc = mdlSystem_getCurrMdlDesc();
    int pn = mdlSystem_getProcessNumberFromMdlDesc(desc);
    if (zvlibApplicationTable.count == 0) {
        memset(&zvlibApplicationTable, 0, sizeof zvlibApplicationTable);
        return 0;
    }
    int slot = -1;
    for (int i = 0; i < zvlibApplicationTable.count; i++) {
        zvlibApplicationEntry &e = zvlibApplicationTable.entries[i];
        bool used = e.mdlDesc != nullptr || e.record != nullptr;
        if (used && !isLive(e)) {
            freeRecord(e.record);
            e = zvlibApplicationEntry{};
            used = false;
        }
        // An application starting the library twice keeps one entry, so
        // that its calls find the newest record.
        if (used && e.mdlDesc == desc && e.processNumber == pn && slot < 0)
            slot = i;
        if (!used && slot < 0)
            slot = i;
    }
    if (slot < 0 && zvlibApplicationTable.count < ZVLIB_MAX_APPLICATIONS)
        slot = zvlibApplicationTable.count;
    return slot;
}

zvlibGlobalData *registerApplication()
{
    zvlibMain_keepLoaded();
    int slot = takeEntry();
    if (slot < 0) {
        toolSubsystem_printf("Error in zvlib_InitGlobalData\n");
        return nullptr;
    }
    auto *record = static_cast<zvlibGlobalData *>(zvlibMem_mallocRscErrorPrintf(sizeof(zvlibGlobalData), MEM_LIST,
                                                                                MEM_ENTRY));
    if (record == nullptr)
        return nullptr;
    MdlDesc *desc = mdlSystem_getCurrMdlDesc();
    zvlibApplicationEntry &e = zvlibApplicationTable.entries[slot];
    freeRecord(e.record);
    e.record = record;
    e.mdlDesc = desc;
    e.processNumber = mdlSystem_getProcessNumberFromMdlDesc(desc);
    if (slot == zvlibApplicationTable.count)
        zvlibApplicationTable.count++;
    record->pageScale = 1.0;
    record->pageRecordSaved = 1;
    record->selectedAttribute = -1;
    record->previewCurrentPage = -1;
    record->infoPage = -1;
    return record;
}

// Block allocation of one application; false after the failure box.
bool allocateBlocks(zvlibGlobalData *g)
{
    g->dialogData = static_cast<zvlibDialogData *>(zvlibMem_mallocRscErrorPrintf(sizeof(zvlibDialogData), MEM_LIST,
                                                                                 MEM_ENTRY));
    g->previewWindowSize = static_cast<int32_t *>(zvlibMem_mallocRscErrorPrintf(2 * sizeof(int32_t), MEM_LIST,
                                                                                MEM_ENTRY));
    g->attributeWorkRecord = zvlibMem_mallocRscErrorPrintf(sizeof(ZvlibElmAttr), MEM_LIST, MEM_ENTRY);
    g->attributeEditRecord = zvlibMem_mallocRscErrorPrintf(ZVLIB_ATTR_EDIT_RECORD_SIZE, MEM_LIST, MEM_ENTRY);
    if (g->dialogData != nullptr)
        zvlib::copyText(g->dialogData->decimalSeparator, ",");
    if (!sharedAllocated) {
        zvlibPrinterSetupData = calloc(1, ZVLIB_PRINTER_SETUP_SIZE);
        zvlibProsjektData = calloc(1, ZVLIB_PROJECT_DATA_SIZE);
        zvlibSideData = calloc(1, ZVLIB_PAGE_DATA_SIZE);
        zvScaleP = static_cast<zvlibPlotScale *>(calloc(1, sizeof(zvlibPlotScale)));
        if (zvlibPrinterSetupData == nullptr || zvlibProsjektData == nullptr || zvlibSideData == nullptr ||
            zvScaleP == nullptr) {
            free(zvlibPrinterSetupData);
            free(zvlibProsjektData);
            free(zvlibSideData);
            free(zvScaleP);
            zvlibPrinterSetupData = zvlibProsjektData = zvlibSideData = nullptr;
            zvScaleP = nullptr;
            return false;
        }
        sharedAllocated = true;
        zvlibPlotScale_loadStartupList();
    }
    return g->dialogData != nullptr && g->previewWindowSize != nullptr && g->attributeWorkRecord != nullptr &&
           g->attributeEditRecord != nullptr;
}

void publishRecords()
{
    SymbolSet *set = mdlCExpression_initializeSet(4, 0, 1);
    if (set == nullptr)
        return;
    static const MdlhostField globalFields[] = {
        MDLHOST_FIELD_OF(zvlibGlobalData, pageName, MDLHOST_FIELD_TEXT),
        MDLHOST_FIELD_OF(zvlibGlobalData, applicationName, MDLHOST_FIELD_TEXT),
        MDLHOST_FIELD_OF(zvlibGlobalData, pageScale, MDLHOST_FIELD_DOUBLE),
        MDLHOST_FIELD_OF(zvlibGlobalData, selectedAttribute, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(zvlibGlobalData, initApplication, MDLHOST_FIELD_INT),
        {"dialogData", offsetof(zvlibGlobalData, dialogData), MDLHOST_FIELD_POINTER, sizeof(zvlibDialogData *), 1,
         "zvlibDialogData"},
    };
    static const MdlhostField dialogDataFields[] = {
        MDLHOST_FIELD_OF(zvlibDialogData, fileFilter, MDLHOST_FIELD_TEXT),
        MDLHOST_FIELD_OF(zvlibDialogData, directory, MDLHOST_FIELD_TEXT),
    };
    static const MdlhostField scaleFields[] = {
        MDLHOST_FIELD_OF(zvlibPlotScale, activeRow, MDLHOST_FIELD_INT),
        MDLHOST_FIELD_OF(zvlibPlotScale, activeScale, MDLHOST_FIELD_DOUBLE),
    };
    mdlhost_defineStruct(set, "zvlibGlobalData", sizeof(zvlibGlobalData), globalFields,
                         (int)(sizeof globalFields / sizeof globalFields[0]));
    mdlhost_defineStruct(set, "zvlibDialogData", sizeof(zvlibDialogData), dialogDataFields,
                         (int)(sizeof dialogDataFields / sizeof dialogDataFields[0]));
    mdlhost_defineStruct(set, "zvlibPlotScale", sizeof(zvlibPlotScale), scaleFields,
                         (int)(sizeof scaleFields / sizeof scaleFields[0]));
    // The shared blocks are laid out by their own modules; until those
    // describe them, they are published as bare records.
    mdlhost_defineStruct(set, "zvlibPrinterSetupData", ZVLIB_PRINTER_SETUP_SIZE, nullptr, 0);
    mdlhost_defineStruct(set, "zvlibProsjektData", ZVLIB_PROJECT_DATA_SIZE, nullptr, 0);
    mdlhost_defineStruct(set, "zvlibSideData", ZVLIB_PAGE_DATA_SIZE, nullptr, 0);
    mdlDialog_publishComplexPtr(set, "zvlibPrinterSetupData", "zvlibpsd", &zvlibPrinterSetupData);
    mdlDialog_publishComplexPtr(set, "zvlibProsjektData", "zvlibpd", &zvlibProsjektData);
    mdlDialog_publishComplexPtr(set, "zvlibSideData", "zvlibsd", &zvlibSideData);
    mdlDialog_publishComplexPtr(set, "zvlibGlobalData", "zgdP", &zgdP);
    mdlDialog_publishComplexPtr(set, "zvlibPlotScale", "zvScaleP", &zvScaleP);
}

// The installation root is proposed as the directory four levels above
// the application's file; a shorter path proposes nothing.  The host gives
// the library's path with '/', a Windows host with '\\': both count.
void askForInstallationRoot(const char *applicationName, int argc, char *argv[])
{
    char value[PATH_LEN];
    if (mdlSystem_getCfgVar(value, "ZV_DIR", sizeof value) == 0 || argc < 1 || argv == nullptr ||
        argv[0] == nullptr)
        return;
    char path[PATH_LEN];
    zvlib::copyText(path, argv[0]);
    int seen = 0;
    char *cut = nullptr;
    for (char *p = path + strlen(path); p > path;) {
        --p;
        if ((*p == '\\' || *p == '/') && ++seen == 4) {
            cut = p + 1;
            break;
        }
    }
    if (cut == nullptr)
        return;
    *cut = '\0';
    char site[PATH_LEN];
    if (mdlSystem_getCfgVar(site, "_USTN_SITE", sizeof site) != 0)
        site[0] = '\0';
    char siteFile[PATH_LEN + 16];
    snprintf(siteFile, sizeof siteFile, "%scompany.cfg", site);
    if (zvlibError_rscMsgBoxPrintf(ZVDIR_STYLE, QUESTION_LIST, ZVDIR_ENTRY, path, applicationName, applicationName,
                                   siteFile, path) == ZVLIB_BOX_FIRST)
        mdlSystem_defineConfigurationVariable("ZV_DIR", path, MDLHOST_CFGLEVEL_USER);
}

} // namespace

int zvlibMain_initZvLib(const char *applicationName, int argc, char *argv[])
{
    return zvlibMain_initZvLibExtended(applicationName, argc, argv, 0);
}

int zvlibMain_initZvLibExtended(const char *applicationName, int argc, char *argv[], int resourceMode)
{
    zvlibGlobalData *g = registerApplication();
    if (g == nullptr)
        return ZVLIB_FAILURE;
    zgdP = g;
    if (argc > 1 && argv != nullptr && argv[1] != nullptr &&
        (strcmp(argv[1], MDLHOST_ORIGIN_DGNAPPS) == 0 || strcmp(argv[1], MDLHOST_ORIGIN_INITAPPS) == 0))
        g->initApplication = 1;
    if (mdlResource_openFile(&g->ownResourceFile, nullptr, resourceMode) != MDLHOST_RSC_OK)
        g->ownResourceFile = nullptr;
    zvlib::copyText(g->applicationName, applicationName);
    if (!allocateBlocks(g))
        return ZVLIB_FAILURE;
    zvlibError_publishHooks();
    zvlibDialog_publishHooks();
    zvlibIntro_publishHooks();
    elmAttr_publishHooks();
    publishRecords();
    mdlSystem_setFunction(MDLHOST_HOOK_NEWDESIGNFILE, reinterpret_cast<MdlFunctionP>(zvlibMain_newDesignFile));
    languageTextWithName(g->boxTitleType1, sizeof g->boxTitleType1, 38, g->applicationName);
    languageTextWithName(g->boxTitleType4, sizeof g->boxTitleType4, 39, g->applicationName);
    languageTextWithName(g->boxTitleType8, sizeof g->boxTitleType8, 40, g->applicationName);
    if (mdlResource_loadFromStringList(g->boxTitleType2, sizeof g->boxTitleType2, nullptr, LANG_LIST, 41) != 0)
        g->boxTitleType2[0] = '\0';
    askForInstallationRoot(g->applicationName, argc, argv);
    zvlibUpf_initialize(g);
    zvlibMain_refreshLineStyles();
    return 0;
}

zvlibGlobalData *zvlibMain_findGlobalDataP(void)
{
    zvlibApplicationEntry *e = currentEntry();
    return e ? e->record : nullptr;
}

zvlibGlobalData *zvlibMain_getGlobalDataP(void)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    if (g == nullptr)
        toolSubsystem_printf("Error in zvlib_GetGlobalDataP\n");
    return g;
}

const char *zvlibMain_getApplicationName(void)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    return g ? g->applicationName : "";
}

const char *zvlibMain_getZvlibVersion(void)
{
    static char version[ZVLIB_BOX_TITLE_LEN];
    languageTextWithName(version, sizeof version, 57, ZVLIB_VERSION);
    return version;
}

const char *zvlibMain_getZvlibLocation(void)
{
    static char location[sizeof ZVLIB_LOCATION];
    zvlib::copyText(location, ZVLIB_LOCATION);
    return location;
}

void zvlibMain_languageTextWithName(char *out, size_t size, int entry, const char *name)
{
    if (out == nullptr || size == 0)
        return;
    languageTextWithName(out, size, entry, name ? name : "");
}

int zvlibMain_currentAppIsInitApp(void)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    return g ? g->initApplication : 0;
}

void zvlibMain_addInitApp(ZvlibInitFunc fn)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr || fn == nullptr || g->deferredFunctionCount < 0 ||
        g->deferredFunctionCount >= ZVLIB_MAX_INIT_FUNCTIONS)
        return;
    g->deferredFunctions[g->deferredFunctionCount++] = fn;
}

void zvlibMain_execFuncOrAddToInitApps(ZvlibInitFunc fn)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr || fn == nullptr)
        return;
    if (g->initApplication)
        zvlibMain_addInitApp(fn);
    else
        dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), reinterpret_cast<MdlFunctionP>(fn), "");
}

int zvlibMain_newDesignFile(char *fileName, int state)
{
    (void)fileName;
    if (state != MDLHOST_NEWFILE_OPENED)
        return 0;
    zvlibApplicationEntry *e = currentEntry();
    if (e == nullptr) {
        toolSubsystem_printf("Error in zvlib_GetGlobalDataP\n");
        return 0;
    }
    zvlibGlobalData *g = e->record;
    if (g->initApplication) {
        g->initApplication = 0;
        int n = g->deferredFunctionCount;
        if (n > ZVLIB_MAX_INIT_FUNCTIONS)
            n = ZVLIB_MAX_INIT_FUNCTIONS;
        g->deferredFunctionCount = 0;
        for (int i = 0; i < n; i++)
            dlmSystem_callAnyFunction(e->mdlDesc, reinterpret_cast<MdlFunctionP>(g->deferredFunctions[i]), "");
    }
    if (MSDialog *db = mdlDialog_findByTypeAndId(RTYPE_DialogBox, PROJECT_DIALOG, nullptr))
        mdlDialog_itemsSynch(db);
    if (MSDialog *db = mdlDialog_findByTypeAndId(RTYPE_DialogBox, ATTRIBUTE_DIALOG, nullptr))
        mdlWindow_close(db);
    zvlibMain_refreshLineStyles();
    return 0;
}

void zvlibMain_updateBeforeDialogOpen(int dialogId)
{
    zvlibApplicationEntry *own = currentEntry();
    for (int i = 0; i < zvlibApplicationTable.count; i++) {
        zvlibApplicationEntry &e = zvlibApplicationTable.entries[i];
        if (!isLive(e))
            continue;
        if (&e == own) {
            zgdP = e.record;
        } else if (MSDialog *db = mdlDialog_findByTypeAndId(RTYPE_DialogBox, dialogId, e.mdlDesc)) {
            mdlWindow_close(db);
        }
    }
}

void zvlibMain_setScaleFunction(ZvlibScaleFunc fn)
{
    if (zvlibGlobalData *g = zvlibMain_getGlobalDataP())
        g->plotScaleFunction = fn;
}

int zvlibMain_callScaleFunctions(double oldScale, double newScale, int includeCaller)
{
    zvlibApplicationEntry *own = currentEntry();
    if (own == nullptr) {
        toolSubsystem_printf("Error in zvlib_GetGlobalDataP\n");
        return ZVLIB_FAILURE;
    }
    for (int i = 0; i < zvlibApplicationTable.count; i++) {
        zvlibApplicationEntry &e = zvlibApplicationTable.entries[i];
        if (!isLive(e) || e.record == nullptr || (&e == own && !includeCaller))
            continue;
        if (e.record->plotScaleFunction != nullptr)
            dlmSystem_callAnyFunction(e.mdlDesc, reinterpret_cast<MdlFunctionP>(e.record->plotScaleFunction), "DD",
                                      oldScale, newScale);
    }
    return 0;
}


void zvlibMain_keepLoaded(void)
{
    static bool kept = false;
    if (kept)
        return;
    kept = true;
    Dl_info info;
    if (dladdr(reinterpret_cast<void *>(&zvlibMain_keepLoaded), &info) == 0 || info.dli_fname == nullptr)
        return;
    // The handle is never closed: NODELETE pins the library either way.
    dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

const zvlibApplicationTableT *zvlibMain_applicationTable(void) { return &zvlibApplicationTable; }
zvlibPlotScale *zvlibMain_plotScale(void) { return zvScaleP; }
void *zvlibMain_printerSetupData(void) { return zvlibPrinterSetupData; }
void *zvlibMain_projectData(void) { return zvlibProsjektData; }
void *zvlibMain_pageData(void) { return zvlibSideData; }
zvlibGlobalData *zvlibMain_publishedRecord(void) { return zgdP; }

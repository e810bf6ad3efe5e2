/* The library's registry of applications, each application's library
   record, the records shared by all applications, and the library's
   start-up for one application. */
#ifndef ZVLIB_MAIN_H
#define ZVLIB_MAIN_H

#include <stdint.h>

#include "mdlhost.h"
#include "zvlib_common.h"
#include "zvliberror.h"
#include "zvlibresource.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZVLIB_MAX_APPLICATIONS 50  /* entries of the registry */
#define ZVLIB_MAX_INIT_FUNCTIONS 10 /* deferred start-up functions of one application */
#define ZVLIB_MAX_LEVELNAME_BUFFERS 10
#define ZVLIB_APPNAME_LEN 128  /* application name with its terminator */
#define ZVLIB_PAGENAME_LEN 81
#define ZVLIB_INTRO_TEXTS 14
#define ZVLIB_INTRO_TEXT_LEN 257
#define ZVLIB_ATTR_EDIT_RECORD_SIZE 92
#define ZVLIB_PRINTER_SETUP_SIZE 840
#define ZVLIB_PROJECT_DATA_SIZE 1603
#define ZVLIB_PAGE_DATA_SIZE 2115

/* Functions an application hands the library; called through the host's
   dispatcher with the application current. */
typedef int (*ZvlibInitFunc)(void);
typedef int (*ZvlibScaleFunc)(double oldScale, double newScale);

typedef struct zvlibDialogData {
    int32_t printJob[8]; /* [2]: 0 current page, 1 all pages, 2 the range [3]..[4] */
    char fileFilter[ZVLIB_PATH_LEN];
    char directory[ZVLIB_PATH_LEN];
    char excelTemplate[ZVLIB_PATH_LEN];
    char excelSheet[31];
    char decimalSeparator[2];
} zvlibDialogData;

typedef struct zvlibPlotScale {
    int32_t activeRow;
    double activeScale;
    ListModel *scaleList; /* two columns: the name "1:n" and the value as text */
} zvlibPlotScale;

/* The library record of one application.  Fields are used by the library
   modules named in their comments. */
typedef struct zvlibGlobalData {
    uint8_t prefFileOpen;     /* preference files */
    uint8_t prefFileReadOnly; /* preference files */
    void *previewPageNames;   /* page preview */
    const char *dialogTitle;  /* file and selection dialogs */
    const char *dialogLabel;  /* selection dialogs */
    char pageName[ZVLIB_PAGENAME_LEN];
    char applicationName[ZVLIB_APPNAME_LEN];
    char introTexts[ZVLIB_INTRO_TEXTS][ZVLIB_INTRO_TEXT_LEN];
    char boxTitleType4[ZVLIB_BOX_TITLE_LEN];
    char boxTitleType8[ZVLIB_BOX_TITLE_LEN];
    char boxTitleType1[ZVLIB_BOX_TITLE_LEN];
    char boxTitleType2[ZVLIB_BOX_TITLE_LEN];
    int32_t insertedMenu;
    double printRotation;
    double unitResult;
    double pageScale; /* 1.0 */
    void *attributeGroups;
    int32_t hourGlassTick;
    int32_t selectedAttribute; /* -1 */
    int32_t attributeCount;
    int32_t groupCount;
    int32_t plottingFlag;
    int32_t previewCurrentPage; /* -1: preview closed */
    int32_t printerRow;
    int32_t attributeDialogState;
    int32_t excelExportMode;
    int32_t initApplication; /* 1: loaded before a design file was open */
    int32_t infoPage;        /* -1 */
    void *singleSelectionListInfo;
    int32_t singleSelectionColumnWidth;
    int32_t nextAttributeId;
    int32_t deferredFunctionCount; /* 0..ZVLIB_MAX_INIT_FUNCTIONS */
    int32_t multiSelectionCount;
    int32_t hourGlassStep;
    int32_t introTimeOut;
    int32_t singleSelectionResult;
    int32_t paperCode;
    int32_t pageRecordSaved; /* 1 */
    int32_t outputDriver;
    int32_t attributeDialogGroup;
    void *pageDescriptor;
    void *levelNameBuffers[ZVLIB_MAX_LEVELNAME_BUFFERS];
    RscFileHandle ownResourceFile;
    void *selectionCopy;
    void *plotDescriptor;
    StringList *fileList;
    StringList *selectionList;
    void *attributeEditRecord;
    void *attributeWorkRecord;
    void *attributeList; /* first ZvlibElmAttr (element attribute sets) */
    int32_t *previewWindowSize; /* width, height */
    void *placementRecords;
    ZvHandle preferenceFile;
    zvlibDialogData *dialogData;
    ZvlibInitFunc deferredFunctions[ZVLIB_MAX_INIT_FUNCTIONS];
    ZvlibScaleFunc plotScaleFunction;
} zvlibGlobalData;

typedef struct zvlibApplicationEntry {
    int32_t processNumber;
    MdlDesc *mdlDesc;
    zvlibGlobalData *record; /* free entry: mdlDesc and record null */
} zvlibApplicationEntry;

typedef struct zvlibApplicationTableT {
    zvlibApplicationEntry entries[ZVLIB_MAX_APPLICATIONS];
    int32_t count; /* entries ever used; never lowered */
} zvlibApplicationTableT;

#define ZVLIB_VERSION "6.13"
#define ZVLIB_LOCATION "Statically Linked"

/* Start-up for the current application: registers it and prepares its
   record.  argv[0] is the application's path, argv[1] the host's load
   origin.  Returns 0, or ZVLIB_FAILURE when no record could be made (full
   registry, no memory): the application must not go on with the library. */
ZVLIB_API int zvlibMain_initZvLib(const char *applicationName, int argc, char *argv[]);
ZVLIB_API int zvlibMain_initZvLibExtended(const char *applicationName, int argc, char *argv[], int resourceMode);

/* The current application's record; null after a text-window line when it
   never registered. */
ZVLIB_API zvlibGlobalData *zvlibMain_getGlobalDataP(void);
/* The same without the line, for code that copes with no record. */
ZVLIB_API zvlibGlobalData *zvlibMain_findGlobalDataP(void);
/* "" when the caller has no record. */
ZVLIB_API const char *zvlibMain_getApplicationName(void);
ZVLIB_API const char *zvlibMain_getZvlibVersion(void);
ZVLIB_API const char *zvlibMain_getZvlibLocation(void);
ZVLIB_API int zvlibMain_currentAppIsInitApp(void);
/* Language text entry of the caller's resources with name in its one
   "%s" ("%%" gives '%'), cut to size - 1 bytes; "" when it is missing. */
ZVLIB_API void zvlibMain_languageTextWithName(char *out, size_t size, int entry, const char *name);

/* Deferred start-up: at most ZVLIB_MAX_INIT_FUNCTIONS; more are dropped. */
ZVLIB_API void zvlibMain_addInitApp(ZvlibInitFunc fn);
ZVLIB_API void zvlibMain_execFuncOrAddToInitApps(ZvlibInitFunc fn);
/* The new-design-file hook; acts for state 1 only. */
ZVLIB_API int zvlibMain_newDesignFile(char *fileName, int state);
ZVLIB_API void zvlibMain_updateBeforeDialogOpen(int dialogId);
ZVLIB_API void zvlibMain_setScaleFunction(ZvlibScaleFunc fn);
/* Returns 0, ZVLIB_FAILURE when the caller has no record. */
ZVLIB_API int zvlibMain_callScaleFunctions(double oldScale, double newScale, int includeCaller);
ZVLIB_API void zvlibMain_refreshLineStyles(void);

/* Keeps the library that holds this code loaded until the process ends.
   The host keeps the library's unload listeners and the registry keeps
   records of applications still loaded, so the library must not go away
   with the last application that uses it.  Safe to call any number of
   times; does nothing when the code is linked into the program. */
ZVLIB_API void zvlibMain_keepLoaded(void);

/* The registry, the shared records and the record the library dialogs
   bind to (zgdP). */
ZVLIB_API const zvlibApplicationTableT *zvlibMain_applicationTable(void);
ZVLIB_API zvlibPlotScale *zvlibMain_plotScale(void);
ZVLIB_API void *zvlibMain_printerSetupData(void);
ZVLIB_API void *zvlibMain_projectData(void);
ZVLIB_API void *zvlibMain_pageData(void);
ZVLIB_API zvlibGlobalData *zvlibMain_publishedRecord(void);

#ifdef __cplusplus
}
#endif

#endif

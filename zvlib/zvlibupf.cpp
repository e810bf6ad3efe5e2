// User preference file of each application, and the file dialogs that
// remember their last file in it.
//
// The state is kept per application (the current MdlDesc), since one
// process runs several applications that each have their own file.
#include "zvlibupf.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "app/mdlapp.h"
#include "sys/mdlsys.h"
#include "zvlibdialog.h"
#include "zvlibmain.h"
#include "zvlibtext.h"

namespace {

// Applications the host runs at once (the size of the library's registry).
constexpr int MAX_APPLICATIONS = 50;
// A configuration variable's value; longer than a path, so that a value
// that is too long is reported as a too long path, not taken for undefined.

struct State {
    MdlDesc *desc;          // owner; null when the slot is free
    bool taken;             // slot taken (desc may be null outside any application)
    ZvHandle zh;            // the preference file
    unsigned char open;     // 1 while zh is open
    unsigned char readOnly; // 1 when opened read-only: saves are skipped
};

State states[MAX_APPLICATIONS];

// The host closes an unloaded application's files itself, so the slot is
// only forgotten here.
void forgetApplication(MdlDesc *desc)
{
    for (State &t : states)
        if (t.taken && t.desc == desc)
            t = State{};
}

// The current application's state; with lag, a free slot is taken for it.
// Null when it has none (or the table is full).
State *findState(bool lag)
{
    MdlDesc *desc = mdlSystem_getCurrMdlDesc();
    for (State &t : states)
        if (t.taken && t.desc == desc)
            return &t;
    if (!lag)
        return nullptr;
    for (State &t : states)
        if (!t.taken) {
            zvlibMain_keepLoaded(); // the host keeps the listener
            mdlhost_addUnloadListener(forgetApplication);
            t = State{};
            t.taken = true;
            t.desc = desc;
            return &t;
        }
    return nullptr;
}

State *openState()
{
    State *t = findState(false);
    return (t != nullptr && t->open) ? t : nullptr;
}

void closeState(State *t)
{
    if (t->open)
        zvlibResource_closeFile(&t->zh);
    t->zh.handle = nullptr;
    t->open = 0;
    t->readOnly = 0;
}

bool exists(const char *path)
{
    char lokal[ZVLIB_MAPPED_PATH_LEN];
    mdlhost_mapPath(lokal, sizeof lokal, path);
    struct stat st;
    return lokal[0] != '\0' && stat(lokal, &st) == 0;
}

// Opens path for t: read-write, else created when missing, else read-only.
int openFile(State *t, ZvHandle *handleOut, const char *path)
{
    closeState(t);
    if (strlen(path) >= sizeof t->zh.path) {
        zvlibError_rscMsgBoxPrintf(ZVLIB_RSC_BOX_STYLE, ZVLIB_RSC_MSGLIST, ZVLIB_RSC_MSG_OPEN, path);
        t->zh = ZvHandle{};
        return ZVLIB_FAILURE;
    }
    zvlib::copyText(t->zh.path, path);
    int rc = 0;
    if (mdlResource_openFile(&t->zh.handle, t->zh.path, MDLHOST_RSC_READWRITE) != 0) {
        t->zh.handle = nullptr;
        if (!exists(path)) {
            rc = zvlibResource_openFile(&t->zh, path, ZVLIB_RSC_READWRITE);
        } else {
            rc = zvlibResource_openFile(&t->zh, path, ZVLIB_RSC_READONLY);
            t->readOnly = rc == 0;
        }
    }
    if (rc != 0) {
        t->zh = ZvHandle{};
        return ZVLIB_FAILURE;
    }
    t->open = 1;
    if (handleOut != nullptr)
        *handleOut = t->zh;
    return 0;
}

bool notOpen(const State *t)
{
    if (t != nullptr)
        return false;
    toolSubsystem_printf("User preference file not open!!\n");
    return true;
}

// Puts value on top of a history: an equal entry moves up, otherwise every
// entry moves down and the last one beyond the history's length falls off.
void putOnTop(char (*historie)[MDLHOST_UPREF_NAMELENGTH], int32_t *antall, const char *value)
{
    int n = *antall < 0 ? 0 : (*antall > MDLHOST_UPREF_HISTORY ? MDLHOST_UPREF_HISTORY : *antall);
    int fra = n < MDLHOST_UPREF_HISTORY ? n : MDLHOST_UPREF_HISTORY - 1;
    for (int i = 0; i < n; i++)
        if (strcmp(historie[i], value) == 0) {
            fra = i;
            break;
        }
    if (fra == n)
        n++;
    memmove(historie[1], historie[0], size_t(fra) * MDLHOST_UPREF_NAMELENGTH);
    zvlib::copyText(historie[0], value);
    *antall = n > MDLHOST_UPREF_HISTORY ? MDLHOST_UPREF_HISTORY : n;
}

} // namespace

int zvlibUpf_open(ZvHandle *handleOut, const char *cfgVar, const char *defaultName)
{
    State *t = findState(true);
    if (t == nullptr)
        return ZVLIB_FAILURE;
    closeState(t);
    char pref[ZVLIB_CFGVALUE_LEN];
    if (mdlSystem_getCfgVar(pref, "MS_USERPREF", sizeof pref) != 0) {
        toolSubsystem_printf("\"MS_USERPREF\" undefined!\n");
        return ZVLIB_FAILURE;
    }
    char device[MDLHOST_MAXFILELENGTH];
    char directory[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(pref, device, directory, nullptr, nullptr);
    // The host gives the device with its ':', which the format adds.
    size_t devLen = strlen(device);
    if (devLen > 0 && device[devLen - 1] == ':')
        device[devLen - 1] = '\0';

    // An empty value would name the directory itself.
    char name[ZVLIB_CFGVALUE_LEN];
    if (cfgVar == nullptr || mdlSystem_getCfgVar(name, cfgVar, sizeof name) != 0 || name[0] == '\0')
        zvlib::copyText(name, defaultName != nullptr ? defaultName : "");

    char path[3 * ZVLIB_CFGVALUE_LEN];
    if (device[0] != '\0')
        snprintf(path, sizeof path, "%s:%s%s", device, directory, name);
    else
        snprintf(path, sizeof path, "%s%s", directory, name);
    return openFile(t, handleOut, path);
}

int zvlibUpf_openWithPath(ZvHandle *handleOut, const char *fullPath)
{
    State *t = findState(true);
    if (t == nullptr)
        return ZVLIB_FAILURE;
    return openFile(t, handleOut, fullPath != nullptr ? fullPath : "");
}

void zvlibUpf_close(void)
{
    if (State *t = findState(false))
        closeState(t);
}

int zvlibUpf_load(unsigned int type, long id, void *buffer, size_t length)
{
    State *t = openState();
    if (notOpen(t))
        return ZVLIB_FAILURE;
    return zvlibResource_load(&t->zh, type, id, buffer, length);
}

int zvlibUpf_save(unsigned int type, long id, const void *data, size_t length)
{
    State *t = openState();
    if (notOpen(t))
        return ZVLIB_FAILURE;
    // Shut-down saves every block; a file the user may only read must not
    // make it complain.
    if (t->readOnly)
        return 0;
    return zvlibResource_add(&t->zh, type, id, data, length, nullptr);
}

const char *zvlibUpf_getUpfFileName(void)
{
    State *t = openState();
    return t != nullptr ? t->zh.path : nullptr;
}

RscFileHandle zvlibUpf_getHandle(void)
{
    State *t = openState();
    return t != nullptr ? t->zh.handle : nullptr;
}

ZvHandle *zvlibUpf_getZvHandle(void)
{
    State *t = openState();
    return t != nullptr ? &t->zh : nullptr;
}

int zvlibUpf_isReadOnly(void)
{
    State *t = openState();
    return t != nullptr && t->readOnly ? 1 : 0;
}

void zvlibUpf_initialize(void * /*libraryRecord*/)
{
    if (State *t = findState(true)) {
        t->zh = ZvHandle{};
        t->open = 0;
        t->readOnly = 0;
    }
}

// ---- remembered file names ------------------------------------------------

int zvlibUpf_defFileOpen(char *pathOut, const char *suggestedName, const char *filter, const char *defaultDirectory,
                         const char *title, int dialogId)
{
    RscFileHandle h = zvlibUpf_getHandle();
    MdlUserPrefsFile rec;
    const char *forslag = suggestedName;
    if (mdlUserPrefs_getFileName(&rec, dialogId, h) == 0 && rec.fileName[0] != '\0') {
        forslag = rec.fileName;
        mdlUserPrefs_saveFileName(&rec, dialogId, nullptr);
    }
    return mdlDialog_defFileOpen(pathOut, nullptr, dialogId, h, forslag, filter, defaultDirectory, title);
}

int zvlibUpf_defFileCreate(char *pathOut, const char *suggestedName, const char *filter,
                           const char *defaultDirectory, const char *title, int dialogId)
{
    RscFileHandle h = zvlibUpf_getHandle();
    MdlUserPrefsFile rec;
    const char *forslag = suggestedName;
    if (mdlUserPrefs_getFileName(&rec, dialogId, h) == 0 && rec.fileName[0] != '\0')
        forslag = rec.fileName;
    return mdlDialog_defFileCreate(pathOut, nullptr, dialogId, h, forslag, filter, defaultDirectory, title);
}

int zvlibUpf_defFileListEdit(int *statusOut, StringList *fileList, int attributes, const char *title,
                             const char *prompt, const char *filter, const char *defaultDirectory, int dialogId)
{
    if (statusOut == nullptr)
        return ZVLIB_FAILURE;
    RscFileHandle h = zvlibUpf_getHandle();
    MdlUserPrefsFile rec;
    mdlUserPrefs_getFileName(&rec, dialogId, h);
    char directory[MDLHOST_MAXFILELENGTH];
    const char *start = rec.directory[0] != '\0' ? rec.directory : defaultDirectory;
    zvlib::copyText(directory, start != nullptr ? start : "");
    *statusOut = mdlFileList_edit(fileList, directory, attributes, title, prompt, filter);
    if (*statusOut == ACTIONBUTTON_OK) {
        zvlib::copyText(rec.directory, directory);
        mdlUserPrefs_saveFileName(&rec, dialogId, h);
    }
    return 0;
}

StringList *zvlibUpf_defSearchFiles(const char *title, const char *filter, const char *directoryOrCfgVar,
                                    int dialogId)
{
    static_assert(sizeof(zvlibRememberedChoice::directory) == sizeof(MdlUserPrefsFile::directory) &&
                      sizeof(zvlibRememberedChoice::filter) == sizeof(MdlUserPrefsFile::filter),
                  "a remembered choice fits the record whole");
    RscFileHandle h = zvlibUpf_getHandle();
    MdlUserPrefsFile rec;
    mdlUserPrefs_getFileName(&rec, dialogId, h);
    zvlibRememberedChoice valg{};
    zvlib::copyText(valg.directory, rec.directory);
    zvlib::copyText(valg.filter, rec.filter);
    StringList *liste = zvlibDialog_searchFiles(&valg, title, filter, directoryOrCfgVar);
    if (liste != nullptr) {
        zvlib::copyText(rec.directory, valg.directory);
        zvlib::copyText(rec.filter, valg.filter);
        if (mdlUserPrefs_saveFileName(&rec, dialogId, h) != 0)
            toolSubsystem_printf("File search %d: the directory is not remembered\n", dialogId);
    }
    return liste;
}

int zvlibUpf_saveFileName(const char *path, RscFileHandle resourceFile, int dialogId)
{
    // A cut path would be remembered as a file that does not exist.
    if (path == nullptr || strlen(path) >= MDLHOST_UPREF_NAMELENGTH)
        return ZVLIB_FAILURE;
    MdlUserPrefsFile rec;
    mdlUserPrefs_getFileName(&rec, dialogId, resourceFile);

    char device[MDLHOST_MAXFILELENGTH];
    char directory[MDLHOST_MAXFILELENGTH];
    char extension[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(path, device, directory, nullptr, extension);
    // Neither is longer than the path but for "*." before an extension
    // that fills a whole name; such a filter is not remembered cut.
    char filter[MDLHOST_UPREF_NAMELENGTH];
    char katalog[MDLHOST_UPREF_NAMELENGTH];
    if (snprintf(filter, sizeof filter, "*.%s", extension[0] == '.' ? extension + 1 : extension) >=
            int(sizeof filter) ||
        snprintf(katalog, sizeof katalog, "%s%s", device, directory) >= int(sizeof katalog))
        return ZVLIB_FAILURE;

    zvlib::copyText(rec.fileName, path);
    zvlib::copyText(rec.filter, filter);
    if (rec.marker == MDLHOST_UPREF_MARKER) {
        putOnTop(rec.files, &rec.fileCount, path);
        putOnTop(rec.filters, &rec.filterCount, filter);
        putOnTop(rec.directories, &rec.directoryCount, katalog);
    }
    rec.marker = MDLHOST_UPREF_MARKER;
    rec.version = MDLHOST_UPREF_VERSION;
    return mdlUserPrefs_saveFileName(&rec, dialogId, resourceFile) == 0 ? 0 : ZVLIB_FAILURE;
}

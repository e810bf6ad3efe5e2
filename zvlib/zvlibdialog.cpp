// The library's file and list dialogs, item helpers and menu insertion.
//
// Sections: paths and lists (helpers), the file selection dialog 20016,
// the file search dialog 20018, the selection dialogs 20021 and 20022,
// the dialogs' shared hooks, the exported functions.
//
// Every hook runs with the dialog's owner current, so the record it
// finds is the one of the application that opened the dialog.  The
// directory and filter the dialogs show live in that record's dialog
// data, which the text items reach through "zgdP->dialogData".
#include "zvlibdialog.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/mdlapp.h"
#include "sys/mdlsys.h"
#include "zvliberror.h"
#include "zvlibfile.h"
#include "zvlibmain.h"
#include "zvlibtext.h"

static_assert(ZVLIB_DIALOG_PATH_LEN == sizeof(((zvlibDialogData *)nullptr)->directory), "one path capacity");
static_assert(ZVLIB_DIALOG_PATH_LEN == sizeof(((zvlibDialogData *)nullptr)->fileFilter), "one path capacity");
static_assert(ZVLIB_DIALOG_PATH_LEN == MDLHOST_MAXFILELENGTH, "paths cross to the host in its own buffers");

namespace {

enum Hook {
    HOOK_DIALOG = 20201,
    HOOK_ADJUST = 20202,
    HOOK_DIRECTORY_LIST = 20059,
    HOOK_FILE_LIST = 20060,
    HOOK_FILTER = 20061,
    HOOK_RESULT_LIST = 20068,
    HOOK_CHOOSE_DIRECTORY = 20069,
    HOOK_SEARCH = 20070,
    HOOK_REMOVE = 20071,
    HOOK_SAVE = 20072,
    HOOK_LOAD = 20074,
    HOOK_SINGLE_LIST = 20080,
    HOOK_MULTI_LIST = 20081,
};

constexpr int BOX_STYLE = 17;
constexpr char ROOT[] = "c:\\";              // where a dialog starts when nothing else is known
constexpr char LIST_FILE[] = "filelist.txt"; // the search dialog's list files
constexpr char LIST_FILTER[] = "*.txt";
constexpr char LIST_DIRECTORY[] = "MS_DATA";
constexpr int SINGLE_ROWS = 12;              // rows of the single selection, twice that with a label
constexpr int CHARACTER_WIDTH = 6;           // pixels of one character in the dialog font
constexpr int BUTTON_NEAR = 60;              // hook 20202: second push button from the right edge
constexpr int BUTTON_FAR = 120;              // first push button from the right edge

// ---- paths and lists ---------------------------------------------------------

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// The separator a directory already uses; the backslash when it shows none.
char separatorOf(const char *katalog)
{
    const char *siste = strrchr(katalog, '/');
    const char *bak = strrchr(katalog, '\\');
    return siste != nullptr && (bak == nullptr || siste > bak) ? '/' : '\\';
}

// katalog + navn (+ separator) into ut; false when it would not fit a path.
bool buildPath(char (&ut)[ZVLIB_DIALOG_PATH_LEN], const char *katalog, const char *navn, bool medSkille)
{
    int n = medSkille ? snprintf(ut, sizeof ut, "%s%s%c", katalog, navn, separatorOf(katalog))
                      : snprintf(ut, sizeof ut, "%s%s", katalog, navn);
    return n >= 0 && n < int(sizeof ut);
}

// Directories are kept with their separator, so that a name can be put
// after them as it stands.  One that does not fit is refused (the
// directory stays as it was): cut, it would name another.
bool setDirectory(zvlibDialogData *dd, const char *katalog)
{
    size_t n = strlen(katalog);
    bool skille = n > 0 && !isSeparator(katalog[n - 1]);
    if (n + (skille ? 1 : 0) >= sizeof dd->directory)
        return false;
    memcpy(dd->directory, katalog, n + 1);
    if (skille) {
        dd->directory[n] = separatorOf(katalog);
        dd->directory[n + 1] = '\0';
    }
    return true;
}

char *makeText(const char *tekst)
{
    if (tekst == nullptr)
        return nullptr;
    size_t n = strlen(tekst) + 1;
    auto *kopi = static_cast<char *>(dlmSystem_mdlMalloc(n));
    if (kopi != nullptr)
        memcpy(kopi, tekst, n);
    return kopi;
}

// Title and label of the record for the time a dialog is open; a dialog
// opened from inside another finds the outer one's texts again afterwards.
class DialogTexts {
  public:
    DialogTexts(zvlibGlobalData *g, const char *tittel, const char *etikett)
        : g_(g), title_(g->dialogTitle), label_(g->dialogLabel)
    {
        g->dialogTitle = makeText(tittel);
        g->dialogLabel = makeText(etikett);
    }
    ~DialogTexts()
    {
        dlmSystem_mdlFree(const_cast<char *>(g_->dialogTitle));
        dlmSystem_mdlFree(const_cast<char *>(g_->dialogLabel));
        g_->dialogTitle = title_;
        g_->dialogLabel = label_;
    }
    DialogTexts(const DialogTexts &) = delete;
    DialogTexts &operator=(const DialogTexts &) = delete;

  private:
    zvlibGlobalData *g_;
    const char *title_;
    const char *label_;
};

const char *member(StringList *list, long i)
{
    const char *t = nullptr;
    return mdlStringList_getMember(&t, nullptr, list, i) == 0 && t != nullptr ? t : nullptr;
}

// Appends a member; false when the list takes no more.
bool append(StringList *list, const char *tekst, const long *info = nullptr)
{
    long ny = -1;
    return mdlStringList_insertMember(&ny, list, -1, 1) == 0 && mdlStringList_setMember(list, ny, tekst, info) == 0;
}

void setMembers(StringList *list, const std::vector<std::string> &tekster)
{
    mdlStringList_deleteMember(list, 0, mdlStringList_size(list));
    for (const std::string &t : tekster)
        if (!append(list, t.c_str()))
            break;
}

// The list shown in a list box goes with the item.
void releaseList(DialogItem *item)
{
    StringList *list = mdlDialog_listBoxGetStrListP(item);
    mdlDialog_listBoxSetStrListP(item, nullptr, 1);
    mdlStringList_destroy(list);
}

void forgetSelection(zvlibGlobalData *g)
{
    dlmSystem_mdlFree(g->selectionCopy);
    g->selectionCopy = nullptr;
    g->multiSelectionCount = 0;
}

// The selected rows of a list box into the record's selection copy.  The
// selection stays empty when the host cannot tell it.
void keepSelection(zvlibGlobalData *g, DialogItem *item)
{
    forgetSelection(g);
    std::vector<int32_t> rader;
    int rad = -1, funnet = 0, kolonne = 0;
    for (;;) {
        if (mdlDialog_listBoxGetNextSelection(&funnet, &rad, &kolonne, item) != 0) {
            toolSubsystem_printf("Error retrieving selections!!\n");
            return;
        }
        if (!funnet)
            break;
        rader.push_back(rad);
    }
    if (rader.empty())
        return;
    auto *kopi = static_cast<int32_t *>(dlmSystem_mdlMalloc(rader.size() * sizeof(int32_t)));
    if (kopi == nullptr)
        return;
    memcpy(kopi, rader.data(), rader.size() * sizeof(int32_t));
    g->selectionCopy = kopi;
    g->multiSelectionCount = int32_t(rader.size());
}

std::vector<std::string> patterns(const char *filter)
{
    std::vector<std::string> ut;
    std::string_view f = filter;
    size_t b = 0;
    while (b <= f.size()) {
        size_t e = f.find(';', b);
        if (e == std::string_view::npos)
            e = f.size();
        std::string_view m = f.substr(b, e - b);
        while (!m.empty() && (m.front() == ' ' || m.front() == '\t'))
            m.remove_prefix(1);
        while (!m.empty() && (m.back() == ' ' || m.back() == '\t'))
            m.remove_suffix(1);
        if (!m.empty())
            ut.emplace_back(m);
        b = e + 1;
    }
    return ut;
}

// Names of one listing; none when the directory cannot be read.
std::vector<std::string> listEntries(int attributter, const char *monster, const char *katalog)
{
    MdlFindEntry *e = nullptr;
    int n = mdlFileList_get(&e, attributter, monster, katalog);
    std::vector<std::string> navn;
    for (int i = 0; i < n; i++)
        navn.emplace_back(e[i].name);
    mdlFileList_free(e);
    return navn;
}

// ---- file selection (20016) --------------------------------------------------

std::vector<std::string> directoryRows(const zvlibDialogData *dd)
{
    std::vector<std::string> rader = listEntries(MDLHOST_FILEATTR_DIRECTORIES, "*", dd->directory);
    for (std::string &d : listEntries(MDLHOST_FILEATTR_DRIVES, "*", dd->directory))
        rader.push_back(std::move(d));
    return rader;
}

// Names in the order the host lists them: without case, then as written.
bool listedBefore(const std::string &a, const std::string &b)
{
    auto liten = [](const std::string &t) {
        std::string l = t;
        for (char &c : l)
            c = zvlib::lowerAscii(c);
        return l;
    };
    std::string x = liten(a), y = liten(b);
    return x != y ? x < y : a < b;
}

// Files of the directory that match any pattern of the filter, once each.
std::vector<std::string> fileRows(const zvlibDialogData *dd)
{
    std::vector<std::string> rader;
    std::vector<std::string> m = patterns(dd->fileFilter);
    if (m.empty())
        m.emplace_back("*.*");
    for (const std::string &monster : m)
        for (std::string &f : listEntries(MDLHOST_FILEATTR_FILES, monster.c_str(), dd->directory))
            if (std::find(rader.begin(), rader.end(), f) == rader.end())
                rader.push_back(std::move(f));
    std::sort(rader.begin(), rader.end(), listedBefore);
    return rader;
}

// The directory a chosen row of the directory list leads to, into katalog;
// false (katalog unchanged) when the new path would not fit.
bool newDirectory(char (&katalog)[ZVLIB_DIALOG_PATH_LEN], const char *valgt)
{
    char ny[ZVLIB_DIALOG_PATH_LEN];
    if (strcmp(valgt, "..") == 0) {
        size_t n = strlen(katalog);
        while (n > 0 && isSeparator(katalog[n - 1]))
            n--;
        size_t k = n;
        while (k > 0 && !isSeparator(katalog[k - 1]))
            k--;
        if (k == 0)
            return true; // a root has nothing above it
        katalog[k] = '\0';
        return true;
    }
    if (strlen(valgt) >= 4 && valgt[1] == '-' && valgt[3] == ':')
        snprintf(ny, sizeof ny, "%c:%c", valgt[2], '\\');
    else if (!buildPath(ny, katalog, valgt, true))
        return false;
    memcpy(katalog, ny, sizeof ny);
    return true;
}

void fillFileList(MSDialog *db, zvlibGlobalData *g)
{
    DialogItem *item = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, ZVLIB_ITEM_FILELIST, 0);
    StringList *rader = item != nullptr ? mdlDialog_listBoxGetStrListP(item) : nullptr;
    if (rader == nullptr)
        return;
    setMembers(rader, fileRows(g->dialogData));
    mdlDialog_listBoxClearSelection(item);
    forgetSelection(g);
    zvlibDialog_itemEnableByTypeAndId(db, RTYPE_PushButton, PUSHBUTTONID_OK, 0);
    mdlDialog_listBoxDrawContents(item, -1, -1);
}

void changeDirectory(DialogItemMessage *dimP, zvlibGlobalData *g)
{
    StringList *rader = mdlDialog_listBoxGetStrListP(dimP->dialogItemP);
    const char *valgt = member(rader, dimP->u.button.row);
    if (valgt == nullptr)
        return;
    std::string navn = valgt; // the list is refilled below
    if (!newDirectory(g->dialogData->directory, navn.c_str()))
        return;
    MSDialog *db = dimP->db;
    if (DialogItem *tekst = mdlDialog_itemGetByTypeAndId(db, RTYPE_Text, ZVLIB_ITEM_DIRECTORY, 0))
        mdlDialog_itemSynch(db, mdlDialog_itemGetIndex(tekst));
    setMembers(rader, directoryRows(g->dialogData));
    mdlDialog_listBoxClearSelection(dimP->dialogItemP);
    mdlDialog_listBoxDrawContents(dimP->dialogItemP, -1, -1);
    fillFileList(db, g);
}

void directoryListHook(DialogItemMessage *dimP)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    dimP->msgUnderstood = 1;
    if (g == nullptr || g->dialogData == nullptr) {
        dimP->msgUnderstood = 0;
        return;
    }
    switch (dimP->messageType) {
    case DITEM_MESSAGE_CREATE:
        if (StringList *rader = mdlStringList_create(0, 1)) {
            setMembers(rader, directoryRows(g->dialogData));
            mdlDialog_listBoxSetStrListP(dimP->dialogItemP, rader, 1);
        }
        break;
    case DITEM_MESSAGE_BUTTON:
        if (dimP->u.button.buttonTrans == BUTTONTRANS_UP && dimP->u.button.clicks == 2)
            changeDirectory(dimP, g);
        break;
    case DITEM_MESSAGE_DESTROY:
        releaseList(dimP->dialogItemP);
        break;
    default:
        dimP->msgUnderstood = 0;
    }
}

// The selected names with the directory before them become the result.
void makeFileResult(zvlibGlobalData *g, StringList *rader)
{
    mdlStringList_destroy(g->fileList);
    g->fileList = mdlStringList_create(0, 1);
    if (g->fileList == nullptr)
        return;
    auto *valgt = static_cast<const int32_t *>(g->selectionCopy);
    for (int32_t i = 0; valgt != nullptr && i < g->multiSelectionCount; i++) {
        const char *navn = member(rader, valgt[i]);
        char sti[ZVLIB_DIALOG_PATH_LEN];
        if (navn == nullptr || !buildPath(sti, g->dialogData->directory, navn, false))
            continue; // a path that does not fit would name another file
        if (!append(g->fileList, sti))
            break;
    }
}

void fileListHook(DialogItemMessage *dimP)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    dimP->msgUnderstood = 1;
    if (g == nullptr || g->dialogData == nullptr) {
        dimP->msgUnderstood = 0;
        return;
    }
    switch (dimP->messageType) {
    case DITEM_MESSAGE_CREATE:
        forgetSelection(g);
        if (StringList *rader = mdlStringList_create(0, 1)) {
            setMembers(rader, fileRows(g->dialogData));
            mdlDialog_listBoxSetStrListP(dimP->dialogItemP, rader, 1);
        }
        break;
    case DITEM_MESSAGE_INIT:
        zvlibDialog_itemEnableByTypeAndId(dimP->db, RTYPE_PushButton, PUSHBUTTONID_OK, 0);
        break;
    case DITEM_MESSAGE_BUTTON:
        if (dimP->u.button.buttonTrans != BUTTONTRANS_UP)
            break;
        keepSelection(g, dimP->dialogItemP);
        zvlibDialog_itemEnableByTypeAndId(dimP->db, RTYPE_PushButton, PUSHBUTTONID_OK, g->multiSelectionCount > 0);
        break;
    case DITEM_MESSAGE_DESTROY:
        makeFileResult(g, mdlDialog_listBoxGetStrListP(dimP->dialogItemP));
        releaseList(dimP->dialogItemP);
        break;
    default:
        dimP->msgUnderstood = 0;
    }
}

void filterHook(DialogItemMessage *dimP)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr || g->dialogData == nullptr || dimP->messageType != DITEM_MESSAGE_STATECHANGED) {
        dimP->msgUnderstood = 0;
        return;
    }
    dimP->msgUnderstood = 1;
    fillFileList(dimP->db, g);
}

// ---- file search (20018) -----------------------------------------------------

// Depth first: the files of every subdirectory before those of katalog.
// False once the result list takes no more.
bool walkDirectory(StringList *resultat, const char *katalog, const char *monster, int dybde)
{
    char her[ZVLIB_DIALOG_PATH_LEN];
    size_t n = strlen(katalog);
    if (!buildPath(her, katalog, "", n == 0 || !isSeparator(katalog[n - 1])))
        return true;
    if (dybde < ZVLIB_DIALOG_MAX_DEPTH) {
        MdlFindEntry *e = nullptr;
        int antall = mdlFileList_get(&e, MDLHOST_FILEATTR_SUBDIRS, "*", her);
        bool videre = true;
        for (int i = 0; i < antall && videre; i++) {
            // A linked directory may lead back up the tree: never followed.
            if (strcmp(e[i].name, ".") == 0 || strcmp(e[i].name, "..") == 0 ||
                (e[i].attributes & MDLHOST_FILEATTR_LINK))
                continue;
            char under[ZVLIB_DIALOG_PATH_LEN];
            if (buildPath(under, her, e[i].name, true))
                videre = walkDirectory(resultat, under, monster, dybde + 1);
        }
        mdlFileList_free(e);
        if (!videre)
            return false;
    }
    for (const std::string &f : listEntries(MDLHOST_FILEATTR_FILES, monster, her)) {
        char sti[ZVLIB_DIALOG_PATH_LEN];
        if (buildPath(sti, her, f.c_str(), false) && !append(resultat, sti))
            return false;
    }
    return true;
}

DialogItem *resultBox(MSDialog *db)
{
    return mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, ZVLIB_ITEM_RESULTLIST, 0);
}

void showResult(MSDialog *db)
{
    if (DialogItem *boks = resultBox(db)) {
        mdlDialog_listBoxSetTopRow(boks, 0);
        mdlDialog_listBoxDrawContents(boks, -1, -1);
    }
}

void search(MSDialog *db, zvlibGlobalData *g)
{
    StringList *ny = mdlStringList_create(0, 1);
    if (ny == nullptr)
        return;
    // The list box lets go of the old list before it goes.
    if (DialogItem *boks = resultBox(db))
        mdlDialog_listBoxSetStrListP(boks, ny, 1);
    mdlStringList_destroy(g->fileList);
    g->fileList = ny;
    for (const std::string &m : patterns(g->dialogData->fileFilter))
        if (!walkDirectory(ny, g->dialogData->directory, m.c_str(), 0))
            break;
    showResult(db);
}

void removeSelected(MSDialog *db, zvlibGlobalData *)
{
    DialogItem *boks = resultBox(db);
    StringList *rader = boks != nullptr ? mdlDialog_listBoxGetStrListP(boks) : nullptr;
    if (rader == nullptr)
        return;
    std::vector<int> valgt;
    int rad = -1, funnet = 0, kolonne = 0;
    while (mdlDialog_listBoxGetNextSelection(&funnet, &rad, &kolonne, boks) == 0 && funnet)
        valgt.push_back(rad);
    // Last first, so the rows still to go keep their numbers.
    for (auto r = valgt.rbegin(); r != valgt.rend(); ++r)
        mdlStringList_deleteMember(rader, *r, 1);
    mdlDialog_listBoxClearSelection(boks);
    mdlDialog_listBoxDrawContents(boks, -1, -1);
}

// Where the list files are offered: the first directory of MS_DATA.
void listDirectory(char (&katalog)[ZVLIB_DIALOG_PATH_LEN])
{
    char verdi[ZVLIB_CFGVALUE_LEN];
    if (mdlSystem_getCfgVar(verdi, LIST_DIRECTORY, sizeof verdi) != 0)
        verdi[0] = '\0';
    if (char *semikolon = strchr(verdi, ';'))
        *semikolon = '\0';
    if (strlen(verdi) >= sizeof katalog)
        verdi[0] = '\0';
    zvlib::copyText(katalog, verdi);
}

void saveList(MSDialog *db, zvlibGlobalData *g)
{
    char katalog[ZVLIB_DIALOG_PATH_LEN];
    listDirectory(katalog);
    char navn[MDLHOST_MAXFILELENGTH] = "";
    if (mdlDialog_fileCreate(navn, nullptr, 0, LIST_FILE, LIST_FILTER, katalog, "Create output file") != 0)
        return;
    FILE *fp = dlmSystem_mdlFopen(navn, "w");
    if (fp == nullptr) {
        zvlibError_rscMsgBoxPrintf(BOX_STYLE, ZVLIB_FILE_MSGLIST, ZVLIB_FILE_MSG_OPEN, navn);
        return;
    }
    DialogItem *boks = resultBox(db);
    StringList *rader = boks != nullptr ? mdlDialog_listBoxGetStrListP(boks) : g->fileList;
    for (long i = 0; i < mdlStringList_size(rader); i++)
        if (const char *t = member(rader, i))
            fprintf(fp, "%s\n", t);
    // A full disk shows only here; the list must not seem saved.
    bool feil = ferror(fp) != 0;
    if (dlmSystem_mdlFclose(fp) != 0 || feil)
        zvlibError_rscMsgBoxPrintf(BOX_STYLE, ZVLIB_FILE_MSGLIST, ZVLIB_FILE_MSG_OPEN, navn);
}

bool isFile(const char *sti)
{
    char lokal[ZVLIB_MAPPED_PATH_LEN];
    mdlhost_mapPath(lokal, sizeof lokal, sti);
    struct stat st;
    return lokal[0] != '\0' && stat(lokal, &st) == 0 && S_ISREG(st.st_mode);
}

void loadList(MSDialog *db, zvlibGlobalData *g)
{
    char katalog[ZVLIB_DIALOG_PATH_LEN];
    listDirectory(katalog);
    char navn[MDLHOST_MAXFILELENGTH] = "";
    if (mdlDialog_fileOpen(navn, nullptr, 0, LIST_FILE, LIST_FILTER, katalog, "Select input file") != 0)
        return;
    ZvlibFile *fil = zvlibFile_open(navn, "r");
    if (fil == nullptr)
        return; // the open has said why
    DialogItem *boks = resultBox(db);
    StringList *rader = boks != nullptr ? mdlDialog_listBoxGetStrListP(boks) : g->fileList;
    int mangler = 0;
    char linje[ZVLIB_DIALOG_PATH_LEN];
    while (rader != nullptr && zvlibFile_read(linje, fil, sizeof linje) > 0) {
        if (linje[0] == '\0')
            continue;
        if (isFile(linje)) {
            if (!append(rader, linje))
                break;
        } else {
            zvlibError_listPrintf(ZVLIB_LIST_ADD, "\"%s\" not found", linje);
            mangler++;
        }
    }
    zvlibFile_close(fil);
    showResult(db);
    if (mangler > 0)
        zvlibError_listPrintf(ZVLIB_LIST_SHOW, "%d files not found!", mangler);
}

void resultListHook(DialogItemMessage *dimP)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    dimP->msgUnderstood = 1;
    if (g == nullptr) {
        dimP->msgUnderstood = 0;
        return;
    }
    switch (dimP->messageType) {
    case DITEM_MESSAGE_CREATE:
        mdlStringList_destroy(g->fileList);
        g->fileList = mdlStringList_create(0, 1);
        mdlDialog_listBoxSetStrListP(dimP->dialogItemP, g->fileList, 1);
        break;
    case DITEM_MESSAGE_DESTROY:
        // The list stays in the record: it is the dialog's result.
        mdlDialog_listBoxSetStrListP(dimP->dialogItemP, nullptr, 1);
        break;
    default:
        dimP->msgUnderstood = 0;
    }
}

void chooseDirectory(MSDialog *db, zvlibGlobalData *g)
{
    StringList *valgt = mdlStringList_create(0, 1);
    if (valgt == nullptr)
        return;
    char katalog[MDLHOST_MAXFILELENGTH];
    zvlib::copyText(katalog, g->dialogData->directory);
    if (mdlFileList_edit(valgt, katalog, MDLHOST_FILEATTR_DIRECTORIES, "Select directory", "", "*.*") ==
            ACTIONBUTTON_OK &&
        member(valgt, 0) != nullptr) {
        setDirectory(g->dialogData, member(valgt, 0));
        if (DialogItem *tekst = mdlDialog_itemGetByTypeAndId(db, RTYPE_Text, ZVLIB_ITEM_SEARCHDIRECTORY, 0))
            mdlDialog_itemSynch(db, mdlDialog_itemGetIndex(tekst));
    }
    mdlStringList_destroy(valgt);
}

// The search dialog's push buttons act on the click that releases them.
template <void (*action)(MSDialog *, zvlibGlobalData *)> void buttonHook(DialogItemMessage *dimP)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr || g->dialogData == nullptr || dimP->messageType != DITEM_MESSAGE_BUTTON) {
        dimP->msgUnderstood = 0;
        return;
    }
    dimP->msgUnderstood = 1;
    if (dimP->u.button.buttonTrans == BUTTONTRANS_UP)
        action(dimP->db, g);
}

// ---- selection from a string list (20021, 20022) ------------------------------

void singleListHook(DialogItemMessage *dimP)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    dimP->msgUnderstood = 1;
    if (g == nullptr) {
        dimP->msgUnderstood = 0;
        return;
    }
    MSDialog *db = dimP->db;
    DialogItem *boks = dimP->dialogItemP;
    switch (dimP->messageType) {
    case DITEM_MESSAGE_CREATE: {
        bool etikett = g->dialogLabel != nullptr && g->dialogLabel[0] != '\0';
        BSIRect r{};
        mdlDialog_itemGetExtent(&r, db, dimP->itemIndex);
        int rader = etikett ? 2 * SINGLE_ROWS : SINGLE_ROWS;
        r.corner.y = r.origin.y + rader * mdlDialog_fontGetCurHeight(db);
        if (g->singleSelectionColumnWidth > 0)
            r.corner.x = r.origin.x + g->singleSelectionColumnWidth * CHARACTER_WIDTH;
        mdlDialog_itemSetExtent(db, dimP->itemIndex, &r, 0);
        if (etikett)
            mdlDialog_listBoxSetColumnHeading(boks, 0, g->dialogLabel);
        if (g->singleSelectionListInfo != nullptr)
            mdlDialog_listBoxSetInfo(boks, *static_cast<const unsigned *>(g->singleSelectionListInfo));
        mdlDialog_listBoxSetStrListP(boks, g->selectionList, 1);
        mdlDialog_listBoxSelectRows(boks, 0, 0, 1);
        break;
    }
    case DITEM_MESSAGE_BUTTON:
        if (dimP->u.button.buttonTrans == BUTTONTRANS_UP && dimP->u.button.clicks == 2 && dimP->u.button.row >= 0)
            mdlDialog_closeWithAction(db, ACTIONBUTTON_OK);
        break;
    case DITEM_MESSAGE_DESTROY: {
        int forste = -1, siste = -1;
        mdlDialog_listBoxGetSelectRange(&forste, &siste, boks);
        g->singleSelectionResult = forste;
        // The caller destroys the list after the dialog.
        mdlDialog_listBoxSetStrListP(boks, nullptr, 1);
        break;
    }
    default:
        dimP->msgUnderstood = 0;
    }
}

void multiListHook(DialogItemMessage *dimP)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    dimP->msgUnderstood = 1;
    if (g == nullptr) {
        dimP->msgUnderstood = 0;
        return;
    }
    DialogItem *boks = dimP->dialogItemP;
    switch (dimP->messageType) {
    case DITEM_MESSAGE_CREATE:
        forgetSelection(g);
        mdlDialog_listBoxSetStrListP(boks, g->selectionList, 1);
        mdlDialog_listBoxSelectRows(boks, 0, 0, 1);
        if (g->dialogLabel != nullptr && g->dialogLabel[0] != '\0')
            mdlDialog_listBoxSetColumnHeading(boks, 0, g->dialogLabel);
        if (g->dialogTitle != nullptr && g->dialogTitle[0] != '\0')
            mdlWindow_titleSet(dimP->db, g->dialogTitle);
        break;
    case DITEM_MESSAGE_DESTROY:
        keepSelection(g, boks);
        mdlDialog_listBoxSetStrListP(boks, nullptr, 1);
        break;
    default:
        dimP->msgUnderstood = 0;
    }
}

// ---- the dialogs' hooks -------------------------------------------------------

void dialogHook(DialogMessage *dmP)
{
    dmP->msgUnderstood = 1;
    switch (dmP->messageType) {
    case DIALOG_MESSAGE_CREATE: {
        // One application at a time shows a library dialog, and the record
        // the items bind to is the one of the application that opens it.
        zvlibMain_updateBeforeDialogOpen(dmP->dialogId);
        zvlibGlobalData *g = zvlibMain_getGlobalDataP();
        if (g != nullptr && g->dialogTitle != nullptr && g->dialogTitle[0] != '\0')
            mdlWindow_titleSet(dmP->db, g->dialogTitle);
        break;
    }
    case DIALOG_MESSAGE_DESTROY: {
        // Only OK hands the file list on; a dialog closed any other way
        // (also by another application opening its own copy) leaves none.
        zvlibGlobalData *g = zvlibMain_findGlobalDataP();
        bool filDialog = dmP->dialogId == ZVLIB_DIALOG_SELECTFILES || dmP->dialogId == ZVLIB_DIALOG_SEARCHFILES;
        if (g != nullptr && filDialog && dmP->u.destroy.actionType != ACTIONBUTTON_OK) {
            mdlStringList_destroy(g->fileList);
            g->fileList = nullptr;
            forgetSelection(g);
        }
        break;
    }
    default:
        dmP->msgUnderstood = 0;
    }
}

void adjustHook(DialogMessage *dmP)
{
    if (dmP->messageType != DIALOG_MESSAGE_INIT) {
        dmP->msgUnderstood = 0;
        return;
    }
    dmP->msgUnderstood = 1;
    MSDialog *db = dmP->db;
    DialogItem *boks = mdlDialog_itemGetByTypeAndId(db, RTYPE_ListBox, ZVLIB_ITEM_FIT_LISTBOX, 0);
    if (boks == nullptr)
        return;
    BSIRect r{}, innhold{};
    mdlDialog_itemGetExtent(&r, db, mdlDialog_itemGetIndex(boks));
    mdlWindow_contentRectGet(&innhold, db);
    // The list box's left margin on the right as well.
    int bredde = r.corner.x + r.origin.x;
    mdlWindow_extentSet(db, bredde, innhold.corner.y - innhold.origin.y);
    int knapper = 0;
    for (int i = 0; i < mdlDialog_itemCount(db) && knapper < 2; i++) {
        if (mdlDialog_itemGetType(mdlDialog_itemGetByIndex(db, i)) != RTYPE_PushButton)
            continue;
        BSIRect k{};
        mdlDialog_itemGetExtent(&k, db, i);
        mdlDialog_itemMove(db, i, bredde - (knapper == 0 ? BUTTON_FAR : BUTTON_NEAR), k.origin.y, 0);
        knapper++;
    }
}

// A selection dialog's list, made by the caller's function.  Null when it
// makes none.
StringList *fillList(MdlFunctionP fn, const char *beskrivelse, void *brukerArg, int infoFelter)
{
    StringList *list = nullptr;
    if (fn == nullptr)
        return nullptr;
    if (strcmp(beskrivelse, "PP") == 0)
        dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), fn, "PP", &list, brukerArg);
    else
        dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), fn, "PPI", &list, brukerArg, infoFelter);
    return list;
}

int openModal(int dialog)
{
    int action = ACTIONBUTTON_CANCEL;
    if (mdlDialog_openModal(&action, nullptr, dialog) != 0)
        return ACTIONBUTTON_CANCEL;
    return action;
}

} // namespace

// ---- exported functions ----------------------------------------------------------

namespace {

// Runs a file dialog modally.  OK gives its result list (an empty one when it
// made none) and copies the directory and filter into choice; anything else
// gives null with the list destroyed.
StringList *runFileDialog(zvlibGlobalData *g, const char *title, int dialogId, zvlibRememberedChoice *choice)
{
    mdlStringList_destroy(g->fileList);
    g->fileList = nullptr;
    int action;
    {
        DialogTexts tekster(g, title, nullptr);
        action = openModal(dialogId);
    }
    StringList *resultat = g->fileList;
    g->fileList = nullptr;
    if (action != ACTIONBUTTON_OK) {
        mdlStringList_destroy(resultat);
        return nullptr;
    }
    if (resultat == nullptr && (resultat = mdlStringList_create(0, 1)) == nullptr)
        return nullptr;
    if (choice != nullptr) {
        const zvlibDialogData *dd = g->dialogData;
        zvlib::copyText(choice->directory, dd->directory);
        zvlib::copyText(choice->filter, dd->fileFilter);
        choice->status = ACTIONBUTTON_OK;
    }
    return resultat;
}

} // namespace

StringList *zvlibDialog_selectFiles(zvlibRememberedChoice *choice, StringList *list, const char *title,
                                    const char *filter, const char *directory)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr || g->dialogData == nullptr)
        return nullptr;
    zvlibDialogData *dd = g->dialogData;
    if (choice != nullptr || dd->directory[0] == '\0') {
        if (filter != nullptr)
            zvlib::copyText(dd->fileFilter, filter);
        if (directory == nullptr || !zvlibFile_directoryExists(directory) || !setDirectory(dd, directory))
            setDirectory(dd, ROOT);
    }
    StringList *resultat = runFileDialog(g, title, ZVLIB_DIALOG_SELECTFILES, choice);
    forgetSelection(g);
    if (resultat == nullptr)
        return nullptr;
    if (list == nullptr)
        return resultat;
    mdlStringList_deleteMember(list, 0, mdlStringList_size(list));
    for (long i = 0; i < mdlStringList_size(resultat); i++)
        if (!append(list, member(resultat, i)))
            break;
    mdlStringList_destroy(resultat);
    return list;
}

StringList *zvlibDialog_searchFiles(zvlibRememberedChoice *choice, const char *title, const char *filter,
                                    const char *directoryOrCfgVar)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr || g->dialogData == nullptr)
        return nullptr;
    zvlibDialogData *dd = g->dialogData;
    char verdi[ZVLIB_CFGVALUE_LEN];
    if (choice != nullptr && choice->directory[0] != '\0' && setDirectory(dd, choice->directory)) {
        zvlib::copyText(dd->fileFilter, choice->filter[0] != '\0' ? choice->filter : filter);
    } else {
        if (filter != nullptr)
            zvlib::copyText(dd->fileFilter, filter);
        bool satt = false;
        if (directoryOrCfgVar != nullptr && mdlSystem_getCfgVar(verdi, directoryOrCfgVar, sizeof verdi) == 0 &&
            verdi[0] != '\0') {
            if (char *semikolon = strchr(verdi, ';'))
                *semikolon = '\0';
            satt = setDirectory(dd, verdi);
        } else if (directoryOrCfgVar != nullptr && zvlibFile_directoryExists(directoryOrCfgVar)) {
            satt = setDirectory(dd, directoryOrCfgVar);
        }
        if (!satt)
            setDirectory(dd, ROOT);
    }
    return runFileDialog(g, title, ZVLIB_DIALOG_SEARCHFILES, choice);
}

int zvlibDialog_selectFromStringListSingle(char *textOut, int capacity, ZvlibFillSingleFunc fill, void *userArg,
                                           const char *title, const char *label, int columnWidth,
                                           const unsigned *listInfo)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr)
        return -1;
    StringList *list = fillList(reinterpret_cast<MdlFunctionP>(fill), "PP", userArg, 0);
    if (list == nullptr)
        return -1;
    StringList *ytre = g->selectionList;
    g->selectionList = list;
    g->singleSelectionColumnWidth = columnWidth;
    g->singleSelectionListInfo = const_cast<unsigned *>(listInfo);
    g->singleSelectionResult = -1;
    int action;
    {
        DialogTexts tekster(g, title, label);
        action = openModal(ZVLIB_DIALOG_SELECTSINGLE);
    }
    int rad = action == ACTIONBUTTON_OK ? g->singleSelectionResult : -1;
    const char *tekst = rad >= 0 ? member(list, rad) : nullptr;
    if (tekst == nullptr)
        rad = -1;
    else if (textOut != nullptr && capacity > 0)
        zvlib::copyText(textOut, size_t(capacity), tekst);
    g->selectionList = ytre;
    g->singleSelectionListInfo = nullptr;
    mdlStringList_destroy(list);
    return rad;
}

StringList *zvlibDialog_selectFromStringListMulti(ZvlibFillMultiFunc fill, void *userArg, int infoFields,
                                                  const char *title, const char *label)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr)
        return nullptr;
    StringList *list = fillList(reinterpret_cast<MdlFunctionP>(fill), "PPI", userArg, infoFields);
    if (list == nullptr)
        return nullptr;
    StringList *ytre = g->selectionList;
    g->selectionList = list;
    int action;
    {
        DialogTexts tekster(g, title, label);
        action = openModal(ZVLIB_DIALOG_SELECTMULTI);
    }
    StringList *resultat = nullptr;
    auto *valgt = static_cast<const int32_t *>(g->selectionCopy);
    if (action == ACTIONBUTTON_OK && valgt != nullptr && g->multiSelectionCount > 0)
        resultat = mdlStringList_create(0, mdlStringList_infoFieldCount(list));
    for (int32_t i = 0; resultat != nullptr && i < g->multiSelectionCount; i++) {
        const char *tekst = nullptr;
        long *info = nullptr;
        if (mdlStringList_getMember(&tekst, &info, list, valgt[i]) == 0 && !append(resultat, tekst, info))
            break;
    }
    forgetSelection(g);
    g->selectionList = ytre;
    mdlStringList_destroy(list);
    return resultat;
}

void zvlibDialog_itemEnableByTypeAndId(MSDialog *db, int itemType, int itemId, int state)
{
    if (DialogItem *item = mdlDialog_itemGetByTypeAndId(db, itemType, itemId, 0))
        mdlDialog_itemSetEnabledState(db, mdlDialog_itemGetIndex(item), state != 0, 1);
}

void zvlibDialog_itemShowByTypeAndId(MSDialog *db, int itemType, int itemId, int show)
{
    if (DialogItem *item = mdlDialog_itemGetByTypeAndId(db, itemType, itemId, 0)) {
        if (show)
            mdlDialog_itemShow(db, mdlDialog_itemGetIndex(item));
        else
            mdlDialog_itemHide(db, mdlDialog_itemGetIndex(item));
    }
}

int zvlibDialog_optionButtonInsertFromStringlist(StringList *list, int step, int first, MSDialog *db,
                                                 int optionButtonId, unsigned long mask, int resize)
{
    DialogItem *knapp = mdlDialog_itemGetByTypeAndId(db, RTYPE_OptionButton, optionButtonId, 0);
    long antall = mdlStringList_size(list);
    // A step below 1 would never reach the end of the list.
    if (knapp == nullptr || antall <= 0 || step < 1 || first < 0 || first >= antall)
        return ZVLIB_FAILURE;
    mdlDialog_optionButtonDeleteAll(knapp);
    long verdi = 0;
    for (long i = first; i < antall; i += step, verdi += step)
        if (const char *tekst = member(list, i))
            mdlDialog_optionButtonInsertItem(knapp, tekst, 0, verdi, mask, -1);
    if (resize)
        mdlDialog_optionButtonSetExtent(knapp, 0);
    int indeks = mdlDialog_itemGetIndex(knapp);
    mdlDialog_itemSynch(db, indeks);
    mdlDialog_itemDraw(db, indeks);
    return 0;
}

PulldownMenu *zvlibDialog_insertPdm(PulldownMenu **menuOut, int menuId)
{
    if (menuOut != nullptr)
        *menuOut = nullptr;
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    MenuBar *linje = mdlDialog_menuBarGetCmdWinP();
    if (g == nullptr || linje == nullptr)
        return nullptr;
    // The record keeps one menu: an earlier one would stay behind for good.
    zvlibDialog_deletePdm();
    PulldownMenu *hjelp = mdlDialog_menuBarFindMenu(linje, RTYPE_PulldownMenu, MENUID_HostHelp);
    if (mdlDialog_menuBarInsMenu(linje, RTYPE_PulldownMenu, menuId, g->ownResourceFile, hjelp) != 0)
        return nullptr;
    PulldownMenu *meny = mdlDialog_menuBarFindMenu(linje, RTYPE_PulldownMenu, menuId);
    g->insertedMenu = menuId;
    if (menuOut != nullptr)
        *menuOut = meny;
    return meny;
}

void zvlibDialog_deletePdm(void)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr || g->insertedMenu == 0)
        return;
    mdlDialog_menuBarDeleteMenu(mdlDialog_menuBarGetCmdWinP(), RTYPE_PulldownMenu, g->insertedMenu);
    g->insertedMenu = 0;
}

void zvlibDialog_publishHooks(void)
{
    static const DialogHookInfo hooks[] = {
        {HOOK_DIALOG, reinterpret_cast<MdlFunctionP>(dialogHook)},
        {HOOK_ADJUST, reinterpret_cast<MdlFunctionP>(adjustHook)},
        {HOOK_DIRECTORY_LIST, reinterpret_cast<MdlFunctionP>(directoryListHook)},
        {HOOK_FILE_LIST, reinterpret_cast<MdlFunctionP>(fileListHook)},
        {HOOK_FILTER, reinterpret_cast<MdlFunctionP>(filterHook)},
        {HOOK_RESULT_LIST, reinterpret_cast<MdlFunctionP>(resultListHook)},
        {HOOK_CHOOSE_DIRECTORY, reinterpret_cast<MdlFunctionP>(buttonHook<chooseDirectory>)},
        {HOOK_SEARCH, reinterpret_cast<MdlFunctionP>(buttonHook<search>)},
        {HOOK_REMOVE, reinterpret_cast<MdlFunctionP>(buttonHook<removeSelected>)},
        {HOOK_SAVE, reinterpret_cast<MdlFunctionP>(buttonHook<saveList>)},
        {HOOK_LOAD, reinterpret_cast<MdlFunctionP>(buttonHook<loadList>)},
        {HOOK_SINGLE_LIST, reinterpret_cast<MdlFunctionP>(singleListHook)},
        {HOOK_MULTI_LIST, reinterpret_cast<MdlFunctionP>(multiListHook)},
    };
    mdlDialog_hookPublish(int(sizeof hooks / sizeof hooks[0]), hooks);
}

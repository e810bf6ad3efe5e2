// File dialogs and alerts answered from scripts, remembered file records, the file-list editor.
#include "dlg_int.h"

// ===== scripts: file dialogs and alerts ====================================

namespace dlgint {

std::deque<std::optional<std::string>> fileAnswers; // nullopt: cancel
std::deque<int> alertAnswers;
std::deque<std::optional<std::string>> fileListAnswers;
std::string lastDefault;
std::string lastTitle;
std::string lastAlert;
std::string lastFileListTitle;

// The directory and name come apart in a real dialog; joined here they must
// still name a file inside the directory.
std::string joinDefault(const char *directory, const char *name)
{
    std::string dir = directory ? directory : "";
    std::string file = name ? name : "";
    if (!dir.empty() && !file.empty() && dir.back() != '/' && dir.back() != '\\' && dir.back() != ':')
        dir += dir.find('\\') != std::string::npos ? '\\' : '/';
    return dir + file;
}

// 0 with fileName set, 1 when nothing was confirmed.
int fileDialog(char *fileName, const char *defaultName, const char *defaultDirectory, const char *titleString)
{
    lastDefault = joinDefault(defaultDirectory, defaultName);
    lastTitle = titleString ? titleString : "";
    std::optional<std::string> answer = std::string();
    if (!fileAnswers.empty()) {
        answer = fileAnswers.front();
        fileAnswers.pop_front();
    } else {
        toolSubsystem_printf("File dialog \"%s\": no answer, default \"%s\"\n", lastTitle.c_str(),
                             lastDefault.c_str());
    }
    if (!answer || fileName == nullptr)
        return 1;
    const std::string &chosen = answer->empty() ? lastDefault : *answer;
    // An empty name cannot be confirmed, and a cut one would name another file.
    if (chosen.empty())
        return 1;
    if (!mdlhost::copyWhole(fileName, MDLHOST_MAXFILELENGTH, chosen)) {
        toolSubsystem_printf("File name too long: %s\n", chosen.c_str());
        return 1;
    }
    return 0;
}

} // namespace dlgint

int mdlDialog_fileCreate(char *fileName, void *, int, const char *defaultName, const char *,
                         const char *defaultDirectory, const char *titleString)
{
    return fileDialog(fileName, defaultName, defaultDirectory, titleString);
}

int mdlDialog_fileOpen(char *fileName, void *, int, const char *defaultName, const char *,
                       const char *defaultDirectory, const char *titleString)
{
    return fileDialog(fileName, defaultName, defaultDirectory, titleString);
}

void mdlhost_scriptFileDialog(const char *answer)
{
    fileAnswers.push_back(answer ? std::optional<std::string>(answer) : std::nullopt);
}

const char *mdlhost_lastFileDialogDefault(void) { return lastDefault.c_str(); }

const char *mdlhost_lastFileDialogTitle(void) { return lastTitle.c_str(); }

int mdlhost_alert(int, const char *text, const char *, const char *button2)
{
    lastAlert = text ? text : "";
    int button = 1;
    if (!alertAnswers.empty()) {
        button = alertAnswers.front();
        alertAnswers.pop_front();
    } else {
        toolSubsystem_printf("Alert: no answer, first button\n");
    }
    // A box with one button cannot answer with the second.
    return button == 2 && button2 != nullptr ? 2 : 1;
}

void mdlhost_scriptAlert(int button)
{
    if (button == 1 || button == 2)
        alertAnswers.push_back(button);
}

const char *mdlhost_lastAlertText(void) { return lastAlert.c_str(); }

int mdlDialog_openAlert(const char *text)
{
    mdlhost_alert(1, text, "OK", nullptr);
    return ACTIONBUTTON_OK;
}

// ===== file dialogs ========================================================

namespace dlgint {

// The platform's dialogs remember the last file per (preference file,
// dialog id): offered when the caller suggests none, replaced on OK.
int defFile(char *fileName, int dialogId, RscFileHandle prefHandle, const char *suggestedName,
            const char *filterString, const char *defaultDirectory, const char *titleString, bool remember)
{
    if (fileName == nullptr)
        return ACTIONBUTTON_CANCEL;
    auto record = std::make_unique<MdlUserPrefsFile>();
    bool known = remember && mdlUserPrefs_getFileName(record.get(), dialogId, prefHandle) == MDLHOST_RSC_OK;
    const char *name = suggestedName;
    const char *directory = defaultDirectory;
    if ((name == nullptr || name[0] == '\0') && known && record->fileName[0] != '\0') {
        name = record->fileName;
        directory = nullptr;
    }
    char chosen[MDLHOST_MAXFILELENGTH] = "";
    if (fileDialog(chosen, name, directory, titleString) != 0)
        return ACTIONBUTTON_CANCEL;
    mdlhost::copyText(fileName, MDLHOST_MAXFILELENGTH, chosen);
    if (!remember)
        return ACTIONBUTTON_OK;
    char device[MDLHOST_MAXFILELENGTH], dir[MDLHOST_MAXFILELENGTH], ext[MDLHOST_MAXFILELENGTH];
    mdlFile_parseName(chosen, device, dir, nullptr, ext);
    mdlhost::copyText(record->fileName, sizeof record->fileName, chosen);
    if (ext[0] == '.')
        mdlhost::copyText(record->filter, sizeof record->filter, std::string("*") + ext);
    else if (filterString)
        mdlhost::copyText(record->filter, sizeof record->filter, filterString);
    mdlhost::copyText(record->directory, sizeof record->directory, std::string(device) + dir);
    if (mdlUserPrefs_saveFileName(record.get(), dialogId, prefHandle) != MDLHOST_RSC_OK)
        toolSubsystem_printf("File dialog %d: the chosen file is not remembered\n", dialogId);
    return ACTIONBUTTON_OK;
}

} // namespace dlgint

int mdlDialog_defFileOpen(char *fileName, void *, int dialogId, RscFileHandle prefHandle, const char *suggestedName,
                          const char *filterString, const char *defaultDirectory, const char *titleString)
{
    return defFile(fileName, dialogId, prefHandle, suggestedName, filterString, defaultDirectory, titleString, true);
}

int mdlDialog_defFileCreate(char *fileName, void *, int dialogId, RscFileHandle prefHandle,
                            const char *suggestedName, const char *filterString, const char *defaultDirectory,
                            const char *titleString)
{
    return defFile(fileName, dialogId, prefHandle, suggestedName, filterString, defaultDirectory, titleString, true);
}

int mdlDialog_userPrefFileOpen(char *fileName, const char *suggestedName, const char *defaultDirectory,
                               const char *titleString)
{
    return defFile(fileName, 0, nullptr, suggestedName, "*.upf", defaultDirectory, titleString, false);
}

int mdlFileList_edit(StringList *fileList, char *directory, int attributes, const char *title, const char *,
                     const char *)
{
    lastFileListTitle = title ? title : "";
    if (fileListAnswers.empty()) {
        toolSubsystem_printf("File list \"%s\": no answer, OK\n", lastFileListTitle.c_str());
        return ACTIONBUTTON_OK;
    }
    std::optional<std::string> answer = fileListAnswers.front();
    fileListAnswers.pop_front();
    if (!answer)
        return ACTIONBUTTON_CANCEL;
    if (answer->empty())
        return ACTIONBUTTON_OK;
    std::vector<std::string> paths;
    size_t b = 0;
    while (b <= answer->size()) {
        size_t e = answer->find(';', b);
        if (e == std::string::npos)
            e = answer->size();
        if (e > b)
            paths.push_back(answer->substr(b, e - b));
        b = e + 1;
    }
    // A cut path would name another file: refuse the whole answer.
    for (const std::string &p : paths)
        if (p.size() >= MDLHOST_MAXFILELENGTH) {
            toolSubsystem_printf("File name too long: %s\n", p.c_str());
            return ACTIONBUTTON_CANCEL;
        }
    if (fileList) {
        long start = 0;
        mdlStringList_deleteMember(fileList, 0, mdlStringList_size(fileList));
        if (mdlStringList_insertMember(&start, fileList, -1, (long)paths.size()) == 0)
            for (size_t i = 0; i < paths.size(); i++)
                mdlStringList_setMember(fileList, start + (long)i, paths[i].c_str(), nullptr);
    }
    if (directory && !paths.empty()) {
        std::string dir = paths[0];
        if (!(attributes & 128)) {
            size_t cut = dir.find_last_of("/\\:");
            dir = cut == std::string::npos ? std::string() : dir.substr(0, cut + 1);
        }
        mdlhost::copyText(directory, MDLHOST_MAXFILELENGTH, dir);
    }
    return ACTIONBUTTON_OK;
}

void mdlhost_scriptFileList(const char *paths)
{
    fileListAnswers.push_back(paths ? std::optional<std::string>(paths) : std::nullopt);
}

const char *mdlhost_lastFileListTitle(void) { return lastFileListTitle.c_str(); }

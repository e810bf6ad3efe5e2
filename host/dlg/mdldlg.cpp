// Headless dialogs: file dialogs and alert boxes answered from scripts.
#include "dlg/mdldlg.h"

#include <cstring>
#include <deque>
#include <optional>
#include <string>

#include "app/mdlapp.h"
#include "sys/mdlsys.h"

namespace {

std::deque<std::optional<std::string>> fileAnswers; // nullopt: cancel
std::deque<int> alertAnswers;
std::string lastDefault;
std::string lastTitle;
std::string lastAlert;

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

int fileDialog(char *fileName, const char *defaultName, const char *defaultDirectory, const char *titleString)
{
    lastDefault = joinDefault(defaultDirectory, defaultName);
    lastTitle = titleString ? titleString : "";
    std::optional<std::string> answer = std::string();
    if (!fileAnswers.empty()) {
        answer = fileAnswers.front();
        fileAnswers.pop_front();
    }
    if (!answer || fileName == nullptr)
        return 1;
    const std::string &chosen = answer->empty() ? lastDefault : *answer;
    // An empty name cannot be confirmed, and a cut one would name another file.
    if (chosen.empty())
        return 1;
    if (chosen.size() >= MDLHOST_MAXFILELENGTH) {
        toolSubsystem_printf("File name too long: %s\n", chosen.c_str());
        return 1;
    }
    memcpy(fileName, chosen.c_str(), chosen.size() + 1);
    return 0;
}

} // namespace

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

void mdlhost_clearDialogScripts(void)
{
    fileAnswers.clear();
    alertAnswers.clear();
}

// Keyins, the input queue and one turn of the host loop.
//
//   keyins      the host's own keyins (exit, fence delete, answer, type, %,
//               browse, gis create/open/close, mdl load/unload/command/keyin),
//               else the command tables
//   queue       keyins and commands queued by applications
//   loop        pending unloads, timers, queued input
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app_int.h"
#include "app/mdlapp.h"
#include "dgn/mdldgn.h"
#include "dgn/mdlscan.h"
#include "dlg/mdldlg.h"
#include "gis/mdlgis.h"
#include "sys/mdlsys.h"
#include "base/text_host.h"
#include "sys/sys_host.h"

namespace {

bool exitRequested = false;

struct Word {
    std::string_view text;
    size_t end; // offset just after the word
};

std::vector<Word> words(std::string_view s, size_t most)
{
    std::vector<Word> out;
    for (size_t i = 0; i < s.size() && out.size() < most;) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            i++;
        size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t')
            i++;
        if (i > start)
            out.push_back({s.substr(start, i - start), i});
    }
    return out;
}

std::string restAfter(std::string_view s, size_t at)
{
    std::string_view r = s.substr(at);
    while (!r.empty() && (r.front() == ' ' || r.front() == '\t'))
        r.remove_prefix(1);
    return std::string(r);
}

bool isOrigin(const std::string &w)
{
    return w == MDLHOST_ORIGIN_USER || w == MDLHOST_ORIGIN_INITAPPS || w == MDLHOST_ORIGIN_DGNAPPS;
}

int loadKeyin(std::string_view keyin, size_t nameEnd, std::string_view name, std::string *why)
{
    std::vector<std::string> args = mdlhost::splitArguments(restAfter(keyin, nameEnd).c_str());
    std::string origin = MDLHOST_ORIGIN_USER;
    if (!args.empty() && isOrigin(args.front())) {
        origin = args.front();
        args.erase(args.begin());
    }
    std::vector<const char *> argp;
    for (const std::string &a : args)
        argp.push_back(a.c_str());
    if (mdlhost::loadApplication(std::string(name).c_str(), origin.c_str(), int(argp.size()), argp.data(), why) != 0)
        return MDLHOST_KEYIN_FAILED;
    return MDLHOST_KEYIN_OK;
}

int unloadKeyin(const std::string &task, std::string *why)
{
    MdlDesc *desc = mdlSystem_findMdlDesc(task.c_str());
    if (desc == nullptr) {
        *why = "no task " + task + " is loaded";
        return MDLHOST_KEYIN_FAILED;
    }
    // A refusal is the application's answer, not a failed keyin.
    if (mdlhost::unloadApplication(desc, MDLHOST_UNLOAD_USER) == mdlhost::UnloadResult::Refused)
        toolSubsystem_printf("mdl unload %s: the application refused to unload\n", task.c_str());
    return MDLHOST_KEYIN_OK;
}

// A file that cannot be shown is said on the text window; the keyin itself
// did what it could.  A name in double quotes is the name without them, so
// a path with blanks can be given either way.
int typeKeyin(std::string file)
{
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"')
        file = file.substr(1, file.size() - 2);
    FILE *fp = dlmSystem_mdlFopen(file.c_str(), "r");
    if (fp == nullptr) {
        toolSubsystem_printf("type: cannot open %s: %s\n", file.c_str(), strerror(errno));
        return MDLHOST_KEYIN_OK;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf - 1, fp)) > 0) {
        buf[n] = '\0';
        toolSubsystem_printf("%s", buf);
    }
    if (ferror(fp))
        toolSubsystem_printf("type: cannot read %s: %s\n", file.c_str(), strerror(errno));
    dlmSystem_mdlFclose(fp);
    return MDLHOST_KEYIN_OK;
}

// "% PATH", "browse file PATH", "browse url ADDRESS": handed to the program
// MDLHOST_OPENER names (with its own arguments first) as one argument,
// never through a shell, and waited for: an opener hands over and returns,
// as xdg-open does.  Without one, or when it does not start, the text
// window says what would have opened.
int openKeyin(const std::string &target, bool isFile)
{
    if (target.empty()) {
        toolSubsystem_printf("Nothing to open\n");
        return MDLHOST_KEYIN_OK;
    }
    std::string local = isFile ? mdlhost::mappedPath(target.c_str()) : target;
    std::string opener;
    std::vector<std::string> words;
    if (!mdlhost::cfgLookup("MDLHOST_OPENER", opener) || !mdlhost::splitQuotedWords(opener.c_str(), words) ||
        words.empty()) {
        toolSubsystem_printf("Would open %s (no opener: define MDLHOST_OPENER)\n", local.c_str());
        return MDLHOST_KEYIN_OK;
    }
    std::vector<const char *> args;
    for (size_t i = 1; i < words.size(); i++)
        args.push_back(words[i].c_str());
    args.push_back(local.c_str());
    args.push_back(nullptr);
    MdlExternalProgram *process = nullptr;
    if (mdlExternal_extStartProgram(&process, words[0].c_str(), args.data()) != 0) {
        toolSubsystem_printf("Would open %s (the opener %s did not start)\n", local.c_str(), words[0].c_str());
        return MDLHOST_KEYIN_OK;
    }
    if (int status = mdlExternal_wait(process); status != 0)
        toolSubsystem_printf("The opener %s failed on %s (status %d)\n", words[0].c_str(), local.c_str(), status);
    return MDLHOST_KEYIN_OK;
}

int commandKeyin(const std::vector<MdlDesc *> &apps, std::string_view keyin, std::string *why)
{
    MdlDesc *owner = nullptr;
    uint32_t number = 0;
    size_t restAt = 0;
    if (!mdlhost::matchCommand(apps, keyin, owner, number, restAt)) {
        *why = "unknown keyin";
        return MDLHOST_KEYIN_UNKNOWN;
    }
    return mdlhost::runCommand(owner, number, std::string(keyin.substr(restAt)).c_str(), why);
}

// "mdl keyin TASK KEYIN": KEYIN from TASK's command table only.  Applications
// send these for tasks that may be missing, so a task that is not loaded or
// has no such keyin is said on the text window rather than failing.
int taskKeyin(const std::string &task, const std::string &rest, std::string *why)
{
    MdlDesc *desc = mdlSystem_findMdlDesc(task.c_str());
    if (desc == nullptr) {
        toolSubsystem_printf("mdl keyin %s: the task %s is not loaded\n", task.c_str(), task.c_str());
        return MDLHOST_KEYIN_OK;
    }
    int rc = commandKeyin({desc}, rest, why);
    if (rc == MDLHOST_KEYIN_UNKNOWN) {
        toolSubsystem_printf("mdl keyin %s: %s is not a keyin of %s\n", task.c_str(), rest.c_str(), task.c_str());
        return MDLHOST_KEYIN_OK;
    }
    return rc;
}

// "answer modal ID STEPS": the steps of mdlhost_scriptModal for dialog ID
// (0 = any); "answer file [NAME]": the next file dialog takes NAME, or its
// default without one; "answer cancelfile": the next file dialog is
// cancelled.
int answerKeyin(const std::vector<Word> &w, std::string_view keyin, std::string *why)
{
    std::string_view kind = w[1].text;
    if (mdlhost::sameName(kind, "modal") && w.size() >= 3) {
        int64_t dialogId = 0;
        if (!mdlhost::parseInt64(w[2].text, dialogId) || dialogId < INT_MIN || dialogId > INT_MAX) {
            *why = "not a dialog id: " + std::string(w[2].text);
            return MDLHOST_KEYIN_FAILED;
        }
        if (mdlhost_scriptModal(int(dialogId), restAfter(keyin, w[2].end).c_str()) != 0) {
            *why = "the dialog steps are malformed";
            return MDLHOST_KEYIN_FAILED;
        }
        return MDLHOST_KEYIN_OK;
    }
    if (mdlhost::sameName(kind, "file")) {
        mdlhost_scriptFileDialog(restAfter(keyin, w[1].end).c_str());
        return MDLHOST_KEYIN_OK;
    }
    if (mdlhost::sameName(kind, "cancelfile") && w.size() == 2) {
        mdlhost_scriptFileDialog(nullptr);
        return MDLHOST_KEYIN_OK;
    }
    *why = "answer modal ID STEPS, answer file [NAME] or answer cancelfile";
    return MDLHOST_KEYIN_FAILED;
}

// Each keyin or queued command is one transaction of the design files it
// writes.
struct CommandScope {
    CommandScope() { mdlhost_dgnBeginCommand(); }
    ~CommandScope() { mdlhost_dgnEndCommand(1); }
    CommandScope(const CommandScope &) = delete;
    CommandScope &operator=(const CommandScope &) = delete;
};

} // namespace

namespace {

using mdlhost::sameName;

// "gis create NAME" makes an empty GIS project (its catalogue tables),
// "gis open NAME" opens one, "gis close" closes it.
int gisKeyin(const std::vector<Word> &w, std::string_view keyin, std::string *why)
{
    std::string name = w.size() >= 3 ? restAfter(keyin, w[1].end) : "";
    int rc = -1;
    if (sameName(w[1].text, "close"))
        rc = mdlMapProject_close();
    else if (sameName(w[1].text, "create") && !name.empty())
        rc = mdlhost_gisCreateProject(name.c_str());
    else if (sameName(w[1].text, "open") && !name.empty())
        rc = mdlMapProject_open(name.c_str());
    else {
        *why = "gis create NAME, gis open NAME or gis close";
        return MDLHOST_KEYIN_FAILED;
    }
    if (rc != 0) {
        char error[512];
        mdlDB_getErrorText(error, sizeof error);
        *why = std::string(error[0] ? error : "no project is open");
        return MDLHOST_KEYIN_FAILED;
    }
    return MDLHOST_KEYIN_OK;
}

} // namespace

int mdlhost::runKeyin(const std::string &text, std::string *why)
{
    CommandScope command;
    std::string_view keyin = text;
    while (!keyin.empty() && strchr(" \t\r\n", keyin.back()))
        keyin.remove_suffix(1);
    std::vector<Word> w = words(keyin, 3);
    if (w.empty())
        return MDLHOST_KEYIN_OK;
    if (w.size() == 1 && sameName(w[0].text, "exit")) {
        exitRequested = true;
        return MDLHOST_KEYIN_OK;
    }
    // The host's own "fence delete"; a second one without a fence is harmless.
    if (w.size() == 2 && sameName(w[0].text, "fence") && sameName(w[1].text, "delete")) {
        mdlFence_clear();
        return MDLHOST_KEYIN_OK;
    }
    // Answers for the dialogs a batch run will meet, queued ahead of them.
    if (sameName(w[0].text, "answer") && w.size() >= 2)
        return answerKeyin(w, keyin, why);
    if (sameName(w[0].text, "type") && w.size() >= 2)
        return typeKeyin(restAfter(keyin, w[0].end));
    if (keyin.front() == '%')
        return openKeyin(restAfter(keyin, 1), true);
    if (sameName(w[0].text, "browse") && w.size() >= 3 && (sameName(w[1].text, "file") || sameName(w[1].text, "url")))
        return openKeyin(restAfter(keyin, w[1].end), sameName(w[1].text, "file"));
    if (sameName(w[0].text, "gis") && w.size() >= 2)
        return gisKeyin(w, keyin, why);
    // The GIS add-on's query viewer; its cause goes to the text window.
    if (sameName(w[0].text, "vsql") && w.size() >= 3 && sameName(w[1].text, "execute")) {
        if (mdlhost_gisShowQuery(restAfter(keyin, w[1].end).c_str()) == 0)
            return MDLHOST_KEYIN_OK;
        *why = "the query was not shown (see the text window)";
        return MDLHOST_KEYIN_FAILED;
    }
    if (sameName(w[0].text, "mdl") && w.size() >= 2) {
        std::string_view sub = w[1].text;
        if (w.size() < 3) {
            *why = "a name is missing";
            return MDLHOST_KEYIN_FAILED;
        }
        std::string name(w[2].text), rest = restAfter(keyin, w[2].end);
        if (sameName(sub, "load"))
            return loadKeyin(keyin, w[2].end, w[2].text, why);
        if (sameName(sub, "unload"))
            return unloadKeyin(name, why);
        if (sameName(sub, "command"))
            return runNamedCommand(name, rest.c_str(), why);
        if (sameName(sub, "keyin"))
            return taskKeyin(name, rest, why);
    }
    return commandKeyin(applications(), keyin, why);
}

int mdlhost_keyin(const char *keyin)
{
    std::string why;
    int rc = mdlhost::runKeyin(keyin ? keyin : "", &why);
    if (rc != MDLHOST_KEYIN_OK) {
        std::string text = std::string("Keyin \"") + (keyin ? keyin : "") + "\" failed: " + why;
        mdlOutput_messageCenter(MDLHOST_MSG_KEYIN, text.c_str());
    }
    return rc;
}

// --- queue --------------------------------------------------------------------

namespace {


// Applications that keep queueing input from their own queued input would
// otherwise keep one turn of the loop going for ever.
constexpr int kMaxInputsPerTurn = 10000;

int runQueued(const mdlhost::QueuedInput &in, std::string *why)
{
    if (in.kind == MDLHOST_INPUT_KEYIN)
        return mdlhost::runKeyin(in.text, why);
    MdlDesc *desc = mdlSystem_findMdlDesc(in.taskId.c_str());
    if (desc == nullptr) {
        *why = "no task " + in.taskId + " is loaded";
        return MDLHOST_KEYIN_FAILED;
    }
    if (in.number == MDLHOST_CMD_UNLOAD)
        return unloadKeyin(in.taskId, why);
    CommandScope command;
    return mdlhost::runCommand(desc, in.number, in.text.c_str(), why);
}

std::string describe(const mdlhost::QueuedInput &in)
{
    if (in.kind == MDLHOST_INPUT_KEYIN)
        return "Keyin \"" + in.text + "\"";
    char text[64];
    snprintf(text, sizeof text, "Command 0x%08X of ", unsigned(in.number));
    return text + (in.taskId.empty() ? std::string("no task") : in.taskId);
}

} // namespace

void mdlhost::resetInput()
{
    mdlhost_clearInputQueue();
    exitRequested = false;
}

// --- loop ---------------------------------------------------------------------

int mdlhost_processQueue(void)
{
    mdlhost::runPendingUnloads();
    mdlhost_runTimers();
    mdlhost::runPendingUnloads();
    int failures = 0;
    mdlhost::QueuedInput in;
    for (int n = 0; mdlhost_inputQueueCount() > 0 && !exitRequested; n++) {
        if (n == kMaxInputsPerTurn) {
            mdlOutput_messageCenter(MDLHOST_MSG_KEYIN, "The input queue did not empty; the rest waits for the next turn");
            break;
        }
        mdlhost::takeInput(in);
        std::string why;
        if (runQueued(in, &why) != MDLHOST_KEYIN_OK) {
            failures++;
            mdlOutput_messageCenter(MDLHOST_MSG_KEYIN, (describe(in) + " failed: " + why).c_str());
        }
        mdlhost::runPendingUnloads();
    }
    return failures;
}

int mdlhost_exitRequested(void) { return exitRequested ? 1 : 0; }

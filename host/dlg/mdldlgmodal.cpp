// Modal runner and the step language of scripted answers.
#include "dlg_int.h"

// ===== answers =============================================================

namespace dlgint {

struct Step {
    std::string verb;
    int type = 0;
    int id = 0;
    std::vector<std::string> args;
    std::string source; // for the log
};

struct ModalAnswer {
    int dialogId = 0;
    std::vector<Step> steps;
};

std::deque<ModalAnswer> &modalAnswers()
{
    static std::deque<ModalAnswer> queue;
    return queue;
}

// Steps split at ';' and new lines outside quotes.
bool parseSteps(std::string_view text, std::vector<Step> &steps, std::string &error)
{
    std::vector<std::string> pieces;
    std::string cur;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); i++) {
        char c = text[i];
        if (quoted && c == '\\' && i + 1 < text.size()) {
            cur.push_back(c);
            cur.push_back(text[++i]);
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        if (!quoted && (c == ';' || c == '\n')) {
            pieces.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    pieces.push_back(cur);

    struct Verb {
        const char *name;
        bool typed; // TYPE ID follow
        int args;   // values after TYPE ID (or after the verb)
    };
    static const Verb verbs[] = {{"set", true, 1},    {"press", true, 0},  {"select", true, 1},
                                 {"dclick", true, 1}, {"key", true, 1},    {"user", true, 1},
                                 {"menu", false, 2},  {"resize", false, 2}, {"popup", false, 3},
                                 {"close", false, 1}, {"ok", false, 0},    {"cancel", false, 0}};
    for (const std::string &piece : pieces) {
        std::vector<std::string> words;
        if (!mdlhost::splitEscapedWords(piece, words, error))
            return false;
        if (words.empty())
            continue;
        const Verb *verb = nullptr;
        for (const Verb &v : verbs)
            if (mdlhost::sameName(words[0], v.name))
                verb = &v;
        if (verb == nullptr) {
            error = "unknown step \"" + words[0] + "\"";
            return false;
        }
        Step s;
        s.verb = verb->name;
        for (size_t w = 0; w < words.size(); w++)
            s.source += (w ? " " : "") + words[w];
        size_t need = 1 + (verb->typed ? 2 : 0) + (size_t)verb->args;
        if (words.size() != need) {
            error = "wrong number of words in \"" + piece + "\"";
            return false;
        }
        size_t a = 1;
        if (verb->typed) {
            s.type = typeFromWord(words[1]);
            int64_t id;
            if (s.type == 0 || !mdlhost::parseInt64(words[2], id) || id < INT_MIN || id > INT_MAX) {
                error = "bad item in \"" + piece + "\"";
                return false;
            }
            s.id = (int)id;
            a = 3;
        }
        for (; a < words.size(); a++)
            s.args.push_back(words[a]);
        // Numbers are checked now, so a queued answer cannot fail on them later.
        auto number = [&](const std::string &w) {
            int64_t x;
            return mdlhost::parseInt64(w, x) && x >= INT_MIN && x <= INT_MAX;
        };
        bool ok = true;
        if (s.verb == "dclick" || s.verb == "key" || s.verb == "user" || s.verb == "close")
            ok = number(s.args[0]);
        else if (s.verb == "menu" || s.verb == "resize")
            ok = number(s.args[0]) && number(s.args[1]);
        else if (s.verb == "popup")
            ok = number(s.args[0]) && number(s.args[1]) && number(s.args[2]);
        else if (s.verb == "select" && !mdlhost::sameName(s.args[0], "none")) {
            std::string_view list = s.args[0];
            size_t b = 0;
            while (ok && b <= list.size()) {
                size_t e = list.find(',', b);
                if (e == std::string_view::npos)
                    e = list.size();
                ok = number(std::string(list.substr(b, e - b)));
                b = e + 1;
            }
        }
        if (!ok) {
            error = "number expected in \"" + piece + "\"";
            return false;
        }
        steps.push_back(std::move(s));
    }
    return true;
}

int intArg(const std::string &w)
{
    int64_t x = 0;
    mdlhost::parseInt64(w, x);
    return (int)x;
}

DialogItem *pressTarget(MSDialog *db, int id)
{
    return mdlDialog_itemGetByTypeAndId(db, RTYPE_PushButton, id, 0);
}

void runStep(MSDialog *db, const Step &s)
{
    EventScope event;
    DialogItem *it = nullptr;
    if (s.type != 0) {
        it = mdlDialog_itemGetByTypeAndId(db, s.type, s.id, 0);
        if (it == nullptr) {
            userLog(db, "step \"%s\": no %s %d", s.source.c_str(), typeName(s.type).c_str(), s.id);
            return;
        }
    }
    if (s.verb == "set") {
        userSetText(it, s.args[0]);
    } else if (s.verb == "press") {
        userPress(it);
    } else if (s.verb == "select" || s.verb == "dclick") {
        std::vector<int> rows;
        if (!mdlhost::sameName(s.args[0], "none")) {
            std::string_view list = s.args[0];
            size_t b = 0;
            while (b <= list.size()) {
                size_t e = list.find(',', b);
                if (e == std::string_view::npos)
                    e = list.size();
                rows.push_back(intArg(std::string(list.substr(b, e - b))));
                b = e + 1;
            }
        }
        userSelect(it, rows, s.verb == "dclick" ? 2 : 1);
    } else if (s.verb == "key") {
        if (!reachable(it))
            return;
        DialogItemMessage m = itemMessage(DITEM_MESSAGE_KEYSTROKE);
        m.u.keystroke.keystroke = intArg(s.args[0]);
        sendItem(it, m);
    } else if (s.verb == "user") {
        mdlDialog_itemSendUserMsg(db, it->index, intArg(s.args[0]));
    } else if (s.verb == "menu") {
        MenuBar *bar = mdlDialog_menuBarFind(db);
        if (bar == nullptr || mdlhost_menuChoose(bar, intArg(s.args[0]), intArg(s.args[1])) != 0)
            userLog(db, "step \"%s\": no such enabled menu entry", s.source.c_str());
    } else if (s.verb == "resize") {
        mdlWindow_extentSet(db, intArg(s.args[0]), intArg(s.args[1]));
    } else if (s.verb == "popup") {
        DialogMessage m = dialogMessage(DIALOG_MESSAGE_POPUP);
        m.u.popup.type = intArg(s.args[0]);
        m.u.popup.event = intArg(s.args[1]);
        m.u.popup.itemIndex = intArg(s.args[2]);
        sendDialog(db, m);
    } else if (s.verb == "close") {
        closeDialog(db, intArg(s.args[0]));
    } else if (s.verb == "ok" || s.verb == "cancel") {
        bool ok = s.verb == "ok";
        DialogItem *button = pressTarget(db, ok ? PUSHBUTTONID_OK : PUSHBUTTONID_Cancel);
        if (button)
            userPress(button);
        else
            closeDialog(db, ok ? ACTIONBUTTON_OK : ACTIONBUTTON_CANCEL);
    }
}

void runSteps(MSDialog *db, const std::vector<Step> &steps)
{
    EventScope event;
    for (const Step &s : steps) {
        if (!isOpen(db) || db->closing) {
            userLog(db, "closed before step \"%s\"", s.source.c_str());
            return;
        }
        runStep(db, s);
    }
}

DialogItem *defaultButton(MSDialog *db)
{
    for (auto &it : db->items)
        if (it->type == RTYPE_PushButton && it->isDefault)
            return it.get();
    for (auto &it : db->items)
        if (it->type == RTYPE_PushButton && it->action != 0)
            return it.get();
    return nullptr;
}

// An answer that leaves the dialog open ends in its default button; a
// default that does not close it (a hook aborts, the button is disabled)
// ends in Cancel, so a modal dialog always returns.
void finishModal(MSDialog *db, bool answered)
{
    if (!isOpen(db) || db->closing)
        return;
    DialogItem *button = defaultButton(db);
    if (button) {
        userLog(db, "%s, default button %s %d (action %d)", answered ? "answer ends" : "no answer",
                typeName(button->type).c_str(), button->id, button->action);
        userPress(button);
    } else {
        userLog(db, "%s, no default button", answered ? "answer ends" : "no answer");
    }
    if (isOpen(db) && !db->closing) {
        userLog(db, "still open, closed with action %d", ACTIONBUTTON_CANCEL);
        closeDialog(db, ACTIONBUTTON_CANCEL);
    }
}

} // namespace dlgint

int mdlDialog_openModal(int *lastAction, RscFileHandle, int dialogId)
{
    if (lastAction)
        *lastAction = ACTIONBUTTON_CANCEL;
    EventScope event; // the dialog stays readable until the runner is done
    MSDialog *db = openDefinition(dialogId, true);
    if (db == nullptr)
        return -1;
    bool answered = false;
    if (isOpen(db) && !db->closing) {
        auto &queue = modalAnswers();
        if (!queue.empty() && (queue.front().dialogId == 0 || queue.front().dialogId == dialogId)) {
            ModalAnswer answer = std::move(queue.front());
            queue.pop_front();
            answered = true;
            runSteps(db, answer.steps);
        } else if (!queue.empty()) {
            userLog(db, "the queued answer is for dialog %d", queue.front().dialogId);
        }
    }
    finishModal(db, answered);
    lastModalAction = db->action;
    if (lastAction)
        *lastAction = db->action;
    return 0;
}

int mdlhost_scriptModal(int dialogId, const char *steps)
{
    ModalAnswer answer;
    answer.dialogId = dialogId;
    std::string error;
    if (steps == nullptr || !parseSteps(steps, answer.steps, error)) {
        toolSubsystem_printf("Dialog answer refused: %s\n", steps ? error.c_str() : "no steps");
        return -1;
    }
    modalAnswers().push_back(std::move(answer));
    return 0;
}

int mdlhost_modalAnswersLeft(void) { return (int)modalAnswers().size(); }

int mdlhost_dialogDo(MSDialog *db, const char *steps)
{
    std::vector<Step> parsed;
    std::string error;
    if (!isOpen(db) || db->closing)
        return -1;
    if (steps == nullptr || !parseSteps(steps, parsed, error)) {
        toolSubsystem_printf("Dialog steps refused: %s\n", steps ? error.c_str() : "no steps");
        return -1;
    }
    runSteps(db, parsed);
    return 0;
}

int mdlhost_lastModalAction(void) { return lastModalAction; }

void mdlhost_clearDialogScripts(void)
{
    fileAnswers.clear();
    alertAnswers.clear();
    fileListAnswers.clear();
    modalAnswers().clear();
}

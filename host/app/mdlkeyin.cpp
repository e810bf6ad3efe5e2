// Keyins, the input queue and one turn of the host loop.
//
//   keyins      the host's own keyins (exit, design open/close, view fit,
//               fence, lock fence, point, answer, type, %, browse, gis
//               create/open/close, mdl load/unload/command/keyin), else the
//               command tables
//   queue       keyins and commands queued by applications
//   loop        pending unloads, timers, queued input
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "app_int.h"
#include "app/mdlapp.h"
#include "dgn/mdldgn.h"
#include "dgn/mdlelem.h"
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
// cancelled; "answer filelist PATH;PATH...": the next file-list editor
// ends with OK and those paths (none: the list as it is);
// "answer cancelfilelist": it is cancelled.
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
    if (mdlhost::sameName(kind, "filelist")) {
        mdlhost_scriptFileList(restAfter(keyin, w[1].end).c_str());
        return MDLHOST_KEYIN_OK;
    }
    if (mdlhost::sameName(kind, "cancelfilelist") && w.size() == 2) {
        mdlhost_scriptFileList(nullptr);
        return MDLHOST_KEYIN_OK;
    }
    *why = "answer modal ID STEPS, answer file [NAME], answer cancelfile, answer filelist [PATH;PATH...] or answer "
           "cancelfilelist";
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

std::string unquoted(std::string s)
{
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = s.substr(1, s.size() - 2);
    return s;
}

// "design open PATH" makes PATH the active design file and fits the open
// views to it, as a host shows a file it opens; "design close" closes it.
int designKeyin(const std::vector<Word> &w, std::string_view keyin, std::string *why)
{
    if (sameName(w[1].text, "close") && w.size() == 2) {
        mdlhost_closeDesignFile();
        return MDLHOST_KEYIN_OK;
    }
    if (!sameName(w[1].text, "open") || w.size() < 3) {
        *why = "design open PATH or design close";
        return MDLHOST_KEYIN_FAILED;
    }
    std::string path = unquoted(restAfter(keyin, w[1].end));
    if (int rc = mdlSystem_newDesignFile(path.c_str()); rc != 0) {
        *why = "cannot open the design file " + path + " (error " + std::to_string(rc) + ")";
        return MDLHOST_KEYIN_FAILED;
    }
    for (int v = 0; v < MDLHOST_NUM_VIEWS; v++)
        if (mdlView_isVisible(v))
            mdlView_fit(v, 0); // an empty design keeps the views as they are
    return MDLHOST_KEYIN_OK;
}

bool parseView(std::string_view text, int &view)
{
    int64_t v = -1;
    if (!mdlhost::parseInt64(text, v) || v < 0 || v >= MDLHOST_NUM_VIEWS)
        return false;
    view = int(v);
    return true;
}

// "X,Y" or "X,Y,Z" in master units of the active design.
bool parsePoint(std::string_view text, DPoint3d &p)
{
    std::vector<std::string> parts = mdlhost::splitAt(text, ',');
    double c[3] = {0, 0, 0};
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    for (size_t i = 0; i < parts.size(); i++)
        if (!mdlhost::parseDouble(mdlhost::trimmed(parts[i]), c[i]) || !std::isfinite(c[i]))
            return false;
    p = {c[0], c[1], c[2]};
    return true;
}

// Points and a view after a keyin's words: "[view N] X,Y[,Z] ...".  The
// view is the one given, else the first open one whose box holds the first
// point, else view 0.
bool pointsAndView(const std::vector<std::string> &args, std::vector<DPoint3d> &points, int &view, bool &viewGiven,
                   std::string *why)
{
    size_t i = 0;
    viewGiven = false;
    if (args.size() >= 2 && sameName(args[0], "view")) {
        if (!parseView(args[1], view)) {
            *why = "not a view (0 to 7): " + args[1];
            return false;
        }
        viewGiven = true;
        i = 2;
    }
    for (; i < args.size(); i++) {
        DPoint3d p{};
        if (!parsePoint(args[i], p)) {
            *why = "not a point X,Y or X,Y,Z: " + args[i];
            return false;
        }
        points.push_back(p);
    }
    return true;
}

// Points and lengths of these keyins are master units of the active model.
struct MasterUnits {
    MasterUnits()
    {
        mdlCurrTrans_begin();
        mdlCurrTrans_masterUnitsIdentity(1);
    }
    ~MasterUnits() { mdlCurrTrans_end(); }
    MasterUnits(const MasterUnits &) = delete;
    MasterUnits &operator=(const MasterUnits &) = delete;
};

int pickView(bool viewGiven, int view, const DPoint3d &at)
{
    if (viewGiven)
        return view;
    DPoint3d uor = at;
    mdlCurrTrans_transformPointArray(&uor, &uor, 1);
    int found = mdlhost_viewAtPoint(&uor);
    return found >= 0 ? found : 0;
}

// The locate tolerance: MDLHOST_LOCATE_TOLERANCE master units, else a
// hundredth of the view's width, as a few pixels of a screen would be.
double locateTolerance(int view)
{
    std::string text;
    double t = 0;
    if (mdlhost::cfgLookup("MDLHOST_LOCATE_TOLERANCE", text) && mdlhost::parseDouble(mdlhost::trimmed(text), t) &&
        std::isfinite(t) && t > 0)
        return t;
    MdlViewExtent extent{};
    if (mdlhost_viewGetExtent(view, &extent) != 0)
        return 1.0;
    double width = std::max(extent.delta.x, extent.delta.y) / 100.0;
    double uorPerMaster = mdlModelRef_getUorPerMaster(mdlModelRef_getActive());
    return width > 0 && uorPerMaster > 0 ? width / uorPerMaster : 1.0;
}

// A data point that locates an element: "point [view N] X,Y[,Z]".
int locateAt(const std::vector<std::string> &args, uint32_t &pos, std::string *why)
{
    std::vector<DPoint3d> pts;
    int view = 0;
    bool viewGiven = false;
    if (!pointsAndView(args, pts, view, viewGiven, why))
        return MDLHOST_KEYIN_FAILED;
    if (pts.size() != 1) {
        *why = "one point X,Y or X,Y,Z is wanted";
        return MDLHOST_KEYIN_FAILED;
    }
    MasterUnits units;
    view = pickView(viewGiven, view, pts[0]);
    int rc = mdlhost_locateElement(&pos, &pts[0], locateTolerance(view), view);
    if (rc != 0) {
        char at[128];
        snprintf(at, sizeof at, "%.17g,%.17g", pts[0].x, pts[0].y);
        *why = rc == DGNERR_NOMODEL ? std::string("no design file is open")
                                    : "no element found at " + std::string(at) + " in view " + std::to_string(view);
        return MDLHOST_KEYIN_FAILED;
    }
    return MDLHOST_KEYIN_OK;
}

int pointKeyin(std::string_view keyin, size_t at, std::string *why)
{
    uint32_t pos = 0;
    int rc = locateAt(mdlhost::splitBlankWords(restAfter(keyin, at)), pos, why);
    if (rc != MDLHOST_KEYIN_OK)
        return rc;
    MSElement *el = static_cast<MSElement *>(malloc(sizeof(MSElement)));
    int type = 0;
    if (el != nullptr && mdlElement_read(el, MDLHOST_NO_MODEL, pos) == 0)
        type = mdlElement_getType(el);
    free(el);
    toolSubsystem_printf("Located element of type %d at position %u\n", type, unsigned(pos));
    return MDLHOST_KEYIN_OK;
}

// "fence points [view N] X,Y[,Z] X,Y[,Z] X,Y[,Z] ...", "fence view N",
// "fence shape [[view N] X,Y[,Z]]" (the shape or line string the point
// locates, else the current element), "fence delete".
int fenceKeyin(const std::vector<Word> &w, std::string_view keyin, std::string *why)
{
    std::string_view kind = w[1].text;
    std::vector<std::string> args = mdlhost::splitBlankWords(restAfter(keyin, w[1].end));
    if (sameName(kind, "delete") && args.empty()) {
        mdlFence_clear();
        return MDLHOST_KEYIN_OK;
    }
    if (mdlModelRef_getActive() == MDLHOST_NO_MODEL) {
        *why = "no design file is open";
        return MDLHOST_KEYIN_FAILED;
    }
    int rc = 0;
    if (sameName(kind, "view") && args.size() == 1) {
        int view = 0;
        if (!parseView(args[0], view)) {
            *why = "not a view (0 to 7): " + args[0];
            return MDLHOST_KEYIN_FAILED;
        }
        rc = mdlFence_fromView(view);
    } else if (sameName(kind, "points")) {
        std::vector<DPoint3d> pts;
        int view = 0;
        bool viewGiven = false;
        if (!pointsAndView(args, pts, view, viewGiven, why))
            return MDLHOST_KEYIN_FAILED;
        if (pts.size() < 3) {
            *why = "a fence needs at least three points";
            return MDLHOST_KEYIN_FAILED;
        }
        MasterUnits units;
        rc = mdlFence_fromPoints(pts.data(), int(pts.size()), pickView(viewGiven, view, pts[0]));
    } else if (sameName(kind, "shape")) {
        uint32_t pos = 0;
        DgnModelRefP model = MDLHOST_NO_MODEL;
        if (args.empty()) {
            pos = mdlElement_getFilePos(FILEPOS_CURRENT, &model);
            if (!mdlModelRef_isActiveModel(model))
                pos = 0; // the current element of a reference or a closed file
        } else if (int r = locateAt(args, pos, why); r != MDLHOST_KEYIN_OK)
            return r;
        MSElement *el = static_cast<MSElement *>(malloc(sizeof(MSElement)));
        if (el == nullptr) {
            *why = "out of memory";
            return MDLHOST_KEYIN_FAILED;
        }
        rc = pos == 0 || mdlElement_read(el, MDLHOST_NO_MODEL, pos) != 0 ? DGNERR_NOTFOUND : 0;
        if (rc == 0) {
            int view = mdlFence_getViewIndex();
            rc = mdlFence_fromShape(el, view >= 0 ? view : 0);
        }
        free(el);
        if (rc == DGNERR_NOTFOUND) {
            *why = "no element to take the fence from";
            return MDLHOST_KEYIN_FAILED;
        }
    } else {
        *why = "fence points [view N] X,Y X,Y X,Y..., fence view N, fence shape [X,Y] or fence delete";
        return MDLHOST_KEYIN_FAILED;
    }
    if (rc != 0) {
        *why = rc == DGNERR_NOTFOUND ? std::string("no such view")
                                     : "the fence has no area, too few or too many points, or is not a shape";
        return MDLHOST_KEYIN_FAILED;
    }
    return MDLHOST_KEYIN_OK;
}

// "view fit [N]": fits view N, or every open view, to the active design.
int viewKeyin(const std::vector<Word> &w, std::string_view keyin, std::string *why)
{
    std::vector<std::string> args = mdlhost::splitBlankWords(restAfter(keyin, w[1].end));
    int view = -1;
    if (!sameName(w[1].text, "fit") || args.size() > 1 || (args.size() == 1 && !parseView(args[0], view))) {
        *why = "view fit [N] (N from 0 to 7)";
        return MDLHOST_KEYIN_FAILED;
    }
    for (int v = 0; v < MDLHOST_NUM_VIEWS; v++) {
        if ((view >= 0 && v != view) || (view < 0 && !mdlView_isVisible(v)))
            continue;
        if (int rc = mdlView_fit(v, 0); rc != 0) {
            *why = rc == DGNERR_NOMODEL ? "the design holds no element" : "view " + std::to_string(v) + " is not open";
            return MDLHOST_KEYIN_FAILED;
        }
    }
    return MDLHOST_KEYIN_OK;
}

// "lock fence inside|overlap|clip": the selection of fence processing.
int lockKeyin(const std::vector<Word> &w, std::string_view keyin, std::string *why)
{
    std::string mode = restAfter(keyin, w[1].end);
    bool inside = sameName(mode, "inside"), overlap = sameName(mode, "overlap"), clip = sameName(mode, "clip");
    if (!sameName(w[1].text, "fence") || !(inside || overlap || clip)) {
        *why = "lock fence inside, lock fence overlap or lock fence clip";
        return MDLHOST_KEYIN_FAILED;
    }
    mdlParams_setLock(LOCK_FENCE_OVERLAP, overlap ? 1 : 0);
    mdlParams_setLock(LOCK_FENCE_CLIP, clip ? 1 : 0);
    return MDLHOST_KEYIN_OK;
}

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
    // The host's own fence, design, view and lock keyins; other words after
    // these go to the command tables.  A second "fence delete" without a
    // fence is harmless.
    auto second = [&](std::string_view first, std::initializer_list<const char *> names) {
        if (w.size() < 2 || !sameName(w[0].text, first))
            return false;
        for (const char *n : names)
            if (sameName(w[1].text, n))
                return true;
        return false;
    };
    if (second("fence", {"delete", "view", "points", "shape"}))
        return fenceKeyin(w, keyin, why);
    if (second("design", {"open", "close"}))
        return designKeyin(w, keyin, why);
    if (second("view", {"fit"}))
        return viewKeyin(w, keyin, why);
    if (second("lock", {"fence"}))
        return lockKeyin(w, keyin, why);
    if (w.size() >= 2 && sameName(w[0].text, "point"))
        return pointKeyin(keyin, w[0].end, why);
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

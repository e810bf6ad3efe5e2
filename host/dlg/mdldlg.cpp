// Dialog manager core: shared registries, opening, closing and windows, forgetting an application.
#include "dlg_int.h"

namespace dlgint {
std::map<MdlDesc *, std::map<int, MdlFunctionP>> hookTables;
std::vector<std::unique_ptr<SymbolSet>> symbolSets;
std::set<const ListModel *> liveModels;
std::vector<std::unique_ptr<MSDialog>> openDialogs;   // oldest first
std::vector<std::unique_ptr<MSDialog>> closedDialogs; // freed when no event runs
std::vector<int> queuedCloses;
std::map<int, std::unique_ptr<ListModel>> hostModels; // freed at exit
std::string drawLog;
std::unique_ptr<CompletionBar> completionBar;
int lastModalAction = 0;

void processQueuedCloses();

} // namespace dlgint

namespace dlgint {
int eventDepth = 0;
} // namespace dlgint

namespace dlgint {
// Per-application state goes with its application; the registry tells us.
void listenForUnloads()
{
    static bool listening = false;
    if (!listening) {
        listening = true;
        mdlhost_addUnloadListener(mdlhost_forgetDialogs);
    }
}
} // namespace dlgint

namespace dlgint {
bool isOpen(const MSDialog *db)
{
    if (db == nullptr)
        return false;
    for (auto &d : openDialogs)
        if (d.get() == db)
            return d->open;
    return false;
}

DialogItem *itemAt(MSDialog *db, int index)
{
    if (!isOpen(db) || index < 0 || index >= (int)db->items.size())
        return nullptr;
    return db->items[index].get();
}

// An item pointer handed out earlier is only used while its dialog is open.
bool itemValid(const DialogItem *item)
{
    return item != nullptr && isOpen(item->db) && item->index >= 0 && item->index < (int)item->db->items.size() &&
           item->db->items[item->index].get() == item;
}

std::string fourcc(int code)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = char((unsigned(code) >> shift) & 0xFF);
        s.push_back(c >= 32 && c < 127 ? c : '?');
    }
    return s;
}

struct TypeWord {
    const char *word;
    int type;
};
const TypeWord typeWords[] = {
    {"PushButton", RTYPE_PushButton}, {"ToggleButton", RTYPE_ToggleButton}, {"Toggle", RTYPE_ToggleButton},
    {"Text", RTYPE_Text},             {"Label", RTYPE_Label},               {"OptionButton", RTYPE_OptionButton},
    {"ListBox", RTYPE_ListBox},       {"ComboBox", RTYPE_ComboBox},         {"Generic", RTYPE_Generic},
    {"GroupBox", RTYPE_GroupBox},     {"MenuBar", RTYPE_MenuBar},
};

// 0 when the word names no item type.  Any other type is written as its
// code in single quotes ('iCmX'), so a misspelt word is never taken for one.
int typeFromWord(std::string_view word)
{
    for (const TypeWord &t : typeWords)
        if (mdlhost::sameName(word, t.word))
            return t.type;
    if (word.size() == 6 && word.front() == '\'' && word.back() == '\'')
        return MDLHOST_FOURCC(word[1], word[2], word[3], word[4]);
    return 0;
}

std::string typeName(int type)
{
    for (const TypeWord &t : typeWords)
        if (t.type == type)
            return t.word;
    return fourcc(type);
}

} // namespace dlgint

// ===== dialogs =============================================================

namespace dlgint {

Value readItemValue(DialogItem *it);
void refreshItem(DialogItem *it, bool tell);

void applyHostModels(DialogItem *it)
{
    if (it->type == RTYPE_ComboBox && it->model == nullptr && it->strList == nullptr)
        it->model = mdlhost_hostListModel(it->id);
}

// CREATE, INIT and the first display of every item; false when a hook closed
// the dialog on the way.
bool startDialog(MSDialog *db)
{
    EventScope event;
    reportMissingHooks(db);
    DialogMessage create = dialogMessage(DIALOG_MESSAGE_CREATE);
    create.u.create.createAttributes = db->attributes;
    sendDialog(db, create);
    db->interests = create.u.create.interests;
    db->createAttributes = create.u.create.createAttributes;
    for (size_t i = 0; i < db->items.size() && db->open; i++) {
        DialogItem *it = db->items[i].get();
        applyHostModels(it);
        sendItemSimple(it, DITEM_MESSAGE_CREATE);
    }
    if (!db->open)
        return false;
    DialogMessage init = dialogMessage(DIALOG_MESSAGE_INIT);
    sendDialog(db, init);
    for (size_t i = 0; i < db->items.size() && db->open; i++)
        sendItemSimple(db->items[i].get(), DITEM_MESSAGE_INIT);
    for (size_t i = 0; i < db->items.size() && db->open; i++)
        refreshItem(db->items[i].get(), true);
    for (size_t i = 0; i < db->items.size() && db->open; i++)
        if (db->items[i]->shown)
            sendItemSimple(db->items[i].get(), DITEM_MESSAGE_DRAW);
    if (!db->open)
        return false;
    DialogMessage update = dialogMessage(DIALOG_MESSAGE_UPDATE);
    sendDialog(db, update);
    return db->open;
}

MSDialog *openDefinition(int dialogId, bool modal)
{
    listenForUnloads();
    MdlDesc *owner = mdlSystem_getCurrMdlDesc();
    const RscNode *node = mdlhost_rscFind(owner, "DialogBox", dialogId);
    if (node == nullptr) {
        toolSubsystem_printf("Dialog %d not found\n", dialogId);
        return nullptr;
    }
    auto db = std::make_unique<MSDialog>();
    db->id = dialogId;
    db->owner = owner;
    db->modal = modal;
    try {
        buildDialog(node, *db);
    } catch (const DefinitionError &e) {
        toolSubsystem_printf("Dialog %d refused: %s\n", dialogId, e.text.c_str());
        return nullptr;
    }
    openDialogs.push_back(std::move(db));
    MSDialog *opened = openDialogs.back().get();
    startDialog(opened);
    return opened; // closed already when a hook closed it while it opened
}

void closeDialog(MSDialog *db, int action)
{
    if (!isOpen(db) || db->closing)
        return;
    EventScope event;
    db->closing = true;
    db->action = action;
    for (size_t i = 0; i < db->items.size(); i++)
        sendItemSimple(db->items[i].get(), DITEM_MESSAGE_DESTROY);
    DialogMessage m = dialogMessage(DIALOG_MESSAGE_DESTROY);
    m.u.destroy.actionType = action;
    sendDialog(db, m);
    db->open = false;
    for (auto it = openDialogs.begin(); it != openDialogs.end(); ++it)
        if (it->get() == db) {
            closedDialogs.push_back(std::move(*it));
            openDialogs.erase(it);
            break;
        }
}

void processQueuedCloses()
{
    while (!queuedCloses.empty()) {
        int id = queuedCloses.front();
        queuedCloses.erase(queuedCloses.begin());
        for (;;) {
            MSDialog *found = nullptr;
            for (auto &d : openDialogs)
                if (d->id == id && d->open && !d->closing)
                    found = d.get();
            if (found == nullptr)
                break;
            closeDialog(found, ACTIONBUTTON_CANCEL);
        }
    }
}

} // namespace dlgint

MSDialog *mdlDialog_open(RscFileHandle, int dialogId)
{
    MSDialog *db = openDefinition(dialogId, false);
    // A hook may have closed it while it opened; no caller gets a pointer to
    // a dialog that is gone.
    return isOpen(db) ? db : nullptr;
}

MSDialog *mdlhost_createDialog(int dialogId, const char *title, int width, int height)
{
    listenForUnloads();
    auto db = std::make_unique<MSDialog>();
    db->id = dialogId;
    db->owner = mdlSystem_getCurrMdlDesc();
    db->title = title ? title : "";
    db->width = std::max(0, width);
    db->height = std::max(0, height);
    openDialogs.push_back(std::move(db));
    MSDialog *opened = openDialogs.back().get();
    startDialog(opened);
    return isOpen(opened) ? opened : nullptr;
}

int mdlDialog_itemLoad(MSDialog *db, long resourceId, int x, int y)
{
    if (!isOpen(db))
        return -1;
    listenForUnloads();
    MdlDesc *owner = mdlSystem_getCurrMdlDesc();
    const RscNode *node = mdlhost_rscFind(owner, "DialogItem", resourceId);
    if (node == nullptr) {
        toolSubsystem_printf("Dialog item %ld not found\n", resourceId);
        return -1;
    }
    std::unique_ptr<DialogItem> it;
    try {
        it = itemFromNode(node, 1, db, owner, (int)db->items.size());
    } catch (const DefinitionError &e) {
        toolSubsystem_printf("Dialog item %ld refused: %s\n", resourceId, e.text.c_str());
        return -1;
    }
    int w = it->rect.corner.x - it->rect.origin.x;
    int h = it->rect.corner.y - it->rect.origin.y;
    it->rect.origin = {x, y};
    it->rect.corner = {x + w, y + h};
    DialogItem *added = it.get();
    db->items.push_back(std::move(it));
    EventScope event;
    if (hookOf(owner, added->hookId) == nullptr && added->hookId != 0)
        toolSubsystem_printf("Dialog %d: hook %d of %s %d is not published\n", db->id, added->hookId,
                             typeName(added->type).c_str(), added->id);
    applyHostModels(added);
    sendItemSimple(added, DITEM_MESSAGE_CREATE);
    if (itemValid(added))
        sendItemSimple(added, DITEM_MESSAGE_INIT);
    if (itemValid(added))
        refreshItem(added, true);
    return itemValid(added) ? added->index : -1;
}

MSDialog *mdlDialog_findByTypeAndId(int type, int dialogId, MdlDesc *owner)
{
    if (type != RTYPE_DialogBox)
        return nullptr;
    for (auto it = openDialogs.rbegin(); it != openDialogs.rend(); ++it)
        if ((*it)->id == dialogId && (*it)->open && !(*it)->closing && (owner == nullptr || (*it)->owner == owner))
            return it->get();
    return nullptr;
}

int mdlDialog_getId(const MSDialog *db) { return isOpen(db) ? db->id : 0; }

MdlDesc *mdlDialog_getOwner(const MSDialog *db) { return isOpen(db) ? db->owner : nullptr; }

int mdlhost_dialogIsOpen(const MSDialog *db) { return isOpen(db) && !db->closing ? 1 : 0; }

int mdlhost_openDialogCount(void)
{
    int n = 0;
    for (auto &d : openDialogs)
        n += d->open && !d->closing;
    return n;
}

int mdlDialog_closeWithAction(MSDialog *db, int action)
{
    if (!isOpen(db) || db->closing)
        return -1;
    closeDialog(db, action);
    return 0;
}

int mdlWindow_close(MSDialog *db) { return mdlDialog_closeWithAction(db, ACTIONBUTTON_CANCEL); }

int mdlDialog_closeCommandQueue(int dialogId)
{
    queuedCloses.push_back(dialogId);
    if (eventDepth == 0)
        processQueuedCloses();
    return 0;
}

void mdlhost_processDialogQueue(void)
{
    if (eventDepth != 0)
        return;
    EventScope event; // frees what the closes leave behind
    processQueuedCloses();
}

int mdlWindow_sink(MSDialog *db)
{
    if (!isOpen(db))
        return -1;
    db->sunk = true;
    return 0;
}

int mdlWindow_float(MSDialog *db)
{
    if (!isOpen(db))
        return -1;
    db->sunk = false;
    return 0;
}

int mdlhost_windowIsSunk(const MSDialog *db) { return isOpen(db) && db->sunk ? 1 : 0; }

int mdlWindow_titleSet(MSDialog *db, const char *title)
{
    if (!isOpen(db))
        return -1;
    db->title = title ? title : "";
    return 0;
}

const char *mdlWindow_titleGet(const MSDialog *db) { return isOpen(db) ? db->title.c_str() : ""; }

int mdlWindow_extentSet(MSDialog *db, int width, int height)
{
    if (!isOpen(db) || width < 0 || height < 0)
        return -1;
    DialogMessage m = dialogMessage(DIALOG_MESSAGE_RESIZE);
    m.u.resize.oldContent = {{0, 0}, {db->width, db->height}};
    m.u.resize.newContent = {{0, 0}, {width, height}};
    bool changed = width != db->width || height != db->height;
    db->width = width;
    db->height = height;
    if (changed && (db->interests & DIALOG_INTEREST_RESIZE))
        sendDialog(db, m);
    return 0;
}

int mdlWindow_contentRectGet(BSIRect *rect, const MSDialog *db)
{
    if (!isOpen(db) || rect == nullptr)
        return -1;
    *rect = {{0, 0}, {db->width, db->height}};
    return 0;
}

int mdlWindow_fontSet(MSDialog *db, int font)
{
    if (!isOpen(db))
        return -1;
    db->font = font;
    return 0;
}

int mdlWindow_fontGet(const MSDialog *db) { return isOpen(db) ? db->font : kDialogFont; }

int mdlWindow_cursorTurnOff(MSDialog *db)
{
    if (!isOpen(db))
        return -1;
    db->cursorOff = true;
    char line[64];
    snprintf(line, sizeof line, "cursor off %d", db->id);
    mdlhost_recordDraw(db, line);
    return 0;
}

int mdlDialog_fontGetHeight(int font) { return font == kListFont ? 14 : 12; }

int mdlDialog_fontGetStringWidth(int font, const char *text)
{
    int perChar = font == kListFont ? 8 : 6;
    return text ? (int)strlen(text) * perChar : 0;
}

int mdlDialog_fontGetCurHeight(const MSDialog *db) { return mdlDialog_fontGetHeight(mdlWindow_fontGet(db)); }

void mdlDialog_userDataPtrSet(MSDialog *db, void *data)
{
    if (isOpen(db))
        db->userData = data;
}

void *mdlDialog_userDataPtrGet(const MSDialog *db) { return isOpen(db) ? db->userData : nullptr; }

int mdlDialog_sendUserMsg(MSDialog *db, long value)
{
    if (!isOpen(db))
        return -1;
    DialogMessage m = dialogMessage(DIALOG_MESSAGE_USER);
    m.u.user.value = value;
    sendDialog(db, m);
    return 0;
}

// ===== forgetting ==========================================================

void mdlhost_forgetDialogs(MdlDesc *desc)
{
    if (desc == nullptr)
        return;
    // The application's code may be gone: its dialogs close without hooks.
    for (auto it = openDialogs.begin(); it != openDialogs.end();) {
        if ((*it)->owner == desc) {
            (*it)->open = false;
            closedDialogs.push_back(std::move(*it));
            it = openDialogs.erase(it);
        } else {
            for (auto &item : (*it)->items)
                if (item->owner == desc) {
                    item->owner = nullptr;
                    item->hookId = 0;
                    item->access.clear();
                }
            ++it;
        }
    }
    auto dropMenus = [desc](MenuBar &bar) {
        bar.menus.erase(std::remove_if(bar.menus.begin(), bar.menus.end(),
                                       [desc](const std::unique_ptr<PulldownMenu> &m) { return m->owner == desc; }),
                        bar.menus.end());
    };
    dropMenus(commandWindowBar());
    for (auto &d : openDialogs)
        for (auto &item : d->items)
            if (item->menuBar)
                dropMenus(*item->menuBar);
    hookTables.erase(desc);
    symbolSets.erase(std::remove_if(symbolSets.begin(), symbolSets.end(),
                                    [desc](const std::unique_ptr<SymbolSet> &s) { return s->owner == desc; }),
                     symbolSets.end());
    if (eventDepth == 0)
        closedDialogs.clear();
}

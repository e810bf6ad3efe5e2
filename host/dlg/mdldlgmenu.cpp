// Menu bars and pulldown menus.
#include "dlg_int.h"

// ===== menus ===============================================================

namespace dlgint {

MenuBar &commandWindowBar()
{
    static MenuBar bar;
    static bool filled = false;
    if (!filled) {
        filled = true;
        struct HostMenu {
            int id;
            const char *title;
        };
        static const HostMenu host[] = {{-510, "File"},  {-511, "Edit"},      {-512, "Element"},
                                        {-513, "Settings"}, {-514, "Tools"}, {-515, "Utilities"},
                                        {-516, "Workspace"}, {MENUID_HostHelp, "Help"}};
        for (const HostMenu &h : host) {
            auto m = std::make_unique<PulldownMenu>();
            m->id = h.id;
            m->title = h.title;
            m->bar = &bar;
            bar.menus.push_back(std::move(m));
        }
    }
    return bar;
}

bool barValid(const MenuBar *bar)
{
    if (bar == nullptr)
        return false;
    if (bar == &commandWindowBar())
        return true;
    for (auto &d : openDialogs)
        if (d->open)
            for (auto &it : d->items)
                if (it->menuBar.get() == bar)
                    return true;
    return false;
}

// The current application's menu of that id first, then any.
PulldownMenu *findMenu(MenuBar *bar, int menuId)
{
    MdlDesc *current = mdlSystem_getCurrMdlDesc();
    PulldownMenu *any = nullptr;
    for (auto &m : bar->menus)
        if (m->id == menuId) {
            if (m->owner == current)
                return m.get();
            if (any == nullptr)
                any = m.get();
        }
    return any;
}

bool menuValid(const PulldownMenu *menu)
{
    if (menu == nullptr || !barValid(menu->bar))
        return false;
    for (auto &m : menu->bar->menus)
        if (m.get() == menu)
            return true;
    return false;
}

bool menuItemValid(const PulldownMenuItem *item)
{
    if (item == nullptr || !menuValid(item->menu))
        return false;
    for (auto &e : item->menu->entries)
        if (e.get() == item)
            return true;
    return false;
}

} // namespace dlgint

MenuBar *mdlDialog_menuBarGetCmdWinP(void) { return &commandWindowBar(); }

MenuBar *mdlDialog_menuBarFind(MSDialog *db)
{
    if (!isOpen(db))
        return nullptr;
    for (auto &it : db->items)
        if (it->menuBar)
            return it->menuBar.get();
    return nullptr;
}

PulldownMenu *mdlDialog_menuBarFindMenu(MenuBar *bar, int menuType, int menuId)
{
    if (!barValid(bar) || menuType != RTYPE_PulldownMenu)
        return nullptr;
    return findMenu(bar, menuId);
}

int mdlDialog_menuBarInsMenu(MenuBar *bar, int menuType, int menuId, RscFileHandle, PulldownMenu *before)
{
    if (!barValid(bar) || menuType != RTYPE_PulldownMenu)
        return -1;
    std::unique_ptr<PulldownMenu> menu = loadMenu(mdlSystem_getCurrMdlDesc(), menuId);
    if (menu == nullptr)
        return -1;
    menu->bar = bar;
    auto at = bar->menus.end();
    for (auto it = bar->menus.begin(); it != bar->menus.end(); ++it)
        if (it->get() == before) {
            at = it;
            break;
        }
    bar->menus.insert(at, std::move(menu));
    return 0;
}

int mdlDialog_menuBarDeleteMenu(MenuBar *bar, int menuType, int menuId)
{
    if (!barValid(bar) || menuType != RTYPE_PulldownMenu)
        return -1;
    PulldownMenu *menu = findMenu(bar, menuId);
    if (menu == nullptr)
        return -1;
    for (auto it = bar->menus.begin(); it != bar->menus.end(); ++it)
        if (it->get() == menu) {
            bar->menus.erase(it);
            break;
        }
    return 0;
}

int mdlhost_menuBarCount(MenuBar *bar) { return barValid(bar) ? (int)bar->menus.size() : 0; }

int mdlhost_menuBarMenuId(MenuBar *bar, int i, MdlDesc **owner)
{
    if (owner)
        *owner = nullptr;
    if (!barValid(bar) || i < 0 || i >= (int)bar->menus.size())
        return 0;
    if (owner)
        *owner = bar->menus[(size_t)i]->owner;
    return bar->menus[(size_t)i]->id;
}

const char *mdlhost_menuTitle(const PulldownMenu *menu) { return menuValid(menu) ? menu->title.c_str() : ""; }

PulldownMenuItem *mdlDialog_menuBarFindItem(MenuBar *bar, int menuType, int menuId, int itemId)
{
    PulldownMenu *menu = mdlDialog_menuBarFindMenu(bar, menuType, menuId);
    if (menu == nullptr)
        return nullptr;
    for (auto &e : menu->entries)
        if (e->id == itemId)
            return e.get();
    return nullptr;
}

int mdlDialog_textPDMItemSetMark(PulldownMenuItem *item, int mark)
{
    if (!menuItemValid(item) || mark < 0 || mark > 2)
        return -1;
    item->mark = mark;
    return 0;
}

int mdlDialog_textPDMItemGetMark(const PulldownMenuItem *item) { return menuItemValid(item) ? item->mark : -1; }

int mdlDialog_textPDMItemSetEnabled(PulldownMenuItem *item, int enabled)
{
    if (!menuItemValid(item))
        return -1;
    item->enabled = enabled != 0;
    return 0;
}

long mdlDialog_pulldownMenuGetValue(const PulldownMenu *menu) { return menuValid(menu) ? menu->value : 0; }

int mdlhost_menuChoose(MenuBar *bar, int menuId, int itemId)
{
    if (!barValid(bar))
        return -1;
    PulldownMenu *menu = findMenu(bar, menuId);
    PulldownMenuItem *entry = nullptr;
    if (menu)
        for (auto &e : menu->entries)
            if (e->id == itemId)
                entry = e.get();
    if (entry == nullptr || !entry->enabled)
        return -1;
    EventScope event;
    menu->value = entry->value;
    if (!menu->access.empty()) {
        Place p;
        Value v;
        v.fmt = FMT_LONG;
        v.i = entry->value;
        if (!resolveAccess(menu->owner, menu->access, p) || !writePlace(p, v))
            toolSubsystem_printf("Pull-down menu %d: \"%s\" not stored\n", menu->id, menu->access.c_str());
    }
    DialogItem *barItem = bar->item;
    MdlDesc *owner = menu->owner;
    int hooks[2] = {entry->hookId, menu->hookId};
    long value = entry->value;
    if (!entry->keyin.empty())
        mdlInput_sendKeyin(entry->keyin.c_str(), 0, 0, nullptr);
    for (int hookId : hooks) {
        MdlFunctionP fn = hookOf(owner, hookId);
        if (fn == nullptr)
            continue;
        DialogItemMessage m = itemMessage(DITEM_MESSAGE_ACTIVATE);
        m.u.menu.menuId = menuId;
        m.u.menu.itemId = itemId;
        m.u.menu.value = value;
        m.itemIndex = -1;
        if (barItem && itemValid(barItem)) {
            m.db = barItem->db;
            m.dialogId = barItem->db->id;
            m.itemIndex = barItem->index;
            m.dialogItemP = barItem;
        }
        EventScope inner;
        CurrentScope current(owner);
        reinterpret_cast<DialogItemHookFunc>(fn)(&m);
    }
    return 0;
}

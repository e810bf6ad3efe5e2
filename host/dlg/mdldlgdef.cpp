// Dialog, item and menu definitions read from resource nodes.
#include "dlg_int.h"

// ===== definitions =========================================================

namespace dlgint {

} // namespace dlgint

namespace dlgint {
[[noreturn]] void refuse(const RscNode *node, const char *what, std::string_view detail = {})
{
    char buf[512];
    snprintf(buf, sizeof buf, "%s:%d: %s%s%.*s", mdlhost_rscSourceFile(node), mdlhost_rscSourceLine(node), what,
             detail.empty() ? "" : " ", (int)detail.size(), detail.data());
    throw DefinitionError{buf};
}

long numberArg(const RscNode *node, int i)
{
    int ok = 0;
    long v = mdlhost_rscArgLong(node, i, &ok);
    if (!ok)
        refuse(node, "number expected after", mdlhost_rscKeyword(node));
    if (v < INT_MIN || v > INT_MAX)
        refuse(node, "number out of range after", mdlhost_rscKeyword(node));
    return v;
}

std::string textArg(const RscNode *node, int i)
{
    if (i >= mdlhost_rscArgCount(node))
        refuse(node, "text expected after", mdlhost_rscKeyword(node));
    return mdlhost_rscArg(node, i);
}

void needArgs(const RscNode *node, int n)
{
    if (mdlhost_rscArgCount(node) != n)
        refuse(node, "wrong number of values for", mdlhost_rscKeyword(node));
}

void checkAccess(const RscNode *node, const std::string &access)
{
    std::vector<AccessPart> parts;
    if (!splitAccess(access, parts))
        refuse(node, "malformed access string", access);
}

void checkFormat(const RscNode *node, const std::string &format)
{
    Conversion c;
    if (!parseFormat(format, c))
        refuse(node, "malformed format", format);
}

std::unique_ptr<PulldownMenu> buildMenu(const RscNode *node, MdlDesc *owner)
{
    auto menu = std::make_unique<PulldownMenu>();
    menu->id = (int)numberArg(node, 0);
    menu->owner = owner;
    if (mdlhost_rscArgCount(node) > 1)
        menu->title = textArg(node, 1);
    for (int c = 0; c < mdlhost_rscChildCount(node); c++) {
        const RscNode *ch = mdlhost_rscChild(node, c);
        std::string_view kw = mdlhost_rscKeyword(ch);
        if (kw == "Title") {
            needArgs(ch, 1);
            menu->title = textArg(ch, 0);
        } else if (kw == "Hook") {
            needArgs(ch, 1);
            menu->hookId = (int)numberArg(ch, 0);
        } else if (kw == "Access") {
            needArgs(ch, 1);
            menu->access = textArg(ch, 0);
            checkAccess(ch, menu->access);
        } else if (kw == "Entry") {
            auto e = std::make_unique<PulldownMenuItem>();
            e->menu = menu.get();
            e->id = (int)numberArg(ch, 0);
            e->label = textArg(ch, 1);
            for (int k = 0; k < mdlhost_rscChildCount(ch); k++) {
                const RscNode *p = mdlhost_rscChild(ch, k);
                std::string_view pk = mdlhost_rscKeyword(p);
                if (pk == "Hook") {
                    needArgs(p, 1);
                    e->hookId = (int)numberArg(p, 0);
                } else if (pk == "Value") {
                    needArgs(p, 1);
                    e->value = numberArg(p, 0);
                } else if (pk == "Mark") {
                    needArgs(p, 1);
                    e->mark = (int)numberArg(p, 0);
                } else if (pk == "Disabled") {
                    needArgs(p, 0);
                    e->enabled = false;
                } else if (pk == "Keyin") {
                    needArgs(p, 1);
                    e->keyin = textArg(p, 0);
                } else {
                    refuse(p, "unknown keyword", pk);
                }
            }
            menu->entries.push_back(std::move(e));
        } else {
            refuse(ch, "unknown keyword", kw);
        }
    }
    return menu;
}

std::unique_ptr<PulldownMenu> loadMenu(MdlDesc *owner, int menuId)
{
    listenForUnloads();
    const RscNode *node = mdlhost_rscFind(owner, "PulldownMenu", menuId);
    if (node == nullptr) {
        toolSubsystem_printf("Pull-down menu %d not found\n", menuId);
        return nullptr;
    }
    try {
        return buildMenu(node, owner);
    } catch (const DefinitionError &e) {
        toolSubsystem_printf("Pull-down menu %d refused: %s\n", menuId, e.text.c_str());
        return nullptr;
    }
}

void defaultExtent(DialogItem &it)
{
    it.rect.origin = {10, 10 + 20 * it.index};
    it.rect.corner = {it.rect.origin.x + 100, it.rect.origin.y + 16};
}

// The item keywords after `Item TYPE ID ["label"]`.
void buildItem(const RscNode *node, DialogItem &it, std::vector<int> &menus)
{
    defaultExtent(it);
    if (it.id == PUSHBUTTONID_OK && it.type == RTYPE_PushButton)
        it.action = ACTIONBUTTON_OK;
    if (it.id == PUSHBUTTONID_Cancel && it.type == RTYPE_PushButton)
        it.action = ACTIONBUTTON_CANCEL;
    for (int c = 0; c < mdlhost_rscChildCount(node); c++) {
        const RscNode *ch = mdlhost_rscChild(node, c);
        std::string_view kw = mdlhost_rscKeyword(ch);
        if (kw == "Label") {
            needArgs(ch, 1);
            it.label = textArg(ch, 0);
        } else if (kw == "Access") {
            needArgs(ch, 1);
            it.access = textArg(ch, 0);
            checkAccess(ch, it.access);
        } else if (kw == "Format") {
            needArgs(ch, 1);
            it.format = textArg(ch, 0);
            checkFormat(ch, it.format);
        } else if (kw == "Hook") {
            needArgs(ch, 1);
            it.hookId = (int)numberArg(ch, 0);
        } else if (kw == "Extent") {
            needArgs(ch, 4);
            long x = numberArg(ch, 0), y = numberArg(ch, 1), w = numberArg(ch, 2), h = numberArg(ch, 3);
            if (w < 0 || h < 0 || w > 100000 || h > 100000 || std::labs(x) > 100000 || std::labs(y) > 100000)
                refuse(ch, "extent out of range");
            it.rect.origin = {(int)x, (int)y};
            it.rect.corner = {(int)(x + w), (int)(y + h)};
        } else if (kw == "Disabled") {
            needArgs(ch, 0);
            it.enabled = false;
        } else if (kw == "Hidden") {
            needArgs(ch, 0);
            it.shown = false;
        } else if (kw == "Mask") {
            needArgs(ch, 1);
            it.mask = (unsigned long)(unsigned)numberArg(ch, 0);
        } else if (kw == "Attributes") {
            needArgs(ch, 1);
            it.attributes = (unsigned)numberArg(ch, 0);
        } else if (kw == "UserValue") {
            needArgs(ch, 1);
            it.userValue = numberArg(ch, 0);
        } else if (kw == "Balloon") {
            needArgs(ch, 1);
            it.balloon = textArg(ch, 0);
        } else if (kw == "Columns") {
            needArgs(ch, 1);
            long n = numberArg(ch, 0);
            if (n < 1 || n > MDLHOST_LISTMODEL_MAXCOLUMNS)
                refuse(ch, "column count out of range");
            it.columns = (int)n;
        } else if (kw == "Multi") {
            needArgs(ch, 0);
            it.multi = true;
        } else if (kw == "Entry") {
            int n = mdlhost_rscArgCount(ch);
            if (n < 2 || n > 4)
                refuse(ch, "wrong number of values for", kw);
            OptionEntry e;
            e.label = textArg(ch, 0);
            e.value = numberArg(ch, 1);
            if (n > 2)
                e.mask = (unsigned long)(unsigned)numberArg(ch, 2);
            if (n > 3)
                e.iconId = numberArg(ch, 3);
            it.entries.push_back(e);
        } else if (kw == "Action") {
            needArgs(ch, 1);
            it.action = (int)numberArg(ch, 0);
            if (it.action <= 0)
                refuse(ch, "action must be positive");
        } else if (kw == "Default") {
            needArgs(ch, 0);
            it.isDefault = true;
        } else if (kw == "MaxLength") {
            needArgs(ch, 1);
            long n = numberArg(ch, 0);
            if (n < 0)
                refuse(ch, "negative length");
            it.maxLength = (int)n;
        } else if (kw == "Menu") {
            needArgs(ch, 1);
            menus.push_back((int)numberArg(ch, 0));
        } else {
            refuse(ch, "unknown keyword", kw);
        }
    }
}

// `Item TYPE ID ["label"] {...}` (first = 0) or `DialogItem RID TYPE ID
// ["label"] {...}` (first = 1).
std::unique_ptr<DialogItem> itemFromNode(const RscNode *node, int first, MSDialog *db, MdlDesc *owner, int index)
{
    int nArgs = mdlhost_rscArgCount(node);
    if (nArgs < first + 2 || nArgs > first + 3)
        refuse(node, "expected TYPE ID [label] after", mdlhost_rscKeyword(node));
    auto it = std::make_unique<DialogItem>();
    it->db = db;
    it->owner = owner;
    it->index = index;
    std::string word = textArg(node, first);
    it->type = typeFromWord(word);
    int isCode = 0;
    long code = mdlhost_rscArgLong(node, first, &isCode);
    if (it->type == 0 && isCode && word.size() == 4) {
        int asCode = MDLHOST_FOURCC(word[0], word[1], word[2], word[3]);
        if ((uint32_t)code == (uint32_t)asCode)
            it->type = asCode;
    }
    if (it->type == 0)
        refuse(node, "unknown item type", word);
    it->id = (int)numberArg(node, first + 1);
    if (nArgs == first + 3)
        it->label = textArg(node, first + 2);
    std::vector<int> menus;
    buildItem(node, *it, menus);
    if (!menus.empty() && it->type != RTYPE_MenuBar)
        refuse(node, "Menu outside a menu bar");
    if (it->type == RTYPE_MenuBar) {
        it->menuBar = std::make_unique<MenuBar>();
        it->menuBar->db = db;
        it->menuBar->item = it.get();
        for (int id : menus) {
            std::unique_ptr<PulldownMenu> m = loadMenu(owner, id);
            if (m == nullptr)
                refuse(node, "menu bar names a missing or refused menu");
            m->bar = it->menuBar.get();
            it->menuBar->menus.push_back(std::move(m));
        }
    }
    return it;
}

void buildDialog(const RscNode *node, MSDialog &db)
{
    db.width = 300;
    db.height = 200;
    if (mdlhost_rscArgCount(node) > 1)
        db.title = textArg(node, 1);
    for (int c = 0; c < mdlhost_rscChildCount(node); c++) {
        const RscNode *ch = mdlhost_rscChild(node, c);
        std::string_view kw = mdlhost_rscKeyword(ch);
        if (kw == "Title") {
            needArgs(ch, 1);
            db.title = textArg(ch, 0);
        } else if (kw == "Size") {
            needArgs(ch, 2);
            long w = numberArg(ch, 0), h = numberArg(ch, 1);
            if (w < 0 || h < 0 || w > 100000 || h > 100000)
                refuse(ch, "size out of range");
            db.width = (int)w;
            db.height = (int)h;
        } else if (kw == "Hook") {
            needArgs(ch, 1);
            db.hookId = (int)numberArg(ch, 0);
        } else if (kw == "Font") {
            needArgs(ch, 1);
            db.font = (int)numberArg(ch, 0);
        } else if (kw == "Attributes") {
            needArgs(ch, 1);
            db.attributes = (unsigned)numberArg(ch, 0);
        } else if (kw == "Item") {
            db.items.push_back(itemFromNode(ch, 0, &db, db.owner, (int)db.items.size()));
        } else {
            refuse(ch, "unknown keyword", kw);
        }
    }
}

} // namespace dlgint

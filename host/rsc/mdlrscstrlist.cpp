// String lists: members, limits, loading and storing them as resources.
#include "rsc_int.h"

#include <algorithm>

namespace rscint {
// The string list stored under id.
const RscNode *findList(RscFileHandle handle, long id)
{
    int32_t i;
    if (!toId32(id, &i))
        return nullptr;
    const Place *p = findStored(handle, &Index::lists, i, nullptr);
    return p ? p->node : nullptr;
}

std::unique_ptr<RscNode> listNode(int32_t id, const StringList &list)
{
    auto n = makeNode(STRINGLIST);
    n->args = {numberArg(id), numberArg(list.infoCount)};
    n->hasBlock = true;
    for (const auto &m : list.members) {
        auto member = std::make_unique<RscNode>();
        member->keyword = textArg(m.text);
        for (long v : m.info)
            member->args.push_back(numberArg(v));
        n->children.push_back(std::move(member));
    }
    return n;
}

int storeList(RscFileHandle handle, long id, const StringList *list, bool replace)
{
    int32_t i;
    if (list == nullptr || !toId32(id, &i))
        return MDLHOST_RSC_BADARG;
    Source *src = nullptr;
    const RscNode *old = nullptr;
    int rc = writeTarget(handle, &Index::lists, i, replace, &src, &old);
    if (rc != MDLHOST_RSC_OK)
        return rc;
    if (replace && old == nullptr) // a list is replaced, never added, by a write
        return MDLHOST_RSC_NOTFOUND;
    return replaceAndWrite(*src, old, listNode(i, *list));
}

} // namespace rscint

// ---- entry points: string lists -------------------------------------------------

StringList *mdlStringList_create(long nMembers, long nInfoFields)
{
    if (nMembers < 0 || nMembers > MDLHOST_STRINGLIST_MAXMEMBERS || nInfoFields < 0 ||
        nInfoFields > MDLHOST_STRINGLIST_MAXINFO)
        return nullptr;
    auto *l = new StringList;
    l->infoCount = nInfoFields;
    l->members.resize((size_t)nMembers);
    for (auto &m : l->members)
        m.info.assign((size_t)nInfoFields, 0);
    return l;
}

namespace {

constexpr size_t MAX_DESTROY_LISTENERS = 16; // holders of lists are few: the dialog manager
std::vector<MdlhostStringListDestroyListener> destroyListeners;

} // namespace

void mdlhost_addStringListDestroyListener(MdlhostStringListDestroyListener fn)
{
    if (fn == nullptr || destroyListeners.size() >= MAX_DESTROY_LISTENERS ||
        std::find(destroyListeners.begin(), destroyListeners.end(), fn) != destroyListeners.end())
        return;
    destroyListeners.push_back(fn);
}

void mdlStringList_destroy(StringList *list)
{
    if (list == nullptr)
        return;
    // A list box still showing the list would read freed members.
    for (MdlhostStringListDestroyListener fn : destroyListeners)
        fn(list);
    delete list;
}

long mdlStringList_size(const StringList *list) { return list ? (long)list->members.size() : 0; }

long mdlStringList_infoFieldCount(const StringList *list) { return list ? list->infoCount : 0; }

void mdlhost_stringListSetLimit(StringList *list, long maxMembers)
{
    if (list == nullptr)
        return;
    list->limit = maxMembers < 0 ? 0 : maxMembers > MDLHOST_STRINGLIST_MAXMEMBERS ? MDLHOST_STRINGLIST_MAXMEMBERS
                                                                                      : maxMembers;
}

int mdlStringList_insertMember(long *firstIndex, StringList *list, long index, long count)
{
    if (list == nullptr || count < 0)
        return MDLHOST_RSC_BADARG;
    long size = (long)list->members.size();
    if (index == -1)
        index = size;
    if (index < 0 || index > size)
        return MDLHOST_RSC_BADARG;
    if (count > list->limit - size)
        return MDLHOST_RSC_FULL;
    StringList::Member empty;
    empty.info.assign((size_t)list->infoCount, 0);
    list->members.insert(list->members.begin() + index, (size_t)count, empty);
    if (firstIndex)
        *firstIndex = index;
    return MDLHOST_RSC_OK;
}

int mdlStringList_deleteMember(StringList *list, long index, long count)
{
    if (list == nullptr || index < 0 || count < 0 || index > (long)list->members.size() ||
        count > (long)list->members.size() - index)
        return MDLHOST_RSC_BADARG;
    list->members.erase(list->members.begin() + index, list->members.begin() + index + count);
    return MDLHOST_RSC_OK;
}

int mdlStringList_setMember(StringList *list, long index, const char *text, const long *infoFields)
{
    if (list == nullptr || index < 0 || index >= (long)list->members.size())
        return MDLHOST_RSC_BADARG;
    StringList::Member &m = list->members[(size_t)index];
    if (text != nullptr)
        m.text = text;
    if (infoFields != nullptr)
        m.info.assign(infoFields, infoFields + list->infoCount);
    return MDLHOST_RSC_OK;
}

int mdlStringList_getMember(const char **text, long **infoFields, StringList *list, long index)
{
    if (list == nullptr || index < 0 || index >= (long)list->members.size())
        return MDLHOST_RSC_BADARG;
    StringList::Member &m = list->members[(size_t)index];
    if (text)
        *text = m.text.c_str();
    if (infoFields)
        *infoFields = m.info.empty() ? nullptr : m.info.data();
    return MDLHOST_RSC_OK;
}

StringList *mdlStringList_loadResource(RscFileHandle handle, long id)
{
    const RscNode *n = findList(handle, id);
    if (n == nullptr)
        return nullptr;
    long fields = 0;
    argNumber(n->args[1], &fields);
    auto *l = mdlStringList_create(0, fields);
    if (l == nullptr)
        return nullptr;
    for (const auto &m : n->children) {
        StringList::Member member;
        member.text = m->keyword.text;
        for (const Arg &a : m->args) {
            long v = 0;
            argNumber(a, &v);
            member.info.push_back(v);
        }
        l->members.push_back(std::move(member));
    }
    return l;
}

int mdlStringList_addResource(RscFileHandle handle, long id, const StringList *list)
{
    return storeList(handle, id, list, false);
}

int mdlStringList_writeResource(RscFileHandle handle, long id, const StringList *list)
{
    return storeList(handle, id, list, true);
}

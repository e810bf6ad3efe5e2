// String lists: members, limits, loading and storing them as resources.
#include "rsc_int.h"

#include <algorithm>

namespace rscint {
// The string list stored under id.
const RscNode *finnListe(RscFileHandle handle, long id, bool *egen)
{
    int32_t i;
    if (!id32(id, &i))
        return nullptr;
    for (Kilde *k : sokeliste(mdlSystem_getCurrMdlDesc(), handle, handle != nullptr)) {
        auto l = k->ix.lister.find(i);
        if (l != k->ix.lister.end()) {
            if (egen)
                *egen = l->second.egen;
            return l->second.node;
        }
    }
    return nullptr;
}

std::unique_ptr<RscNode> listeNode(int32_t id, const StringList &liste)
{
    auto n = lagNode(STRINGLIST);
    n->args = {tallArg(id), tallArg(liste.infoAntall)};
    n->blokk = true;
    for (const auto &m : liste.medlemmer) {
        auto b = std::make_unique<RscNode>();
        b->ord = tekstArg(m.tekst);
        for (long v : m.info)
            b->args.push_back(tallArg(v));
        n->barn.push_back(std::move(b));
    }
    return n;
}

int lagreListe(RscFileHandle handle, long id, const StringList *liste, bool erstatt)
{
    int32_t i;
    if (liste == nullptr || !id32(id, &i))
        return MDLHOST_RSC_BADARG;
    RscFile *f;
    int rc = skriveHandle(handle, &f);
    if (rc != MDLHOST_RSC_OK)
        return rc;
    Kilde &k = *f->kilde;
    const RscNode *gammel = nullptr;
    auto l = k.ix.lister.find(i);
    if (l != k.ix.lister.end()) {
        if (!l->second.egen)
            return MDLHOST_RSC_READONLY;
        if (!erstatt)
            return MDLHOST_RSC_EXISTS;
        gammel = l->second.node;
    } else if (erstatt) {
        return MDLHOST_RSC_NOTFOUND;
    }
    return endreOgSkriv(k, gammel, listeNode(i, *liste));
}

} // namespace rscint

// ---- entry points: string lists -------------------------------------------------

StringList *mdlStringList_create(long nMembers, long nInfoFields)
{
    if (nMembers < 0 || nMembers > MDLHOST_STRINGLIST_MAXMEMBERS || nInfoFields < 0 ||
        nInfoFields > MDLHOST_STRINGLIST_MAXINFO)
        return nullptr;
    auto *l = new StringList;
    l->infoAntall = nInfoFields;
    l->medlemmer.resize((size_t)nMembers);
    for (auto &m : l->medlemmer)
        m.info.assign((size_t)nInfoFields, 0);
    return l;
}

namespace {

constexpr size_t MAKS_LYTTERE = 16; // holders of lists are few: the dialog manager
std::vector<MdlhostStringListDestroyListener> lyttere;

} // namespace

void mdlhost_addStringListDestroyListener(MdlhostStringListDestroyListener fn)
{
    if (fn == nullptr || lyttere.size() >= MAKS_LYTTERE ||
        std::find(lyttere.begin(), lyttere.end(), fn) != lyttere.end())
        return;
    lyttere.push_back(fn);
}

void mdlStringList_destroy(StringList *list)
{
    if (list == nullptr)
        return;
    // A list box still showing the list would read freed members.
    for (MdlhostStringListDestroyListener fn : lyttere)
        fn(list);
    delete list;
}

long mdlStringList_size(const StringList *list) { return list ? (long)list->medlemmer.size() : 0; }

long mdlStringList_infoFieldCount(const StringList *list) { return list ? list->infoAntall : 0; }

void mdlhost_stringListSetLimit(StringList *list, long maxMembers)
{
    if (list == nullptr)
        return;
    list->grense = maxMembers < 0 ? 0 : maxMembers > MDLHOST_STRINGLIST_MAXMEMBERS ? MDLHOST_STRINGLIST_MAXMEMBERS
                                                                                      : maxMembers;
}

int mdlStringList_insertMember(long *firstIndex, StringList *list, long index, long count)
{
    if (list == nullptr || count < 0)
        return MDLHOST_RSC_BADARG;
    long size = (long)list->medlemmer.size();
    if (index == -1)
        index = size;
    if (index < 0 || index > size)
        return MDLHOST_RSC_BADARG;
    if (count > list->grense - size)
        return MDLHOST_RSC_FULL;
    StringList::Medlem tom;
    tom.info.assign((size_t)list->infoAntall, 0);
    list->medlemmer.insert(list->medlemmer.begin() + index, (size_t)count, tom);
    if (firstIndex)
        *firstIndex = index;
    return MDLHOST_RSC_OK;
}

int mdlStringList_deleteMember(StringList *list, long index, long count)
{
    if (list == nullptr || index < 0 || count < 0 || index > (long)list->medlemmer.size() ||
        count > (long)list->medlemmer.size() - index)
        return MDLHOST_RSC_BADARG;
    list->medlemmer.erase(list->medlemmer.begin() + index, list->medlemmer.begin() + index + count);
    return MDLHOST_RSC_OK;
}

int mdlStringList_setMember(StringList *list, long index, const char *text, const long *infoFields)
{
    if (list == nullptr || index < 0 || index >= (long)list->medlemmer.size())
        return MDLHOST_RSC_BADARG;
    StringList::Medlem &m = list->medlemmer[(size_t)index];
    if (text != nullptr)
        m.tekst = text;
    if (infoFields != nullptr)
        m.info.assign(infoFields, infoFields + list->infoAntall);
    return MDLHOST_RSC_OK;
}

int mdlStringList_getMember(const char **text, long **infoFields, StringList *list, long index)
{
    if (list == nullptr || index < 0 || index >= (long)list->medlemmer.size())
        return MDLHOST_RSC_BADARG;
    StringList::Medlem &m = list->medlemmer[(size_t)index];
    if (text)
        *text = m.tekst.c_str();
    if (infoFields)
        *infoFields = m.info.empty() ? nullptr : m.info.data();
    return MDLHOST_RSC_OK;
}

StringList *mdlStringList_loadResource(RscFileHandle handle, long id)
{
    const RscNode *n = finnListe(handle, id, nullptr);
    if (n == nullptr)
        return nullptr;
    long felt = 0;
    argTall(n->args[1], &felt);
    auto *l = mdlStringList_create(0, felt);
    if (l == nullptr)
        return nullptr;
    for (const auto &m : n->barn) {
        StringList::Medlem medlem;
        medlem.tekst = m->ord.tekst;
        for (const Arg &a : m->args) {
            long v = 0;
            argTall(a, &v);
            medlem.info.push_back(v);
        }
        l->medlemmer.push_back(std::move(medlem));
    }
    return l;
}

int mdlStringList_addResource(RscFileHandle handle, long id, const StringList *list)
{
    return lagreListe(handle, id, list, false);
}

int mdlStringList_writeResource(RscFileHandle handle, long id, const StringList *list)
{
    return lagreListe(handle, id, list, true);
}

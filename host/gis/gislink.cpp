// Feature and database links on elements, and new projects.
//
//   links      attach a feature, read feature and database links back from
//              elements and attribute data, remove feature links
//   projects   the catalogue tables of a new project
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/text_host.h"
#include "dgn/mdlelem.h"
#include "gis_int.h"
#include "sys/mdlsys.h"

using namespace mdlhost;

// --- links -------------------------------------------------------------------------------

static int appendLink(MSElement *el, const DatabaseLink &link)
{
    uint16_t words[MDLDB_LINK_WORDS];
    int bytes = 0;
    if (mdlDB_encodeLink(words, &bytes, &link) != 0)
        return -1;
    return mdlElement_appendAttributes(el, bytes / 2, words);
}

// The linkages of attribute data in order: (offset, words) of each; false
// when the words do not end on a whole linkage.
static bool linkagesIn(const uint16_t *words, int numWords, std::vector<std::pair<int, int>> &out)
{
    out.clear();
    for (int at = 0; words && at < numWords;) {
        int n = mdlLinkage_getWords(reinterpret_cast<const LinkageHeader *>(words + at));
        if (n < 2 || at + n > numWords)
            return false;
        out.emplace_back(at, n);
        at += n;
    }
    return true;
}

// The database links of attribute data.
static bool linksIn(const uint16_t *words, int numWords, std::vector<DatabaseLink> &links)
{
    std::vector<std::pair<int, int>> all;
    if (!linkagesIn(words, numWords, all))
        return false;
    for (auto &[at, n] : all) {
        DatabaseLink link{};
        if (mdlhost_dbDecodeLink(&link, words + at, n) == 0)
            links.push_back(link);
    }
    return true;
}

static bool isFeatureLink(const DatabaseLink &l)
{
    GeoProject *p = geoProject_getActive();
    return p && p->featureEntity > 0 && l.entityNumber == p->featureEntity;
}

static std::vector<DatabaseLink> linksOf(const MSElement *el)
{
    std::vector<DatabaseLink> links;
    const uint16_t *at = nullptr;
    int words = 0;
    for (int i = 0; el && mdlLinkage_findByID(&at, &words, el, MDLDB_LINKAGE_ID, i) == 0; ++i) {
        DatabaseLink link{};
        if (mdlhost_dbDecodeLink(&link, at, words) == 0)
            links.push_back(link);
    }
    return links;
}

// found as an array of the caller's (dlmSystem_mdlFree), null when empty.
template <class T> static int handOut(const std::vector<T> &found, T **out, int *count)
{
    if (found.empty())
        return 0;
    *out = static_cast<T *>(dlmSystem_mdlMalloc(found.size() * sizeof(T)));
    if (!*out)
        return -1;
    std::memcpy(*out, found.data(), found.size() * sizeof(T));
    *count = static_cast<int>(found.size());
    return 0;
}

int mdlMap_attachElementFeature(MSElement *el, int featureIndex, int symbologyFlag, DgnModelRefP model)
{
    GeoProject *p = geoProject_getActive();
    GeoFeature *f = geoProject_getFeature(p, featureIndex);
    if (!el || !f || p->featureEntity < 1)
        return -1;
    DatabaseLink link{};
    link.linkageType = GEO_FEATURE_LINKAGE_TYPE;
    link.entityNumber = p->featureEntity;
    link.mslink = f->mslink;
    MSElement copy = *el;
    if (appendLink(&copy, link) != 0)
        return -1;
    if (symbologyFlag) {
        if (!f->level.empty()) {
            uint32_t level = 0;
            if (mdlLevel_getIdFromName(&level, model, f->level.c_str()) != 0 &&
                mdlLevel_create(model, f->level.c_str(), &level) != 0)
                return -1;
            mdlElement_setProperties(&copy, &level, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        }
        uint32_t color = static_cast<uint32_t>(f->color), weight = static_cast<uint32_t>(f->weight);
        int32_t style = f->style;
        mdlElement_setSymbology(&copy, &color, &weight, &style);
    }
    *el = copy;
    return 0;
}

int mdlMap_allElementFeatures(const MSElement *el, long **mslinks, int *count)
{
    if (!mslinks || !count)
        return -1;
    *mslinks = nullptr;
    *count = 0;
    GeoProject *p = geoProject_getActive();
    if (!el || !p)
        return -1;
    std::vector<long> found;
    for (auto &l : linksOf(el))
        if (isFeatureLink(l))
            found.push_back(l.mslink);
    return handOut(found, mslinks, count);
}

int mdlMap_allFeatureMslinks(const uint16_t *words, int numWords, long **mslinks, int *count)
{
    if (!mslinks || !count)
        return -1;
    *mslinks = nullptr;
    *count = 0;
    std::vector<DatabaseLink> links;
    if (!linksIn(words, numWords, links))
        return -1;
    std::vector<long> found;
    for (auto &l : links)
        if (isFeatureLink(l))
            found.push_back(l.mslink);
    return handOut(found, mslinks, count);
}

long mdlMap_firstFeatureMslink(const uint16_t *words, int numWords)
{
    std::vector<DatabaseLink> links;
    if (!linksIn(words, numWords, links))
        return -1;
    for (auto &l : links)
        if (isFeatureLink(l))
            return l.mslink;
    return 0;
}

int mdlMap_allDBMslinks(const uint16_t *words, int numWords, DatabaseLink **out, int *count)
{
    if (!out || !count)
        return -1;
    *out = nullptr;
    *count = 0;
    std::vector<DatabaseLink> links;
    if (!linksIn(words, numWords, links))
        return -1;
    return handOut(links, out, count);
}

int mdlMap_removeFeature(uint16_t *words, int *numWords)
{
    std::vector<std::pair<int, int>> all;
    if (!numWords || !linkagesIn(words, *numWords, all))
        return -1;
    std::vector<uint16_t> kept;
    for (auto &[at, n] : all) {
        DatabaseLink link{};
        if (mdlhost_dbDecodeLink(&link, words + at, n) == 0 && isFeatureLink(link))
            continue;
        kept.insert(kept.end(), words + at, words + at + n);
    }
    std::copy(kept.begin(), kept.end(), words);
    *numWords = static_cast<int>(kept.size());
    return 0;
}

int mdlMap_removeLink(uint16_t *words, int *numWords, int entity, long mslink)
{
    std::vector<std::pair<int, int>> all;
    if (!numWords || !linkagesIn(words, *numWords, all))
        return -1;
    std::vector<uint16_t> kept;
    bool removed = false;
    for (auto &[at, n] : all) {
        DatabaseLink link{};
        if (mdlhost_dbDecodeLink(&link, words + at, n) == 0 && link.entityNumber == entity && link.mslink == mslink) {
            removed = true;
            continue;
        }
        kept.insert(kept.end(), words + at, words + at + n);
    }
    std::copy(kept.begin(), kept.end(), words);
    *numWords = static_cast<int>(kept.size());
    return removed ? 0 : 1;
}

int mdlMap_addFeatureLinks(uint16_t *words, int *numWords, int maxWords, const long *mslinks, int count, int)
{
    GeoProject *p = geoProject_getActive();
    if (!words || !numWords || *numWords < 0 || count < 0 || (count > 0 && !mslinks) || !p || p->featureEntity < 1)
        return -1;
    std::vector<uint16_t> added;
    for (int i = 0; i < count; ++i) {
        DatabaseLink link{};
        link.linkageType = GEO_FEATURE_LINKAGE_TYPE;
        link.entityNumber = p->featureEntity;
        link.mslink = mslinks[i];
        uint16_t one[MDLDB_LINK_WORDS];
        int bytes = 0;
        if (mdlDB_encodeLink(one, &bytes, &link) != 0)
            return -1;
        added.insert(added.end(), one, one + bytes / 2);
    }
    // The data go back onto an element, so they must fit there as well.
    size_t total = static_cast<size_t>(*numWords) + added.size();
    if (total > static_cast<size_t>(maxWords) || total > MAX_ELEMENT_WORDS)
        return -1;
    std::copy(added.begin(), added.end(), words + *numWords);
    *numWords = static_cast<int>(total);
    return 0;
}

int mdlMap_replaceElmdscrAttr(MSElementDescr *dscr, const uint16_t *words, int numWords)
{
    std::vector<std::pair<int, int>> all;
    if (!dscr || numWords < 0 || !linkagesIn(words, numWords, all))
        return -1;
    std::vector<uint16_t> old(MAX_ELEMENT_WORDS);
    int oldWords = 0;
    if (mdlElmdscr_extractAttributes(&oldWords, old.data(), static_cast<int>(old.size()), dscr) != 0 ||
        mdlElmdscr_stripAttributes(dscr) != 0)
        return -1;
    if (numWords == 0 || mdlElmdscr_appendAttributes(dscr, numWords, words) == 0)
        return 0;
    // No room: the element gets its own data back.
    if (oldWords > 0)
        mdlElmdscr_appendAttributes(dscr, oldWords, old.data());
    return -1;
}

// Every element of a tree, header first.
template <class Fn> static void eachElement(MSElementDescr *d, Fn fn)
{
    for (; d; d = d->h.next) {
        fn(d->el);
        eachElement(d->h.firstElem, fn);
    }
}

int mdlMap_elmdscrReset(MSElementDescr **newDscr, const MSElementDescr *dscr, long mslink, int symbology)
{
    if (!newDscr)
        return -1;
    *newDscr = nullptr;
    GeoProject *p = geoProject_getActive();
    int index = -1;
    if (!dscr || !p || p->featureEntity < 1 || mdlMapFeature_indexFromMslink(mslink, &index) != 0)
        return -1;
    MSElementDescr *copy = nullptr;
    if (mdlElmdscr_duplicate(&copy, dscr) != 0 || !copy)
        return -1;
    // The tree alone, not what follows it.
    if (MSElementDescr *rest = copy->h.next) {
        copy->h.next = nullptr;
        rest->h.previous = nullptr;
        mdlElmdscr_freeAll(&rest);
    }
    bool linked = false;
    for (auto &l : linksOf(&copy->el))
        linked = linked || (isFeatureLink(l) && l.mslink == mslink);
    if (!linked) {
        DatabaseLink link{};
        link.linkageType = GEO_FEATURE_LINKAGE_TYPE;
        link.entityNumber = p->featureEntity;
        link.mslink = mslink;
        uint16_t words[MDLDB_LINK_WORDS];
        int bytes = 0;
        if (mdlDB_encodeLink(words, &bytes, &link) != 0 || mdlElmdscr_appendAttributes(copy, bytes / 2, words) != 0) {
            mdlElmdscr_freeAll(&copy);
            return -1;
        }
    }
    if (symbology) {
        const GeoFeature &f = p->features[static_cast<size_t>(index)];
        uint32_t color = static_cast<uint32_t>(f.color), weight = static_cast<uint32_t>(f.weight);
        int32_t style = f.style;
        eachElement(copy, [&](MSElement &el) { mdlElement_setSymbology(&el, &color, &weight, &style); });
    }
    *newDscr = copy;
    return 0;
}

void gis::linkCurrentFeature(MSElement *el)
{
    GeoProject *p = geoProject_getActive();
    if (!el || !p || p->featureEntity < 1)
        return;
    GeoFeature *f = geoProject_getFeature(p, p->fcb.currentFeature);
    if (!f)
        return;
    for (auto &l : linksOf(el))
        if (isFeatureLink(l))
            return;
    DatabaseLink link{};
    link.linkageType = GEO_FEATURE_LINKAGE_TYPE;
    link.entityNumber = p->featureEntity;
    link.mslink = f->mslink;
    // An element without room for the link is still added, without it.
    appendLink(el, link);
}

int mdlDB_extractLinkages(DatabaseLink **links, int *count, const MSElement *el)
{
    if (!links || !count)
        return -1;
    *links = nullptr;
    *count = 0;
    if (!el)
        return -1;
    return handOut(linksOf(el), links, count);
}

int mdlDB_attachActiveEntityElement(MSElement *el)
{
    char table[MDLDB_NAME_SIZE];
    long mslink = 0;
    DatabaseLink link{};
    if (!el || mdlhost_dbActiveEntity(table, &mslink) != 0 ||
        mdlDB_buildLink(&link, GEO_FEATURE_LINKAGE_TYPE, nullptr, table, mslink) != 0)
        return -1;
    return appendLink(el, link);
}

// --- projects ------------------------------------------------------------------------------

// The key of a catalogue table: a unique index, so that every insert's
// "SELECT max(mslink)" reads one index entry instead of the table.  A table
// of an existing project that holds one mslink twice cannot have one: it
// gets a plain index (as fast for the largest mslink) and a line on the
// text window naming it.
static int makeKey(const gis::CatalogueTable &t, const gis::Column &c)
{
    std::string index = std::string(t.name) + "_" + c.name + "_key";
    std::string on = std::string(" ON ") + t.name + " (" + c.name + ")";
    if (mdlDB_processSQL(("CREATE UNIQUE INDEX IF NOT EXISTS " + index + on).c_str()) == 0)
        return 0;
    char error[512];
    mdlDB_getErrorText(error, sizeof error);
    std::string plain = std::string(t.name) + "_" + c.name + "_index";
    if (mdlDB_processSQL(("CREATE INDEX IF NOT EXISTS " + plain + on).c_str()) != 0)
        return -1;
    toolSubsystem_printf("gis create: %s.%s is no unique key (%s); it has a plain index\n", t.name, c.name, error);
    return 0;
}

int mdlhost_gisCreateProject(const char *project)
{
    if (mdlhost_dbOpen(project) != 0)
        return -1;
    for (const gis::CatalogueTable *t : gis::kCatalogue) {
        std::string sql = std::string("CREATE TABLE IF NOT EXISTS ") + t->name + " (";
        const char *comma = "";
        for (const gis::Column &c : t->columns) {
            sql += std::string(comma) + c.name + " " + c.type;
            comma = ", ";
        }
        if (mdlDB_processSQL((sql + ")").c_str()) != 0)
            return -1;
        for (const gis::Column &c : t->columns)
            if (c.key && makeKey(*t, c) != 0)
                return -1;
    }
    char out[MDLDB_VALUE_SIZE];
    if (mdlDB_sqlQuery(out, "select count(*) from ugtable_cat") != 0)
        return -1;
    if (std::strcmp(out, "0") == 0) {
        static const char *const entities[] = {
            "insert into ugtable_cat (tablename, entitynum) values ('feature', 1)",
            "insert into ugtable_cat (tablename, entitynum) values ('maps', 2)",
        };
        for (const char *e : entities)
            if (mdlDB_processSQL(e) != 0)
                return -1;
    }
    return 0;
}

// Database linkages: the entity list of the open project, building,
// encoding and decoding the links that name a row from an element.
//
//   entities   entity numbers and their tables
//   links      build, encode, decode
#include <cstring>
#include <map>

#include "base/text_host.h"
#include "db_int.h"

namespace {

// --- entities -------------------------------------------------------------------------

struct Entities {
    std::map<int, std::string> tables; // number -> name upper-cased ASCII-only, as the GIS layer folds names
};

Entities &entities()
{
    static Entities e;
    return e;
}

} // namespace

using namespace mdlhost;

void mdlhost_dbSetEntities(int count, const int *numbers, const char *const *tables)
{
    entities().tables.clear();
    for (int i = 0; i < count && numbers && tables; ++i)
        if (numbers[i] > 0 && tables[i] && *tables[i])
            entities().tables[numbers[i]] = asciiUpperCased(tables[i]);
}

int mdlhost_dbEntityForTable(const char *table)
{
    if (!table)
        return 0;
    for (auto &[n, name] : entities().tables)
        if (sameName(name, table))
            return n;
    return 0;
}

int mdlhost_dbTableForEntity(char *out, int outSize, int entity)
{
    auto it = entities().tables.find(entity);
    if (it == entities().tables.end() || !out || outSize <= 0)
        return -1;
    copyText(out, static_cast<size_t>(outSize), it->second);
    return 0;
}

// --- links ----------------------------------------------------------------------------

int mdlDB_buildLink(DatabaseLink *link, int linkageType, const int *props, const char *table, long mslink)
{
    if (!link)
        return -1;
    *link = DatabaseLink{};
    int entity = mdlhost_dbEntityForTable(table);
    if (entity < 1 || linkageType < 0 || linkageType > 0xFFFF)
        return -1;
    link->linkageType = linkageType;
    link->entityNumber = entity;
    link->mslink = mslink;
    link->properties = props ? *props : 0;
    mdlhost_dbTableForEntity(link->tableName, sizeof link->tableName, entity);
    return 0;
}

int mdlDB_encodeLink(uint16_t *words, int *numBytes, const DatabaseLink *link)
{
    if (!words || !numBytes || !link)
        return -1;
    if (link->entityNumber < 1 || link->entityNumber > 0xFFFF || link->mslink < 0 || link->mslink > 0x7FFFFFFFL ||
        link->linkageType < 0 || link->linkageType > 0xFFFF)
        return -1;
    uint32_t m = static_cast<uint32_t>(link->mslink);
    uint16_t w[MDLDB_LINK_WORDS] = {static_cast<uint16_t>(MDLDB_LINK_WORDS - 1),
                                    MDLDB_LINKAGE_ID,
                                    static_cast<uint16_t>(link->linkageType),
                                    static_cast<uint16_t>(link->entityNumber),
                                    static_cast<uint16_t>(m & 0xFFFFu),
                                    static_cast<uint16_t>(m >> 16),
                                    static_cast<uint16_t>(link->properties),
                                    0};
    std::memcpy(words, w, sizeof w);
    *numBytes = static_cast<int>(sizeof w);
    return 0;
}

int mdlhost_dbDecodeLink(DatabaseLink *link, const uint16_t *words, int numWords)
{
    if (!link || !words || numWords < MDLDB_LINK_WORDS || words[1] != MDLDB_LINKAGE_ID ||
        (words[0] & 0x07FFu) != MDLDB_LINK_WORDS - 1)
        return -1;
    *link = DatabaseLink{};
    link->linkageType = words[2];
    link->entityNumber = words[3];
    link->mslink = static_cast<long>(static_cast<uint32_t>(words[4]) | (static_cast<uint32_t>(words[5]) << 16));
    link->properties = words[6];
    mdlhost_dbTableForEntity(link->tableName, sizeof link->tableName, link->entityNumber);
    return 0;
}

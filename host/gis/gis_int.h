// The open project's snapshot.  Not exported.
#ifndef MDLHOST_GIS_INT_H
#define MDLHOST_GIS_INT_H

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gis/mdlgis.h"

struct GeoCategory {
    long mslink = 0;
    std::u16string name, extension, indexFile;
};

struct GeoFeature {
    long mslink = 0;
    int categoryIndex = -1;
    int entity = 0;
    int newdup = 0;
    int type = 0, elementType = 0, style = 0, weight = 0, color = 0, lineLength = 0, font = 0, justification = 0,
        snapType = 0;
    double angle = 0, height = 0, width = 0, lineSpacing = 0, cellScale = 0, streamDelta = 0, streamTolerance = 0,
           snapTolerance = 0;
    std::u16string code, name, level, styleName, cellLibrary, cellName;
};

struct GeoMap {
    long mslink = 0;
    std::u16string name, folder;
};

struct GeoProject {
    std::vector<GeoCategory> categories;
    std::vector<GeoFeature> features;
    std::vector<std::optional<GeoMap>> maps; // index = mslink - 1
    int activeFeature = -1;
    int featureEntity = 0;
    // Storage behind the control block.
    std::vector<int> entityNumbers;
    std::vector<std::string> entityTables;
    std::vector<const char *> entityTablePtrs;
    std::vector<GeoJoin> joins;
    std::vector<std::u16string> tables;
    std::vector<const char16_t *> tablePtrs;
    std::u16string folder, name, server, source, user, value, seedDir, mapDir, indexDir;
    GeoControlBlock fcb{};
};

namespace mdlhost::gis {

// --- catalogue tables ---------------------------------------------------------------
// What a new project makes and what the loader reads, from one list per
// table.  Unquoted lower-case names, so the statements of the applications
// find them on PostgreSQL whatever case they write.

struct Column {
    const char *name, *type; // type as CREATE TABLE takes it
    // The table's key: a unique index on the column (a separate index, so
    // that the Parts' INSERT statements, which always name the mslink, stay
    // valid on both back ends, and an existing project gets it too).
    bool key = false;
};

struct CatalogueTable {
    const char *name;
    std::span<const Column> columns;
};

inline constexpr Column kCategoryColumns[] = {
    {"mslink", "integer", true}, {"cname", "varchar(64)"}, {"indexname", "varchar(64)"}, {"indexlevel", "integer"}};
inline constexpr Column kUgcategoryColumns[] = {{"category", "integer"},
                                                {"defaultf", "integer"},
                                                {"olap", "integer"},
                                                {"foreignf", "integer"},
                                                {"dgnfex", "varchar(8)"}};
inline constexpr Column kFeatureColumns[] = {
    {"mslink", "integer", true},
    {"fcode", "varchar(12)"},
    {"fname", "varchar(64)"},
    {"category", "integer"},
    {"tablename", "varchar(32)"},
    {"ftype", "integer"},
    {"flevel", "varchar(64)"},
    {"fstyle", "integer"},
    {"fweight", "integer"},
    {"fcolor", "integer"},
    {"digcmd", "varchar(64)"},
    {"felement", "integer"},
    {"fangle", "varchar(16)"},
    {"fheight", "double precision"},
    {"fwidth", "double precision"},
    {"flinespace", "double precision"},
    {"linelength", "integer"},
    {"ffont", "integer"},
    {"fsymbol", "integer"},
    {"fjustification", "varchar(8)"},
    {"celllibrary", "varchar(128)"},
    {"fcellname", "varchar(64)"},
    {"cellscale", "double precision"},
    {"streamdelta", "double precision"},
    {"streamtolerance", "double precision"},
    {"streamunit", "integer"},
    {"snaptype", "integer"},
    {"snaptolerance", "double precision"},
    {"newdup", "integer"},
    {"objtype", "varchar(50)"},
};
// The 22 columns the GIS build's set-up writes, in its order.
inline constexpr Column kUgfeatureColumns[] = {
    {"feature", "integer"},
    {"elock", "integer"},
    {"fclass", "integer"},
    {"fpriority", "integer"},
    {"infomode", "integer"},
    {"das", "integer"},
    {"dprio", "integer"},
    {"forder", "integer"},
    {"descr", "varchar(128)"},
    {"lsscale", "double precision"},
    {"dashscale", "double precision"},
    {"gapscale", "double precision"},
    {"startwidth", "double precision"},
    {"endwidth", "double precision"},
    {"phase", "double precision"},
    {"phasetype", "integer"},
    {"slant", "double precision"},
    {"cs", "double precision"},
    {"underline", "integer"},
    {"vertical", "integer"},
    {"fraction", "integer"},
    {"lsname", "varchar(64)"},
};
// Commands of a feature (the set-up's AUTOPLACE / PLACE CELL for points).
inline constexpr Column kUgcommandColumns[] = {{"feature", "integer"},
                                               {"cname", "varchar(32)"},
                                               {"keyincmd", "varchar(255)"},
                                               {"sqlstmt", "varchar(255)"},
                                               {"class", "integer"}};
// mapname holds a map file's name with its extension, up to the 255
// characters of a file name: the GIS build's map-name limit is this width
// less the longest extension and its dot.
inline constexpr Column kMapsColumns[] = {
    {"mslink", "integer", true}, {"category", "integer"}, {"mapname", "varchar(255)"}};
inline constexpr Column kUgmapColumns[] = {{"mapid", "integer"}, {"mdir", "varchar(255)"}};
inline constexpr Column kUgtableCatColumns[] = {{"tablename", "varchar(32)"}, {"entitynum", "integer"}};
inline constexpr Column kUgjoinCatColumns[] = {{"table0", "varchar(36)"},
                                               {"index0", "varchar(36)"},
                                               {"table1", "varchar(36)"},
                                               {"index1", "varchar(36)"},
                                               {"value1", "varchar(36)"}};

inline constexpr CatalogueTable kCategory{"category", kCategoryColumns};
inline constexpr CatalogueTable kUgcategory{"ugcategory", kUgcategoryColumns};
inline constexpr CatalogueTable kFeature{"feature", kFeatureColumns};
inline constexpr CatalogueTable kUgfeature{"ugfeature", kUgfeatureColumns};
inline constexpr CatalogueTable kUgcommand{"ugcommand", kUgcommandColumns};
inline constexpr CatalogueTable kMaps{"maps", kMapsColumns};
inline constexpr CatalogueTable kUgmap{"ugmap", kUgmapColumns};
inline constexpr CatalogueTable kUgtableCat{"ugtable_cat", kUgtableCatColumns};
inline constexpr CatalogueTable kUgjoinCat{"ugjoin_cat", kUgjoinCatColumns};

// In the order a new project makes them.
inline constexpr const CatalogueTable *kCatalogue[] = {&kCategory, &kUgcategory, &kFeature,    &kUgfeature,
                                                       &kUgcommand, &kMaps,     &kUgmap,      &kUgtableCat,
                                                       &kUgjoinCat};

// The name of a column of table: a name the table is not made with does not
// compile.
consteval const char *column(const CatalogueTable &table, std::string_view name)
{
    for (const Column &c : table.columns)
        if (name == c.name)
            return c.name;
    throw "not a column of this catalogue table";
}

// A table's rows by lower-case column name; false when it cannot be read.
using Row = std::map<std::string, std::optional<std::string>>;
bool readTable(const char *sql, std::vector<Row> &rows);

// Gives an element added to the active model the current feature's link
// (the design-file layer's add filter; set while a project is open).
void linkCurrentFeature(MSElement *el);

} // namespace mdlhost::gis

#endif

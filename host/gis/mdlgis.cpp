// Projects of the GIS add-on: open and close, the snapshot of the catalogue
// tables, the control block, and the readers of categories, features and
// maps.
//
//   reading     a catalogue table's rows by column name
//   open        the snapshot, system functions
//   project     the control block and project readers
//   categories
//   features
//   maps
#include <algorithm>
#include <cstring>
#include <memory>

#include "base/text_host.h"
#include "gis_int.h"
#include "sys/sys_host.h"

namespace mdlhost::gis {

// --- reading ----------------------------------------------------------------------------

bool readTable(const char *sql, std::vector<Row> &rows)
{
    rows.clear();
    if (mdlDB_openCursor(sql) != 0)
        return false;
    MS_SQLDA r{};
    while (mdlDB_fetchRow(&r) == 0) {
        Row &row = rows.emplace_back();
        for (int c = 0; c < r.numColumns; ++c)
            row[folded(r.columns[c].name)] =
                r.values[c] ? std::optional<std::string>(r.values[c]) : std::nullopt;
    }
    mdlDB_closeCursor();
    return true;
}

static std::string text(const Row &row, const char *column)
{
    auto it = row.find(column);
    return it != row.end() && it->second ? *it->second : std::string();
}

static std::u16string wide(const Row &row, const char *column) { return utf8ToUtf16(latin1ToUtf8(text(row, column))); }

static long number(const Row &row, const char *column)
{
    int64_t v = 0;
    double d = 0;
    std::string t = text(row, column);
    if (parseInt64(t, v))
        return static_cast<long>(v);
    return parseDouble(t, d) ? static_cast<long>(d) : 0;
}

static double real(const Row &row, const char *column)
{
    double d = 0;
    return parseDouble(text(row, column), d) ? d : 0.0;
}

// Every row of a catalogue table, ordered by column order when given.
static bool readAll(const CatalogueTable &table, std::vector<Row> &rows, const char *order = nullptr)
{
    std::string sql = std::string("select * from ") + table.name;
    if (order)
        sql += std::string(" order by ") + order;
    return readTable(sql.c_str(), rows);
}

// The column of the companion row (ugcategory, ugfeature, ugmap) whose key
// column holds mslink; "" when there is none.
static std::u16string companion(const std::vector<Row> &rows, const char *key, long mslink, const char *column)
{
    for (auto &r : rows)
        if (number(r, key) == mslink)
            return wide(r, column);
    return u"";
}

} // namespace mdlhost::gis

using namespace mdlhost;
using namespace mdlhost::gis;

// --- open --------------------------------------------------------------------------------

namespace {

struct Session {
    std::unique_ptr<GeoProject> project;
    GeoSystemFunction functions[3] = {nullptr, nullptr, nullptr};
};

Session &session()
{
    static Session g;
    return g;
}

std::u16string wideOf(std::string_view latin1) { return utf8ToUtf16(latin1ToUtf8(latin1)); }

void copyWide(char16_t (&to)[GEO_JOIN_NAME_SIZE], const std::string &latin1)
{
    std::u16string w = wideOf(upperCased(latin1));
    size_t n = std::min(w.size(), static_cast<size_t>(GEO_JOIN_NAME_SIZE - 1));
    std::copy_n(w.data(), n, to);
    to[n] = 0;
}

bool load(GeoProject &p, const std::string &name)
{
    std::vector<Row> rows;
    // The table catalogue gives the entity list.
    if (!readAll(kUgtableCat, rows))
        return false;
    for (auto &r : rows) {
        long n = number(r, column(kUgtableCat, "entitynum"));
        std::string t = text(r, column(kUgtableCat, "tablename"));
        if (n < 1 || t.empty())
            continue;
        p.entityNumbers.push_back(static_cast<int>(n));
        p.entityTables.push_back(upperCased(t));
        p.tables.push_back(wideOf(t));
    }
    for (auto &t : p.entityTables)
        p.entityTablePtrs.push_back(t.c_str());
    for (auto &t : p.tables)
        p.tablePtrs.push_back(t.c_str());
    mdlhost_dbSetEntities(static_cast<int>(p.entityNumbers.size()), p.entityNumbers.data(),
                          p.entityTablePtrs.data());
    p.featureEntity = mdlhost_dbEntityForTable(kFeature.name);

    if (readAll(kUgjoinCat, rows))
        for (auto &r : rows) {
            GeoJoin j{};
            copyWide(j.table0, text(r, column(kUgjoinCat, "table0")));
            copyWide(j.index0, text(r, column(kUgjoinCat, "index0")));
            copyWide(j.table1, text(r, column(kUgjoinCat, "table1")));
            copyWide(j.index1, text(r, column(kUgjoinCat, "index1")));
            copyWide(j.value1, text(r, column(kUgjoinCat, "value1")));
            p.joins.push_back(j);
        }

    if (!readAll(kCategory, rows, column(kCategory, "mslink")))
        return false;
    std::vector<Row> extra;
    readAll(kUgcategory, extra);
    for (auto &r : rows) {
        GeoCategory c;
        c.mslink = number(r, column(kCategory, "mslink"));
        c.name = wide(r, column(kCategory, "cname"));
        c.indexFile = wide(r, column(kCategory, "indexname"));
        c.extension = companion(extra, column(kUgcategory, "category"), c.mslink, column(kUgcategory, "dgnfex"));
        p.categories.push_back(std::move(c));
    }

    if (!readAll(kFeature, rows, column(kFeature, "mslink")))
        return false;
    readAll(kUgfeature, extra);
    for (auto &r : rows) {
        GeoFeature f;
        f.mslink = number(r, column(kFeature, "mslink"));
        f.code = wide(r, column(kFeature, "fcode"));
        f.name = wide(r, column(kFeature, "fname"));
        long category = number(r, column(kFeature, "category"));
        for (size_t i = 0; i < p.categories.size(); ++i)
            if (category > 0 && p.categories[i].mslink == category)
                f.categoryIndex = static_cast<int>(i);
        f.entity = mdlhost_dbEntityForTable(text(r, column(kFeature, "tablename")).c_str());
        f.newdup = static_cast<int>(number(r, column(kFeature, "newdup")));
        f.type = static_cast<int>(number(r, column(kFeature, "ftype")));
        f.elementType = static_cast<int>(number(r, column(kFeature, "felement")));
        f.style = static_cast<int>(number(r, column(kFeature, "fstyle")));
        f.weight = static_cast<int>(number(r, column(kFeature, "fweight")));
        f.color = static_cast<int>(number(r, column(kFeature, "fcolor")));
        f.lineLength = static_cast<int>(number(r, column(kFeature, "linelength")));
        f.font = static_cast<int>(number(r, column(kFeature, "ffont")));
        f.justification = static_cast<int>(number(r, column(kFeature, "fjustification")));
        f.snapType = static_cast<int>(number(r, column(kFeature, "snaptype")));
        f.angle = real(r, column(kFeature, "fangle"));
        f.height = real(r, column(kFeature, "fheight"));
        f.width = real(r, column(kFeature, "fwidth"));
        f.lineSpacing = real(r, column(kFeature, "flinespace"));
        f.cellScale = real(r, column(kFeature, "cellscale"));
        f.streamDelta = real(r, column(kFeature, "streamdelta"));
        f.streamTolerance = real(r, column(kFeature, "streamtolerance"));
        f.snapTolerance = real(r, column(kFeature, "snaptolerance"));
        f.level = wide(r, column(kFeature, "flevel"));
        f.cellLibrary = wide(r, column(kFeature, "celllibrary"));
        f.cellName = wide(r, column(kFeature, "fcellname"));
        f.styleName = companion(extra, column(kUgfeature, "feature"), f.mslink, column(kUgfeature, "lsname"));
        p.features.push_back(std::move(f));
    }

    if (!readAll(kMaps, rows, column(kMaps, "mslink")))
        return false;
    readAll(kUgmap, extra);
    for (auto &r : rows) {
        long m = number(r, column(kMaps, "mslink"));
        // Map indexes are mslink - 1; an absurd mslink is no map.
        if (m < 1 || m > 1000000)
            continue;
        if (p.maps.size() < static_cast<size_t>(m))
            p.maps.resize(static_cast<size_t>(m));
        GeoMap map;
        map.mslink = m;
        map.name = wide(r, column(kMaps, "mapname"));
        map.folder = companion(extra, column(kUgmap, "mapid"), m, column(kUgmap, "mdir"));
        p.maps[static_cast<size_t>(m - 1)] = std::move(map);
    }

    // Folder and name: a file's folder with its separator, or a server's
    // database name alone.
    size_t cut = name.find_last_of("/\\");
    bool file = mdlhost_dbServerType() == MDLDB_SERVER_SQLITE;
    p.folder = file && cut != std::string::npos ? wideOf(name.substr(0, cut + 1)) : u"";
    p.name = wideOf(file && cut != std::string::npos ? name.substr(cut + 1) : name);
    p.server = file ? u"SQLITE" : u"POSTGRESQL";
    p.source = wideOf(name);
    GeoControlBlock &b = p.fcb;
    b.entityCount = static_cast<int>(p.entityNumbers.size());
    b.entityNumbers = p.entityNumbers.data();
    b.entityTables = p.entityTablePtrs.data();
    b.joinCount = static_cast<int>(p.joins.size());
    b.joins = p.joins.data();
    b.tableCount = static_cast<int>(p.tablePtrs.size());
    b.tableNames = p.tablePtrs.data();
    b.projectFolder = p.folder.c_str();
    b.projectName = p.name.c_str();
    b.serverType = p.server.c_str();
    b.dataSource = p.source.c_str();
    b.considerZ = 1;
    return true;
}

} // namespace

int mdlMapProject_close(void)
{
    Session &g = session();
    if (!g.project)
        return -1;
    if (g.functions[2])
        g.functions[2]();
    g.project.reset();
    mdlhost_dbSetEntities(0, nullptr, nullptr);
    mdlhost_dbClose();
    return 0;
}

int mdlMapProject_open(const char *project)
{
    Session &g = session();
    if (g.project)
        mdlMapProject_close();
    std::string name = project ? project : "";
    if (name.empty() && (!cfgLookup("MDLHOST_GISPROJECT", name) || name.empty()))
        return -1;
    if (mdlDB_activeDatabase(name.c_str()) != 0)
        return -1;
    auto p = std::make_unique<GeoProject>();
    if (!load(*p, name)) {
        mdlhost_dbSetEntities(0, nullptr, nullptr);
        mdlhost_dbClose();
        return -1;
    }
    g.project = std::move(p);
    if (g.functions[1])
        g.functions[1]();
    return 0;
}

GeoProject *geoProject_getActive(void) { return session().project.get(); }

int mdlMap_initializeApplication(void)
{
    return session().project || mdlMapProject_open(nullptr) == 0 ? 1 : 0;
}

void mdlMap_unloadApplication(int) { mdlMapProject_close(); }

int mdlMapSystem_setFunction(int number, GeoSystemFunction fn)
{
    if (number < 1 || number > 2)
        return -1;
    session().functions[number] = fn;
    return 0;
}

// --- project --------------------------------------------------------------------------------

const GeoControlBlock *mdlhost_gisControlBlock(void)
{
    return session().project ? &session().project->fcb : nullptr;
}

const char16_t *geoProject_getFeatureTableName(GeoProject *) { return u"feature"; }
const char16_t *geoProject_getMapTableName(GeoProject *) { return u"maps"; }
const char16_t *geoProject_getTableCatalogTableName(GeoProject *) { return u"ugtable_cat"; }
int geoProject_getFeatureLinkageType(GeoProject *) { return GEO_FEATURE_LINKAGE_TYPE; }
int geoProject_getFeatureEntity(GeoProject *p) { return p ? p->featureEntity : 0; }

// --- categories -------------------------------------------------------------------------------

int geoProject_getCategoryCount(GeoProject *p) { return p ? static_cast<int>(p->categories.size()) : 0; }

GeoCategory *geoProject_getCategory(GeoProject *p, int index)
{
    return p && index >= 0 && index < static_cast<int>(p->categories.size()) ? &p->categories[index] : nullptr;
}

const char16_t *geoCategory_getName(GeoCategory *c) { return c ? c->name.c_str() : u""; }
const char16_t *geoCategory_getFileExtension(GeoCategory *c) { return c ? c->extension.c_str() : u""; }
const char16_t *geoCategory_getIndexFileName(GeoCategory *c) { return c ? c->indexFile.c_str() : u""; }
long geoCategory_getMslink(GeoCategory *c) { return c ? c->mslink : 0; }

// --- features --------------------------------------------------------------------------------

int geoProject_getFeatureCount(GeoProject *p) { return p ? static_cast<int>(p->features.size()) : 0; }

GeoFeature *geoProject_getFeature(GeoProject *p, int index)
{
    return p && index >= 0 && index < static_cast<int>(p->features.size()) ? &p->features[index] : nullptr;
}

int geoProject_getActiveFeatureIndex(GeoProject *p) { return p ? p->activeFeature : -1; }
GeoFeature *geoProject_getActiveFeature(GeoProject *p) { return geoProject_getFeature(p, geoProject_getActiveFeatureIndex(p)); }

int mdlhost_gisSetActiveFeature(int index)
{
    GeoProject *p = geoProject_getActive();
    if (!p || index >= static_cast<int>(p->features.size()))
        return -1;
    p->activeFeature = index < 0 ? -1 : index;
    return 0;
}

int mdlMapFeature_indexFromCode(const char16_t *code, int *index)
{
    GeoProject *p = geoProject_getActive();
    if (!p || !code || !index)
        return -1;
    for (size_t i = 0; i < p->features.size(); ++i)
        if (p->features[i].code == code) {
            *index = static_cast<int>(i);
            return 0;
        }
    return -1;
}

int mdlMapFeature_indexFromMslink(long mslink, int *index)
{
    GeoProject *p = geoProject_getActive();
    if (!p || !index)
        return -1;
    for (size_t i = 0; i < p->features.size(); ++i)
        if (p->features[i].mslink == mslink) {
            *index = static_cast<int>(i);
            return 0;
        }
    return -1;
}

const char16_t *geoFeature_getCode(GeoFeature *f) { return f ? f->code.c_str() : u""; }
const char16_t *geoFeature_getName(GeoFeature *f) { return f ? f->name.c_str() : u""; }
long geoFeature_getMslink(GeoFeature *f) { return f ? f->mslink : 0; }
int geoFeature_getCategoryIndex(GeoFeature *f) { return f ? f->categoryIndex : -1; }
GeoCategory *geoFeature_getCategory(GeoFeature *f)
{
    return f ? geoProject_getCategory(geoProject_getActive(), f->categoryIndex) : nullptr;
}
int geoFeature_getDBEntityNumber(GeoFeature *f) { return f ? f->entity : 0; }
int geoFeature_getLinkageMode(GeoFeature *f) { return f && f->newdup == 1 ? 2 : 1; }
int geoFeature_getType(GeoFeature *f) { return f ? f->type : 0; }
int geoFeature_getElementType(GeoFeature *f) { return f ? f->elementType : 0; }
int geoFeature_getLineStyleIndex(GeoFeature *f) { return f ? f->style : 0; }
const char16_t *geoFeature_getLineStyleName(GeoFeature *f) { return f ? f->styleName.c_str() : u""; }
int geoFeature_getWeightForElement(GeoFeature *f) { return f ? f->weight : 0; }
int geoFeature_getColorForElement(GeoFeature *f) { return f ? f->color : 0; }
const char16_t *geoFeature_getLevelName(GeoFeature *f) { return f ? f->level.c_str() : u""; }
double geoFeature_getAngle(GeoFeature *f) { return f ? f->angle : 0; }
double geoFeature_getTextHeight(GeoFeature *f) { return f ? f->height : 0; }
double geoFeature_getTextWidth(GeoFeature *f) { return f ? f->width : 0; }
double geoFeature_getTextLineSpacing(GeoFeature *f) { return f ? f->lineSpacing : 0; }
int geoFeature_getTextLineLength(GeoFeature *f) { return f ? f->lineLength : 0; }
int geoFeature_getTextFontIndex(GeoFeature *f) { return f ? f->font : 0; }
int geoFeature_getTextJustification(GeoFeature *f) { return f ? f->justification : 0; }
const char16_t *geoFeature_getCellLibraryName(GeoFeature *f) { return f ? f->cellLibrary.c_str() : u""; }
const char16_t *geoFeature_getCellName(GeoFeature *f) { return f ? f->cellName.c_str() : u""; }
double geoFeature_getCellScale(GeoFeature *f) { return f ? f->cellScale : 0; }
double geoFeature_getStreamDelta(GeoFeature *f) { return f ? f->streamDelta : 0; }
double geoFeature_getStreamTolerance(GeoFeature *f) { return f ? f->streamTolerance : 0; }
int geoFeature_getSnapType(GeoFeature *f) { return f ? f->snapType : 0; }
double geoFeature_getSnapTolerance(GeoFeature *f) { return f ? f->snapTolerance : 0; }

// --- maps ------------------------------------------------------------------------------------

int geoProject_getMapCount(GeoProject *p) { return p ? static_cast<int>(p->maps.size()) : 0; }

GeoMap *geoProject_getMap(GeoProject *p, int index)
{
    if (!p || index < 0 || index >= static_cast<int>(p->maps.size()) || !p->maps[index])
        return nullptr;
    return &*p->maps[index];
}

const char16_t *geoMap_getName(GeoMap *m) { return m ? m->name.c_str() : u""; }

int mdlMap_indexFromMapName(const char16_t *path, int *index)
{
    GeoProject *p = geoProject_getActive();
    if (!p || !path || !index)
        return -1;
    std::string wanted = utf8ToLatin1(utf16ToUtf8(path, std::char_traits<char16_t>::length(path)));
    for (size_t i = 0; i < p->maps.size(); ++i) {
        if (!p->maps[i])
            continue;
        std::string full = utf8ToLatin1(utf16ToUtf8(p->maps[i]->folder + p->maps[i]->name));
        if (sameName(full, wanted)) {
            *index = static_cast<int>(i);
            return 0;
        }
    }
    return -1;
}

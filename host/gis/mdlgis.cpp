// Projects of the GIS add-on: open and close, the snapshot of the catalogue
// tables, the control block, and the readers of categories, features and
// maps.
//
//   reading     a catalogue table's rows by column name
//   system      the map system functions of each application
//   open        the snapshot
//   project     the control block and project readers
//   categories
//   features
//   maps        names compared as files, attached as references
//   database    its tables; the query viewer
//   current     the current feature; feature lists
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unordered_map>

#include "base/mdlbase.h"
#include "base/text_host.h"
#include "dgn/dgndescr_host.h"
#include "dgn/mdlcell.h"
#include "gis_int.h"
#include "sys/mdlsys.h"
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

// The companion rows of a table (ugcategory, ugfeature, ugmap) by the
// mslink their key column holds, made once per table: looking a row up per
// category, feature or map must not scan the table each time (a project of
// n features would open in n * n).  The first row of a key counts.
class Companions {
  public:
    Companions(const std::vector<Row> &rows, const char *key)
    {
        byKey_.reserve(rows.size());
        for (const Row &r : rows)
            byKey_.try_emplace(number(r, key), &r);
    }
    // The column of the row of mslink; "" when there is none.
    std::u16string operator()(long mslink, const char *column) const
    {
        auto it = byKey_.find(mslink);
        return it == byKey_.end() ? u"" : wide(*it->second, column);
    }

  private:
    std::unordered_map<long, const Row *> byKey_;
};

} // namespace mdlhost::gis

using namespace mdlhost;
using namespace mdlhost::gis;

// --- system ------------------------------------------------------------------------------
// Each application keeps its own map system functions, so that two GIS
// applications (the GIS build and the editing tool) loaded at once each get
// theirs, with their owner current while it runs, as every hook of the
// host.  Functions set outside any application (the host's own, tests)
// belong to owner 0 and run with no application current.

namespace {

struct SystemFunctions {
    int owner; // process number; 0: outside any application
    GeoSystemFunction fn[GEO_SYSTEM_FUNCTIONS + 1] = {};
};

struct Session {
    std::unique_ptr<GeoProject> project;
    std::vector<SystemFunctions> functions; // in the order the owners first set one
    std::vector<int> users;                 // owners of mdlMap_initializeApplication
};

Session &session()
{
    static Session g;
    return g;
}

// An unloaded application's functions and use die with it.
void forgetApplication(MdlDesc *desc)
{
    int owner = mdlSystem_getProcessNumberFromMdlDesc(desc);
    Session &g = session();
    std::erase_if(g.functions, [owner](const SystemFunctions &f) { return f.owner == owner; });
    std::erase(g.users, owner);
}

// The current application's process number (0 outside any), listening
// for unloads from the first time an application is kept.
int ownerNow()
{
    static bool listening = false;
    if (!listening) {
        mdlhost_addUnloadListener(forgetApplication);
        listening = true;
    }
    MdlDesc *d = mdlSystem_getCurrMdlDesc();
    return d ? mdlSystem_getProcessNumberFromMdlDesc(d) : 0;
}

struct SystemCall {
    int number;
    GeoSystemFunction fn;
    int argument; // function 4: the active feature index
};

// Through the dispatcher, so that the owner is current and counted as
// running (an unload it asks for waits until it returns).
int callSystemFunction(void *arg)
{
    auto *c = static_cast<SystemCall *>(arg);
    if (c->number == GEO_SYSTEM_ACTIVE_FEATURE)
        reinterpret_cast<GeoActiveFeatureFunction>(c->fn)(c->argument);
    else
        c->fn();
    return 0;
}

// Calls every owner's function number.  Each is looked up again just
// before its call: an earlier one may have set, cleared or unloaded.
void callSystemFunctions(int number, int argument = 0)
{
    std::vector<int> owners;
    for (const SystemFunctions &f : session().functions)
        owners.push_back(f.owner);
    for (int owner : owners) {
        auto &all = session().functions;
        auto it = std::find_if(all.begin(), all.end(), [owner](const SystemFunctions &f) { return f.owner == owner; });
        if (it == all.end() || !it->fn[number])
            continue;
        SystemCall call{number, it->fn[number], argument};
        if (owner == 0) {
            MdlDesc *was = mdlhost_setCurrMdlDesc(nullptr);
            int wasProcess = mdlSystem_getProcessNumberFromMdlDesc(was);
            callSystemFunction(&call);
            mdlhost_setCurrMdlDesc(mdlSystem_getMdlDescFromProcessNumber(wasProcess));
            continue;
        }
        MdlDesc *desc = mdlSystem_getMdlDescFromProcessNumber(owner);
        if (desc)
            dlmSystem_callAnyFunction(desc, reinterpret_cast<MdlFunctionP>(callSystemFunction), "P", &call);
    }
}

} // namespace

int mdlMapSystem_setFunction(int number, GeoSystemFunction fn)
{
    if (number != GEO_SYSTEM_PROJECT_OPENED && number != GEO_SYSTEM_PROJECT_CLOSING &&
        number != GEO_SYSTEM_ACTIVE_FEATURE)
        return -1;
    int owner = ownerNow();
    auto &all = session().functions;
    auto it = std::find_if(all.begin(), all.end(), [owner](const SystemFunctions &f) { return f.owner == owner; });
    if (it == all.end()) {
        if (!fn)
            return 0;
        it = all.insert(all.end(), SystemFunctions{owner});
    }
    it->fn[number] = fn;
    return 0;
}

// --- open --------------------------------------------------------------------------------

namespace {

std::u16string wideOf(std::string_view latin1) { return utf8ToUtf16(latin1ToUtf8(latin1)); }

// Join names fold as the GIS build's database layer folds the names it asks
// for: ASCII letters only, so "m\xE5lemetodeid" meets "M\xE5LEMETODEID".
void copyWide(char16_t (&to)[GEO_JOIN_NAME_SIZE], const std::string &latin1)
{
    std::u16string w = wideOf(asciiUpperCased(latin1));
    size_t n = std::min(w.size(), static_cast<size_t>(GEO_JOIN_NAME_SIZE - 1));
    std::copy_n(w.data(), n, to);
    to[n] = 0;
}

// A server's scheme ("pg:", "postgresql://", "postgres://") that starts
// name; "" for a file.
std::string_view serverScheme(std::string_view name)
{
    for (std::string_view scheme : {"pg:", "postgresql://", "postgres://"})
        if (name.substr(0, scheme.size()) == scheme)
            return scheme;
    return {};
}

// A configuration variable's value, "" when unset.
std::string setting(const char *name)
{
    std::string v;
    return cfgLookup(name, v) ? std::string(trimmed(v)) : std::string();
}

// A switch of the configuration: "0" off, anything else on; fallback when
// unset.
int switchSetting(const char *name, int fallback)
{
    std::string v = setting(name);
    return v.empty() ? fallback : v != "0";
}

// A directory setting, ending with its separator; fallback when unset.
std::u16string directorySetting(const char *name, const std::string &fallback)
{
    std::string d = setting(name);
    if (d.empty())
        d = fallback;
    if (!d.empty() && d.back() != '/' && d.back() != '\\')
        d += d.find('\\') != std::string::npos ? '\\' : '/';
    return wideOf(d);
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
        p.entityTables.push_back(asciiUpperCased(t));
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
    Companions extension(extra, column(kUgcategory, "category"));
    for (auto &r : rows) {
        GeoCategory c;
        c.mslink = number(r, column(kCategory, "mslink"));
        c.name = wide(r, column(kCategory, "cname"));
        c.indexFile = wide(r, column(kCategory, "indexname"));
        c.extension = extension(c.mslink, column(kUgcategory, "dgnfex"));
        p.categories.push_back(std::move(c));
    }

    if (!readAll(kFeature, rows, column(kFeature, "mslink")))
        return false;
    readAll(kUgfeature, extra);
    Companions styleName(extra, column(kUgfeature, "feature"));
    std::unordered_map<long, int> categoryIndex;
    for (size_t i = 0; i < p.categories.size(); ++i)
        categoryIndex[p.categories[i].mslink] = static_cast<int>(i); // the last of an mslink, as before
    for (auto &r : rows) {
        GeoFeature f;
        f.mslink = number(r, column(kFeature, "mslink"));
        f.code = wide(r, column(kFeature, "fcode"));
        f.name = wide(r, column(kFeature, "fname"));
        long category = number(r, column(kFeature, "category"));
        if (auto it = categoryIndex.find(category); category > 0 && it != categoryIndex.end())
            f.categoryIndex = it->second;
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
        f.styleName = styleName(f.mslink, column(kUgfeature, "lsname"));
        p.features.push_back(std::move(f));
    }

    if (!readAll(kMaps, rows, column(kMaps, "mslink")))
        return false;
    readAll(kUgmap, extra);
    Companions folder(extra, column(kUgmap, "mapid"));
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
        map.folder = folder(m, column(kUgmap, "mdir"));
        p.maps[static_cast<size_t>(m - 1)] = std::move(map);
    }

    // Folder and name, which joined give the project's text that opens it
    // again (the GIS build keeps it only when the folder is not empty): a
    // file's folder with its separator and its name, or a server's scheme
    // ("pg:") and its connection text.
    bool file = mdlhost_dbServerType() == MDLDB_SERVER_SQLITE;
    size_t cut = file ? name.find_last_of("/\\") : serverScheme(name).size();
    if (cut != std::string::npos && file)
        ++cut;
    if (cut == std::string::npos)
        cut = 0;
    p.folder = wideOf(name.substr(0, cut));
    p.name = wideOf(name.substr(cut));
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
    b.considerZ = switchSetting("MDLHOST_GISCONSIDERZ", 1);
    b.userName = p.user.c_str();
    b.userValue = p.value.c_str();
    // A file project keeps its maps beside it unless told otherwise.
    std::string home = file ? name.substr(0, cut) : std::string();
    p.seedDir = directorySetting("MDLHOST_GISSEEDDIR", home);
    p.mapDir = directorySetting("MDLHOST_GISMAPDIR", home);
    p.indexDir = directorySetting("MDLHOST_GISINDEXDIR", home);
    b.seedDirectory = p.seedDir.c_str();
    b.mapDirectory = p.mapDir.c_str();
    b.indexDirectory = p.indexDir.c_str();
    double tolerance = 0;
    b.strokeTolerance =
        parseDouble(setting("MDLHOST_GISSTROKETOLERANCE"), tolerance) && std::isfinite(tolerance) && tolerance > 0
            ? tolerance
            : 0.01;
    b.redisplay = switchSetting("MDLHOST_GISREDISPLAY", 1);
    b.currentFeature = -1;
    b.currentCommand = 0;
    return true;
}

// A libpq keyword value, quoted.
std::string pgValue(std::string_view v)
{
    std::string out = "'";
    for (char c : v) {
        if (c == '\\' || c == '\'')
            out += '\\';
        out += c;
    }
    return out + "'";
}

// A URI query value, percent-encoded.
std::string uriValue(std::string_view v)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : v) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// The name to connect with: a server project's connection text with the
// user and password added (a file has no one to log in).
std::string connectionFor(const std::string &name, const std::string &user, const std::string &value)
{
    std::string_view scheme = serverScheme(name);
    if (scheme.empty() || (user.empty() && value.empty()))
        return name;
    std::string s = name;
    if (scheme == "pg:") {
        if (!user.empty())
            s += " user=" + pgValue(user);
        if (!value.empty())
            s += " password=" + pgValue(value);
        return s;
    }
    char sep = name.find('?') == std::string::npos ? '?' : '&';
    if (!user.empty()) {
        s += sep + ("user=" + uriValue(user));
        sep = '&';
    }
    if (!value.empty())
        s += sep + ("password=" + uriValue(value));
    return s;
}

std::string latin1Of(const char16_t *w)
{
    return w ? utf8ToLatin1(utf16ToUtf8(w, std::char_traits<char16_t>::length(w))) : std::string();
}

int openProject(std::string name, const std::string &user, const std::string &value)
{
    Session &g = session();
    if (g.project)
        mdlMapProject_close();
    if (name.empty() && (!cfgLookup("MDLHOST_GISPROJECT", name) || name.empty()))
        return -1;
    if (mdlhost_dbOpen(connectionFor(name, user, value).c_str()) != 0)
        return -1;
    auto p = std::make_unique<GeoProject>();
    p->user = wideOf(user);
    p->value = wideOf(value);
    if (!load(*p, name)) {
        mdlhost_dbSetEntities(0, nullptr, nullptr);
        mdlhost_dbClose();
        return -1;
    }
    g.project = std::move(p);
    dgn::setAddFilter(linkCurrentFeature);
    callSystemFunctions(GEO_SYSTEM_PROJECT_OPENED);
    return 0;
}

} // namespace

int mdlMapProject_close(void)
{
    Session &g = session();
    if (!g.project)
        return -1;
    callSystemFunctions(GEO_SYSTEM_PROJECT_CLOSING);
    // A function may have closed it already.
    if (!g.project)
        return 0;
    dgn::setAddFilter(nullptr);
    g.project.reset();
    mdlhost_dbSetEntities(0, nullptr, nullptr);
    mdlhost_dbClose();
    return 0;
}

int mdlMapProject_open(const char *project) { return openProject(project ? project : "", "", ""); }

int mdlhost_gisOpenProjectFor(const char16_t *project, const char16_t *user, const char16_t *value)
{
    return openProject(latin1Of(project), latin1Of(user), latin1Of(value));
}

GeoProject *geoProject_getActive(void) { return session().project.get(); }

int mdlMap_initializeApplication(void)
{
    Session &g = session();
    if (!g.project && mdlMapProject_open(nullptr) != 0)
        return 0;
    int owner = ownerNow();
    if (std::find(g.users.begin(), g.users.end(), owner) == g.users.end())
        g.users.push_back(owner);
    return 1;
}

void mdlMap_unloadApplication(int)
{
    Session &g = session();
    int owner = ownerNow();
    std::erase_if(g.functions, [owner](const SystemFunctions &f) { return f.owner == owner; });
    std::erase(g.users, owner);
    if (g.users.empty())
        mdlMapProject_close();
}

// --- project --------------------------------------------------------------------------------

GeoControlBlock *mdlhost_gisControlBlock(void)
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
    int was = p->activeFeature;
    p->activeFeature = index < 0 ? -1 : index;
    if (p->activeFeature != was)
        callSystemFunctions(GEO_SYSTEM_ACTIVE_FEATURE, p->activeFeature);
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

namespace {

// A path as the file system knows it, for comparing: drive mapped, either
// separator, "." and ".." and doubled separators resolved.  A drive
// without a directory cannot be mapped and is compared as written.
std::string comparablePath(const std::string &latin1)
{
    std::string m = mappedPath(latin1.c_str());
    if (m.empty()) {
        m = latin1;
        std::replace(m.begin(), m.end(), '\\', '/');
    }
    return std::filesystem::path(m).lexically_normal().string();
}

std::string mapPath(const GeoMap &m) { return utf8ToLatin1(utf16ToUtf8(m.folder + m.name)); }

} // namespace

int mdlMap_indexFromMapName(const char16_t *path, int *index)
{
    GeoProject *p = geoProject_getActive();
    if (!p || !path || !index)
        return -1;
    std::string wanted = comparablePath(latin1Of(path));
    for (size_t i = 0; i < p->maps.size(); ++i) {
        if (p->maps[i] && sameName(comparablePath(mapPath(*p->maps[i])), wanted)) {
            *index = static_cast<int>(i);
            return 0;
        }
    }
    return -1;
}

DgnModelRefP mdlMap_modelRefFromMapIndex(int index)
{
    GeoMap *map = geoProject_getMap(geoProject_getActive(), index);
    if (!map)
        return 0;
    std::string wanted = comparablePath(mapPath(*map));
    ModelRefIterator *it = nullptr;
    if (mdlModelRefIterator_create(&it, mdlModelRef_getActive(), MODELREF_ITERATE_REFERENCES) != 0)
        return 0;
    DgnModelRefP found = 0;
    while (DgnModelRefP ref = mdlModelRefIterator_getNext(it)) {
        char spec[MDLHOST_MAXFILELENGTH] = "";
        if (mdlRefFile_getParameters(spec, REFERENCE_FILESPEC, ref) == 0 &&
            sameName(comparablePath(spec), wanted)) {
            found = ref;
            break;
        }
    }
    mdlModelRefIterator_free(&it);
    return found;
}

int mdlMap_attachMap(int index)
{
    GeoMap *map = geoProject_getMap(geoProject_getActive(), index);
    if (!map)
        return -1;
    if (mdlMap_modelRefFromMapIndex(index))
        return 0;
    std::string spec = mapPath(*map);
    std::string logical = utf8ToLatin1(utf16ToUtf8(map->name));
    if (spec.size() >= MDLHOST_MAXFILELENGTH || logical.size() >= MDLHOST_MAXFILELENGTH)
        return -1;
    DgnModelRefP ref = 0;
    if (mdlRefFile_attachCoincident(&ref, spec.c_str(), logical.c_str(), "GIS map", 0, 1, 1) != 0)
        return -1;
    if (mdlRefFile_writeAttachment(ref) != 0) {
        mdlRefFile_detach(ref);
        return -1;
    }
    return 0;
}

// --- database ------------------------------------------------------------------------

int mdlMap_describeDatabase(StringList **tables)
{
    if (!tables)
        return -1;
    *tables = nullptr;
    // The database alone: its check runs also before a project is in it.
    if (!mdlhost_dbIsOpen())
        return -1;
    const char *sql = mdlhost_dbServerType() == MDLDB_SERVER_POSTGRESQL
                          ? "select table_name from information_schema.tables where table_schema = current_schema()"
                          : "select name from sqlite_master where type in ('table', 'view') "
                            "and name not like 'sqlite\\_%' escape '\\'";
    std::vector<Row> rows;
    if (!readTable(sql, rows))
        return -1;
    std::vector<std::string> names;
    for (const Row &r : rows)
        if (!r.empty() && r.begin()->second)
            names.push_back(*r.begin()->second);
    std::sort(names.begin(), names.end());
    StringList *list = mdlStringList_create(0, 0);
    if (!list)
        return -1;
    for (const std::string &n : names) {
        long at = 0;
        if (mdlStringList_insertMember(&at, list, -1, 1) != 0 || mdlStringList_setMember(list, at, n.c_str(), nullptr) != 0) {
            mdlStringList_destroy(list);
            return -1;
        }
    }
    *tables = list;
    return 0;
}

int mdlhost_gisShowQuery(const char *select)
{
    std::string_view sql = trimmed(select ? select : "");
    if (!mdlhost_dbIsOpen()) {
        toolSubsystem_printf("vsql: no database is open\n");
        return -1;
    }
    // A viewer: it reads and never changes what it shows.
    if (sql.size() < 7 || !sameName(sql.substr(0, 6), "select") || !std::isspace(static_cast<unsigned char>(sql[6]))) {
        toolSubsystem_printf("vsql: only a select can be shown: %.*s\n", static_cast<int>(sql.size()), sql.data());
        return -1;
    }
    std::string statement(sql);
    if (mdlDB_openCursor(statement.c_str()) != 0) {
        char error[512];
        mdlDB_getErrorText(error, sizeof error);
        toolSubsystem_printf("vsql: %s\n%s\n", statement.c_str(), error);
        return -1;
    }
    toolSubsystem_printf("vsql: %s\n", statement.c_str());
    MS_SQLDA r{};
    long rows = 0;
    while (mdlDB_fetchRow(&r) == 0) {
        std::string line;
        for (int c = 0; c < r.numColumns; ++c) {
            line += c ? ", " : "";
            line += std::string(r.columns[c].name) + "=" + (r.values[c] ? r.values[c] : "NULL");
        }
        toolSubsystem_printf("%s\n", line.c_str());
        ++rows;
    }
    mdlDB_closeCursor();
    toolSubsystem_printf("%ld rows\n", rows);
    return 0;
}

// --- current ------------------------------------------------------------------

int mdlMapFeature_setCurrent(int featureIndex)
{
    GeoProject *p = geoProject_getActive();
    if (!geoProject_getFeature(p, featureIndex))
        return -1;
    p->fcb.currentFeature = featureIndex;
    p->fcb.currentCommand = 1;
    return 0;
}

int mdlMapFeature_clearCurrentCommand(void)
{
    GeoProject *p = geoProject_getActive();
    if (!p)
        return -1;
    p->fcb.currentCommand = 0;
    return 0;
}

int mdlMapFeature_clearCurrent(void)
{
    GeoProject *p = geoProject_getActive();
    if (!p)
        return -1;
    p->fcb.currentFeature = -1;
    p->fcb.currentCommand = 0;
    return 0;
}

StringList *mdlMapGroup_getFeatureInfo(int categoryIndex, int kind)
{
    GeoProject *p = geoProject_getActive();
    if (!p || (kind != GEO_FEATUREINFO_CODE && kind != GEO_FEATUREINFO_NAME) ||
        (categoryIndex != -1 && !geoProject_getCategory(p, categoryIndex)))
        return nullptr;
    StringList *list = mdlStringList_create(0, 2);
    if (!list)
        return nullptr;
    for (size_t i = 0; i < p->features.size(); ++i) {
        const GeoFeature &f = p->features[i];
        if (categoryIndex != -1 && f.categoryIndex != categoryIndex)
            continue;
        std::string text = utf8ToLatin1(utf16ToUtf8(kind == GEO_FEATUREINFO_CODE ? f.code : f.name));
        long info[2] = {static_cast<long>(i), f.categoryIndex};
        long at = 0;
        if (mdlStringList_insertMember(&at, list, -1, 1) != 0 || mdlStringList_setMember(list, at, text.c_str(), info) != 0) {
            mdlStringList_destroy(list);
            return nullptr;
        }
    }
    return list;
}

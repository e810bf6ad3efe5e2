// The CRS a design file's features are in: an EPSG code kept in the file's
// settings, its definition taken from PROJ's database.
//   - PROJ lookup: name and WKT of a code (PROJ opened on first use)
//   - settings: set and get the file's code
#include <cstring>
#include <string>

#include <proj.h>

#include "base/lazy_host.h"
#include "dgnstore_int.h"
#include "dgn/mdldgn.h"

using namespace mdlhost::dgn;

// --- PROJ lookup --------------------------------------------------------------------

namespace {

struct CrsText {
    std::string name, wkt;
};

// PROJ and what it pulls in (network, TLS and image libraries) is opened
// the first time a code is looked up: only setting a CRS needs it.
#define HOST_PROJ_FUNCTIONS(X) X(proj_context_create) X(proj_context_destroy) X(proj_log_level) \
    X(proj_create_from_database) X(proj_get_name) X(proj_as_wkt) X(proj_destroy)
MDLHOST_LAZY_LIBRARY(ProjApi, projApi, HOST_PROJ_LIBRARY, HOST_PROJ_FUNCTIONS)

// Name and WKT (OGC 1, as GeoPackage 1.x asks) of EPSG code; false when PROJ
// does not know it as a CRS, or cannot be loaded.
bool lookUp(int code, CrsText &out)
{
    const ProjApi &pj = projApi();
    if (!pj.ok)
        return false;
    PJ_CONTEXT *ctx = pj.proj_context_create();
    if (ctx == nullptr)
        return false;
    pj.proj_log_level(ctx, PJ_LOG_NONE);
    std::string text = std::to_string(code);
    PJ *crs = pj.proj_create_from_database(ctx, "EPSG", text.c_str(), PJ_CATEGORY_CRS, 0, nullptr);
    bool ok = false;
    if (crs) {
        const char *name = pj.proj_get_name(crs);
        const char *wkt = pj.proj_as_wkt(ctx, crs, PJ_WKT1_GDAL, nullptr);
        if (name && wkt) {
            out.name = name;
            out.wkt = wkt;
            ok = true;
        }
        pj.proj_destroy(crs);
    }
    pj.proj_context_destroy(ctx);
    return ok;
}

int step(DgnFile &f, const char *sql, int code, const std::string *a = nullptr, const std::string *b = nullptr)
{
    sqlite3_stmt *s = fileStatement(f, sql);
    if (s == nullptr)
        return mdlErrno;
    sqlite3_bind_int(s, 1, code);
    if (a)
        sqlite3_bind_text(s, 2, a->c_str(), -1, SQLITE_TRANSIENT);
    if (b)
        sqlite3_bind_text(s, 3, b->c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(s);
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    return rc == SQLITE_DONE ? 0 : storeError(rc);
}

} // namespace

namespace mdlhost::dgn {

FeatureFrame featureFrame(const Model &m)
{
    FeatureFrame f;
    f.srsId = kUorSrsId;
    if (m.file->epsg > 0 && m.uorPerMaster > 0) {
        f.srsId = m.file->epsg;
        f.scale = 1.0 / m.uorPerMaster;
        f.offset = m.origin;
    }
    return f;
}

} // namespace mdlhost::dgn

// --- settings -------------------------------------------------------------------------

int mdlhost_dgnGetEpsg(DgnModelRefP model)
{
    Model *m = needModel(model);
    return m ? m->file->epsg : 0;
}

int mdlhost_dgnSetEpsg(DgnModelRefP model, int epsg)
{
    Model *m = needModel(model);
    if (m == nullptr)
        return mdlErrno;
    DgnFile &f = *m->file;
    if (epsg == f.epsg)
        return mdlErrno = 0;
    CrsText crs;
    if (epsg < 0 || (epsg > 0 && !lookUp(epsg, crs)))
        return mdlErrno = DGNERR_BADARG;
    // Features already written stay in the frame they were written in, so
    // the code is set only while the file holds no element.
    sqlite3_stmt *s = fileStatement(f, "SELECT 1 FROM dgn_elements LIMIT 1");
    if (s == nullptr)
        return mdlErrno;
    bool any = sqlite3_step(s) == SQLITE_ROW;
    sqlite3_reset(s);
    if (any)
        return mdlErrno = DGNERR_BADARG;
    StoreWrite w(model);
    if (!w.ok())
        return w.error();
    int srs = epsg > 0 ? epsg : kUorSrsId;
    std::string value = std::to_string(epsg);
    int error = 0;
    if (epsg > 0)
        error = step(f,
                     "INSERT OR REPLACE INTO gpkg_spatial_ref_sys (srs_name, srs_id, organization, "
                     "organization_coordsys_id, definition, description) VALUES (?2, ?1, 'EPSG', ?1, ?3, NULL)",
                     epsg, &crs.name, &crs.wkt);
    if (error == 0)
        error = step(f,
                     "UPDATE gpkg_contents SET srs_id = ?1, min_x = NULL, min_y = NULL, max_x = NULL, max_y = NULL "
                     "WHERE table_name IN (SELECT feature_table FROM dgn_models)",
                     srs);
    if (error == 0)
        error = step(f, "UPDATE gpkg_geometry_columns SET srs_id = ?1 WHERE table_name IN "
                        "(SELECT feature_table FROM dgn_models)", srs);
    if (error == 0)
        error = step(f, "INSERT OR REPLACE INTO dgn_settings (key, value) VALUES ('epsg', ?2)", 0, &value);
    if (error != 0)
        return w.fail(error);
    f.epsg = epsg;
    f.extents.clear();
    f.dirty = true;
    error = w.finish();
    if (error != 0)
        reloadState(f);
    return error;
}

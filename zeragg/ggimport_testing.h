// A GIS project on each back end with the GIS build connected to it, an
// active 2D design file and a seed, map and index folder of its own; for
// the import's tests.
#ifndef ZERAGG_GGIMPORT_TESTING_H
#define ZERAGG_GGIMPORT_TESTING_H

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "brukerdata.h"
#include "db_testing.h"
#include "ggimport.h"
#include "gis/mdlgis.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "zeraggdb.h"
#include "ggmodul_testing.h"
#include "zvlibmain.h"

namespace ggtesting {

class GGImportTest : public ::testing::TestWithParam<const char *> {
  protected:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "ggimport-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl + "/";
        mdlhost_clearTextWindow();
        DPoint3d origo{0, 0, 0};
        ASSERT_EQ(mdlhost_dgnCreateFile((dir_ + "design.dgn").c_str(), 0, 1000.0, "m", &origo), 0);
        ASSERT_EQ(mdlSystem_newDesignFile((dir_ + "design.dgn").c_str()), 0);
        ASSERT_EQ(mdlhost_dgnCreateFile((dir_ + "seed2d.dgn").c_str(), 0, 1000.0, "m", &origo), 0);
        app_ = mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeragg/zvzeragg.rsc");
        ASSERT_NE(app_, nullptr);
        forrige_ = mdlhost_setCurrMdlDesc(app_);
        char *argv[] = {const_cast<char *>("zvzera.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvZera", 2, argv), 0);
        for (const char *v : {"MDLHOST_GISSEEDDIR", "MDLHOST_GISMAPDIR", "MDLHOST_GISINDEXDIR"})
            mdlSystem_defineCfgVar(v, dir_.c_str());
        DBTEST_OPEN(db_, GetParam());
        ASSERT_EQ(mdlhost_gisCreateProject(db_.name().c_str()), 0);
        ASSERT_EQ(LagZeraTabeller(), 0);
        run({"insert into category (mslink, cname, indexname) values (1, 'Veg', 'index.dgn')",
             "insert into ugcategory (category, dgnfex) values (1, 'dgn')"});
        prepare();
        if (HasFatalFailure())
            return;
        std::memset(&data_, 0, sizeof data_);
        brukerDataP = &data_;
        std::snprintf(data_.seedFil, sizeof data_.seedFil, "%sseed2d.dgn", dir_.c_str());
        data_.importMaal = -2;
        apne();
        std::memset(&Elm, 0, sizeof Elm);
        std::memset(&Bmw, 0, sizeof Bmw);
    }
    void TearDown() override
    {
        lukkArbeidsfiler();
        GGRaderFullfor();
        FrigiGGImportMaal();
        frigiGGModul();
        brukerDataP = nullptr;
        for (const char *v : {"MDLHOST_GISSEEDDIR", "MDLHOST_GISMAPDIR", "MDLHOST_GISINDEXDIR"})
            mdlSystem_defineCfgVar(v, nullptr);
        mdlRefFile_detach(REFERENCE_ALL);
        mdlhost_closeDesignFile();
        if (app_) {
            mdlhost_setCurrMdlDesc(forrige_);
            mdlhost_forgetResources(app_);
            mdlhost_unregisterApplication(app_);
        }
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // Statements of the project before it opens.
    virtual void prepare() {}

    // Opens the project (again) and connects; the import starts anew with
    // every category chosen.
    void apne()
    {
        ASSERT_EQ(mdlMapProject_open(db_.name().c_str()), 0);
        ASSERT_EQ(KobleTilGeoGraphics(), 0);
        NullstillGGImportMaal();
        zeraGGData->kartIndeks = -1;
        GeoProject *p = geoProject_getActive();
        for (int i = 0; zeraGGData->kategoriValgt && i < geoProject_getCategoryCount(p); ++i)
            zeraGGData->kategoriValgt[i] = 1;
    }
    void lukkArbeidsfiler()
    {
        for (int i = 0; zeraGGData && i < zeraGGData->antallKartFiler; ++i)
            if (zeraGGData->kartFiler[i].arbeidsfil) {
                mdlWorkDgn_closeFile(zeraGGData->kartFiler[i].arbeidsfil);
                zeraGGData->kartFiler[i].arbeidsfil = 0;
            }
    }

    static void run(std::initializer_list<std::string> sql)
    {
        for (auto &s : sql)
            ASSERT_EQ(mdlDB_processSQL(s.c_str()), 0) << s << ": " << error();
    }
    static std::string error()
    {
        char e[512];
        mdlDB_getErrorText(e, sizeof e);
        return e;
    }
    static std::string query(const std::string &sql)
    {
        char out[MDLDB_VALUE_SIZE] = {};
        if (mdlDB_sqlQuery(out, sql.c_str()) != 0)
            return "<null>";
        return out;
    }
    // Every value of a column, "<null>" for NULL.
    static std::multiset<std::string> column(const std::string &sql)
    {
        std::multiset<std::string> all;
        EXPECT_EQ(mdlDB_openCursor(sql.c_str()), 0) << sql << ": " << error();
        MS_SQLDA r{};
        while (mdlDB_fetchRow(&r) == 0)
            all.insert(r.values[0] ? r.values[0] : "<null>");
        mdlDB_closeCursor();
        return all;
    }
    static std::string textWindow() { return mdlhost_textWindow(); }
    static int count(const std::string &text, const std::string &part)
    {
        int n = 0;
        for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1))
            ++n;
        return n;
    }
    // The current object: type, themes, serial.
    static void objekt(int type, std::initializer_list<const char *> temaer, int serial = 1)
    {
        Elm.type = static_cast<int16_t>(type);
        Elm.serial = serial;
        Elm.themeCount = 0;
        for (const char *t : temaer)
            std::snprintf(Elm.theme[Elm.themeCount++], ZERA_THEME_LEN, "%s", t);
    }
    // The object's attribute lines, as the engine keeps them.
    static void linjer(const std::string &rest)
    {
        std::snprintf(Elm.rest, sizeof Elm.rest, "%s", rest.c_str());
        Elm.restLen = static_cast<int16_t>(std::strlen(Elm.rest));
    }
    void omfang(double minN, double minE, double maxN, double maxE)
    {
        data_.hode.minN = minN;
        data_.hode.minE = minE;
        data_.hode.maxN = maxN;
        data_.hode.maxE = maxE;
    }

    std::string dir_;
    dbtesting::TestDatabase db_;
    zeraBrukerGrensesnittData data_{};
    MdlDesc *app_ = nullptr, *forrige_ = nullptr;
};

} // namespace ggtesting

#endif

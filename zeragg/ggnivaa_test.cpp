// Levels from the project's features, in the active design file.
#include <string>

#include <gtest/gtest.h>

#include "dgn_testing.h"
#include "ggoppsett.h"
#include "mdlhost.h"
#include "zvlibmain.h"

namespace {

class NivaaTest : public dgntest::DgnTest {
  protected:
    void SetUp() override
    {
        DgnTest::SetUp();
        if (HasFatalFailure())
            return;
        app_ = mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeragg/zvzeragg.rsc");
        ASSERT_NE(app_, nullptr);
        previous_ = mdlhost_setCurrMdlDesc(app_);
        char *argv[] = {const_cast<char *>("zvzera.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvZera", 2, argv), 0);
        ASSERT_EQ(mdlhost_gisCreateProject(path("prosjekt.db").c_str()), 0);
    }
    void TearDown() override
    {
        mdlMapProject_close();
        mdlhost_dbClose();
        if (app_ != nullptr) {
            mdlhost_setCurrMdlDesc(previous_);
            mdlhost_forgetResources(app_);
            mdlhost_unregisterApplication(app_);
        }
        DgnTest::TearDown();
    }
    static std::u16string description(const char16_t *level)
    {
        uint32_t id = 0;
        if (mdlLevel_getIdFromName(&id, mdlModelRef_getActive(), level) != 0)
            return u"(none)";
        char16_t d[128] = {};
        mdlLevel_getDescription(d, 128, mdlModelRef_getActive(), id);
        return d;
    }
    MdlDesc *app_ = nullptr, *previous_ = nullptr;
};

TEST_F(NivaaTest, ALevelPerThemeAndPerFeatureCodeDescribedByTheFeaturesName)
{
    for (const char *sql : {
             "insert into feature (mslink, fcode, fname, fcolor, fweight, fstyle) values (1, '1001F', '1001F_Bygning', 3, 2, 1)",
             "insert into feature (mslink, fcode, fname) values (2, 'UDEFP', 'Ukjent punkttema')",
             "insert into feature (mslink, fcode, fname) values (3, 'ABCD', 'ABCD_Fire')",
             "insert into feature (mslink, fcode, fname) values (4, '100101', '100101_Seks')",
             "insert into feature (mslink, fcode, fname) values (5, '2001L', '2001L')",
         })
        ASSERT_EQ(mdlDB_processSQL(sql), 0) << sql;
    uint32_t eldre = 0;
    ASSERT_EQ(mdlLevel_create(mdlModelRef_getActive(), u"2001", &eldre), 0);
    ASSERT_EQ(mdlLevel_setDescription(mdlModelRef_getActive(), eldre, u"Eldre"), 0);
    ASSERT_EQ(mdlMapProject_open(path("prosjekt.db").c_str()), 0);

    EXPECT_EQ(ZeraDatabaseToDgnlib(nullptr), 0);
    struct Case {
        const char16_t *level, *description;
    } cases[] = {
        {u"1001", u"Bygning"}, {u"1001F", u"Bygning"}, {u"2001", u"Eldre"},     {u"2001L", u""},
        {u"UDEFP", u"(none)"}, {u"UDEF", u"(none)"},   {u"ABCD", u"(none)"},    {u"100101", u"(none)"},
        {u"1001", u"Bygning"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(description(c.level), c.description) << std::string(c.level, c.level + 4);
}

} // namespace

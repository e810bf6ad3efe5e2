// Progress on the text window and the completion bar, log and LandXML
// names, the FKB list and the ZVZERA menu bar, in the ZERA application
// registered with its own resources.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "brukerdata.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "testing/zvlib_testing.h"
#include "zvlibmain.h"
#include "zvlibtext.h"
#include "zvzera.h"

namespace {

class FremdriftTest : public zvlibtest::AppTest {
  protected:
    FremdriftTest()
        : AppTest("ZVZERA", "Include \"" ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc\"\n", {.dirPrefix = "fremdrift"})
    {
    }
    void afterRegister() override
    {
        char *argv[] = {const_cast<char *>("zvzera.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvZera", 2, argv), 0);
        ASSERT_NE(InitBrukerData(), nullptr);
        batchModus = 0;
        rapportTilFil = 0;
        fremdriftsLinje = nullptr;
        mdlhost_clearTextWindow();
        mdlhost_clearMessageFields();
    }
    void TearDown() override
    {
        if (fremdriftsLinje)
            mdlDialog_completionBarClose(fremdriftsLinje);
        fremdriftsLinje = nullptr;
        batchModus = 0;
        rapportTilFil = 0;
        FrigjorBrukerData();
        memset(&Fkbtab, 0, sizeof Fkbtab);
        settXMLFil(nullptr);
        AppTest::TearDown();
    }
    static std::string bar()
    {
        const char *t = nullptr;
        int p = -1;
        return mdlhost_completionBarState(&t, &p) ? std::string(t) + "|" + std::to_string(p) : "closed";
    }
};

TEST_F(FremdriftTest, BatchWritesPassesAndDotsOnTheTextWindow)
{
    struct Kall {
        double p;
        int fase;
    };
    const Kall toPass[] = {{0, 1}, {4, 1}, {5, 1}, {100, 1}, {0, 2}, {8, 2}, {100, 2}};
    batchModus = 1;
    for (const Kall &k : toPass)
        EXPECT_EQ(prosent_ferdig(k.p, k.fase), 0);
    EXPECT_EQ(std::string(mdlhost_textWindow()), "Del 1: ..\nDel 2: ..\n");

    // A run of one pass: dots only, from 0 on.
    mdlhost_clearTextWindow();
    for (double p : {0.0, 3.0, 4.0, 100.0})
        prosent_ferdig(p, 0);
    EXPECT_EQ(std::string(mdlhost_textWindow()), "...");

    // The report has a file of its own: the text window stays quiet.
    mdlhost_clearTextWindow();
    rapportTilFil = 1;
    for (const Kall &k : toPass)
        prosent_ferdig(k.p, k.fase);
    EXPECT_EQ(std::string(mdlhost_textWindow()), "");
}

TEST_F(FremdriftTest, PercentIsCutTowardZeroAndAbove100IsNothing)
{
    batchModus = 1;
    struct Tilfelle {
        double p;
        const char *vindu;
    } tilfeller[] = {
        {100.7, "."}, {101.0, ""}, {1e300, ""}, {NAN, ""}, {-1e300, ""}, {3.99, ""}, {4.2, "."},
    };
    for (const Tilfelle &t : tilfeller) {
        mdlhost_clearTextWindow();
        prosent_ferdig(t.p, 1);
        EXPECT_EQ(std::string(mdlhost_textWindow()), t.vindu) << t.p;
    }
}

TEST_F(FremdriftTest, InteractiveRunsSetTheCompletionBar)
{
    zeraBrukerGrensesnittData *d = brukerDataP;
    zvlib::copyText(d->zeraFil, "D:\\data\\kart.zer");
    d->antallFiler = 3;
    d->filIndeks = 1;
    fremdriftsLinje = mdlDialog_completionBarOpen("");
    ASSERT_NE(fremdriftsLinje, nullptr);

    prosent_ferdig(0, 1);
    EXPECT_EQ(std::string(mdlhost_messageField(0)), "Fil 2 av 3: D:\\data\\kart.zer");
    EXPECT_EQ(bar(), "Fil 2 av 3, del 1 (trinn 2,3)|0");
    prosent_ferdig(40, 2);
    EXPECT_EQ(bar(), "Fil 2 av 3, del 2 (trinn 4)|40");
    prosent_ferdig(50, 0);
    EXPECT_EQ(bar(), "|50");

    d->antallFiler = 1;
    mdlhost_clearMessageFields();
    prosent_ferdig(0, 1);
    EXPECT_EQ(std::string(mdlhost_messageField(0)), "") << "one file: no file message";
    EXPECT_EQ(bar(), "Del 1 (trinn 2,3)|0");
    prosent_ferdig(7, -1);
    EXPECT_EQ(bar(), "|7");

    d->skannModus = 1;
    d->antallFiler = 3;
    prosent_ferdig(60, 1);
    EXPECT_EQ(bar(), "Fil 2 av 3:  D:\\data\\kart.zer|60");
    d->antallFiler = 1;
    prosent_ferdig(70, 1);
    EXPECT_EQ(bar(), "|70");
    EXPECT_EQ(std::string(mdlhost_textWindow()), "") << "nothing on the text window interactively";

    // No bar open: nothing to update, and no failure.
    mdlDialog_completionBarClose(fremdriftsLinje);
    fremdriftsLinje = nullptr;
    prosent_ferdig(80, 1);
    EXPECT_EQ(bar(), "closed");
}

TEST_F(FremdriftTest, LogAndXmlNamesFromTheBaseOrTheZeraFile)
{
    struct Tilfelle {
        const char *base, *zera;
        int indeks;
        const char *logg, *xml;
    } tilfeller[] = {
        {"D:\\logs\\prosjekt.txt", "C:\\x\\y.zer", 0, "D:\\logs\\prosj001.txt", "D:\\logs\\prosj001.txt"},
        {"D:\\logs\\prosjekt.log", "", 1, "D:\\logs\\prosj002.log", "D:\\logs\\prosj002.log"},
        {"D:\\logs\\prosjekt.txt", "", 999, "D:\\logs\\prosj1000.txt", "D:\\logs\\prosj1000.txt"},
        {"a.log", "", 0, "a001.log", "a001.log"},
        {"", "C:\\data\\kart.zer", 5, "C:\\data\\kart.log", "C:\\data\\kart.xml"},
        {"", "/data/kart", 0, "/data/kart.log", "/data/kart.xml"},
    };
    zeraBrukerGrensesnittData *d = brukerDataP;
    for (const Tilfelle &t : tilfeller) {
        LagLoggfilNavnFraZerafilEllerIndeks(t.base, t.zera, t.indeks);
        EXPECT_EQ(std::string(d->loggFil), t.logg) << t.base << " " << t.zera;
        LagXMLfilNavnFraZerafilEllerIndeks(t.base, t.zera, t.indeks);
        EXPECT_EQ(std::string(d->xmlFil), t.xml) << t.base << " " << t.zera;
        EXPECT_EQ(std::string(getXMLFile()), t.xml) << "the engine gets the name";
    }

    // The field itself as the base names the same file as the base would.
    zvlib::copyText(d->loggFil, "a.log");
    LagLoggfilNavnFraZerafilEllerIndeks(d->loggFil, "", 0);
    EXPECT_EQ(std::string(d->loggFil), "a001.log");

    // A base too long for a run's name leaves the field terminated.
    std::string lang = "D:\\" + std::string(240, 'k') + "\\prosjekt.log";
    LagLoggfilNavnFraZerafilEllerIndeks(lang.c_str(), "", 0);
    EXPECT_LT(strlen(d->loggFil), sizeof d->loggFil);
}

TEST_F(FremdriftTest, FkbListHoldsEachGroupWithItsSelection)
{
    StringList *tom = LagStringListFraFkbTabell();
    ASSERT_NE(tom, nullptr);
    EXPECT_EQ(mdlStringList_size(tom), 0);
    mdlStringList_destroy(tom);

    Fkbtab.count = 2;
    zvlib::copyText(Fkbtab.group[0], "FKB");
    zvlib::copyText(Fkbtab.group[1], "HDB");
    Fkbtab.selected[0] = 0;
    Fkbtab.selected[1] = 1;
    StringList *liste = LagStringListFraFkbTabell();
    ASSERT_NE(liste, nullptr);
    ASSERT_EQ(mdlStringList_size(liste), 2);
    EXPECT_EQ(mdlStringList_infoFieldCount(liste), 5);
    const char *navn[] = {"FKB", "HDB"};
    for (long i = 0; i < 2; i++) {
        const char *tekst = nullptr;
        long *info = nullptr;
        ASSERT_EQ(mdlStringList_getMember(&tekst, &info, liste, i), 0);
        EXPECT_STREQ(tekst, navn[i]);
        EXPECT_EQ(info[4], i);
    }
    mdlStringList_destroy(liste);

    // A group name that fills its field and a count past the table.
    memset(Fkbtab.group[0], 'G', MT_FIELD_LEN);
    Fkbtab.count = FKB_MAX_GROUPS + 50;
    liste = LagStringListFraFkbTabell();
    ASSERT_NE(liste, nullptr);
    EXPECT_EQ(mdlStringList_size(liste), FKB_MAX_GROUPS);
    const char *tekst = nullptr;
    ASSERT_EQ(mdlStringList_getMember(&tekst, nullptr, liste, 0), 0);
    EXPECT_EQ(std::string(tekst), std::string(MT_FIELD_LEN, 'G'));
    mdlStringList_destroy(liste);
}

TEST_F(FremdriftTest, MenusGoIntoTheMainDialogsBar)
{
    // Without the main dialog open there is no bar, and nothing is inserted.
    EXPECT_EQ(GetZvZeraMenuBar(), nullptr);
    LeggInnZvZeraMeny(1, 0);

    MSDialog *hoved = mdlDialog_open(nullptr, ZVZERA_HOVEDDIALOG);
    ASSERT_NE(hoved, nullptr);
    MenuBar *linje = GetZvZeraMenuBar();
    ASSERT_NE(linje, nullptr);
    LeggInnZvZeraMeny(3, 0);
    LeggInnZvZeraMeny(1, 3);  // before menu 3
    LeggInnZvZeraMeny(2, 99); // no menu 99: at the end
    std::vector<int> ider;
    for (int i = 0; i < mdlhost_menuBarCount(linje); i++)
        ider.push_back(mdlhost_menuBarMenuId(linje, i, nullptr));
    EXPECT_EQ(ider, (std::vector<int>{1, 3, 2}));
    mdlWindow_close(hoved);
}

} // namespace

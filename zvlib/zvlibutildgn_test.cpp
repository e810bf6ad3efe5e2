#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dgn_testing.h"
#include "mdlhost.h"
#include "zvlibmain.h"
#include "zvlibutil.h"

namespace {

const std::string ZVLIB_RSC = ZERA_SOURCE_DIR "/zvlib/zvlib.rsc";

// An active design file and a registered application that started the
// library.
class ZvlibDgnTest : public dgntest::DgnTest {
  protected:
    void SetUp() override
    {
        DgnTest::SetUp();
        if (HasFatalFailure())
            return;
        saved_ = *tcbP;
        std::string rsc = path("app.rsc");
        std::ofstream(rsc) << "Include \"" << ZVLIB_RSC << "\"\n"
                           << "DialogBox 30100 \"Tall\" {\n"
                              "  Item Text 1 { Access \"zgdP->pageScale\" ; Format \"%.3f\" }\n"
                              "  Item Text 2 { Access \"zgdP->pageScale\" ; Format \"%8.1f\" }\n"
                              "  Item Text 3 { Access \"zgdP->pageScale\" ; Format \"%.12f\" }\n"
                              "  Item Text 4 { Access \"zgdP->pageScale\" ; Format \"%g\" }\n"
                              "}\n";
        mdlSystem_defineCfgVar("ZV_DIR", "/opt/zv");
        app_ = mdlhost_registerApplication("ZVDGN", rsc.c_str());
        ASSERT_NE(app_, nullptr);
        previous_ = mdlhost_setCurrMdlDesc(app_);
        char *argv[] = {const_cast<char *>("app.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvDgn", 2, argv), 0);
        mdlhost_clearTextWindow();
        mdlhost_clearMessageCenter();
    }
    void TearDown() override
    {
        *tcbP = saved_;
        mdlRefFile_detach(REFERENCE_ALL);
        mdlLevelLibrary_detach();
        mdlhost_setCurrMdlDesc(previous_);
        if (app_ != nullptr)
            mdlhost_unregisterApplication(app_);
        for (const char *v : {"ZV_DIR", "ZVDGN_MODE", "MDLHOST_USERPREF"})
            mdlSystem_defineCfgVar(v, nullptr);
        mdlhost_closeUserPrefs();
        DgnTest::TearDown();
    }
    // A design file of its own beside the active one.
    std::string makeDesign(const std::string &name)
    {
        std::string p = path(name);
        DPoint3d origin{0, 0, 0};
        EXPECT_EQ(mdlhost_dgnCreateFile(p.c_str(), 0, 1000, "m", &origin), 0);
        return p;
    }
    Tcb saved_{};
    MdlDesc *app_ = nullptr;
    MdlDesc *previous_ = nullptr;
};

TEST_F(ZvlibDgnTest, UnitConversionsAreKeptInTheRecord)
{
    double *p = zvlibUtil_masterToUORP(2.5);
    EXPECT_EQ(p, &zvlibMain_getGlobalDataP()->unitResult);
    EXPECT_EQ(*p, 2500.0);
    EXPECT_EQ(*zvlibUtil_UORToMasterP(1.0), 0.001) << "one resolution unit in master units";
    EXPECT_EQ(*p, 0.001) << "the next conversion replaces the result";

    // No record: a line on the text window, and the conversion still holds.
    mdlhost_setCurrMdlDesc(nullptr);
    EXPECT_EQ(*zvlibUtil_masterToUORP(3.0), 3000.0);
    EXPECT_STREQ(mdlhost_textWindow(), "Error in zvlib_GetGlobalDataP\n");
    mdlhost_setCurrMdlDesc(app_);

    mdlhost_closeDesignFile();
    EXPECT_EQ(*zvlibUtil_masterToUORP(7.0), 7.0) << "no design file: kept as given";
}

TEST(ZvlibReadout, AccuracyFromTheControlBlockBytes)
{
    struct Case {
        unsigned accuracy, flags;
        int def, decimals;
    } cases[] = {
        {7 << 3, MDLHOST_READOUT_FLAG, -1, 8},
        {0 << 3, MDLHOST_READOUT_FLAG, -1, 5},
        {1 << 3, MDLHOST_READOUT_FLAG, -1, 6},
        {3 << 3, MDLHOST_READOUT_FLAG, -1, 7},
        {15 << 3, MDLHOST_READOUT_FLAG, -1, 9},
        {31 << 3 | 5, MDLHOST_READOUT_FLAG, -1, 10}, // the low bits do not count then
        {2 << 3, MDLHOST_READOUT_FLAG, -1, -1},      // no such step: the default
        {2 << 3, MDLHOST_READOUT_FLAG, -3, -3},
        {7 << 3, MDLHOST_READOUT_FLAG, 2, 2},        // a default of 0 or more wins
        {7 << 3, MDLHOST_READOUT_FLAG | 16 | 1, 0, 0},
        {3, 0, -1, 2},
        {0, 0, 5, 4},
        {7 << 3 | 1, 0, 5, 0},
        {7, 16, 5, 6},                               // bit 4 (value 16) is no flag
        {0x1FF, 0, 5, 6},                            // only the byte counts
    };
    for (const Case &c : cases)
        EXPECT_EQ(zvlibUtil_readoutAccuracy(c.accuracy, c.flags, c.def), c.decimals)
            << c.accuracy << " " << c.flags << " " << c.def;

    Tcb saved = *tcbP;
    tcbP->readoutAccuracy = 7 << 3;
    tcbP->readoutFlags = MDLHOST_READOUT_FLAG;
    EXPECT_EQ(zvlibUtil_getCoordinateReadoutAccuracy(-1), 8);
    tcbP->readoutFlags = 0;
    tcbP->readoutAccuracy = 4;
    EXPECT_EQ(zvlibUtil_getCoordinateReadoutAccuracy(-1), 3);
    *tcbP = saved;
}

TEST_F(ZvlibDgnTest, TextItemsTakeTheReadoutDecimals)
{
    MSDialog *db = mdlDialog_open(nullptr, 30100);
    ASSERT_NE(db, nullptr);
    struct Step {
        unsigned char accuracy, flags;
        const char *formats[4];
        const char *shown; // item 1
    } steps[] = {
        {3, 0, {"%.2f", "%8.2f", "%.12f", "%g"}, "1.00"},
        {1, 0, {"%.0f", "%8.0f", "%.12f", "%g"}, "1"},
        {7 << 3, MDLHOST_READOUT_FLAG, {"%.0f", "%8.0f", "%.12f", "%g"}, "1"}, // the item's digit is the default
    };
    for (const Step &s : steps) {
        tcbP->readoutAccuracy = s.accuracy;
        tcbP->readoutFlags = s.flags;
        for (int id = 1; id <= 4; id++) {
            DialogItem *item = mdlDialog_itemGetByTypeAndId(db, RTYPE_Text, id, 0);
            ASSERT_NE(item, nullptr);
            zvlibUtil_setActiveDecimalNumberInTextItem(item);
            char format[ZVLIB_FORMAT_LEN];
            ASSERT_EQ(mdlDialog_textGetFormat(format, sizeof format, item), 0);
            EXPECT_STREQ(format, s.formats[id - 1]) << int(s.accuracy) << " item " << id;
        }
        char shown[32];
        DialogItem *first = mdlDialog_itemGetByTypeAndId(db, RTYPE_Text, 1, 0);
        mdlDialog_itemGetValue(nullptr, nullptr, shown, sizeof shown, db, mdlDialog_itemGetIndex(first));
        EXPECT_STREQ(shown, s.shown) << int(s.accuracy);
    }
    zvlibUtil_setActiveDecimalNumberInTextItem(nullptr);
    mdlWindow_close(db);
}

TEST_F(ZvlibDgnTest, WorkModeGoesIntoTheVariable)
{
    struct Step {
        const char *before; // null: undefined
        int mode;
        int result;
        const char *after;
    } steps[] = {
        {nullptr, MDLHOST_WORKMODE_DGN, 0, nullptr}, {"x", MDLHOST_WORKMODE_DGN, 1, "DGN"},
        {"DGN", MDLHOST_WORKMODE_DGN, 0, "DGN"},     {"DGN", MDLHOST_WORKMODE_DWG, 1, "DWG"},
        {"DGN", MDLHOST_WORKMODE_V7, 1, "V7"},       {"dgn", 3, 0, "dgn"},
        {"V7", -1, 0, "V7"},
    };
    for (const Step &s : steps) {
        mdlSystem_defineCfgVar("ZVDGN_MODE", s.before);
        tcbP->workMode = s.mode;
        EXPECT_EQ(zvlibUtil_setWorkmode("ZVDGN_MODE"), s.result) << s.mode;
        char value[16];
        int rc = mdlSystem_getCfgVar(value, "ZVDGN_MODE", sizeof value);
        EXPECT_EQ(rc == 0, s.after != nullptr) << s.mode;
        EXPECT_STREQ(value, s.after ? s.after : "") << s.mode;
    }
    EXPECT_EQ(zvlibUtil_setWorkmode(nullptr), 0);
}

TEST_F(ZvlibDgnTest, HostPreferenceFileOpensForBlocks)
{
    std::string upf = path("host.upf");
    mdlSystem_defineCfgVar("MDLHOST_USERPREF", upf.c_str());
    RscFileHandle h = nullptr;
    EXPECT_NE(zvlibUtil_openUserPrefFile(&h, MDLHOST_RSC_READ), 0) << "read-only does not create it";
    EXPECT_EQ(h, nullptr);
    EXPECT_FALSE(std::filesystem::exists(upf));

    ASSERT_EQ(zvlibUtil_openUserPrefFile(&h, MDLHOST_RSC_READWRITE), 0);
    const unsigned char block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const uint32_t type = MDLHOST_RTYPE('P', 't', 'S', 'e');
    ASSERT_EQ(mdlResource_add(h, type, 20002, block, sizeof block, nullptr), 0);
    mdlResource_closeFile(h);

    ASSERT_EQ(zvlibUtil_openUserPrefFile(&h, MDLHOST_RSC_READ), 0);
    unsigned char back[8] = {};
    EXPECT_EQ(mdlResource_loadInto(h, type, 20002, back, sizeof back), 0);
    EXPECT_EQ(memcmp(back, block, sizeof block), 0);
    mdlResource_closeFile(h);
    EXPECT_EQ(zvlibUtil_openUserPrefFile(nullptr, MDLHOST_RSC_READ), MDLHOST_RSC_BADARG);
}

TEST_F(ZvlibDgnTest, GraphicGroupsFollowOnFromTheFile)
{
    struct Step {
        const char *what;
        uint32_t stored; // an element of this group is added first; 0: none
        bool reopen;
        std::vector<uint32_t> given;
    } steps[] = {
        {"fresh file", 0, false, {1, 2, 3}},
        {"opened again with group 41 stored", 41, true, {42, 43}},
    };
    for (const Step &s : steps) {
        if (s.stored != 0) {
            MSElement el;
            DPoint3d pts[2] = {{0, 0, 0}, {1000, 0, 0}};
            ASSERT_EQ(mdlLine_create(&el, nullptr, pts), 0);
            uint32_t g = s.stored;
            mdlElement_setProperties(&el, nullptr, &g, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
            ASSERT_NE(mdlElement_add(&el), 0u);
        }
        if (s.reopen) {
            ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
        }
        std::vector<uint32_t> given;
        for (size_t i = 0; i < s.given.size(); i++)
            given.push_back(zvlibUtil_newGraphicGroup());
        EXPECT_EQ(given, s.given) << s.what;
    }
    mdlhost_closeDesignFile();
    EXPECT_EQ(zvlibUtil_newGraphicGroup(), 0u);
}

TEST_F(ZvlibDgnTest, LevelsByName)
{
    std::string libPath = makeDesign("levels.dgnlib");
    DgnModelRefP lib = 0;
    ASSERT_EQ(mdlhost_dgnOpenModel(&lib, libPath.c_str(), DGN_OPEN_WRITE), 0);
    uint32_t libId = 0;
    ASSERT_EQ(mdlLevel_create(lib, u"Bibliotek", &libId), 0);
    mdlLevel_create(lib, u"Fyll", &libId); // the library's ids differ from the design's
    ASSERT_EQ(mdlLevel_create(lib, u"Bibliotek2", &libId), 0);
    mdlLevel_setElementColor(lib, libId, 5);
    mdlLevel_setElementWeight(lib, libId, 2);
    mdlLevel_setElementStyle(lib, libId, 3);
    mdlLevel_setDescription(lib, libId, u"fra biblioteket");
    mdlhost_dgnCloseModel(lib);
    ASSERT_EQ(mdlLevelLibrary_attach(libPath.c_str()), 0);

    DgnModelRefP model = mdlModelRef_getActive();
    uint32_t existing = 0;
    ASSERT_EQ(mdlLevel_create(model, u"Finnes", &existing), 0);
    EXPECT_EQ(zvlibUtil_levelIdFromName(u"Finnes"), existing);

    // Found in the library only: a copy in the design, with its symbology.
    uint32_t copied = zvlibUtil_levelIdFromNameExtended(u"Bibliotek2", 0, 1, 9, 9, 9);
    ASSERT_NE(copied, LEVEL_NULL_ID);
    uint32_t inDesign = 0;
    ASSERT_EQ(mdlLevel_getIdFromName(&inDesign, model, u"Bibliotek2"), 0);
    EXPECT_EQ(copied, inDesign);
    uint32_t color = 0, weight = 0;
    int32_t style = 0;
    mdlLevel_getElementColor(&color, model, copied);
    mdlLevel_getElementWeight(&weight, model, copied);
    mdlLevel_getElementStyle(&style, model, copied);
    EXPECT_EQ(color, 5u);
    EXPECT_EQ(weight, 2u);
    EXPECT_EQ(style, 3);
    char16_t description[64] = {};
    mdlLevel_getDescription(description, 64, model, copied);
    EXPECT_EQ(std::u16string(description), u"fra biblioteket");

    // Missing everywhere.
    struct Case {
        const char16_t *name;
        int workMode, setSymbology;
        bool created;
        uint32_t color;
    } cases[] = {
        {u"Ny", MDLHOST_WORKMODE_DGN, 1, true, 7},
        {u"Uten", MDLHOST_WORKMODE_DWG, 0, true, 0},
        {u"Gammel \u00C6", MDLHOST_WORKMODE_V7, 1, false, 0},
    };
    for (const Case &c : cases) {
        tcbP->workMode = c.workMode;
        mdlhost_clearMessageCenter();
        uint32_t id = zvlibUtil_levelIdFromNameExtended(c.name, 1, c.setSymbology, 7, 4, 2);
        uint32_t found = 0;
        bool exists = mdlLevel_getIdFromName(&found, model, c.name) == 0 && found != 0;
        EXPECT_EQ(exists, c.created);
        EXPECT_EQ(id, c.created ? found : LEVEL_NULL_ID);
        if (c.created) {
            mdlLevel_getElementColor(&color, model, id);
            EXPECT_EQ(color, c.color);
            EXPECT_EQ(mdlhost_messageCenterCount(), 0);
        }
    }
    int type = 0;
    ASSERT_EQ(mdlhost_messageCenterCount(), 1);
    EXPECT_STREQ(mdlhost_messageCenterText(0, &type),
                 "NA in 'V7 Workmode'.\nCannot create level 'Gammel \xC6' because MicroStation is in 'V7 Workmode'.");
    EXPECT_EQ(type, 10);

    tcbP->workMode = MDLHOST_WORKMODE_DGN;
    EXPECT_EQ(zvlibUtil_levelIdFromName(u""), LEVEL_NULL_ID);
    EXPECT_EQ(zvlibUtil_levelIdFromName(nullptr), LEVEL_NULL_ID);
    mdlhost_closeDesignFile();
    EXPECT_EQ(zvlibUtil_levelIdFromName(u"Ny"), LEVEL_NULL_ID);
}

// What the plot-fence function saw.
struct Seen {
    int filePos, model;
    DPoint3d first; // the first vertex as the function reads it
    MdlDesc *current;
};
std::vector<Seen> seen;
int stopAfter = 0; // answer non-zero after this many calls in a model; 0: never

int onPlotFence(MSElementDescr *dscr, int filePos, int model, void *userArg)
{
    EXPECT_EQ(std::string(static_cast<const char *>(userArg)), "arg");
    DPoint3d pts[MAX_VERTICES];
    int n = 0;
    mdlLinear_extract(pts, &n, &dscr->el, model);
    seen.push_back({filePos, model, n > 0 ? pts[0] : DPoint3d{}, mdlSystem_getCurrMdlDesc()});
    int inModel = 0;
    for (const Seen &s : seen)
        inModel += s.model == model;
    return stopAfter != 0 && inModel >= stopAfter;
}

// A shape at x (master units) of the class with user-data linkages of the
// given types (the library's id), first one first.
void shapeInto(MSElement &el, double x, uint32_t elementClass, const std::vector<int16_t> &types,
               int type = SHAPE_ELM)
{
    DPoint3d pts[4] = {{x * 1000, 0, 0}, {x * 1000 + 1000, 0, 0}, {x * 1000 + 1000, 1000, 0}, {x * 1000, 0, 0}};
    if (type == SHAPE_ELM)
        ASSERT_EQ(mdlShape_create(&el, nullptr, pts, 4, 0), 0);
    else
        ASSERT_EQ(mdlLineString_create(&el, nullptr, pts, 3), 0);
    mdlElement_setProperties(&el, nullptr, nullptr, &elementClass, nullptr, nullptr, nullptr, nullptr, nullptr);
    for (int16_t t : types) {
        LinkageHeader hdr{LINKAGE_USER, 20275};
        ASSERT_EQ(mdlLinkage_setWords(&hdr, 4), 0);
        int16_t data[2] = {t, 9};
        ASSERT_EQ(mdlLinkage_appendToElement(&el, &hdr, data), 0);
    }
}

TEST_F(ZvlibDgnTest, PlotFencesOfTheDesignAndItsShownReferences)
{
    // Two references: one shown, one hidden, each with one plot fence.
    std::vector<std::string> refs = {makeDesign("shown.dgn"), makeDesign("hidden.dgn")};
    for (const std::string &r : refs) {
        DgnModelRefP work = 0;
        ASSERT_EQ(mdlWorkDgn_openFile(&work, r.c_str(), 0), 0);
        MSElement el;
        shapeInto(el, 100, 4, {6});
        MSElementDescr *d = nullptr;
        ASSERT_EQ(mdlElmdscr_new(&d, nullptr, &el), 0);
        ASSERT_NE(mdlWorkDgn_write(d, WORKDGN_APPEND, work), 0u);
        mdlElmdscr_freeAll(&d);
        mdlWorkDgn_closeFile(work);
    }
    DgnModelRefP shown = 0, hidden = 0;
    ASSERT_EQ(mdlRefFile_attachCoincident(&shown, refs[0].c_str(), "a", "", 0, 1, 1), 0);
    ASSERT_EQ(mdlRefFile_attachCoincident(&hidden, refs[1].c_str(), "b", "", 0, 0, 1), 0);

    struct Shape {
        double x;
        uint32_t elementClass;
        std::vector<int16_t> types;
        int type;
        bool fence;
    } shapes[] = {
        {1, 4, {6}, SHAPE_ELM, true},
        {2, 4, {7}, SHAPE_ELM, false},
        {3, 0, {6}, SHAPE_ELM, false},
        {4, 4, {7, 6}, SHAPE_ELM, false}, // only the first of the library's linkages counts
        {5, 4, {6}, LINE_STRING_ELM, false},
        {6, 4, {6, 7}, SHAPE_ELM, true},
        {7, 4, {}, SHAPE_ELM, false},
    };
    std::vector<uint32_t> fencePositions;
    for (const Shape &s : shapes) {
        MSElement el;
        shapeInto(el, s.x, s.elementClass, s.types, s.type);
        uint32_t pos = mdlElement_add(&el);
        ASSERT_NE(pos, 0u);
        if (s.fence)
            fencePositions.push_back(pos);
    }
    DgnModelRefP active = mdlModelRef_getActive();
    char arg[] = "arg";

    struct Case {
        int stopAfter;
        size_t inActive, inShown;
    } cases[] = {{0, 2, 1}, {1, 1, 1}};
    for (const Case &c : cases) {
        seen.clear();
        stopAfter = c.stopAfter;
        mdlhost_setCurrMdlDesc(app_);
        EXPECT_EQ(zvlibUtil_findAllPlotFence(onPlotFence, arg), 0);
        size_t inActive = 0, inShown = 0;
        for (const Seen &s : seen) {
            EXPECT_NE(s.model, hidden);
            EXPECT_EQ(s.current, app_);
            inActive += s.model == active;
            inShown += s.model == shown;
        }
        EXPECT_EQ(inActive, c.inActive) << c.stopAfter;
        EXPECT_EQ(inShown, c.inShown) << c.stopAfter;
    }
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(uint32_t(seen[0].filePos), fencePositions[0]);
    EXPECT_EQ(seen[0].first.x, 1.0) << "read in master units";
    EXPECT_EQ(seen[1].first.x, 100.0);

    // The transformation is the caller's again afterwards.
    DPoint3d p{1, 0, 0};
    mdlCurrTrans_transformPointArray(&p, &p, 1);
    EXPECT_EQ(p.x, 1.0);
    EXPECT_EQ(zvlibUtil_findAllPlotFence(nullptr, arg), 0);
}

} // namespace

namespace {

TEST_F(ZvlibDgnTest, TextSizeOfAnUnknownAttributeIsAFailureThatWritesNothing)
{
    double width = -1, lineHeight = -1, total = -1;
    EXPECT_EQ(zvlibUtil_extractTextSize("to\\nlinjer", 1.0, 4711, 0.5, &width, &lineHeight, &total, nullptr),
              ZVLIB_FAILURE);
    EXPECT_EQ(width, -1);
    EXPECT_EQ(lineHeight, -1);
    EXPECT_EQ(total, -1);
    EXPECT_EQ(zvlibUtil_extractTextSize(nullptr, 1.0, 1, 0.5, nullptr, nullptr, nullptr, nullptr), ZVLIB_FAILURE);
}

} // namespace

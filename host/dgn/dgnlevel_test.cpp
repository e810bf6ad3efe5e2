// Named levels of a design file.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dgn_testing.h"

using namespace dgntest;

namespace {

std::u16string levelName(uint32_t id, int max = MDLHOST_MAX_LEVELNAME + 1)
{
    std::vector<char16_t> buf(size_t(max), u'?');
    if (mdlLevel_getName(buf.data(), max, 0, id) != 0)
        return u"<none>";
    return buf.data();
}

} // namespace

using LevelTest = DgnTest;

TEST_F(LevelTest, LevelsAreMadeOnDemandAndFoundByTheirExactName)
{
    const std::u16string names[] = {u"3001", u"3001L", u"UnDefined", u"Bygning \u00C6\u00D8\u00C5\u00E6\u00F8\u00E5",
                                    u"\u20AC sign"};
    std::vector<uint32_t> ids;
    for (const std::u16string &n : names) {
        uint32_t id = 0;
        ASSERT_EQ(mdlLevel_create(0, n.c_str(), &id), 0);
        EXPECT_NE(id, LEVEL_NULL_ID);
        ids.push_back(id);
    }
    for (size_t i = 0; i < ids.size(); i++) {
        uint32_t id = 0;
        EXPECT_EQ(mdlLevel_getIdFromName(&id, 0, names[i].c_str()), 0);
        EXPECT_EQ(id, ids[i]);
        EXPECT_EQ(levelName(id), names[i]);
        EXPECT_TRUE(mdlLevel_isValidByName(0, names[i].c_str()));
    }
    // Names compare exactly.
    uint32_t id = 99;
    EXPECT_EQ(mdlLevel_getIdFromName(&id, 0, u"undefined"), DGNERR_NOTFOUND);
    EXPECT_EQ(id, LEVEL_NULL_ID);
    EXPECT_FALSE(mdlLevel_isValidByName(0, u"3001 "));
    // A second create gives the existing level with its own answer.
    EXPECT_EQ(mdlLevel_create(0, u"3001L", &id), DGNERR_EXISTS);
    EXPECT_EQ(id, ids[1]);
    uint32_t all[16];
    ASSERT_EQ(mdlhost_levelIds(0, all, 16), 5);
    EXPECT_EQ(std::vector<uint32_t>(all, all + 5), ids);
    EXPECT_EQ(mdlhost_levelIds(0, all, 2), 2);
}

TEST_F(LevelTest, NamesThatCannotBeLevelsAreRefused)
{
    std::u16string tooLong(MDLHOST_MAX_LEVELNAME + 1, u'x');
    std::u16string longest(MDLHOST_MAX_LEVELNAME, u'x');
    uint32_t id = 7;
    EXPECT_EQ(mdlLevel_create(0, nullptr, &id), DGNERR_BADARG);
    EXPECT_EQ(mdlLevel_create(0, u"", &id), DGNERR_BADARG);
    EXPECT_EQ(mdlLevel_create(0, tooLong.c_str(), &id), DGNERR_BADARG);
    EXPECT_EQ(id, LEVEL_NULL_ID);
    ASSERT_EQ(mdlLevel_create(0, longest.c_str(), &id), 0);
    EXPECT_EQ(levelName(id), longest);
    // A short buffer gets the start of the name, terminated.
    EXPECT_EQ(levelName(id, 5), u"xxxx");
    EXPECT_EQ(levelName(12345), u"<none>");
    mdlhost_closeDesignFile();
    EXPECT_EQ(mdlLevel_create(0, u"3001", &id), DGNERR_NOMODEL);
}

TEST_F(LevelTest, DescriptionsAndSymbologyAreKeptInTheFile)
{
    uint32_t a = 0, b = 0;
    ASSERT_EQ(mdlLevel_create(0, u"3001", &a), 0);
    ASSERT_EQ(mdlLevel_create(0, u"3002", &b), 0);
    ASSERT_EQ(mdlLevel_setDescription(0, a, u"Bygningsflate \u00D8st"), 0);
    ASSERT_EQ(mdlLevel_setElementColor(0, a, 254), 0);
    ASSERT_EQ(mdlLevel_setElementWeight(0, a, 31), 0);
    ASSERT_EQ(mdlLevel_setElementStyle(0, a, -1), 0);
    EXPECT_EQ(mdlLevel_setElementColor(0, 999, 1), DGNERR_NOTFOUND);
    EXPECT_EQ(mdlLevelTable_rewrite(0), 0);
    // Another model of the same file shares the levels; another file does not.
    DgnModelRefP cell = 0;
    ASSERT_EQ(mdlhost_dgnCreateModel(0, u"cell", u"", &cell), 0);
    EXPECT_TRUE(mdlLevel_isValidByName(cell, u"3001"));
    DPoint3d o{0, 0, 0};
    DgnModelRefP other = 0;
    ASSERT_EQ(mdlhost_dgnCreateFile(path("other.dgn").c_str(), 0, 1000, "m", &o), 0);
    ASSERT_EQ(mdlhost_dgnOpenModel(&other, path("other.dgn").c_str(), DGN_OPEN_WRITE), 0);
    EXPECT_FALSE(mdlLevel_isValidByName(other, u"3001"));
    mdlhost_dgnCloseModel(other);
    mdlhost_dgnCloseModel(cell);

    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0); // closes and opens again
    uint32_t id = 0;
    ASSERT_EQ(mdlLevel_getIdFromName(&id, 0, u"3001"), 0);
    EXPECT_EQ(id, a);
    char16_t d[60];
    ASSERT_EQ(mdlLevel_getDescription(d, 60, 0, a), 0);
    EXPECT_EQ(std::u16string(d), u"Bygningsflate \u00D8st");
    uint32_t color = 0, weight = 0;
    int32_t style = 0;
    ASSERT_EQ(mdlLevel_getElementColor(&color, 0, a), 0);
    ASSERT_EQ(mdlLevel_getElementWeight(&weight, 0, a), 0);
    ASSERT_EQ(mdlLevel_getElementStyle(&style, 0, a), 0);
    EXPECT_EQ(color, 254u);
    EXPECT_EQ(weight, 31u);
    EXPECT_EQ(style, -1);
    ASSERT_EQ(mdlLevel_getElementColor(&color, 0, b), 0);
    EXPECT_EQ(color, 0u); // a new level's symbology
    ASSERT_EQ(mdlLevel_getDescription(d, 60, 0, b), 0);
    EXPECT_EQ(std::u16string(d), u"");
}

TEST_F(LevelTest, AFailedLevelWriteLeavesNoLevelBehind)
{
    uint32_t id = 5;
    mdlhost_dgnFailWrites(DGNERR_DISKFULL, 1);
    EXPECT_EQ(mdlLevel_create(0, u"3001", &id), DGNERR_DISKFULL);
    EXPECT_EQ(id, LEVEL_NULL_ID);
    EXPECT_FALSE(mdlLevel_isValidByName(0, u"3001"));
    ASSERT_EQ(mdlLevel_create(0, u"3001", &id), 0);
    mdlhost_dgnFailWrites(DGNERR_DISKFULL, 1);
    EXPECT_EQ(mdlLevel_setDescription(0, id, u"lost"), DGNERR_DISKFULL);
    char16_t d[8];
    ASSERT_EQ(mdlLevel_getDescription(d, 8, 0, id), 0);
    EXPECT_EQ(std::u16string(d), u"");
}

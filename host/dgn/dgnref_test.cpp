// References and work files, the model iterator, level libraries and the
// level iterator, fonts.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <strings.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "dgn_testing.h"
#include "dgncell_testing.h"
#include "mdlhost.h"

namespace {

using dgntest::DscrPtr;

class RefTest : public dgntest::DgnTest {
  protected:
    void TearDown() override
    {
        mdlRefFile_detach(REFERENCE_ALL);
        mdlLevelLibrary_detach();
        DgnTest::TearDown();
    }

    std::string makeDesign(const std::string &name)
    {
        std::string p = path(name);
        DPoint3d origin{0, 0, 0};
        EXPECT_EQ(mdlhost_dgnCreateFile(p.c_str(), 0, 1000, "m", &origin), 0);
        return p;
    }

    std::vector<DgnModelRefP> iterate(int kinds)
    {
        ModelRefIterator *it = nullptr;
        EXPECT_EQ(mdlModelRefIterator_create(&it, 0, kinds), 0);
        std::vector<DgnModelRefP> models;
        for (DgnModelRefP m; (m = mdlModelRefIterator_getNext(it)) != 0;) models.push_back(m);
        mdlModelRefIterator_free(&it);
        EXPECT_EQ(it, nullptr);
        return models;
    }

    std::string param7(DgnModelRefP ref)
    {
        char spec[MDLHOST_MAXFILELENGTH];
        EXPECT_EQ(mdlRefFile_getParameters(spec, REFERENCE_FILESPEC, ref), 0);
        return spec;
    }
};

TEST_F(RefTest, AnAttachmentKeepsItsFileSpecExactlyAsGiven)
{
    makeDesign("kart.dgn");
    // A spelling with a detour: the host must not tidy it.
    std::string spec = path("") + "./sub/../kart.dgn";
    std::filesystem::create_directory(path("sub"));
    DgnModelRefP ref = 0;
    ASSERT_EQ(mdlRefFile_attachCoincident(&ref, spec.c_str(), "ZvZera1", "ZvZera reference file", 0, 1, 1), 0);
    ASSERT_NE(ref, 0);
    EXPECT_EQ(param7(ref), spec);
    char text[MDLHOST_MAXFILELENGTH];
    ASSERT_EQ(mdlRefFile_getParameters(text, REFERENCE_LOGICAL, ref), 0);
    EXPECT_STREQ(text, "ZvZera1");
    ASSERT_EQ(mdlRefFile_getParameters(text, REFERENCE_DESCRIPTION, ref), 0);
    EXPECT_STREQ(text, "ZvZera reference file");
    struct Case {
        int param, value;
    } cases[] = {{REFERENCE_DISPLAY, 1}, {REFERENCE_LOCATE, 1}, {REFERENCE_FILEFOUND, 1},
                 {REFERENCE_WRITTEN, 0}, {REFERENCE_NESTED, 0}};
    for (const Case &c : cases) {
        int v = -1;
        ASSERT_EQ(mdlRefFile_getParameters(&v, c.param, ref), 0) << c.param;
        EXPECT_EQ(v, c.value) << c.param;
    }
    EXPECT_EQ(mdlRefFile_getParameters(text, 99, ref), DGNERR_BADARG);
    EXPECT_TRUE(mdlModelRef_isReference(ref));
    EXPECT_TRUE(mdlModelRef_isReadOnly(ref));

    DgnModelRefP active = mdlModelRef_getActive();
    EXPECT_EQ(iterate(MODELREF_ITERATE_REFERENCES), std::vector<DgnModelRefP>{ref});
    EXPECT_EQ(iterate(MODELREF_ITERATE_ALL), (std::vector<DgnModelRefP>{active, ref}));
    EXPECT_EQ(iterate(MODELREF_ITERATE_ROOT), std::vector<DgnModelRefP>{active});

    EXPECT_EQ(mdlRefFile_attachCoincident(&ref, path("none.dgn").c_str(), "x", "y", 0, 1, 1), DGNERR_NOTFOUND);
    EXPECT_EQ(ref, 0);
    EXPECT_EQ(iterate(MODELREF_ITERATE_REFERENCES).size(), 1u);
}

TEST_F(RefTest, WhatAWorkFileWritesShowsThroughTheReference)
{
    std::string kart = makeDesign("kart.dgn");
    DgnModelRefP ref = 0, work = 0;
    ASSERT_EQ(mdlRefFile_attachCoincident(&ref, kart.c_str(), "ZvZera0", "ZvZera reference file", 0, 1, 1), 0);
    ASSERT_EQ(mdlWorkDgn_openFile(&work, kart.c_str(), 0), 0);
    EXPECT_FALSE(mdlModelRef_isReadOnly(work));

    DscrPtr line;
    dgntest::appendTop(line, dgntest::makeLine({0, 0, 0}, {10, 0, 0}, 0).get());
    EXPECT_EQ(mdlWorkDgn_write(line.get(), 0, work), 0u); // position 0 names nothing
    uint32_t pos = mdlWorkDgn_write(line.get(), WORKDGN_APPEND, work);
    ASSERT_NE(pos, 0u);
    ASSERT_EQ(mdlRefFile_reload(ref, 0, 0), 0);
    DscrPtr seen;
    ASSERT_GT(mdlElmdscr_read(seen.out(), pos, ref, 0, nullptr), 0u);
    EXPECT_DOUBLE_EQ(seen.get()->el.line.end.x, 10);

    // Read, change and write back in place.
    DscrPtr again;
    ASSERT_EQ(mdlWorkDgn_read(again.out(), pos, work), pos);
    again.get()->el.line.end.x = 20;
    ASSERT_EQ(mdlWorkDgn_write(again.get(), pos, work), pos);
    ASSERT_GT(mdlElmdscr_read(seen.out(), pos, ref, 0, nullptr), 0u);
    EXPECT_DOUBLE_EQ(seen.get()->el.line.end.x, 20);
    EXPECT_EQ(mdlWorkDgn_read(again.out(), pos + 1000, work), 0u);

    EXPECT_EQ(mdlWorkDgn_closeFile(work), 0);
    EXPECT_EQ(mdlWorkDgn_closeFile(work), DGNERR_NOMODEL);
    // The active model is not a work file and stays open.
    EXPECT_EQ(mdlWorkDgn_closeFile(mdlModelRef_getActive()), DGNERR_NOMODEL);
    EXPECT_NE(mdlModelRef_getActive(), 0);
}

TEST_F(RefTest, AWorkFileThatCannotBeWrittenOpensReadOnly)
{
    std::string kart = makeDesign("kart.dgn");
    DgnModelRefP work = 0;
    ASSERT_EQ(mdlWorkDgn_openFile(&work, kart.c_str(), 1), 0);
    EXPECT_TRUE(mdlModelRef_isReadOnly(work));
    DscrPtr line;
    dgntest::appendTop(line, dgntest::makeLine({0, 0, 0}, {10, 0, 0}, 0).get());
    EXPECT_EQ(mdlWorkDgn_write(line.get(), WORKDGN_APPEND, work), 0u);
    EXPECT_EQ(mdlWorkDgn_closeFile(work), 0);

    if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind root";
    std::filesystem::permissions(kart, std::filesystem::perms::owner_read);
    ASSERT_EQ(mdlWorkDgn_openFile(&work, kart.c_str(), 0), 0);
    EXPECT_TRUE(mdlModelRef_isReadOnly(work));
    EXPECT_EQ(mdlWorkDgn_closeFile(work), 0);
}

TEST_F(RefTest, WrittenAttachmentsComeBackWithTheDesign)
{
    std::string a = makeDesign("a.dgn"), b = makeDesign("b.dgn");
    DgnModelRefP ra = 0, rb = 0;
    ASSERT_EQ(mdlRefFile_attachCoincident(&ra, a.c_str(), "ZvZera0", "A", 0, 1, 1), 0);
    ASSERT_EQ(mdlRefFile_attachCoincident(&rb, b.c_str(), "ZvZera1", "B", 0, 0, 1), 0);
    ASSERT_EQ(mdlRefFile_writeAttachment(ra), 0);
    ASSERT_EQ(mdlRefFile_writeAttachment(rb), 0);
    int written = 0;
    ASSERT_EQ(mdlRefFile_getParameters(&written, REFERENCE_WRITTEN, ra), 0);
    EXPECT_EQ(written, 1);

    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    std::vector<DgnModelRefP> refs = iterate(MODELREF_ITERATE_REFERENCES);
    ASSERT_EQ(refs.size(), 2u);
    EXPECT_EQ(param7(refs[0]), a);
    EXPECT_EQ(param7(refs[1]), b);
    int display = -1;
    ASSERT_EQ(mdlRefFile_getParameters(&display, REFERENCE_DISPLAY, refs[1]), 0);
    EXPECT_EQ(display, 0);

    // Detaching removes it from the design as well.
    ASSERT_EQ(mdlRefFile_detach(refs[0]), 0);
    EXPECT_EQ(mdlRefFile_detach(refs[0]), DGNERR_NOMODEL);
    ASSERT_EQ(mdlSystem_newDesignFile(dgnPath().c_str()), 0);
    refs = iterate(MODELREF_ITERATE_REFERENCES);
    ASSERT_EQ(refs.size(), 1u);
    EXPECT_EQ(param7(refs[0]), b);
    ASSERT_EQ(mdlRefFile_detach(REFERENCE_ALL), 0);
    EXPECT_TRUE(iterate(MODELREF_ITERATE_REFERENCES).empty());
}

TEST_F(RefTest, LevelLibraryLevelsAreIteratedWithNamesAndDescriptions)
{
    std::string lib = makeDesign("zvzera.dgnlib");
    {
        DgnModelRefP m = 0;
        ASSERT_EQ(mdlhost_dgnOpenModel(&m, lib.c_str(), DGN_OPEN_WRITE), 0);
        uint32_t id = 0;
        ASSERT_EQ(mdlLevel_create(m, u"3001L", &id), 0);
        ASSERT_EQ(mdlLevel_setDescription(m, id, u"Veg\u00E5s"), 0);
        ASSERT_EQ(mdlLevel_create(m, u"UnDefined", &id), 0);
        mdlhost_dgnCloseModel(m);
    }
    EXPECT_EQ(mdlLevelLibrary_getModelRef(), 0);
    EXPECT_NE(mdlLevelLibrary_attach(path("none.dgnlib").c_str()), 0);
    EXPECT_EQ(mdlLevelLibrary_getModelRef(), 0);
    ASSERT_EQ(mdlLevelLibrary_attach(lib.c_str()), 0);
    DgnModelRefP model = mdlLevelLibrary_getModelRef();
    ASSERT_NE(model, 0);

    LevelIterator *it = mdlLevelIterator_create(model);
    ASSERT_NE(it, nullptr);
    std::vector<std::u16string> names, descriptions;
    for (uint32_t id; (id = mdlLevelIterator_getNext(it)) != LEVEL_NULL_ID;) {
        char16_t name[101], description[101];
        ASSERT_EQ(mdlLevel_getName(name, 101, model, id), 0);
        ASSERT_EQ(mdlLevel_getDescription(description, 101, model, id), 0);
        names.push_back(name);
        descriptions.push_back(description);
    }
    mdlLevelIterator_free(it);
    // A new design may hold a default level of its own before these.
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[names.size() - 2], u"3001L");
    EXPECT_EQ(descriptions[names.size() - 2], u"Veg\u00E5s");
    EXPECT_EQ(names.back(), u"UnDefined");

    ASSERT_EQ(mdlLevelLibrary_detach(), 0);
    EXPECT_EQ(mdlLevelLibrary_getModelRef(), 0);
}

TEST_F(RefTest, TheLevelIteratorGivesTheLevelsAsTheyWere)
{
    uint32_t a = 0, b = 0;
    ASSERT_EQ(mdlLevel_create(0, u"A", &a), 0);
    LevelIterator *it = mdlLevelIterator_create(0);
    ASSERT_NE(it, nullptr);
    ASSERT_EQ(mdlLevel_create(0, u"B", &b), 0);
    std::vector<uint32_t> ids;
    for (uint32_t id; (id = mdlLevelIterator_getNext(it)) != LEVEL_NULL_ID;) ids.push_back(id);
    EXPECT_EQ(mdlLevelIterator_getNext(it), LEVEL_NULL_ID);
    mdlLevelIterator_free(it);
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.back(), a);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), b), 0);
}

struct FontSearch {
    const char *name;
    uint32_t number = 0;
    int visited = 0;
};

int findFont(const MdlFontInfo *font, void *arg)
{
    auto *s = static_cast<FontSearch *>(arg);
    ++s->visited;
    if (strcasecmp(font->name, s->name) != 0) return 0;
    s->number = font->number;
    return 1;
}

TEST(FontTest, TheSymbolFontIsFoundByNameAndTheWalkStops)
{
    FontSearch s{"grafisk utforming ttf"};
    EXPECT_EQ(mdlFontMgr_traverseAvailableFonts(findFont, &s), 1);
    EXPECT_NE(s.number, 0u);
    EXPECT_EQ(mdlFontMgr_fontExists(s.number), 1);
    FontSearch none{"Comic"}, early{"ARIAL"};
    EXPECT_EQ(mdlFontMgr_traverseAvailableFonts(findFont, &none), 0);
    EXPECT_EQ(mdlFontMgr_traverseAvailableFonts(findFont, &early), 1);
    EXPECT_LT(early.visited, none.visited);
    struct Case {
        uint32_t number;
        int exists;
    } cases[] = {{0, 1}, {43, 1}, {105, 1}, {7, 0}, {255, 0}};
    for (const Case &c : cases) EXPECT_EQ(mdlFontMgr_fontExists(c.number), c.exists) << c.number;
}

} // namespace

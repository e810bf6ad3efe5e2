// ZERA attributes as tags: the tag set input file and its table, the tag
// sets, writing an element's attributes as tags of a real design file and
// reading them back into Elm, and removing the sets.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "brukerdata.h"
#include "dgncell_testing.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "testing/zvlibdgn_testing.h"
#include "zeratagger.h"
#include "zvlibtext.h"

namespace {

struct Tag {
    std::u16string set, name;
    DgnTagValue value;
    DPoint3d origin;
    int hidden;
};

// A design file, the zvlib application current, a settings record of the
// test's own and a cleared Elm.
class TaggerTest : public zvlibtest::DgnAppTest {
  protected:
    void SetUp() override
    {
        DgnAppTest::SetUp();
        if (HasFatalFailure())
            return;
        memset(&data_, 0, sizeof data_);
        data_.lagreEgenskaper = 1;
        data_.standardTekstHoyde = data_.standardTekstBredde = 2.0;
        brukerDataP = &data_;
        memset(&Elm, 0, sizeof Elm);
        FrigjorTagsetTabell();
    }
    void TearDown() override
    {
        FrigjorTagsetTabell();
        brukerDataP = nullptr;
        DgnAppTest::TearDown();
    }

    // Writes the tag set input file and names it in the settings.
    void tagfil(const std::string &text, const std::string &name = "zvzera.tag")
    {
        std::string p = path(name);
        std::ofstream(p) << text;
        zvlib::copyText(data_.tagsetFil, p.c_str());
    }
    void lesTabell(const std::string &text)
    {
        tagfil(text);
        ASSERT_EQ(LesZeraTagsetInputFil(0, nullptr), 0);
    }
    std::vector<TagsetPost> tabell()
    {
        int n = -1;
        const TagsetPost *t = ZeraTagsetTabell(&n);
        return t ? std::vector<TagsetPost>(t, t + n) : std::vector<TagsetPost>{};
    }

    // A line string (1,2) (3,2) (3,5) m; its position.
    uint32_t linje()
    {
        auto el = dgntest::newElement();
        DPoint3d pts[3] = {{1000, 2000, 0}, {3000, 2000, 0}, {3000, 5000, 0}};
        EXPECT_EQ(mdlLineString_create(el.get(), nullptr, pts, 3), 0);
        uint32_t pos = mdlElement_add(el.get());
        EXPECT_NE(pos, 0u);
        Elm.type = 3;
        Elm.pointCount = 3;
        Elm.E[0] = 1;
        Elm.N[0] = 2;
        return pos;
    }
    std::unique_ptr<MSElement> element(ElementID id)
    {
        auto el = dgntest::newElement();
        EXPECT_NE(mdlAssoc_getElement(el.get(), id, 0), 0u);
        return el;
    }
    // The tags of the element with that id, in position order.
    std::vector<Tag> tagger(ElementID id)
    {
        auto el = element(id);
        dgntest::DscrPtr tags;
        int count = 0;
        EXPECT_EQ(mdlTag_getElementTags(tags.out(), &count, el.get(), 0), 0);
        std::vector<Tag> out;
        for (const MSElementDescr *d = tags.get(); d; d = d->h.next) {
            Tag t{};
            char16_t set[MDLHOST_MAX_TAGNAME + 1], name[MDLHOST_MAX_TAGNAME + 1];
            EXPECT_EQ(mdlTag_extract(set, name, &t.value, nullptr, &t.origin, &t.hidden, &d->el), 0);
            t.set = set;
            t.name = name;
            out.push_back(t);
        }
        return out;
    }
    const Tag *finn(const std::vector<Tag> &tags, const char16_t *name)
    {
        for (const Tag &t : tags)
            if (t.name == name)
                return &t;
        return nullptr;
    }
    // Adds a tag of set ZERA to the element with that id.
    void leggTilTag(ElementID id, const char16_t *name, const char *text)
    {
        auto el = dgntest::newElement();
        DgnTagValue v{};
        v.type = TAGTYPE_TEXT;
        zvlib::copyText(v.stringValue, text);
        ASSERT_EQ(mdlTag_create(el.get(), u"ZERA", name, &v, id, nullptr, 0, 0), 0);
        ASSERT_NE(mdlElement_add(el.get()), 0u);
    }
    std::vector<std::u16string> settNavn()
    {
        DgnTagSetName *names = nullptr;
        int count = 0;
        EXPECT_EQ(mdlTag_getSetNames(&names, &count, 0), 0);
        std::vector<std::u16string> out;
        for (int i = 0; i < count; ++i)
            out.push_back(names[i].name);
        dlmSystem_mdlFree(names);
        return out;
    }

    zeraBrukerGrensesnittData data_;
};

// ---- the tag set input file ---------------------------------------------------------

TEST_F(TaggerTest, TableGivesOccurrencesSetNumbersAndTypes)
{
    lesTabell("# attributt sett tag type indeks vis dx dy\n"
              "..DATO      ZERA  DATO  1 1 1 0.5 0.25\n"
              "\n"
              "..KVALITET  ZERA  KV1   1 1 0 0 0\n"
              "..KVALITET  ANNET KV    2 2 1 0 0\n"
              "..KVALITET\tZERA\tKV2 \\\n"
              "   1 1 1 -1.5 2\n"
              "..NAVN      ANNET NAVN  x 1 1 y 3\n"
              "..TEMA      ZERA  TEMA\n");
    struct Forventet {
        const char *attribute;
        const char16_t *set, *tag;
        int type, index, display, occurrence, setNumber;
        double dx, dy;
    } const forventet[] = {
        {"..DATO", u"ZERA", u"DATO", 1, 1, 1, -1, 0, 0.5, 0.25},
        {"..KVALITET", u"ZERA", u"KV1", 1, 1, 0, 0, 0, 0, 0},
        {"..KVALITET", u"ANNET", u"KV", 2, 2, 1, -1, 1, 0, 0},
        {"..KVALITET", u"ZERA", u"KV2", 1, 1, 1, 1, 0, -1.5, 2},
        // Fields that do not parse are 0 and keep the others in place.
        {"..NAVN", u"ANNET", u"NAVN", 0, 1, 1, -1, 1, 0, 3},
        {"..TEMA", u"ZERA", u"TEMA", 0, 0, 0, -1, 0, 0, 0},
    };
    auto t = tabell();
    ASSERT_EQ(t.size(), std::size(forventet));
    for (size_t i = 0; i < t.size(); ++i) {
        const Forventet &f = forventet[i];
        SCOPED_TRACE(i);
        EXPECT_STREQ(t[i].attribute, f.attribute);
        EXPECT_EQ(std::u16string(t[i].setName), f.set);
        EXPECT_EQ(std::u16string(t[i].tagName), f.tag);
        EXPECT_EQ(t[i].type, f.type);
        EXPECT_EQ(t[i].index, f.index);
        EXPECT_EQ(t[i].display, f.display);
        EXPECT_EQ(t[i].occurrence, f.occurrence);
        EXPECT_EQ(t[i].setNumber, f.setNumber);
        EXPECT_EQ(t[i].dx, f.dx);
        EXPECT_EQ(t[i].dy, f.dy);
    }
    EXPECT_EQ(TagsetHarTema(), 0);
}

TEST_F(TaggerTest, BadLinesAreLeftOutNamingFileAndLine)
{
    tagfil("..DATO ZERA DATO 1 1 1 0 0\n"
           "..KOMM ZERA\n"
           "..ATTRIBUTTNAVN_OVER_20 ZERA LANG 3 1 1 0 0\n"
           "..HOB ZERA_SETTNAVN_PAA_33_TEGN_XXXXXXX HOB 2 1 1 0 0\n"
           "..HOB ZERA HOB 2 1 1 0 0\n");
    ASSERT_EQ(LesZeraTagsetInputFil(0, nullptr), 0);
    auto t = tabell();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_STREQ(t[0].attribute, "..DATO");
    EXPECT_STREQ(t[1].attribute, "..HOB");
    std::string tw = mdlhost_textWindow();
    for (int line : {2, 3, 4})
        EXPECT_NE(tw.find(data_.tagsetFil + std::string(" linje ") + std::to_string(line) + ":"), std::string::npos)
            << tw;
}

TEST_F(TaggerTest, MissingOrEmptyFileGivesNoTable)
{
    lesTabell("..DATO ZERA DATO 1 1 1 0 0\n");
    ASSERT_EQ(tabell().size(), 1u);

    // Interactive: no message; the old table is gone.
    zvlib::copyText(data_.tagsetFil, path("mangler.tag").c_str());
    mdlhost_clearTextWindow();
    EXPECT_EQ(LesZeraTagsetInputFil(0, nullptr), ZVLIB_FAILURE);
    EXPECT_TRUE(tabell().empty());
    EXPECT_STREQ(mdlhost_textWindow(), "");

    // Batch: the report says which file.
    std::string rapport = path("rapport.txt");
    FILE *f = fopen(rapport.c_str(), "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(LesZeraTagsetInputFil(1, f), ZVLIB_FAILURE);
    fclose(f);
    std::ifstream in(rapport);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "\nFEIL!  Finner ikke filen: " + path("mangler.tag") + "\n\n");

    // Zero entries is no table.
    tagfil("# bare kommentar\n\n");
    EXPECT_EQ(LesZeraTagsetInputFil(0, nullptr), ZVLIB_FAILURE);
    EXPECT_EQ(ZeraTagsetTabell(nullptr), nullptr);
    EXPECT_EQ(LagTagsett(), ZVLIB_FAILURE);
}

// ---- tag sets -----------------------------------------------------------------------------

TEST_F(TaggerTest, SetsAreMadeOnceWithHostTypes)
{
    lesTabell("..DATO ZERA DATO 1 1 1 0 0\n"
              "..HOB ANNET HOB 2 1 1 0 0\n"
              "..KVALITET ZERA KV1 1 1 1 0 0\n"
              "..KVALITET ZERA KV2 1 0 1 0 0\n"
              "..OBJTYPE ZERA OBJTYPE 5 1 1 0 0\n");
    EXPECT_EQ(TagsettFinnes(u"ZERA"), 0);
    ASSERT_EQ(LagTagsett(), 0);
    EXPECT_EQ(settNavn(), (std::vector<std::u16string>{u"ZERA", u"ANNET"}));
    EXPECT_EQ(TagsettFinnes(u"ZERA"), 1);

    DgnTagDefinition *defs = nullptr;
    int count = 0;
    char16_t report[64];
    ASSERT_EQ(mdlTag_getSetDef(&defs, &count, report, 64, u"ZERA", 0), 0);
    EXPECT_EQ(std::u16string(report), u"zvzera.rep");
    ASSERT_EQ(count, 4); // the index-0 entry has its definition too
    const std::pair<const char16_t *, int> forventet[] = {
        {u"DATO", TAGTYPE_LONG}, {u"KV1", TAGTYPE_LONG}, {u"KV2", TAGTYPE_LONG}, {u"OBJTYPE", TAGTYPE_TEXT}};
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(std::u16string(defs[i].name), forventet[i].first);
        EXPECT_EQ(defs[i].value.type, forventet[i].second);
    }
    mdlTag_freeTagDefArray(defs, count);
    ASSERT_EQ(mdlTag_getSetDef(&defs, &count, nullptr, 0, u"ANNET", 0), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(defs[0].value.type, TAGTYPE_DOUBLE);
    mdlTag_freeTagDefArray(defs, count);

    // Every set exists now.
    EXPECT_EQ(LagTagsett(), ZVLIB_FAILURE);
}

// A set the host cannot make (more tags than a set holds) is named in the
// batch report; the other sets are made.
TEST_F(TaggerTest, ASetTheHostRefusesIsReported)
{
    std::string tabell = "..DATO LITEN DATO 1 1 1 0 0\n";
    for (int i = 0; i <= MDLHOST_MAX_TAGDEFS; ++i)
        tabell += "..A" + std::to_string(i) + " STOR T" + std::to_string(i) + " 3 1 0 0 0\n";
    lesTabell(tabell);
    ASSERT_EQ(LagTagsett(), 0) << "the small set is made";
    EXPECT_EQ(TagsettFinnes(u"LITEN"), 1);
    EXPECT_EQ(TagsettFinnes(u"STOR"), 0);
    FILE *f = tmpfile();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(SkrivTagsettFeil(f), 1);
    rewind(f);
    char linje[256] = "";
    std::string rapport;
    while (fgets(linje, sizeof linje, f))
        rapport += linje;
    fclose(f);
    EXPECT_NE(rapport.find("Feil! Tagsettet 'STOR' kan ikke lages"), std::string::npos) << rapport;
    // Asked again, it is refused and said again.
    LagTagsett();
    f = tmpfile();
    EXPECT_EQ(SkrivTagsettFeil(f), 1) << "still refused";
    fclose(f);
}

TEST_F(TaggerTest, ATagNamedTwiceInASetGetsOneDefinition)
{
    lesTabell("..KVALITET ZERA KV 1 1 1 0 0\n"
              "..KOMM ZERA KV 1 1 1 0 0\n");
    ASSERT_EQ(LagTagsett(), 0);
    DgnTagDefinition *defs = nullptr;
    int count = 0;
    ASSERT_EQ(mdlTag_getSetDef(&defs, &count, nullptr, 0, u"ZERA", 0), 0);
    EXPECT_EQ(count, 1);
    mdlTag_freeTagDefArray(defs, count);
}

// ---- writing and reading back -----------------------------------------------------------------

const char *const FULL_TABELL = "..TEMA ZERA TEMA 3 1 1 0 0\n"
                                "..DATO ZERA DATO 1 1 1 0.5 0.25\n"
                                "..KVALITET ZERA KV0 1 1 1 0 0\n"
                                "..KVALITET ZERA KV1 1 1 1 0 0\n"
                                "..KOMM ZERA KOMM 1 1 1 0 0\n"
                                "..HOB ZERA HOB 2 1 1 0 0\n"
                                "..MEDIUM ZERA MEDIUM 3 1 1 0 0\n"
                                "..HREF ZERA HREF 3 1 1 0 0\n"
                                "..STATUS ZERA STATUS 3 1 0 0 0\n"
                                "..OBJTYPE ZERA OBJTYPE 3 1 1 0 0\n"
                                "..NAVN ZERA NAVN 3 1 1 0 0\n"
                                "..FORMAL ZERA FORMAL 3 1 1 0 0\n"
                                "..UBRUKT ZERA UBRUKT 3 0 1 0 0\n"
                                "..TOM ZERA TOM 3 1 1 0 0\n"
                                "..NULL ZERA NULL 1 2 1 0 0\n"
                                "..* ZERA ANDRE 3 1 1 0 0\n";

void fyllElm()
{
    Elm.themeCount = 1;
    strcpy(Elm.theme[0], "3001");
    Elm.dato = 20090412;
    Elm.kvalitet[0] = 82;
    Elm.kvalitet[1] = 100;
    Elm.komm = 301;
    Elm.hob = 12.5;
    strcpy(Elm.medium, "T");
    strcpy(Elm.href, "NN");
    strcpy(Elm.status, "E");
    strcpy(Elm.objtype, "Veikant");
    strcpy(Elm.rest, "..NAVN Storgata \xe6\xf8\xe5\n..EIER y\n..NUMMER 12 b \n");
    Elm.restLen = static_cast<int16_t>(strlen(Elm.rest));
}

TEST_F(TaggerTest, AnElementsAttributesBecomeTagsAndComeBack)
{
    lesTabell(FULL_TABELL);
    ASSERT_EQ(LagTagsett(), 0);
    uint32_t pos = linje();
    fyllElm();
    ElementID id = SkrivZeraTagger(pos);
    ASSERT_NE(id, 0u);
    // The one trailing white-space character of rest is removed.
    EXPECT_STREQ(Elm.rest, "..NAVN Storgata \xe6\xf8\xe5\n..EIER y\n..NUMMER 12 b ");

    auto tags = tagger(id);
    struct Forventet {
        const char16_t *name;
        int type;
        int32_t l;
        double d;
        const char *text;
    } const forventet[] = {
        {u"TEMA", TAGTYPE_TEXT, 0, 0, "3001"},     {u"DATO", TAGTYPE_LONG, 20090412, 0, ""},
        {u"KV0", TAGTYPE_LONG, 82, 0, ""},         {u"KV1", TAGTYPE_LONG, 100, 0, ""},
        {u"KOMM", TAGTYPE_LONG, 301, 0, ""},       {u"HOB", TAGTYPE_DOUBLE, 0, 12.5, ""},
        {u"MEDIUM", TAGTYPE_TEXT, 0, 0, "T"},      {u"HREF", TAGTYPE_TEXT, 0, 0, "NN"},
        {u"STATUS", TAGTYPE_TEXT, 0, 0, "E"},      {u"OBJTYPE", TAGTYPE_TEXT, 0, 0, "Veikant"},
        {u"NAVN", TAGTYPE_TEXT, 0, 0, "Storgata \xe6\xf8\xe5"},
        // Index 2: a long written without a value.
        {u"NULL", TAGTYPE_LONG, 0, 0, ""},
        {u"ANDRE", TAGTYPE_TEXT, 0, 0, "..EIER y\n..NUMMER 12 b"},
    };
    ASSERT_EQ(tags.size(), std::size(forventet));
    for (size_t i = 0; i < tags.size(); ++i) {
        const Forventet &f = forventet[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(tags[i].set, u"ZERA");
        EXPECT_EQ(tags[i].name, f.name);
        EXPECT_EQ(tags[i].value.type, f.type);
        EXPECT_EQ(tags[i].value.longValue, f.l);
        EXPECT_EQ(tags[i].value.doubleValue, f.d);
        EXPECT_STREQ(tags[i].value.stringValue, f.text);
        EXPECT_EQ(tags[i].hidden, f.name == std::u16string(u"STATUS") ? 1 : 0);
    }
    // No tag for index 0 (UBRUKT), nor an index-1 entry without a value
    // (FORMAL, TOM).
    EXPECT_EQ(finn(tags, u"UBRUKT"), nullptr);
    EXPECT_EQ(finn(tags, u"FORMAL"), nullptr);

    // Export: a cleared record gets it all back.
    ElmStruct *skrevet = new ElmStruct(Elm);
    std::unique_ptr<ElmStruct> ut(skrevet);
    memset(&Elm, 0, sizeof Elm);
    LesZeraTagger(element(id).get());
    EXPECT_EQ(Elm.themeCount, 1);
    EXPECT_STREQ(Elm.theme[0], "3001");
    EXPECT_EQ(Elm.dato, skrevet->dato);
    EXPECT_EQ(Elm.kvalitet[0], 82);
    EXPECT_EQ(Elm.kvalitet[1], 100);
    EXPECT_EQ(Elm.komm, 301);
    EXPECT_EQ(Elm.hob, 12.5);
    EXPECT_STREQ(Elm.medium, "T");
    EXPECT_STREQ(Elm.href, "NN");
    EXPECT_STREQ(Elm.status, "E");
    EXPECT_STREQ(Elm.objtype, "Veikant");
    // The index-2 entry came as a tag without a value, so it comes back as 0.
    EXPECT_STREQ(Elm.rest, "..NAVN Storgata \xe6\xf8\xe5\n..NULL 0\n..EIER y\n..NUMMER 12 b");
    EXPECT_EQ(Elm.restLen, static_cast<int16_t>(strlen(Elm.rest)));
}

TEST_F(TaggerTest, RestLookupsMatchWholeNamesAndWords)
{
    lesTabell("..A ZERA A 3 1 1 0 0\n"
              "..B ZERA B0 3 1 1 0 0\n"
              "..B ZERA B1 1 1 1 0 0\n"
              "..B ZERA B5 3 2 1 0 0\n"
              "..C ZERA C 2 1 1 0 0\n"
              "..* ZERA ANDRE 3 1 1 0 0\n");
    ASSERT_EQ(LagTagsett(), 0);
    uint32_t pos = linje();
    strcpy(Elm.rest, "..AB 7\n..A x..y\n..B ord 42\n..C 2.5");
    Elm.restLen = static_cast<int16_t>(strlen(Elm.rest));
    auto tags = tagger(SkrivZeraTagger(pos));
    ASSERT_NE(finn(tags, u"A"), nullptr);
    EXPECT_STREQ(finn(tags, u"A")->value.stringValue, "x");
    EXPECT_STREQ(finn(tags, u"B0")->value.stringValue, "ord");
    EXPECT_EQ(finn(tags, u"B1")->value.longValue, 42);
    EXPECT_EQ(finn(tags, u"B5"), nullptr); // index 2, but an empty text
    EXPECT_EQ(finn(tags, u"C")->value.doubleValue, 2.5);
    EXPECT_STREQ(finn(tags, u"ANDRE")->value.stringValue, "..AB 7");
}

TEST_F(TaggerTest, ValuesTakeTheTagsType)
{
    lesTabell("..HOB ZERA HOBL 1 1 1 0 0\n"
              "..HOB ZERA HOBT 3 1 1 0 0\n"
              "..DATO ZERA DATOD 2 1 1 0 0\n"
              "..KOMM ZERA KOMMT 3 1 1 0 0\n");
    ASSERT_EQ(LagTagsett(), 0);
    uint32_t pos = linje();
    Elm.hob = 12.75;
    Elm.dato = 20090412;
    ElementID id = SkrivZeraTagger(pos);
    auto tags = tagger(id);
    ASSERT_EQ(tags.size(), 3u); // KOMM 0 is no value
    EXPECT_EQ(finn(tags, u"HOBL")->value.longValue, 12);
    EXPECT_STREQ(finn(tags, u"HOBT")->value.stringValue, "12.750");
    EXPECT_EQ(finn(tags, u"DATOD")->value.doubleValue, 20090412.0);

    // Back: "..KOMM" from a text beyond 16 bits is held at the limit.
    leggTilTag(id, u"KOMMT", "70000");
    memset(&Elm, 0, sizeof Elm);
    LesZeraTagger(element(id).get());
    EXPECT_EQ(Elm.hob, 12.75); // the text tag "12.750" is read after the long 12
    EXPECT_EQ(Elm.dato, 20090412);
    EXPECT_EQ(Elm.komm, 32767);
}

TEST_F(TaggerTest, TheTagSitsAtTheLinesPointNearestItsRangeCentre)
{
    lesTabell("..DATO ZERA DATO 1 1 1 0.5 0.25\n");
    ASSERT_EQ(LagTagsett(), 0);
    uint32_t pos = linje();
    Elm.dato = 20240101;
    auto tags = tagger(SkrivZeraTagger(pos));
    ASSERT_EQ(tags.size(), 1u);
    // Closest point (3, 3.5) less the first vertex (1, 2), plus (0.5, 0.25),
    // in UOR.
    EXPECT_NEAR(tags[0].origin.x, 2500, 1e-6);
    EXPECT_NEAR(tags[0].origin.y, 1750, 1e-6);

    // A point element: no anchor, only the offsets.
    Elm.type = 1;
    auto el = dgntest::newElement();
    DPoint3d pts[2] = {{1000, 2000, 0}, {1000, 2000, 0}};
    ASSERT_EQ(mdlLine_create(el.get(), nullptr, pts), 0);
    uint32_t punkt = mdlElement_add(el.get());
    tags = tagger(SkrivZeraTagger(punkt));
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_NEAR(tags[0].origin.x, 500, 1e-6);
    EXPECT_NEAR(tags[0].origin.y, 250, 1e-6);
}

TEST_F(TaggerTest, TextModeWritesShownValuesAsTexts)
{
    data_.egenskapModus = 1;
    lesTabell("..DATO ZERA DATO 1 1 1 0.5 0.25\n"
              "..HOB ZERA HOB 2 1 1 0 0\n"
              "..OBJTYPE ZERA OBJTYPE 3 1 0 0 0\n");
    ASSERT_EQ(LagTagsett(), 0);
    uint32_t pos = linje();
    Elm.dato = 20240101;
    Elm.hob = 3.25;
    strcpy(Elm.objtype, "Skjult");
    ElementID id = SkrivZeraTagger(pos);
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(tagger(id).empty());

    std::vector<std::pair<std::string, DPoint3d>> texts;
    auto el = dgntest::newElement();
    for (uint32_t p = pos + 1; p < mdlElement_getFilePos(FILEPOS_EOF, nullptr); ++p) {
        if (mdlElement_read(el.get(), 0, p) != 0 || mdlElement_getType(el.get()) != TEXT_ELM)
            continue;
        char s[128];
        DPoint3d origin;
        ASSERT_EQ(mdlText_extract(s, sizeof s, &origin, nullptr, nullptr, nullptr, el.get()), 0);
        texts.push_back({s, origin});
    }
    ASSERT_EQ(texts.size(), 2u); // OBJTYPE is not displayed
    EXPECT_EQ(texts[0].first, "20240101");
    EXPECT_EQ(texts[1].first, "3.250");
    // The first point (1, 2) + anchor (2, 1.5) + (0.5, 0.25), in UOR.
    EXPECT_NEAR(texts[0].second.x, 3500, 1e-6);
    EXPECT_NEAR(texts[0].second.y, 3750, 1e-6);
}

TEST_F(TaggerTest, ThemesFromSeveralTagsWhenOneElementHoldsSeveralThemes)
{
    data_.flereTemaEnGang = 1;
    lesTabell("..TEMA ZERA T0 3 1 1 0 0\n"
              "..TEMA ZERA T1 3 1 1 0 0\n"
              "..TEMA ZERA T2 3 1 1 0 0\n");
    ASSERT_EQ(TagsetHarTema(), 1);
    ASSERT_EQ(LagTagsett(), 0);
    uint32_t pos = linje();
    Elm.themeCount = 2;
    strcpy(Elm.theme[0], "3001");
    strcpy(Elm.theme[1], "3002");
    strcpy(Elm.theme[2], "GAMMEL"); // past themeCount: not this element's
    ElementID id = SkrivZeraTagger(pos);
    auto tags = tagger(id);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_STREQ(finn(tags, u"T0")->value.stringValue, "3001");
    EXPECT_STREQ(finn(tags, u"T1")->value.stringValue, "3002");

    memset(&Elm, 0, sizeof Elm);
    LesZeraTagger(element(id).get());
    EXPECT_EQ(Elm.themeCount, 2);
    EXPECT_STREQ(Elm.theme[0], "3001");
    EXPECT_STREQ(Elm.theme[1], "3002");
}

TEST_F(TaggerTest, RepeatedAttributesAreJoinedInOccurrenceOrder)
{
    lesTabell("..X ZERA X0 3 1 1 0 0\n"
              "..X ZERA X1 3 1 1 0 0\n"
              "..X ZERA X2 3 1 1 0 0\n"
              "..NAVN ZERA NAVN 3 1 1 0 0\n"
              "..* ZERA ANDRE 3 1 1 0 0\n");
    ASSERT_EQ(LagTagsett(), 0);
    ElementID id = 0;
    ASSERT_EQ(mdlAssoc_getUniqueId(&id, linje(), 0), 0);
    // Added in the order 2, 0, 1; the "..NAVN" tag before the "..*" tag.
    leggTilTag(id, u"X2", "c");
    leggTilTag(id, u"NAVN", "x");
    leggTilTag(id, u"ANDRE", "..EIER y");
    leggTilTag(id, u"X0", "a");
    leggTilTag(id, u"X1", "b");
    memset(&Elm, 0, sizeof Elm);
    LesZeraTagger(element(id).get());
    EXPECT_STREQ(Elm.rest, "..NAVN x\n..EIER y\n..X a b c");
    EXPECT_EQ(Elm.restLen, static_cast<int16_t>(strlen(Elm.rest)));
}

TEST_F(TaggerTest, TagValuesAreCutToTheirFields)
{
    lesTabell("..MEDIUM ZERA MEDIUM 3 1 1 0 0\n"
              "..STATUS ZERA STATUS 3 1 1 0 0\n"
              "..OBJTYPE ZERA OBJTYPE 3 1 1 0 0\n"
              "..TEMA ZERA TEMA 3 1 1 0 0\n"
              "..X ZERA X0 3 1 1 0 0\n"
              "..X ZERA X1 3 1 1 0 0\n");
    ASSERT_EQ(LagTagsett(), 0);
    ElementID id = 0;
    ASSERT_EQ(mdlAssoc_getUniqueId(&id, linje(), 0), 0);
    leggTilTag(id, u"MEDIUM", "ABCDEFG");
    leggTilTag(id, u"STATUS", "XY");
    leggTilTag(id, u"OBJTYPE", std::string(80, 'o').c_str());
    leggTilTag(id, u"TEMA", std::string(60, 't').c_str());
    leggTilTag(id, u"X0", std::string(150, 'v').c_str());

    memset(&Elm, 0x5A, sizeof Elm);
    Elm.themeCount = 0;
    Elm.rest[0] = '\0';
    std::unique_ptr<const ElmStruct> foer(new ElmStruct(Elm));
    LesZeraTagger(element(id).get());
    EXPECT_STREQ(Elm.medium, "ABC");
    EXPECT_STREQ(Elm.status, "X");
    EXPECT_EQ(std::string(Elm.objtype), std::string(ZERA_NAME_LEN - 1, 'o'));
    EXPECT_EQ(std::string(Elm.theme[0]), std::string(ZERA_THEME_LEN - 1, 't'));
    EXPECT_EQ(Elm.themeCount, 1);
    // A repeated value is kept to 100 characters.
    EXPECT_EQ(std::string(Elm.rest), "..X " + std::string(100, 'v'));
    EXPECT_EQ(Elm.restLen, 104);
    // The neighbours of the cut fields are untouched.
    EXPECT_EQ(memcmp(Elm.kvalitet, foer->kvalitet, sizeof Elm.kvalitet), 0);
    EXPECT_EQ(memcmp(Elm.href, foer->href, sizeof Elm.href), 0);
    EXPECT_EQ(Elm.komm, foer->komm);
    EXPECT_EQ(Elm.ut, foer->ut);
    EXPECT_EQ(memcmp(Elm.theme[1], foer->theme[1], ZERA_THEME_LEN), 0);
    EXPECT_EQ(memcmp(Elm.themeCode, foer->themeCode, sizeof Elm.themeCode), 0);
    const size_t etter = offsetof(ElmStruct, style);
    EXPECT_EQ(memcmp(reinterpret_cast<const char *>(&Elm) + etter, reinterpret_cast<const char *>(foer.get()) + etter,
                     sizeof Elm - etter),
              0);
    std::string tw = mdlhost_textWindow();
    for (const char *navn : {"..MEDIUM", "..STATUS", "..OBJTYPE", "..TEMA", "..X"})
        EXPECT_NE(tw.find(std::string(navn) + " er kuttet"), std::string::npos) << navn << "\n" << tw;
}

TEST_F(TaggerTest, RestNeverRunsPastItsField)
{
    lesTabell("..X ZERA X0 3 1 1 0 0\n"
              "..X ZERA X1 3 1 1 0 0\n"
              "..* ZERA ANDRE 3 1 1 0 0\n");
    ASSERT_EQ(LagTagsett(), 0);
    ElementID id = 0;
    ASSERT_EQ(mdlAssoc_getUniqueId(&id, linje(), 0), 0);
    leggTilTag(id, u"ANDRE", ("..LANG " + std::string(1985, 'l')).c_str());
    leggTilTag(id, u"X0", "v");
    leggTilTag(id, u"ANDRE", "..KORT 1");
    memset(&Elm, 0, sizeof Elm);
    LesZeraTagger(element(id).get());
    // "..KORT 1" fills rest to its 2001 characters; "..X v" does not fit
    // and is left out whole.
    EXPECT_EQ(std::string(Elm.rest), "..LANG " + std::string(1985, 'l') + "\n..KORT 1");
    EXPECT_EQ(Elm.restLen, ZERA_REST_LEN - 1);
    std::string tw = mdlhost_textWindow();
    EXPECT_NE(tw.find("..X f"), std::string::npos) << tw;
}

// ---- removing the sets ----------------------------------------------------------------------

TEST_F(TaggerTest, RemovingTheSetsKeepsOtherSets)
{
    DgnTagDefinition def{};
    std::u16string(u"EGEN").copy(def.name, MDLHOST_MAX_TAGNAME);
    def.value.type = TAGTYPE_LONG;
    ASSERT_EQ(mdlTag_createSetDef(u"BRUKER", u"r", 0, &def, 1, 0), 0);
    lesTabell("..DATO ZERA DATO 1 1 1 0 0\n"
              "..HOB ANNET HOB 2 1 1 0 0\n");
    ASSERT_EQ(LagTagsett(), 0);
    uint32_t pos = linje();
    Elm.dato = 20240101;
    Elm.hob = 4.5;
    ElementID id = SkrivZeraTagger(pos);
    auto el = dgntest::newElement();
    DgnTagValue v{};
    v.type = TAGTYPE_LONG;
    v.longValue = 7;
    ASSERT_EQ(mdlTag_create(el.get(), u"BRUKER", u"EGEN", &v, id, nullptr, 0, 0), 0);
    ASSERT_NE(mdlElement_add(el.get()), 0u);
    ASSERT_EQ(tagger(id).size(), 3u);

    FjernTagsett();
    EXPECT_EQ(settNavn(), std::vector<std::u16string>{u"BRUKER"});
    auto tags = tagger(id);
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].name, u"EGEN");
    EXPECT_EQ(ZeraTagsetTabell(nullptr), nullptr);
    // A second call has nothing to do.
    FjernTagsett();
    EXPECT_EQ(settNavn(), std::vector<std::u16string>{u"BRUKER"});
}

} // namespace

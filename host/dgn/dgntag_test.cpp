// Tags: set definitions, tags attached to elements by unique id, deletion.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dgn_testing.h"
#include "dgncell_testing.h"
#include "mdlhost.h"

namespace {

using dgntest::DscrPtr;

DgnTagDefinition def(const char16_t *name, int type)
{
    DgnTagDefinition d{};
    std::u16string n(name);
    n.copy(d.name, MDLHOST_MAX_TAGNAME);
    d.value.type = type;
    return d;
}

DgnTagValue textValue(const char *text)
{
    DgnTagValue v{};
    v.type = TAGTYPE_TEXT;
    snprintf(v.stringValue, sizeof v.stringValue, "%s", text);
    return v;
}

DgnTagValue longValue(int32_t n)
{
    DgnTagValue v{};
    v.type = TAGTYPE_LONG;
    v.longValue = n;
    return v;
}

DgnTagValue doubleValue(double d)
{
    DgnTagValue v{};
    v.type = TAGTYPE_DOUBLE;
    v.doubleValue = d;
    return v;
}

class TagTest : public dgntest::DgnTest {
  protected:
    void SetUp() override
    {
        DgnTest::SetUp();
        DgnTagDefinition defs[] = {def(u"OBJTYPE", TAGTYPE_TEXT), def(u"DATO", TAGTYPE_LONG),
                                   def(u"HOB", TAGTYPE_DOUBLE)};
        snprintf(defs[0].value.stringValue, sizeof defs[0].value.stringValue, "Veg");
        std::u16string(u"Objekttype").copy(defs[0].prompt, MDLHOST_MAX_TAGNAME);
        ASSERT_EQ(mdlTag_createSetDef(u"ZERA", u"zvzera.rep", 0, defs, 3, 0), 0);
    }

    // A line string added to the design; its unique id.
    ElementID addTarget(uint32_t *posOut = nullptr)
    {
        auto el = dgntest::newElement();
        DPoint3d pts[3] = {{1000, 2000, 0}, {3000, 2000, 0}, {3000, 5000, 0}};
        EXPECT_EQ(mdlLineString_create(el.get(), nullptr, pts, 3), 0);
        uint32_t pos = mdlElement_add(el.get());
        EXPECT_NE(pos, 0u);
        if (posOut) *posOut = pos;
        ElementID id = 0;
        EXPECT_EQ(mdlAssoc_getUniqueId(&id, pos, 0), 0);
        return id;
    }

    // Tags of target, each added as it is made.
    void addTags(ElementID target, const std::vector<std::pair<const char16_t *, DgnTagValue>> &tags)
    {
        auto el = dgntest::newElement();
        for (const auto &[name, value] : tags) {
            DPoint3d offset{10, 20, 0};
            ASSERT_EQ(mdlTag_create(el.get(), u"ZERA", name, &value, target, &offset, 0, 0), 0);
            ASSERT_NE(mdlElement_add(el.get()), 0u);
        }
    }

    std::vector<std::u16string> tagNames(ElementID target)
    {
        auto el = dgntest::newElement();
        el->ehdr.uniqueId = target;
        DscrPtr tags;
        int count = -1;
        EXPECT_EQ(mdlTag_getElementTags(tags.out(), &count, el.get(), 0), 0);
        std::vector<std::u16string> names;
        for (const MSElementDescr *d = tags.get(); d; d = d->h.next) {
            char16_t name[MDLHOST_MAX_TAGNAME + 1];
            EXPECT_EQ(mdlTag_extract(nullptr, name, nullptr, nullptr, nullptr, nullptr, &d->el), 0);
            names.push_back(name);
        }
        EXPECT_EQ(count, static_cast<int>(names.size()));
        return names;
    }
};

TEST_F(TagTest, SetDefinitionsRoundTrip)
{
    DgnTagSetName *names = nullptr;
    int count = 0;
    ASSERT_EQ(mdlTag_getSetNames(&names, &count, 0), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(std::u16string(names[0].name), u"ZERA");
    dlmSystem_mdlFree(names);

    DgnTagDefinition *defs = nullptr;
    char16_t report[64];
    ASSERT_EQ(mdlTag_getSetDef(&defs, &count, report, 64, u"ZERA", 0), 0);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(std::u16string(report), u"zvzera.rep");
    EXPECT_EQ(std::u16string(defs[0].name), u"OBJTYPE");
    EXPECT_EQ(std::u16string(defs[0].prompt), u"Objekttype");
    EXPECT_EQ(defs[0].value.type, TAGTYPE_TEXT);
    EXPECT_STREQ(defs[0].value.stringValue, "Veg");
    EXPECT_EQ(defs[1].value.type, TAGTYPE_LONG);
    EXPECT_EQ(defs[2].value.type, TAGTYPE_DOUBLE);
    mdlTag_freeTagDefArray(defs, count);

    EXPECT_EQ(mdlTag_getSetDef(&defs, &count, nullptr, 0, u"ANNET", 0), DGNERR_NOTFOUND);
    EXPECT_EQ(defs, nullptr);
}

TEST_F(TagTest, BadSetDefinitionsAreRefused)
{
    DgnTagDefinition good = def(u"A", TAGTYPE_TEXT);
    struct Case {
        const char *what;
        const char16_t *set;
        std::vector<DgnTagDefinition> defs;
        int expected;
    } cases[] = {
        {"existing set", u"ZERA", {good}, DGNERR_EXISTS},
        {"no definitions", u"NY", {}, DGNERR_BADARG},
        {"empty tag name", u"NY", {def(u"", TAGTYPE_TEXT)}, DGNERR_BADARG},
        {"same tag twice", u"NY", {good, good}, DGNERR_BADARG},
        {"unknown type", u"NY", {def(u"B", 2)}, DGNERR_BADARG},
        {"empty set name", u"", {good}, DGNERR_BADARG},
        {"set name of 33", u"123456789012345678901234567890123", {good}, DGNERR_BADARG},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mdlTag_createSetDef(c.set, u"r", 0, c.defs.data(), static_cast<int>(c.defs.size()), 0), c.expected)
            << c.what;
    // A text default without its terminator is not read past its buffer.
    DgnTagDefinition unterminated = good;
    memset(unterminated.value.stringValue, 'x', sizeof unterminated.value.stringValue);
    EXPECT_EQ(mdlTag_createSetDef(u"NY", u"r", 0, &unterminated, 1, 0), DGNERR_BADARG);

    DgnTagSetName *names = nullptr;
    int count = 0;
    ASSERT_EQ(mdlTag_getSetNames(&names, &count, 0), 0);
    EXPECT_EQ(count, 1);
    dlmSystem_mdlFree(names);
}

TEST_F(TagTest, TagsAreFoundByTheirTargetAndExtractedWithTheirValues)
{
    ElementID target = addTarget(), other = addTarget();
    addTags(target, {{u"OBJTYPE", textValue("Bj\xF8rnes\xE5s veg")}, {u"DATO", longValue(20240131)},
                     {u"HOB", doubleValue(12.375)}});
    addTags(other, {{u"DATO", longValue(1)}});

    auto probe = dgntest::newElement();
    probe->ehdr.uniqueId = target;
    DscrPtr tags;
    int count = 0;
    ASSERT_EQ(mdlTag_getElementTags(tags.out(), &count, probe.get(), 0), 0);
    ASSERT_EQ(count, 3);
    const MSElementDescr *d = tags.get();
    char16_t set[MDLHOST_MAX_TAGNAME + 1], tag[MDLHOST_MAX_TAGNAME + 1];
    DgnTagValue value;
    ElementID got = 0;
    DPoint3d offset;
    int hidden = -1;
    ASSERT_EQ(mdlTag_extract(set, tag, &value, &got, &offset, &hidden, &d->el), 0);
    EXPECT_EQ(std::u16string(set), u"ZERA");
    EXPECT_EQ(std::u16string(tag), u"OBJTYPE");
    EXPECT_STREQ(value.stringValue, "Bj\xF8rnes\xE5s veg");
    EXPECT_EQ(got, target);
    EXPECT_DOUBLE_EQ(offset.x, 10);
    EXPECT_DOUBLE_EQ(offset.y, 20);
    EXPECT_EQ(hidden, 0);
    // Shown at the offset from the line string's first point.
    EXPECT_DOUBLE_EQ(d->el.line.dhdr.range.low.x, 1010);
    ASSERT_EQ(mdlTag_extract(nullptr, nullptr, &value, nullptr, nullptr, nullptr, &d->h.next->el), 0);
    EXPECT_EQ(value.longValue, 20240131);
    ASSERT_EQ(mdlTag_extract(nullptr, nullptr, &value, nullptr, nullptr, nullptr, &d->h.next->h.next->el), 0);
    EXPECT_DOUBLE_EQ(value.doubleValue, 12.375);

    EXPECT_EQ(tagNames(other), std::vector<std::u16string>{u"DATO"});
    EXPECT_TRUE(tagNames(addTarget()).empty());
}

TEST_F(TagTest, TagsFollowATargetThatMoves)
{
    uint32_t pos = 0;
    ElementID target = addTarget(&pos);
    addTags(target, {{u"DATO", longValue(7)}});
    // A rewrite that grows the element moves it; the id goes along.
    auto el = dgntest::newElement();
    std::vector<DPoint3d> pts(400);
    for (size_t i = 0; i < pts.size(); ++i) pts[i] = {double(i), double(i % 7), 0};
    ASSERT_EQ(mdlLineString_create(el.get(), nullptr, pts.data(), static_cast<int>(pts.size())), 0);
    el->ehdr.uniqueId = target;
    uint32_t moved = mdlElement_rewrite(el.get(), nullptr, pos);
    ASSERT_NE(moved, 0u);
    auto back = dgntest::newElement();
    ASSERT_EQ(mdlElement_read(back.get(), 0, moved), 0);
    EXPECT_EQ(back->ehdr.uniqueId, target);
    EXPECT_EQ(tagNames(target), std::vector<std::u16string>{u"DATO"});
}

// Each tag takes its target and set as they are when it is made: after a
// rewrite, after a command that was rolled back, after the set was made
// again.
TEST_F(TagTest, EachTagTakesItsTargetAsItIsNow)
{
    uint32_t pos = 0;
    ElementID target = addTarget(&pos);
    auto tag = dgntest::newElement();
    DgnTagValue n = longValue(1);
    auto tagAt = [&](ElementID id) {
        int rc = mdlTag_create(tag.get(), u"ZERA", u"DATO", &n, id, nullptr, 0, 0);
        return rc != 0 ? -double(rc) : reinterpret_cast<Tag_elm *>(tag.get())->dhdr.range.low.x;
    };
    auto moveTo = [&](double x) {
        auto el = dgntest::newElement();
        DPoint3d pts[2] = {{x, 8000, 0}, {x + 2000, 8000, 0}};
        ASSERT_EQ(mdlLineString_create(el.get(), nullptr, pts, 2), 0);
        el->ehdr.uniqueId = target;
        ASSERT_EQ(mdlElement_rewrite(el.get(), nullptr, pos), pos);
    };
    EXPECT_EQ(tagAt(target), 1000);
    moveTo(7000);
    EXPECT_EQ(tagAt(target), 7000);

    mdlhost_dgnBeginCommand();
    moveTo(4000);
    EXPECT_EQ(tagAt(target), 4000);
    mdlhost_dgnEndCommand(0);
    EXPECT_EQ(tagAt(target), 7000) << "the move was rolled back";

    mdlhost_dgnBeginCommand();
    ElementID added = addTarget();
    EXPECT_EQ(tagAt(added), 1000);
    mdlhost_dgnEndCommand(0);
    EXPECT_EQ(tagAt(added), -DGNERR_NOTFOUND) << "the target's add was rolled back";

    ASSERT_EQ(mdlTag_deleteSetDef(u"ZERA", 0), 0);
    DgnTagDefinition defs[] = {def(u"DATO", TAGTYPE_TEXT)};
    ASSERT_EQ(mdlTag_createSetDef(u"ZERA", u"zvzera.rep", 0, defs, 1, 0), 0);
    EXPECT_EQ(tagAt(target), -DGNERR_BADELEMENT) << "the tag is a text now";
}

TEST_F(TagTest, CreateRefusesWhatTheSetDoesNotHold)
{
    ElementID target = addTarget();
    auto el = dgntest::newElement();
    DgnTagValue text = textValue("x"), number = longValue(1);
    DgnTagValue tooLong{};
    tooLong.type = TAGTYPE_TEXT;
    memset(tooLong.stringValue, 'y', sizeof tooLong.stringValue); // no terminator
    struct Case {
        const char *what;
        const char16_t *set, *tag;
        const DgnTagValue *value;
        ElementID target;
        int expected;
    } cases[] = {
        {"value of another type", u"ZERA", u"DATO", &text, target, DGNERR_BADELEMENT},
        {"unknown tag", u"ZERA", u"KOMM", &number, target, DGNERR_NOTFOUND},
        {"unknown set", u"ANNET", u"DATO", &number, target, DGNERR_NOTFOUND},
        {"unknown target", u"ZERA", u"DATO", &number, target + 1000, DGNERR_NOTFOUND},
        {"text without end", u"ZERA", u"OBJTYPE", &tooLong, target, DGNERR_BADELEMENT},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mdlTag_create(el.get(), c.set, c.tag, c.value, c.target, nullptr, 1, 0), c.expected) << c.what;

    // A tag record whose count runs past its element is refused, not read.
    ASSERT_EQ(mdlTag_create(el.get(), u"ZERA", u"OBJTYPE", &text, target, nullptr, 1, 0), 0);
    int hidden = 0;
    ASSERT_EQ(mdlTag_extract(nullptr, nullptr, nullptr, nullptr, nullptr, &hidden, el.get()), 0);
    EXPECT_EQ(hidden, 1);
    reinterpret_cast<Tag_elm *>(el.get())->numChars = 5000;
    DgnTagValue v;
    EXPECT_EQ(mdlTag_extract(nullptr, nullptr, &v, nullptr, nullptr, nullptr, el.get()), DGNERR_BADELEMENT);
}

TEST_F(TagTest, DeletingInstancesAndSets)
{
    DgnTagDefinition other[] = {def(u"DATO", TAGTYPE_LONG)};
    ASSERT_EQ(mdlTag_createSetDef(u"ANNET", nullptr, 0, other, 1, 0), 0);
    ElementID target = addTarget();
    addTags(target, {{u"OBJTYPE", textValue("a")}, {u"DATO", longValue(2)}, {u"HOB", doubleValue(3)}});
    {
        auto el = dgntest::newElement();
        DgnTagValue v = longValue(9);
        ASSERT_EQ(mdlTag_create(el.get(), u"ANNET", u"DATO", &v, target, nullptr, 0, 0), 0);
        ASSERT_NE(mdlElement_add(el.get()), 0u);
    }
    EXPECT_EQ(tagNames(target).size(), 4u);

    // Only the instances of ZERA/DATO go; ANNET's DATO stays.
    ASSERT_EQ(mdlTag_deleteTagInstances(0, u"ZERA", u"DATO"), 0);
    EXPECT_EQ(tagNames(target), (std::vector<std::u16string>{u"OBJTYPE", u"HOB", u"DATO"}));

    // The set goes with its remaining tags.
    ASSERT_EQ(mdlTag_deleteSetDef(u"ZERA", 0), 0);
    EXPECT_EQ(tagNames(target), std::vector<std::u16string>{u"DATO"});
    DgnTagSetName *names = nullptr;
    int count = 0;
    ASSERT_EQ(mdlTag_getSetNames(&names, &count, 0), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(std::u16string(names[0].name), u"ANNET");
    dlmSystem_mdlFree(names);
    EXPECT_EQ(mdlTag_deleteSetDef(u"ZERA", 0), DGNERR_NOTFOUND);
    // The name is free again.
    DgnTagDefinition again[] = {def(u"X", TAGTYPE_TEXT)};
    EXPECT_EQ(mdlTag_createSetDef(u"ZERA", nullptr, 0, again, 1, 0), 0);
}

} // namespace

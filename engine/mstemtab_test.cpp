#include <cstring>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine_testing.h"

namespace {

const char *const kRow = "Veg;7001;VSI;L;10;3;0;0;1;10;10;KRYSS;1;1;0";

class MstemtabTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        bmwinit();
        tom_tabeller();
    }
    static void tom_tabeller()
    {
        memset(&Mstemtab, 0, sizeof Mstemtab);
        memset(&MstemtabXml, 0, sizeof MstemtabXml);
        memset(&Fkbtab, 0, sizeof Fkbtab);
        xmlDocPending = 0;
    }
    // kRow with field f (0-based) replaced by value.
    static std::string rad(int f, const std::string &value, const std::string &tail = "")
    {
        std::vector<std::string> fields;
        std::stringstream s(kRow);
        std::string item;
        while (std::getline(s, item, ';'))
            fields.push_back(item);
        fields[(size_t)f] = value;
        std::string out;
        for (size_t i = 0; i < fields.size(); i++)
            out += (i ? ";" : "") + fields[i];
        return out + tail;
    }
    void expect_fatal(int number, int32_t line, const std::string &what) const
    {
        EXPECT_EQ(Mstemtab.rowCount, 0) << what;
        ASSERT_EQ(Bmw.msgCount, 1) << what;
        EXPECT_EQ(Bmw.msg.type[0], BMW_FATAL) << what;
        EXPECT_STREQ(Bmw.msg.rutnam[0], "MSTEMTAB") << what;
        EXPECT_EQ(Bmw.msg.number[0], number) << what;
        EXPECT_EQ(Bmw.msg.line[0], line) << what;
        EXPECT_EQ(Bmw.lastFatal, 1) << what;
    }
};

TEST_F(MstemtabTest, GoodFileLoadsEveryColumn)
{
    std::string file = writeFile("tema.tem",
                                 "! Tematabell\n"
                                 ".before any row: ignored\n"
                                 "Veg;7001;VSI;L;10;3;0;0;1;10;10;KRYSS;1;1;0 !Vei #VEG B 1 0\n"
                                 "..KVALITET 82\n"
                                 "..DATO 2000\n"
                                 " Kum ;\t2101 ; FKB ; P ; Lev 2 ; 254 ; 31 ; -1 ; -1 ;"
                                 " 2.5 ; -1 ; \xC6re1 ; .5 ; -1 ; 1\n"
                                 ";2102;HDB;T;;0;0;7;3;-1;0.25;S;0;0; ! \t Lang kommentar \t \n"
                                 "Hus;5001;BYG;F;9;1;2;3;4;5;6;X;7;8;0#hus r 0 1 ekstra\n");
    ASSERT_EQ(mt_init(file.c_str(), 1), 0) << Bmw.msg.number[0] << " line " << Bmw.msg.line[0];
    EXPECT_EQ(Bmw.msgCount, 0);
    ASSERT_EQ(Mstemtab.rowCount, 4);
    EXPECT_EQ(xmlDocPending, 1);

    EXPECT_STREQ(Mstemtab.objtype[0], "Veg");
    EXPECT_STREQ(Mstemtab.tema[0], "7001");
    EXPECT_STREQ(Mstemtab.fkbGroup[0], "VSI");
    EXPECT_STREQ(Mstemtab.datatype[0], "L");
    EXPECT_STREQ(Mstemtab.level[0], "10");
    EXPECT_EQ(Mstemtab.colour[0], 3);
    EXPECT_EQ(Mstemtab.weight[0], 0);
    EXPECT_EQ(Mstemtab.style[0], 0);
    EXPECT_EQ(Mstemtab.font[0], 1);
    EXPECT_DOUBLE_EQ(Mstemtab.textHeight[0], 10);
    EXPECT_DOUBLE_EQ(Mstemtab.textWidth[0], 10);
    EXPECT_EQ(std::u16string(Mstemtab.cell[0]), u"KRYSS");
    EXPECT_DOUBLE_EQ(Mstemtab.cellScaleX[0], 1);
    EXPECT_DOUBLE_EQ(Mstemtab.cellScaleY[0], 1);
    EXPECT_EQ(Mstemtab.multHoyde[0], 0);
    EXPECT_STREQ(Mstemtab.description[0], "..KVALITET 82\n..DATO 2000");
    EXPECT_STREQ(Mstemtab.comment[0], "Vei");
    EXPECT_STREQ(MstemtabXml.xmlName[0], "VEG");
    EXPECT_STREQ(MstemtabXml.xmlKind[0], "B");
    EXPECT_EQ(MstemtabXml.xmlFlag1[0], 1);
    EXPECT_EQ(MstemtabXml.xmlFlag2[0], 0);

    // Blanks and tabs around fields; negative and fractional numbers.
    EXPECT_STREQ(Mstemtab.objtype[1], "Kum");
    EXPECT_STREQ(Mstemtab.tema[1], "2101");
    EXPECT_STREQ(Mstemtab.level[1], "Lev 2");
    EXPECT_EQ(Mstemtab.colour[1], 254);
    EXPECT_EQ(Mstemtab.weight[1], 31);
    EXPECT_EQ(Mstemtab.style[1], -1);
    EXPECT_EQ(Mstemtab.font[1], -1);
    EXPECT_DOUBLE_EQ(Mstemtab.textHeight[1], 2.5);
    EXPECT_DOUBLE_EQ(Mstemtab.textWidth[1], -1);
    EXPECT_EQ(std::u16string(Mstemtab.cell[1]), u"\u00C6re1");
    EXPECT_DOUBLE_EQ(Mstemtab.cellScaleX[1], 0.5);
    EXPECT_DOUBLE_EQ(Mstemtab.cellScaleY[1], -1);
    EXPECT_EQ(Mstemtab.multHoyde[1], 1);
    EXPECT_STREQ(Mstemtab.description[1], "");
    EXPECT_STREQ(Mstemtab.comment[1], "");
    EXPECT_STREQ(MstemtabXml.xmlName[1], "");
    EXPECT_EQ(MstemtabXml.xmlFlag1[1], 0);

    EXPECT_STREQ(Mstemtab.objtype[2], "");
    EXPECT_STREQ(Mstemtab.level[2], "");
    EXPECT_EQ(Mstemtab.multHoyde[2], 0);
    EXPECT_STREQ(Mstemtab.comment[2], "Lang kommentar");

    // LandXML part without a comment; the kind keeps its case.
    EXPECT_STREQ(Mstemtab.comment[3], "");
    EXPECT_STREQ(MstemtabXml.xmlName[3], "hus");
    EXPECT_STREQ(MstemtabXml.xmlKind[3], "r");
    EXPECT_EQ(MstemtabXml.xmlFlag2[3], 1);

    ASSERT_EQ(Fkbtab.count, 4);
    EXPECT_STREQ(Fkbtab.group[0], "VSI");
    EXPECT_STREQ(Fkbtab.group[3], "BYG");
    EXPECT_EQ(Fkbtab.selected[2], 1);
}

TEST_F(MstemtabTest, CommentStopsAtTheLandXmlPart)
{
    const struct {
        const char *tail;
        const char *comment;
        const char *xmlName;
    } cases[] = {
        {" !Vei #VEG B 1 0", "Vei", "VEG"},   {" ! #VEG B 1 0", "", "VEG"},
        {" !#VEG B 1 0", "", "VEG"},          {" #VEG B 1 0 !Vei", "Vei", "VEG"},
        {" !Vei \t#  VEG\tB 1 0", "Vei", "VEG"}, {" !  Vei og bro \t", "Vei og bro", ""},
    };
    for (const auto &c : cases) {
        tom_tabeller();
        ASSERT_EQ(mt_init(writeFile("hale.tem", std::string(kRow) + c.tail + "\n").c_str(), 0), 0) << c.tail;
        EXPECT_STREQ(Mstemtab.comment[0], c.comment) << c.tail;
        EXPECT_STREQ(MstemtabXml.xmlName[0], c.xmlName) << c.tail;
    }
}

TEST_F(MstemtabTest, CrlfFileLoadsLikeItsLfCopy)
{
    const std::string lines[] = {"! kommentar", "Veg;7001;VSI;L;10;3;0;0;1;10;10;KRYSS;1;1;0 !Vei #VEG B 1 0",
                                 "..KVALITET 82", ".neste linje", "Kum;2101;FKB;P;2;4;0;0;1;10;10;KRYSS;1;1;1 !K"};
    std::string lf, crlf;
    for (const auto &l : lines) {
        lf += l + "\n";
        crlf += l + "\r\n";
    }
    ASSERT_EQ(mt_init(writeFile("lf.tem", lf).c_str(), 1), 0);
    auto first = std::make_unique<MstemtabStruct>(Mstemtab);
    auto firstXml = std::make_unique<MstemtabXmlStruct>(MstemtabXml);
    tom_tabeller();
    ASSERT_EQ(mt_init(writeFile("crlf.tem", crlf).c_str(), 1), 0);
    EXPECT_EQ(Mstemtab.rowCount, 2);
    EXPECT_STREQ(Mstemtab.description[0], "..KVALITET 82\n.neste linje");
    EXPECT_EQ(memcmp(first.get(), &Mstemtab, sizeof Mstemtab), 0);
    EXPECT_EQ(memcmp(firstXml.get(), &MstemtabXml, sizeof MstemtabXml), 0);
}

TEST_F(MstemtabTest, EachBadRowStopsTheLoadWithItsNumber)
{
    const std::string long50(MT_FIELD_LEN, '7');
    const struct {
        int number;
        std::string row;
    } cases[] = {
        {3, "Veg;7001;VSI;L;10;3;0;0;1;10;10;KRYSS;1;1"},
        {3, ""},
        {3, rad(14, "2")},
        {3, rad(14, "0 1")},
        {3, rad(14, "0", " !x #VEG B 1")},
        {3, rad(14, "0", " !x #")},
        {3, rad(14, "0", " !" + std::string(MT_LINE_LEN, 'x'))},
        {4, rad(1, "70a1")},
        {4, rad(1, "")},
        {4, rad(1, long50)},
        {5, rad(2, "V5I")},
        {5, rad(2, std::string(MT_FIELD_LEN, 'F'))},
        {5, rad(2, " ")},
        {6, rad(3, "X")},
        {6, rad(3, "PL")},
        {6, rad(3, "p")},
        {6, rad(14, "0", " #VEG Q 1 0")},
        {6, rad(14, "0", " #VEG BB 1 0")},
        {8, rad(5, "300")},
        {8, rad(5, "-1")},
        {8, rad(5, "")},
        {8, rad(5, "2 5")},
        {8, rad(5, "99999999999999999999")},
        {9, rad(6, "32")},
        {10, rad(7, "8")},
        {10, rad(7, "-2")},
        {10, rad(7, "1.5")},
        {11, rad(8, "-2")},
        {11, rad(8, "40000")},
        {12, rad(9, "-1.5")},
        {12, rad(9, "1e3")},
        {12, rad(9, ".")},
        {12, rad(9, "1.2.3")},
        {13, rad(10, "-3")},
        {14, rad(11, "")},
        {14, rad(11, "KR_YSS")},
        {15, rad(12, "-1.01")},
        {15, rad(12, "x")},
        {16, rad(13, "-2")},
        {40, rad(14, "0", " #" + std::string(MT_FIELD_LEN, 'N') + " B 1 0")},
        {41, rad(14, "0", " #VEG B 2 0")},
        {42, rad(14, "0", " #VEG B 1 x")},
    };
    for (const auto &c : cases) {
        bmwinit();
        tom_tabeller();
        std::string file = writeFile("feil.tem", std::string(kRow) + "\n! kommentar\n" + c.row + "\n" + kRow + "\n");
        EXPECT_EQ(mt_init(file.c_str(), 1), -2) << c.row;
        expect_fatal(c.number, 3, c.row);
        // Groups of the failed load are taken back.
        EXPECT_EQ(Fkbtab.count, 0) << c.row;
        EXPECT_EQ(xmlDocPending, 0) << c.row;
    }

    // The widest accepted values.
    bmwinit();
    tom_tabeller();
    std::string edge = rad(1, std::string(MT_FIELD_LEN - 1, '1'));
    edge = edge.substr(0, edge.find(";VSI;")) + ";" + std::string(MT_FIELD_LEN - 1, 'G') +
           ";L;x;254;31;7;32767;-1;-1;Z;-1;-1; #" + std::string(MT_FIELD_LEN - 1, 'N') + " e 0 1";
    ASSERT_EQ(mt_init(writeFile("kant.tem", edge + "\n").c_str(), 1), 0) << edge;
    EXPECT_EQ(Mstemtab.font[0], 32767);
    EXPECT_EQ(strlen(MstemtabXml.xmlName[0]), (size_t)MT_FIELD_LEN - 1);
}

TEST_F(MstemtabTest, FileLevelErrors)
{
    EXPECT_EQ(mt_init(path("finnes-ikke.tem").c_str(), 1), -2);
    expect_fatal(1, 0, "missing file");

    bmwinit();
    EXPECT_EQ(mt_init(writeFile("tom.tem", "").c_str(), 1), -2);
    expect_fatal(17, 0, "empty file");

    bmwinit();
    EXPECT_EQ(mt_init(writeFile("kommentar.tem", "! a\n.b\n! c\n").c_str(), 1), -2);
    expect_fatal(17, 3, "comments only");

    // A description of 160 characters fits; one more does not.
    bmwinit();
    const std::string row = std::string(kRow) + "\n." + std::string(79, 'd') + "\n.";
    ASSERT_EQ(mt_init(writeFile("beskr.tem", row + std::string(78, 'd') + "\n").c_str(), 1), 0);
    EXPECT_EQ(strlen(Mstemtab.description[0]), 160u);
    tom_tabeller();
    EXPECT_EQ(mt_init(writeFile("beskr2.tem", row + std::string(79, 'd') + "\n" + kRow + "\n").c_str(), 1), -2);
    expect_fatal(18, 3, "161-character description");

    // 2000 rows load; the 2001st stops the load.
    std::string rows;
    for (int i = 0; i < MT_MAX_ROWS; i++)
        rows += std::string(kRow) + "\n";
    bmwinit();
    tom_tabeller();
    ASSERT_EQ(mt_init(writeFile("2000.tem", rows).c_str(), 1), 0);
    EXPECT_EQ(Mstemtab.rowCount, MT_MAX_ROWS);
    tom_tabeller();
    EXPECT_EQ(mt_init(writeFile("2001.tem", rows + kRow + "\n").c_str(), 1), -2);
    expect_fatal(2, MT_MAX_ROWS + 1, "2001 rows");

    // The table loads again after a failed load.
    bmwinit();
    ASSERT_EQ(mt_init(writeFile("god.tem", std::string(kRow) + "\n").c_str(), 1), 0);
    EXPECT_EQ(Mstemtab.rowCount, 1);
}

TEST_F(MstemtabTest, LoadedTableIsNotReadAgain)
{
    std::string file = writeFile("tema.tem", std::string(kRow) + "\n");
    ASSERT_EQ(mt_init(file.c_str(), 1), 0);
    writeFile("tema.tem", std::string(kRow) + "\n" + kRow + "\n");
    EXPECT_EQ(mt_init(file.c_str(), 1), 0);
    EXPECT_EQ(Mstemtab.rowCount, 1);
    EXPECT_EQ(mt_init(path("borte.tem").c_str(), 1), 0);
    EXPECT_EQ(Bmw.msgCount, 0);
    Mstemtab.rowCount = 0;
    ASSERT_EQ(mt_init(file.c_str(), 1), 0);
    EXPECT_EQ(Mstemtab.rowCount, 2);
}

TEST_F(MstemtabTest, SelectedGroupsDecideWhichRowsAreKept)
{
    // Rows of groups FKB (not selected), HDB (selected), VSI (new) and FKB.
    const std::string file = writeFile("valg.tem", "Veg;1000;FKB;L;10;3;0;0;1;10;10;KRYSS;1;1;0\n"
                                                   ".beskrivelse av en utelatt rad\n"
                                                   "Veg;1100;HDB;L;10;3;0;0;1;10;10;KRYSS;1;1;0\n"
                                                   "Veg;7001;VSI;L;10;3;0;0;1;10;10;KRYSS;1;1;0\n"
                                                   "Veg;1001;FKB;L;10;3;0;0;1;10;10;KRYSS;1;1;0\n"
                                                   ".heller ikke denne\n");
    const struct {
        int select;
        int32_t rows;
        const char *themes[4];
    } cases[] = {{1, 2, {"1100", "7001"}}, {0, 4, {"1000", "1100", "7001", "1001"}}};
    for (const auto &c : cases) {
        tom_tabeller();
        kopier(Fkbtab.group[0], MT_FIELD_LEN, "FKB");
        Fkbtab.selected[0] = 0;
        kopier(Fkbtab.group[1], MT_FIELD_LEN, "HDB");
        Fkbtab.selected[1] = 1;
        Fkbtab.count = 2;
        ASSERT_EQ(mt_init(file.c_str(), c.select), 0);
        ASSERT_EQ(Mstemtab.rowCount, c.rows);
        for (int32_t r = 0; r < c.rows; r++) {
            EXPECT_STREQ(Mstemtab.tema[r], c.themes[r]);
        }
        // The continuation of a dropped row does not land on the kept one.
        EXPECT_STREQ(Mstemtab.description[c.select ? 1 : 2], "");
        ASSERT_EQ(Fkbtab.count, 3);
        EXPECT_STREQ(Fkbtab.group[2], "VSI");
        EXPECT_EQ(Fkbtab.selected[2], 1);
        EXPECT_EQ(Fkbtab.selected[0], 0);
    }
    EXPECT_STREQ(Mstemtab.description[0], ".beskrivelse av en utelatt rad");
}

TEST_F(MstemtabTest, FullGroupTableKeepsRowsOfUnlistedGroups)
{
    for (int g = 0; g < FKB_MAX_GROUPS; g++) {
        snprintf(Fkbtab.group[g], MT_FIELD_LEN, "G%d", g);
        Fkbtab.selected[g] = 1;
    }
    Fkbtab.count = FKB_MAX_GROUPS;
    ASSERT_EQ(mt_init(writeFile("full.tem", std::string(kRow) + "\n").c_str(), 1), 0);
    EXPECT_EQ(Mstemtab.rowCount, 1);
    EXPECT_EQ(Fkbtab.count, FKB_MAX_GROUPS);
}

TEST_F(MstemtabTest, TextsLongerThanTheirColumnsAreCut)
{
    const std::string objtype(60, 'o'), level(60, 'l'), comment(250, 'k');
    std::string row = objtype + ";7001;VSI;L;" + level + ";3;0;0;1;10;10;KRYSS;1;1;0 !" + comment;
    ASSERT_EQ(mt_init(writeFile("lang.tem", row + "\n").c_str(), 1), 0);
    EXPECT_EQ(std::string(Mstemtab.objtype[0]), objtype.substr(0, MT_FIELD_LEN - 1));
    EXPECT_EQ(std::string(Mstemtab.level[0]), level.substr(0, MT_FIELD_LEN - 1));
    EXPECT_EQ(std::string(Mstemtab.comment[0]), comment.substr(0, MT_COMMENT_LEN - 1));
}

/* ---- template ---------------------------------------------------------------- */

const char *const kLegend = "!\tObjekttype\n"
                            "!\tI\tZERA-tema, 1000-9999\n"
                            "!\tI\tI\tFKB-gruppe\n"
                            "!\tI\tI\tI\tDatatype (P,L,T,F)\n"
                            "!\tI\tI\tI\tI\tLevel\n"
                            "!\tI\tI\tI\tI\tI\tColor, 0-254\n"
                            "!\tI\tI\tI\tI\tI\tI\tLine Weight, 0-31\n"
                            "!\tI\tI\tI\tI\tI\tI\tI\tLine Style, 0-7\n"
                            "!\tI\tI\tI\tI\tI\tI\tI\tI\tText Font, 0->\n"
                            "!\tI\tI\tI\tI\tI\tI\tI\tI\tI\tText height\n"
                            "!\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tText width\n"
                            "!\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tCell name\n"
                            "!\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tCell scale X\n"
                            "!\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tCell scale Y\n"
                            "!\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tHoydeavrunding\n"
                            "!\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tComments\n"
                            "!\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tI\tDescription\n"
                            "!\tV\tV\tV\tV\tV\tV\tV\tV\tV\tV\tV\tV\tV\tV\tV\tV\n";

void ukjent(const char *theme, int16_t type, const char *objtype = "")
{
    int16_t k = 0;
    Elm.type = type;
    kopier(Elm.theme[0], sizeof Elm.theme[0], theme);
    kopier(Elm.objtype, sizeof Elm.objtype, objtype);
    bmw_sett("MSTEMTAB", 19, BMW_NOTE);
    ASSERT_EQ(bmwput_tem(&k), 0);
}

TEST_F(MstemtabTest, TemplateListsUnknownThemesInThemeOrder)
{
    memset(&Elm, 0, sizeof Elm);
    ukjent("4001", ZERA_FLATE);
    ukjent("1200", ZERA_LINJE);
    ukjent("ABC", ZERA_TEKST, "Skilt");
    // A theme that is not a number cannot be loaded: it stands in the comment.
    // The level the import makes: the theme's, or the object type's.
    const std::string rows = "\tSkilt\t0\tFKB\tT\tSkilt\t1\t0\t0\t1\t10\t10\t0\t0\t0\t0\t!ABC\n"
                             "\t\t1200\tHDB\tL\t1200\t2\t0\t0\t0\t0\t0\t0\t0\t0\t0\t!\n"
                             "\t\t4001\tDEK\tF\t4001\t3\t0\t0\t0\t0\t0\tKRYSS\t1\t1\t0\t!\n";
    std::string tem = path("mal.tem");
    ASSERT_EQ(mt_creat("a.sos b.sos", tem.c_str(), 1), 0);
    EXPECT_EQ(zeratest::readFile(tem), "! TEM -fil: " + tem + "\n! ZERA-fil: a.sos b.sos\n!\n" + kLegend + rows);
    EXPECT_EQ(Bmw.written[ZERA_TEKST - 1], 1);
    EXPECT_EQ(Bmw.written[ZERA_LINJE - 1], 1);
    EXPECT_EQ(Bmw.written[ZERA_FLATE - 1], 1);

    // Appending adds the unknown themes under their own heading.
    ASSERT_EQ(mt_creat("c.sos", tem.c_str(), 0), 0);
    EXPECT_EQ(zeratest::readFile(tem), "! TEM -fil: " + tem + "\n! ZERA-fil: a.sos b.sos\n!\n" + kLegend + rows +
                                           "\nUKJENTE TEMA/OBJEKTTYPER (ikke importert):\n" + kLegend + rows);

    // Without unknown themes an append leaves the file as it was, and a new
    // file gets the head and legend only.
    bmwinit();
    std::string before = zeratest::readFile(tem);
    ASSERT_EQ(mt_creat("c.sos", tem.c_str(), 0), 0);
    EXPECT_EQ(zeratest::readFile(tem), before);
    ASSERT_EQ(mt_creat("c.sos", tem.c_str(), 1), 0);
    EXPECT_EQ(zeratest::readFile(tem), "! TEM -fil: " + tem + "\n! ZERA-fil: c.sos\n!\n" + kLegend);
}

// The template's rows as the user makes them loadable: the tabs between the
// columns become ';'.
std::string som_tematabell(const std::string &mal)
{
    std::string out;
    std::stringstream s(mal);
    for (std::string line; std::getline(s, line);) {
        if (line.empty() || line[0] != '\t')
            continue;
        for (char &c : line)
            if (c == '\t')
                c = ';';
        out += line.substr(1) + "\n";
    }
    return out;
}

TEST_F(MstemtabTest, EveryTemplateRowLoadsBackAndMatchesItsOwnElement)
{
    const struct {
        const char *theme;
        int16_t type;
        const char *objtype;
        const char *rowTheme; // theme column of its template row
        const char *datatype;
    } cases[] = {
        // Known by object type alone: one row per object type.
        {"", ZERA_KURVE, "Teiggrense", "0", "L"},
        {"", ZERA_KURVE, "Fasadeliv", "0", "L"},
        {"", ZERA_PUNKT, "Kum", "0", "P"},
        // A symbol matches text rows.
        {"1234", ZERA_SYMBOL, "", "1234", "T"},
        {"9001", ZERA_TEKST, "", "9001", "T"},
        {"2000", ZERA_BUEP, "", "2000", "L"},
        {"4001", ZERA_FLATE, "", "4001", "F"},
        {"7100", ZERA_RASTER, "", "7100", "F"},
        // A theme that is not a number matches by its object type.
        {"ABC", ZERA_PUNKT, "Skilt", "0", "P"},
    };
    memset(&Elm, 0, sizeof Elm);
    for (const auto &c : cases)
        ukjent(c.theme, c.type, c.objtype);
    ASSERT_EQ(Bmw.unknownCount, (int32_t)std::size(cases));
    std::string mal = path("mal.tem");
    ASSERT_EQ(mt_creat("a.sos", mal.c_str(), 1), 0);

    bmwinit();
    ASSERT_EQ(mt_init(writeFile("last.tem", som_tematabell(zeratest::readFile(mal))).c_str(), 1), 0)
        << "MSTEMTAB " << Bmw.msg.number[0] << " line " << Bmw.msg.line[0];
    ASSERT_EQ(Mstemtab.rowCount, (int32_t)std::size(cases));
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.objtype) + " " + c.theme);
        memset(&Elm, 0, sizeof Elm);
        Elm.type = c.type;
        Elm.sameHeight = 0;
        kopier(Elm.objtype, sizeof Elm.objtype, c.objtype);
        if (c.theme[0] != '\0') {
            kopier(Elm.theme[0], sizeof Elm.theme[0], c.theme);
            Elm.themeCount = 1;
        }
        int16_t mode = 1;
        ASSERT_EQ(mt_match(&mode, ""), 0);
        int32_t r = Elm.matchRow[0];
        EXPECT_STREQ(Mstemtab.objtype[r], c.objtype);
        EXPECT_STREQ(Mstemtab.tema[r], c.rowTheme);
        EXPECT_STREQ(Mstemtab.datatype[r], c.datatype);
    }
    EXPECT_EQ(Bmw.msgCount, 0);
    EXPECT_EQ(Bmw.unknownCount, 0);
}

TEST_F(MstemtabTest, TemplateColoursCycle)
{
    memset(&Elm, 0, sizeof Elm);
    for (int i = 1; i <= 255; i++)
        ukjent(std::to_string(i).c_str(), ZERA_PUNKT);
    std::string tem = path("syklus.tem");
    ASSERT_EQ(mt_creat("a.sos", tem.c_str(), 1), 0);
    std::vector<std::string> rows;
    std::stringstream s(zeratest::readFile(tem));
    for (std::string line; std::getline(s, line);)
        if (!line.empty() && line[0] == '\t')
            rows.push_back(line);
    ASSERT_EQ(rows.size(), 255u);
    EXPECT_EQ(rows[62], "\t\t63\tFKB\tP\t63\t63\t0\t0\t0\t0\t0\tKRYSS\t1\t1\t0\t!");
    EXPECT_EQ(rows[254], "\t\t255\tFKB\tP\t255\t1\t0\t0\t0\t0\t0\tKRYSS\t1\t1\t0\t!");
    EXPECT_EQ(Bmw.written[ZERA_PUNKT - 1], 255);
}

// A scan counts each group kind and each object type apart: the template
// has one row per object type, theme and data type, and loads as written,
// each object-type row with a level of its own.
TEST_F(MstemtabTest, TemplateRowsAreOnePerObjectTypeAndLoadAsWritten)
{
    memset(&Elm, 0, sizeof Elm);
    ukjent("", ZERA_KURVE, "Gjerde");
    ukjent("", ZERA_LINJE, "Gjerde");
    ukjent("", ZERA_BUE, "gjerde");
    ukjent("", ZERA_PUNKT, "Gjerde");
    ukjent("", ZERA_KURVE, "Teiggrense");
    ukjent("2001", ZERA_KURVE, "Hoydekurve");
    ukjent("2001", ZERA_LINJE, "Hoydekurve");
    ukjent("2001", ZERA_KURVE, "Forsenkningskurve");
    std::string tem = path("mal.tem");
    ASSERT_EQ(mt_creat("a.zer", tem.c_str(), 1), 0);
    std::vector<std::string> rows;
    std::stringstream s(zeratest::readFile(tem));
    for (std::string line; std::getline(s, line);)
        if (!line.empty() && line[0] == '\t')
            rows.push_back(line.substr(0, line.find("\t0\t0\t")));
    EXPECT_EQ(rows, (std::vector<std::string>{"\tGjerde\t0\tFKB\tL\tGjerde\t1", "\tGjerde\t0\tFKB\tP\tGjerde\t2",
                                              "\tTeiggrense\t0\tFKB\tL\tTeiggrense\t3",
                                              "\tHoydekurve\t2001\tHDB\tL\t2001\t4",
                                              "\tForsenkningskurve\t2001\tHDB\tL\t2001\t5"}));
    EXPECT_EQ(Bmw.written[ZERA_KURVE - 1], 4);
    EXPECT_EQ(Bmw.written[ZERA_PUNKT - 1], 1);
    EXPECT_EQ(Bmw.written[ZERA_LINJE - 1] + Bmw.written[ZERA_BUE - 1], 0);

    bmwinit();
    ASSERT_EQ(mt_init(tem.c_str(), 0), 0) << "MSTEMTAB " << Bmw.msg.number[0] << " line " << Bmw.msg.line[0];
    ASSERT_EQ(Mstemtab.rowCount, 5);
    EXPECT_STREQ(Mstemtab.objtype[0], "Gjerde");
    EXPECT_STREQ(Mstemtab.tema[0], "0");
    EXPECT_STREQ(Mstemtab.level[0], "Gjerde");
    EXPECT_EQ(Mstemtab.colour[0], 1);
    EXPECT_STREQ(Mstemtab.level[3], "2001");
    EXPECT_EQ(Mstemtab.cell[1][0], u'K');
}

TEST_F(MstemtabTest, TemplateThatCannotBeWrittenIsRegistered)
{
    memset(&Elm, 0, sizeof Elm);
    ukjent("1200", ZERA_PUNKT);
    std::string tem = path("ingen/mappe/mal.tem");
    EXPECT_EQ(mt_creat("a.sos", tem.c_str(), 1), -2);
    EXPECT_FALSE(zeratest::fileExists(tem));
    ASSERT_EQ(Bmw.msgCount, 1);
    EXPECT_EQ(Bmw.msg.type[0], BMW_FATAL);
    EXPECT_STREQ(Bmw.msg.rutnam[0], "ZERA2DGN");
    EXPECT_EQ(Bmw.msg.number[0], 6);
    if (zeratest::fileExists("/dev/full")) {
        EXPECT_EQ(mt_creat("a.sos", "/dev/full", 1), -2);
        EXPECT_EQ(Bmw.msgCount, 2);
    }
}

TEST(MtFkbgruppeTest, GroupOfEachThemeRange)
{
    const struct {
        long n;
        const char *group;
    } cases[] = {{-5, "FKB"},   {0, "FKB"},    {999, "FKB"},  {1000, "FM"},   {1099, "FM"},   {1100, "HDB"},
                 {2999, "HDB"}, {3000, "KYS"}, {3099, "KYS"}, {3100, "VAN"},  {3999, "VAN"},  {4000, "DEK"},
                 {4099, "DEK"}, {4100, "DMK"}, {4219, "DMK"}, {4220, "NAT"},  {4499, "NAT"},  {4500, "GEO"},
                 {4599, "GEO"}, {4600, "KYS"}, {4999, "KYS"}, {5000, "BYG"},  {5999, "BYG"},  {6000, "SIT"},
                 {6999, "SIT"}, {7000, "VSI"}, {7099, "VSI"}, {7100, "BAN"},  {7199, "BAN"},  {7200, "SIT"},
                 {7499, "SIT"}, {7500, "VSI"}, {7899, "VSI"}, {7900, "LUF"},  {7999, "LUF"},  {8000, "LED"},
                 {8999, "LED"}, {9000, "RUT"}, {9999, "RUT"}, {10000, "FKB"}, {99999, "FKB"}};
    for (const auto &c : cases)
        EXPECT_STREQ(mt_fkbgruppe(c.n), c.group) << c.n;
}

/* ---- symbol table ----------------------------------------------------------------- */

TEST_F(MstemtabTest, SymbolTableReadsNumberAndNameRows)
{
    std::string tooLong = "5;" + std::string(ST_LINE_LEN + 100, 'A') + ";\n";
    std::string file = writeFile("sym.txt", "65;ATIL3;\n"
                                            "# 66;Kommentar;\n"
                                            "x;;\n"
                                            " 12 ;\t Kum 1 ;\r\n"
                                            "7;uten semikolon\n"
                                            "8;a_b;\n"
                                            ";Tom;\n"
                                            "  ; ;\n" +
                                                tooLong +
                                                "1234567890123;NavnSomErLengreEnnNitten;\n"
                                                "9;Siste;");
    ASSERT_EQ(st_create(file.c_str()), 0);
    ASSERT_EQ(Symboltab.count, 4);
    EXPECT_STREQ(Symboltab.number[0], "65");
    EXPECT_STREQ(Symboltab.name[0], "ATIL3");
    EXPECT_STREQ(Symboltab.number[1], "12");
    EXPECT_STREQ(Symboltab.name[1], "Kum 1");
    EXPECT_STREQ(Symboltab.number[2], "123456789");
    EXPECT_STREQ(Symboltab.name[2], "NavnSomErLengreEnnN");
    EXPECT_STREQ(Symboltab.number[3], "9");

    std::string many;
    for (int i = 0; i < ST_MAX_SYMBOLS + 1; i++)
        many += std::to_string(i) + ";S" + std::to_string(i) + ";\n";
    ASSERT_EQ(st_create(writeFile("mange.txt", many).c_str()), 0);
    EXPECT_EQ(Symboltab.count, ST_MAX_SYMBOLS);
    EXPECT_STREQ(Symboltab.name[ST_MAX_SYMBOLS - 1], "S999");

    EXPECT_EQ(st_create(path("borte.txt").c_str()), -1);
    EXPECT_EQ(Symboltab.count, 0);
}

/* ---- object-type table and lookups ------------------------------------------------------ */

TEST_F(MstemtabTest, ObjectTypeTableIsAllocatedAnew)
{
    ZeraTemaObjStruct *t = allocateZeraTemaObjStruct();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(stot, t);
    EXPECT_EQ(t->objtype[STOT_MAX_ENTRIES - 1][0], '\0');
    kopier(t->objtype[0], STOT_OBJTYPE_LEN, "Veg");
    ZeraTemaObjStruct *again = allocateZeraTemaObjStruct();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->objtype[0][0], '\0');
    mdlhost_failNext("malloc", 1);
    EXPECT_EQ(allocateZeraTemaObjStruct(), nullptr);
    EXPECT_EQ(stot, nullptr);
}

TEST_F(MstemtabTest, ThemeOfAnObjectType)
{
    memset(&Elm, 0, sizeof Elm);
    int16_t mode1 = 1, mode2 = 2, mode3 = 3;
    dlmSystem_mdlFree(stot);
    stot = nullptr;
    EXPECT_EQ(mt_objtema("Veg", &mode1), nullptr);

    ASSERT_NE(allocateZeraTemaObjStruct(), nullptr);
    kopier(stot->tema[0], STOT_TEMA_LEN, "2000L");
    kopier(stot->objtype[0], STOT_OBJTYPE_LEN, "Vegkant");
    kopier(stot->tema[1], STOT_TEMA_LEN, "7001L");
    kopier(stot->objtype[1], STOT_OBJTYPE_LEN, "\xC6rfugl \xD8y");
    kopier(stot->tema[3], STOT_TEMA_LEN, "9999P"); // behind the end marker
    kopier(stot->objtype[3], STOT_OBJTYPE_LEN, "Skjult");

    const char *t = mt_objtema("VEGKANT", &mode1);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t, "2000");
    EXPECT_EQ(Elm.themeCount, 1);
    EXPECT_STREQ(mt_objtema("\xE6RFUGL \xF8Y", &mode1), "2000"); // the first theme is returned
    EXPECT_STREQ(Elm.theme[1], "7001");
    EXPECT_EQ(Elm.themeCount, 2);
    EXPECT_EQ(mt_objtema("Skjult", &mode1), nullptr);
    EXPECT_EQ(mt_objtema("Vegkan", &mode1), nullptr);
    EXPECT_EQ(mt_objtema("", &mode1), nullptr);
    EXPECT_EQ(mt_objtema("Vegkant", &mode3), nullptr);

    // Mode 2 looks in the loaded rows only.
    std::string rows = rad(0, "Kum") + "\n" + rad(0, "Bro").replace(4, 4, "7002") + "\n";
    ASSERT_EQ(mt_init(writeFile("t.tem", rows).c_str(), 1), 0);
    kopier(Mstemtab.objtype[2], MT_FIELD_LEN, "Utenfor");
    Elm.themeCount = 0;
    EXPECT_STREQ(mt_objtema("bro", &mode2), "7002");
    EXPECT_EQ(mt_objtema("Utenfor", &mode2), nullptr);

    // With every theme place used the theme is not stored.
    Elm.themeCount = ZERA_MAX_THEMES;
    EXPECT_STREQ(mt_objtema("kum", &mode2), "7002");
    EXPECT_EQ(Elm.themeCount, ZERA_MAX_THEMES);

    // A row of theme 0 is an object-type row: it gives no theme, so the
    // element is matched by its object type.
    Mstemtab.rowCount = 0;
    rows = rad(0, "Teiggrense").replace(11, 4, "0") + "\n" + rad(0, "Fasadeliv").replace(10, 4, "0000") + "\n";
    ASSERT_EQ(mt_init(writeFile("t0.tem", rows).c_str(), 1), 0);
    ASSERT_STREQ(Mstemtab.tema[1], "0000");
    for (const char *name : {"Teiggrense", "fasadeliv"}) {
        Elm.themeCount = 0;
        Elm.theme[0][0] = '\0';
        EXPECT_EQ(mt_objtema(name, &mode2), nullptr) << name;
        EXPECT_EQ(Elm.themeCount, 0) << name;
    }
}

TEST(TrimTest, BlanksAndTabsOnly)
{
    const struct {
        const char *in;
        const char *left, *right, *both;
    } cases[] = {{" \t a b \t", "a b \t", " \t a b", "a b"}, {"", "", "", ""}, {" \t ", "", "", ""},
                 {"\na\r", "\na\r", "\na\r", "\na\r"}};
    for (const auto &c : cases) {
        std::string buf = c.in;
        EXPECT_STREQ(trim_left(buf.data()), c.left);
        trim_right(buf.data());
        EXPECT_STREQ(buf.c_str(), c.right);
        buf = c.in;
        EXPECT_STREQ(trim_both(buf.data()), c.both);
    }
}

} // namespace

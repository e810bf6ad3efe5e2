// The spreadsheet behind the "Excel" service, driven by command texts and
// checked by reading the saved workbooks with GDAL's reader.
#include <unistd.h>
#include <xlsxwriter.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "svc/mdlsvc.h"
#include "sys/mdlsys.h"
#include "ogrsheet.h"

namespace fs = std::filesystem;

namespace {

// "%01%kost" and the like, as the export pages fill them.
void makeTemplate(const std::string &path)
{
    lxw_workbook *wb = workbook_new(path.c_str());
    lxw_worksheet *info = workbook_add_worksheet(wb, "Info");
    worksheet_write_string(info, 0, 0, "Laget av malen", nullptr);
    lxw_worksheet *mal = workbook_add_worksheet(wb, "Mal");
    worksheet_write_string(mal, 0, 0, "Kostnadsoversikt", nullptr);
    worksheet_write_string(mal, 2, 0, "%01%post", nullptr);
    worksheet_write_string(mal, 2, 1, "%01%kost", nullptr);
    worksheet_write_string(mal, 3, 0, "%02%post", nullptr);
    worksheet_write_string(mal, 3, 1, "%02%kost", nullptr);
    worksheet_write_string(mal, 5, 0, "Sum", nullptr);
    worksheet_write_formula(mal, 5, 1, "=SUM(B3:B4)", nullptr);
    worksheet_write_string(mal, 6, 0, "Dato: %01%date", nullptr);
    worksheet_write_string(mal, 7, 0, "%09%ubrukt", nullptr);
    worksheet_activate(mal);
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);
}

// A text as a command argument: quoted, each quote doubled.
std::string quoted(const std::string &text)
{
    std::string q = "\"";
    for (char c : text)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

// A workbook package with its parts stored, not deflated, so a test can
// write every byte of the sheet it reads back.
std::string storedZip(const std::vector<std::pair<std::string, std::string>> &parts)
{
    auto crc32 = [](const std::string &bytes) {
        uint32_t crc = 0xFFFFFFFFu;
        for (unsigned char c : bytes) {
            crc ^= c;
            for (int k = 0; k < 8; k++)
                crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
        return ~crc;
    };
    auto le = [](std::string &out, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; i++)
            out += char(v >> (8 * i) & 0xFF);
    };
    std::string body, directory;
    for (const auto &[name, data] : parts) {
        uint32_t crc = crc32(data), offset = uint32_t(body.size()), size = uint32_t(data.size());
        le(body, 0x04034b50, 4);
        le(body, 10, 2); // version
        le(body, 0, 4);  // flags, method 0 (stored)
        le(body, 0, 4);  // time, date
        le(body, crc, 4);
        le(body, size, 4);
        le(body, size, 4);
        le(body, uint32_t(name.size()), 2);
        le(body, 0, 2);
        body += name + data;
        le(directory, 0x02014b50, 4);
        le(directory, 10, 2);
        le(directory, 10, 2);
        le(directory, 0, 4);
        le(directory, 0, 4);
        le(directory, crc, 4);
        le(directory, size, 4);
        le(directory, size, 4);
        le(directory, uint32_t(name.size()), 2);
        le(directory, 0, 4); // extra, comment
        le(directory, 0, 4); // disk, internal attributes
        le(directory, 0, 4); // external attributes
        le(directory, offset, 4);
        directory += name;
    }
    std::string zip = body + directory;
    le(zip, 0x06054b50, 4);
    le(zip, 0, 4);
    le(zip, uint32_t(parts.size()), 2);
    le(zip, uint32_t(parts.size()), 2);
    le(zip, uint32_t(directory.size()), 4);
    le(zip, uint32_t(body.size()), 4);
    le(zip, 0, 2);
    return zip;
}

// One sheet "S" with one shared string "x" and the given rows.
std::string workbookWithRows(const std::string &rows)
{
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const std::string pkg = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    return storedZip({
        {"_rels/.rels", pkg + "<Relationship Id=\"rId1\" Type=\"" + rel +
                            "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/_rels/workbook.xml.rels",
         pkg + "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>" +
             "<Relationship Id=\"rId2\" Type=\"" + rel +
             "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
        {"xl/workbook.xml", "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel +
                                "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/sharedStrings.xml", "<sst xmlns=\"" + main + "\"><si><t>x</t></si></sst>"},
        {"xl/worksheets/sheet1.xml", "<worksheet xmlns=\"" + main + "\"><sheetData>" + rows + "</sheetData></worksheet>"},
    });
}

class SpreadsheetTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlsheet-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        instance_ = mdlhost_ddeInitialize(nullptr);
        conv_ = mdlhost_ddeConnect(instance_, "Excel", "System");
        ASSERT_GT(conv_, 0);
    }
    void TearDown() override
    {
        mdlhost_ddeUninitialize(instance_);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    // Sends one command text; true when it was processed.
    bool run(const std::string &command)
    {
        int rc = mdlhost_ddeExecute(conv_, command.c_str(), 5000);
        return rc == MDLHOST_DDE_OK;
    }
    // The command texts each page of an export sends for its values.
    void fillPage(const std::string &page, const std::vector<std::pair<std::string, std::string>> &values)
    {
        ASSERT_TRUE(run("[WORKBOOK.COPY(\"Mal\",\"bok.xlsx\")]")) << mdlhost_ddeLastError();
        ASSERT_TRUE(run("[WORKBOOK.ACTIVATE(\"Mal (2)\")]")) << mdlhost_ddeLastError();
        ASSERT_TRUE(run("[WORKBOOK.NAME(\"Mal (2)\"," + quoted(page) + ")]")) << mdlhost_ddeLastError();
        ASSERT_TRUE(run("[SELECT(\"R100C1\")]")) << mdlhost_ddeLastError();
        for (const auto &[placeholder, value] : values) {
            ASSERT_TRUE(run("[FORMULA(" + quoted(placeholder) + ")]")) << mdlhost_ddeLastError();
            ASSERT_TRUE(run("[FORMULA.REPLACE(" + quoted(placeholder) + "," + quoted(value) + ")]"))
                << mdlhost_ddeLastError();
        }
        ASSERT_TRUE(run("[FORMULA.REPLACE(\"%*\",\"\")]"));
        ASSERT_TRUE(run("[CLEAR(1)]"));
        ASSERT_TRUE(run("[SELECT(\"R1C1\")]"));
    }
    std::string dir_;
    long instance_ = 0, conv_ = 0;
};

TEST_F(SpreadsheetTest, AnExportedTableHoldsExactlyTheValuesSent)
{
    makeTemplate(path("mal.xlsx"));
    fs::copy_file(path("mal.xlsx"), path("bok.xlsx"));
    ASSERT_TRUE(run("[open(" + quoted(path("bok.xlsx")) + ")]")) << mdlhost_ddeLastError();
    ASSERT_TRUE(run("[OPTIONS.GENERAL(2)]"));
    ASSERT_TRUE(run("[OPTIONS.VIEW(,,,,,,,,,,,,,,FALSE)]"));
    // Texts inside the system are ISO 8859-1.
    fillPage("Side 1", {{"%01%post", "Gr\xF8" "ft"},
                        {"%01%kost", "12,5"},
                        {"%02%post", "Kum \"A\"; r\xF8r"},
                        {"%02%kost", "1300"},
                        {"%01%date", "12.05.2009"}});
    fillPage("Side \xD8st", {{"%01%post", "\xC5pen gr\xF8" "ft \xE6\xF8\xE5\xC6\xD8\xC5"}, {"%01%kost", "-0,75"}});
    ASSERT_TRUE(run("[WORKBOOK.MOVE(\"Mal\",\"bok.xlsx\")]"));
    ASSERT_TRUE(run("[WORKBOOK.ACTIVATE(\"Side 1\")]"));
    ASSERT_TRUE(run("[OPTIONS.GENERAL(1)]"));
    ASSERT_TRUE(run("[OPTIONS.VIEW(,,,,,,,,,,,,,,TRUE)]"));
    ASSERT_TRUE(run("[SAVE()]")) << mdlhost_ddeLastError();

    sheettest::Workbook book = sheettest::readWithOgr(path("bok.xlsx"));
    ASSERT_TRUE(book.read);
    EXPECT_EQ(book.sheets, (std::vector<std::string>{"Info", "Side 1", "Side Øst", "Mal"}));
    struct Want {
        const char *sheet;
        int row, col;
        const char *value;
    } want[] = {
        {"Side 1", 1, 1, "Kostnadsoversikt"},
        {"Side 1", 3, 1, "Grøft"},
        {"Side 1", 3, 2, "12.5"},
        {"Side 1", 4, 1, "Kum \"A\"; rør"},
        {"Side 1", 4, 2, "1300"},
        {"Side 1", 6, 1, "Sum"},
        {"Side 1", 7, 1, "Dato: 12.05.2009"},
        {"Side 1", 8, 1, "-"},   // a placeholder without a value is cleared
        {"Side 1", 100, 1, "-"}, // the entry cell is cleared
        {"Side Øst", 3, 1, "Åpen grøft æøåÆØÅ"},
        {"Side Øst", 3, 2, "-0.75"},
        {"Side Øst", 4, 1, "-"},
        {"Mal", 3, 1, "%01%post"}, // the template sheet is left as it was
        {"Info", 1, 1, "Laget av malen"},
    };
    for (const Want &w : want)
        EXPECT_EQ(book.at(w.sheet, w.row, w.col), w.value) << w.sheet << " R" << w.row << "C" << w.col;
    // Amounts are numbers, so the template's sum works on them.
    EXPECT_EQ(book.typeAt("Side 1", 3, 2), "Real");
}

TEST_F(SpreadsheetTest, ValuesNeverBecomeFormulasOrCommands)
{
    const char *values[] = {
        "=1+2",
        "=cmd|' /C calc'!A0",
        "+SUM(A1)",
        "@SUM(A1)",
        "\")][QUIT()][FORMULA(\"x",
        "007",
        "1234567890123456", // more digits than a number keeps
        "12.5",             // not this spreadsheet's decimal separator
        "-12,5",
        "100%",
        "a*b?c~",
    };
    const char *stored[] = {
        "=1+2", "=cmd|' /C calc'!A0", "+SUM(A1)", "@SUM(A1)", "\")][QUIT()][FORMULA(\"x", "007", "1234567890123456",
        "12.5", "-12.5", "100%", "a*b?c~",
    };
    ASSERT_TRUE(run("[NEW()]"));
    int row = 1;
    for (const char *value : values) {
        ASSERT_TRUE(run("[SELECT(\"A" + std::to_string(row++) + "\")]"));
        ASSERT_TRUE(run("[FORMULA(\"%01%x\")]"));
        ASSERT_TRUE(run("[FORMULA.REPLACE(\"%01%x\"," + quoted(value) + ")]")) << value << mdlhost_ddeLastError();
    }
    // A value a client forgot to quote cannot carry a command along.
    ASSERT_TRUE(run("[SELECT(\"B1\")]"));
    ASSERT_TRUE(run("[FORMULA(\"%01%x\")]"));
    EXPECT_FALSE(run("[FORMULA.REPLACE(\"%01%x\",\"a\")][QUIT()][FORMULA(\"b\")]"));
    EXPECT_FALSE(run("[FORMULA.REPLACE(\"%01%x\",\"a\",\"b\")]"));
    ASSERT_TRUE(run("[SAVE.AS(" + quoted(path("v.xlsx")) + ")]")) << mdlhost_ddeLastError();

    sheettest::Workbook book = sheettest::readWithOgr(path("v.xlsx"));
    ASSERT_TRUE(book.read);
    for (size_t i = 0; i < std::size(values); i++)
        EXPECT_EQ(book.at("Sheet1", int(i) + 1, 1), stored[i]) << values[i];
    EXPECT_EQ(book.at("Sheet1", 1, 2), "%01%x");
}

TEST_F(SpreadsheetTest, ACommandTextIsOneCommandParsedStrictly)
{
    ASSERT_TRUE(run("[NEW()]"));
    ASSERT_TRUE(run("[FORMULA(\"keep\")]"));
    const std::string bad[] = {
        "FORMULA(\"x\")",
        "[FORMULA(\"x\")",
        "[FORMULA(\"x\")] more",
        "[FORMULA(\"x\")][FORMULA(\"y\")]",
        "[FORMULA(\"x)]",
        "[FORMULA(x)]",
        "[FORMULA(\"a\x01z\")]",
        "[FORMULA(1.2.3)]",
        "[RUN(\"rm -rf /\")]",
        "[FORMULA()]",
        "[FORMULA(\"x\",\"A1\",\"B1\")]",
        "[SELECT(\"R1C1\")]", // the A1 style is on
        "[SELECT(\"XFE1\")]",
        "[SELECT(\"A1048577\")]",
        "[SELECT(\"A0\")]",
        "[CLEAR(5)]",
        "[CLEAR(1.5)]",
        "[NEW(2)]",
        "[FORMULA.REPLACE(\"\",\"x\")]",
        "[FORMULA.REPLACE(\"keep\",\"x\",3)]",
        "[FORMULA.REPLACE(\"keep\",\"x\",,,,\"yes\")]",
        "[WORKBOOK.NAME(\"Sheet1\",\"a/b\")]",
        "[WORKBOOK.NAME(\"Sheet1\",\"'quoted'\")]",
        "[WORKBOOK.NAME(\"Sheet1\",\"" + std::string(32, 'n') + "\")]",
        "[WORKBOOK.ACTIVATE(\"Nowhere\")]",
        "[WORKBOOK.COPY(\"Sheet1\",\"Nobook.xlsx\")]",
        "[OPTIONS.GENERAL(3)]",
        "[SAVE()]", // a new workbook has no file yet
    };
    for (const std::string &command : bad) {
        EXPECT_FALSE(run(command)) << command;
        EXPECT_STRNE(mdlhost_ddeLastError(), "") << command;
    }
    // Blanks around the parts and names in any case are fine.
    EXPECT_TRUE(run("  [ formula.replace ( \"KEEP\" , \"kept\" ) ]  \r\n"));
    EXPECT_TRUE(run("[Save.As(" + quoted(path("s.xlsx")) + ",51)]")) << mdlhost_ddeLastError();
    sheettest::Workbook book = sheettest::readWithOgr(path("s.xlsx"));
    EXPECT_EQ(book.sheets, std::vector<std::string>{"Sheet1"});
    EXPECT_EQ(book.cells["Sheet1"].size(), 1u);
    EXPECT_EQ(book.at("Sheet1", 1, 1), "kept");
}

TEST_F(SpreadsheetTest, ReplaceFollowsItsPatternRules)
{
    struct Case {
        const char *cell, *find, *with;
        const char *lookAt; // "" for the default (part of a cell)
        const char *result;
    } cases[] = {
        {"Sum: %03%x", "%*", "", "", "Sum: "},
        {"%01%kost", "%01%KOST", "7", "", "7"},
        {"a%01%b%01%c", "%01%", "-", "", "a-b-c"},
        {"pris 100*2", "100~*2", "200", "", "pris 200"},
        {"abc", "a?c", "x", "", "x"},
        {"abc", "b", "x", "1", "abc"},
        {"abc", "a*", "x", "1", "x"},
        {"abcabc", "b*c", "X", "", "aX"},
        {"\xC6rfugl", "\xE6*", "\xD8", "", "Ø"},
        {"keep", "%*", "", "", "keep"},
    };
    ASSERT_TRUE(run("[NEW()]"));
    int n = 0;
    for (const Case &c : cases) {
        // A sheet of its own for each case: a replace works on the active sheet.
        std::string name = "C" + std::to_string(++n);
        ASSERT_TRUE(run("[WORKBOOK.COPY(\"Sheet1\",\"Book1\")]")) << mdlhost_ddeLastError();
        ASSERT_TRUE(run("[WORKBOOK.NAME(\"Sheet1 (2)\",\"" + name + "\")]")) << mdlhost_ddeLastError();
        ASSERT_TRUE(run("[WORKBOOK.ACTIVATE(\"" + name + "\")]"));
        ASSERT_TRUE(run("[FORMULA(" + quoted(c.cell) + ")]"));
        std::string extra = c.lookAt[0] ? std::string(",") + c.lookAt : "";
        ASSERT_TRUE(run("[FORMULA.REPLACE(" + quoted(c.find) + "," + quoted(c.with) + extra + ")]"))
            << mdlhost_ddeLastError();
    }
    ASSERT_TRUE(run("[SAVE.AS(" + quoted(path("r.xlsx")) + ")]")) << mdlhost_ddeLastError();
    sheettest::Workbook book = sheettest::readWithOgr(path("r.xlsx"));
    ASSERT_TRUE(book.read);
    n = 0;
    for (const Case &c : cases)
        EXPECT_EQ(book.at("C" + std::to_string(++n), 1, 1), c.result) << c.cell << " / " << c.find;
}

TEST_F(SpreadsheetTest, SheetsAreCopiedMovedAndNamedInsideTheLimits)
{
    ASSERT_TRUE(run("[NEW()]"));
    std::string long31(31, 'L');
    ASSERT_TRUE(run("[WORKBOOK.NAME(\"Sheet1\",\"" + long31 + "\")]"));
    ASSERT_TRUE(run("[FORMULA(\"one\")]"));
    ASSERT_TRUE(run("[WORKBOOK.COPY(\"" + long31 + "\",\"Book1\")]"));
    ASSERT_TRUE(run("[WORKBOOK.COPY(\"" + long31 + "\",\"Book1\",1)]"));
    // A second workbook: a sheet moves over, and the last one may not.
    ASSERT_TRUE(run("[NEW()]"));
    ASSERT_TRUE(run("[FORMULA(\"two\")]"));
    ASSERT_FALSE(run("[WORKBOOK.MOVE(\"Sheet1\",\"Book1\")]"));
    ASSERT_TRUE(run("[WORKBOOK.COPY(\"Sheet1\",\"Book1\")]"));
    ASSERT_TRUE(run("[ACTIVATE(\"Book1\")]"));
    ASSERT_TRUE(run("[WORKBOOK.MOVE(\"Sheet1\",\"Book1\",1)]"));
    ASSERT_TRUE(run("[SAVE.AS(" + quoted(path("m.xlsx")) + ")]")) << mdlhost_ddeLastError();
    // Closing without saving drops the changes of the other workbook.
    ASSERT_TRUE(run("[ACTIVATE(\"Book2\")]"));
    ASSERT_TRUE(run("[CLOSE(FALSE)]"));
    ASSERT_FALSE(run("[ACTIVATE(\"Book2\")]"));

    sheettest::Workbook book = sheettest::readWithOgr(path("m.xlsx"));
    std::string cut = std::string(27, 'L');
    EXPECT_EQ(book.sheets, (std::vector<std::string>{"Sheet1", cut + " (3)", long31, cut + " (2)"}));
    EXPECT_EQ(book.at("Sheet1", 1, 1), "two");
    EXPECT_EQ(book.at(cut + " (3)", 1, 1), "one");
}

TEST_F(SpreadsheetTest, DamagedWorkbookFilesAreRefusedAndTheSpreadsheetGoesOn)
{
    makeTemplate(path("good.xlsx"));
    std::ifstream in(path("good.xlsx"), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::string good = s.str();
    // A byte inside the deflated data of a sheet: the local header lies 30
    // bytes before the part's name.
    size_t name = good.find("xl/worksheets/sheet1.xml");
    ASSERT_NE(name, std::string::npos);
    size_t header = name - 30;
    ASSERT_EQ(good.compare(header, 4, "PK\x03\x04"), 0);
    auto le16 = [&](size_t at) { return size_t(uint8_t(good[at])) | size_t(uint8_t(good[at + 1])) << 8; };
    std::string flipped = good;
    flipped[header + 30 + le16(header + 26) + le16(header + 28) + 2] ^= 0x55;
    const std::pair<const char *, std::string> files[] = {
        {"empty.xlsx", ""},
        {"text.xlsx", "not a workbook\n"},
        {"cut.xlsx", good.substr(0, good.size() / 2)},
        {"tail.xlsx", good.substr(good.size() / 2)},
        {"flipped.xlsx", flipped},
    };
    for (const auto &[name, bytes] : files) {
        std::ofstream(path(name), std::ios::binary) << bytes;
        EXPECT_FALSE(run("[OPEN(" + quoted(path(name)) + ")]")) << name;
        EXPECT_STRNE(mdlhost_ddeLastError(), "") << name;
    }
    EXPECT_FALSE(run("[OPEN(" + quoted(path("missing.xlsx")) + ")]"));
    ASSERT_TRUE(run("[OPEN(" + quoted(path("good.xlsx")) + ")]")) << mdlhost_ddeLastError();
    EXPECT_FALSE(run("[OPEN(" + quoted(path("good.xlsx")) + ")]")); // open already
    // A workbook read by this spreadsheet and written again keeps its cells.
    ASSERT_TRUE(run("[SAVE.AS(" + quoted(path("again.xlsx")) + ")]"));
    sheettest::Workbook a = sheettest::readWithOgr(path("good.xlsx")), b = sheettest::readWithOgr(path("again.xlsx"));
    EXPECT_EQ(a.sheets, b.sheets);
    EXPECT_EQ(a.cells["Mal"].size(), b.cells["Mal"].size());
    for (const auto &[key, cell] : a.cells["Mal"])
        EXPECT_EQ(b.cells["Mal"][key].value, cell.value);
}

// Numbers in a workbook file are read as the host reads numbers: blanks
// around them are allowed, and an unsigned one may carry the '+' of its
// schema type; anything else in them refuses the file.
TEST_F(SpreadsheetTest, NumbersInAWorkbookFileAreReadWhole)
{
    struct Case {
        const char *row, *type, *value;
        bool opened;
        const char *read; // the value at row 2, column 1
    } cases[] = {
        {"+2", "n", "7", true, "7"},   {"2", "n", " 7 ", true, "7"},  {"2", "s", "+0", true, "x"},
        {"2 ", "n", "7", true, "7"},   {"-0", "n", "7", false, ""},   {"2", "n", "7x", false, ""},
        {"2", "s", "1", false, ""},    {"2", "n", "1e999", false, ""},
    };
    int n = 0;
    for (const Case &c : cases) {
        const std::string name = path("case" + std::to_string(++n) + ".xlsx");
        std::ofstream(name, std::ios::binary) << workbookWithRows(std::string("<row r=\"") + c.row +
                                                                  "\"><c t=\"" + c.type + "\"><v>" + c.value +
                                                                  "</v></c></row>");
        std::string what = std::string("row \"") + c.row + "\" value \"" + c.value + "\"";
        EXPECT_EQ(run("[OPEN(" + quoted(name) + ")]"), c.opened) << what << ": " << mdlhost_ddeLastError();
        if (!c.opened)
            continue;
        ASSERT_TRUE(run("[SAVE.AS(" + quoted(name + ".out.xlsx") + ")]")) << mdlhost_ddeLastError();
        ASSERT_TRUE(run("[CLOSE()]")) << mdlhost_ddeLastError();
        EXPECT_EQ(sheettest::readWithOgr(name + ".out.xlsx").at("S", 2, 1), c.read) << what;
    }
}

TEST_F(SpreadsheetTest, AFailedSaveLeavesTheOldFileAndNoTemporaryFile)
{
    ASSERT_TRUE(run("[NEW()]"));
    ASSERT_TRUE(run("[FORMULA(\"first\")]"));
    ASSERT_TRUE(run("[SAVE.AS(" + quoted(path("f.xlsx")) + ")]"));
    ASSERT_TRUE(run("[FORMULA(\"second\")]"));
    EXPECT_FALSE(run("[SAVE.AS(" + quoted(path("no/such/dir/f.xlsx")) + ")]"));
    // The workbook keeps its file; saving it there replaces it whole.
    ASSERT_TRUE(run("[CLOSE(TRUE)]")) << mdlhost_ddeLastError();
    EXPECT_EQ(sheettest::readWithOgr(path("f.xlsx")).at("Sheet1", 1, 1), "second");
    for (const auto &e : fs::directory_iterator(dir_))
        EXPECT_EQ(e.path().filename(), "f.xlsx");
}

} // namespace

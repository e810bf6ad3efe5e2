#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "ogrsheet.h"
#include "testing/zvlib_testing.h"
#include "zvlibmain.h"
#include "zvlibtext.h"
#include "zvlibwin32.h"

namespace fs = std::filesystem;

namespace {

const std::string ZVLIB_RSC = ZERA_SOURCE_DIR "/zvlib/zvlib.rsc";

// Writes "prog=<its own name>" and one "[arg]" line per argument to
// args.txt beside itself; exits with the status in the file "status"
// beside itself (0 without one).
const char *const RECORDER = "#!/bin/sh\n"
                             "d=\"$(dirname \"$0\")\"\n"
                             "{ echo \"prog=$(basename \"$0\")\"; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; }"
                             " > \"$d/args.txt\"\n"
                             "[ -f \"$d/status\" ] && exit \"$(cat \"$d/status\")\"\n"
                             "exit 0\n";

class ZvlibWin32Test : public zvlibtest::AppTest {
  protected:
    ZvlibWin32Test()
        : AppTest("ZVWIN", "Include \"" + ZVLIB_RSC + "\"\n", {.dirPrefix = "zvwin32", .rscName = "app.rsc"})
    {
    }
    void beforeRegister() override
    {
        std::string rec = path("rec.sh");
        std::ofstream(rec) << RECORDER;
        chmod(rec.c_str(), 0755);
        mdlSystem_defineCfgVar("MDLHOST_USERPREF", path("host.upf").c_str());
        mdlSystem_defineCfgVar("MDLHOST_REGISTRY", path("reg").c_str());
    }
    void afterRegister() override
    {
        char *argv[] = {const_cast<char *>("app.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvWin", 2, argv), 0);
    }
    void afterUnregister() override
    {
        zvlibWin32_DdeDisconnect();
        mdlhost_ddeSetServiceAvailable("Excel", 1);
        mdlhost_closeUserPrefs();
        for (const char *v : {"MDLHOST_USERPREF", "MDLHOST_REGISTRY", "MDLHOST_PRINTERS", "_USTN_WORKSPACEROOT",
                              "MDLHOST_UNC_P", "MDLHOST_DRIVE_T"})
            mdlSystem_defineCfgVar(v, nullptr);
    }
    std::string recorded() const
    {
        std::ifstream in(path("args.txt"));
        if (!in)
            return "-";
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Sends a command the test itself needs; fails the test when refused.
    void send(const std::string &command)
    {
        ASSERT_EQ(zvlibWin32_DdeSendMessage(command.c_str()), 0) << command << ": " << mdlhost_ddeLastError();
    }
};

TEST_F(ZvlibWin32Test, ReplaceTextSendsOneQuotedCommandWithTheDecimalSeparator)
{
    ASSERT_EQ(zvlibWin32_DdeInitialize("Excel", "system"), 0);
    send("[NEW()]");
    struct Case {
        const char *placeholder, *value;
        const char *buffer;  // the caller's value afterwards
        const char *command; // what was sent
    } cases[] = {
        {"%01%date", "12.05.2009", "12.05.2009", "[FORMULA.REPLACE(\"%01%date\",\"12.05.2009\")]"},
        {"%01%kost", "12.5", "12,5", "[FORMULA.REPLACE(\"%01%kost\",\"12,5\")]"},
        {"%02%file", "kart.dgn", "kart.dgn", "[FORMULA.REPLACE(\"%02%file\",\"kart.dgn\")]"},
        {"%02%time", "12.30", "12.30", "[FORMULA.REPLACE(\"%02%time\",\"12.30\")]"},
        {"%03%navn", "Kum \"A\"", "Kum \"A\"", "[FORMULA.REPLACE(\"%03%navn\",\"Kum \"\"A\"\"\")]"},
        {"%04%x", "", "", "[FORMULA.REPLACE(\"%04%x\",\"\")]"},
    };
    for (const Case &c : cases) {
        char value[64];
        zvlib::copyText(value, c.value);
        EXPECT_EQ(zvlibWin32_DdeReplaceText(c.placeholder, value), 0) << c.placeholder;
        EXPECT_STREQ(value, c.buffer);
        EXPECT_STREQ(mdlhost_ddeLastCommand(), c.command);
    }
    // The application's own separator.
    zvlibMain_getGlobalDataP()->dialogData->decimalSeparator[0] = '.';
    char value[] = "12.5";
    EXPECT_EQ(zvlibWin32_DdeReplaceText("%01%kost", value), 0);
    EXPECT_STREQ(mdlhost_ddeLastCommand(), "[FORMULA.REPLACE(\"%01%kost\",\"12.5\")]");

    // The command must fit 256 characters: refused whole, never cut.
    std::string fits(226, 'v'), over(227, 'v'), far(300, 'v');
    EXPECT_EQ(zvlibWin32_DdeReplaceText("%01%x", fits.data()), 0);
    EXPECT_EQ(strlen(mdlhost_ddeLastCommand()), 255u);
    for (std::string *v : {&over, &far}) {
        EXPECT_EQ(zvlibWin32_DdeReplaceText("%01%x", v->data()), ZVLIB_FAILURE);
        EXPECT_EQ(strlen(mdlhost_ddeLastCommand()), 255u) << "nothing was sent";
    }
    std::string quotes(120, '"'); // doubled, it no longer fits
    EXPECT_EQ(zvlibWin32_DdeReplaceText("%01%x", quotes.data()), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibWin32_DdeReplaceText(nullptr, value), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibWin32_DdeReplaceText("%01%x", nullptr), ZVLIB_FAILURE);
}

TEST_F(ZvlibWin32Test, OneConversationAtATimeAndNoneLeftBehind)
{
    EXPECT_EQ(zvlibWin32_DdeSendMessage("[NEW()]"), ZVLIB_FAILURE) << "not connected";
    ASSERT_EQ(zvlibWin32_DdeInitialize("Excel", "system"), 0);
    send("[NEW()]");
    // A new conversation ends the old one: its workbook is gone.
    for (int i = 0; i < MDLHOST_DDE_MAXCONVERSATIONS + 4; i++)
        ASSERT_EQ(zvlibWin32_DdeInitialize("Excel", "system"), 0) << i;
    EXPECT_EQ(zvlibWin32_DdeSendMessage("[ACTIVATE(\"Book1\")]"), ZVLIB_FAILURE);
    zvlibWin32_DdeDisconnect();
    EXPECT_EQ(zvlibWin32_DdeSendMessage("[NEW()]"), ZVLIB_FAILURE);
    zvlibWin32_DdeDisconnect(); // a second time is harmless
    mdlhost_ddeSetServiceAvailable("Excel", 0);
    EXPECT_EQ(zvlibWin32_DdeInitialize("Excel", "system"), ZVLIB_FAILURE);
    EXPECT_EQ(zvlibWin32_DdeInitialize(nullptr, "system"), ZVLIB_FAILURE);
}

TEST_F(ZvlibWin32Test, TheExportOfASmallTableGivesAWorkbookWithTheValuesSent)
{
    // The template: sheet "Mal" with placeholders where the values go.
    ASSERT_EQ(zvlibWin32_DdeInitialize("Excel", "system"), 0);
    send("[NEW()]");
    send("[WORKBOOK.NAME(\"Sheet1\",\"Mal\")]");
    const char *layout[][2] = {{"A1", "Post"},     {"B1", "Kostnad"},  {"A2", "%01%post"}, {"B2", "%01%kost"},
                               {"A3", "%02%post"}, {"B3", "%02%kost"}, {"A4", "%03%post"}, {"B4", "%03%kost"}};
    for (const auto &cell : layout) {
        send(std::string("[SELECT(\"") + cell[0] + "\")]");
        send(std::string("[FORMULA(\"") + cell[1] + "\")]");
    }
    std::string templ = path("mal.xlsx"), workbook = path("Kostnader.xlsx");
    send("[SAVE.AS(\"" + templ + "\")]");
    send("[CLOSE()]");
    zvlibWin32_DdeDisconnect();
    fs::copy_file(templ, workbook);

    // The commands of the export, in their order; texts in ISO 8859-1.
    ASSERT_EQ(zvlibWin32_DdeInitialize("Excel", "system"), 0);
    send("[open(\"" + workbook + "\")]");
    send("[OPTIONS.GENERAL(2)]");
    send("[OPTIONS.VIEW(,,,,,,,,,,,,,,FALSE)]");
    struct Page {
        const char *name;
        std::vector<std::pair<const char *, const char *>> values;
    } pages[] = {
        {"Gr\xF8"
         "fter",
         {{"%01%post", "Gr\xF8"
                       "ft \xC6\xD8\xC5"},
          {"%01%kost", "1250.5"},
          {"%02%post", "\xE6\xF8\xE5"}}},
        {"\xC5pent", {{"%01%post", "=cmd|' /C calc'!A0"}, {"%02%post", "x\")][QUIT()][FORMULA(\"y"}}},
    };
    for (const Page &page : pages) {
        send("[WORKBOOK.COPY(\"Mal\",\"Kostnader.xlsx\")]");
        send("[WORKBOOK.ACTIVATE(\"Mal (2)\")]");
        send(std::string("[WORKBOOK.NAME(\"Mal (2)\",\"") + page.name + "\")]");
        send("[SELECT(\"R100C1\")]");
        for (const auto &[placeholder, text] : page.values) {
            char value[128];
            zvlib::copyText(value, text);
            send(std::string("[FORMULA(\"") + placeholder + "\")]");
            EXPECT_EQ(zvlibWin32_DdeReplaceText(placeholder, value), 0) << mdlhost_ddeLastError();
        }
        char none[] = "";
        EXPECT_EQ(zvlibWin32_DdeReplaceText("%*", none), 0);
        send("[CLEAR(1)]");
        send("[SELECT(\"R1C1\")]");
    }
    send("[WORKBOOK.MOVE(\"Mal\",\"Kostnader.xlsx\")]");
    send(std::string("[WORKBOOK.ACTIVATE(\"") + pages[0].name + "\")]");
    send("[OPTIONS.GENERAL(1)]");
    send("[OPTIONS.VIEW(,,,,,,,,,,,,,,TRUE)]");
    send("[SAVE()]");
    zvlibWin32_DdeDisconnect();

    sheettest::Workbook book = sheettest::readWithOgr(workbook);
    ASSERT_TRUE(book.read);
    EXPECT_EQ(book.sheets, (std::vector<std::string>{"Grøfter", "Åpent", "Mal"}));
    struct Want {
        const char *sheet;
        int row, col;
        const char *value;
    } want[] = {
        {"Grøfter", 1, 1, "Post"},       {"Grøfter", 2, 1, "Grøft ÆØÅ"},
        {"Grøfter", 2, 2, "1250.5"},     {"Grøfter", 3, 1, "æøå"},
        {"Grøfter", 3, 2, "-"},          {"Grøfter", 4, 1, "-"},
        {"Åpent", 2, 1, "=cmd|' /C calc'!A0"}, {"Åpent", 3, 1, "x\")][QUIT()][FORMULA(\"y"},
        {"Mal", 2, 2, "%01%kost"},
    };
    for (const Want &w : want)
        EXPECT_EQ(book.at(w.sheet, w.row, w.col), w.value) << w.sheet << " R" << w.row << "C" << w.col;
}

TEST_F(ZvlibWin32Test, CallbackAnswersByTransaction)
{
    struct Case {
        int type;
        long result;
    } cases[] = {
        {MDLHOST_DDE_XTYP_MONITOR, 0x8000},        {MDLHOST_DDE_XTYP_ADVDATA, 0x8000},
        {MDLHOST_DDE_XTYP_XACT_COMPLETE, 1},       {MDLHOST_DDE_XTYP_ERROR, 0x8000},
        {MDLHOST_DDE_XTYP_ADVSTOP, 0x8000},        {MDLHOST_DDE_XTYP_CONNECT_CONFIRM, 0x8000},
        {MDLHOST_DDE_XTYP_REGISTER, 0x8000},       {MDLHOST_DDE_XTYP_DISCONNECT, 0x8000},
        {MDLHOST_DDE_XTYP_UNREGISTER, 0x8000},     {MDLHOST_DDE_XTYP_ADVSTART, 0},
        {MDLHOST_DDE_XTYP_CONNECT, 0},             {MDLHOST_DDE_XTYP_ADVREQ, 0},
        {MDLHOST_DDE_XTYP_REQUEST, 0},             {MDLHOST_DDE_XTYP_WILDCONNECT, 0},
        {MDLHOST_DDE_XTYP_EXECUTE, 0},             {MDLHOST_DDE_XTYP_POKE, 0},
        {999, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(win32_ddeCallback(c.type, 1, nullptr, 0), c.result) << c.type;
    std::string data(300, 'd');
    win32_ddeCallback(MDLHOST_DDE_XTYP_ADVDATA, 1, data.data(), data.size());
    EXPECT_EQ(std::string(win32_lastAdviseData()), std::string(ZVLIB_DDE_ADVISE_LEN - 1, 'd'));
    win32_ddeCallback(MDLHOST_DDE_XTYP_ADVDATA, 1, "abc", 3);
    EXPECT_STREQ(win32_lastAdviseData(), "abc");
}

TEST_F(ZvlibWin32Test, CommandLinesRunWithoutAShell)
{
    std::string rec = path("rec.sh");
    char line[ZVLIB_COMMAND_LINE_LEN];
    EXPECT_EQ(win32_buildCommandLine(line, sizeof line, "prog", nullptr), 0);
    EXPECT_STREQ(line, "prog");
    EXPECT_EQ(win32_buildCommandLine(line, sizeof line, "prog", "a b"), 0);
    EXPECT_STREQ(line, "prog a b");

    struct Case {
        const char *arguments;
        const char *got;
    } cases[] = {
        {nullptr, "prog=rec.sh\n"},
        {"\"a b\" c", "prog=rec.sh\n[a b]\n[c]\n"},
        {"x;touch MARK", "prog=rec.sh\n[x;touch]\n[MARK]\n"},
        {"\"$(touch MARK)\" `touch MARK` a|touch&&MARK >MARK", "prog=rec.sh\n[$(touch MARK)]\n[`touch]\n[MARK`]\n"
                                                             "[a|touch&&MARK]\n[>MARK]\n"},
    };
    for (const Case &c : cases) {
        fs::remove(path("args.txt"));
        EXPECT_EQ(zvlibWin32_execCommand(rec.c_str(), c.arguments), 0);
        EXPECT_EQ(recorded(), c.got);
    }
    EXPECT_FALSE(fs::exists(path("MARK")));
    EXPECT_FALSE(fs::exists("MARK"));

    std::ofstream(path("status")) << "3";
    EXPECT_EQ(zvlibWin32_execCommand(rec.c_str(), nullptr), 3);
    fs::remove(path("status"));
    EXPECT_EQ(zvlibWin32_execCommand(path("nosuch").c_str(), nullptr), -1);
    // A line over the limit is refused, never cut and run.
    fs::remove(path("args.txt"));
    std::string longArgs(ZVLIB_COMMAND_LINE_LEN - rec.size() - 1, 'a');
    EXPECT_EQ(zvlibWin32_execCommand(rec.c_str(), longArgs.c_str()), -1);
    EXPECT_EQ(zvlibWin32_execCommandAndWait(rec.c_str(), longArgs.c_str(), 1), 0);
    EXPECT_EQ(recorded(), "-");
    longArgs.pop_back();
    EXPECT_EQ(zvlibWin32_execCommand(rec.c_str(), longArgs.c_str()), 0);
}

TEST_F(ZvlibWin32Test, WaitingReportsTheProgramsSuccessOnly)
{
    std::string done = path("done");
    std::string args = "-c \"sleep 0.2; : > '" + done + "'\"";
    EXPECT_EQ(zvlibWin32_execCommandAndWait("sh", args.c_str(), 0), 1);
    EXPECT_TRUE(fs::exists(done)) << "returned before the program ended";
    EXPECT_EQ(zvlibWin32_execCommandAndWait("sh", "-c \"exit 3\"", 1), 0);
    EXPECT_EQ(zvlibWin32_execCommandAndWait("sh", "-c \"kill -KILL $$\"", 1), 0);
    EXPECT_EQ(zvlibWin32_execCommandAndWait(path("nosuch").c_str(), nullptr, 1), 0);
    EXPECT_EQ(zvlibWin32_execCommandAndWait(nullptr, nullptr, 1), 0);
}

TEST_F(ZvlibWin32Test, RegistryReadsTheUserThenTheMachine)
{
    const char *key = "SOFTWARE\\ODBC\\ODBC.INI\\Kart";
    ASSERT_EQ(mdlhost_regSetString(MDLHOST_HKEY_LOCAL_MACHINE, key, "DBQ", "C:\\maskin.mdb"), MDLHOST_REG_OK);
    char buf[256];
    int type = -1;
    EXPECT_EQ(zvlibWin32_getRegistryValue(key, "DBQ", &type, buf, sizeof buf), 14);
    EXPECT_STREQ(buf, "C:\\maskin.mdb");
    EXPECT_EQ(type, MDLHOST_REG_SZ);

    ASSERT_EQ(mdlhost_regSetString(MDLHOST_HKEY_CURRENT_USER, key, "DBQ", "C:\\bruker.mdb"), MDLHOST_REG_OK);
    EXPECT_EQ(zvlibWin32_getRegistryValue(key, "DBQ", &type, buf, sizeof buf), 14);
    EXPECT_STREQ(buf, "C:\\bruker.mdb");
    // Too big for the buffer: no value from that hive.
    ASSERT_EQ(mdlhost_regSetString(MDLHOST_HKEY_CURRENT_USER, key, "Big", std::string(40, 'b').c_str()),
              MDLHOST_REG_OK);
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(zvlibWin32_getRegistryValue(key, "Big", &type, buf, 16), 0);
    EXPECT_EQ(buf[0], '#');
    ASSERT_EQ(mdlhost_regSetString(MDLHOST_HKEY_LOCAL_MACHINE, key, "Big", "small"), MDLHOST_REG_OK);
    EXPECT_EQ(zvlibWin32_getRegistryValue(key, "Big", &type, buf, 16), 6);
    EXPECT_STREQ(buf, "small");
    EXPECT_EQ(zvlibWin32_getRegistryValue(key, "None", &type, buf, 16), 0);

    // A text stored without its terminator gets one, and needs room for it.
    ASSERT_EQ(mdlhost_regSetValue(MDLHOST_HKEY_CURRENT_USER, key, "Raw", MDLHOST_REG_SZ, "12345678", 8),
              MDLHOST_REG_OK);
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(zvlibWin32_getRegistryValue(key, "Raw", &type, buf, 8), 0);
    EXPECT_EQ(buf[0], '#');
    EXPECT_EQ(zvlibWin32_getRegistryValue(key, "Raw", &type, buf, 9), 8);
    EXPECT_STREQ(buf, "12345678");
    // With its terminator, a text that fills the buffer exactly fits.
    ASSERT_EQ(mdlhost_regSetString(MDLHOST_HKEY_CURRENT_USER, key, "Exact", "1234567"), MDLHOST_REG_OK);
    EXPECT_EQ(zvlibWin32_getRegistryValue(key, "Exact", &type, buf, 8), 8);
    EXPECT_STREQ(buf, "1234567");
    // Binary data are taken as they are.
    ASSERT_EQ(mdlhost_regSetDword(MDLHOST_HKEY_LOCAL_MACHINE, key, "N", 0x01020304), MDLHOST_REG_OK);
    uint32_t n = 0;
    EXPECT_EQ(zvlibWin32_getRegistryValue(key, "N", &type, &n, 4), 4);
    EXPECT_EQ(n, 0x01020304u);
    EXPECT_EQ(type, MDLHOST_REG_DWORD);
}

TEST_F(ZvlibWin32Test, PrintersOfTheNetworkWithTheWorkspacePrinterMarked)
{
    EXPECT_EQ(zvlibWin32_findWindowsPrinterNames(), nullptr) << "no printers";
    mdlSystem_defineCfgVar("MDLHOST_PRINTERS",
                           "Lokal=/dev/null;\\\\srv\\Plotter=|lp -d plotter;\\\\srv2\\=LPT1:;\\\\srv\\Kontor=/tmp/x");
    fs::create_directories(path("ws/System/plotdrv"));
    std::ofstream(path("ws/System/plotdrv/printer.plt")) << "system_printer_name = \"\\\\srv\\Kontor\"\n";
    mdlSystem_defineCfgVar("_USTN_WORKSPACEROOT", path("ws").c_str());
    StringList *list = zvlibWin32_findWindowsPrinterNames();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(mdlStringList_size(list), 6);
    const char *want[] = {"\\\\srv\\Plotter", "\\\\srv\\Plotter", "\\\\srv2\\", "\\\\srv2\\LPT1:",
                          "\\\\srv\\Kontor",  "\\\\srv\\Kontor"};
    for (long i = 0; i < 6; i++) {
        const char *text = nullptr;
        long *fields = nullptr;
        ASSERT_EQ(mdlStringList_getMember(&text, &fields, list, i), 0);
        EXPECT_STREQ(text, want[i]) << i;
        EXPECT_EQ(fields[1], i == 5 ? 1 : 0) << i;
    }
    mdlStringList_destroy(list);
    mdlSystem_defineCfgVar("MDLHOST_PRINTERS", "broken");
    EXPECT_EQ(zvlibWin32_findWindowsPrinterNames(), nullptr);
}

TEST_F(ZvlibWin32Test, NamesAndDeletion)
{
    mdlSystem_defineCfgVar("MDLHOST_UNC_P", "\\\\srv\\prosjekt");
    char result[ZVLIB_UNC_NAME_LEN] = "unchanged";
    EXPECT_EQ(zvlibWin32_getGetUniversalFileName("P:\\kart\\a.dgn", result), 1);
    EXPECT_STREQ(result, "\\\\srv\\prosjekt\\kart\\a.dgn");
    snprintf(result, sizeof result, "unchanged");
    EXPECT_EQ(zvlibWin32_getGetUniversalFileName("C:\\kart\\a.dgn", result), 0);
    std::string deep = "P:\\" + std::string(ZVLIB_UNC_NAME_LEN, 'd');
    EXPECT_EQ(zvlibWin32_getGetUniversalFileName(deep.c_str(), result), 0);
    EXPECT_STREQ(result, "unchanged");

    EXPECT_STREQ(win32_getShortPathName("C:\\Program Files\\x.exe"), "C:\\Program Files\\x.exe");
    EXPECT_STREQ(win32_getShortPathName(std::string(ZVLIB_SHORT_PATH_LEN, 'p').c_str()), "");

    mdlSystem_defineCfgVar("MDLHOST_DRIVE_T", dir_.c_str());
    std::ofstream(path("gone.txt")) << "x";
    EXPECT_NE(win32_deleteFile("T:\\gone.txt"), 0);
    EXPECT_FALSE(fs::exists(path("gone.txt")));
    EXPECT_EQ(win32_deleteFile("T:\\gone.txt"), 0);
}

} // namespace

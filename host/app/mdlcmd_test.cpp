// Command tables, keyins, the context stack across applications and the
// input queue.
#include "testing/frame_testing.h"

namespace {

using frametest::FrameTest;

class CommandTest : public FrameTest {
  protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        keyin("mdl load hosttesta");
        keyin("mdl load hosttestb");
        mdlhost_clearTextWindow();
    }
};

TEST_F(CommandTest, KeywordsRunTheirCommandWithTheOwnerCurrent)
{
    struct Case {
        const char *keyin, *line;
    } cases[] = {
        {"testa echo hello   world", "HOSTTESTA echo [hello   world] current=HOSTTESTA cmd=0x01000100"},
        {"TESTA Echo", "HOSTTESTA echo [] current=HOSTTESTA cmd=0x01000100"},
        {"  testa\techo   loud  x y \r\n", "HOSTTESTA echo [x y] current=HOSTTESTA cmd=0x01000101"}, // longest keyword
        {"testa echo loudly", "HOSTTESTA echo [loudly] current=HOSTTESTA cmd=0x01000100"},
        {"testb echo z", "HOSTTESTB echo [z] current=HOSTTESTB cmd=0x01000100"},
        {"mdl command hosttesthello a b", "HOSTTESTA hello [a b] current=HOSTTESTA"},
        {"mdl keyin hosttestb testb echo q", "HOSTTESTB echo [q] current=HOSTTESTB cmd=0x01000100"},
    };
    for (const Case &c : cases) {
        mdlhost_clearTextWindow();
        keyin(c.keyin);
        EXPECT_TRUE(saw(c.line)) << c.keyin << "\n" << text();
        EXPECT_EQ(mdlSystem_getCurrMdlDesc(), nullptr) << c.keyin;
        EXPECT_EQ(*mdlCommandNumberP, 0u) << c.keyin;
    }
}

TEST_F(CommandTest, FailedKeyinsSayWhichAndWhy)
{
    struct Case {
        const char *keyin;
        int rc;
        const char *why;
    } cases[] = {
        {"testa echoes", MDLHOST_KEYIN_UNKNOWN, "unknown keyin"},
        {"testa", MDLHOST_KEYIN_UNKNOWN, "unknown keyin"},
        {"frobnicate the map", MDLHOST_KEYIN_UNKNOWN, "unknown keyin"},
        {"exit now", MDLHOST_KEYIN_UNKNOWN, "unknown keyin"},
        {"testa nofunc", MDLHOST_KEYIN_NOFUNC, "HOSTTESTA has no function for command 0x01000999"},
        {"mdl unload nosuch", MDLHOST_KEYIN_FAILED, "no task nosuch is loaded"},
        {"mdl unload", MDLHOST_KEYIN_FAILED, "a name is missing"},
        {"mdl command nosuch", MDLHOST_KEYIN_UNKNOWN, "no command named nosuch"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(mdlhost_keyin(c.keyin), c.rc) << c.keyin;
        int type = 0;
        const char *m = mdlhost_messageCenterText(0, &type);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(std::string(m), std::string("Keyin \"") + c.keyin + "\" failed: " + c.why);
        EXPECT_EQ(type, MDLHOST_MSG_KEYIN);
    }
    int before = mdlhost_messageCenterCount();
    EXPECT_EQ(mdlhost_keyin("   "), MDLHOST_KEYIN_OK);
    EXPECT_EQ(mdlhost_keyin(nullptr), MDLHOST_KEYIN_OK);
    EXPECT_EQ(mdlhost_messageCenterCount(), before);
    EXPECT_EQ(text(), "");
}

// Keyins that applications send for files and tasks that may be missing:
// the text window says so, and the keyin does not fail.
TEST_F(CommandTest, MissingFilesAndTasksAreSaidNotFailed)
{
    struct Case {
        const char *keyin;
        const char *says;
    } cases[] = {
        {"mdl keyin hosttestb testa echo", "mdl keyin hosttestb: testa echo is not a keyin of hosttestb\n"},
        {"mdl keyin nosuch testa echo", "mdl keyin nosuch: the task nosuch is not loaded\n"},
        {"type /nonexistent/file.txt", "type: cannot open /nonexistent/file.txt: No such file or directory\n"},
        {"type /", "type: cannot read /: Is a directory\n"},
    };
    for (const Case &c : cases) {
        mdlhost_clearTextWindow();
        int before = mdlhost_messageCenterCount();
        EXPECT_EQ(mdlhost_keyin(c.keyin), MDLHOST_KEYIN_OK) << c.keyin;
        EXPECT_EQ(text(), c.says);
        EXPECT_EQ(mdlhost_messageCenterCount(), before) << c.keyin;
    }
}

TEST_F(CommandTest, TypeShowsAFile)
{
    writeFile("report.txt", "line 1\nline \xF8\n");
    writeFile("my report.txt", "with blanks\n");
    const std::string cases[][2] = {
        {"type " + path("report.txt"), "line 1\nline \xF8\n"},
        {"type \"" + path("report.txt") + "\"", "line 1\nline \xF8\n"},
        {"type " + path("my report.txt"), "with blanks\n"},
        {"type \"" + path("my report.txt") + "\"", "with blanks\n"},
    };
    for (const auto &c : cases) {
        mdlhost_clearTextWindow();
        keyin(c[0]);
        EXPECT_EQ(text(), c[1]) << c[0];
    }
}

TEST_F(FrameTest, BadTableLinesAreNamedAndSkipped)
{
    writeFile("a.rsc", "CommandTable 1\n{\n"
                       "    Command \"TESTA ECHO\" 0x01000100\n"
                       "    Command \"TESTA HALF\"\n"
                       "    Command \"TESTA WIDE\" 0x100000000\n"
                       "    Command \"TESTA MINUS\" -1\n"
                       "    Command \"\" 7\n"
                       "    Kommando \"TESTA X\" 7\n"
                       "}\n"
                       "CommandTable 2\n{\n    Command \"TESTA MORE\" 0x01000101\n}\n");
    keyin("mdl load hosttesta");
    for (int line : {4, 5, 6, 7, 8})
        EXPECT_NE(text().find(path("a.rsc") + ":" + std::to_string(line) + ": not a command"), std::string::npos)
            << line << "\n" << text();
    keyin("testa echo still");
    EXPECT_TRUE(saw("HOSTTESTA echo [still] current=HOSTTESTA cmd=0x01000100")) << text();
    keyin("testa more"); // the second table is read too
    EXPECT_TRUE(saw("HOSTTESTA echo [] current=HOSTTESTA cmd=0x01000101")) << text();
    EXPECT_EQ(mdlhost_keyin("testa half"), MDLHOST_KEYIN_UNKNOWN);

    writeFile("b.rsc", "MessageList 1\n{\n    1 \"no commands here\"\n}\n");
    keyin("mdl load hosttestb");
    EXPECT_TRUE(saw("HOSTTESTB no command table")) << text();
}

// Command numbers are written as the resource reader writes its other
// numbers: a '+' before the digits is taken, a second sign is not.
TEST_F(FrameTest, CommandNumbersTakeALeadingPlus)
{
    struct Case {
        const char *number;
        bool taken;
    } cases[] = {
        {"+0x01000100", true}, {"+16777473", true}, {"0100000400", true}, // octal 0x01000100
        {"+-1", false},        {"++1", false},      {"-0", false},       {"+", false},
    };
    std::string table = "CommandTable 1\n{\n";
    for (const Case &c : cases)
        table += std::string("    Command \"TESTA ECHO\" ") + c.number + "\n";
    writeFile("a.rsc", table + "}\n");
    keyin("mdl load hosttesta");
    int line = 3;
    for (const Case &c : cases) {
        bool refused = text().find(path("a.rsc") + ":" + std::to_string(line++) + ": not a command") != std::string::npos;
        EXPECT_EQ(refused, !c.taken) << c.number << "\n" << text();
    }
}

TEST_F(CommandTest, TheContextNestsAcrossApplications)
{
    keyin("testa call HOSTTESTB 2");
    const char *expected = "HOSTTESTB nested depth=2 current=HOSTTESTB\n"
                           "HOSTTESTA nested depth=1 current=HOSTTESTA\n"
                           "HOSTTESTB nested depth=0 current=HOSTTESTB\n"
                           "HOSTTESTA after depth=1 current=HOSTTESTA\n"
                           "HOSTTESTB after depth=2 current=HOSTTESTB\n"
                           "HOSTTESTA back current=HOSTTESTA\n";
    EXPECT_EQ(text(), expected);
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), nullptr);
}

TEST_F(CommandTest, QueuedInputRunsFromTheLoop)
{
    keyin("testa queue testb echo from a");
    EXPECT_EQ(text(), "");
    ASSERT_EQ(mdlhost_inputQueueCount(), 1);
    const char *queued = nullptr;
    EXPECT_EQ(mdlhost_inputQueueEntry(0, &queued, nullptr, nullptr), MDLHOST_INPUT_KEYIN);
    EXPECT_STREQ(queued, "testb echo from a");
    EXPECT_EQ(mdlhost_inputQueueEntry(1, &queued, nullptr, nullptr), 0);

    EXPECT_EQ(mdlhost_processQueue(), 0);
    EXPECT_TRUE(saw("HOSTTESTB echo [from a] current=HOSTTESTB cmd=0x01000100")) << text();
    EXPECT_EQ(mdlhost_inputQueueCount(), 0);

    // Commands by number, at the front or the end, for a task or the current one.
    MdlDesc *b = mdlSystem_findMdlDesc("HOSTTESTB");
    MdlDesc *outer = mdlhost_setCurrMdlDesc(b);
    EXPECT_EQ(mdlInput_sendCommand(0x01000101, "  by number", 0, nullptr, 0), 0);
    EXPECT_EQ(mdlDialog_cmdNumberQueue(1, 0x01000100, "HOSTTESTA", 1), 0);
    mdlhost_setCurrMdlDesc(outer);
    mdlhost_clearTextWindow();
    EXPECT_EQ(mdlhost_processQueue(), 0);
    EXPECT_EQ(text(), "HOSTTESTA echo [] current=HOSTTESTA cmd=0x01000100\n"
                      "HOSTTESTB echo [by number] current=HOSTTESTB cmd=0x01000101\n");

    // Failures are counted and named.
    keyin("testa queue frobnicate");
    mdlDialog_cmdNumberQueue(0, 0x01000100, "NOSUCH", 1);
    EXPECT_EQ(mdlhost_processQueue(), 2);
    EXPECT_EQ(newestMessage(), "Command 0x01000100 of NOSUCH failed: no task NOSUCH is loaded");
    EXPECT_EQ(std::string(mdlhost_messageCenterText(1, nullptr)), "Keyin \"frobnicate\" failed: unknown keyin");

    // "exit" ends the turn; what follows it waits.
    keyin("testa queue exit");
    mdlInput_sendKeyin("testb echo late", 0, 0, nullptr);
    mdlhost_clearTextWindow();
    EXPECT_EQ(mdlhost_processQueue(), 0);
    EXPECT_EQ(mdlhost_exitRequested(), 1);
    EXPECT_EQ(text(), "");
    EXPECT_EQ(mdlhost_inputQueueCount(), 1);
    mdlhost_shutdown();
    EXPECT_EQ(mdlhost_exitRequested(), 0);
    EXPECT_EQ(mdlhost_inputQueueCount(), 0);
    EXPECT_EQ(mdlInput_sendKeyin(nullptr, 0, 0, nullptr), -1);
}

int requeued = 0;
int requeue(char *)
{
    requeued++;
    return mdlInput_sendKeyin("looper again", 0, 0, nullptr);
}

TEST_F(FrameTest, InputThatFeedsItselfCannotHangTheLoop)
{
    writeFile("looper.rsc", "CommandTable 1\n{\n    Command \"LOOPER AGAIN\" 1\n}\n");
    MdlDesc *app = mdlhost_registerApplication("LOOPER", path("looper.rsc").c_str());
    ASSERT_NE(app, nullptr);
    MdlDesc *outer = mdlhost_setCurrMdlDesc(app);
    const MdlCommandNumber numbers[] = {{requeue, 1}, {nullptr, 0}};
    EXPECT_EQ(mdlSystem_registerCommandNumbers(numbers), 0);
    EXPECT_NE(mdlParse_loadCommandTable(nullptr), nullptr);
    mdlhost_setCurrMdlDesc(outer);

    requeued = 0;
    keyin("looper again");
    EXPECT_EQ(mdlhost_processQueue(), 0);
    EXPECT_EQ(requeued, 1 + 10000);
    EXPECT_EQ(mdlhost_inputQueueCount(), 1);
    EXPECT_NE(newestMessage().find("did not empty"), std::string::npos) << newestMessage();
    mdlhost_clearInputQueue();
    mdlhost_unregisterApplication(app);
}

TEST(Commands, RegistrationNeedsAnApplication)
{
    const MdlCommandNumber numbers[] = {{requeue, 1}, {nullptr, 0}};
    const MdlCommandName names[] = {{requeue, "x"}, {nullptr, nullptr}};
    EXPECT_EQ(mdlSystem_registerCommandNumbers(numbers), -1);
    EXPECT_EQ(mdlSystem_registerCommandNames(names), -1);
    EXPECT_EQ(mdlParse_loadCommandTable(nullptr), nullptr);
    MdlDesc *app = mdlhost_registerApplication("NOTABLE", nullptr);
    MdlDesc *outer = mdlhost_setCurrMdlDesc(app);
    EXPECT_EQ(mdlSystem_registerCommandNumbers(nullptr), -1);
    EXPECT_EQ(mdlParse_loadCommandTable(nullptr), nullptr);
    mdlhost_setCurrMdlDesc(outer);
    mdlhost_unregisterApplication(app);
}

} // namespace

namespace {

TEST_F(FrameTest, AnswerKeyinsQueueDialogAnswersForABatchRun)
{
    keyin("answer file D:\\ut\\kart med blank.xml");
    keyin("answer cancelfile");
    keyin("answer file");
    char fileName[MDLHOST_MAXFILELENGTH] = "";
    EXPECT_EQ(mdlDialog_fileOpen(fileName, nullptr, 0, "a.xml", "*.xml", "/in/", "Open"), 0);
    EXPECT_STREQ(fileName, "D:\\ut\\kart med blank.xml");
    EXPECT_EQ(mdlDialog_fileOpen(fileName, nullptr, 0, "b.xml", "*.xml", "/in/", "Open"), 1);
    EXPECT_EQ(mdlDialog_fileOpen(fileName, nullptr, 0, "c.xml", "*.xml", "/in/", "Open"), 0);
    EXPECT_STREQ(fileName, "/in/c.xml");

    keyin("answer modal 20011 ok");
    mdlhost_clearDialogScripts();
    struct Case {
        const char *keyin;
    } refused[] = {{"answer modal x ok"}, {"answer modal 99999999999 ok"},
                   {"answer modal 1 nonsense step"}, {"answer cancelfile now"}, {"answer later"}};
    for (const Case &c : refused)
        EXPECT_EQ(mdlhost_keyin(c.keyin), MDLHOST_KEYIN_FAILED) << c.keyin;
}

} // namespace

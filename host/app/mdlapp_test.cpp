#include "app/mdlapp.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "rsc/mdlrsc.h"
#include "sys/mdlsys.h"

namespace {

// What the last called function saw: its arguments as text and the
// application that was current while it ran.
std::string seen;
MdlDesc *seenCurrent = nullptr;

void see(const std::string &s)
{
    seen = s;
    seenCurrent = mdlSystem_getCurrMdlDesc();
}

int fNone() { see("none"); return 5; }
int fI(int a) { see("I" + std::to_string(a)); return a + 1; }
int fD(double a) { see("D" + std::to_string(a)); return int(a * 2); }
int fP(void *a) { see(std::string("P") + static_cast<const char *>(a)); return 7; }
int fDI(double d, int i) { see("DI " + std::to_string(d) + " " + std::to_string(i)); return i; }
int fPI(void *p, int i) { see(std::string("PI ") + static_cast<const char *>(p) + " " + std::to_string(i)); return i; }
int fIDP(int i, double d, void *p)
{
    see("IDP " + std::to_string(i) + " " + std::to_string(d) + " " + static_cast<const char *>(p));
    return 3;
}
int fSix(int a, double b, void *c, double d, int e, void *f)
{
    see("six " + std::to_string(a) + " " + std::to_string(b) + " " + static_cast<const char *>(c) + " " +
        std::to_string(d) + " " + std::to_string(e) + " " + static_cast<const char *>(f));
    return 6;
}

int fSeven(void *a, int b, void *c, int d, int e, void *f, int g)
{
    see("seven " + std::string(static_cast<const char *>(a)) + " " + std::to_string(b) + " " +
        static_cast<const char *>(c) + " " + std::to_string(d) + " " + std::to_string(e) + " " +
        static_cast<const char *>(f) + " " + std::to_string(g));
    return 7;
}

template <typename F> MdlFunctionP fp(F *f) { return reinterpret_cast<MdlFunctionP>(f); }

int vcall(MdlDesc *desc, MdlFunctionP fn, const char *d, ...)
{
    va_list ap;
    va_start(ap, d);
    int r = dlmSystem_vcallAnyFunction(desc, fn, d, ap);
    va_end(ap);
    return r;
}

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        seen.clear();
        seenCurrent = nullptr;
        a_ = mdlhost_registerApplication("apptest_a", nullptr);
        b_ = mdlhost_registerApplication("APPTEST_B", nullptr);
        ASSERT_NE(a_, nullptr);
        ASSERT_NE(b_, nullptr);
        mdlhost_clearTextWindow();
    }
    void TearDown() override
    {
        mdlhost_setCurrMdlDesc(nullptr);
        mdlhost_unregisterApplication(a_);
        mdlhost_unregisterApplication(b_);
    }
    MdlDesc *a_ = nullptr;
    MdlDesc *b_ = nullptr;
};

TEST_F(AppTest, PassesEachArgumentKind)
{
    char text[] = "abc";
    EXPECT_EQ(dlmSystem_callAnyFunction(a_, fp(fNone), ""), 5);
    EXPECT_EQ(seen, "none");
    EXPECT_EQ(dlmSystem_callAnyFunction(a_, fp(fI), "I", -42), -41);
    EXPECT_EQ(seen, "I-42");
    EXPECT_EQ(dlmSystem_callAnyFunction(a_, fp(fD), "d", 12.25), 24);
    EXPECT_EQ(seen, "D12.250000");
    EXPECT_EQ(dlmSystem_callMdlFunction(a_, fp(fP), "P", text), 7);
    EXPECT_EQ(seen, "Pabc");
}

// Doubles and ints travel in different registers; a call through the wrong
// signature would mix them up.
TEST_F(AppTest, PassesMixedDescriptorsInOrder)
{
    char text[] = "theme";
    char other[] = "x";
    EXPECT_EQ(dlmSystem_callAnyFunction(a_, fp(fDI), "DI", 99.5, 2), 2);
    EXPECT_EQ(seen, "DI 99.500000 2");
    EXPECT_EQ(dlmSystem_callMdlFunction(a_, fp(fPI), "pI", text, 16), 16);
    EXPECT_EQ(seen, "PI theme 16");
    EXPECT_EQ(dlmSystem_callAnyFunction(a_, fp(fIDP), "iDp", 1, -0.5, text), 3);
    EXPECT_EQ(seen, "IDP 1 -0.500000 theme");
    EXPECT_EQ(vcall(a_, fp(fSix), "IDPDIP", 1, 2.0, text, 4.5, 5, other), 6);
    EXPECT_EQ(seen, "six 1 2.000000 theme 4.500000 5 x");
    // Seven, as the type-66 scan function takes them.
    EXPECT_EQ(dlmSystem_callMdlFunction(a_, fp(fSeven), "PIPIIPI", text, 1, other, 3, 4, text, 6), 7);
    EXPECT_EQ(seen, "seven theme 1 x 3 4 theme 6");
}

TEST_F(AppTest, RefusesBadCallsWithoutCalling)
{
    const char *bad[] = {"X", "IIIIIIII", "I D", "DIQ", nullptr};
    for (const char *d : bad) {
        seen.clear();
        EXPECT_EQ(dlmSystem_callAnyFunction(a_, fp(fI), d, 1, 2, 3, 4, 5, 6, 7, 8), -2) << (d ? d : "null");
        EXPECT_EQ(seen, "") << (d ? d : "null");
    }
    EXPECT_EQ(dlmSystem_callAnyFunction(a_, nullptr, "I", 1), -2);
    EXPECT_EQ(dlmSystem_callMdlFunction(a_, nullptr, ""), -2);
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), nullptr);
}

int fNested(int depth)
{
    MdlDesc *outer = mdlSystem_getCurrMdlDesc();
    int r = dlmSystem_callAnyFunction(mdlSystem_findMdlDesc("apptest_b"), fp(fI), "I", depth);
    // The inner call saw B; A is current again once it returns.
    return seenCurrent == mdlSystem_findMdlDesc("APPTEST_B") && mdlSystem_getCurrMdlDesc() == outer ? r : -100;
}

int fThrows() { throw std::runtime_error("callback failed"); }

TEST_F(AppTest, MakesDescCurrentDuringTheCallOnly)
{
    mdlhost_setCurrMdlDesc(b_);
    dlmSystem_callAnyFunction(a_, fp(fI), "I", 1);
    EXPECT_EQ(seenCurrent, a_);
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), b_);

    // A null desc leaves the caller's application current.
    dlmSystem_callAnyFunction(nullptr, fp(fI), "I", 1);
    EXPECT_EQ(seenCurrent, b_);
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), b_);

    mdlhost_setCurrMdlDesc(nullptr);
    EXPECT_EQ(dlmSystem_callAnyFunction(a_, fp(fNested), "I", 8), 9);
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), nullptr);

    mdlhost_setCurrMdlDesc(b_);
    EXPECT_THROW(dlmSystem_callAnyFunction(a_, fp(fThrows), ""), std::runtime_error);
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), b_);
}

TEST_F(AppTest, RegistersTaskIdsUpperCasedAndUnique)
{
    EXPECT_STREQ(mdlSystem_getMdlTaskID(a_), "APPTEST_A");
    EXPECT_EQ(mdlSystem_findMdlDesc("ApPtEsT_a"), a_);
    EXPECT_EQ(mdlSystem_findMdlDesc("apptest"), nullptr);
    EXPECT_EQ(mdlSystem_findMdlDesc(nullptr), nullptr);

    std::string longest(MDLHOST_MAXTASKID, 'l');
    std::string tooLong = longest + "x";
    struct Case {
        const char *id;
        bool accepted;
    } cases[] = {
        {"Apptest_A", false}, // taken, case ignored
        {"", false},
        {nullptr, false},
        {tooLong.c_str(), false},
        {longest.c_str(), true},
    };
    for (const Case &c : cases) {
        MdlDesc *d = mdlhost_registerApplication(c.id, nullptr);
        EXPECT_EQ(d != nullptr, c.accepted) << (c.id ? c.id : "null");
        mdlhost_unregisterApplication(d);
    }
    EXPECT_EQ(mdlSystem_findMdlDesc(longest.c_str()), nullptr);

    // Unregistering frees the id, and a current application stops being current.
    mdlhost_setCurrMdlDesc(a_);
    mdlhost_unregisterApplication(a_);
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), nullptr);
    EXPECT_EQ(mdlSystem_findMdlDesc("APPTEST_A"), nullptr);
    a_ = mdlhost_registerApplication("apptest_a", nullptr);
    EXPECT_NE(a_, nullptr);
}

TEST_F(AppTest, UnreadableResourceFileStillRegisters)
{
    MdlDesc *d = mdlhost_registerApplication("apptest_rsc", "/nonexistent/dir/missing.rsc");
    ASSERT_NE(d, nullptr);
    EXPECT_NE(strstr(mdlhost_textWindow(), "/nonexistent/dir/missing.rsc"), nullptr) << mdlhost_textWindow();
    mdlhost_unregisterApplication(d);
}

TEST_F(AppTest, ResourcesLiveAsLongAsTheRegistration)
{
    std::string dir = testing::TempDir();
    std::string rsc = dir + "/apptest.rsc";
    FILE *fp = fopen(rsc.c_str(), "wb");
    ASSERT_NE(fp, nullptr);
    fputs("MessageList 7\n{\n    1 \"seven one\"\n}\n", fp);
    fclose(fp);
    MdlDesc *d = mdlhost_registerApplication("apptest_rsc", rsc.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(mdlhost_textWindow(), "");
    EXPECT_STREQ(mdlhost_messageListEntry(d, 7, 1), "seven one");
    mdlhost_unregisterApplication(d);
    // d is only compared here: a later registration may reuse its address
    // and must not inherit the texts.
    EXPECT_EQ(mdlhost_messageListEntry(d, 7, 1), nullptr);
    remove(rsc.c_str());
}

int fExit() { return mdlSystem_exit(0, 1); }

TEST_F(AppTest, VersionAndExitBelongToTheCurrentApplication)
{
    EXPECT_EQ(mdlSystem_getMdlAppVersionNumber(), 0);
    EXPECT_EQ(mdlSystem_exit(0, 0), -1);
    mdlSystem_setMdlAppVersionNumber(a_, 0x0812);
    mdlhost_setCurrMdlDesc(a_);
    EXPECT_EQ(mdlSystem_getMdlAppVersionNumber(), 0x0812);
    mdlhost_setCurrMdlDesc(b_);
    EXPECT_EQ(mdlSystem_getMdlAppVersionNumber(), 0);

    EXPECT_EQ(dlmSystem_callAnyFunction(a_, fp(fExit), ""), 0);
    EXPECT_EQ(mdlSystem_exit(1, 0), 0);
    EXPECT_EQ(mdlhost_exitRequests(a_), 1);
    EXPECT_EQ(mdlhost_exitRequests(b_), 1);
}

TEST(ControlBlock, ActiveDesignFileIsBounded)
{
    mdlhost_setActiveDesignFile("D:\\kart\\a.dgn");
    EXPECT_STREQ(tcbP->dgnfilenm, "D:\\kart\\a.dgn");
    std::string longName(3 * MDLHOST_MAXFILELENGTH, 'n');
    mdlhost_setActiveDesignFile(longName.c_str());
    EXPECT_EQ(strlen(tcbP->dgnfilenm), size_t(MDLHOST_MAXFILELENGTH - 1));
    mdlhost_setActiveDesignFile(nullptr);
    EXPECT_STREQ(tcbP->dgnfilenm, "");
}

// Listeners that record whom they were told about; the first one also
// removes the second, as a module shutting down its part would.
std::string listened;
void secondListener(MdlDesc *desc) { listened += std::string("2:") + mdlSystem_getMdlTaskID(desc) + " "; }
void firstListener(MdlDesc *desc)
{
    listened += std::string("1:") + mdlSystem_getMdlTaskID(desc) + " ";
    mdlhost_removeUnloadListener(secondListener);
}

TEST(UnloadListeners, RemovedListenersAreNotCalled)
{
    struct Step {
        bool addFirst, addSecond, removeFirst, removeSecond;
        const char *task;
        const char *heard;
    } steps[] = {
        {true, false, false, false, "LISTEN_A", "1:LISTEN_A "},
        {false, true, false, false, "LISTEN_B", "1:LISTEN_B "}, // removed by the first before its turn
        {false, true, true, false, "LISTEN_C", "2:LISTEN_C "},
        {false, false, false, true, "LISTEN_D", ""},
    };
    for (const Step &s : steps) {
        if (s.addFirst)
            mdlhost_addUnloadListener(firstListener);
        if (s.addSecond)
            mdlhost_addUnloadListener(secondListener);
        if (s.removeFirst)
            mdlhost_removeUnloadListener(firstListener);
        if (s.removeSecond)
            mdlhost_removeUnloadListener(secondListener);
        MdlDesc *d = mdlhost_registerApplication(s.task, nullptr);
        ASSERT_NE(d, nullptr);
        listened.clear();
        mdlhost_unregisterApplication(d);
        EXPECT_EQ(listened, s.heard) << s.task;
    }
    mdlhost_removeUnloadListener(secondListener); // not listed: nothing happens
    mdlhost_removeUnloadListener(nullptr);
}

TEST(Screens, EnterGraphicsDoesNothing)
{
    EXPECT_EQ(mdlSystem_enterGraphics(), 0);
}

TEST(AbortTest, AbortIsAnsweredOnlyWhenEnabledAndRequested)
{
    EXPECT_EQ(mdlSystem_extendedAbortRequested(), 0);
    mdlSystem_extendedAbortEnable(1);
    EXPECT_EQ(mdlSystem_extendedAbortRequested(), 0);
    mdlhost_requestAbort(1);
    EXPECT_EQ(mdlSystem_extendedAbortRequested(), 1);
    mdlSystem_extendedAbortEnable(0);
    EXPECT_EQ(mdlSystem_extendedAbortRequested(), 0);
}

TEST(CommandState, CallsAreRecorded)
{
    mdlhost_clearCommandStateLog();
    EXPECT_STREQ(mdlhost_commandStateLog(), "");
    mdlState_startDefaultCommand();
    EXPECT_EQ(mdlState_startPrimitive(1, 3), 0);
    EXPECT_EQ(mdlState_startPrimitive(2, 5), 0);
    mdlState_restartCurrentCommand();
    EXPECT_STREQ(mdlhost_commandStateLog(), "default\nprimitive 1 3\nprimitive 2 5\nrestart\n");
    EXPECT_EQ(mdlSystem_enterGraphicsExtended(1), 0);
    EXPECT_EQ(mdlSystem_enterGraphics(), 0);

    // A long session keeps the newest lines, whole.
    for (int i = 0; i < 20000; i++)
        mdlState_startPrimitive(i, 4);
    std::string log = mdlhost_commandStateLog();
    EXPECT_LE(log.size(), 64u * 1024);
    EXPECT_EQ(log.rfind("primitive 19999 4\n"), log.size() - strlen("primitive 19999 4\n"));
    EXPECT_EQ(log.compare(0, 10, "primitive "), 0) << log.substr(0, 40);
    mdlhost_clearCommandStateLog();
    EXPECT_STREQ(mdlhost_commandStateLog(), "");
}

} // namespace

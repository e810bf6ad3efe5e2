#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "mdlhost.h"
#include "zvliberror.h"
#include "zvlibmem.h"
#include "testing/zvlib_testing.h"

namespace fs = std::filesystem;

namespace {

constexpr int MEM_LIST = 20005;
constexpr int MEM_ENTRY = 14;

// Runs as an application whose resource file holds the library's messages.
class ZvlibTest : public zvlibtest::AppTest {
  protected:
    ZvlibTest()
        : AppTest("ZVLIBTEST",
                  "MessageList 20005 {\n"
                  "  14 \"Ikke nok minne (%d byte)\"\n"
                  "  50 \"en\\n\\nto\\n\"\n"
                  "}\n",
                  {.dirPrefix = "zvlib", .rscName = "zvlib.rsc"})
    {
    }
    void TearDown() override
    {
        mdlhost_failNext("malloc", 0);
        mdlhost_failNext("realloc", 0);
        AppTest::TearDown();
    }
    static bool allZero(const void *p, size_t n)
    {
        const unsigned char *b = static_cast<const unsigned char *>(p);
        for (size_t i = 0; i < n; i++)
            if (b[i] != 0)
                return false;
        return true;
    }
};

TEST_F(ZvlibTest, MallocGivesZeroFilledMemory)
{
    for (size_t size : {1u, 17u, 4096u, 640000u}) {
        void *p = zvlibMem_mallocRscErrorPrintf(size, MEM_LIST, MEM_ENTRY, (int)size);
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(allZero(p, size)) << size;
        dlmSystem_mdlFree(p);
    }
}

TEST_F(ZvlibTest, ReallocKeepsOldBytesAndZeroesTheGrowth)
{
    char *p = static_cast<char *>(zvlibMem_reallocRscErrorPrintf(nullptr, 0, 10, MEM_LIST, MEM_ENTRY, 10));
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(allZero(p, 10));
    memcpy(p, "0123456789", 10);

    p = static_cast<char *>(zvlibMem_reallocRscErrorPrintf(p, 10, 20, MEM_LIST, MEM_ENTRY, 20));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(p, 10), "0123456789");
    EXPECT_TRUE(allZero(p + 10, 10));

    p = static_cast<char *>(zvlibMem_reallocRscErrorPrintf(p, 20, 4, MEM_LIST, MEM_ENTRY, 4));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(p, 4), "0123");

    // Resizing to 0 still gives a block: null must keep meaning failure
    // with the old block left to the caller.
    p = static_cast<char *>(zvlibMem_reallocRscErrorPrintf(p, 4, 0, MEM_LIST, MEM_ENTRY, 0));
    ASSERT_NE(p, nullptr);
    dlmSystem_mdlFree(p);
    EXPECT_EQ(mdlhost_exitRequests(app_), 0);
}

TEST_F(ZvlibTest, FailureShowsTheBoxAndItsButtonDecides)
{
    struct Case {
        const char *what;
        int button;
        int exits;
    };
    const Case cases[] = {{"first button goes on", 1, 0}, {"second button ends the application", 2, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        int before = mdlhost_exitRequests(app_);
        mdlhost_failNext("malloc", 1);
        mdlhost_scriptAlert(c.button);
        EXPECT_EQ(zvlibMem_mallocRscErrorPrintf(100, MEM_LIST, MEM_ENTRY, 100), nullptr);
        EXPECT_STREQ(mdlhost_lastAlertText(), "Ikke nok minne (100 byte)");
        EXPECT_EQ(mdlhost_exitRequests(app_) - before, c.exits);
        // The next request is served again.
        void *p = zvlibMem_mallocRscErrorPrintf(8, MEM_LIST, MEM_ENTRY, 8);
        EXPECT_NE(p, nullptr);
        dlmSystem_mdlFree(p);
    }
}

TEST_F(ZvlibTest, FailedReallocLeavesTheOldBlock)
{
    char *p = static_cast<char *>(zvlibMem_mallocRscErrorPrintf(10, MEM_LIST, MEM_ENTRY, 10));
    ASSERT_NE(p, nullptr);
    memcpy(p, "abcdefghij", 10);
    mdlhost_failNext("realloc", 1);
    mdlhost_scriptAlert(2);
    EXPECT_EQ(zvlibMem_reallocRscErrorPrintf(p, 10, 1000, MEM_LIST, MEM_ENTRY, 1000), nullptr);
    EXPECT_STREQ(mdlhost_lastAlertText(), "Ikke nok minne (1000 byte)");
    EXPECT_EQ(mdlhost_exitRequests(app_), 1);
    EXPECT_EQ(std::string(p, 10), "abcdefghij");
    dlmSystem_mdlFree(p);
}

TEST_F(ZvlibTest, MissingMessageShowsNothingAndGoesOn)
{
    mdlhost_scriptAlert(1);
    ASSERT_EQ(zvlibError_rscMsgBoxPrintf(17, MEM_LIST, 50), ZVLIB_BOX_FIRST);
    mdlhost_failNext("malloc", 1);
    mdlhost_scriptAlert(2);
    EXPECT_EQ(zvlibMem_mallocRscErrorPrintf(100, MEM_LIST, 99), nullptr);
    EXPECT_STREQ(mdlhost_lastAlertText(), "en\nto") << "no box was shown";
    EXPECT_EQ(mdlhost_exitRequests(app_), 0);
}

TEST_F(ZvlibTest, MessageBoxResultsFollowTheStyle)
{
    struct Case {
        int style;
        int button;
        int result;
    };
    const Case cases[] = {
        {577, 1, ZVLIB_BOX_FIRST}, {577, 2, ZVLIB_BOX_SECOND}, {145, 2, ZVLIB_BOX_SECOND},
        {290, 2, ZVLIB_BOX_SECOND}, {0, 1, ZVLIB_BOX_FIRST},
        {0, 2, ZVLIB_BOX_FIRST},  // no second button
        {17, 2, ZVLIB_BOX_FIRST}, {68, 2, ZVLIB_BOX_FIRST},
    };
    for (const Case &c : cases) {
        mdlhost_clearDialogScripts();
        mdlhost_scriptAlert(c.button);
        EXPECT_EQ(zvlibError_rscMsgBoxPrintf(c.style, MEM_LIST, MEM_ENTRY, 5), c.result) << c.style;
    }
    EXPECT_EQ(zvlibError_rscMsgBoxPrintf(577, MEM_LIST, 99), ZVLIB_BOX_NOT_LOADED);
    EXPECT_EQ(zvlibError_rscMsgBoxPrintf(577, 1, MEM_ENTRY), ZVLIB_BOX_NOT_LOADED);
}

TEST_F(ZvlibTest, MessageBoxShowsAtMost24NonEmptyLines)
{
    std::string rsc = dir_ + "/lines.rsc";
    std::string many;
    for (int i = 1; i <= 30; i++)
        many += "L" + std::to_string(i) + "\\n";
    std::ofstream(rsc) << "MessageList 7 { 1 \"" << many << "\" 2 \"a\\n\\n\\nb\" }\n";
    ASSERT_EQ(mdlhost_openResourceFor(app_, rsc.c_str()), 0);

    EXPECT_EQ(zvlibError_rscMsgBoxPrintf(0, 7, 2), ZVLIB_BOX_FIRST);
    EXPECT_STREQ(mdlhost_lastAlertText(), "a\nb");
    EXPECT_EQ(zvlibError_rscMsgBoxPrintf(0, 7, 1), ZVLIB_BOX_FIRST);
    std::string shown = mdlhost_lastAlertText();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 23);
    EXPECT_EQ(shown.substr(shown.rfind('\n') + 1), "L24");
}

} // namespace

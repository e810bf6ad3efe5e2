#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "svc/mdlsvc.h"

namespace {

struct Heard {
    int type;
    long conversation;
};
std::vector<Heard> heard;

long listen(int type, long conversation, const void *, size_t)
{
    heard.push_back({type, conversation});
    return 0;
}

class ConversationTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        heard.clear();
        instance_ = mdlhost_ddeInitialize(listen);
        ASSERT_GT(instance_, 0);
    }
    void TearDown() override
    {
        mdlhost_ddeSetServiceAvailable("Excel", 1);
        mdlhost_ddeUninitialize(instance_);
    }
    long instance_ = 0;
};

TEST_F(ConversationTest, ConnectsToTheSpreadsheetOnItsSystemTopicOnly)
{
    struct Case {
        const char *service, *topic;
        bool connects;
    } cases[] = {
        {"Excel", "system", true}, {"EXCEL", "System", true}, {"Excel", "Book1.xlsx", false},
        {"Word", "system", false}, {nullptr, "system", false}, {"Excel", nullptr, false},
    };
    for (const Case &c : cases) {
        long conv = mdlhost_ddeConnect(instance_, c.service, c.topic);
        EXPECT_EQ(conv > 0, c.connects) << (c.service ? c.service : "null") << " " << (c.topic ? c.topic : "null");
        if (conv > 0) {
            EXPECT_EQ(mdlhost_ddeDisconnect(conv), MDLHOST_DDE_OK);
        }
    }
    EXPECT_EQ(mdlhost_ddeConnect(instance_ + 1000, "Excel", "system"), 0);
    // A spreadsheet that is not running takes no conversation.
    ASSERT_EQ(mdlhost_ddeSetServiceAvailable("Excel", 0), 0);
    EXPECT_EQ(mdlhost_ddeConnect(instance_, "Excel", "system"), 0);
    EXPECT_EQ(mdlhost_ddeSetServiceAvailable("Word", 0), -1);
}

TEST_F(ConversationTest, StaleAndEndedConversationsAreRefused)
{
    long conv = mdlhost_ddeConnect(instance_, "Excel", "system");
    ASSERT_GT(conv, 0);
    EXPECT_EQ(mdlhost_ddeExecute(conv, "[NEW()]", 5000), MDLHOST_DDE_OK);
    EXPECT_STREQ(mdlhost_ddeLastCommand(), "[NEW()]");
    EXPECT_EQ(mdlhost_ddeDisconnect(conv), MDLHOST_DDE_OK);
    EXPECT_EQ(mdlhost_ddeExecute(conv, "[NEW()]", 5000), MDLHOST_DDE_NOCONV);
    EXPECT_EQ(mdlhost_ddeDisconnect(conv), MDLHOST_DDE_NOCONV);
    // A new conversation never takes the old id.
    long next = mdlhost_ddeConnect(instance_, "Excel", "system");
    EXPECT_NE(next, conv);
    EXPECT_EQ(mdlhost_ddeExecute(next, nullptr, 5000), MDLHOST_DDE_BADARG);
    std::string tooLong = "[FORMULA(\"" + std::string(MDLHOST_DDE_MAXCOMMAND, 'x') + "\")]";
    EXPECT_EQ(mdlhost_ddeExecute(next, tooLong.c_str(), 5000), MDLHOST_DDE_BADARG);
    EXPECT_EQ(mdlhost_ddeExecute(next, "[SAVE()]", 5000), MDLHOST_DDE_NOTPROCESSED);
    EXPECT_STRNE(mdlhost_ddeLastError(), "");
    EXPECT_EQ(mdlhost_ddeExecute(next, "[NEW()]", 5000), MDLHOST_DDE_OK);
    EXPECT_STREQ(mdlhost_ddeLastError(), "");
    // Ending the instance ends its conversations.
    EXPECT_EQ(mdlhost_ddeUninitialize(instance_), MDLHOST_DDE_OK);
    EXPECT_EQ(mdlhost_ddeExecute(next, "[NEW()]", 5000), MDLHOST_DDE_NOCONV);
    EXPECT_EQ(mdlhost_ddeUninitialize(instance_), MDLHOST_DDE_BADARG);
    instance_ = mdlhost_ddeInitialize(listen);
}

TEST_F(ConversationTest, QuitEndsTheConversationAndTellsTheClient)
{
    long conv = mdlhost_ddeConnect(instance_, "Excel", "system");
    ASSERT_GT(conv, 0);
    EXPECT_EQ(mdlhost_ddeExecute(conv, "[QUIT()]", 5000), MDLHOST_DDE_OK);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].type, MDLHOST_DDE_XTYP_DISCONNECT);
    EXPECT_EQ(heard[0].conversation, conv);
    EXPECT_EQ(mdlhost_ddeExecute(conv, "[NEW()]", 5000), MDLHOST_DDE_NOCONV);
}

TEST_F(ConversationTest, EachConversationHasASpreadsheetOfItsOwn)
{
    long a = mdlhost_ddeConnect(instance_, "Excel", "system");
    long b = mdlhost_ddeConnect(instance_, "Excel", "system");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_EQ(mdlhost_ddeExecute(a, "[NEW()]", 5000), MDLHOST_DDE_OK);
    EXPECT_EQ(mdlhost_ddeExecute(a, "[SELECT(\"B2\")]", 5000), MDLHOST_DDE_OK);
    EXPECT_EQ(mdlhost_ddeExecute(b, "[SELECT(\"B2\")]", 5000), MDLHOST_DDE_NOTPROCESSED); // b has no workbook
}

} // namespace

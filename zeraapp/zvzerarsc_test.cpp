// The application's resource file: zvlib's lists come through its include,
// the engine's lists are its own.
#include <string>

#include "rsc_testing.h"

namespace {

class ZvzeraRscTest : public rsctest::RscFixture {};

TEST_F(ZvzeraRscTest, IncludesZvlibsResourceFile)
{
    MdlDesc *zvzera = mdlhost_registerApplication("RSCZVZERA", ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc");
    ASSERT_NE(zvzera, nullptr) << window();
    const RscNode *l = mdlhost_rscFind(zvzera, "MessageList", 20005);
    ASSERT_NE(l, nullptr);
    EXPECT_NE(std::string(mdlhost_rscSourceFile(l)).find("zvlib.rsc"), std::string::npos);
    EXPECT_NE(mdlhost_messageListEntry(zvzera, 20005, 14), nullptr);
    EXPECT_STREQ(mdlhost_messageListEntry(zvzera, 20007, 25), "OK");
    // The engine's lists are still the application's own.
    EXPECT_NE(mdlhost_messageListEntry(zvzera, 11, 2), nullptr);
    mdlhost_forgetResources(zvzera);
    mdlhost_unregisterApplication(zvzera);
}

} // namespace

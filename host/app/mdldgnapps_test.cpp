// Hooks of applications and the design-file events, with the applications a design file brings.
#include "testing/frame_testing.h"

namespace {

using frametest::FrameTest;

TEST_F(FrameTest, NewDesignFileHooksRunWithTheirOwnerCurrent)
{
    keyin("mdl load hosttesta");
    keyin("mdl load hosttestb");
    mdlhost_clearTextWindow();
    mdlhost_newDesignFile("D:\\kart\\a.dgn");
    EXPECT_EQ(text(), "HOSTTESTA newdesign D:\\kart\\a.dgn 1 current=HOSTTESTA\n"
                      "HOSTTESTB newdesign D:\\kart\\a.dgn 1 current=HOSTTESTB\n");
    EXPECT_STREQ(tcbP->dgnfilenm, "D:\\kart\\a.dgn");

    mdlhost_clearTextWindow();
    mdlhost_newDesignFile("b.dgn");
    EXPECT_EQ(text(), "HOSTTESTA newdesign D:\\kart\\a.dgn 0 current=HOSTTESTA\n"
                      "HOSTTESTB newdesign D:\\kart\\a.dgn 0 current=HOSTTESTB\n"
                      "HOSTTESTA newdesign b.dgn 1 current=HOSTTESTA\n"
                      "HOSTTESTB newdesign b.dgn 1 current=HOSTTESTB\n");
    EXPECT_EQ(mdlSystem_getCurrMdlDesc(), nullptr);
    mdlhost_setActiveDesignFile(nullptr);
}

TEST_F(FrameTest, DesignApplicationsLoadBeforeTheHooksRun)
{
    define("MS_DGNAPPS", "hosttestb");
    keyin("mdl load hosttesta");
    mdlhost_clearTextWindow();
    mdlhost_newDesignFile("first.dgn");
    EXPECT_TRUE(saw("HOSTTESTB argv[1]=MS_DGNAPPS")) << text();
    EXPECT_TRUE(saw("HOSTTESTB newdesign first.dgn 1 current=HOSTTESTB")) << text();
    mdlhost_newDesignFile("second.dgn");
    EXPECT_EQ(count("HOSTTESTB MdlMain"), 1u); // loaded once
    EXPECT_TRUE(saw("HOSTTESTB newdesign second.dgn 1 current=HOSTTESTB")) << text();
    mdlhost_setActiveDesignFile(nullptr);
}

int hookOne(int) { return 1; }
int hookTwo(int) { return 2; }

TEST(Hooks, SetFunctionReplacesAndRemoves)
{
    auto one = reinterpret_cast<MdlFunctionP>(hookOne);
    auto two = reinterpret_cast<MdlFunctionP>(hookTwo);
    EXPECT_EQ(mdlSystem_setFunction(MDLHOST_HOOK_UNLOAD, one), nullptr); // outside any application
    MdlDesc *app = mdlhost_registerApplication("HOOKS", nullptr);
    MdlDesc *other = mdlhost_registerApplication("HOOKS2", nullptr);
    MdlDesc *outer = mdlhost_setCurrMdlDesc(app);
    EXPECT_EQ(mdlSystem_setFunction(MDLHOST_HOOK_UNLOAD, one), nullptr);
    EXPECT_EQ(mdlSystem_setFunction(MDLHOST_HOOK_UNLOAD, two), one);
    EXPECT_EQ(mdlSystem_setFunction(MDLHOST_HOOK_ELEMENTTOFILE, one), nullptr);
    EXPECT_EQ(mdlhost_getFunction(app, MDLHOST_HOOK_UNLOAD), two);
    EXPECT_EQ(mdlhost_getFunction(other, MDLHOST_HOOK_UNLOAD), nullptr); // hooks are per application
    EXPECT_EQ(mdlSystem_setFunction(MDLHOST_HOOK_UNLOAD, nullptr), two);
    EXPECT_EQ(mdlhost_getFunction(app, MDLHOST_HOOK_UNLOAD), nullptr);
    mdlhost_setCurrMdlDesc(outer);
    mdlhost_unregisterApplication(app);
    mdlhost_unregisterApplication(other);
    EXPECT_EQ(mdlhost_getFunction(app, MDLHOST_HOOK_ELEMENTTOFILE), nullptr);
}

} // namespace

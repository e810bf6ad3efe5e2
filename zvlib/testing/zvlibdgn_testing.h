// Fixture of the zvlib tests on design files: an active 2D design file
// (dgntest::DgnTest) and an application registered with the library's
// resources that started the library, current for each test.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "dgn_testing.h"
#include "mdlhost.h"
#include "zvlibmain.h"

namespace zvlibtest {

class DgnAppTest : public dgntest::DgnTest {
  protected:
    void SetUp() override
    {
        DgnTest::SetUp();
        if (HasFatalFailure())
            return;
        saved_ = *tcbP;
        std::string rsc = path("app.rsc");
        std::ofstream(rsc) << "Include \"" ZERA_SOURCE_DIR "/zvlib/zvlib.rsc\"\n" << extraResources();
        app_ = mdlhost_registerApplication("ZVELEM", rsc.c_str());
        ASSERT_NE(app_, nullptr);
        previous_ = mdlhost_setCurrMdlDesc(app_);
        char *argv[] = {const_cast<char *>("app.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvElem", 2, argv), 0);
        mdlhost_clearDialogScripts();
        mdlhost_clearDrawLog();
        mdlhost_clearTextWindow();
    }
    void TearDown() override
    {
        *tcbP = saved_;
        mdlCell_detachLibrary();
        mdlhost_clearDialogScripts();
        mdlhost_setCurrMdlDesc(previous_);
        if (app_ != nullptr) {
            mdlhost_forgetResources(app_);
            mdlhost_unregisterApplication(app_);
        }
        mdlhost_closeUserPrefs();
        DgnTest::TearDown();
    }

    // Further resource file lines of a deriving fixture's application.
    virtual std::string extraResources() const { return {}; }

    Tcb saved_{};
    MdlDesc *app_ = nullptr;
    MdlDesc *previous_ = nullptr;
};

} // namespace zvlibtest

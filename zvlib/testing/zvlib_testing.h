// Shared fixture for the zvlib test programs: a fresh temporary directory
// holding a resource file, and (optionally) a host application registered
// with it and made current for the duration of each test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "mdlhost.h"

namespace zvlibtest {

class AppTest : public ::testing::Test {
  public:
    struct Options {
        const char *dirPrefix = "zvlibtest"; // temporary directory name before "-XXXXXX"
        const char *rscName = "test.rsc";    // resource file name inside the directory
        bool forgetResources = true;         // drop the application's resources before unregistering it
    };

  protected:
    // task: the application to register, or nullptr to register none (the
    // fixture then only remembers the current application to restore it).
    AppTest(const char *task, std::string resources, Options options)
        : task_(task ? task : ""), registers_(task != nullptr), resources_(std::move(resources)), options_(options)
    {
    }
    AppTest(const char *task, std::string resources) : AppTest(task, std::move(resources), Options{}) {}

    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / (std::string(options_.dirPrefix) + "-XXXXXX")).string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        ASSERT_NE(mkdtemp(buf.data()), nullptr);
        dir_ = buf.data();
        rsc_ = writeText(options_.rscName, resources_);
        beforeRegister();
        if (HasFatalFailure())
            return;
        if (registers_) {
            app_ = mdlhost_registerApplication(task_.c_str(), rsc_.c_str());
            ASSERT_NE(app_, nullptr);
            previous_ = mdlhost_setCurrMdlDesc(app_);
        } else {
            previous_ = mdlSystem_getCurrMdlDesc();
        }
        afterRegister();
        if (HasFatalFailure())
            return;
        mdlhost_clearDialogScripts();
    }
    void TearDown() override
    {
        mdlhost_clearDialogScripts();
        mdlhost_setCurrMdlDesc(previous_);
        if (app_ != nullptr) {
            if (options_.forgetResources)
                mdlhost_forgetResources(app_);
            mdlhost_unregisterApplication(app_);
        }
        afterUnregister();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Runs after the resource file is written, before the application is registered.
    virtual void beforeRegister() {}
    // Runs once the application is current, before the dialog scripts are cleared.
    virtual void afterRegister() {}
    // Runs after the application is unregistered, before the directory is removed.
    virtual void afterUnregister() {}

    // A file name inside the temporary directory.
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    // Writes bytes to a file in the temporary directory and returns its path.
    std::string writeFile(const std::string &name, const std::string &bytes) const
    {
        std::string p = path(name);
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }

    std::string dir_;
    std::string rsc_;
    MdlDesc *app_ = nullptr;
    MdlDesc *previous_ = nullptr;

  private:
    std::string writeText(const std::string &name, const std::string &text) const
    {
        std::string p = path(name);
        std::ofstream(p) << text;
        return p;
    }

    std::string task_;
    bool registers_;
    std::string resources_;
    Options options_;
};

} // namespace zvlibtest

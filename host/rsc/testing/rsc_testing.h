// Fixture of the resource tests: a temporary directory and a registered
// application that is current while a test runs.
#ifndef MDLHOST_RSC_TESTING_H
#define MDLHOST_RSC_TESTING_H

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mdlhost.h"

namespace rsctest {

class RscFixture : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "mdlrsc-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        ASSERT_NE(mkdtemp(buf.data()), nullptr);
        dir_ = buf.data();
        app_ = mdlhost_registerApplication("RSCFIXTURE", nullptr);
        ASSERT_NE(app_, nullptr);
        previous_ = mdlhost_setCurrMdlDesc(app_);
        mdlhost_clearTextWindow();
    }
    void TearDown() override
    {
        mdlhost_failNext("fopen", 0);
        mdlhost_rscFailWrites(0);
        mdlhost_setCurrMdlDesc(previous_);
        mdlhost_forgetResources(app_);
        mdlhost_unregisterApplication(app_);
        // Read-only directories made by a test must not keep their files.
        std::error_code ec;
        for (auto &e : std::filesystem::recursive_directory_iterator(dir_, ec))
            if (e.is_directory(ec))
                chmod(e.path().c_str(), 0755);
        std::filesystem::remove_all(dir_, ec);
    }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    std::string write(const std::string &name, const std::string &bytes) const
    {
        std::string p = path(name);
        std::filesystem::create_directories(std::filesystem::path(p).parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    static std::string read(const std::string &p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Names in the directory, to see that no temporary is left behind.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (auto &e : std::filesystem::directory_iterator(dir_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // A new resource file opened read-write.
    RscFileHandle createOpen(const std::string &name, const char *description = "Attributes")
    {
        EXPECT_EQ(mdlResource_createFile(path(name).c_str(), description, MDLHOST_RSC_READWRITE), MDLHOST_RSC_OK);
        RscFileHandle h = nullptr;
        EXPECT_EQ(mdlResource_openFile(&h, path(name).c_str(), MDLHOST_RSC_READWRITE), MDLHOST_RSC_OK);
        return h;
    }
    std::string window() const { return mdlhost_textWindow(); }

    std::string dir_;
    MdlDesc *app_ = nullptr;
    MdlDesc *previous_ = nullptr;
};

// Bytes that differ from position to position, seeded so that blocks differ.
inline std::vector<unsigned char> pattern(size_t n, unsigned seed)
{
    std::vector<unsigned char> v(n);
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; i++) {
        x = x * 1103515245u + 12345u;
        v[i] = (unsigned char)(x >> 16);
    }
    return v;
}

} // namespace rsctest

#endif

// Fixture of the design-file tests: a fresh 2D design file (1000 UOR per
// metre, master unit "m", global origin 0) in a temporary directory, active
// for the test and closed afterwards.
#ifndef MDLHOST_DGN_TESTING_H
#define MDLHOST_DGN_TESTING_H

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "mdlhost.h"

namespace dgntest {

constexpr double kUorPerMaster = 1000.0;

// What a command prints on its standard output.
inline std::string runCommand(const std::string &command)
{
    std::string out;
    FILE *p = popen(command.c_str(), "r");
    if (p == nullptr)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

// GDAL's ogrinfo with args on layer (the default model's unless named) of
// path: the printed text, errors included.  The host's own tables are
// layers too.
inline std::string ogrinfo(const std::string &args, const std::string &path, const std::string &layer = "model_1")
{
    return runCommand("/usr/bin/ogrinfo " + args + " '" + path + "' " + layer + " 2>&1");
}

class DgnTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "mdldgn-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        mdlhost_clearTextWindow();
        mdlhost_clearMessageCenter();
        mdlhost_dgnFailWrites(0, 0);
        open(false);
    }
    void TearDown() override
    {
        // A test that failed inside a command must not leave it running.
        while (mdlhost_dgnCommandDepth() > 0)
            mdlhost_dgnEndCommand(0);
        mdlhost_dgnFailWrites(0, 0);
        mdlhost_closeDesignFile();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Replaces the active design file by a fresh 3D one.
    void make3d() { open(true); }

    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    // The active design file.
    const std::string &dgnPath() const { return dgnPath_; }

  private:
    void open(bool is3d)
    {
        mdlhost_closeDesignFile();
        dgnPath_ = path(is3d ? "design3d.dgn" : "design.dgn");
        std::error_code ec;
        std::filesystem::remove(dgnPath_, ec);
        DPoint3d origin{0, 0, 0};
        ASSERT_EQ(mdlhost_dgnCreateFile(dgnPath_.c_str(), is3d, kUorPerMaster, "m", &origin), 0);
        ASSERT_EQ(mdlSystem_newDesignFile(dgnPath_.c_str()), 0);
    }

    std::string dir_;
    std::string dgnPath_;
};

} // namespace dgntest

#endif

#include "engine_testing.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kartmotor_tjenester.h"

namespace fs = std::filesystem;

namespace zeratest {

void EngineTest::SetUp()
{
    std::string tmpl = (fs::temp_directory_path() / "zeratest-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    ASSERT_NE(mkdtemp(buf.data()), nullptr);
    dir_ = buf.data();
    app_ = mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc");
    previous_ = mdlhost_setCurrMdlDesc(app_);
    mdlhost_clearTextWindow();
    mdlhost_clearMessageCenter();
    mdlhost_clearDialogScripts();
}

void EngineTest::TearDown()
{
    mdlhost_setCurrMdlDesc(previous_);
    mdlhost_unregisterApplication(app_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::string EngineTest::path(const std::string &name) const { return dir_ + "/" + name; }

std::string EngineTest::writeFile(const std::string &name, const std::string &bytes) const
{
    std::string p = path(name);
    std::ofstream out(p, std::ios::binary);
    out << bytes;
    return p;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool fileExists(const std::string &path) { return fs::exists(path); }

MdlFunctionP cTxtCallback() { return reinterpret_cast<MdlFunctionP>(&c_txt); }

} // namespace zeratest

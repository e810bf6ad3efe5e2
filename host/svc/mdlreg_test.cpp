#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "svc/mdlsvc.h"
#include "sys/mdlsys.h"

namespace fs = std::filesystem;

namespace {

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlreg-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        // A directory that does not exist yet: the first write makes it.
        mdlSystem_defineCfgVar("MDLHOST_REGISTRY", (dir_ + "/reg").c_str());
    }
    void TearDown() override
    {
        mdlSystem_defineCfgVar("MDLHOST_REGISTRY", nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string hiveFile(const char *name) const { return dir_ + "/reg/" + name; }
    static std::string readAll(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The value's type and bytes; type -1 when the query did not succeed.
    static std::pair<int, std::string> query(int hive, const char *key, const char *name)
    {
        std::vector<char> buf(MDLHOST_REG_MAXDATA);
        size_t size = buf.size();
        int type = 0;
        if (mdlhost_regQueryValue(hive, key, name, &type, buf.data(), &size) != MDLHOST_REG_OK)
            return {-1, ""};
        return {type, std::string(buf.data(), size)};
    }
    std::string dir_;
};

TEST_F(RegistryTest, ValuesOfEachTypeComeBackByteForByteInBothHives)
{
    const std::string binary("\0%\t\n\xFF\x7F""end", 9);
    struct Case {
        const char *key;
        const char *name;
        int type;
        std::string data;
    } cases[] = {
        {"SOFTWARE\\ODBC\\ODBC.INI\\Kart", "DBQ", MDLHOST_REG_SZ, std::string("C:\\data\\kart.mdb\0", 17)},
        {"Software\\Zera", "Bl\xE5\xE6r", MDLHOST_REG_SZ, std::string("\xC6\xD8\xC5 \xE6\xF8\xE5\0", 8)},
        {"Software\\Zera", "", MDLHOST_REG_BINARY, binary}, // the key's default value
        {"Software\\Zera", "Count", MDLHOST_REG_DWORD, std::string("\x2A\0\0\0", 4)},
        {"", "AtTheRoot", MDLHOST_REG_BINARY, ""},
    };
    for (int hive : {MDLHOST_HKEY_CURRENT_USER, MDLHOST_HKEY_LOCAL_MACHINE}) {
        for (const Case &c : cases)
            ASSERT_EQ(mdlhost_regSetValue(hive, c.key, c.name, c.type, c.data.data(), c.data.size()), MDLHOST_REG_OK)
                << c.name;
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.key) + " / " + c.name);
            auto [type, data] = query(hive, c.key, c.name);
            EXPECT_EQ(type, c.type);
            EXPECT_EQ(data, c.data);
        }
    }
    // Every byte of the files is printable: values never break their lines.
    for (const char *file : {"user.reg", "machine.reg"}) {
        std::string text = readAll(hiveFile(file));
        EXPECT_EQ(text.rfind("MDLHOST-REGISTRY 1\n", 0), 0u);
        for (unsigned char c : text)
            EXPECT_TRUE(c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7F)) << int(c);
    }
}

TEST_F(RegistryTest, HivesAreSeparateAndNamesCompareWithoutCase)
{
    ASSERT_EQ(mdlhost_regSetString(MDLHOST_HKEY_LOCAL_MACHINE, "Software\\Zera", "Dir", "/machine"), MDLHOST_REG_OK);
    EXPECT_EQ(query(MDLHOST_HKEY_CURRENT_USER, "Software\\Zera", "Dir").first, -1);
    EXPECT_EQ(query(MDLHOST_HKEY_LOCAL_MACHINE, "\\SOFTWARE\\zera\\", "DIR").second, std::string("/machine\0", 9));
    // Setting again replaces, in place of adding a second value.
    ASSERT_EQ(mdlhost_regSetDword(MDLHOST_HKEY_LOCAL_MACHINE, "software\\ZERA", "dir", 7), MDLHOST_REG_OK);
    EXPECT_EQ(query(MDLHOST_HKEY_LOCAL_MACHINE, "Software\\Zera", "Dir"),
              std::make_pair(int(MDLHOST_REG_DWORD), std::string("\7\0\0\0", 4)));
    EXPECT_EQ(mdlhost_regDeleteValue(MDLHOST_HKEY_LOCAL_MACHINE, "Software\\Zera", "Dir"), MDLHOST_REG_OK);
    EXPECT_EQ(mdlhost_regDeleteValue(MDLHOST_HKEY_LOCAL_MACHINE, "Software\\Zera", "Dir"), MDLHOST_REG_NOTFOUND);
    EXPECT_EQ(query(MDLHOST_HKEY_LOCAL_MACHINE, "Software\\Zera", "Dir").first, -1);
}

TEST_F(RegistryTest, AValueTooBigForTheBufferGivesItsSizeAndLeavesTheBuffer)
{
    ASSERT_EQ(mdlhost_regSetString(MDLHOST_HKEY_CURRENT_USER, "K", "V", "0123456789"), MDLHOST_REG_OK);
    char buf[8];
    memset(buf, '#', sizeof buf);
    size_t size = sizeof buf;
    int type = -1;
    EXPECT_EQ(mdlhost_regQueryValue(MDLHOST_HKEY_CURRENT_USER, "K", "V", &type, buf, &size), MDLHOST_REG_MOREDATA);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(std::string(buf, sizeof buf), "########");
    EXPECT_EQ(type, -1);
    // Without a buffer the size alone is asked.
    size = 0;
    EXPECT_EQ(mdlhost_regQueryValue(MDLHOST_HKEY_CURRENT_USER, "K", "V", &type, nullptr, &size), MDLHOST_REG_OK);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(type, MDLHOST_REG_SZ);
}

TEST_F(RegistryTest, BadArgumentsAreRefusedAndNothingIsWritten)
{
    std::string longKey(MDLHOST_REG_MAXKEY, 'k'), longName(MDLHOST_REG_MAXNAME, 'n');
    std::string big(MDLHOST_REG_MAXDATA + 1, 'x');
    struct Case {
        int hive;
        const char *key;
        const char *name;
        int type;
        const std::string &data;
    } cases[] = {
        {3, "K", "V", MDLHOST_REG_SZ, longName},
        {MDLHOST_HKEY_CURRENT_USER, longKey.c_str(), "V", MDLHOST_REG_SZ, longName},
        {MDLHOST_HKEY_CURRENT_USER, "K", longName.c_str(), MDLHOST_REG_SZ, longName},
        {MDLHOST_HKEY_CURRENT_USER, "a\\\\b", "V", MDLHOST_REG_SZ, longName},
        {MDLHOST_HKEY_CURRENT_USER, nullptr, "V", MDLHOST_REG_SZ, longName},
        {MDLHOST_HKEY_CURRENT_USER, "K", "V", 7, longName},
        {MDLHOST_HKEY_CURRENT_USER, "K", "V", MDLHOST_REG_DWORD, longName},
        {MDLHOST_HKEY_CURRENT_USER, "K", "V", MDLHOST_REG_BINARY, big},
    };
    for (const Case &c : cases)
        EXPECT_EQ(mdlhost_regSetValue(c.hive, c.key, c.name, c.type, c.data.data(), c.data.size()),
                  MDLHOST_REG_BADARG);
    EXPECT_FALSE(fs::exists(dir_ + "/reg"));
    // The largest value is taken.
    std::string largest(MDLHOST_REG_MAXDATA, '\x80');
    EXPECT_EQ(mdlhost_regSetValue(MDLHOST_HKEY_CURRENT_USER, "K", "V", MDLHOST_REG_BINARY, largest.data(),
                                  largest.size()),
              MDLHOST_REG_OK);
    EXPECT_EQ(query(MDLHOST_HKEY_CURRENT_USER, "K", "V").second, largest);
}

TEST_F(RegistryTest, AHiveWithForeignLinesIsReadButNeverRewritten)
{
    fs::create_directories(dir_ + "/reg");
    const std::string damaged = "MDLHOST-REGISTRY 1\n"
                                "Software\\Zera\tDir\t1\t/good%00\n"
                                "a line someone else wrote\n"
                                "Software\\Zera\tBad\t1\t%G1\n";
    std::ofstream(hiveFile("user.reg"), std::ios::binary) << damaged;
    EXPECT_EQ(query(MDLHOST_HKEY_CURRENT_USER, "Software\\Zera", "Dir").second, std::string("/good\0", 6));
    EXPECT_EQ(query(MDLHOST_HKEY_CURRENT_USER, "Software\\Zera", "Bad").first, -1);
    EXPECT_EQ(mdlhost_regSetString(MDLHOST_HKEY_CURRENT_USER, "Software\\Zera", "New", "x"), MDLHOST_REG_CORRUPT);
    EXPECT_EQ(readAll(hiveFile("user.reg")), damaged);
    // The other hive is not held back.
    EXPECT_EQ(mdlhost_regSetString(MDLHOST_HKEY_LOCAL_MACHINE, "Software\\Zera", "New", "x"), MDLHOST_REG_OK);
}

TEST_F(RegistryTest, AFullHiveRefusesANewValueButTakesChanges)
{
    fs::create_directories(dir_ + "/reg");
    std::ofstream out(hiveFile("user.reg"), std::ios::binary);
    out << "MDLHOST-REGISTRY 1\n";
    for (int i = 0; i < MDLHOST_REG_MAXVALUES; i++)
        out << "K\tv" << i << "\t3\tx\n";
    out.close();
    EXPECT_EQ(mdlhost_regSetString(MDLHOST_HKEY_CURRENT_USER, "K", "one more", "x"), MDLHOST_REG_FULL);
    EXPECT_EQ(mdlhost_regSetString(MDLHOST_HKEY_CURRENT_USER, "K", "v0", "changed"), MDLHOST_REG_OK);
    EXPECT_EQ(query(MDLHOST_HKEY_CURRENT_USER, "K", "v0").second, std::string("changed\0", 8));
    // Only the hives and their lock files: no temporary file is left.
    for (const auto &e : fs::directory_iterator(dir_ + "/reg"))
        EXPECT_TRUE(e.path().extension() == ".reg" || e.path().extension() == ".lock") << e.path();
}

} // namespace

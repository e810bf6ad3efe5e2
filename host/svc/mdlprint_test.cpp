#include <sys/stat.h>
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

// Writes each argument it got as an "[arg]" line to args.txt beside itself,
// then exits with the status in the file status beside itself (0 without).
const char *const RECORDER = "#!/bin/sh\n"
                             "d=\"$(dirname \"$0\")\"\n"
                             ": > \"$d/args.txt\"\n"
                             "for a in \"$@\"; do printf '[%s]\\n' \"$a\" >> \"$d/args.txt\"; done\n"
                             "[ -f \"$d/status\" ] && exit \"$(cat \"$d/status\")\"\n"
                             "exit 0\n";

class PrinterTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlprint-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        std::string rec = path("lp.sh");
        std::ofstream(rec) << RECORDER;
        chmod(rec.c_str(), 0755);
        // Shell-made files would appear here.
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir("/"), 0);
        mdlSystem_defineCfgVar("MDLHOST_PRINTERS", nullptr);
        mdlSystem_defineCfgVar("MDLHOST_DRIVE_P", nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    std::string write(const std::string &name, const std::string &bytes) const
    {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }
    static std::string readAll(const std::string &p)
    {
        std::ifstream in(p, std::ios::binary);
        if (!in)
            return "-";
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string dir_;
};

TEST_F(PrinterTest, PrintersComeFromTheConfigurationInOrder)
{
    mdlSystem_defineCfgVar("MDLHOST_PRINTERS", " Lokal = /dev/null ; \\\\srv\\Plotter=|lp -d plotter;"
                                               "\\\\srv2\\=/var/spool/x;");
    MdlhostPrinter p[4];
    ASSERT_EQ(mdlhost_printers(p, 4), 3);
    struct Want {
        const char *name, *server, *share, *port;
    } want[] = {
        {"Lokal", "", "", "/dev/null"},
        {"\\\\srv\\Plotter", "\\\\srv", "Plotter", "|lp -d plotter"},
        {"\\\\srv2\\", "\\\\srv2", "", "/var/spool/x"},
    };
    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(p[i].name, want[i].name);
        EXPECT_STREQ(p[i].server, want[i].server);
        EXPECT_STREQ(p[i].share, want[i].share);
        EXPECT_STREQ(p[i].port, want[i].port);
    }
    // A smaller capacity still tells how many there are.
    EXPECT_EQ(mdlhost_printers(p, 1), 3);
    EXPECT_EQ(mdlhost_printers(nullptr, 0), 3);

    for (const char *bad : {"no equals sign", "=/dev/null", "name=", "a=/x;b"}) {
        mdlSystem_defineCfgVar("MDLHOST_PRINTERS", bad);
        EXPECT_EQ(mdlhost_printers(p, 4), -1) << bad;
    }
    mdlSystem_defineCfgVar("MDLHOST_PRINTERS", "a=/x;;b=/y;");
    EXPECT_EQ(mdlhost_printers(p, 4), 2);
    mdlSystem_defineCfgVar("MDLHOST_PRINTERS", nullptr);
    EXPECT_EQ(mdlhost_printers(p, 4), 0);
}

TEST_F(PrinterTest, APrintFileNameWithShellCharactersNeverRunsACommand)
{
    mdlSystem_defineCfgVar("MDLHOST_PRINTERS", ("Rec=|" + path("lp.sh") + " -o fit").c_str());
    const char *names[] = {
        "a;touch MARK;b.prn", "$(touch MARK).prn", "`touch MARK`.prn", "x|touch MARK", "x&&touch MARK",
        "x>MARK", "-rf", "it's here.prn",
    };
    for (const char *name : names) {
        SCOPED_TRACE(name);
        std::string file = write(name, "page");
        ASSERT_EQ(mdlhost_printFile("rec", file.c_str()), MDLHOST_PRINT_OK);
        EXPECT_EQ(readAll(path("args.txt")), "[-o]\n[fit]\n[" + file + "]\n");
        EXPECT_FALSE(fs::exists(path("MARK")));
    }
    // Relative: the program gets "./-rf", never a word that reads as an option.
    ASSERT_EQ(mdlhost_printFile("Rec", "-rf"), MDLHOST_PRINT_OK);
    EXPECT_EQ(readAll(path("args.txt")), "[-o]\n[fit]\n[./-rf]\n");
}

TEST_F(PrinterTest, PrintingFailsWhenTheProgramFailsOrTheFileCannotBeGiven)
{
    mdlSystem_defineCfgVar("MDLHOST_PRINTERS", ("Rec=|" + path("lp.sh") + ";Gone=|" + path("nosuch")).c_str());
    std::string file = write("page.prn", "page");
    write("status", "3");
    EXPECT_EQ(mdlhost_printFile("Rec", file.c_str()), MDLHOST_PRINT_FAILED);
    fs::remove(path("status"));
    EXPECT_EQ(mdlhost_printFile("Rec", file.c_str()), MDLHOST_PRINT_OK);
    EXPECT_EQ(mdlhost_printFile("Gone", file.c_str()), MDLHOST_PRINT_FAILED);
    EXPECT_EQ(mdlhost_printFile("Nobody", file.c_str()), MDLHOST_PRINT_NOPRINTER);
    fs::remove(path("args.txt"));
    std::string quoted = write("say \"hi\".prn", "page");
    std::string newline = write("two\nlines.prn", "page");
    for (const std::string &f : {quoted, newline, path("missing.prn"), std::string()})
        EXPECT_EQ(mdlhost_printFile("Rec", f.c_str()), MDLHOST_PRINT_BADFILE) << f;
    EXPECT_FALSE(fs::exists(path("args.txt")));
}

TEST_F(PrinterTest, APathPrinterGetsACopyOfTheFile)
{
    fs::create_directories(path("spool"));
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_P", dir_.c_str());
    mdlSystem_defineCfgVar("MDLHOST_PRINTERS", ("Dir=P:\\spool;File=" + path("out.prn")).c_str());
    std::string file = write("kart 1.prn", std::string("\0\x1B%-12345X", 10));
    ASSERT_EQ(mdlhost_printFile("Dir", file.c_str()), MDLHOST_PRINT_OK);
    EXPECT_EQ(readAll(path("spool/kart 1.prn")), std::string("\0\x1B%-12345X", 10));
    ASSERT_EQ(mdlhost_printFile("File", "P:\\kart 1.prn"), MDLHOST_PRINT_OK);
    EXPECT_EQ(readAll(path("out.prn")), std::string("\0\x1B%-12345X", 10));
    // Printed onto itself, the file keeps its bytes.
    mdlSystem_defineCfgVar("MDLHOST_PRINTERS", "Self=P:\\");
    ASSERT_EQ(mdlhost_printFile("Self", file.c_str()), MDLHOST_PRINT_OK);
    EXPECT_EQ(readAll(file), std::string("\0\x1B%-12345X", 10));
}

TEST_F(PrinterTest, PlotDriverNamesItsSystemPrinter)
{
    struct Case {
        const char *text;
        const char *printer; // null: none
    } cases[] = {
        {"# driver\nsystem_printer_name = \"HP Laser; 4\"\n", "HP Laser; 4"},
        {"model=x\nSYSTEM_PRINTER_NAME=Kontor # comment\n", "Kontor"},
        {"system_printer_name = Plotter;\r\n", "Plotter"},
        {"system_printer_names = x\n", nullptr},
        {"system_printer_name = \"unclosed\n", nullptr},
        {"nothing here\n", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        std::string f = write("printer.plt", c.text);
        char out[MDLHOST_PRINTER_NAMELEN] = "#";
        EXPECT_EQ(mdlhost_plotDriverSystemPrinter(f.c_str(), out, sizeof out), c.printer ? 0 : -1);
        EXPECT_STREQ(out, c.printer ? c.printer : "");
    }
    char small[4];
    std::string f = write("printer.plt", "system_printer_name = Long\n");
    EXPECT_EQ(mdlhost_plotDriverSystemPrinter(f.c_str(), small, sizeof small), -1);
    EXPECT_EQ(mdlhost_plotDriverSystemPrinter(path("none.plt").c_str(), small, sizeof small), -1);
}

} // namespace

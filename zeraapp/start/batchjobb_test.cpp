// Batch jobs run by the host program as a child: items that would replace
// an input or each other are refused before anything is written, a report
// that cannot be written is said with a non-zero exit status, and a killed
// run leaves its report so far beside the report's name.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "frame_testing.h"
#include "child_testing.h"

namespace fs = std::filesystem;

namespace {

std::string lesAlt(const std::string &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class BatchJobbTest : public frametest::FrameTest {
  protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        for (const char *d : {"zer", "dgn", "tmp", "prefs"})
            fs::create_directories(path(d));
        writeFile("tema.tem", "Kystkontur;3001;KYS;L;3001;2;1;0;0;0;0;KRYSS;1;1;0\n");
        writeFile("zer/a.zer", ".HODE\n..TEGNSETT ISO8859-1\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
                               "..ZERA-NIV\xC5 3\n.KURVE 1:\n..LTEMA 3001\n..N\xD8H\n660000000 50000000 1000\n"
                               "660001000 50001000 1000\n.SLUTT\n");
        DPoint3d origo{0, 0, 0};
        ASSERT_EQ(mdlhost_dgnCreateFile(path("seed.dgn").c_str(), 1, 1000.0, "m", &origo), 0);
        writeFile("host.cfg", "MS_USERPREF = " + path("prefs/user.upf") + "\nZV_DIR = " + dir_ +
                                  "/\nZVZERA_TEMP = " + path("tmp") + "/\n");
    }
    std::string importJobb(const std::string &filnavn)
    {
        return "Type: IMPORT\nTemafil: " + path("tema.tem") + "\nSeedfil: " + path("seed.dgn") +
               "\nZERA-dir: " + path("zer") + "/\nDGN-dir: " + path("dgn") + "/\n" + filnavn;
    }
    std::string kommando(const std::string &jobb, const std::string &rapport)
    {
        return "env -u MS_MDL -u MDLHOST_ECHO '" MDLHOST_PROGRAM "' -c '" + path("host.cfg") +
               "' -k 'mdl load zvzera MS_INITAPPS -i" + path(jobb) + " -i" + path(rapport) + "' >'" + path("out.txt") +
               "' 2>'" + path("err.txt") + "'";
    }
    // The host's exit status.
    int kjoer(const std::string &jobb, const std::string &rapport)
    {
        int raw = std::system(kommando(jobb, rapport).c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
};

TEST_F(BatchJobbTest, AnItemThatWouldReplaceAnInputOrAnotherItemsOutputIsRefused)
{
    struct {
        const char *hva;
        std::string filnavn; // the job's item lines
        std::string vern;    // a file the job reads, unchanged after
        std::string aarsak;
    } tilfeller[] = {
        {"the design is its own ZERA file", "Filnavn: ../zer/a.zer a.zer\n", "zer/a.zer",
         "er ogs\xE5 elementets egen ZERA-fil."},
        {"the design is the seed, by another spelling", "Filnavn: ../dgn/../seed.dgn a.zer\n", "seed.dgn",
         "er ogs\xE5 seedfilen."},
        {"the design is the job file", "Filnavn: ../j.job a.zer\n", "j.job", "er ogs\xE5 jobbfilen."},
        {"two items, one design", "Filnavn: x.dgn a.zer\nFilnavn: x.dgn a.zer\n", "",
         "DGN-filen " + path("dgn") + "/x.dgn er ogs\xE5 DGN-filen til element 1."},
    };
    for (auto &t : tilfeller) {
        SCOPED_TRACE(t.hva);
        writeFile("j.job", importJobb(t.filnavn));
        std::string foer = t.vern.empty() ? "" : lesAlt(path(t.vern));
        ASSERT_EQ(kjoer("j.job", "j.rep"), 0) << lesAlt(path("err.txt"));
        std::string r = lesAlt(path("j.rep"));
        EXPECT_NE(r.find(t.aarsak + " Elementet er ikke kj\xF8rt.\n"), std::string::npos) << r;
        if (!t.vern.empty()) {
            EXPECT_EQ(lesAlt(path(t.vern)), foer);
        }
    }
    // Through a symbolic link the seed is the same file.
    fs::create_symlink(path("seed.dgn"), path("dgn/lenke.dgn"));
    writeFile("j.job", importJobb("Filnavn: lenke.dgn a.zer\n"));
    ASSERT_EQ(kjoer("j.job", "j.rep"), 0);
    EXPECT_NE(lesAlt(path("j.rep")).find("er ogs\xE5 seedfilen."), std::string::npos) << lesAlt(path("j.rep"));
}

TEST_F(BatchJobbTest, AReportThatWouldReplaceTheJobOrCannotBeWrittenIsSaid)
{
    writeFile("j.job", importJobb("Filnavn: * a.zer\n"));
    std::string jobb = lesAlt(path("j.job"));
    EXPECT_NE(kjoer("j.job", "j.job"), 0);
    EXPECT_EQ(lesAlt(path("j.job")), jobb);
    EXPECT_NE(lesAlt(path("err.txt")).find("Rapporten " + path("j.job") + " kan ikke skrives"), std::string::npos)
        << lesAlt(path("err.txt"));
    EXPECT_FALSE(fs::exists(path("dgn/a.dgn"))) << "nothing is run without its report";

    // A report in a missing folder.
    EXPECT_NE(kjoer("j.job", "mangler/r.rep"), 0);
    EXPECT_NE(lesAlt(path("err.txt")).find("Rapporten " + path("mangler/r.rep") + " kan ikke skrives"),
              std::string::npos)
        << lesAlt(path("err.txt"));

    // A disk that fills while the report is written: the earlier report
    // stays, and the run says it has none.
    writeFile("r.rep", "report of an earlier run\n");
    std::string cmd = kommando("j.job", "r.rep");
    int rc = hosttest::inChildWithFileLimit(500, [&] { return WEXITSTATUS(std::system(cmd.c_str())); });
    EXPECT_NE(rc, 0);
    EXPECT_EQ(lesAlt(path("r.rep")), "report of an earlier run\n");
    EXPECT_NE(lesAlt(path("err.txt")).find("Rapporten " + path("r.rep") + " kan ikke skrives"), std::string::npos)
        << lesAlt(path("err.txt"));
}

TEST_F(BatchJobbTest, AKilledRunLeavesItsReportSoFarAndTheNextRunClearsIt)
{
    writeFile("j.job", importJobb("Filnavn: * a.zer\n"));
    std::string cmd = kommando("j.job", "r.rep");
    // The design outgrows the limit: the run dies in its first item.
    hosttest::inChildWithFileLimit(64 * 1024, [&] { return WEXITSTATUS(std::system(cmd.c_str())); }, true);
    std::string rester = hosttest::filesBeginningWith(dir_, "r.rep.~");
    ASSERT_FALSE(rester.empty()) << "no report so far";
    std::string delvis = lesAlt(path(rester.substr(0, rester.find(' '))));
    EXPECT_NE(delvis.find("ZERA-Import : " + path("zer") + "/a.zer"), std::string::npos) << delvis;
    EXPECT_FALSE(fs::exists(path("r.rep")));

    ASSERT_EQ(kjoer("j.job", "r.rep"), 0) << lesAlt(path("err.txt"));
    EXPECT_NE(lesAlt(path("r.rep")).find("\n1 ZERA-filer er importert til MicroStation.\n"), std::string::npos)
        << lesAlt(path("r.rep"));
    EXPECT_EQ(hosttest::filesBeginningWith(dir_, "r.rep.~"), "");
}

} // namespace

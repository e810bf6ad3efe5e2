// kartimport run as a user runs it: what it says on the terminal.
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "engine_testing.h"

namespace {

using zeratest::readFile;

struct Utfall {
    int status;
    std::string out, err;
};

class KartimportTest : public zeratest::EngineTest {
  protected:
    Utfall kjor(const std::string &zera)
    {
        std::string cmd = "'" KARTIMPORT_PROGRAM "' '" + zera + "' '" ZERA_SOURCE_DIR "/engine/testdata/grunn.tem' '" +
                          path("import.log") + "' '" + path("import.xml") + "' >'" + path("out.txt") + "' 2>'" +
                          path("err.txt") + "'";
        int raw = std::system(("env -u MDLHOST_ECHO " + cmd).c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(path("out.txt")), readFile(path("err.txt"))};
    }
    static bool har(const std::string &tekst, const std::string &del) { return tekst.find(del) != std::string::npos; }
};

const std::string kHode = ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 6600000 500000\n"
                          "...ENHET 0.01\n..OMR\xC5" "DE\n...MIN-N\xD8 6600000 500000\n...MAX-N\xD8 6601000 501000\n"
                          "..ZERA-VERSJON 4.0\n..ZERA-NIV\xC5 4\n..DATO 20240315\n..KVALITET 82 100 3\n";

// The message texts are ISO 8859-1; the terminal gets them as UTF-8.
TEST_F(KartimportTest, HeaderThatCannotBeReadIsNamedInUtf8)
{
    std::string hode = kHode;
    hode.erase(hode.find("...ORIGO-N"), std::string("...ORIGO-N\xD8 6600000 500000\n").size());
    Utfall u = kjor(writeFile("uten-origo.zer", hode + ".SLUTT\n"));
    EXPECT_EQ(u.status, 1);
    EXPECT_TRUE(har(u.err, "the header cannot be read (3) SG_HEAD 5: Mangler ...ORIGO-N\xC3\x98\n")) << u.err;
    EXPECT_FALSE(har(u.err, "\xD8")) << u.err;
}

TEST_F(KartimportTest, TextWindowReachesTheTerminalInUtf8)
{
    std::string zera = kHode + ".PUNKT 1:\n..PTEMA 2101\n..N\xD8\n1 1\n";
    for (int i = 0; i <= ZERA_MAX_DEFERRED; i++)
        zera += ".FLATE 10:\n..FTEMA 4001\n..REF :1\n..N\xD8\n1 1\n";
    Utfall u = kjor(writeFile("mange.zer", zera + ".SLUTT\n"));
    EXPECT_EQ(u.status, 0) << u.err;
    EXPECT_TRUE(har(u.err, "For mange ZERA-niv\xC3\xA5 4 elementer (.FLATE) i ZERA-fil:\n")) << u.err.substr(0, 2000);
    // The report is a file: it keeps its set.
    EXPECT_TRUE(har(readFile(path("import.log")), "ZERA2DGN 12: For mange grupper p\xE5 niv\xE5 4")) << readFile(path("import.log"));
}

} // namespace

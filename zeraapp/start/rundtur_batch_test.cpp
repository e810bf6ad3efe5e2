// The whole round trip through the batch road, as a user runs it: a ZERA
// file holding every kind of group is imported into a design file, the
// design exported to ZERA, and that file imported again.  Both ZERA files
// are re-read and compared group by group.
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::string lesFil(const std::string &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void skrivFil(const std::string &p, const std::string &t)
{
    std::ofstream(p, std::ios::binary) << t;
}

// One group of a ZERA file as the comparison sees it: coordinates in
// metres, references by what they point at.
struct Punkt {
    double n = 0, e = 0, h = 0;
    bool harHoyde = false;
    std::string kp; // the point's own "...KP" value
};

struct Gruppe {
    std::string art;
    long serie = 0;
    std::vector<std::string> linjer; // attribute lines in order, blanks folded
    std::vector<Punkt> punkter;
    std::vector<std::string> ref; // ref tokens as written
};

struct ZeraFil {
    std::string kvalitet; // the header's, which every element without its own has
    int koordsys = -1;
    double origoN = 0, origoE = 0, enhet = 0;
    std::vector<Gruppe> grupper;
};

std::string foldBlanke(const std::string &s)
{
    std::string ut;
    bool blank = false;
    bool iStreng = false;
    for (char c : s) {
        if (c == '"')
            iStreng = !iStreng;
        if (!iStreng && (c == ' ' || c == '\t')) {
            blank = true;
            continue;
        }
        if (blank && !ut.empty())
            ut += ' ';
        blank = false;
        ut += c;
    }
    return ut;
}

bool starterMed(const std::string &s, const char *p)
{
    return s.rfind(p, 0) == 0;
}

ZeraFil lesZera(const std::string &tekst)
{
    ZeraFil f;
    std::istringstream in(tekst);
    std::string l;
    Gruppe *g = nullptr;
    bool koordinater = false, medHoyde = false, iRef = false, iHode = false;
    while (std::getline(in, l)) {
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        if (l.empty() || l[0] == '!')
            continue;
        if (l[0] == '.' && (l.size() < 2 || l[1] != '.')) {
            koordinater = iRef = false;
            iHode = starterMed(l, ".HODE");
            if (iHode || starterMed(l, ".SLUTT")) {
                g = nullptr;
                continue;
            }
            f.grupper.emplace_back();
            g = &f.grupper.back();
            std::istringstream ord(l.substr(1));
            ord >> g->art;
            std::string s;
            ord >> s;
            g->serie = std::strtol(s.c_str(), nullptr, 10);
            continue;
        }
        if (iHode) {
            std::istringstream ord(l);
            std::string k;
            ord >> k;
            if (k == "...KOORDSYS")
                ord >> f.koordsys;
            else if (k == "...ORIGO-N\xD8")
                ord >> f.origoN >> f.origoE;
            else if (k == "...ENHET")
                ord >> f.enhet;
            else if (k == "..KVALITET")
                f.kvalitet = foldBlanke(l);
            continue;
        }
        if (g == nullptr)
            continue;
        if (starterMed(l, "..")) {
            std::string k = l.substr(0, l.find(' '));
            koordinater = iRef = false;
            if (k == "..N\xD8" || k == "..N\xD8H") {
                koordinater = true;
                medHoyde = k == "..N\xD8H";
                continue;
            }
            if (k == "..REF") {
                iRef = true;
                std::istringstream ord(l.substr(5));
                std::string t;
                while (ord >> t)
                    g->ref.push_back(t);
                continue;
            }
            g->linjer.push_back(foldBlanke(l));
            continue;
        }
        if (iRef) {
            std::istringstream ord(l);
            std::string t;
            while (ord >> t)
                g->ref.push_back(t);
            continue;
        }
        if (koordinater) {
            std::istringstream ord(l);
            Punkt p;
            double n = 0, e = 0, h = 0;
            ord >> n >> e;
            if (medHoyde) {
                ord >> h;
                p.harHoyde = true;
            }
            std::string t;
            while (ord >> t)
                if (t == "...KP")
                    ord >> p.kp;
            p.n = f.origoN + n * f.enhet;
            p.e = f.origoE + e * f.enhet;
            p.h = h * f.enhet;
            g->punkter.push_back(p);
        }
    }
    // What a reader makes of the groups: the header's quality where an
    // element has none, and a "..HØYDE" as the height of every point.
    for (Gruppe &gr : f.grupper) {
        bool kvalitet = false;
        for (auto it = gr.linjer.begin(); it != gr.linjer.end();) {
            kvalitet = kvalitet || starterMed(*it, "..KVALITET");
            if (starterMed(*it, "..H\xD8YDE ")) {
                double h = std::strtod(it->c_str() + 7, nullptr);
                for (Punkt &p : gr.punkter)
                    if (!p.harHoyde) {
                        p.h = h;
                        p.harHoyde = true;
                    }
                it = gr.linjer.erase(it);
                continue;
            }
            ++it;
        }
        if (!kvalitet && !f.kvalitet.empty())
            gr.linjer.push_back(f.kvalitet);
    }
    return f;
}

std::string punktTekst(const Punkt &p)
{
    char b[96];
    std::snprintf(b, sizeof b, "(%.3f %.3f%s)", p.n, p.e, p.harHoyde ? (" h" + std::to_string(p.h)).c_str() : "");
    return b;
}

// Two-point curves may come back as lines, a .BUEP as .BUE: both keep
// geometry and attributes.
std::string artKlasse(const Gruppe &g)
{
    if (g.art == "KURVE" || g.art == "LINJE")
        return "LINJE";
    if (g.art == "BUEP")
        return "BUE";
    return g.art;
}

// Radius in plan of an arc group: from its three points, or its line.
double radius(const Gruppe &g)
{
    if (g.art == "BUEP" && g.punkter.size() == 3) {
        const Punkt &a = g.punkter[0], &b = g.punkter[1], &c = g.punkter[2];
        double ab = std::hypot(a.n - b.n, a.e - b.e), bc = std::hypot(b.n - c.n, b.e - c.e),
               ca = std::hypot(c.n - a.n, c.e - a.e);
        double areal2 = std::fabs((b.n - a.n) * (c.e - a.e) - (c.n - a.n) * (b.e - a.e));
        return areal2 > 0 ? ab * bc * ca / (2 * areal2) : 0;
    }
    for (const std::string &l : g.linjer)
        if (starterMed(l, "..RADIUS "))
            return std::fabs(std::strtod(l.c_str() + 9, nullptr));
    return -1;
}

bool likPunkt(const Punkt &a, const Punkt &b, double tol)
{
    return std::fabs(a.n - b.n) <= tol && std::fabs(a.e - b.e) <= tol;
}

// What a reference token points at: its sign, whether it is an island, and
// the curve's first point.
std::string refNokkel(const ZeraFil &f, const std::string &t)
{
    bool oy = t.find('(') != std::string::npos;
    size_t k = t.find(':');
    long s = k == std::string::npos ? 0 : std::strtol(t.c_str() + k + 1, nullptr, 10);
    std::string ut = oy ? "island " : "";
    ut += s < 0 ? "-" : "+";
    for (const Gruppe &g : f.grupper)
        if (g.serie == std::labs(s) && !g.punkter.empty())
            return ut + punktTekst(g.punkter.front()) + punktTekst(g.punkter.back());
    return ut + "missing " + t;
}

// The attribute lines as blocks: a top-level line with its sub-lines.
// The keys the element record models come back in the writer's order and
// number format, so they are compared as a set; every
// other block keeps its place.  "..DATO 0" is what an element without a
// date gets; radius and large-arc flag belong to the arc's geometry.
std::vector<std::string> blokker(const Gruppe &g)
{
    static const char *const modellert[] = {"..OBJTYPE", "..PTEMA", "..LTEMA", "..FTEMA", "..TTEMA",
                                            "..DATO",    "..KVALITET", "..KOMM", "..HREF", "..STATUS",
                                            "..MEDIUM",  "..STRENG", "..DREI", "..DIM"};
    std::vector<std::string> modell, ovrige;
    std::vector<std::string> *siste = nullptr;
    for (const std::string &l : g.linjer) {
        if (starterMed(l, "...") && siste != nullptr && !siste->empty()) {
            siste->back() += " | " + l;
            continue;
        }
        std::string k = l.substr(0, l.find(' '));
        if (l == "..DATO 0" || k == "..RADIUS" || k == "..STORBUE") {
            siste = nullptr;
            continue;
        }
        std::string v = l;
        bool m = false;
        for (const char *n : modellert)
            m = m || k == n;
        siste = m ? &modell : &ovrige;
        siste->push_back(v);
    }
    std::sort(modell.begin(), modell.end());
    for (const std::string &o : ovrige)
        modell.push_back("in order: " + o);
    return modell;
}

// The differences between two groups, empty when they are the same.
std::vector<std::string> forskjeller(const ZeraFil &fa, const Gruppe &a, const ZeraFil &fb, const Gruppe &b,
                                     double tol)
{
    std::vector<std::string> d;
    std::string navn = "." + a.art + " " + std::to_string(a.serie) + ": ";
    std::vector<std::string> la = blokker(a), lb = blokker(b);
    if (la != lb) {
        std::string s = navn + "attribute lines differ:\n  first:";
        for (auto &l : la)
            s += "\n    " + l;
        s += "\n  second:";
        for (auto &l : lb)
            s += "\n    " + l;
        d.push_back(s);
    }
    bool bue = artKlasse(a) == "BUE";
    if (bue && a.art != b.art) {
        // Written back as the other arc form: ends and radius in plan.
        if (a.punkter.empty() || b.punkter.empty() || !likPunkt(a.punkter.front(), b.punkter.front(), tol) ||
            !likPunkt(a.punkter.back(), b.punkter.back(), tol))
            d.push_back(navn + "arc ends differ");
        if (std::fabs(radius(a) - radius(b)) > tol)
            d.push_back(navn + "radius " + std::to_string(radius(a)) + " came back as " + std::to_string(radius(b)));
    } else if (a.punkter.size() != b.punkter.size()) {
        d.push_back(navn + std::to_string(a.punkter.size()) + " points came back as " +
                    std::to_string(b.punkter.size()));
    } else {
        for (size_t i = 0; i < a.punkter.size(); ++i) {
            const Punkt &p = a.punkter[i], &q = b.punkter[i];
            if (!likPunkt(p, q, tol))
                d.push_back(navn + "point " + std::to_string(i) + " " + punktTekst(p) + " came back as " +
                            punktTekst(q));
            // A point written without its height beside points with one
            // reads as height 0, which is what it had.
            else if (p.harHoyde && std::fabs(p.h - (q.harHoyde ? q.h : 0.0)) > tol)
                d.push_back(navn + "height of point " + std::to_string(i) + " " + punktTekst(p) +
                            " came back as " + punktTekst(q));
            if (p.kp != q.kp)
                d.push_back(navn + "node code of point " + std::to_string(i) + " '" + p.kp + "' came back as '" +
                            q.kp + "'");
        }
    }
    std::vector<std::string> ra, rb;
    for (const std::string &t : a.ref)
        ra.push_back(refNokkel(fa, t));
    for (const std::string &t : b.ref)
        rb.push_back(refNokkel(fb, t));
    if (ra != rb) {
        std::string s = navn + "references differ:";
        for (auto &r : ra)
            s += "\n    first  " + r;
        for (auto &r : rb)
            s += "\n    second " + r;
        d.push_back(s);
    }
    return d;
}

// Each group of the first file with its counterpart in the second: the
// same kind starting at the same point, taken once.
std::vector<std::string> sammenlign(const ZeraFil &a, const ZeraFil &b)
{
    std::vector<std::string> d;
    if (a.koordsys != b.koordsys)
        d.push_back("KOORDSYS " + std::to_string(a.koordsys) + " came back as " + std::to_string(b.koordsys));
    if (a.enhet != b.enhet)
        d.push_back("ENHET " + std::to_string(a.enhet) + " came back as " + std::to_string(b.enhet));
    if (a.origoN != b.origoN || a.origoE != b.origoE)
        d.push_back("ORIGO-N\xD8 differs");
    double tol = std::max(a.enhet, b.enhet) * 1.0001;
    std::vector<bool> brukt(b.grupper.size(), false);
    for (const Gruppe &g : a.grupper) {
        int funnet = -1;
        for (size_t j = 0; j < b.grupper.size() && funnet < 0; ++j)
            if (!brukt[j] && artKlasse(b.grupper[j]) == artKlasse(g) && !g.punkter.empty() &&
                !b.grupper[j].punkter.empty() && likPunkt(g.punkter.front(), b.grupper[j].punkter.front(), tol))
                funnet = static_cast<int>(j);
        if (funnet < 0) {
            d.push_back("." + g.art + " " + std::to_string(g.serie) + " at " +
                        (g.punkter.empty() ? std::string("?") : punktTekst(g.punkter.front())) +
                        " did not come back");
            continue;
        }
        brukt[funnet] = true;
        for (std::string &s : forskjeller(a, g, b, b.grupper[funnet], tol))
            d.push_back(s);
    }
    for (size_t j = 0; j < b.grupper.size(); ++j)
        if (!brukt[j])
            d.push_back("." + b.grupper[j].art + " " + std::to_string(b.grupper[j].serie) + " at " +
                        (b.grupper[j].punkter.empty() ? std::string("?")
                                                      : punktTekst(b.grupper[j].punkter.front())) +
                        " was not in the first file");
    return d;
}

class RundturBatchTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        char mal[] = "/tmp/rundturXXXXXX";
        ASSERT_NE(mkdtemp(mal), nullptr);
        dir_ = mal;
        for (const char *d : {"zer", "dgn1", "zer2", "dgn2", "logs", "tmp"})
            fs::create_directories(sti(d));
        fs::copy_file(ZERA_SOURCE_DIR "/zeraapp/testdata/rundtur/alt.zer", sti("zer/alt.zer"));
        fs::copy_file(ZERA_SOURCE_DIR "/zeraapp/testdata/rundtur/tema.tem", sti("tema.tem"));
        fs::copy_file(ZERA_SOURCE_DIR "/samples/seed3d.dgn", sti("seed.dgn"));
        fs::create_directories(sti("zvzera"));
        fs::copy_file(ZERA_SOURCE_DIR "/zeraapp/testdata/rundtur/zvzera.tag", sti("zvzera/zvzera.tag"));
        skrivFil(sti("host.cfg"), "MS_USERPREF = " + sti("user.upf") + "\nZV_DIR = " + dir_ +
                                      "/\nZVZERA_TEMP = " + sti("tmp") + "/\n");
    }
    void TearDown() override
    {
        if (!HasFailure())
            fs::remove_all(dir_);
    }
    std::string sti(const std::string &n) const { return dir_ + "/" + n; }
    // A job through a whole host process; its report.
    std::string kjor(const std::string &navn, const std::string &jobb)
    {
        skrivFil(sti(navn + ".job"), jobb);
        std::string cmd = "env -u MS_MDL -u MDLHOST_ECHO '" MDLHOST_PROGRAM "' -q -c '" + sti("host.cfg") +
                          "' -k 'mdl load zvzera MS_INITAPPS -i" + sti(navn + ".job") + " -i" + sti(navn + ".rep") +
                          "' >'" + sti(navn + ".out") + "' 2>'" + sti(navn + ".err") + "'";
        int raw = std::system(cmd.c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 0) << lesFil(sti(navn + ".err"));
        return lesFil(sti(navn + ".rep"));
    }
    std::string importJobb(const std::string &zeraDir, const std::string &dgnDir, const std::string &logg)
    {
        // Level 4, attributes as tags, unknown themes, no rounding, all
        // heights, points as zero-length lines.
        return "Type: IMPORT\nTemafil: " + sti("tema.tem") + "\nSeedfil: " + sti("seed.dgn") + "\nLoggfil: " +
               sti("logs/" + logg) + "\nBrytere-import: 1 1 1 0 0 2\nZERA-dir: " + sti(zeraDir) +
               "\nDGN-dir: " + sti(dgnDir) + "\nFilnavn: * alt.zer\n";
    }
    std::string dir_;
};

TEST_F(RundturBatchTest, EveryGroupComesBackAsItWasWritten)
{
    std::string inn = kjor("inn", importJobb("zer", "dgn1", "inn.log"));
    ASSERT_NE(inn.find("\n1 ZERA-filer er importert til MicroStation.\n"), std::string::npos) << inn;
    skrivFil(sti("hode.hod"), ".HODE\n..TEGNSETT ISO8859-10\n..TRANSPAR\n...KOORDSYS 22\n"
                              "...ORIGO-N\xD8 6610000 510000\n...ENHET 0.01\n..ZERA-VERSJON 4.0\n"
                              "..ZERA-NIV\xC5 4\n..DATO 20241201\n.SLUTT\n");
    std::string ut = kjor("ut", "Type: EKSPORT\nTemafil: " + sti("tema.tem") + "\nHodefil: " + sti("hode.hod") +
                                    "\nLoggfil: " + sti("logs/ut.log") +
                                    "\nBrytere-eksport: 0 0 0 0 0 0 0\nDGN-dir: " + sti("dgn1") +
                                    "\nZERA-dir: " + sti("zer2") + "\nFilnavn: alt.dgn *\n");
    ASSERT_NE(ut.find("\n1 ZERA-filer er eksportert fra MicroStation.\n"), std::string::npos) << ut;
    std::string forste = lesFil(sti("zer/alt.zer")), andre = lesFil(sti("zer2/alt.zer"));
    ASSERT_FALSE(andre.empty()) << ut;
    ZeraFil a = lesZera(forste), b = lesZera(andre);
    // Every group written, none left out, and the report says so.
    std::string telling = "\n" + std::to_string(a.grupper.size()) + " ZERA-elementer er skrevet, 0 er utelatt.\n";
    EXPECT_NE(ut.find(telling), std::string::npos) << ut;
    std::vector<std::string> d = sammenlign(a, b);
    std::string alle;
    for (const std::string &s : d)
        alle += s + "\n";
    EXPECT_TRUE(d.empty()) << alle << "\n--- the export:\n" << andre << "\n--- its report:\n" << ut;
    // The exported file imports again, whole.
    std::string igjen = kjor("igjen", importJobb("zer2", "dgn2", "igjen.log"));
    EXPECT_NE(igjen.find("\n1 ZERA-filer er importert til MicroStation.\n"), std::string::npos) << igjen;
}

} // namespace

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "engine_testing.h"

namespace {

struct Gruppe {
    int result;
    std::string text;
    int32_t startLine;
    long groupPos;
    long nextPos;
};

std::string crlf(const std::string &lf)
{
    std::string out;
    for (char c : lf) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

class ZerbuffTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        bmwinit();
    }
    void TearDown() override
    {
        if (fp_ != nullptr)
            fclose(fp_);
        EngineTest::TearDown();
    }

    void open(const std::string &bytes, size_t capacity = ZERA_GROUP_BUFFER)
    {
        std::string p = writeFile("t.zer", bytes);
        fp_ = fopen(p.c_str(), "rb");
        ASSERT_NE(fp_, nullptr);
        buffer_.assign(capacity, 'x');
        lines_ = 0;
    }

    Gruppe next(int16_t comments = 0)
    {
        Gruppe g{};
        long next = -1;
        g.result = zerget_buff(buffer_.data(), buffer_.size(), &lines_, &g.startLine, &next, &g.groupPos, fp_,
                               &comments);
        g.nextPos = next;
        g.text = buffer_.data();
        EXPECT_EQ(ftell(fp_), next) << "the file must stand at the next group";
        return g;
    }

    // All groups of a file, up to the end-of-file result.
    std::vector<Gruppe> all(const std::string &bytes, int16_t comments = 0, size_t capacity = ZERA_GROUP_BUFFER)
    {
        open(bytes, capacity);
        std::vector<Gruppe> out;
        for (int guard = 0; guard < 100; guard++) {
            out.push_back(next(comments));
            if (out.back().result == 1)
                break;
        }
        fclose(fp_);
        fp_ = nullptr;
        return out;
    }

    // The text of the one group of a file made of ".PUNKT 1:", the given
    // lines and ".SLUTT".
    std::string group(const std::string &lines, int16_t comments)
    {
        auto g = all(".PUNKT 1:\n" + lines + ".SLUTT\n", comments);
        EXPECT_EQ(g.size(), 2u);
        EXPECT_EQ(g[0].result, 0);
        EXPECT_EQ(g[1].text, ".SLUTT\n");
        return g[0].text;
    }

    // The file lf and its copy with other line ends give the same groups
    // from the same lines.
    void sammeGrupper(const std::string &lf, const std::string &annen, int16_t comments)
    {
        auto a = all(lf, comments);
        auto b = all(annen, comments);
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); i++) {
            EXPECT_EQ(b[i].result, a[i].result) << i;
            EXPECT_EQ(b[i].text, a[i].text) << i;
            EXPECT_EQ(b[i].startLine, a[i].startLine) << i;
        }
    }

    FILE *fp_ = nullptr;
    std::vector<char> buffer_;
    int32_t lines_ = 0;
};

const std::string kFil = ".HODE\n"
                         "..TEGNSETT ISO8859-10\n"
                         "..ENHET 1\n"
                         ".PUNKT 12:\n"
                         "..OBJTYPE Fastmerke\n"
                         "..N\xD8\n"
                         "100 200\n"
                         ".KURVE 13:\n"
                         "..N\xD8\n"
                         "1 2\n"
                         "3 4\n"
                         ".SLUTT\n";

TEST_F(ZerbuffTest, SplitsAFileIntoGroupsWithLinesAndPositions)
{
    open(kFil);
    std::vector<Gruppe> g;
    for (int i = 0; i < 5; i++)
        g.push_back(next());
    EXPECT_EQ(g[0].result, 0);
    EXPECT_EQ(g[0].text, ".HODE\n..TEGNSETT ISO8859-10\n..ENHET 1\n");
    EXPECT_EQ(g[0].startLine, 1);
    EXPECT_EQ(g[0].groupPos, 0);

    long punkt = (long)kFil.find(".PUNKT");
    long kurve = (long)kFil.find(".KURVE");
    long slutt = (long)kFil.find(".SLUTT");
    EXPECT_EQ(g[1].result, 0);
    EXPECT_EQ(g[1].text, ".PUNKT 12:\n..OBJTYPE Fastmerke\n..N\xD8\n100 200\n");
    EXPECT_EQ(g[1].startLine, 4);
    EXPECT_EQ(g[1].groupPos, punkt);
    EXPECT_EQ(g[1].nextPos, kurve);

    EXPECT_EQ(g[2].startLine, 8);
    EXPECT_EQ(g[2].groupPos, kurve);
    EXPECT_EQ(g[2].nextPos, slutt);

    EXPECT_EQ(g[3].result, 1);
    EXPECT_EQ(g[3].text, ".SLUTT\n");
    EXPECT_EQ(g[3].startLine, 12);
    EXPECT_EQ(g[3].nextPos, (long)kFil.size());

    EXPECT_EQ(g[4].result, 1);
    EXPECT_EQ(g[4].text, "");
    EXPECT_EQ(lines_, 12);
    EXPECT_EQ(Bmw.msgCount, 0);
}

TEST_F(ZerbuffTest, CrlfFileGivesTheSameGroupsAsItsLfCopy)
{
    for (int16_t comments : {0, 1})
        sammeGrupper(kFil, crlf(kFil), comments);
}

// Lines of every length from 0 to 80, so that lines run over and end at
// every place of the blocks of lines taken at once.
TEST_F(ZerbuffTest, CrlfLinesOfEveryLengthGiveTheLfCopysGroups)
{
    std::string fil = ".HODE\n..TEGNSETT ISO8859-10\n";
    for (int gruppe = 1; gruppe <= 40; gruppe++) {
        fil += ".KURVE " + std::to_string(gruppe) + ":\n..LTEMA 1000\n";
        for (int n = 0; n <= 80; n += 1 + gruppe % 7)
            fil += "..X" + std::string((size_t)n, (char)('a' + n % 26)) + "\n";
    }
    fil += ".SLUTT\n";
    for (int16_t comments : {0, 1, 2})
        sammeGrupper(fil, crlf(fil), comments);
}

// A file whose lines end in a CR alone, or in CR CR LF, is read as its LF
// copy: the same groups from the same lines.
TEST_F(ZerbuffTest, LoneCrFileGivesTheSameGroupsAsItsLfCopy)
{
    for (const char *slutt : {"\r", "\r\r\n"}) {
        std::string fil;
        for (char c : kFil)
            fil += c == '\n' ? std::string(slutt) : std::string(1, c);
        for (int16_t comments : {0, 1, 2}) {
            SCOPED_TRACE(std::string(slutt == std::string("\r") ? "CR" : "CR CR LF") + " comments " +
                         std::to_string(comments));
            sammeGrupper(kFil, fil, comments);
        }
    }
}

// A byte-order mark where the file starts is no part of its first line; one
// further on is.
TEST_F(ZerbuffTest, ByteOrderMarkWhereTheFileStartsIsDropped)
{
    auto g = all("\xEF\xBB\xBF.HODE\n..A\n.PUNKT 1:\n\xEF\xBB\xBF..B\n");
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].result, 0);
    EXPECT_EQ(g[0].text, ".HODE\n..A\n");
    EXPECT_EQ(g[0].startLine, 1);
    EXPECT_EQ(g[0].groupPos, 3);
    EXPECT_EQ(g[1].text, ".PUNKT 1:\n\xEF\xBB\xBF..B\n");
    EXPECT_EQ(g[1].startLine, 3);

    auto bare = all("\xEF\xBB\xBF");
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_EQ(bare[0].result, 1);
    EXPECT_EQ(bare[0].text, "");
}

TEST_F(ZerbuffTest, LinesBeforeTheFirstGroupAreSkippedButCounted)
{
    std::string junk(700, 'z'); // a long line counts once
    auto g = all("\xEF\xBB\xBF\n\n" + junk + "\n..TEGNSETT X\n.HODE\n..A\n");
    ASSERT_EQ(g.size(), 1u);
    EXPECT_EQ(g[0].result, 1);
    EXPECT_EQ(g[0].text, ".HODE\n..A\n");
    EXPECT_EQ(g[0].startLine, 5);

    auto none = all("\n\n");
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].result, 1);
    EXPECT_EQ(none[0].text, "");
}

TEST_F(ZerbuffTest, LongLinesAreJoinedFromPiecesAndCountedOnce)
{
    // Lengths around the piece size, with the line end split from its line.
    for (size_t len : {510u, 511u, 512u, 600u, 1022u, 1500u}) {
        std::string lang(len, 'a');
        lang[0] = '.'; // a piece starting with '.' inside a line is no group line
        lang[1] = '.';
        for (size_t i = 511; i < len; i += 511)
            lang[i] = '.';
        auto g = all(".PUNKT 1:\n" + lang + "\n1 2\n.SLUTT\n");
        ASSERT_EQ(g.size(), 2u) << len;
        EXPECT_EQ(g[0].text, ".PUNKT 1:\n" + lang + "\n1 2\n") << len;
        EXPECT_EQ(g[1].startLine, 4) << len;
    }
}

TEST_F(ZerbuffTest, CommentSwitchCutsAtTheFirstUnquotedBang)
{
    std::string lang(600, 'b');
    lang[99] = '!';
    std::string sent(600, 'c');
    sent[520] = '!';
    std::string crSkjot(510, 'd'); // its CR ends the first piece, its LF starts the next
    const struct {
        const char *name;
        std::string lines;
        int16_t comments;
        std::string expected;
    } cases[] = {
        {"trailing comment", "..OBJTYPE Veg ! merknad\n", 1, "..OBJTYPE Veg \n"},
        {"whole-line comment vanishes", "! merknad\n1 2\n", 1, "1 2\n"},
        {"indented comment keeps its blanks", "  ! merknad\n", 1, "  \n"},
        {"bang inside quotes is text", "..PRODUSENT \"Kart og Data!\" ! merknad\n", 1,
         "..PRODUSENT \"Kart og Data!\" \n"},
        {"bang after an unclosed quote", "..STRENG \"Hei! der\n", 1, "..STRENG \"Hei! der\n"},
        {"quotes are per line", "..A \"x\n..B y ! z\n", 1, "..A \"x\n..B y \n"},
        {"tail pieces of a cut line are dropped", lang + "\n", 1, lang.substr(0, 99) + "\n"},
        {"bang in the second piece", sent + "\n", 1, sent.substr(0, 520) + "\n"},
        {"comment switch off keeps everything", "..OBJTYPE Veg ! merknad\n", 0, "..OBJTYPE Veg ! merknad\n"},
        {"bang between apostrophes is text", "..STRENG 'Nei! \"Ja\"' ! merknad\n", 1, "..STRENG 'Nei! \"Ja\"' \n"},
        {"element groups drop comments", "! ..PTEMA 9999\n..PTEMA 1010 ! gammel\n", 2, "..PTEMA 1010 \n"},
        {"but keep the symbology keys", "! ..DST-COLOR 5\n! ..DST-LINE 3\n! ..DST-SYMBOL 7 ! x\n", 2,
         "! ..DST-COLOR 5\n! ..DST-LINE 3\n! ..DST-SYMBOL 7 \n"},
        {"a longer key is a comment", "! ..DST-COLORS 5\n1 2\n", 2, "1 2\n"},
        {"lone CR ends the line", "100\r200\n", 0, "100\n200\n"},
        {"CR CR LF is one line end", "100\r\r\n200\n", 0, "100\n200\n"},
        {"two lone CRs leave an empty line", "100\r\r200\n", 0, "100\n\n200\n"},
        {"CRLF split between pieces", crSkjot + "\r\n", 0, crSkjot + "\n"},
        {"CRLF split, comments on", crSkjot + "\r\n", 1, crSkjot + "\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(group(c.lines, c.comments), ".PUNKT 1:\n" + c.expected) << c.name;
}

// A NUL would end the group's text, or as a blank change its numbers: the
// group is refused, registered, and the reading goes on after it.
TEST_F(ZerbuffTest, NulByteRefusesItsGroupAndKeepsPositions)
{
    std::string fil = std::string(".PUNKT 1:\n..OBJTYPE V") + '\0' + "g\n" + '\0' + '\0' + "\n1 2\n.SLUTT\n";
    auto g = all(fil);
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].result, -2);
    EXPECT_EQ(g[0].text, "");
    EXPECT_EQ(g[0].nextPos, (long)fil.find(".SLUTT"));
    EXPECT_EQ(g[1].startLine, 5);
    ASSERT_EQ(Bmw.msgCount, 1);
    EXPECT_STREQ(Bmw.msg.rutnam[0], "SG_BUFF");
    EXPECT_EQ(Bmw.msg.number[0], 3);
    EXPECT_EQ(Bmw.msg.line[0], 1);
    EXPECT_EQ(Bmw.lastFatal, 0);
}

TEST_F(ZerbuffTest, GroupTooLargeIsRefusedAndTheNextGroupIsRead)
{
    std::string stor = ".PUNKT 1:\n";
    for (int i = 0; i < 10; i++)
        stor += "1234567890 123456789\n";
    std::string fil = ".HODE\n" + stor + ".PUNKT 2:\n..N\xD8\n1 2\n" + stor + ".SLUTT\n";
    auto g = all(fil, 1, 64);
    ASSERT_EQ(g.size(), 5u);
    EXPECT_EQ(g[0].result, 0);
    EXPECT_EQ(g[1].result, -2);
    EXPECT_EQ(g[1].text, "");
    EXPECT_EQ(g[1].nextPos, (long)fil.find(".PUNKT 2:"));
    EXPECT_EQ(g[2].result, 0);
    EXPECT_EQ(g[2].text, ".PUNKT 2:\n..N\xD8\n1 2\n");
    EXPECT_EQ(g[2].startLine, 13);
    EXPECT_EQ(g[3].result, -2);
    EXPECT_EQ(g[4].result, 1);
    EXPECT_EQ(g[4].text, ".SLUTT\n");
    EXPECT_EQ(g[4].startLine, 27);

    ASSERT_EQ(Bmw.msgCount, 2);
    EXPECT_STREQ(Bmw.msg.rutnam[0], "SG_BUFF");
    EXPECT_EQ(Bmw.msg.number[0], 2);
    EXPECT_EQ(Bmw.msg.type[0], BMW_ERROR);
    EXPECT_EQ(Bmw.msg.line[0], 2);
    EXPECT_EQ(Bmw.msg.line[1], 16);
    EXPECT_EQ(Bmw.fatalCount, 0);
}

TEST_F(ZerbuffTest, RefusedLastGroupEndsTheFile)
{
    std::string fil = ".HODE\n.PUNKT 1:\n" + std::string(3000, 'x') + "\n1 2\n";
    auto g = all(fil, 0, 1000);
    ASSERT_EQ(g.size(), 3u);
    EXPECT_EQ(g[1].result, -2);
    EXPECT_EQ(g[1].nextPos, (long)fil.size());
    EXPECT_EQ(g[2].result, 1);
    EXPECT_EQ(g[2].text, "");
}

TEST_F(ZerbuffTest, GroupBufferHoldsOneCharacterLessThanItsSize)
{
    // Group text of exactly n characters: a group line and lines of 99
    // characters plus newline, topped up by a last line.
    auto lag = [](size_t n) {
        std::string g = ".PUNKT 1:\n";
        while (n - g.size() > 200)
            g += std::string(99, '7') + "\n";
        g += std::string(n - g.size() - 1, '8') + "\n";
        return g;
    };
    std::string passer = lag(ZERA_GROUP_BUFFER - 1);
    auto g = all(passer + ".SLUTT\n");
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].result, 0);
    EXPECT_EQ(g[0].text.size(), (size_t)ZERA_GROUP_BUFFER - 1);

    g = all(lag(ZERA_GROUP_BUFFER) + ".SLUTT\n");
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].result, -2);
    EXPECT_EQ(g[1].text, ".SLUTT\n");
}

TEST_F(ZerbuffTest, LastGroupWithoutSluttIsReturned)
{
    const std::string fil = ".HODE\n.PUNKT 2:\n..N\xD8\n1 2";
    auto g = all(fil);
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[1].result, 1);
    EXPECT_EQ(g[1].text, ".PUNKT 2:\n..N\xD8\n1 2");
    EXPECT_EQ(g[1].nextPos, (long)fil.size());
    // With the comment switch every kept line ends in a newline.
    g = all(fil, 1);
    EXPECT_EQ(g[1].text, ".PUNKT 2:\n..N\xD8\n1 2\n");
}

TEST_F(ZerbuffTest, ReadsAgainFromAnEarlierGroupPosition)
{
    open(kFil);
    Gruppe hode = next();
    Gruppe punkt = next();
    next();
    ASSERT_EQ(fseek(fp_, punkt.groupPos, SEEK_SET), 0);
    Gruppe igjen = next();
    EXPECT_EQ(igjen.text, punkt.text);
    EXPECT_EQ(igjen.nextPos, punkt.nextPos);
    EXPECT_EQ(hode.result, 0);
}

TEST_F(ZerbuffTest, LineCounterStopsAtItsLargestValue)
{
    open(kFil);
    lines_ = INT32_MAX - 1;
    Gruppe g = next();
    EXPECT_EQ(g.result, 0);
    EXPECT_EQ(g.startLine, INT32_MAX);
    EXPECT_EQ(lines_, INT32_MAX);
}

// The driver's way of reading: one Gruppekilde over the whole file.
Gruppekilde kilde;

std::vector<Gruppe> alle_fra_kilde(FILE *fp, int16_t comments, bool kart = false)
{
    if (kart)
        gruppekilde_apne(&kilde, fp);
    else
        gruppekilde_start(&kilde, fp, 0);
    static std::vector<char> buffer(ZERA_GROUP_BUFFER);
    int32_t lines = 0;
    std::vector<Gruppe> out;
    for (int guard = 0; guard < 100000; guard++) {
        Gruppe g{};
        long next = -1;
        int16_t c = comments;
        g.result = zerget_gruppe(&kilde, buffer.data(), buffer.size(), &lines, &g.startLine, &next, &g.groupPos, &c);
        g.nextPos = next;
        g.text = buffer.data();
        out.push_back(g);
        if (g.result == 1)
            break;
    }
    if (!kart)
        gruppekilde_lukk(&kilde);
    return out;
}

// Where the file's block ends must not show: the block boundary is moved
// byte by byte through lines with CR LF, a NUL, quotes and comments.  The
// long first line also arrives in pieces.
TEST_F(ZerbuffTest, GroupsAreTheSameWhereverTheBlockEnds)
{
    const std::string vanskelig = std::string(".PUNKT 2:\n..A x\r\n..B \"y!z\" ! k\r\n1") + '\0' +
                                  " 2\n! c\n.KURVE 3:\n..N\xD8\r\n1 2\r\n..C \"" + std::string(20, 'q') +
                                  "\" ! ..DST-COLOR 5\n.SLUTT";
    for (int16_t comments : {0, 1, 2}) {
        SCOPED_TRACE(comments);
        std::vector<Gruppe> forventet;
        for (size_t fyll = 0; fyll < 2 * vanskelig.size() + 40; fyll++) {
            size_t lengde = ZERA_READ_BLOCK - vanskelig.size() - 20 + fyll;
            std::string fil = ".HODE\n.PUNKT 1:\n" + std::string(lengde, 'a') + "\n" + vanskelig;
            std::string p = writeFile("b.zer", fil);
            FILE *fp = fopen(p.c_str(), "rb");
            ASSERT_NE(fp, nullptr);
            auto g = alle_fra_kilde(fp, comments);
            fclose(fp);
            ASSERT_EQ(g.size(), 5u) << fyll;
            EXPECT_EQ(g[1].text, ".PUNKT 1:\n" + std::string(lengde, 'a') + "\n") << fyll;
            long skift = (long)lengde;
            for (auto &x : g) {
                x.groupPos -= skift;
                x.nextPos -= skift;
            }
            g.erase(g.begin(), g.begin() + 2);
            if (forventet.empty()) {
                forventet = g;
                continue;
            }
            for (size_t i = 0; i < g.size(); i++) {
                EXPECT_EQ(g[i].result, forventet[i].result) << fyll << " " << i;
                EXPECT_EQ(g[i].text, forventet[i].text) << fyll << " " << i;
                EXPECT_EQ(g[i].startLine, forventet[i].startLine) << fyll << " " << i;
                EXPECT_EQ(g[i].groupPos, forventet[i].groupPos) << fyll << " " << i;
                EXPECT_EQ(g[i].nextPos, forventet[i].nextPos) << fyll << " " << i;
            }
        }
        ASSERT_EQ(forventet.size(), 3u);
        EXPECT_EQ(forventet[0].startLine, 4);
        EXPECT_EQ(forventet[1].startLine, 9);
        EXPECT_EQ(forventet[2].text, comments == 0 ? ".SLUTT" : ".SLUTT\n");
    }
}

// A file of several mapped windows reads as one read in blocks, wherever
// a window ends (the groups grow by a byte each, and one line outgrows a
// window), and groups jumped back to read the same again.
TEST_F(ZerbuffTest, AMappedFileReadsAsOneReadInBlocks)
{
    std::string fil = ".HODE\r\n";
    for (int i = 0; fil.size() < 3 * ZERA_MAP_WINDOW + 5000; i++) {
        fil += ".KURVE " + std::to_string(i) + ":\r\n..A x\r\n..B \"y!z\" ! k\r\n1" + '\0' + " 2\n! c\n..N\xD8\r\r\n";
        fil += "..C \"" + std::string((size_t)(i % 257), 'q') + "\" ! ..DST-COLOR 5\r1 2\r\n";
        if (i == 3000)
            fil += "..L " + std::string(ZERA_MAP_WINDOW + 300, 'l') + " ! m\n";
    }
    fil += ".SLUTT\n";
    std::string p = writeFile("m.zer", fil);
    for (int16_t comments : {0, 1, 2}) {
        SCOPED_TRACE(comments);
        FILE *fp = fopen(p.c_str(), "rb");
        ASSERT_NE(fp, nullptr);
        auto blokk = alle_fra_kilde(fp, comments);
        auto kart = alle_fra_kilde(fp, comments, true);
        ASSERT_EQ(kart.size(), blokk.size());
        ASSERT_GT(blokk.size(), 3000u);
        for (size_t i = 0; i < blokk.size(); i++) {
            EXPECT_EQ(kart[i].result, blokk[i].result) << i;
            EXPECT_EQ(kart[i].text, blokk[i].text) << i;
            EXPECT_EQ(kart[i].startLine, blokk[i].startLine) << i;
            EXPECT_EQ(kart[i].groupPos, blokk[i].groupPos) << i;
            EXPECT_EQ(kart[i].nextPos, blokk[i].nextPos) << i;
        }
        static std::vector<char> buffer(ZERA_GROUP_BUFFER);
        for (size_t i = blokk.size() - 1; i > 0; i -= 997) {
            ASSERT_TRUE(gruppekilde_sett(&kilde, blokk[i].groupPos)) << i;
            int32_t lines = blokk[i].startLine - 1, start = 0;
            long next = 0, pos = 0;
            int16_t c = comments;
            zerget_gruppe(&kilde, buffer.data(), buffer.size(), &lines, &start, &next, &pos, &c);
            EXPECT_EQ(std::string(buffer.data()), blokk[i].text) << i;
            EXPECT_EQ(next, blokk[i].nextPos) << i;
            if (i < 997)
                break;
        }
        gruppekilde_lukk(&kilde);
        fclose(fp);
    }
}

// A line longer than half a block is given in pieces: quotes and a
// comment that straddle a piece end are read as on a short line.
TEST_F(ZerbuffTest, CommentsAndQuotesAcrossThePiecesOfALongLine)
{
    for (size_t lengde = ZERA_READ_BLOCK - 60; lengde < ZERA_READ_BLOCK + 10; lengde++) {
        std::string linje = "..X " + std::string(lengde, 'a') + " \"b!c\" d ! e f";
        std::string fil = ".PUNKT 1:\n" + linje + "\r\n1 2\n.SLUTT\n";
        std::string p = writeFile("l.zer", fil);
        FILE *fp = fopen(p.c_str(), "rb");
        ASSERT_NE(fp, nullptr);
        auto g = alle_fra_kilde(fp, 1);
        fclose(fp);
        ASSERT_EQ(g.size(), 2u) << lengde;
        EXPECT_EQ(g[0].text, ".PUNKT 1:\n" + linje.substr(0, linje.find(" e f") - 1) + "\n1 2\n") << lengde;
        EXPECT_EQ(g[1].startLine, 4) << lengde;
    }
}

class ZergetStrTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        bmwinit();
    }
};

TEST_F(ZergetStrTest, ValuesOfKeyLines)
{
    std::string q79 = "..KARTID \"" + std::string(79, 'q') + "\"";
    std::string q80 = "..KARTID \"" + std::string(80, 'q') + "\"";
    std::string u79 = "..KARTID " + std::string(79, 'u');
    std::string u300 = "..KARTID " + std::string(300, 'u') + " x";
    const struct {
        const char *name;
        std::string line;
        int16_t set;
        int result;
        std::string value;
        int failure; // SG_STR number registered, 0 none
    } cases[] = {
        {"quoted with blank", "..KARTID \"Oslo sentrum\"", 1, 0, "Oslo sentrum", 0},
        {"unquoted stops at blank", "..KARTID Oslo sentrum", 1, 0, "Oslo", 0},
        {"open quote runs to line end", "..KARTID \"Oslo\r\n..EIER x", 1, 0, "Oslo", 0},
        {"quoted, CRLF", "..KARTID \"Oslo sentrum\"\r\n", 1, 0, "Oslo sentrum", 0},
        {"unquoted, CRLF", "..KARTID Oslo\r\n", 1, 0, "Oslo", 0},
        {"apostrophes", "..KARTID 'Per Hansen' x", 1, 0, "Per Hansen", 0},
        {"empty quotes", "..STRENG \"\"", 1, 0, "", 0},
        {"tab separates", "..KARTID\tOslo", 1, 0, "Oslo", 0},
        {"79 quoted", q79, 1, 0, std::string(79, 'q'), 0},
        {"80 quoted", q80, 1, -1, "", 3},
        {"79 unquoted", u79, 1, 0, std::string(79, 'u'), 0},
        {"300 unquoted", u300, 1, -1, "", 3},
        {"no value", "..KARTID", 1, -1, "", 2},
        {"value on the next line is not taken", "..KARTID \n\"Oslo\"", 1, -1, "", 2},
        {"7-bit set", "..KARTID \"[ble |l\"", 2, 0, "\xC6" "ble \xF8l", 0},
        {"DOS set", "..KARTID \x92\x62le", 3, 0, "\xC6" "ble", 0},
        {"ISO set keeps brackets", "..KARTID a[b]", 1, 0, "a[b]", 0},
        {"unknown set", "..KARTID Oslo", 7, -1, "", 4},
    };
    for (const auto &c : cases) {
        bmwinit();
        char value[ZERA_STR_LEN];
        memset(value, 'z', sizeof value);
        int16_t set = c.set;
        EXPECT_EQ(zerget_str(c.line.c_str(), value, &set), c.result) << c.name;
        EXPECT_EQ(std::string(value), c.value) << c.name;
        if (c.failure == 0) {
            EXPECT_EQ(Bmw.msgCount, 0) << c.name;
        } else {
            ASSERT_EQ(Bmw.msgCount, 1) << c.name;
            EXPECT_STREQ(Bmw.msg.rutnam[0], "SG_STR") << c.name;
            EXPECT_EQ(Bmw.msg.number[0], c.failure) << c.name;
            EXPECT_EQ(Bmw.msg.type[0], BMW_ERROR) << c.name;
            EXPECT_EQ(Bmw.msg.line[0], 0) << c.name;
        }
    }
}

TEST_F(ZergetStrTest, NoLineIsFailureOne)
{
    char value[ZERA_STR_LEN] = "old";
    int16_t set = 1;
    EXPECT_EQ(zerget_str(nullptr, value, &set), -1);
    EXPECT_STREQ(value, "");
    ASSERT_EQ(Bmw.msgCount, 1);
    EXPECT_EQ(Bmw.msg.number[0], 1);
    EXPECT_EQ(Bmw.lastError, 1);
}

} // namespace

// A file cut short while it is read in windows: the reader sees its new
// end, where a mapped window would have killed the process.
TEST(ZerbuffKilde, AFileCutShortWhileReadEndsWithoutACrash)
{
    char navn[] = "/tmp/zerbuff-kort-XXXXXX";
    int fd = mkstemp(navn);
    ASSERT_GE(fd, 0);
    std::string gruppe = ".PUNKT 1:\n..NØH\n" + std::string(2000, '1') + "\n";
    std::string tekst = ".HODE\n";
    while (tekst.size() < 4 * ZERA_MAP_WINDOW)
        tekst += gruppe;
    tekst += ".SLUTT\n";
    ASSERT_EQ(write(fd, tekst.data(), tekst.size()), static_cast<ssize_t>(tekst.size()));
    FILE *fp = fdopen(fd, "rb");
    ASSERT_NE(fp, nullptr);
    Gruppekilde k;
    gruppekilde_apne(&k, fp);
    std::vector<char> buffer(ZERA_GROUP_BUFFER);
    int32_t linjer = 0, start = 0;
    long neste = 0, pos = 0;
    int16_t kommentar = 1;
    int antall = 0, rc = 0;
    for (; antall < 100000; ++antall) {
        if (antall == 10) {
            ASSERT_EQ(ftruncate(fd, static_cast<off_t>(ZERA_MAP_WINDOW + 12345)), 0);
        }
        rc = zerget_gruppe(&k, buffer.data(), buffer.size(), &linjer, &start, &neste, &pos, &kommentar);
        if (rc == 1)
            break;
    }
    gruppekilde_lukk(&k);
    fclose(fp);
    unlink(navn);
    EXPECT_EQ(rc, 1);
    EXPECT_LT(static_cast<size_t>(antall), tekst.size() / gruppe.size()) << "it stopped at the new end";
}

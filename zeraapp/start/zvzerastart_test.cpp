// The ZERA application loaded by its task name through the host, as a user
// and as the host's start-up load it: the interactive road with its menus,
// command table and hooks, the batch roads with their report, the bundled
// sample jobs, unloading, and the settings kept from one start to the next.
#include <dlfcn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frame_testing.h"
#include "brukerdata.h"

namespace fs = std::filesystem;

namespace {

using Data = zeraBrukerGrensesnittData;
constexpr int HOVEDDIALOG = 100;
constexpr int INTRO_DIALOG = 20020;
constexpr uint32_t UTLASTING = 0x79020000u;

// The 25 keywords of the application's command table.
const char *const KOMMANDOER[] = {
    "zvzera velg temafil",        "zvzera velg dgnlib",       "zvzera velg seedfil",
    "zvzera velg importkatalog",  "zvzera ny filliste",       "zvzera import fil",
    "zvzera import liste",        "zvzera velg loggfil",      "zvzera lag tagsett",
    "zvzera brukerveiledning",    "zvzera hjelp",             "zvzera eksport",
    "zvzera hodefil apne",        "zvzera hodefil lagre som", "zvzera hodefil lagre",
    "zvzera vis loggfil",         "zvzera velg cellebibliotek", "zvzera velg tagsettfil",
    "zvzera lag temafil",         "zvzera lukk til flater",   "zvzera flater til linjer",
    "zvzera kurver til linjer",   "zvzera set",               "zvzera om",
    "zvzera avslutt",
};

std::string readAll(const std::string &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ZvZeraStartTest : public frametest::FrameTest {
  protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        fs::create_directories(path("prefs"));
        define("MS_USERPREF", path("prefs/user.upf"));
        define("MDLHOST_USERPREF", path("host.upf"));
        define("ZV_DIR", dir_ + "/");
        mdlhost_clearDialogScripts();
        mdlhost_clearCommandStateLog();
        err_ = fopen(path("stderr.txt").c_str(), "w+");
        ASSERT_NE(err_, nullptr);
        mdlhost_setStderr(err_);
    }
    void TearDown() override
    {
        mdlhost_clearDialogScripts();
        FrameTest::TearDown();
        mdlhost_closeUserPrefs();
        mdlhost_setStderr(nullptr);
        if (err_)
            fclose(err_);
    }
    std::string stderrText()
    {
        fflush(err_);
        return readAll(path("stderr.txt"));
    }
    static MdlDesc *zvzera() { return mdlSystem_findMdlDesc("ZVZERA"); }
    // A name exported by the loaded library.
    template <typename T> static T symbol(const char *name)
    {
        void *h = dlopen(mdlResource_getApplLoadFile(zvzera()), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(h, nullptr) << name;
        if (h == nullptr)
            return nullptr;
        void *s = dlsym(h, name);
        dlclose(h);
        return reinterpret_cast<T>(s);
    }
    static Data *record() { return *symbol<Data **>("brukerDataP"); }
    static MenuBar *menuBar()
    {
        MSDialog *db = mdlDialog_findByTypeAndId(RTYPE_DialogBox, HOVEDDIALOG, zvzera());
        return db ? mdlDialog_menuBarFind(db) : nullptr;
    }
    static std::vector<int> menus()
    {
        std::vector<int> ids;
        if (MenuBar *bar = menuBar())
            for (int i = 0; i < mdlhost_menuBarCount(bar); i++)
                ids.push_back(mdlhost_menuBarMenuId(bar, i, nullptr));
        return ids;
    }
    // The queued input as "keyin TEXT" and "command 0xNUMBER TASK" lines.
    static std::vector<std::string> queue()
    {
        std::vector<std::string> out;
        for (int i = 0; i < mdlhost_inputQueueCount(); i++) {
            const char *text = nullptr, *task = nullptr;
            uint32_t number = 0;
            int kind = mdlhost_inputQueueEntry(i, &text, &number, &task);
            char line[300];
            if (kind == MDLHOST_INPUT_KEYIN)
                snprintf(line, sizeof line, "keyin %s", text);
            else
                snprintf(line, sizeof line, "command 0x%08x %s", number, task ? task : "");
            out.push_back(line);
        }
        return out;
    }
    void writeJob(const std::string &name, const std::string &logBase)
    {
        writeFile("tema.tem", "Kystkontur;3001;FKB;L;3001;2;1;0;0;0;0;KRYSS;1;1;0\n");
        writeFile(name, "# two maps\n"
                        "Type: IMPORT\n"
                        "Temafil: " + path("tema.tem") + "\n"
                        "Loggfil: " + logBase + "\n"
                        "ZERA-dir: D:\\data\n"
                        "DGN-dir: D:\\dgn\n"
                        "Filnavn: * kart1.zer\n"
                        "Filnavn: b.dgn kart2.zer FKB\n");
    }
    FILE *err_ = nullptr;
};

// The library differs from the task: the build wrote zvzera.app beside it,
// naming the library and its resource file, so no variable is needed.
TEST_F(ZvZeraStartTest, TheTaskNameFindsTheLibraryAndItsResourceFile)
{
    mdlSystem_defineCfgVar("MS_MDL", nullptr);
    char library[MDLHOST_MAXFILELENGTH], resources[MDLHOST_MAXFILELENGTH];
    for (const char *task : {"zvzera", "ZVZERA"}) {
        ASSERT_EQ(mdlhost_findApplication(task, library, sizeof library, resources, sizeof resources), 0) << library;
        EXPECT_EQ(std::string(library), appPath("libZvZeraMS.so"));
        EXPECT_EQ(std::string(resources), ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc");
    }
    EXPECT_TRUE(fs::exists(resources));
}

TEST_F(ZvZeraStartTest, InteractiveStartInsertsMenusAndAnswersEveryCommand)
{
    keyin("mdl load zvzera");
    ASSERT_NE(zvzera(), nullptr) << text();
    EXPECT_STREQ(mdlResource_getApplLoadFile(zvzera()) + strlen(mdlResource_getApplLoadFile(zvzera())) -
                     strlen("libZvZeraMS.so"),
                 "libZvZeraMS.so");
    EXPECT_EQ(menus(), (std::vector<int>{1, 2, 3}));
    EXPECT_NE(mdlhost_getFunction(zvzera(), MDLHOST_HOOK_UNLOAD), nullptr);
    EXPECT_NE(mdlhost_getFunction(zvzera(), MDLHOST_HOOK_NEWDESIGNFILE), nullptr);
    EXPECT_NE(record(), nullptr);
    EXPECT_EQ(mdlhost_inputQueueCount(), 0);
    EXPECT_EQ(stderrText(), "");

    // Every keyword reaches a registered number and runs; their dialogs
    // are cancelled.
    for (const char *k : KOMMANDOER) {
        if (strcmp(k, "zvzera avslutt") == 0 || strcmp(k, "zvzera om") == 0)
            continue;
        mdlhost_clearMessageFields();
        mdlhost_scriptFileDialog(nullptr);
        mdlhost_scriptFileList(nullptr);
        mdlhost_scriptModal(0, "cancel");
        EXPECT_EQ(mdlhost_keyin(k), MDLHOST_KEYIN_OK) << k;
        mdlhost_clearDialogScripts();
    }
    mdlhost_clearInputQueue(); // the help keyin
    EXPECT_EQ(mdlhost_keyin("zvzera om"), MDLHOST_KEYIN_OK);
    EXPECT_NE(mdlDialog_findByTypeAndId(RTYPE_DialogBox, INTRO_DIALOG, zvzera()), nullptr) << "the about box";

    // A menu entry sends its keyin.
    ASSERT_EQ(mdlhost_menuChoose(menuBar(), 3, 3), 0);
    EXPECT_EQ(queue(), (std::vector<std::string>{"keyin zvzera om"}));
    mdlhost_clearInputQueue();
}

TEST_F(ZvZeraStartTest, UnloadIsRefusedUntilTheApplicationEndsItself)
{
    keyin("mdl load zvzera");
    ASSERT_NE(zvzera(), nullptr);
    EXPECT_EQ(mdlSystem_unloadMdlProgram("ZVZERA"), 1) << "a user's unload is refused";
    ASSERT_NE(zvzera(), nullptr);
    EXPECT_NE(record(), nullptr) << "nothing closed";

    keyin("zvzera avslutt");
    ASSERT_NE(zvzera(), nullptr) << "the unload waits for the host loop";
    EXPECT_EQ(menus(), std::vector<int>{}) << "menus 1 to 3 are out of the bar";
    EXPECT_EQ(mdlhost_getFunction(zvzera(), MDLHOST_HOOK_UNLOAD), nullptr);
    EXPECT_EQ(mdlhost_getFunction(zvzera(), MDLHOST_HOOK_NEWDESIGNFILE), nullptr);
    EXPECT_EQ(record(), nullptr);
    EXPECT_NE(std::string(mdlhost_commandStateLog()).find("default"), std::string::npos);
    EXPECT_EQ(queue(), (std::vector<std::string>{"command 0x79020000 ZVZERA"}));

    // A second end finds nothing to free and queues the unload again.
    auto avslutt = symbol<void (*)()>("avsluttZera");
    ASSERT_NE(avslutt, nullptr);
    dlmSystem_callAnyFunction(zvzera(), reinterpret_cast<MdlFunctionP>(avslutt), "");
    EXPECT_EQ(record(), nullptr);
    EXPECT_EQ(queue(), (std::vector<std::string>{"command 0x79020000 ZVZERA", "command 0x79020000 ZVZERA"}));

    mdlhost_processQueue();
    EXPECT_EQ(zvzera(), nullptr) << "unloaded";
    EXPECT_TRUE(fs::exists(path("prefs/zvzera.upf")));
}

TEST_F(ZvZeraStartTest, EndCommandWithTheApplicationsNameClosesOnlyTheMainWindow)
{
    keyin("mdl load zvzera");
    ASSERT_NE(zvzera(), nullptr);
    ASSERT_NE(menuBar(), nullptr);
    keyin("zvzera avslutt ZvZera");
    EXPECT_EQ(mdlDialog_findByTypeAndId(RTYPE_DialogBox, HOVEDDIALOG, zvzera()), nullptr) << "the main window";
    EXPECT_NE(record(), nullptr) << "the application runs on";
    EXPECT_EQ(mdlhost_inputQueueCount(), 0);

    // Without the menu bar the same text ends the application, the message
    // fields reset on the way.
    for (int f = 0; f <= 4; f++)
        mdlOutput_printf(f, "%s", "gammel");
    keyin("zvzera avslutt ZvZera");
    EXPECT_EQ(record(), nullptr);
    EXPECT_EQ(queue(), (std::vector<std::string>{"command 0x79020000 ZVZERA"}));
    EXPECT_STREQ(mdlhost_messageField(1), "Velg en kommando.");
    for (int f : {2, 3, 4})
        EXPECT_STREQ(mdlhost_messageField(f), "") << f;
    mdlhost_processQueue();
    EXPECT_EQ(zvzera(), nullptr);

    // Any other text ends it with the menu bar there.
    keyin("mdl load zvzera");
    ASSERT_NE(menuBar(), nullptr);
    keyin("zvzera avslutt zvzera");
    EXPECT_EQ(record(), nullptr);
    mdlhost_processQueue();
    EXPECT_EQ(zvzera(), nullptr);
}

TEST_F(ZvZeraStartTest, UnloadHookAcceptsANegativeReasonAndKeepsTheSettings)
{
    keyin("mdl load zvzera");
    ASSERT_NE(zvzera(), nullptr);
    MdlFunctionP hook = mdlhost_getFunction(zvzera(), MDLHOST_HOOK_UNLOAD);
    ASSERT_NE(hook, nullptr);
    EXPECT_EQ(dlmSystem_callAnyFunction(zvzera(), hook, "I", 0), 1);
    EXPECT_NE(record(), nullptr);
    record()->standardFarge = 77;
    EXPECT_EQ(dlmSystem_callAnyFunction(zvzera(), hook, "I", -1), 0);
    EXPECT_EQ(record(), nullptr);

    // The host's own end (exit) unloads it; a fresh start has the colour.
    mdlhost_shutdown();
    ASSERT_EQ(zvzera(), nullptr);
    keyin("mdl load zvzera");
    ASSERT_NE(zvzera(), nullptr);
    EXPECT_EQ(record()->standardFarge, 77);
}

TEST_F(ZvZeraStartTest, SettingsSavedAtTheEndComeBackAtTheNextStart)
{
    struct I32 {
        int32_t Data::*felt;
    };
    const I32 heltall[] = {
        {&Data::lagEtikettfil},   {&Data::lagXmlFil},         {&Data::lagXyzFil},
        {&Data::visUnderveis},    {&Data::lagreEgenskaper},   {&Data::egenskapModus},
        {&Data::flereTemaEnGang}, {&Data::lagreNivaa4},       {&Data::lagreTekststoerrelse},
        {&Data::punktModus},      {&Data::kurverSomLinjer},   {&Data::matchLevel},
        {&Data::matchColor},      {&Data::matchStyle},        {&Data::matchWeight},
        {&Data::hoydeAvrundingPaa}, {&Data::multHoydeVerdi},  {&Data::multHoydePaa},
        {&Data::importerUkjenteTema}, {&Data::kunUkjenteTema}, {&Data::importMaal},
        {&Data::lukkKjeder},      {&Data::lukkLinjestrenger}, {&Data::brukGjerde},
        {&Data::fyllFlater},      {&Data::hoppOverLinjerUtenHoyde}, {&Data::grenserPaaHoyde},
        {&Data::eksporterZeratema}, {&Data::eksporterObjekttype}, {&Data::zera40},
        {&Data::temaFra},         {&Data::brukDgnlib},        {&Data::symbologiFraTema},
        {&Data::avrundHvertPunkt}, {&Data::nivaaMedTypebokstav}, {&Data::lagManglendeFeatures},
        {&Data::fastHoyde},       {&Data::skannLagerFlater},  {&Data::standardFarge},
        {&Data::standardVekt},    {&Data::standardStil},      {&Data::standardFont},
    };
    double Data::*const desimal[] = {
        &Data::hoydeAvrundingSteg, &Data::fastHoydeVerdi,     &Data::lukkeToleranse,      &Data::symbolSkala,
        &Data::standardTekstHoyde, &Data::standardTekstBredde, &Data::standardCelleskala,
    };
    keyin("mdl load zvzera");
    ASSERT_NE(zvzera(), nullptr);
    Data *d = record();
    ASSERT_NE(d, nullptr);
    int n = 0;
    for (const I32 &f : heltall)
        d->*f.felt = f.felt == &Data::importMaal ? 1 : 200 + 3 * n++;
    for (double Data::*f : desimal)
        d->*f = 0.5 + n++;
    memset(d->standardPunktcelle, 0, sizeof d->standardPunktcelle);
    memcpy(d->standardPunktcelle, u"SIRKEL", sizeof u"SIRKEL");
    Data kept = *d;

    keyin("zvzera avslutt");
    mdlhost_processQueue();
    ASSERT_EQ(zvzera(), nullptr);
    keyin("mdl load zvzera");
    ASSERT_NE(zvzera(), nullptr);
    Data *fresh = record();
    ASSERT_NE(fresh, nullptr);
    n = 0;
    for (const I32 &f : heltall)
        EXPECT_EQ(fresh->*f.felt, kept.*f.felt) << "field " << n++;
    for (double Data::*f : desimal)
        EXPECT_EQ(fresh->*f, kept.*f);
    EXPECT_EQ(std::u16string(fresh->standardPunktcelle), u"SIRKEL");
}

TEST_F(ZvZeraStartTest, StartUpArgumentsChooseTheRoad)
{
    writeJob("job.txt", "D:\\logs\\prosjekt.log");
    struct Tilfelle {
        std::string args;
        bool interaktiv;
        std::vector<std::string> ko;
        std::string vindu, stderrTekst, rapport;
    } tilfeller[] = {
        // Interactive: menus, no queued input.
        {"", true, {}, "", "", ""},
        // A user's batch: the report goes to its file; the application
        // unloads itself and the host runs on.
        {"USER -i" + path("job.txt") + " -i" + path("rep.txt"), false, {"command 0x79020000 ZVZERA"},
         "\nOutput skrives til fil: " + path("rep.txt") + "\n\n", "", path("rep.txt")},
        // Started by the host with a job: the host ends.
        {"MS_INITAPPS -i" + path("job.txt"), false, {"keyin exit"}, "", "job", ""},
        // Started by the host without a readable job: unload, nothing else.
        {"MS_INITAPPS -inone.txt", false, {"command 0x79020000 ZVZERA"}, "",
         "\nFEIL!  Finner ikke filen: none.txt\n\n", ""},
        // "-i" alone is no path; a third path is ignored.
        {"USER -i -i" + path("job.txt") + " -i" + path("rep2.txt") + " -i" + path("third.txt"), false,
         {"command 0x79020000 ZVZERA"}, "\nOutput skrives til fil: " + path("rep2.txt") + "\n\n", "",
         path("rep2.txt")},
        // A user's start whose job cannot be read: the box of the file that
        // cannot be opened, then interactive, the report file closed again.
        {"USER -inone.txt -i" + path("rep3.txt"), true, {},
         "\nOutput skrives til fil: " + path("rep3.txt") + "\n\n" +
             "Dialog 20011: no answer, default button PushButton -3 (action 3)\n",
         "", ""},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.args);
        mdlhost_clearTextWindow();
        mdlhost_clearInputQueue();
        ftruncate(fileno(err_), 0);
        rewind(err_);
        keyin("mdl load zvzera " + t.args);
        ASSERT_NE(zvzera(), nullptr);
        EXPECT_EQ(queue(), t.ko);
        EXPECT_EQ(text(), t.vindu);
        if (t.stderrTekst == "job")
            EXPECT_NE(stderrText().find("ZERA-Import : D:\\data\\kart1.zer ==> D:\\dgn\\kart1.dgn\n"),
                      std::string::npos)
                << stderrText();
        else
            EXPECT_EQ(stderrText(), t.stderrTekst);
        if (t.interaktiv) {
            EXPECT_EQ(menus(), (std::vector<int>{1, 2, 3}));
            EXPECT_NE(mdlhost_getFunction(zvzera(), MDLHOST_HOOK_UNLOAD), nullptr);
        } else {
            EXPECT_EQ(menuBar(), nullptr) << "no main dialog in batch";
            EXPECT_EQ(mdlhost_getFunction(zvzera(), MDLHOST_HOOK_UNLOAD), nullptr);
            EXPECT_EQ(mdlhost_keyin("zvzera om"), MDLHOST_KEYIN_UNKNOWN) << "no command table";
        }
        if (!t.rapport.empty()) {
            std::string r = readAll(t.rapport);
            EXPECT_NE(r.find("ZvZera - 03.04 - 04.12.2009\n"), std::string::npos) << r;
            EXPECT_NE(r.find("ZERA-Import : D:\\data\\kart1.zer ==> D:\\dgn\\kart1.dgn\n"
                             "FKB-grupper : *\n"
                             "Loggfil     : D:\\logs\\prosj001.log\n"),
                      std::string::npos)
                << r;
            EXPECT_NE(r.find("ZERA-Import : D:\\data\\kart2.zer ==> D:\\dgn\\b.dgn\n"
                             "FKB-grupper : FKB\n"
                             "Loggfil     : D:\\logs\\prosj002.log\n"),
                      std::string::npos)
                << r;
        }
        EXPECT_FALSE(fs::exists(path("third.txt")));
        mdlhost_clearInputQueue();
        mdlhost_shutdown();
    }
    EXPECT_TRUE(fs::exists(path("rep3.txt"))) << "opened, and closed when no batch ran";
}

TEST_F(ZvZeraStartTest, WithoutTheMainDialogTheApplicationEndsAtOnce)
{
    // Resources with the command table but no main dialog.
    writeFile("ingen.rsc", "Include \"" ZERA_SOURCE_DIR "/zvlib/zvlib.rsc\"\n"
                           "CommandTable 1\n{\n    Command \"ZVZERA OM\" 0x01070200\n}\n");
    define("MDLRSC_ZVZERA", path("ingen.rsc"));
    keyin("mdl load zvzera");
    ASSERT_NE(zvzera(), nullptr);
    EXPECT_EQ(queue(), (std::vector<std::string>{"command 0x79020000 ZVZERA"}));
    EXPECT_EQ(mdlhost_openDialogCount(), 0) << "no message box";
    EXPECT_EQ(mdlhost_keyin("zvzera om"), MDLHOST_KEYIN_UNKNOWN) << "no command table";
    EXPECT_EQ(mdlhost_getFunction(zvzera(), MDLHOST_HOOK_UNLOAD), nullptr);
    mdlhost_processQueue();
    EXPECT_EQ(zvzera(), nullptr);
}

TEST_F(ZvZeraStartTest, ABatchWithoutTagSetFileStillRunsAndStoresNoAttributes)
{
    keyin("mdl load zvzera");
    record()->lagreEgenskaper = 1;
    keyin("zvzera avslutt");
    mdlhost_processQueue();

    writeJob("job.txt", "");
    keyin("mdl load zvzera USER -i" + path("job.txt") + " -i" + path("rep.txt"));
    EXPECT_NE(readAll(path("rep.txt")).find("Loggfil     : D:\\data\\kart2.log\n"), std::string::npos)
        << "the job ran; without a base the log follows the ZERA file";
    mdlhost_processQueue();
    keyin("mdl load zvzera");
    EXPECT_EQ(record()->lagreEgenskaper, 0);
}

// The program itself: a job started by the host ends the session; a user's
// job leaves the host running.
TEST_F(ZvZeraStartTest, TheProgramEndsAfterAHostStartedJob)
{
    writeJob("job.txt", "");
    writeFile("host.cfg", "MS_USERPREF = " + path("prefs/user.upf") + "\nZV_DIR = " + dir_ + "/\n");
    auto run = [&](const std::string &load) {
        std::string cmd = "env -u MS_MDL -u MDLHOST_ECHO '" MDLHOST_PROGRAM "' -q -c '" + path("host.cfg") + "' -k '" +
                          load + "' -k 'mdl load nosuch' >'" + path("out.txt") + "' 2>'" + path("err.txt") + "'";
        int raw = std::system(cmd.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    EXPECT_EQ(run("mdl load zvzera MS_INITAPPS -i" + path("job.txt")), 0) << readAll(path("err.txt"));
    EXPECT_EQ(readAll(path("err.txt")).find("nosuch"), std::string::npos) << "the session ended before it";
    EXPECT_NE(readAll(path("err.txt")).find("ZERA-Import : D:\\data\\kart1.zer"), std::string::npos);

    EXPECT_EQ(run("mdl load zvzera USER -i" + path("job.txt")), 1) << "the next keyin ran, and failed";
    EXPECT_NE(readAll(path("err.txt")).find("nosuch"), std::string::npos);
}

// A user who has set nothing: the program names its own preference file as
// MS_USERPREF, so the application's settings are kept beside it.
TEST_F(ZvZeraStartTest, WithoutMsUserprefTheSettingsGoBesideTheHostsPreferences)
{
    fs::create_directories(path("home"));
    std::string cmd = "env -u MS_MDL -u MDLHOST_ECHO -u MS_USERPREF -u MDLHOST_USERPREF -u ZVZERA_UPF HOME='" +
                      path("home") + "' '" MDLHOST_PROGRAM "' -k 'mdl load zvzera' -k 'zvzera avslutt' -k exit >'" +
                      path("out.txt") + "' 2>'" + path("err.txt") + "'";
    int raw = std::system(cmd.c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 0) << readAll(path("err.txt"));
    std::string out = readAll(path("out.txt"));
    EXPECT_EQ(out.find("MS_USERPREF"), std::string::npos) << out;
    EXPECT_EQ(out.find("not open"), std::string::npos) << out;
    EXPECT_TRUE(fs::exists(path("home/zvzera.upf")));
}

} // namespace

// A batch import of two ZERA files, one of them missing, on drive C:
// mapped to the test's folder: the refused line, the report's texts, the
// logs, and the design made from the seed with its points as lines.
TEST_F(ZvZeraStartTest, ABatchImportReportsEachItemAndGoesOnAfterAFailure)
{
    for (const char *d : {"t", "zer", "out", "logs"})
        fs::create_directories(path(d));
    define("MDLHOST_DRIVE_C", dir_);
    writeFile("t/zvzera.tem", "Fastmerke;2101;HDB;P;2101;3;0;0;0;0;0;KRYSS;1;1;0\n"
                              "Kystkontur;3001;KYS;L;3001;2;1;0;0;0;0;KRYSS;1;1;0\n");
    DPoint3d origo{0, 0, 0};
    ASSERT_EQ(mdlhost_dgnCreateFile(path("t/seed3d.dgn").c_str(), 1, 1000.0, "m", &origo), 0);
    writeFile("zer/a.zer", ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n"
                           "...ENHET 0.01\n..ZERA-NIV\xC5 3\n"
                           ".PUNKT 1:\n..PTEMA 2101\n..N\xD8H\n660010000 50010000 1234\n"
                           ".KURVE 2:\n..LTEMA 3001\n..N\xD8H\n660000000 50000000 1000\n"
                           "660001000 50001000 1000\n660002000 50000500 1000\n.SLUTT\n");
    writeFile("job.txt", "Type: IMPORT\n"
                         "Temafil: C:\\t\\zvzera.tem\n"
                         "Seedfil: C:\\t\\seed3d.dgn\n"
                         "Loggfil: C:\\logs\\batch.log\n"
                         "Brytere-import: 1 0 0 0 0 2\n"
                         "ZERA-dir: C:\\zer\n"
                         "DGN-dir: C:\\out\n"
                         "Filnavn: * a.zer\n"
                         "Filnavn: * missing.zer\n"
                         "Filnavn: x*.dgn b.zer\n");
    keyin("mdl load zvzera USER -i" + path("job.txt") + " -i" + path("rep.txt"));
    std::string r = readAll(path("rep.txt"));
    EXPECT_NE(r.find("\nFeil! Tegnene '*' og '?' kan ikke brukes som del av DGN-navn.\n"), std::string::npos) << r;
    EXPECT_NE(r.find("Brytere p\xE5  : Lagre niv\xE5 4\n"), std::string::npos) << r;
    EXPECT_NE(r.find("ZERA-Import : C:\\zer\\a.zer ==> C:\\out\\a.dgn\n"
                     "FKB-grupper : *\n"
                     "Loggfil     : C:\\logs\\batch001.log\n"),
              std::string::npos)
        << r;
    EXPECT_NE(r.find("Loggfil     : C:\\logs\\batch002.log\n"), std::string::npos) << r;
    // The reason of a file that cannot be opened, then the file.
    EXPECT_NE(r.find("\nZERA2DGN 1: ZERA-filen kan ikke \345pnes eller opprettes\ni filen: C:\\zer\\missing.zer\n"),
              std::string::npos)
        << r;
    const std::string siste = "\n1 ZERA-filer er importert til MicroStation.\n\n";
    ASSERT_GE(r.size(), siste.size());
    EXPECT_EQ(r.substr(r.size() - siste.size()), siste);
    EXPECT_TRUE(fs::exists(path("logs/batch001.log")));
    EXPECT_FALSE(fs::exists(path("out/missing.dgn"))) << "no empty design for a missing file";
    EXPECT_FALSE(fs::exists(path("out/b.dgn")));

    // The design holds a's point as a zero-length line and its curve.
    mdlhost_closeDesignFile();
    ASSERT_EQ(mdlSystem_newDesignFile(path("out/a.dgn").c_str()), 0);
    MSElement el;
    uint32_t pos = 0;
    std::vector<int> typer;
    MdlScanCriteria *sc = mdlScanCriteria_create();
    uint32_t posisjoner[16];
    int n = 0;
    mdlScanCriteria_scan(sc, posisjoner, 16, &n);
    for (int i = 0; i < n; ++i) {
        pos = posisjoner[i];
        ASSERT_EQ(mdlElement_read(&el, 0, pos), 0);
        typer.push_back(mdlElement_getType(&el));
    }
    mdlScanCriteria_free(&sc);
    EXPECT_EQ(typer, (std::vector<int>{LINE_ELM, CURVE_ELM}));
    EXPECT_EQ(mdlhost_dgnGetEpsg(0), 25832);
    mdlhost_closeDesignFile();
}

// A batch export of the designs a pattern finds, with a map id and the FKB
// group HDB: each ZERA file has the map id in its header and its themes,
// the element of group KYS stays out (MSTEMTAB 26 in its log), and the
// temporary element file is gone.
TEST_F(ZvZeraStartTest, ABatchExportOfAPatternWritesEachDesignWithTheMapId)
{
    for (const char *d : {"t", "dgn", "zer", "tmp"})
        fs::create_directories(path(d));
    define("MDLHOST_DRIVE_C", dir_);
    define("ZVZERA_TEMP", path("tmp") + "/");
    writeFile("t/zvzera.tem", "Fastmerke;2101;HDB;P;2101;3;0;0;0;0;0;KRYSS;1;1;0\n"
                              "Kystkontur;3001;KYS;L;3001;2;1;0;0;0;0;KRYSS;1;1;0\n"
                              "Stedsnavn;1010;FM;T;1010;4;0;0;105;5;4;KRYSS;1;1;0\n");
    // Each design: a point (a zero-length line) of 2101 and a coast line of
    // 3001, in the colours of their rows.
    for (const char *navn : {"dgn/d1.dgn", "dgn/d2.dgn"}) {
        DPoint3d origo{0, 0, 0};
        ASSERT_EQ(mdlhost_dgnCreateFile(path(navn).c_str(), 1, 1000.0, "m", &origo), 0);
        ASSERT_EQ(mdlSystem_newDesignFile(path(navn).c_str()), 0);
        mdlhost_dgnBeginCommand();
        auto legg = [](MSElement *el, const char16_t *nivaaNavn, uint32_t farge) {
            uint32_t nivaa = 0;
            ASSERT_EQ(mdlLevel_create(0, nivaaNavn, &nivaa), 0);
            mdlElement_setProperties(el, &nivaa, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
            mdlElement_setSymbology(el, &farge, nullptr, nullptr);
            EXPECT_NE(mdlElement_add(el), 0u);
        };
        MSElement el;
        DPoint3d punkt[2] = {{5.0e8, 6.6e9, 12000}, {5.0e8, 6.6e9, 12000}};
        ASSERT_EQ(mdlLine_create(&el, nullptr, punkt), 0);
        legg(&el, u"2101", 3);
        DPoint3d kyst[3] = {{5.0e8, 6.6e9, 0}, {5.01e8, 6.6e9, 0}, {5.01e8, 6.601e9, 0}};
        ASSERT_EQ(mdlLineString_create(&el, nullptr, kyst, 3), 0);
        legg(&el, u"3001", 2);
        ASSERT_EQ(mdlhost_dgnEndCommand(1), 0);
        mdlhost_closeDesignFile();
    }
    writeFile("job.txt", "Type: EKSPORT\n"
                         "Temafil: C:\\t\\zvzera.tem\n"
                         "Brytere-eksport: 1 1 0 0 0 0 1\n"
                         "DGN-dir: C:\\dgn\n"
                         "ZERA-dir: C:\\zer\n"
                         "Filnavn: d*.dgn * HDB KART01\n");
    keyin("mdl load zvzera USER -i" + path("job.txt") + " -i" + path("rep.txt"));
    std::string r = readAll(path("rep.txt"));
    EXPECT_NE(r.find("Brytere p\xE5  : Sjekk mot lag, farge i temafil\n"
                     "              Lagre teksth\xF8yde/bredde\n"),
              std::string::npos)
        << r;
    for (const char *navn : {"d1", "d2"}) {
        SCOPED_TRACE(navn);
        const std::string n = navn;
        EXPECT_NE(r.find("ZERA-Eksport: C:\\dgn\\" + n + ".dgn ==> C:\\zer\\" + n + ".zer\n"
                         "Kart-ID     : KART01\n"
                         "FKB-grupper : HDB\n"
                         "Loggfil     : C:\\zer\\" + n + ".log\n"),
                  std::string::npos)
            << r;
        std::string zera = readAll(path("zer/" + n + ".zer"));
        EXPECT_NE(zera.find("..KARTID \"KART01\"\n"), std::string::npos) << zera;
        EXPECT_NE(zera.find(".PUNKT 1:\n..OBJTYPE Fastmerke\n..PTEMA 2101\n"), std::string::npos) << zera;
        EXPECT_EQ(zera.find("3001"), std::string::npos) << zera;
        EXPECT_EQ(zera.substr(zera.size() - 7), ".SLUTT\n");
        EXPECT_NE(readAll(path("zer/" + n + ".log")).find("MSTEMTAB 26"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(path("tmp/dgn2zera.tmp")));
    const std::string siste = "\n2 ZERA-filer er eksportert fra MicroStation.\n\n";
    ASSERT_GE(r.size(), siste.size());
    EXPECT_EQ(r.substr(r.size() - siste.size()), siste);
    mdlhost_closeDesignFile();
}

// The bundled sample jobs as scripts/run-sample.sh runs them, in a folder of
// their own: both samples imported into designs made from the bundled seed
// and exported back, the areas with their islands and the texts kept.
TEST_F(ZvZeraStartTest, TheBundledSampleJobsConvertEveryItem)
{
    fs::create_directory_symlink(ZERA_SOURCE_DIR "/samples", path("samples"));
    for (const char *d : {"out/dgn", "out/zera", "out/logs", "out/tmp"})
        fs::create_directories(path(d));
    auto run = [&](const std::string &job, const std::string &rep) {
        std::string cmd = "cd '" + dir_ + "' && env -u MS_MDL -u MDLHOST_ECHO -u MS_USERPREF '" MDLHOST_PROGRAM
                          "' -q -c samples/mdlhost.cfg -k 'mdl load zvzera MS_INITAPPS -isamples/" + job +
                          " -iout/" + rep + "' >out/stdout.txt 2>out/stderr.txt";
        int raw = std::system(cmd.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    ASSERT_EQ(run("import.job", "import.rep"), 0) << readAll(path("out/stderr.txt"));
    ASSERT_EQ(run("eksport.job", "eksport.rep"), 0) << readAll(path("out/stderr.txt"));
    std::string inn = readAll(path("out/import.rep")), ut = readAll(path("out/eksport.rep"));
    EXPECT_NE(inn.find("\n2 ZERA-filer er importert til MicroStation.\n\n"), std::string::npos) << inn;
    EXPECT_NE(ut.find("\n2 ZERA-filer er eksportert fra MicroStation.\n\n"), std::string::npos) << ut;
    for (const char *f : {"out/dgn/eksempel.dgn", "out/dgn/flater.dgn", "out/logs/inn001.log", "out/logs/inn002.log",
                          "out/logs/ut001.log", "out/logs/ut002.log"})
        EXPECT_TRUE(fs::exists(path(f))) << f;
    std::string flater = readAll(path("out/zera/flater.zer"));
    for (const char *linje : {"..ZERA-NIV\xC5 4\n", ".FLATE 13:\n..FTEMA 4002\n", "..REF :1 (:2) (:3)\n",
                              "..REF :4 (:5)\n", "..REF :6 :7\n", "..STRENG \"Store holmen\"\n",
                              "..STRENG G\xE5rden\n"})
        EXPECT_NE(flater.find(linje), std::string::npos) << linje << "\n" << flater;
    EXPECT_NE(readAll(path("out/zera/eksempel.zer")).find("..LTEMA 2001\n"), std::string::npos);
}

// A whole host process with MS_INITAPPS: each failed item's block names
// its cause, no box waits for an answer, the other items are converted,
// and the host ends with status 0.
TEST_F(ZvZeraStartTest, AHostStartedBatchNamesEachFailureAndEndsWell)
{
    for (const char *d : {"zer", "dgn", "ut", "tmp"})
        fs::create_directories(path(d));
    writeFile("tema.tem", "Kystkontur;3001;KYS;L;3001;2;1;0;0;0;0;KRYSS;1;1;0\n");
    writeFile("zer/god.zer", ".HODE\n..TEGNSETT ISO8859-1\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
                             "..ZERA-NIV\xC5 3\n.KURVE 1:\n..LTEMA 3001\n..N\xD8H\n660000000 50000000 1000\n"
                             "660001000 50001000 1000\n.SLUTT\n");
    writeFile("zer/uten.zer", "! no header, no group\n");
    writeFile("dgn/skadet.dgn", "not a design file");
    DPoint3d origo{0, 0, 0};
    ASSERT_EQ(mdlhost_dgnCreateFile(path("seed.dgn").c_str(), 1, 1000.0, "m", &origo), 0);
    writeFile("host.cfg", "MS_USERPREF = " + path("prefs/user.upf") + "\nZV_DIR = " + dir_ +
                              "/\nZVZERA_TEMP = " + path("tmp") + "/\n");
    writeFile("import.job", "Type: IMPORT\nTemafil: " + path("tema.tem") + "\nSeedfil: " + path("seed.dgn") +
                                "\nZERA-dir: " + path("zer") + "\nDGN-dir: " + path("dgn") +
                                "\nFilnavn: * uten.zer\nFilnavn: * god.zer\nDGN-dir: " + path("mangler") +
                                "\nFilnavn: * god.zer\n");
    writeFile("eksport.job", "Type: EKSPORT\nTemafil: " + path("tema.tem") + "\nDGN-dir: " + path("dgn") +
                                 "\nZERA-dir: " + path("mangler") + "\nFilnavn: god.dgn\nZERA-dir: " + path("ut") +
                                 "\nFilnavn: skadet.dgn\nFilnavn: god.dgn\n");
    auto run = [&](const std::string &job) {
        std::string cmd = "env -u MS_MDL -u MDLHOST_ECHO '" MDLHOST_PROGRAM "' -c '" + path("host.cfg") +
                          "' -k 'mdl load zvzera MS_INITAPPS -i" + path(job + ".job") + " -i" + path(job + ".rep") +
                          "' >'" + path("out.txt") + "' 2>'" + path("err.txt") + "'";
        int raw = std::system(cmd.c_str());
        EXPECT_EQ(readAll(path("out.txt")).find("Dialog"), std::string::npos) << readAll(path("out.txt"));
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    ASSERT_EQ(run("import"), 0) << readAll(path("err.txt"));
    std::string r = readAll(path("import.rep"));
    struct Tilfelle {
        std::string blokk, aarsak;
    } tilfeller[] = {
        {"ZERA-Import : " + path("zer") + "\\uten.zer", "\nSG_HEAD 1: Mangler .HODE\ni filen: " + path("zer") +
                                                           "\\uten.zer\n"},
        {"ZERA-Import : " + path("zer") + "\\god.zer ==> " + path("mangler") + "\\god.dgn",
         "\nFeil! Seedfil: " + path("seed.dgn") + " kan ikke kopieres\n      til fil: " + path("mangler") +
             "\\god.dgn\n"},
    };
    for (const Tilfelle &t : tilfeller) {
        // The cause stands in the item's own block, before the next one.
        size_t blokk = r.find(t.blokk);
        ASSERT_NE(blokk, std::string::npos) << r;
        size_t neste = std::min(r.find("\nZERA-Import", blokk + 1), r.size());
        EXPECT_LT(r.find(t.aarsak, blokk), neste) << r;
    }
    EXPECT_NE(r.find("\n1 ZERA-filer er importert til MicroStation.\n\n"), std::string::npos) << r;
    EXPECT_FALSE(fs::exists(path("dgn/uten.dgn"))) << "no empty design for a file without header";
    // The refused header leaves no log, and the block says so.
    size_t uten = r.find("ZERA-Import : " + path("zer") + "\\uten.zer");
    size_t logg = r.find("Loggfil     : ", uten);
    ASSERT_NE(logg, std::string::npos) << r;
    std::string loggNavn = r.substr(logg + 14, r.find('\n', logg) - logg - 14);
    EXPECT_LT(r.find("\nLoggfilen " + loggNavn + " er ikke skrevet.\n", uten), r.find("\nZERA-Import", uten + 1)) << r;
    EXPECT_FALSE(fs::exists(path("zer/uten.log")));

    // An import the engine stops is reported with the engine's cause, not
    // as a full design file.
    writeFile("logg.job", "Type: IMPORT\nTemafil: " + path("tema.tem") + "\nSeedfil: " + path("seed.dgn") +
                              "\nLoggfil: " + path("mangler") + "/inn.log\nZERA-dir: " + path("zer") +
                              "\nDGN-dir: " + path("dgn") + "\nFilnavn: * god.zer\n");
    ASSERT_EQ(run("logg"), 0) << readAll(path("err.txt"));
    std::string l = readAll(path("logg.rep"));
    EXPECT_NE(l.find("\nZERA2DGN 7"), std::string::npos) << l;
    EXPECT_NE(l.find("Import av ZERA-fil '" + path("zer") + "\\god.zer' til '" + path("dgn") +
                     "\\god.dgn' er avbrutt\n"),
              std::string::npos)
        << l;
    EXPECT_EQ(l.find("max. filst"), std::string::npos) << l;
    EXPECT_NE(l.find("\n0 ZERA-filer er importert til MicroStation.\n\n"), std::string::npos) << l;

    ASSERT_EQ(run("eksport"), 0) << readAll(path("err.txt"));
    std::string e = readAll(path("eksport.rep"));
    EXPECT_NE(e.find("-\n\nZERA2DGN 8: ZERA-filen kan ikke opprettes\ni filen: " + path("mangler") + "\\god.zer\n"),
              std::string::npos)
        << e;
    EXPECT_NE(e.find("-\n\nFeil! Kan ikke \xE5pne filen: " + path("dgn") + "\\skadet.dgn\n"), std::string::npos) << e;
    EXPECT_NE(e.find("\n1 ZERA-filer er eksportert fra MicroStation.\n\n"), std::string::npos) << e;
    EXPECT_NE(e.find("\n1 ZERA-elementer er skrevet, 0 er utelatt.\n"), std::string::npos) << e;
    EXPECT_NE(readAll(path("ut/god.zer")).find("..LTEMA 3001\n"), std::string::npos);

    // An export that writes no element, and one whose header file cannot
    // be read, fail their items with the cause in their blocks.
    fs::copy_file(path("seed.dgn"), path("dgn/tom.dgn"));
    writeFile("tomt.job", "Type: EKSPORT\nTemafil: " + path("tema.tem") + "\nDGN-dir: " + path("dgn") +
                              "\nZERA-dir: " + path("ut") + "\nFilnavn: tom.dgn\n");
    writeFile("hode.job", "Type: EKSPORT\nTemafil: " + path("tema.tem") + "\nHodefil: " + path("mangler.hod") +
                              "\nDGN-dir: " + path("dgn") + "\nZERA-dir: " + path("ut") + "\nFilnavn: god.dgn\n");
    ASSERT_EQ(run("tomt"), 0) << readAll(path("err.txt"));
    std::string tomt = readAll(path("tomt.rep"));
    EXPECT_NE(tomt.find("\n0 ZERA-elementer er skrevet, 0 er utelatt.\nFeil! Ingen elementer er skrevet til " +
                        path("ut") + "\\tom.zer.\n"),
              std::string::npos)
        << tomt;
    EXPECT_NE(tomt.find("\n0 ZERA-filer er eksportert fra MicroStation.\n\n"), std::string::npos) << tomt;
    ASSERT_EQ(run("hode"), 0) << readAll(path("err.txt"));
    std::string hode = readAll(path("hode.rep"));
    EXPECT_NE(hode.find("i filen: " + path("mangler.hod") + "\n"), std::string::npos) << hode;
    EXPECT_NE(hode.find("\n0 ZERA-filer er eksportert fra MicroStation.\n\n"), std::string::npos) << hode;
}

// A batch whose disk fills, or that is killed, while an item's output is
// written leaves the earlier design or ZERA file of that name whole, and a
// full disk is named as such in the item's block.  The host runs with a
// file-size limit: past it writes fail as on a full disk, or, with the
// signal left at its default, the host dies there as by kill -9.
TEST_F(ZvZeraStartTest, AFullDiskOrAKillLeavesTheEarlierOutputsWhole)
{
    for (const char *d : {"zer", "dgn", "ut", "tmp"})
        fs::create_directories(path(d));
    writeFile("tema.tem", "Kystkontur;3001;KYS;L;3001;2;1;0;0;0;0;KRYSS;1;1;0\n");
    std::string zera = ".HODE\n..TEGNSETT ISO8859-1\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
                       "..ZERA-NIV\xC5 3\n";
    for (int k = 1; k <= 3000; k++) {
        zera += ".KURVE " + std::to_string(k) + ":\n..LTEMA 3001\n..N\xD8H\n";
        for (int p = 0; p < 20; p++)
            zera += std::to_string(660000000 + k * 100 + p) + " " + std::to_string(50000000 + p * 100) + " 1000\n";
    }
    writeFile("zer/stor.zer", zera + ".SLUTT\n");
    DPoint3d origo{0, 0, 0};
    ASSERT_EQ(mdlhost_dgnCreateFile(path("seed.dgn").c_str(), 1, 1000.0, "m", &origo), 0);
    writeFile("host.cfg", "MS_USERPREF = " + path("prefs/user.upf") + "\nZV_DIR = " + dir_ +
                              "/\nZVZERA_TEMP = " + path("tmp") + "/\n");
    writeFile("import.job", "Type: IMPORT\nTemafil: " + path("tema.tem") + "\nSeedfil: " + path("seed.dgn") +
                                "\nZERA-dir: " + path("zer") + "\nDGN-dir: " + path("dgn") + "\nFilnavn: * stor.zer\n");
    writeFile("eksport.job", "Type: EKSPORT\nTemafil: " + path("tema.tem") + "\nDGN-dir: " + path("dgn") +
                                 "\nZERA-dir: " + path("ut") + "\nFilnavn: stor.dgn\n");
    // The job under a file-size limit (0: none); the exit status, -1 killed.
    auto run = [&](const std::string &job, uintmax_t grense, bool drept) {
        std::string limit = grense == 0 ? "" : "prlimit --fsize=" + std::to_string(grense) + " ";
        std::string cmd = std::string(drept ? "" : "trap '' XFSZ; ") + "exec env -u MS_MDL -u MDLHOST_ECHO " + limit +
                          "'" MDLHOST_PROGRAM "' -c '" + path("host.cfg") + "' -k 'mdl load zvzera MS_INITAPPS -i" +
                          path(job + ".job") + " -i" + path(job + ".rep") + "' >'" + path("out.txt") + "' 2>'" +
                          path("err.txt") + "'";
        fs::remove(path(job + ".rep"));
        int raw = std::system(("sh -c \"" + cmd + "\"").c_str());
        return WIFEXITED(raw) && WEXITSTATUS(raw) < 128 ? WEXITSTATUS(raw) : -1;
    };

    // The outputs of a whole run, and the earlier files the failed runs must keep.
    ASSERT_EQ(run("import", 0, false), 0) << readAll(path("err.txt"));
    ASSERT_NE(readAll(path("import.rep")).find("\n1 ZERA-filer er importert"), std::string::npos)
        << readAll(path("import.rep"));
    ASSERT_EQ(run("eksport", 0, false), 0) << readAll(path("err.txt"));
    ASSERT_NE(readAll(path("eksport.rep")).find("\n1 ZERA-filer er eksportert"), std::string::npos)
        << readAll(path("eksport.rep"));
    const std::string design = readAll(path("dgn/stor.dgn")), zeraUt = readAll(path("ut/stor.zer"));
    ASSERT_GT(design.size(), fs::file_size(path("seed.dgn")) + 200000);
    ASSERT_GT(zeraUt.size(), 100000u);

    struct Tilfelle {
        const char *hva, *jobb;
        uintmax_t grense; // the seed fits under it, and the element file, but not the whole output
        bool drept;
        const char *aarsak; // in the item's block
    } tilfeller[] = {
        {"import, disk full", "import", fs::file_size(path("seed.dgn")) + 100000, false, "\nDisken er full."},
        {"export, disk full", "eksport", zeraUt.size() - 64, false, "\nZERA2DGN 10: Disken er full"},
        {"import, killed", "import", fs::file_size(path("seed.dgn")) + 100000, true, nullptr},
        {"export, killed", "eksport", zeraUt.size() - 64, true, nullptr},
    };
    for (const Tilfelle &t : tilfeller) {
        SCOPED_TRACE(t.hva);
        int rc = run(t.jobb, t.grense, t.drept);
        EXPECT_EQ(readAll(path("dgn/stor.dgn")), design);
        EXPECT_EQ(readAll(path("ut/stor.zer")), zeraUt);
        std::string r = readAll(path(std::string(t.jobb) + ".rep"));
        if (t.drept) {
            EXPECT_EQ(rc, -1) << r;
            continue;
        }
        EXPECT_EQ(rc, 0) << readAll(path("err.txt"));
        EXPECT_NE(r.find(t.aarsak), std::string::npos) << r;
        EXPECT_EQ(r.find("max. filst"), std::string::npos) << r;
        EXPECT_NE(r.find(std::string("\n0 ZERA-filer er ") + (t.jobb[0] == 'i' ? "importert" : "eksportert")),
                  std::string::npos)
            << r;
        for (const char *katalog : {"dgn", "ut"})
            for (const auto &e : fs::directory_iterator(path(katalog)))
                EXPECT_EQ(e.path().filename().string().find(".~"), std::string::npos) << e.path();
    }

    // The next whole run replaces the design and clears what the killed one left.
    ASSERT_EQ(run("import", 0, false), 0) << readAll(path("err.txt"));
    EXPECT_NE(readAll(path("import.rep")).find("\n1 ZERA-filer er importert"), std::string::npos);
    for (const auto &e : fs::directory_iterator(path("dgn")))
        EXPECT_EQ(e.path().filename().string().find(".~"), std::string::npos) << e.path();
}

// ---- settings without a dialog item ---------------------------------------------------

namespace {

// One element of a design: its type, level name and colour.
struct Element {
    int type;
    std::string nivaa;
    uint32_t farge;
    bool operator==(const Element &) const = default;
};
void PrintTo(const Element &e, std::ostream *os) { *os << "{" << e.type << " " << e.nivaa << " " << e.farge << "}"; }

std::vector<Element> elementer(const std::string &dgn)
{
    std::vector<Element> ut;
    mdlhost_closeDesignFile();
    if (mdlSystem_newDesignFile(dgn.c_str()) != 0)
        return ut;
    MdlScanCriteria *sc = mdlScanCriteria_create();
    uint32_t pos[64];
    int n = 0;
    mdlScanCriteria_scan(sc, pos, 64, &n);
    mdlScanCriteria_free(&sc);
    for (int i = 0; i < n; ++i) {
        MSElement el;
        if (mdlElement_read(&el, 0, pos[i]) != 0)
            continue;
        uint32_t nivaa = 0, farge = 0;
        mdlElement_getSymbology(&farge, nullptr, nullptr, &el);
        mdlElement_getProperties(&nivaa, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &el);
        char16_t navn[64] = {};
        mdlLevel_getName(navn, 64, 0, nivaa);
        std::string smal;
        for (const char16_t *c = navn; *c; ++c)
            smal += char(*c);
        ut.push_back({mdlElement_getType(&el), smal, farge});
    }
    mdlhost_closeDesignFile();
    return ut;
}

// The ten switches by their keyin and job-file names, and their fields.
struct Bryter {
    const char *navn;
    int32_t Data::*felt;
};
const Bryter BRYTERE[] = {
    {"LandXML", &Data::lagXmlFil},
    {"Etikettfil", &Data::lagEtikettfil},
    {"Koordinatfil", &Data::lagXyzFil},
    {"Symbologi-fra-tema", &Data::symbologiFraTema},
    {"Kurver-som-linjer", &Data::kurverSomLinjer},
    {"Typebokstav-i-niva", &Data::nivaaMedTypebokstav},
    {"Hopp-over-linjer-uten-hoyde", &Data::hoppOverLinjerUtenHoyde},
    {"Hoyder", &Data::lagreNOH},
    {"Vis-underveis", &Data::visUnderveis},
    {"Lag-manglende-features", &Data::lagManglendeFeatures},
};

class ZvZeraInnstillingTest : public ZvZeraStartTest {
  protected:
    void SetUp() override
    {
        ZvZeraStartTest::SetUp();
        for (const char *d : {"zer", "out", "tmp"})
            fs::create_directories(path(d));
        define("ZVZERA_TEMP", path("tmp") + "/");
        writeFile("tema.tem", "Fastmerke;2101;HDB;P;2101;3;0;0;0;0;0;KRYSS;1;1;0\n"
                              "Kystkontur;3001;KYS;L;3001;2;1;0;0;0;0;KRYSS;1;1;0 !Kyst #KYST B 1 1\n");
        DPoint3d origo{0, 0, 0};
        ASSERT_EQ(mdlhost_dgnCreateFile(path("seed3d.dgn").c_str(), 1, 1000.0, "m", &origo), 0);
        // A point, a curve with heights and one without.
        writeFile("zer/a.zer", ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n"
                               "...ENHET 0.01\n..ZERA-NIV\xC5 3\n"
                               ".PUNKT 1:\n..PTEMA 2101\n..N\xD8H\n660010000 50010000 1234\n"
                               ".KURVE 2:\n..LTEMA 3001\n..N\xD8H\n660000000 50000000 1000\n"
                               "660001000 50001000 1000\n660002000 50000500 1000\n"
                               ".KURVE 3:\n..LTEMA 3001\n..N\xD8\n660003000 50000000\n"
                               "660004000 50001000\n660005000 50000500\n.SLUTT\n");
    }
    void TearDown() override
    {
        // A job leaves its last design open.
        mdlhost_closeDesignFile();
        ZvZeraStartTest::TearDown();
    }
    // The job-file lines that set every switch to 0 but the one named.
    static std::string brytere(const std::string &paa)
    {
        std::string t;
        for (const Bryter &b : BRYTERE)
            t += std::string(b.navn) + ": " + (paa == b.navn ? "1" : "0") + "\n";
        return t;
    }
    // A batch job through the host as a user starts it; its report.
    std::string kjor(const std::string &jobb)
    {
        writeFile("job.txt", jobb);
        std::remove(path("rep.txt").c_str());
        keyin("mdl load zvzera USER -i" + path("job.txt") + " -i" + path("rep.txt"));
        mdlhost_processQueue();
        return readAll(path("rep.txt"));
    }
    std::string importJobb(const std::string &linjer)
    {
        return "Type: IMPORT\nTemafil: " + path("tema.tem") + "\nSeedfil: " + path("seed3d.dgn") +
               "\nBrytere-import: 0 0 0 0 0 2\n" + linjer + "ZERA-dir: " + path("zer") + "\nDGN-dir: " +
               path("out") + "\nFilnavn: * a.zer\n";
    }
    std::string eksportJobb(const std::string &linjer)
    {
        return "Type: EKSPORT\nTemafil: " + path("tema.tem") + "\nBrytere-eksport: 0 0 0 0 0 0 0\n" + linjer +
               "DGN-dir: " + path("out") + "\nZERA-dir: " + path("zer") + "\nFilnavn: a.dgn ut.zer\n";
    }
};

// Each switch, set by its job-file key or by the keyin before the job,
// changes what the batch import writes, or reaches the record it keeps.
TEST_F(ZvZeraInnstillingTest, EverySwitchReachesTheRunByItsJobKeyAndByTheKeyin)
{
    const uint32_t NIVAA = COLOR_BYLEVEL;
    const std::vector<Element> grunn = {
        {LINE_ELM, "2101", NIVAA}, {CURVE_ELM, "3001", NIVAA}, {CURVE_ELM, "3001", NIVAA}};
    struct Tilfelle {
        const char *navn;
        std::vector<Element> forventet; // the design's elements
        const char *fil;                // a file the run writes, or null
        const char *innhold;            // a text in it
    } tilfeller[] = {
        {"LandXML", grunn, "zer/a.xml", "LandXML"},
        {"Etikettfil", grunn, "out/a.drv", "lbl{"},
        {"Koordinatfil", grunn, "out/a.xyz", "660"},
        {"Symbologi-fra-tema", {{LINE_ELM, "2101", 3}, {CURVE_ELM, "3001", 2}, {CURVE_ELM, "3001", 2}}, nullptr, ""},
        {"Kurver-som-linjer",
         {{LINE_ELM, "2101", NIVAA}, {LINE_STRING_ELM, "3001", NIVAA}, {LINE_STRING_ELM, "3001", NIVAA}}, nullptr, ""},
        {"Typebokstav-i-niva",
         {{LINE_ELM, "2101P", NIVAA}, {CURVE_ELM, "3001L", NIVAA}, {CURVE_ELM, "3001L", NIVAA}}, nullptr, ""},
        {"Hopp-over-linjer-uten-hoyde", {{LINE_ELM, "2101", NIVAA}, {CURVE_ELM, "3001", NIVAA}}, nullptr, ""},
        {"Vis-underveis", grunn, nullptr, ""},
        {"Lag-manglende-features", grunn, nullptr, ""},
    };
    for (bool medKeyin : {false, true}) {
        for (const Tilfelle &t : tilfeller) {
            // A job draws only when its own file asks for it.
            if (medKeyin && strcmp(t.navn, "Vis-underveis") == 0)
                continue;
            SCOPED_TRACE(std::string(t.navn) + (medKeyin ? " by the keyin" : " by the job key"));
            for (const char *f : {"zer/a.xml", "out/a.drv", "out/a.xyz"})
                std::remove(path(f).c_str());
            std::string linjer = brytere(medKeyin ? "" : t.navn);
            if (medKeyin) {
                // Set before the job, kept in the settings the job starts from.
                std::string utenDenne;
                for (const Bryter &b : BRYTERE)
                    if (strcmp(b.navn, t.navn) != 0)
                        utenDenne += std::string(b.navn) + ": 0\n";
                linjer = utenDenne;
                keyin("mdl load zvzera");
                keyin(std::string("zvzera set ") + t.navn + " 1");
                keyin("zvzera avslutt");
                mdlhost_processQueue();
            }
            std::string r = kjor(importJobb(linjer));
            EXPECT_NE(r.find("\n1 ZERA-filer er importert"), std::string::npos) << r;
            EXPECT_EQ(elementer(path("out/a.dgn")), t.forventet);
            for (const char *f : {"zer/a.xml", "out/a.drv", "out/a.xyz"}) {
                bool skal = t.fil != nullptr && strcmp(f, t.fil) == 0;
                EXPECT_EQ(fs::exists(path(f)), skal) << f;
                if (skal) {
                    EXPECT_NE(readAll(path(f)).find(t.innhold), std::string::npos) << readAll(path(f));
                }
            }
            if (t.fil != nullptr && strcmp(t.fil, "zer/a.xml") == 0) {
                EXPECT_NE(r.find("LandXML-fil : " + path("zer") + "\\a.xml\n"), std::string::npos) << r;
            }
            // The job's settings are kept for the next start.
            // (A start takes the heights switch from the design open then.)
            keyin("mdl load zvzera");
            for (const Bryter &b : BRYTERE) {
                if (b.felt != &Data::lagreNOH) {
                    EXPECT_EQ(record()->*b.felt, strcmp(b.navn, t.navn) == 0 ? 1 : 0) << b.navn;
                }
            }
            keyin("zvzera avslutt");
            mdlhost_processQueue();
        }
    }
}

// Heights of 0 are written by the export as the switch says.
TEST_F(ZvZeraInnstillingTest, TheHeightSwitchDecidesHowTheExportWritesHeightsOfZero)
{
    // Road lines (no height theme): one at height 0, one at 5 m.
    writeFile("tema.tem", "Veg;7001;VSI;L;7001;4;1;0;0;0;0;KRYSS;1;1;0\n");
    writeFile("zer/a.zer", ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n"
                           "...ENHET 0.01\n..ZERA-NIV\xC5 3\n"
                           ".KURVE 1:\n..LTEMA 7001\n..N\xD8\n660003000 50000000\n660004000 50001000\n"
                           ".KURVE 2:\n..LTEMA 7001\n..N\xD8H\n660000000 50000000 500\n660001000 50001000 500\n"
                           ".SLUTT\n");
    ASSERT_NE(kjor(importJobb(brytere(""))).find("\n1 ZERA-filer er importert"), std::string::npos);
    for (bool paa : {true, false}) {
        SCOPED_TRACE(paa);
        std::string r = kjor(eksportJobb(brytere(paa ? "Hoyder" : "")));
        EXPECT_NE(r.find("\n1 ZERA-filer er eksportert"), std::string::npos) << r;
        // The line at height 0, in the standard header's set (IBM865: 0x9D).
        std::string zera = readAll(path("zer/ut.zer"));
        std::string linje = zera.substr(std::min(zera.find(" 1:\n"), zera.size()));
        std::string hode = linje.substr(0, linje.find("\n6600"));
        EXPECT_EQ(hode.substr(hode.rfind('\n') + 1), paa ? "..N\x9DH" : "..N\x9D") << zera;
    }
}

// The keyin names what it did, and refuses a name or value it does not
// know without changing anything.
TEST_F(ZvZeraInnstillingTest, TheKeyinSetsEachSwitchAndNamesWhatItRefuses)
{
    keyin("mdl load zvzera");
    for (const Bryter &b : BRYTERE) {
        SCOPED_TRACE(b.navn);
        for (const char *v : {"1", "0"}) {
            keyin(std::string("zvzera set ") + b.navn + " " + v);
            EXPECT_EQ(record()->*b.felt, v[0] - '0');
            EXPECT_TRUE(saw(std::string("zvzera set ") + b.navn + " " + v)) << text();
        }
    }
    struct Tilfelle {
        const char *keyin, *melding;
    } avvist[] = {
        {"zvzera set landxml 2", "zvzera set landxml: verdien er 0 eller 1, ikke \"2\""},
        {"zvzera set LandXML", "zvzera set LandXML: verdien er 0 eller 1, ikke \"\""},
        {"zvzera set LandXML 1 2", "zvzera set LandXML: verdien er 0 eller 1, ikke \"1\""},
        {"zvzera set Farge 1", "zvzera set: ukjent innstilling \"Farge\"; innstillingene er LandXML, Etikettfil, "
                               "Koordinatfil, Symbologi-fra-tema, Kurver-som-linjer, Typebokstav-i-niva, "
                               "Hopp-over-linjer-uten-hoyde, Hoyder, Vis-underveis, Lag-manglende-features"},
    };
    for (const Tilfelle &t : avvist) {
        SCOPED_TRACE(t.keyin);
        mdlhost_clearTextWindow();
        keyin(t.keyin);
        EXPECT_TRUE(saw(t.melding)) << text();
        EXPECT_EQ(record()->lagXmlFil, 0);
    }
    keyin("zvzera set landxml 1");
    EXPECT_EQ(record()->lagXmlFil, 1) << "the name without case";
    keyin("zvzera avslutt");
    mdlhost_processQueue();

    // A job-file value other than 0 or 1 is named with its line.
    std::string r = kjor(importJobb("Kurver-som-linjer: ja\n"));
    EXPECT_NE(r.find("\nFeil! Kurver-som-linjer tar 0 eller 1, ikke 'ja' (linje 5 i filen: " + path("job.txt") + ")\n"),
              std::string::npos)
        << r;
}

} // namespace

// ---- a theme-table template that carries a round trip -------------------------------

// Object types without themes, one of them in two group kinds, and a
// contour with its theme: scanned into a template by a job, imported with
// it and exported with the level check, each object type comes back, on a
// level of its own in the design.
TEST_F(ZvZeraInnstillingTest, ATemplateFromTheScanCarriesEveryObjectTypeThereAndBack)
{
    writeFile("zer/o.zer", ".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n"
                           "...ENHET 0.01\n..ZERA-NIV\xC5 3\n"
                           ".KURVE 1:\n..OBJTYPE Grenselinje\n..N\xD8\n660000000 50000000\n660001000 50001000\n"
                           "660002000 50000500\n"
                           ".KURVE 2:\n..OBJTYPE Gjerde\n..N\xD8\n660003000 50000000\n660004000 50001000\n"
                           "660005000 50000500\n"
                           ".LINJE 3:\n..OBJTYPE Gjerde\n..N\xD8\n660006000 50000000\n660007000 50001000\n"
                           ".PUNKT 4:\n..OBJTYPE Kum\n..N\xD8\n660008000 50008000\n"
                           ".KURVE 5:\n..OBJTYPE Hoydekurve\n..LTEMA 2001\n..H\xD8YDE 120\n..N\xD8\n"
                           "660010000 50000000\n660011000 50001000\n660012000 50000500\n.SLUTT\n");
    std::string skann = kjor("Type: SKANN\nTemamal: " + path("o.tem") + "\nZERA-dir: " + path("zer") +
                             "\nFilnavn: o.zer\n");
    EXPECT_NE(skann.find("\n1 ZERA-filer er skannet til temamalen " + path("o.tem") + ".\n"), std::string::npos)
        << skann;
    EXPECT_NE(skann.find("Loggfil     : " + path("o.log") + "\n"), std::string::npos) << skann;
    EXPECT_TRUE(fs::exists(path("o.log")));
    std::string mal = readAll(path("o.tem"));
    // One row per object type and data type, each on a level of its own.
    std::vector<std::string> rader;
    std::stringstream s(mal);
    for (std::string linje; std::getline(s, linje);) {
        if (linje.empty() || linje[0] != '\t')
            continue;
        // Object type, theme, FKB group, data type and level.
        size_t slutt = 0;
        for (int felt = 0; felt < 5 && slutt != std::string::npos; felt++)
            slutt = linje.find('\t', slutt + 1);
        rader.push_back(linje.substr(0, slutt));
    }
    EXPECT_EQ(rader, (std::vector<std::string>{"\tGrenselinje\t0\tFKB\tL\tGrenselinje", "\tGjerde\t0\tFKB\tL\tGjerde",
                                               "\tKum\t0\tFKB\tP\tKum", "\tHoydekurve\t2001\tHDB\tL\t2001"}))
        << mal;

    // The keyin that names the files makes the same rows.
    keyin("mdl load zvzera");
    keyin("zvzera lag temafil " + path("k.tem") + " " + path("zer") + "\\o.zer");
    std::string k = readAll(path("k.tem"));
    EXPECT_EQ(k.substr(k.find("\n!\n")), mal.substr(mal.find("\n!\n")));
    keyin("zvzera avslutt");
    mdlhost_processQueue();

    std::string inn = kjor("Type: IMPORT\nTemafil: " + path("o.tem") + "\nSeedfil: " + path("seed3d.dgn") +
                           "\nBrytere-import: 0 0 0 0 0 2\n" + brytere("") + "ZERA-dir: " + path("zer") +
                           "\nDGN-dir: " + path("out") + "\nFilnavn: * o.zer\n");
    EXPECT_NE(inn.find("\n1 ZERA-filer er importert"), std::string::npos) << inn;
    std::vector<std::string> nivaaer;
    for (const Element &e : elementer(path("out/o.dgn")))
        nivaaer.push_back(e.nivaa);
    EXPECT_EQ(nivaaer, (std::vector<std::string>{"Grenselinje", "Gjerde", "Gjerde", "Kum", "2001"}));

    std::string ut = kjor("Type: EKSPORT\nTemafil: " + path("o.tem") + "\nBrytere-eksport: 1 0 0 0 0 0 0\n" +
                          brytere("") + "DGN-dir: " + path("out") + "\nZERA-dir: " + path("zer") +
                          "\nFilnavn: o.dgn ut.zer\n");
    EXPECT_NE(ut.find("\n5 ZERA-elementer er skrevet, 0 er utelatt.\n"), std::string::npos) << ut;
    std::string zera = readAll(path("zer/ut.zer"));
    std::vector<std::string> objekttyper;
    for (size_t p = zera.find("..OBJTYPE "); p != std::string::npos; p = zera.find("..OBJTYPE ", p + 1))
        objekttyper.push_back(zera.substr(p + 10, zera.find('\n', p) - p - 10));
    EXPECT_EQ(objekttyper, (std::vector<std::string>{"Grenselinje", "Gjerde", "Gjerde", "Kum", "Hoydekurve"})) << zera;
    EXPECT_NE(zera.find("..LTEMA 2001\n"), std::string::npos) << zera;
}

// A user's session without a screen, each step a fresh host process on a
// design it opens by keyin: two ZERA files imported as a list into an
// opened design, the whole design exported, the content of a fence placed
// by points exported at level 2, and a geometry command whose result a data
// point locates.
TEST_F(ZvZeraStartTest, KeyinsDriveTheCommandsOnADesignOpenedInAFreshProcess)
{
    for (const char *d : {"zer", "dgn", "ut", "tmp"})
        fs::create_directories(path(d));
    writeFile("tema.tem", "Kystkontur;3001;KYS;L;3001;2;1;0;0;0;0;KRYSS;1;1;0\n");
    const std::string hode = ".HODE\n..TEGNSETT ISO8859-1\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
                             "..ZERA-NIV\xC5 2\n";
    writeFile("zer/vest.zer", hode + ".KURVE 1:\n..LTEMA 3001\n..N\xD8H\n660000000 50000000 1000\n"
                                     "660001000 50001000 1000\n.SLUTT\n");
    // A ring whose ends meet: the closing command makes it a shape.
    writeFile("zer/ost.zer", hode + ".KURVE 1:\n..LTEMA 3001\n..N\xD8H\n660100000 50100000 0\n"
                                    "660100000 50102000 0\n660102000 50102000 0\n660100000 50100000 0\n.SLUTT\n");
    DPoint3d origo{0, 0, 0};
    ASSERT_EQ(mdlhost_dgnCreateFile(path("dgn/kart.dgn").c_str(), 1, 1000.0, "m", &origo), 0);
    writeFile("host.cfg", "MS_USERPREF = " + path("prefs/user.upf") + "\nZV_DIR = " + dir_ +
                              "/\nZVZERA_TEMP = " + path("tmp") + "/\n");
    auto run = [&](const std::string &name, const std::vector<std::string> &keyins) {
        std::string script = "mdl load zvzera\nanswer file " + path("tema.tem") + "\nzvzera velg temafil\n" +
                             "design open " + path("dgn/kart.dgn") + "\n";
        for (const std::string &k : keyins)
            script += k + "\n";
        writeFile(name + ".txt", script + "zvzera avslutt\nexit\n");
        std::string cmd = "env -u MS_MDL -u MDLHOST_ECHO '" MDLHOST_PROGRAM "' -c '" + path("host.cfg") + "' -s '" +
                          path(name + ".txt") + "' >'" + path(name + ".out") + "' 2>'" + path(name + ".err") + "'";
        int raw = std::system(cmd.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    // Lines and curves written (a curve of two points comes back as a line).
    auto kurver = [&](const std::string &fil) {
        std::string t = readAll(path(fil));
        size_t n = 0;
        for (const char *gruppe : {"\n.KURVE ", "\n.LINJE "})
            for (size_t at = t.find(gruppe); at != std::string::npos; at = t.find(gruppe, at + 1))
                n++;
        return n;
    };

    ASSERT_EQ(run("import", {"answer filelist " + path("zer/vest.zer") + ";" + path("zer/ost.zer"),
                             "zvzera import liste"}),
              0)
        << readAll(path("import.err"));

    ASSERT_EQ(run("alt", {"answer file " + path("ut/alt.zer"), "answer modal 3 ok", "zvzera eksport"}), 0)
        << readAll(path("alt.err"));
    EXPECT_EQ(kurver("ut/alt.zer"), 2u) << readAll(path("ut/alt.zer"));

    ASSERT_EQ(run("gjerde", {"fence points 499990,6599990 500020,6599990 500020,6600020 499990,6600020",
                             "answer file " + path("ut/gjerde.zer"),
                             "answer modal 3 set Text 14 2; set ToggleButton 15 1; ok", "zvzera eksport"}),
              0)
        << readAll(path("gjerde.err"));
    std::string gjerde = readAll(path("ut/gjerde.zer"));
    EXPECT_EQ(kurver("ut/gjerde.zer"), 1u) << gjerde;
    EXPECT_NE(gjerde.find("6600000000 500000000"), std::string::npos) << gjerde; // the design's resolution, mm

    // The ring as imported, then as the closing command leaves it: a closed
    // complex shape.
    ASSERT_EQ(run("lukk", {"point 501000,6601010", "answer modal 7 set ToggleButton 2 1; ok",
                           "zvzera lukk til flater", "point 501000,6601010"}),
              0)
        << readAll(path("lukk.err"));
    std::string lukk = readAll(path("lukk.out"));
    size_t for_ = lukk.find("Located element of type 11 at position");
    EXPECT_NE(for_, std::string::npos) << lukk;
    EXPECT_NE(lukk.find("Located element of type 14 at position", for_), std::string::npos) << lukk;
}

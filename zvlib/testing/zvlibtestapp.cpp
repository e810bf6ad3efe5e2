// A small application that uses the library as a real one does, built twice
// (ZVLIBTESTA and ZVLIBTESTB) against ZvZeraMS.  Loaded by the host, it
// registers with the library, opens its preference file and answers keyins
// "<WORD> ASK file", "<WORD> SHOW", "<WORD> NAME" and "<WORD> CROSS task",
// writing what the library gave it onto the text window for the test.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "mdlhost.h"
#include "zvliberror.h"
#include "zvlibmain.h"
#include "zvlibtext.h"
#include "zvlibupf.h"

#ifndef TESTAPP_SELF
#error "TESTAPP_SELF names the application"
#endif

namespace {

constexpr int OWN_LIST = 1;   // the application's own message list
constexpr int ASK_ENTRY = 1;  // "Lagre %s?"
constexpr int ASK_STYLE = 296; // type 8, two buttons
constexpr int FILE_DIALOG = 3001;
constexpr unsigned SETTINGS_TYPE = MDLHOST_RTYPE('Z', 'v', 'T', 's');
constexpr long SETTINGS_ID = 1;

struct Settings {
    int32_t saves;
    char note[64];
};

const char *upfName()
{
    const char *n = zvlibUpf_getUpfFileName();
    return n != nullptr ? n : "(closed)";
}

// "ASK file": asks, and on yes remembers the file and counts the save.
int askCommand(char *unparsed)
{
    int answer = zvlibError_rscMsgBoxPrintf(ASK_STYLE, OWN_LIST, ASK_ENTRY, unparsed);
    toolSubsystem_printf("%s ask %d\n", TESTAPP_SELF, answer);
    if (answer != ZVLIB_BOX_FIRST)
        return 0;
    Settings s{};
    if (zvlibUpf_load(SETTINGS_TYPE, SETTINGS_ID, &s, sizeof s) != 0)
        s = Settings{};
    s.saves++;
    zvlib::copyText(s.note, unparsed);
    int named = zvlibUpf_saveFileName(unparsed, zvlibUpf_getHandle(), FILE_DIALOG);
    int stored = zvlibUpf_save(SETTINGS_TYPE, SETTINGS_ID, &s, sizeof s);
    toolSubsystem_printf("%s stored name=%d settings=%d\n", TESTAPP_SELF, named, stored);
    return 0;
}

// "SHOW": the stored settings, and the file the open dialog offers.
int showCommand(char *)
{
    Settings s{};
    if (zvlibUpf_load(SETTINGS_TYPE, SETTINGS_ID, &s, sizeof s) == 0)
        toolSubsystem_printf("%s settings saves=%d note=%s\n", TESTAPP_SELF, int(s.saves), s.note);
    else
        toolSubsystem_printf("%s settings none\n", TESTAPP_SELF);
    char path[MDLHOST_MAXFILELENGTH] = "";
    if (zvlibUpf_defFileOpen(path, nullptr, "*.txt", "", "Open", FILE_DIALOG) == ACTIONBUTTON_OK)
        toolSubsystem_printf("%s offered %s\n", TESTAPP_SELF, path);
    else
        toolSubsystem_printf("%s offered nothing\n", TESTAPP_SELF);
    return 0;
}

int nameCommand(char *)
{
    toolSubsystem_printf("%s name=%s upf=%s\n", TESTAPP_SELF, zvlibMain_getApplicationName(), upfName());
    return 0;
}

// Another application's exported function, found through its load file.
MdlFunctionP exportedBy(MdlDesc *desc, const char *name)
{
    char local[MDLHOST_MAXFILELENGTH];
    void *h = dlopen(mdlhost_mapPath(local, sizeof local, mdlResource_getApplLoadFile(desc)), RTLD_NOW | RTLD_NOLOAD);
    if (h == nullptr)
        return nullptr;
    auto fn = reinterpret_cast<MdlFunctionP>(dlsym(h, name));
    dlclose(h); // only drops the reference NOLOAD took
    return fn;
}

// "CROSS task": the other application's code asks the library who it is,
// then this one asks again.
int crossCommand(char *unparsed)
{
    char task[MDLHOST_MAXTASKID + 1] = "";
    sscanf(unparsed, "%31s", task);
    MdlDesc *other = mdlSystem_findMdlDesc(task);
    MdlFunctionP fn = other != nullptr ? exportedBy(other, "ZvlibTestApp_whoAmI") : nullptr;
    if (fn == nullptr) {
        toolSubsystem_printf("%s cross: %s not found\n", TESTAPP_SELF, task);
        return 0;
    }
    char self[] = TESTAPP_SELF;
    dlmSystem_callAnyFunction(other, fn, "P", self);
    toolSubsystem_printf("%s back name=%s upf=%s\n", TESTAPP_SELF, zvlibMain_getApplicationName(), upfName());
    return 0;
}

const MdlCommandNumber commandNumbers[] = {
    {askCommand, 0x02000100},
    {showCommand, 0x02000200},
    {nameCommand, 0x02000300},
    {crossCommand, 0x02000400},
    {nullptr, 0},
};

} // namespace

extern "C" __attribute__((visibility("default"))) int ZvlibTestApp_whoAmI(char *caller)
{
    toolSubsystem_printf("%s called by %s name=%s upf=%s\n", TESTAPP_SELF, caller, zvlibMain_getApplicationName(),
                         upfName());
    return 0;
}

extern "C" __attribute__((visibility("default"))) int MdlMain(int argc, char *argv[])
{
    int rc = zvlibMain_initZvLib(TESTAPP_SELF, argc, argv);
    toolSubsystem_printf("%s init %d\n", TESTAPP_SELF, rc);
    if (rc != 0)
        return rc;
    ZvHandle handle{};
    rc = zvlibUpf_open(&handle, TESTAPP_SELF "_UPF", TESTAPP_SELF ".upf");
    toolSubsystem_printf("%s upf %d %s\n", TESTAPP_SELF, rc, upfName());
    mdlSystem_registerCommandNumbers(commandNumbers);
    if (mdlParse_loadCommandTable(nullptr) == nullptr)
        toolSubsystem_printf("%s no command table\n", TESTAPP_SELF);
    return 0;
}

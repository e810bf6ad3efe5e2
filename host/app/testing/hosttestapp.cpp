// A small application for the frame's tests, built twice (HOSTTESTA and
// HOSTTESTB).  It writes what it sees onto the text window: its own name
// (TESTAPP_SELF) beside the host's current task, so a test can tell which
// application's code ran with which application current.
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

#include "app/mdlapp.h"
#include "sys/mdlsys.h"

#ifndef TESTAPP_SELF
#error "TESTAPP_SELF names the application"
#endif

namespace {

int refuseUnload = 0;

const char *current() { return mdlSystem_getCurrTaskID(1); }

int echoCommand(char *unparsed)
{
    toolSubsystem_printf("%s echo [%s] current=%s cmd=0x%08X\n", TESTAPP_SELF, unparsed, current(),
                         unsigned(*mdlCommandNumberP));
    return 0;
}

// Another application's exported function, found through the file it was
// loaded from.
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

// "call TASK DEPTH": ping-pong through the dispatcher.
int callCommand(char *unparsed)
{
    char task[MDLHOST_MAXTASKID + 1] = "";
    int depth = 0;
    sscanf(unparsed, "%31s %d", task, &depth);
    MdlDesc *other = mdlSystem_findMdlDesc(task);
    MdlFunctionP fn = other ? exportedBy(other, "HostTestApp_nested") : nullptr;
    if (fn == nullptr) {
        toolSubsystem_printf("%s call: %s not found\n", TESTAPP_SELF, task);
        return 0;
    }
    char self[] = TESTAPP_SELF;
    dlmSystem_callAnyFunction(other, fn, "PI", self, depth);
    toolSubsystem_printf("%s back current=%s\n", TESTAPP_SELF, current());
    return 0;
}

int timerFired(void *arg, int)
{
    toolSubsystem_printf("%s timer %s current=%s tick=%ld\n", TESTAPP_SELF, static_cast<const char *>(arg), current(),
                         mdlSystem_getTicks());
    return 0;
}

int timerCommand(char *unparsed)
{
    static char label[] = "fired";
    mdlSystem_setTimerFunction(nullptr, atol(unparsed), reinterpret_cast<MdlFunctionP>(timerFired), label, 0);
    return 0;
}

int exitCommand(char *)
{
    int rc = mdlSystem_exit(0, 1);
    toolSubsystem_printf("%s exit returned %d current=%s\n", TESTAPP_SELF, rc, current());
    return 0;
}

int refuseCommand(char *unparsed)
{
    refuseUnload = atoi(unparsed);
    return 0;
}

int queueCommand(char *unparsed) { return mdlInput_sendKeyin(unparsed, 0, 0, nullptr); }

int unloadMeCommand(char *) { return mdlDialog_cmdNumberQueue(0, MDLHOST_CMD_UNLOAD, mdlSystem_getCurrTaskID(1), 1); }

int unloadNowCommand(char *)
{
    int rc = mdlSystem_unloadMdlProgram(TESTAPP_SELF);
    toolSubsystem_printf("%s unload asked %d, still running current=%s\n", TESTAPP_SELF, rc, current());
    return 0;
}

int helloCommand(char *unparsed)
{
    toolSubsystem_printf("%s hello [%s] current=%s\n", TESTAPP_SELF, unparsed, current());
    return 0;
}

int unloadHook(int reason)
{
    toolSubsystem_printf("%s unload reason=%d current=%s\n", TESTAPP_SELF, reason, current());
    return refuseUnload;
}

int newDesignHook(char *file, int state)
{
    toolSubsystem_printf("%s newdesign %s %d current=%s\n", TESTAPP_SELF, file, state, current());
    return 0;
}

const MdlCommandNumber commandNumbers[] = {
    {echoCommand, 0x01000100},     {echoCommand, 0x01000101},      {callCommand, 0x01000200},
    {timerCommand, 0x01000300},    {exitCommand, 0x01000400},      {refuseCommand, 0x01000500},
    {queueCommand, 0x01000600},    {unloadMeCommand, 0x01000700},  {unloadNowCommand, 0x01000800},
    {nullptr, 0},
};

const MdlCommandName commandNames[] = {{helloCommand, "HostTestHello"}, {nullptr, nullptr}};

} // namespace

extern "C" __attribute__((visibility("default"))) int HostTestApp_nested(char *caller, int depth)
{
    toolSubsystem_printf("%s nested depth=%d current=%s\n", TESTAPP_SELF, depth, current());
    if (depth > 0) {
        MdlDesc *back = mdlSystem_findMdlDesc(caller);
        MdlFunctionP fn = back ? exportedBy(back, "HostTestApp_nested") : nullptr;
        char self[] = TESTAPP_SELF;
        if (fn)
            dlmSystem_callAnyFunction(back, fn, "PI", self, depth - 1);
        toolSubsystem_printf("%s after depth=%d current=%s\n", TESTAPP_SELF, depth, current());
    }
    return depth;
}

extern "C" __attribute__((visibility("default"))) int MdlMain(int argc, char *argv[])
{
    toolSubsystem_printf("%s MdlMain argc=%d current=%s pn=%d\n", TESTAPP_SELF, argc, current(),
                         mdlSystem_getProcessNumberFromMdlDesc(mdlSystem_getCurrMdlDesc()));
    for (int i = 0; i < argc; i++)
        toolSubsystem_printf("%s argv[%d]=%s\n", TESTAPP_SELF, i, argv[i]);
    mdlSystem_setMdlAppVersionNumber(nullptr, 8 | 5 << 8 | 2 << 16 | 70 << 24);
    mdlSystem_registerCommandNumbers(commandNumbers);
    mdlSystem_registerCommandNames(commandNames);
    if (mdlParse_loadCommandTable(nullptr) == nullptr)
        toolSubsystem_printf("%s no command table\n", TESTAPP_SELF);
    mdlSystem_setFunction(MDLHOST_HOOK_UNLOAD, reinterpret_cast<MdlFunctionP>(unloadHook));
    mdlSystem_setFunction(MDLHOST_HOOK_NEWDESIGNFILE, reinterpret_cast<MdlFunctionP>(newDesignHook));
    return 0;
}

// Small services for every application: language texts, text conversion,
// string helpers, date and time, hour glass, token lists, web browser.
#include "zvlibutil.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "mdlhost.h"
#include "zvliberror.h"
#include "zvlibmain.h"
#include "zvlibtext.h"

namespace {

constexpr int LANG_LIST = 20007;
constexpr int FIRST_MONTH_TEXT = 2;
constexpr int FIRST_WEEKDAY_TEXT = 14;
constexpr int MANUAL_SUFFIX_TEXT = 61;
constexpr int MSG_LIST = 20005;
constexpr int BROWSER_MISSING = 19;
constexpr int DRAFT_ONLY = 20;
constexpr int BOX_STYLE = 17;
constexpr int LANG_TEXT_LEN = 1024;
constexpr int KEYIN_LEN = 2 * MDLHOST_MAXFILELENGTH + 64;
constexpr int TOKEN_GROWTH = 20;
constexpr long HOURGLASS_TICKS = 30;
const char *const SPINNER[] = {"|", "/", "-", "\\"};
constexpr int SPINNER_STEPS = sizeof(SPINNER) / sizeof(SPINNER[0]);

// Hour-glass state for code that runs outside a registered application.
int looseHourGlassTick = 0;
int looseHourGlassStep = 0;

bool cfgDefined(const char *name)
{
    char value[ZVLIB_CFGVALUE_LEN];
    return mdlSystem_getCfgVar(value, name, sizeof value) == 0;
}

int sendBrowse(const char *kind, const char *target)
{
    if (target == nullptr)
        return -1;
    if (mdlSystem_findMdlDesc("WEBBROWS") == nullptr && mdlSystem_loadMdlProgram("WEBBROWS", nullptr, "") != 0)
        zvlibError_rscMsgBoxPrintf(BOX_STYLE, MSG_LIST, BROWSER_MISSING);
    char keyin[KEYIN_LEN];
    int n = snprintf(keyin, sizeof keyin, "browse %s %s", kind, target);
    // A cut target would open some other page.
    if (n < 0 || size_t(n) >= sizeof keyin)
        return -1;
    return mdlInput_sendKeyin(keyin, 0, 0, nullptr);
}

void freeTokens(char **list, int count)
{
    for (int i = 0; i < count; i++)
        dlmSystem_mdlFree(list[i]);
    dlmSystem_mdlFree(list);
}

} // namespace

const char *zvlibUtil_getLanguageText(int n)
{
    static char text[LANG_TEXT_LEN];
    // Taken raw: formatting without arguments would read missing ones for any '%'.
    if (mdlResource_loadFromStringList(text, sizeof text, nullptr, LANG_LIST, n) != 0)
        text[0] = '\0';
    return text;
}

const char16_t *zvlibUtil_convertToUnicodeText(const char *text)
{
    static char16_t wide[ZVLIB_CONVERT_LEN];
    wide[0] = 0;
    if (text != nullptr)
        mdlCnv_convertMultibyteToUnicode(text, -1, wide, ZVLIB_CONVERT_LEN);
    return wide;
}

const char *zvlibUtil_convertToMultibyteText(const char16_t *text)
{
    static char mb[ZVLIB_CONVERT_LEN];
    mb[0] = '\0';
    if (text != nullptr)
        mdlCnv_convertUnicodeToMultibyte(text, -1, mb, ZVLIB_CONVERT_LEN);
    return mb;
}

int zvlibUtil_angleIn2Or3Quadrant(double angle)
{
    double c = std::cos(angle);
    double s = std::sin(angle);
    return ((c < -0.0001 && s > 0) || (c <= 0.0001 && s < 0)) ? 1 : 0;
}

char *zvlibUtil_removeSpaces(char *text)
{
    if (text == nullptr)
        return nullptr;
    char *to = text;
    for (const char *from = text; *from != '\0'; from++)
        if (*from != ' ' && *from != '\t')
            *to++ = *from;
    *to = '\0';
    return text;
}

int zvlibUtil_splitText(char *text, char *rest)
{
    // rest may share text's buffer, so it is only written once the cut is known.
    if (text == nullptr) {
        if (rest != nullptr)
            rest[0] = '\0';
        return 0;
    }
    for (char *p = text; *p != '\0'; p++) {
        size_t breakLen = 0;
        if (*p == '\n')
            breakLen = 1;
        else if (*p == '\\' && (p[1] == 'n' || p[1] == 'N'))
            breakLen = 2;
        if (breakLen == 0)
            continue;
        const char *after = p + breakLen;
        int result = *after != '\0' ? 1 : 0;
        if (result && rest != nullptr)
            memmove(rest, after, strlen(after) + 1);
        else if (rest != nullptr && rest != text)
            rest[0] = '\0';
        if (rest != text || !result)
            *p = '\0';
        return result;
    }
    if (rest != nullptr && rest != text)
        rest[0] = '\0';
    return 0;
}

int zvlibUtil_getDateAndTime(int *year, int *month, int *day, int *hour, int *minute, int *second, int *weekday,
                             char *weekdayName, char *monthName)
{
    time_t now = time(nullptr);
    struct tm t;
    if (localtime_r(&now, &t) == nullptr)
        memset(&t, 0, sizeof t);
    if (year)
        *year = t.tm_year + 1900;
    if (month)
        *month = t.tm_mon + 1;
    if (day)
        *day = t.tm_mday;
    if (hour)
        *hour = t.tm_hour;
    if (minute)
        *minute = t.tm_min;
    if (second)
        *second = t.tm_sec;
    if (weekday)
        *weekday = t.tm_wday;
    if (weekdayName)
        zvlib::copyText(weekdayName, ZVLIB_NAME_LEN, zvlibUtil_getLanguageText(FIRST_WEEKDAY_TEXT + t.tm_wday));
    if (monthName)
        zvlib::copyText(monthName, ZVLIB_NAME_LEN, zvlibUtil_getLanguageText(FIRST_MONTH_TEXT + t.tm_mon));
    return 0;
}

void zvlibUtil_initHourGlass(void)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    int32_t &tick = g ? g->hourGlassTick : looseHourGlassTick;
    tick = int32_t(mdlSystem_getTicks());
}

void zvlibUtil_updateHourGlass(void)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    int32_t &tick = g ? g->hourGlassTick : looseHourGlassTick;
    int32_t &step = g ? g->hourGlassStep : looseHourGlassStep;
    int32_t now = int32_t(mdlSystem_getTicks());
    if (now - tick <= HOURGLASS_TICKS)
        return;
    tick = now;
    // A step from a damaged record must not index past the table.
    if (step < 0 || step >= SPINNER_STEPS)
        step = 0;
    mdlOutput_printf(1, "%s", SPINNER[step]);
    step = (step + 1) % SPINNER_STEPS;
}

int zvlibUtil_runningPowerDraft(void)
{
    if (!cfgDefined("_MSDRAFT"))
        return 0;
    zvlibError_rscMsgBoxPrintf(BOX_STYLE, MSG_LIST, DRAFT_ONLY);
    return 1;
}

int zvlibUtil_mdlExternalNotAvailable(void)
{
    return (cfgDefined("_MSDRAFT") || cfgDefined("_MSPOWERSCOPE") || cfgDefined("_PRJREVIEW")) ? 1 : 0;
}

char **zvlibString_tokenize(int *count, char *text, const char *delimiters)
{
    if (count != nullptr)
        *count = 0;
    if (count == nullptr || text == nullptr || delimiters == nullptr)
        return nullptr;
    char **list = nullptr;
    int n = 0;
    int capacity = 0;
    char *state = nullptr;
    // strtok_r: a caller in its own strtok loop keeps its place.
    for (char *t = strtok_r(text, delimiters, &state); t != nullptr; t = strtok_r(nullptr, delimiters, &state)) {
        if (n == capacity) {
            auto grown = static_cast<char **>(dlmSystem_mdlRealloc(list, sizeof(char *) * (capacity + TOKEN_GROWTH)));
            if (grown == nullptr) {
                freeTokens(list, n);
                return nullptr;
            }
            list = grown;
            capacity += TOKEN_GROWTH;
        }
        size_t len = strlen(t) + 1;
        char *copy = static_cast<char *>(dlmSystem_mdlMalloc(len));
        if (copy == nullptr) {
            freeTokens(list, n);
            return nullptr;
        }
        memcpy(copy, t, len);
        list[n++] = copy;
    }
    *count = n;
    return list;
}

char **zvlibString_tokenize2(int *count, const char *text, const char *delimiters)
{
    if (count != nullptr)
        *count = 0;
    if (count == nullptr || text == nullptr)
        return nullptr;
    size_t len = strlen(text) + 1;
    char *copy = static_cast<char *>(dlmSystem_mdlMalloc(len));
    if (copy == nullptr)
        return nullptr;
    memcpy(copy, text, len);
    char **list = zvlibString_tokenize(count, copy, delimiters);
    dlmSystem_mdlFree(copy);
    return list;
}

void zvlibString_freeTokenList(char **list, int count)
{
    if (list == nullptr || count <= 0)
        return;
    freeTokens(list, count);
}

int zvlibWeb_openFile(const char *path)
{
    return sendBrowse("file", path);
}

int zvlibWeb_openUrl(const char *address)
{
    return sendBrowse("url", address);
}

namespace {

// The root of the manuals: ZV_LOCAL, else ZV_DIR; false when neither is set.
bool helpRoot(char (&root)[MDLHOST_MAXFILELENGTH])
{
    if (mdlSystem_expandCfgVar("$(ZV_LOCAL)", root, sizeof root) == 0 && root[0] != '\0')
        return true;
    return mdlSystem_expandCfgVar("$(ZV_DIR)", root, sizeof root) == 0 && root[0] != '\0';
}

// root + dir + application + language suffix + tail, else the same without
// the suffix.  0, or the find status.
int findHelpFile(char (&found)[MDLHOST_MAXFILELENGTH], const char *root, const char *dir, const char *tail)
{
    const char *appl = zvlibMain_getApplicationName();
    const char *suffixes[] = {zvlibUtil_getLanguageText(MANUAL_SUFFIX_TEXT), ""};
    int status = -1;
    for (const char *suffix : suffixes) {
        char name[MDLHOST_MAXFILELENGTH];
        int n = snprintf(name, sizeof name, "%s%s%s%s%s", root, dir, appl, suffix, tail);
        // A cut name would find some other file.
        status = (n >= 0 && size_t(n) < sizeof name) ? mdlFile_find(found, name, nullptr, nullptr) : -1;
        if (status == 0)
            break;
    }
    return status;
}

// The program that shows compiled help.  This platform has no viewer of
// its own, so the one configured in ZV_CHMVIEWER is used; the Windows
// viewer under SystemRoot only serves where that variable is missing.
// 0, or the find status after a text-window line saying what is missing.
int findHelpViewer(char (&viewer)[MDLHOST_MAXFILELENGTH])
{
    char configured[ZVLIB_CFGVALUE_LEN];
    if (mdlSystem_getCfgVar(configured, "ZV_CHMVIEWER", sizeof configured) == 0 && configured[0] != '\0') {
        if (mdlhost_findProgram(viewer, sizeof viewer, configured) == 0)
            return 0;
        toolSubsystem_printf("Help viewer not found: %s (ZV_CHMVIEWER)\n", configured);
        return -1;
    }
    char systemRoot[MDLHOST_MAXFILELENGTH];
    if (mdlSystem_expandCfgVar("$(SystemRoot)", systemRoot, sizeof systemRoot) != 0 || systemRoot[0] == '\0') {
        toolSubsystem_printf("No help viewer configured: define ZV_CHMVIEWER\n");
        return -1;
    }
    char name[MDLHOST_MAXFILELENGTH];
    int n = snprintf(name, sizeof name, "%s\\hh.exe", systemRoot);
    int status = (n >= 0 && size_t(n) < sizeof name) ? mdlFile_find(viewer, name, nullptr, nullptr) : -1;
    if (status != 0)
        toolSubsystem_printf("Help viewer not found: %s\n", name);
    return status;
}

} // namespace

int zvlibWeb_openApplHelp(void)
{
    char root[MDLHOST_MAXFILELENGTH];
    if (!helpRoot(root))
        return 0;
    char found[MDLHOST_MAXFILELENGTH];
    int status = findHelpFile(found, root, "doc/manual/", "/index.htm");
    if (status != 0)
        return status;
    zvlibWeb_openFile(found);
    return 0;
}

int zvlibWeb_openApplChmHelp(void)
{
    char root[MDLHOST_MAXFILELENGTH];
    if (!helpRoot(root))
        return 0;
    char helpFile[MDLHOST_MAXFILELENGTH];
    int status = findHelpFile(helpFile, root, "help/", ".chm");
    if (status != 0)
        return status;
    char viewer[MDLHOST_MAXFILELENGTH];
    status = findHelpViewer(viewer);
    if (status != 0)
        return status;
    const char *args[] = {helpFile, nullptr};
    return mdlExternal_extStartProgram(nullptr, viewer, args);
}

int zvlibExternal_openFile(const char *path)
{
    if (path == nullptr)
        return -1;
    char keyin[KEYIN_LEN];
    int n = snprintf(keyin, sizeof keyin, "%% %s", path);
    if (n < 0 || size_t(n) >= sizeof keyin)
        return -1;
    return mdlInput_sendKeyin(keyin, 0, 0, nullptr);
}

// Intro box and about box.
//
// Sections: texts and version - the intro box and its timer - hooks.
#include "zvlibintro.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "mdlhost.h"
#include "zvlibelement.h"
#include "zvliberror.h"
#include "zvlibmain.h"
#include "zvlibtext.h"
#include "zvlibutil.h"

namespace {

constexpr int TICKS_PER_SECOND = 60;
constexpr int TEXT_CHARS = ZVLIB_INTRO_TEXT_LEN - 1; // what the about box shows of a name

// Hook ids.
constexpr int HOOK_IMAGE_ZVIM = 20001;
constexpr int HOOK_IMAGE_DRIM = 20208;
constexpr int HOOK_IMAGE_ZVI2 = 20209;
constexpr int HOOK_TITLE_CELL = 20036;
constexpr int HOOK_DIALOG = 20073;
constexpr int HOOK_ABOUT = 20078;
constexpr int HOOK_HOMEPAGE = 20067;
constexpr int HOOK_SUPPORTPAGE = 20206;
constexpr int HOOK_FURTHER = 20207;
constexpr int HOOK_INSTALL = 20082;

// About box labels.
constexpr int LABEL_VERSION = 20013;
constexpr int LABEL_ZVLIB_VERSION = 20032;
constexpr int LABEL_LOAD_FILE = 20027;
constexpr int LABEL_ZVLIB_LOCATION = 20033;
constexpr int LABEL_TEXTS[] = {20000, 20001, 20002, 20003, 20004, 20005, 20006, 20007};
constexpr int LABEL_TEXT_ENTRIES[] = {2, 3, 4, 5, 6, 8, 10, 12};
constexpr int LABEL_FILES[] = {20008, 20009, 20010, 20011};
constexpr int LABEL_FILE_ENTRIES[] = {7, 9, 11, 13};

// Installation program.
constexpr const char *INSTALL_PROGRAM = "install_www.ma";
constexpr int INSTALL_STYLE = 152;
constexpr int QUESTION_LIST = 20003;
constexpr int INSTALL_ENTRY = 12;
constexpr int LANG_INSTALL = 37;
constexpr int LANG_QUESTION_TITLE = 40;
constexpr int BOX_QUESTION = 8;

struct Image {
    int hookId;
    int rscType;
    long rscId;
    int width;
};
constexpr Image IMAGES[] = {
    {HOOK_IMAGE_ZVIM, MDLHOST_FOURCC('Z', 'V', 'I', 'M'), 1, 167},
    {HOOK_IMAGE_DRIM, MDLHOST_FOURCC('D', 'R', 'I', 'M'), 2, 158},
    {HOOK_IMAGE_ZVI2, MDLHOST_FOURCC('Z', 'V', 'I', '2'), 3, 71},
};

constexpr int TITLE_FONT = 43;
constexpr double TITLE_SIZE = 4.0; // master units

// ---- texts and version ------------------------------------------------------

void storeText(zvlibGlobalData *g, int i, const char *text)
{
    if (text != nullptr)
        zvlib::copyText(g->introTexts[i], text);
}

// Two digits for each of the first two version bytes, then the caller's.
void versionText(char *out, size_t size, const char *version)
{
    unsigned v = (unsigned)mdlSystem_getMdlAppVersionNumber();
    snprintf(out, size, "%02u.%02u.%s", v & 0xFFu, (v >> 8) & 0xFFu, version);
}

// ---- the intro box and its timer ---------------------------------------------

int closeIntroBox(void *arg, int timerHandle)
{
    (void)arg;
    if (MSDialog *db = mdlDialog_findByTypeAndId(RTYPE_DialogBox, ZVLIB_INTRO_DIALOG, mdlSystem_getCurrMdlDesc())) {
        mdlWindow_cursorTurnOff(db);
        mdlWindow_close(db);
    }
    mdlSystem_cancelTimer(timerHandle);
    return 0;
}

int showIntroBox(void)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr)
        return 0;
    zvlibMain_updateBeforeDialogOpen(ZVLIB_INTRO_DIALOG);
    if (mdlDialog_open(nullptr, ZVLIB_INTRO_DIALOG) == nullptr)
        return 0;
    if (g->introTimeOut >= 1) {
        // A time-out beyond the tick range waits as long as the host can.
        long limit = LONG_MAX / TICKS_PER_SECOND;
        long ticks = g->introTimeOut > limit ? LONG_MAX : (long)g->introTimeOut * TICKS_PER_SECOND;
        mdlSystem_setTimerFunction(nullptr, ticks, reinterpret_cast<MdlFunctionP>(closeIntroBox), nullptr, 0);
    }
    return 0;
}

// ---- hooks ------------------------------------------------------------------

// An application loaded before any design file draws nothing until one is
// open (its images come with the intro box, which waits for it).
bool mayDraw() { return !zvlibMain_currentAppIsInitApp(); }

template <int N>
void imageHook(DialogItemMessage *dimP)
{
    const Image *image = &IMAGES[N];
    dimP->msgUnderstood = 1;
    switch (dimP->messageType) {
    case DITEM_MESSAGE_CREATE: {
        unsigned attributes = 0;
        if (mdlDialog_itemGetAttributes(&attributes, dimP->db, dimP->itemIndex) == 0)
            mdlDialog_itemSetAttributes(dimP->db, dimP->itemIndex, attributes & ~3u);
        break;
    }
    case DITEM_MESSAGE_DRAW: {
        BSIRect rect;
        if (!mayDraw() || mdlDialog_itemGetExtent(&rect, dimP->db, dimP->itemIndex) != 0)
            break;
        if (rect.corner.x - rect.origin.x > image->width)
            rect.corner.x = rect.origin.x + image->width;
        mdlDialog_rgbImageDraw(dimP->db, &rect, image->rscType, image->rscId, 255, 255, 255);
        break;
    }
    default: dimP->msgUnderstood = 0;
    }
}

// The title as a cell holding one text, fitted into the item.
void titleCellHook(DialogItemMessage *dimP)
{
    if (dimP->messageType != DITEM_MESSAGE_DRAW) {
        dimP->msgUnderstood = 0;
        return;
    }
    dimP->msgUnderstood = 1;
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    BSIRect rect;
    if (g == nullptr || !mayDraw() || mdlDialog_itemGetExtent(&rect, dimP->db, dimP->itemIndex) != 0)
        return;
    DPoint3d origin{0, 0, 0};
    TextSizeParam size{TITLE_SIZE, TITLE_SIZE};
    TextParam params{};
    params.font = mdlFontMgr_fontExists(TITLE_FONT) ? TITLE_FONT : 0;
    params.justification = -1;
    params.aspectRatio = 1.0;
    params.style[0] = params.style[1] = -1;
    MSElement text, header;
    MSElementDescr *dscr = nullptr;
    if (g->introTexts[ZVLIB_INTRO_TITLE][0] == '\0' ||
        mdlText_create(&text, nullptr, g->introTexts[ZVLIB_INTRO_TITLE], &origin, nullptr, &size, &params) != 0 ||
        mdlCell_create(&header, nullptr, &origin, 0) != 0 || mdlElmdscr_new(&dscr, nullptr, &header) != 0 ||
        mdlElmdscr_appendElement(dscr, &text) != 0) {
        toolSubsystem_printf("Error creating application name\n");
        mdlElmdscr_freeAll(&dscr);
        return;
    }
    zvlibElemDscr_drawElementDescr(dimP->db, &rect, dscr, nullptr, 0);
    mdlElmdscr_freeAll(&dscr);
}

void dialogHook(DialogMessage *dmP)
{
    dmP->msgUnderstood = 1;
    switch (dmP->messageType) {
    case DIALOG_MESSAGE_CREATE: zvlibMain_updateBeforeDialogOpen(dmP->dialogId); break;
    case DIALOG_MESSAGE_INIT: mdlWindow_titleSet(dmP->db, zvlibMain_getApplicationName()); break;
    default: dmP->msgUnderstood = 0;
    }
}

void setLabel(MSDialog *db, int labelId, const char *text, bool balloon)
{
    DialogItem *item = mdlDialog_itemGetByTypeAndId(db, RTYPE_Label, labelId, 0);
    if (item == nullptr)
        return;
    int index = mdlDialog_itemGetIndex(item);
    if (!balloon) {
        mdlDialog_itemSetLabel(db, index, text);
        return;
    }
    // Names are shortened for the label; the balloon shows them whole.
    char shown[MDLHOST_MAXLOCALPATH];
    zvlib::copyText(shown, text);
    mdlFile_abbreviateName(shown, TEXT_CHARS);
    mdlDialog_itemSetLabel(db, index, shown);
    mdlDialog_itemSetBalloon(db, index, text);
}

void aboutHook(DialogMessage *dmP)
{
    if (dmP->messageType != DIALOG_MESSAGE_INIT) {
        dmP->msgUnderstood = 0;
        return;
    }
    dmP->msgUnderstood = 1;
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr)
        return;
    char title[ZVLIB_INTRO_TEXT_LEN + 16];
    snprintf(title, sizeof title, "Fennvik %s", g->introTexts[ZVLIB_INTRO_TITLE]);
    mdlWindow_titleSet(dmP->db, title);
    setLabel(dmP->db, LABEL_VERSION, g->introTexts[ZVLIB_INTRO_VERSION], false);
    setLabel(dmP->db, LABEL_ZVLIB_VERSION, zvlibMain_getZvlibVersion(), false);
    for (size_t i = 0; i < sizeof LABEL_TEXTS / sizeof LABEL_TEXTS[0]; i++)
        setLabel(dmP->db, LABEL_TEXTS[i], g->introTexts[LABEL_TEXT_ENTRIES[i]], false);
    for (size_t i = 0; i < sizeof LABEL_FILES / sizeof LABEL_FILES[0]; i++)
        setLabel(dmP->db, LABEL_FILES[i], g->introTexts[LABEL_FILE_ENTRIES[i]], true);
    setLabel(dmP->db, LABEL_LOAD_FILE, mdlResource_getApplLoadFile(nullptr), true);
    setLabel(dmP->db, LABEL_ZVLIB_LOCATION, zvlibMain_getZvlibLocation(), true);
}

bool released(DialogItemMessage *dimP)
{
    dimP->msgUnderstood = 1;
    if (dimP->messageType == DITEM_MESSAGE_BUTTON)
        return dimP->u.button.buttonTrans == BUTTONTRANS_UP;
    dimP->msgUnderstood = 0;
    return false;
}

void openPage(const char *cfgVar, const char *fallback)
{
    char address[ZVLIB_CFGVALUE_LEN];
    if (mdlSystem_getCfgVar(address, cfgVar, sizeof address) != 0 || address[0] == '\0')
        zvlib::copyText(address, fallback);
    zvlibWeb_openUrl(address);
}

void homePageHook(DialogItemMessage *dimP)
{
    if (released(dimP))
        openPage("ZV_HOMEPAGE", ZVLIB_HOMEPAGE);
}

void supportPageHook(DialogItemMessage *dimP)
{
    if (released(dimP))
        openPage("ZV_SUPPORTPAGE", ZVLIB_SUPPORTPAGE);
}

void furtherHook(DialogItemMessage *dimP)
{
    if (released(dimP))
        mdlDialog_open(nullptr, ZVLIB_FURTHER_DIALOG);
}

void installHook(DialogItemMessage *dimP)
{
    if (!released(dimP))
        return;
    zvlibError_setTitle(BOX_QUESTION, "%s", zvlibUtil_getLanguageText(LANG_INSTALL));
    char path[MDLHOST_MAXFILELENGTH];
    if (mdlFile_find(path, INSTALL_PROGRAM, "MS_MDL", nullptr) == 0 &&
        zvlibError_rscMsgBoxPrintf(INSTALL_STYLE, QUESTION_LIST, INSTALL_ENTRY, path) == ZVLIB_BOX_FIRST)
        mdlSystem_loadMdlProgram(path, nullptr, "");
    char title[ZVLIB_BOX_TITLE_LEN];
    zvlibMain_languageTextWithName(title, sizeof title, LANG_QUESTION_TITLE, zvlibMain_getApplicationName());
    zvlibError_setTitle(BOX_QUESTION, "%s", title);
}

} // namespace

int zvlibIntro_msgBoxNew(const char *title, const char *version, const char *text2, const char *text3,
                         const char *text4, const char *text5, const char *text6, const char *text7,
                         const char *text8, const char *text9, const char *text10, const char *text11,
                         const char *text12, const char *text13, int timeOut)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr)
        return ZVLIB_FAILURE;
    storeText(g, ZVLIB_INTRO_TITLE, title);
    if (version != nullptr)
        versionText(g->introTexts[ZVLIB_INTRO_VERSION], sizeof g->introTexts[ZVLIB_INTRO_VERSION], version);
    const char *texts[] = {text2, text3, text4, text5, text6, text7, text8, text9, text10, text11, text12, text13};
    for (int i = 0; i < 12; i++)
        storeText(g, 2 + i, texts[i]);
    g->introTimeOut = timeOut;
    zvlibMain_execFuncOrAddToInitApps(showIntroBox);
    return 0;
}

void zvlibIntro_setVersionNumber(void)
{
    // The bytes as the version texts "08", "05", "02" and "70" give them.
    const char *bytes[] = {"08", "05", "02", "70"};
    unsigned version = 0;
    for (int i = 0; i < 4; i++)
        version |= (unsigned)(strtol(bytes[i], nullptr, 10) & 0xFF) << (8 * i);
    mdlSystem_setMdlAppVersionNumber(nullptr, (int)version);
}

void zvlibIntro_publishHooks(void)
{
    static const DialogHookInfo hooks[] = {
        {IMAGES[0].hookId, reinterpret_cast<MdlFunctionP>(imageHook<0>)},
        {IMAGES[1].hookId, reinterpret_cast<MdlFunctionP>(imageHook<1>)},
        {IMAGES[2].hookId, reinterpret_cast<MdlFunctionP>(imageHook<2>)},
        {HOOK_TITLE_CELL, reinterpret_cast<MdlFunctionP>(titleCellHook)},
        {HOOK_DIALOG, reinterpret_cast<MdlFunctionP>(dialogHook)},
        {HOOK_ABOUT, reinterpret_cast<MdlFunctionP>(aboutHook)},
        {HOOK_HOMEPAGE, reinterpret_cast<MdlFunctionP>(homePageHook)},
        {HOOK_SUPPORTPAGE, reinterpret_cast<MdlFunctionP>(supportPageHook)},
        {HOOK_FURTHER, reinterpret_cast<MdlFunctionP>(furtherHook)},
        {HOOK_INSTALL, reinterpret_cast<MdlFunctionP>(installHook)},
    };
    mdlDialog_hookPublish(int(sizeof hooks / sizeof hooks[0]), hooks);
}

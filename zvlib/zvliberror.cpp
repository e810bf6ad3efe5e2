// Message box and message list.
#include "zvliberror.h"

#include <cstdio>
#include <cstring>

#include "mdlhost.h"
#include "zvlibmain.h"
#include "zvlibtext.h"
#include "zvlibupf.h"

namespace {

constexpr int MESSAGE_LEN = ZVLIB_MESSAGE_LEN; // formatted text of a box or message, 1023 characters
constexpr int FORMAT_LEN = 512;      // an entry used as format
constexpr int MAX_LINES = ZVLIB_BOX_MAXLINES;
constexpr int LANGUAGE_TEXTS = 20007; // message list of the language texts
constexpr int SAVE_TITLE = 31;
constexpr int ERROR_LIST = 20005;
constexpr int ERROR_OPEN = 1;
constexpr int ERROR_STYLE = 17;

constexpr int BOX_DIALOG = 20011;
constexpr int LIST_DIALOG = 20010;
constexpr int PROGRESS_DIALOG = 20009;
constexpr int BOX_TEXT = 20004;
constexpr int SAVE_DIALOG = -20002;

constexpr int HOOK_LIST = 20030;
constexpr int HOOK_LIST_BOX = 20031;
constexpr int HOOK_HEADER = 20032;
constexpr int HOOK_SAVE = 20033;
constexpr int HOOK_BOX_TEXT = 20034;
constexpr int HOOK_BOX = 20035;

constexpr int TEXT_LEFT = 65; // lines start right of the icon
constexpr int BUTTON_WIDTH = 70;

struct Style {
    int type;         // 1, 2, 4 or 8
    int firstButton;  // language text of the first button
    int secondButton; // language text of the second button, 0: none
};

Style readStyle(int style)
{
    Style s{1, 25, 0};
    for (int bit = 0; bit < 4; bit++)
        if (style & (1 << bit)) {
            s.type = 1 << bit;
            break;
        }
    for (int k = 0; k < 3; k++)
        if (style & (16 << k)) {
            s.firstButton = 25 + k;
            break;
        }
    for (int k = 0; k < 3; k++)
        if (style & (128 << k)) {
            s.secondButton = 28 + k;
            break;
        }
    return s;
}

// The library's state: one box is shown at a time.
Style g_style{1, 25, 0};
char g_lines[MAX_LINES][MESSAGE_LEN];
int g_lineCount = 0;
StringList *g_messages = nullptr;
ZvlibBoxInfo g_lastBox;

int icon(int type)
{
    switch (type) {
    case 2: return 20004;
    case 4: return 20002;
    case 8: return 20003;
    default: return 20001;
    }
}

const char *boxTitle(int type)
{
    zvlibGlobalData *g = zvlibMain_findGlobalDataP();
    if (g == nullptr)
        return "";
    switch (type) {
    case 2: return g->boxTitleType2;
    case 4: return g->boxTitleType4;
    case 8: return g->boxTitleType8;
    default: return g->boxTitleType1;
    }
}

// The application's language text, or a plain word while it has none.
const char *buttonText(int nr)
{
    if (const char *t = mdlhost_messageListEntry(mdlSystem_getCurrMdlDesc(), LANGUAGE_TEXTS, nr))
        if (t[0] != '\0')
            return t;
    static const char *const ord[] = {"OK", "Ja", "Fortsett", "Avbryt", "Nei", "Avslutt"};
    return ord[nr - 25];
}

// Splits at line breaks into the line table; empty lines vanish and lines
// past the table's room are dropped.  strtok_r leaves any strtok loop of
// the caller intact.
void splitLines(const char *tekst)
{
    char kopi[MESSAGE_LEN];
    zvlib::copyText(kopi, tekst ? tekst : "");
    g_lineCount = 0;
    char *rest = nullptr;
    for (char *t = strtok_r(kopi, "\n", &rest); t != nullptr && g_lineCount < MAX_LINES;
         t = strtok_r(nullptr, "\n", &rest))
        zvlib::copyText(g_lines[g_lineCount++], t);
}

const char *linesText()
{
    static char samlet[MAX_LINES * MESSAGE_LEN];
    size_t n = 0;
    samlet[0] = '\0';
    for (int i = 0; i < g_lineCount; i++)
        n += (size_t)snprintf(samlet + n, sizeof samlet - n, i ? "\n%s" : "%s", g_lines[i]);
    return samlet;
}

// An entry cut to the format buffer must not end inside a conversion.
void cutIncomplete(char *format)
{
    size_t len = strlen(format);
    if (len + 1 < (size_t)FORMAT_LEN)
        return;
    size_t i = len;
    while (i > 0 && strchr("0123456789.-+ #lhzjtL", format[i - 1]) != nullptr)
        i--;
    size_t prosent = 0;
    while (i > prosent && format[i - 1 - prosent] == '%')
        prosent++;
    if (prosent % 2 == 1)
        format[i - 1] = '\0';
}

// Loads the entry into the format buffer and formats it; false when the
// entry cannot be loaded.
bool loadAndFormat(char *tekst, size_t size, int list, int entry, va_list args)
{
    char format[FORMAT_LEN];
    if (mdlResource_loadFromStringList(format, sizeof format, nullptr, list, entry) != MDLHOST_RSC_OK)
        return false;
    cutIncomplete(format);
    vsnprintf(tekst, size, format, args);
    return true;
}

void ensureHooks()
{
    if (mdlhost_findHook(nullptr, HOOK_BOX) == nullptr)
        zvlibError_publishHooks();
}

int showBox(int style, const char *tekst)
{
    g_style = readStyle(style);
    splitLines(tekst);
    memset(&g_lastBox, 0, sizeof g_lastBox);
    g_lastBox.type = g_style.type;
    g_lastBox.lineCount = g_lineCount;
    for (int i = 0; i < g_lineCount; i++)
        zvlib::copyText(g_lastBox.lines[i], g_lines[i]);

    MdlDesc *app = mdlSystem_getCurrMdlDesc();
    if (app != nullptr && mdlhost_rscFind(app, "DialogBox", BOX_DIALOG) != nullptr) {
        ensureHooks();
        int action = ACTIONBUTTON_OK;
        if (mdlDialog_openModal(&action, nullptr, BOX_DIALOG) == 0)
            return action == ACTIONBUTTON_CANCEL ? ZVLIB_BOX_SECOND : ZVLIB_BOX_FIRST;
    }
    // Without the box among its resources the application still gets its
    // answer, from the platform's alert.
    const char *secondButton = g_style.secondButton ? buttonText(g_style.secondButton) : nullptr;
    zvlib::copyText(g_lastBox.button1, buttonText(g_style.firstButton));
    zvlib::copyText(g_lastBox.button2, secondButton ? secondButton : "");
    zvlib::copyText(g_lastBox.title, boxTitle(g_style.type));
    int svar = mdlhost_alert(g_style.type, linesText(), buttonText(g_style.firstButton), secondButton);
    return (svar == 2 && secondButton != nullptr) ? ZVLIB_BOX_SECOND : ZVLIB_BOX_FIRST;
}

// --- hooks of the box ---------------------------------------------------

void boxHook(DialogMessage *dmP)
{
    dmP->msgUnderstood = 1;
    if (dmP->messageType != DIALOG_MESSAGE_INIT) {
        dmP->msgUnderstood = 0;
        return;
    }
    MSDialog *db = dmP->db;
    int fh = mdlDialog_fontGetHeight(2);
    int bredest = 0;
    for (int i = 0; i < g_lineCount; i++) {
        int w = mdlDialog_fontGetStringWidth(2, g_lines[i]);
        if (w > bredest)
            bredest = w;
    }
    int tekstBredde = bredest > 8 * fh - 50 ? bredest : 8 * fh - 50;
    int tekstHoyde = g_lineCount * fh > 50 ? g_lineCount * fh : 50;
    int bredde = tekstBredde + 95;
    int hoyde = tekstHoyde + 3 * fh + 45;
    mdlWindow_extentSet(db, bredde, hoyde);

    if (DialogItem *t = mdlDialog_itemGetByTypeAndId(db, RTYPE_Text, BOX_TEXT, 0)) {
        BSIRect r{{10, 10}, {10 + TEXT_LEFT + tekstBredde, 10 + tekstHoyde}};
        mdlDialog_itemSetExtent(db, mdlDialog_itemGetIndex(t), &r, 0);
    }
    int knappY = 10 + tekstHoyde + fh;
    DialogItem *ok = mdlDialog_itemGetByTypeAndId(db, RTYPE_PushButton, PUSHBUTTONID_OK, 0);
    DialogItem *avbryt = mdlDialog_itemGetByTypeAndId(db, RTYPE_PushButton, PUSHBUTTONID_Cancel, 0);
    if (ok != nullptr) {
        int i = mdlDialog_itemGetIndex(ok);
        int x = g_style.secondButton ? bredde / 2 - BUTTON_WIDTH - 10 : (bredde - BUTTON_WIDTH) / 2;
        mdlDialog_itemMove(db, i, x, knappY, 0);
        mdlDialog_itemSetLabel(db, i, buttonText(g_style.firstButton));
        mdlDialog_itemGetLabel(g_lastBox.button1, sizeof g_lastBox.button1, db, i);
    }
    if (avbryt != nullptr) {
        int i = mdlDialog_itemGetIndex(avbryt);
        if (g_style.secondButton) {
            mdlDialog_itemMove(db, i, bredde / 2 + 10, knappY, 0);
            mdlDialog_itemSetLabel(db, i, buttonText(g_style.secondButton));
            mdlDialog_itemShow(db, i);
            mdlDialog_itemGetLabel(g_lastBox.button2, sizeof g_lastBox.button2, db, i);
        } else {
            mdlDialog_itemHide(db, i);
        }
    }
    BSIRect c{};
    mdlWindow_contentRectGet(&c, db);
    g_lastBox.width = c.corner.x - c.origin.x;
    g_lastBox.height = c.corner.y - c.origin.y;
}

void boxTextHook(DialogItemMessage *dimP)
{
    dimP->msgUnderstood = 1;
    if (dimP->messageType != DITEM_MESSAGE_DRAW) {
        dimP->msgUnderstood = 0;
        return;
    }
    MSDialog *db = dimP->db;
    BSIRect r{};
    mdlDialog_itemGetExtent(&r, db, dimP->itemIndex);
    int farge = (g_style.type == 1 || g_style.type == 2) ? 4 : 1;
    mdlDialog_rscIconDraw(db, RTYPE_Icon, icon(g_style.type), r.origin.x, r.origin.y, farge);
    mdlWindow_titleSet(db, boxTitle(g_style.type));
    g_lastBox.iconId = icon(g_style.type);
    zvlib::copyText(g_lastBox.title, mdlWindow_titleGet(db));
    int fh = mdlDialog_fontGetHeight(2);
    for (int i = 0; i < g_lineCount; i++)
        mdlDialog_textDraw(db, g_lines[i], r.origin.x + TEXT_LEFT, r.origin.y + i * fh, 0);
}

// --- the message list and its dialog --------------------------------------

bool addMessage(const char *linje)
{
    if (g_messages == nullptr && (g_messages = mdlStringList_create(0, 1)) == nullptr)
        return false;
    long ny = -1;
    if (mdlStringList_insertMember(&ny, g_messages, -1, 1) != 0) {
        // A full list gives up its oldest message.
        if (mdlStringList_size(g_messages) > 0)
            mdlStringList_deleteMember(g_messages, 0, 1);
        if (mdlStringList_insertMember(&ny, g_messages, -1, 1) != 0)
            return false;
    }
    return mdlStringList_setMember(g_messages, ny, linje, nullptr) == 0;
}

void saveList()
{
    if (g_messages == nullptr)
        return;
    char navn[MDLHOST_MAXFILELENGTH] = "";
    char tittelTekst[FORMAT_LEN];
    if (mdlResource_loadFromStringList(tittelTekst, sizeof tittelTekst, nullptr, LANGUAGE_TEXTS, SAVE_TITLE) != 0)
        tittelTekst[0] = '\0';
    if (zvlibUpf_defFileCreate(navn, "*.txt", "*.txt", "", tittelTekst, SAVE_DIALOG) != ACTIONBUTTON_OK)
        return;
    FILE *fp = dlmSystem_mdlFopen(navn, "w");
    if (fp == nullptr) {
        zvlibError_rscMsgBoxPrintf(ERROR_STYLE, ERROR_LIST, ERROR_OPEN, navn);
        return;
    }
    for (long i = 0; i < mdlStringList_size(g_messages); i++) {
        const char *t = nullptr;
        if (mdlStringList_getMember(&t, nullptr, g_messages, i) == 0 && t != nullptr)
            fprintf(fp, "%s\n", t);
    }
    // A full disk shows only here; the list must not seem saved.
    bool feil = ferror(fp) != 0;
    if (dlmSystem_mdlFclose(fp) != 0 || feil)
        zvlibError_rscMsgBoxPrintf(ERROR_STYLE, ERROR_LIST, ERROR_OPEN, navn);
}

void listHook(DialogMessage *dmP)
{
    dmP->msgUnderstood = 1;
    switch (dmP->messageType) {
    case DIALOG_MESSAGE_INIT: {
        mdlWindow_fontSet(dmP->db, 4);
        int fh = mdlDialog_fontGetHeight(4);
        int bredest = mdlDialog_fontGetStringWidth(2, boxTitle(1));
        for (int i = 0; i < g_lineCount; i++) {
            int w = mdlDialog_fontGetStringWidth(4, g_lines[i]);
            if (w > bredest)
                bredest = w;
        }
        int bredde = bredest + 95 > 400 ? bredest + 95 : 400;
        int hode = g_lineCount * fh > 50 ? g_lineCount * fh : 50;
        mdlWindow_extentSet(dmP->db, bredde, hode + 20 * fh);
        break;
    }
    case DIALOG_MESSAGE_DESTROY:
        mdlStringList_destroy(g_messages);
        g_messages = nullptr;
        break;
    default:
        dmP->msgUnderstood = 0;
    }
}

void listBoxHook(DialogItemMessage *dimP)
{
    dimP->msgUnderstood = 1;
    if (dimP->messageType != DITEM_MESSAGE_CREATE) {
        dimP->msgUnderstood = 0;
        return;
    }
    if (g_messages == nullptr)
        g_messages = mdlStringList_create(0, 1);
    mdlDialog_listBoxSetStrListP(dimP->dialogItemP, g_messages, 1);
}

void headerHook(DialogItemMessage *dimP)
{
    dimP->msgUnderstood = 1;
    if (dimP->messageType != DITEM_MESSAGE_DRAW) {
        dimP->msgUnderstood = 0;
        return;
    }
    MSDialog *db = dimP->db;
    BSIRect r{};
    mdlDialog_itemGetExtent(&r, db, dimP->itemIndex);
    mdlDialog_rscIconDraw(db, RTYPE_Icon, 20001, r.origin.x, r.origin.y, 4);
    int fh = mdlDialog_fontGetCurHeight(db);
    mdlDialog_textDraw(db, boxTitle(1), r.origin.x + TEXT_LEFT, r.origin.y, 0);
    for (int i = 0; i < g_lineCount; i++)
        mdlDialog_textDraw(db, g_lines[i], r.origin.x + TEXT_LEFT, r.origin.y + (i + 1) * fh, 0);
}

void saveHook(DialogItemMessage *dimP)
{
    dimP->msgUnderstood = 1;
    if (dimP->messageType != DITEM_MESSAGE_BUTTON) {
        dimP->msgUnderstood = 0;
        return;
    }
    if (dimP->u.button.buttonTrans == BUTTONTRANS_UP)
        saveList();
}

int showList(const char *tekst)
{
    splitLines(tekst);
    mdlSystem_enterGraphics();
    if (mdlDialog_findByTypeAndId(RTYPE_DialogBox, PROGRESS_DIALOG, nullptr) != nullptr)
        mdlDialog_closeCommandQueue(PROGRESS_DIALOG);
    ensureHooks();
    int action = ACTIONBUTTON_CANCEL;
    if (mdlDialog_openModal(&action, nullptr, LIST_DIALOG) != 0)
        return ZVLIB_BOX_NOT_LOADED;
    return action;
}

int listByMode(int mode, const char *tekst)
{
    switch (mode) {
    case ZVLIB_LIST_ADD:
        splitLines(tekst);
        for (int i = 0; i < g_lineCount; i++)
            if (!addMessage(g_lines[i]))
                return ZVLIB_BOX_NOT_LOADED;
        return ZVLIB_LIST_DONE;
    case ZVLIB_LIST_SHOW:
        return showList(tekst);
    case ZVLIB_LIST_SILENT:
        return ZVLIB_LIST_DONE;
    default:
        toolSubsystem_printf("%s", tekst);
        return ZVLIB_LIST_DONE;
    }
}

} // namespace

int zvlibError_rscMsgBoxVPrintf(int style, int list, int entry, va_list args)
{
    char tekst[MESSAGE_LEN];
    va_list kopi;
    va_copy(kopi, args);
    bool lastet = loadAndFormat(tekst, sizeof tekst, list, entry, kopi);
    va_end(kopi);
    if (!lastet)
        return ZVLIB_BOX_NOT_LOADED;
    return showBox(style, tekst);
}

int zvlibError_rscMsgBoxPrintf(int style, int list, int entry, ...)
{
    va_list ap;
    va_start(ap, entry);
    int r = zvlibError_rscMsgBoxVPrintf(style, list, entry, ap);
    va_end(ap);
    return r;
}

int zvlibError_msgBoxPrintf(int style, const char *format, ...)
{
    char tekst[MESSAGE_LEN];
    va_list ap;
    va_start(ap, format);
    if (format != nullptr)
        vsnprintf(tekst, sizeof tekst, format, ap);
    else
        tekst[0] = '\0';
    va_end(ap);
    return showBox(style, tekst);
}

int zvlibError_rscListPrintf(int mode, int list, int entry, ...)
{
    char tekst[MESSAGE_LEN];
    va_list ap;
    va_start(ap, entry);
    bool lastet = loadAndFormat(tekst, sizeof tekst, list, entry, ap);
    va_end(ap);
    if (!lastet)
        return ZVLIB_BOX_NOT_LOADED;
    return listByMode(mode, tekst);
}

int zvlibError_listPrintf(int mode, const char *format, ...)
{
    char tekst[MESSAGE_LEN];
    va_list ap;
    va_start(ap, format);
    if (format != nullptr)
        vsnprintf(tekst, sizeof tekst, format, ap);
    else
        tekst[0] = '\0';
    va_end(ap);
    return listByMode(mode, tekst);
}

void zvlibError_setTitle(int type, const char *format, ...)
{
    zvlibGlobalData *g = zvlibMain_getGlobalDataP();
    if (g == nullptr)
        return;
    char *mal = nullptr;
    switch (type) {
    case 1: mal = g->boxTitleType1; break;
    case 2: mal = g->boxTitleType2; break;
    case 4: mal = g->boxTitleType4; break;
    case 8: mal = g->boxTitleType8; break;
    default:
        toolSubsystem_printf("%s %d\n", "Feil under setting av tittel", type);
        return;
    }
    va_list ap;
    va_start(ap, format);
    if (format != nullptr)
        vsnprintf(mal, ZVLIB_BOX_TITLE_LEN, format, ap);
    else
        mal[0] = '\0';
    va_end(ap);
}

void zvlibError_publishHooks(void)
{
    static const DialogHookInfo hooks[] = {
        {HOOK_LIST, reinterpret_cast<MdlFunctionP>(listHook)},
        {HOOK_LIST_BOX, reinterpret_cast<MdlFunctionP>(listBoxHook)},
        {HOOK_HEADER, reinterpret_cast<MdlFunctionP>(headerHook)},
        {HOOK_SAVE, reinterpret_cast<MdlFunctionP>(saveHook)},
        {HOOK_BOX_TEXT, reinterpret_cast<MdlFunctionP>(boxTextHook)},
        {HOOK_BOX, reinterpret_cast<MdlFunctionP>(boxHook)},
    };
    mdlDialog_hookPublish((int)(sizeof hooks / sizeof hooks[0]), hooks);
}

const ZvlibBoxInfo *zvlibError_lastBox(void) { return &g_lastBox; }
StringList *zvlibError_messageList(void) { return g_messages; }

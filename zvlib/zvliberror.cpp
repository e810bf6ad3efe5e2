// Message box and message list.
#include "zvliberror.h"

#include <cstdio>
#include <cstring>

#include "mdlhost.h"
#include "zvlibmain.h"
#include "zvlibtext.h"
#include "zvlibupf.h"

namespace {

constexpr int MELDING_LEN = ZVLIB_MESSAGE_LEN; // formatted text of a box or message, 1023 characters
constexpr int FORMAT_LEN = 512;      // an entry used as format
constexpr int MAKS_LINJER = ZVLIB_BOX_MAXLINES;
constexpr int SPRAAKTEKSTER = 20007; // message list of the language texts
constexpr int LAGRE_TITTEL = 31;
constexpr int FEIL_LISTE = 20005;
constexpr int FEIL_AAPNE = 1;
constexpr int FEIL_STIL = 17;

constexpr int BOKS_DIALOG = 20011;
constexpr int LISTE_DIALOG = 20010;
constexpr int FREMDRIFT_DIALOG = 20009;
constexpr int BOKS_TEKST = 20004;
constexpr int LAGRE_DIALOG = -20002;

constexpr int HOOK_LISTE = 20030;
constexpr int HOOK_LISTEBOKS = 20031;
constexpr int HOOK_HODE = 20032;
constexpr int HOOK_LAGRE = 20033;
constexpr int HOOK_BOKSTEKST = 20034;
constexpr int HOOK_BOKS = 20035;

constexpr int TEKST_VENSTRE = 65; // lines start right of the icon
constexpr int KNAPP_BREDDE = 70;

struct Stil {
    int type;   // 1, 2, 4 or 8
    int knapp1; // language text of the first button
    int knapp2; // language text of the second button, 0: none
};

Stil lesStil(int style)
{
    Stil s{1, 25, 0};
    for (int bit = 0; bit < 4; bit++)
        if (style & (1 << bit)) {
            s.type = 1 << bit;
            break;
        }
    for (int k = 0; k < 3; k++)
        if (style & (16 << k)) {
            s.knapp1 = 25 + k;
            break;
        }
    for (int k = 0; k < 3; k++)
        if (style & (128 << k)) {
            s.knapp2 = 28 + k;
            break;
        }
    return s;
}

// The library's state: one box is shown at a time.
Stil g_stil{1, 25, 0};
char g_linjer[MAKS_LINJER][MELDING_LEN];
int g_antallLinjer = 0;
StringList *g_meldinger = nullptr;
ZvlibBoxInfo g_sisteBoks;

int ikon(int type)
{
    switch (type) {
    case 2: return 20004;
    case 4: return 20002;
    case 8: return 20003;
    default: return 20001;
    }
}

const char *tittel(int type)
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
const char *knappTekst(int nr)
{
    if (const char *t = mdlhost_messageListEntry(mdlSystem_getCurrMdlDesc(), SPRAAKTEKSTER, nr))
        if (t[0] != '\0')
            return t;
    static const char *const ord[] = {"OK", "Ja", "Fortsett", "Avbryt", "Nei", "Avslutt"};
    return ord[nr - 25];
}

// Splits at line breaks into the line table; empty lines vanish and lines
// past the table's room are dropped.  strtok_r leaves any strtok loop of
// the caller intact.
void delLinjer(const char *tekst)
{
    char kopi[MELDING_LEN];
    zvlib::copyText(kopi, tekst ? tekst : "");
    g_antallLinjer = 0;
    char *rest = nullptr;
    for (char *t = strtok_r(kopi, "\n", &rest); t != nullptr && g_antallLinjer < MAKS_LINJER;
         t = strtok_r(nullptr, "\n", &rest))
        zvlib::copyText(g_linjer[g_antallLinjer++], t);
}

const char *linjeTekst()
{
    static char samlet[MAKS_LINJER * MELDING_LEN];
    size_t n = 0;
    samlet[0] = '\0';
    for (int i = 0; i < g_antallLinjer; i++)
        n += (size_t)snprintf(samlet + n, sizeof samlet - n, i ? "\n%s" : "%s", g_linjer[i]);
    return samlet;
}

// An entry cut to the format buffer must not end inside a conversion.
void kuttUfullstendig(char *format)
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
bool lastOgFormater(char *tekst, size_t size, int list, int entry, va_list args)
{
    char format[FORMAT_LEN];
    if (mdlResource_loadFromStringList(format, sizeof format, nullptr, list, entry) != MDLHOST_RSC_OK)
        return false;
    kuttUfullstendig(format);
    vsnprintf(tekst, size, format, args);
    return true;
}

void sikreHooks()
{
    if (mdlhost_findHook(nullptr, HOOK_BOKS) == nullptr)
        zvlibError_publishHooks();
}

int visBoks(int style, const char *tekst)
{
    g_stil = lesStil(style);
    delLinjer(tekst);
    memset(&g_sisteBoks, 0, sizeof g_sisteBoks);
    g_sisteBoks.type = g_stil.type;
    g_sisteBoks.lineCount = g_antallLinjer;
    for (int i = 0; i < g_antallLinjer; i++)
        zvlib::copyText(g_sisteBoks.lines[i], g_linjer[i]);

    MdlDesc *app = mdlSystem_getCurrMdlDesc();
    if (app != nullptr && mdlhost_rscFind(app, "DialogBox", BOKS_DIALOG) != nullptr) {
        sikreHooks();
        int action = ACTIONBUTTON_OK;
        if (mdlDialog_openModal(&action, nullptr, BOKS_DIALOG) == 0)
            return action == ACTIONBUTTON_CANCEL ? ZVLIB_BOX_SECOND : ZVLIB_BOX_FIRST;
    }
    // Without the box among its resources the application still gets its
    // answer, from the platform's alert.
    const char *knapp2 = g_stil.knapp2 ? knappTekst(g_stil.knapp2) : nullptr;
    zvlib::copyText(g_sisteBoks.button1, knappTekst(g_stil.knapp1));
    zvlib::copyText(g_sisteBoks.button2, knapp2 ? knapp2 : "");
    zvlib::copyText(g_sisteBoks.title, tittel(g_stil.type));
    int svar = mdlhost_alert(g_stil.type, linjeTekst(), knappTekst(g_stil.knapp1), knapp2);
    return (svar == 2 && knapp2 != nullptr) ? ZVLIB_BOX_SECOND : ZVLIB_BOX_FIRST;
}

// --- hooks of the box ---------------------------------------------------

void boksHook(DialogMessage *dmP)
{
    dmP->msgUnderstood = 1;
    if (dmP->messageType != DIALOG_MESSAGE_INIT) {
        dmP->msgUnderstood = 0;
        return;
    }
    MSDialog *db = dmP->db;
    int fh = mdlDialog_fontGetHeight(2);
    int bredest = 0;
    for (int i = 0; i < g_antallLinjer; i++) {
        int w = mdlDialog_fontGetStringWidth(2, g_linjer[i]);
        if (w > bredest)
            bredest = w;
    }
    int tekstBredde = bredest > 8 * fh - 50 ? bredest : 8 * fh - 50;
    int tekstHoyde = g_antallLinjer * fh > 50 ? g_antallLinjer * fh : 50;
    int bredde = tekstBredde + 95;
    int hoyde = tekstHoyde + 3 * fh + 45;
    mdlWindow_extentSet(db, bredde, hoyde);

    if (DialogItem *t = mdlDialog_itemGetByTypeAndId(db, RTYPE_Text, BOKS_TEKST, 0)) {
        BSIRect r{{10, 10}, {10 + TEKST_VENSTRE + tekstBredde, 10 + tekstHoyde}};
        mdlDialog_itemSetExtent(db, mdlDialog_itemGetIndex(t), &r, 0);
    }
    int knappY = 10 + tekstHoyde + fh;
    DialogItem *ok = mdlDialog_itemGetByTypeAndId(db, RTYPE_PushButton, PUSHBUTTONID_OK, 0);
    DialogItem *avbryt = mdlDialog_itemGetByTypeAndId(db, RTYPE_PushButton, PUSHBUTTONID_Cancel, 0);
    if (ok != nullptr) {
        int i = mdlDialog_itemGetIndex(ok);
        int x = g_stil.knapp2 ? bredde / 2 - KNAPP_BREDDE - 10 : (bredde - KNAPP_BREDDE) / 2;
        mdlDialog_itemMove(db, i, x, knappY, 0);
        mdlDialog_itemSetLabel(db, i, knappTekst(g_stil.knapp1));
        mdlDialog_itemGetLabel(g_sisteBoks.button1, sizeof g_sisteBoks.button1, db, i);
    }
    if (avbryt != nullptr) {
        int i = mdlDialog_itemGetIndex(avbryt);
        if (g_stil.knapp2) {
            mdlDialog_itemMove(db, i, bredde / 2 + 10, knappY, 0);
            mdlDialog_itemSetLabel(db, i, knappTekst(g_stil.knapp2));
            mdlDialog_itemShow(db, i);
            mdlDialog_itemGetLabel(g_sisteBoks.button2, sizeof g_sisteBoks.button2, db, i);
        } else {
            mdlDialog_itemHide(db, i);
        }
    }
    BSIRect c{};
    mdlWindow_contentRectGet(&c, db);
    g_sisteBoks.width = c.corner.x - c.origin.x;
    g_sisteBoks.height = c.corner.y - c.origin.y;
}

void boksTekstHook(DialogItemMessage *dimP)
{
    dimP->msgUnderstood = 1;
    if (dimP->messageType != DITEM_MESSAGE_DRAW) {
        dimP->msgUnderstood = 0;
        return;
    }
    MSDialog *db = dimP->db;
    BSIRect r{};
    mdlDialog_itemGetExtent(&r, db, dimP->itemIndex);
    int farge = (g_stil.type == 1 || g_stil.type == 2) ? 4 : 1;
    mdlDialog_rscIconDraw(db, RTYPE_Icon, ikon(g_stil.type), r.origin.x, r.origin.y, farge);
    mdlWindow_titleSet(db, tittel(g_stil.type));
    g_sisteBoks.iconId = ikon(g_stil.type);
    zvlib::copyText(g_sisteBoks.title, mdlWindow_titleGet(db));
    int fh = mdlDialog_fontGetHeight(2);
    for (int i = 0; i < g_antallLinjer; i++)
        mdlDialog_textDraw(db, g_linjer[i], r.origin.x + TEKST_VENSTRE, r.origin.y + i * fh, 0);
}

// --- the message list and its dialog --------------------------------------

bool leggTilMelding(const char *linje)
{
    if (g_meldinger == nullptr && (g_meldinger = mdlStringList_create(0, 1)) == nullptr)
        return false;
    long ny = -1;
    if (mdlStringList_insertMember(&ny, g_meldinger, -1, 1) != 0) {
        // A full list gives up its oldest message.
        if (mdlStringList_size(g_meldinger) > 0)
            mdlStringList_deleteMember(g_meldinger, 0, 1);
        if (mdlStringList_insertMember(&ny, g_meldinger, -1, 1) != 0)
            return false;
    }
    return mdlStringList_setMember(g_meldinger, ny, linje, nullptr) == 0;
}

void lagreListe()
{
    if (g_meldinger == nullptr)
        return;
    char navn[MDLHOST_MAXFILELENGTH] = "";
    char tittelTekst[FORMAT_LEN];
    if (mdlResource_loadFromStringList(tittelTekst, sizeof tittelTekst, nullptr, SPRAAKTEKSTER, LAGRE_TITTEL) != 0)
        tittelTekst[0] = '\0';
    if (zvlibUpf_defFileCreate(navn, "*.txt", "*.txt", "", tittelTekst, LAGRE_DIALOG) != ACTIONBUTTON_OK)
        return;
    FILE *fp = dlmSystem_mdlFopen(navn, "w");
    if (fp == nullptr) {
        zvlibError_rscMsgBoxPrintf(FEIL_STIL, FEIL_LISTE, FEIL_AAPNE, navn);
        return;
    }
    for (long i = 0; i < mdlStringList_size(g_meldinger); i++) {
        const char *t = nullptr;
        if (mdlStringList_getMember(&t, nullptr, g_meldinger, i) == 0 && t != nullptr)
            fprintf(fp, "%s\n", t);
    }
    // A full disk shows only here; the list must not seem saved.
    bool feil = ferror(fp) != 0;
    if (dlmSystem_mdlFclose(fp) != 0 || feil)
        zvlibError_rscMsgBoxPrintf(FEIL_STIL, FEIL_LISTE, FEIL_AAPNE, navn);
}

void listeHook(DialogMessage *dmP)
{
    dmP->msgUnderstood = 1;
    switch (dmP->messageType) {
    case DIALOG_MESSAGE_INIT: {
        mdlWindow_fontSet(dmP->db, 4);
        int fh = mdlDialog_fontGetHeight(4);
        int bredest = mdlDialog_fontGetStringWidth(2, tittel(1));
        for (int i = 0; i < g_antallLinjer; i++) {
            int w = mdlDialog_fontGetStringWidth(4, g_linjer[i]);
            if (w > bredest)
                bredest = w;
        }
        int bredde = bredest + 95 > 400 ? bredest + 95 : 400;
        int hode = g_antallLinjer * fh > 50 ? g_antallLinjer * fh : 50;
        mdlWindow_extentSet(dmP->db, bredde, hode + 20 * fh);
        break;
    }
    case DIALOG_MESSAGE_DESTROY:
        mdlStringList_destroy(g_meldinger);
        g_meldinger = nullptr;
        break;
    default:
        dmP->msgUnderstood = 0;
    }
}

void listeBoksHook(DialogItemMessage *dimP)
{
    dimP->msgUnderstood = 1;
    if (dimP->messageType != DITEM_MESSAGE_CREATE) {
        dimP->msgUnderstood = 0;
        return;
    }
    if (g_meldinger == nullptr)
        g_meldinger = mdlStringList_create(0, 1);
    mdlDialog_listBoxSetStrListP(dimP->dialogItemP, g_meldinger, 1);
}

void hodeHook(DialogItemMessage *dimP)
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
    mdlDialog_textDraw(db, tittel(1), r.origin.x + TEKST_VENSTRE, r.origin.y, 0);
    for (int i = 0; i < g_antallLinjer; i++)
        mdlDialog_textDraw(db, g_linjer[i], r.origin.x + TEKST_VENSTRE, r.origin.y + (i + 1) * fh, 0);
}

void lagreHook(DialogItemMessage *dimP)
{
    dimP->msgUnderstood = 1;
    if (dimP->messageType != DITEM_MESSAGE_BUTTON) {
        dimP->msgUnderstood = 0;
        return;
    }
    if (dimP->u.button.buttonTrans == BUTTONTRANS_UP)
        lagreListe();
}

int visListe(const char *tekst)
{
    delLinjer(tekst);
    mdlSystem_enterGraphics();
    if (mdlDialog_findByTypeAndId(RTYPE_DialogBox, FREMDRIFT_DIALOG, nullptr) != nullptr)
        mdlDialog_closeCommandQueue(FREMDRIFT_DIALOG);
    sikreHooks();
    int action = ACTIONBUTTON_CANCEL;
    if (mdlDialog_openModal(&action, nullptr, LISTE_DIALOG) != 0)
        return ZVLIB_BOX_NOT_LOADED;
    return action;
}

int listeEtterModus(int mode, const char *tekst)
{
    switch (mode) {
    case ZVLIB_LIST_ADD:
        delLinjer(tekst);
        for (int i = 0; i < g_antallLinjer; i++)
            if (!leggTilMelding(g_linjer[i]))
                return ZVLIB_BOX_NOT_LOADED;
        return ZVLIB_LIST_DONE;
    case ZVLIB_LIST_SHOW:
        return visListe(tekst);
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
    char tekst[MELDING_LEN];
    va_list kopi;
    va_copy(kopi, args);
    bool lastet = lastOgFormater(tekst, sizeof tekst, list, entry, kopi);
    va_end(kopi);
    if (!lastet)
        return ZVLIB_BOX_NOT_LOADED;
    return visBoks(style, tekst);
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
    char tekst[MELDING_LEN];
    va_list ap;
    va_start(ap, format);
    vsnprintf(tekst, sizeof tekst, format ? format : "", ap);
    va_end(ap);
    return visBoks(style, tekst);
}

int zvlibError_rscListPrintf(int mode, int list, int entry, ...)
{
    char tekst[MELDING_LEN];
    va_list ap;
    va_start(ap, entry);
    bool lastet = lastOgFormater(tekst, sizeof tekst, list, entry, ap);
    va_end(ap);
    if (!lastet)
        return ZVLIB_BOX_NOT_LOADED;
    return listeEtterModus(mode, tekst);
}

int zvlibError_listPrintf(int mode, const char *format, ...)
{
    char tekst[MELDING_LEN];
    va_list ap;
    va_start(ap, format);
    vsnprintf(tekst, sizeof tekst, format ? format : "", ap);
    va_end(ap);
    return listeEtterModus(mode, tekst);
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
    vsnprintf(mal, ZVLIB_BOX_TITLE_LEN, format ? format : "", ap);
    va_end(ap);
}

void zvlibError_publishHooks(void)
{
    static const DialogHookInfo hooks[] = {
        {HOOK_LISTE, reinterpret_cast<MdlFunctionP>(listeHook)},
        {HOOK_LISTEBOKS, reinterpret_cast<MdlFunctionP>(listeBoksHook)},
        {HOOK_HODE, reinterpret_cast<MdlFunctionP>(hodeHook)},
        {HOOK_LAGRE, reinterpret_cast<MdlFunctionP>(lagreHook)},
        {HOOK_BOKSTEKST, reinterpret_cast<MdlFunctionP>(boksTekstHook)},
        {HOOK_BOKS, reinterpret_cast<MdlFunctionP>(boksHook)},
    };
    mdlDialog_hookPublish((int)(sizeof hooks / sizeof hooks[0]), hooks);
}

const ZvlibBoxInfo *zvlibError_lastBox(void) { return &g_sisteBoks; }
StringList *zvlibError_messageList(void) { return g_meldinger; }

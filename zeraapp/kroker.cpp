// The dialog hooks of the ZERA application, the height callback and the
// list of height themes.
//
// Sections: helpers - dialog hooks - item hooks - the hook table - height
// themes and list services.
#include "kroker.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "brukerdata.h"
#include "kartmotor.h"
#include "kommandoer.h"
#include "mdlhost.h"
#include "zeratagger.h"
#include "zvlibdialog.h"

// The GIS build's command whose fence toggle restarts it.
constexpr uint32_t KMD_GG_GJERDE = 0x01110910;

namespace {

// ---- helpers --------------------------------------------------------------------------

constexpr int DIALOG_EKSPORT = 3;
constexpr int DIALOG_IMPORT = 6;
constexpr int DIALOG_FILVISNING = -84; // the host's text file window
constexpr int TEKST_FRA_ID = 8;        // DialogKrok2: text items from this one on
constexpr int TEKST_29 = 29;
constexpr int KNAPP_3D = 22;           // DialogKrok2: enabled in a 3D design
constexpr int KNAPP_NIVAA4 = 26;
constexpr int KNAPP_NIVAA4_3D = 21;
constexpr int KNAPP_TAGSETT = 11;
constexpr int KNAPP_DGNLIB = 10;
constexpr int TEKST_TAGSETT = 48;
constexpr int TEKST_DGNLIB = 47;
constexpr int LISTE_HOYDETEMA = 3;
constexpr int LISTE_FKB = 1;
constexpr int VALG_AVRUNDING = 15;
constexpr int LISTE_ELEMENTER = 4;
constexpr int HOYDE_AVRUNDING = 1; // KrokHoydeValg's item values
constexpr int HOYDE_MULT = 2;
constexpr unsigned TEKST_ATTRIBUTT = 0;
constexpr unsigned FKB_LISTE_ATTRIBUTT = 8;
constexpr unsigned HOYDE_LISTE_ATTRIBUTT_GG = 3;
constexpr int MELLOMROM = 32;
constexpr int IMPORT_UTEN_TEMA_ANTALL = 12;
constexpr int IMPORT_UTEN_TEMA_ANTALL_GG = 2;
constexpr int TEMA_FRA_ANTALL = 5;
constexpr int IMPORT_MAAL_ANTALL = 4;
constexpr int ELEMENT_KOLONNER = 4;

zeraBrukerGrensesnittData *data() { return brukerDataP; }

void forstaatt(DialogItemMessage *m) { m->msgUnderstood = 1; }

bool ekteEndring(const DialogItemMessage *m)
{
    return m->messageType == DITEM_MESSAGE_STATECHANGED && m->u.stateChanged.reallyChanged;
}

bool knappSlipp(const DialogItemMessage *m)
{
    return m->messageType == DITEM_MESSAGE_BUTTON && m->u.button.buttonTrans == BUTTONTRANS_UP;
}

void aktiver(MSDialog *db, int indeks, bool paa)
{
    if (indeks >= 0 && indeks < mdlDialog_itemCount(db))
        mdlDialog_itemSetEnabledState(db, indeks, paa ? 1 : 0, 1);
}

// The items after the hook's own, n of them.
void aktiverEtter(const DialogItemMessage *m, int n, bool paa)
{
    for (int i = 1; i <= n; i++)
        aktiver(m->db, m->itemIndex + i, paa);
}

// The value a toggle is about to take: the button message comes before
// the toggle flips.
bool nyVerdi(const DialogItemMessage *m)
{
    int fmt = 0;
    ValueUnion v{};
    if (mdlDialog_itemGetValue(&fmt, &v, nullptr, 0, m->db, m->itemIndex) != 0 || fmt != FMT_LONG)
        return false;
    return v.sLongFormat == 0;
}

// A toggle's rule: on synchronise from the record's switch, on a click from
// the value the toggle is about to take.
bool toggleTilstand(const DialogItemMessage *m, int32_t felt, bool *tilstand)
{
    if (m->messageType == DITEM_MESSAGE_SYNCHRONIZE) {
        *tilstand = felt != 0;
        return true;
    }
    if (knappSlipp(m)) {
        *tilstand = nyVerdi(m);
        return true;
    }
    return false;
}

int indeksAv(MSDialog *db, int type, int id)
{
    DialogItem *it = mdlDialog_itemGetByTypeAndId(db, type, id, 0);
    return it ? mdlDialog_itemGetIndex(it) : -1;
}

bool er3D() { return mgds_modesP->is3D != 0; }

long valgtRad(DialogItem *liste)
{
    int funnet = 0, rad = -1, kol = 0;
    mdlDialog_listBoxGetNextSelection(&funnet, &rad, &kol, liste);
    return funnet ? rad : -1;
}

// ---- dialog hooks -------------------------------------------------------------------------

void DialogKrok2(DialogMessage *m)
{
    if (m->messageType != DIALOG_MESSAGE_INIT)
        return;
    m->msgUnderstood = 1;
    int fra = indeksAv(m->db, RTYPE_Text, TEKST_FRA_ID);
    for (int i = fra < 0 ? mdlDialog_itemCount(m->db) : fra; i < mdlDialog_itemCount(m->db); i++) {
        DialogItem *it = mdlDialog_itemGetByIndex(m->db, i);
        if (mdlDialog_itemGetType(it) == RTYPE_Text)
            mdlDialog_textSetInfo(it, TEKST_ATTRIBUTT);
    }
    if (er3D())
        zvlibDialog_itemEnableByTypeAndId(m->db, RTYPE_PushButton, KNAPP_3D, 1);
}

void DialogKrok3(DialogMessage *m)
{
    if (m->messageType != DIALOG_MESSAGE_INIT)
        return;
    m->msgUnderstood = 1;
    if (DialogItem *it = mdlDialog_itemGetByTypeAndId(m->db, RTYPE_Text, TEKST_29, 0))
        mdlDialog_textSetInfo(it, TEKST_ATTRIBUTT);
}

void DialogKrok4(DialogMessage *m)
{
    if (m->messageType == DIALOG_MESSAGE_CREATE) {
        m->u.create.interests |= DIALOG_INTEREST_RESIZE;
        m->msgUnderstood = 1;
    } else if (m->messageType == DIALOG_MESSAGE_RESIZE) {
        TilpassListeboks(m->db, LISTE_ELEMENTER);
        m->msgUnderstood = 1;
    }
}

// ---- item hooks ---------------------------------------------------------------------------

void KrokEnhet(DialogItemMessage *m)
{
    if (!ekteEndring(m))
        return;
    forstaatt(m);
    // A denominator of 0 (its default) or below gives no unit: keep the one there.
    if (zeraBrukerGrensesnittData *d = data(); d && d->enhetsnevner > 0)
        d->hode.enhet = 1.0 / d->enhetsnevner;
}

// Every row's marks for the dialog's font height, the list shown.
void visFkbListe(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    StringList *liste = d ? d->fkbListe : nullptr;
    int hoyde = mdlDialog_fontGetCurHeight(m->db);
    for (long r = 0; r < mdlStringList_size(liste); r++)
        SettTagInfo(liste, r, hoyde);
    mdlDialog_listBoxSetStrListP(m->dialogItemP, liste, 1);
    if (m->dialogId == DIALOG_EKSPORT)
        mdlDialog_listBoxSetInfo(m->dialogItemP, FKB_LISTE_ATTRIBUTT);
}

void settValg(StringList *liste, long rad, long valgt, int fontHoyde)
{
    long *info = nullptr;
    if (mdlStringList_getMember(nullptr, &info, liste, rad) != 0 || info == nullptr ||
        mdlStringList_infoFieldCount(liste) <= FKB_VALG_FELT)
        return;
    info[FKB_VALG_FELT] = valgt;
    SettTagInfo(liste, rad, fontHoyde);
}

void KrokFkbListe(DialogItemMessage *m)
{
    if (m->messageType == DITEM_MESSAGE_CREATE || m->messageType == DITEM_MESSAGE_USER) {
        forstaatt(m);
        visFkbListe(m);
        return;
    }
    bool flipp = knappSlipp(m) || (m->messageType == DITEM_MESSAGE_KEYSTROKE && m->u.keystroke.keystroke == MELLOMROM);
    if (!flipp)
        return;
    forstaatt(m);
    StringList *liste = mdlDialog_listBoxGetStrListP(m->dialogItemP);
    long rad = valgtRad(m->dialogItemP);
    long *info = nullptr;
    if (rad < 0 || mdlStringList_getMember(nullptr, &info, liste, rad) != 0 || info == nullptr ||
        mdlStringList_infoFieldCount(liste) <= FKB_VALG_FELT)
        return;
    settValg(liste, rad, info[FKB_VALG_FELT] ? 0 : 1, mdlDialog_fontGetCurHeight(m->db));
    mdlDialog_listBoxDrawContents(m->dialogItemP, -1, -1);
}

// The dialog's own value of the "all groups" toggle.
int32_t alleFkbGrupper = 1;

void KrokAlleFkbGrupper(DialogItemMessage *m)
{
    if (!knappSlipp(m))
        return;
    forstaatt(m);
    DialogItem *listeboks = mdlDialog_itemGetByTypeAndId(m->db, RTYPE_ListBox, LISTE_FKB, 0);
    StringList *liste = listeboks ? mdlDialog_listBoxGetStrListP(listeboks) : nullptr;
    long valgt = nyVerdi(m) ? 1 : 0;
    int hoyde = mdlDialog_fontGetCurHeight(m->db);
    for (long r = 0; r < mdlStringList_size(liste); r++)
        settValg(liste, r, valgt, hoyde);
    if (listeboks)
        mdlDialog_listBoxDrawContents(listeboks, -1, -1);
}

// The other height toggle of the dialog: the toggle whose item value is `verdi`.
int hoydeToggle(MSDialog *db, long verdi)
{
    for (int i = 0; i < mdlDialog_itemCount(db); i++) {
        long v = 0;
        if (mdlDialog_itemGetType(mdlDialog_itemGetByIndex(db, i)) == RTYPE_ToggleButton &&
            mdlDialog_itemGetUserValue(&v, db, i) == 0 && v == verdi)
            return i;
    }
    return -1;
}

void KrokHoydeValg(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    if (d == nullptr)
        return;
    bool avrunding = d->hoydeAvrundingPaa != 0, mult = d->multHoydePaa != 0;
    long egen = 0;
    mdlDialog_itemGetUserValue(&egen, m->db, m->itemIndex);
    if (knappSlipp(m)) {
        (egen == HOYDE_MULT ? mult : avrunding) = nyVerdi(m);
    } else if (m->messageType != DITEM_MESSAGE_SYNCHRONIZE) {
        return;
    }
    forstaatt(m);
    int iAvrunding = egen == HOYDE_AVRUNDING ? m->itemIndex : hoydeToggle(m->db, HOYDE_AVRUNDING);
    int iMult = egen == HOYDE_MULT ? m->itemIndex : hoydeToggle(m->db, HOYDE_MULT);
    if (iAvrunding >= 0)
        aktiver(m->db, iAvrunding + 1, avrunding);
    if (iMult >= 0)
        aktiver(m->db, iMult + 1, mult);
    zvlibDialog_itemEnableByTypeAndId(m->db, RTYPE_ListBox, LISTE_HOYDETEMA, avrunding || mult);
    zvlibDialog_itemEnableByTypeAndId(m->db, RTYPE_OptionButton, VALG_AVRUNDING, avrunding);
}

void KrokNivaa4Knapp(DialogItemMessage *m)
{
    if (m->messageType != DITEM_MESSAGE_INIT && m->messageType != DITEM_MESSAGE_SYNCHRONIZE && !ekteEndring(m))
        return;
    forstaatt(m);
    zeraBrukerGrensesnittData *d = data();
    zvlibDialog_itemEnableByTypeAndId(m->db, RTYPE_PushButton, KNAPP_NIVAA4, d && d->hode.zeraNivaa == 4);
}

bool ggGjerdeKommando() { return mdlCommandNumberP && *mdlCommandNumberP == KMD_GG_GJERDE; }

void gjerdeSynk(DialogItemMessage *m, const zeraBrukerGrensesnittData *d)
{
    if (!mdlFence_isDefined())
        return;
    int maalNaa = d->geoGraphicsBygg ? -2 : 0;
    if (d->hode.zeraNivaa == 2 || ggGjerdeKommando() || (m->dialogId == DIALOG_IMPORT && d->importMaal == maalNaa)) {
        aktiver(m->db, m->itemIndex, true);
        if (d->brukGjerde)
            aktiver(m->db, m->itemIndex + 1, true);
    }
}

void KrokGjerde(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    if (d == nullptr)
        return;
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE:
        if (!mdlFence_isDefined())
            d->brukGjerde = 0;
        break;
    case DITEM_MESSAGE_BUTTON:
        if (!knappSlipp(m))
            return;
        aktiver(m->db, m->itemIndex + 1, mdlDialog_itemGetEnabledState(m->db, m->itemIndex + 1) == 0);
        break;
    case DITEM_MESSAGE_STATECHANGED:
        if (!ekteEndring(m))
            return;
        if (ggGjerdeKommando())
            mdlState_restartCurrentCommand();
        break;
    case DITEM_MESSAGE_USER:
        aktiver(m->db, m->itemIndex, false);
        aktiver(m->db, m->itemIndex + 1, false);
        gjerdeSynk(m, d);
        break;
    case DITEM_MESSAGE_SYNCHRONIZE:
        gjerdeSynk(m, d);
        break;
    default:
        return;
    }
    forstaatt(m);
}

void KrokLagreEgenskaper(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    bool paa = false;
    if (d == nullptr || !toggleTilstand(m, d->lagreEgenskaper, &paa))
        return;
    forstaatt(m);
    aktiver(m->db, m->itemIndex + 1, paa);
    aktiver(m->db, m->itemIndex + 2, paa && d->egenskapModus == 0 && TagsetHarTema());
    zvlibDialog_itemEnableByTypeAndId(m->db, RTYPE_Text, TEKST_TAGSETT, !paa);
    zvlibDialog_itemEnableByTypeAndId(m->db, RTYPE_PushButton, KNAPP_TAGSETT, !paa);
}

void KrokZeraFilValg(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    if (d == nullptr)
        return;
    if (m->messageType == DITEM_MESSAGE_CREATE) {
        forstaatt(m);
        mdlDialog_optionButtonDeleteAll(m->dialogItemP);
        for (long i = 0; i < mdlStringList_size(zeraFilListe); i++) {
            const char *fil = nullptr;
            if (mdlStringList_getMember(&fil, nullptr, zeraFilListe, i) == 0 && fil)
                mdlDialog_optionButtonInsertItem(m->dialogItemP, fil, 0, i, 0, -1);
        }
        mdlDialog_optionButtonSetExtent(m->dialogItemP, 0);
        d->filIndeks = 0;
    } else if (ekteEndring(m)) {
        forstaatt(m);
        if (VelgZeraFil(d->filIndeks) == 0)
            mdlDialog_itemsSynch(m->db);
    }
}

void KrokImportMaal(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    bool endret = ekteEndring(m);
    if (d == nullptr || (!endret && m->messageType != DITEM_MESSAGE_SYNCHRONIZE))
        return;
    forstaatt(m);
    if (endret) {
        int knapp = indeksAv(m->db, RTYPE_PushButton, KNAPP_TAGSETT);
        if (knapp >= 0)
            mdlDialog_itemSendUserMsg(m->db, knapp, 0);
    }
    aktiverEtter(m, IMPORT_MAAL_ANTALL, d->importMaal != 0);
}

void KrokPunktModus(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    bool synk = m->messageType == DITEM_MESSAGE_SYNCHRONIZE;
    if (d == nullptr || (!synk && m->messageType != DITEM_MESSAGE_STATECHANGED))
        return;
    forstaatt(m);
    int neste = m->itemIndex + 1;
    DialogItem *it = mdlDialog_itemGetByIndex(m->db, neste);
    if (it == nullptr)
        return;
    if (synk && mdlDialog_itemGetType(it) == RTYPE_Text)
        mdlDialog_textSetInfo(it, TEKST_ATTRIBUTT);
    if (d->punktModus == 2)
        mdlDialog_itemHide(m->db, neste);
    else
        mdlDialog_itemShow(m->db, neste);
}

void KrokTemaEgenskap(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    if (d == nullptr || !ekteEndring(m))
        return;
    forstaatt(m);
    aktiver(m->db, m->itemIndex + 1, d->egenskapModus == 0 && TagsetHarTema());
}

void KrokVersjonFormat(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    if (d == nullptr || m->messageType != DITEM_MESSAGE_TEXTFORMAT)
        return;
    forstaatt(m);
    mdlDialog_textSetFormat(m->dialogItemP, ZeraVersjonHarToDesimaler(d->hode.zeraVersjon) ? "%.2f" : "%.1f");
}

void lukkFilvisning()
{
    if (MSDialog *db = mdlDialog_findByTypeAndId(RTYPE_DialogBox, DIALOG_FILVISNING, nullptr))
        mdlWindow_close(db);
}

void KrokLoggListe(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    if (d == nullptr)
        return;
    if (m->messageType == DITEM_MESSAGE_CREATE) {
        forstaatt(m);
        mdlDialog_listBoxSetStrListP(m->dialogItemP, d->loggListe, 1);
    } else if (m->messageType == DITEM_MESSAGE_DESTROY) {
        forstaatt(m);
        lukkFilvisning();
    } else if (knappSlipp(m) || m->messageType == DITEM_MESSAGE_SYNCHRONIZE) {
        forstaatt(m);
        StringList *liste = mdlDialog_listBoxGetStrListP(m->dialogItemP);
        const char *fil = nullptr;
        long rad = valgtRad(m->dialogItemP);
        if (rad >= 0 && mdlStringList_getMember(&fil, nullptr, liste, rad) == 0 && fil && fil[0])
            VisFil(fil);
    }
}

void KrokImportUtenTema(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    bool paa = false;
    if (d == nullptr || !toggleTilstand(m, d->importerUkjenteTema, &paa))
        return;
    forstaatt(m);
    aktiverEtter(m, d->geoGraphicsBygg ? IMPORT_UTEN_TEMA_ANTALL_GG : IMPORT_UTEN_TEMA_ANTALL, paa);
}

void KrokLagreNivaa4(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    bool paa = false;
    if (d == nullptr || !toggleTilstand(m, d->lagreNivaa4, &paa))
        return;
    forstaatt(m);
    aktiver(m->db, m->itemIndex + 1, paa);
    if (er3D())
        zvlibDialog_itemEnableByTypeAndId(m->db, RTYPE_PushButton, KNAPP_NIVAA4_3D, paa);
}

// A list box's own string list, let go of before it is destroyed.
void frigjorListe(DialogItem *listeboks)
{
    StringList *liste = mdlDialog_listBoxGetStrListP(listeboks);
    mdlDialog_listBoxSetStrListP(listeboks, nullptr, 1);
    if (liste != nullptr)
        mdlStringList_destroy(liste);
}

void KrokHoydeTemaListe(DialogItemMessage *m)
{
    if (m->messageType == DITEM_MESSAGE_CREATE) {
        forstaatt(m);
        StringList *liste = mdlStringList_create(0, 1);
        LagHoydeTemaListe(liste);
        mdlStringList_sortByColumn(liste, 1, 0, nullptr);
        mdlDialog_listBoxSetStrListP(m->dialogItemP, liste, 1);
        if (data() && data()->geoGraphicsBygg && m->dialogId == DIALOG_EKSPORT)
            mdlDialog_listBoxSetInfo(m->dialogItemP, HOYDE_LISTE_ATTRIBUTT_GG);
    } else if (m->messageType == DITEM_MESSAGE_DESTROY) {
        // Freed whether or not it has members: an empty list is memory too.
        forstaatt(m);
        frigjorListe(m->dialogItemP);
    }
}

constexpr int SYMB_FARGE = 1, SYMB_STIL = 2, SYMB_VEKT = 3;

// By-level and by-cell rows mean nothing for elements without a theme row.
bool vedNivaaEllerCelle(long v) { return v == -1 || v == -2 || v == INT_MAX || v == INT_MAX - 1; }

void KrokSymbologiListe(DialogItemMessage *m)
{
    if (m->messageType == DITEM_MESSAGE_CREATE) {
        forstaatt(m);
        long type = 0;
        mdlDialog_itemGetUserValue(&type, m->db, m->itemIndex);
        int slag = type == SYMB_FARGE ? LEVELLIST_COLOR
                   : type == SYMB_STIL ? LEVELLIST_STYLE
                   : type == SYMB_VEKT ? LEVELLIST_WEIGHT
                                       : 0;
        ListModel *lm = slag ? mdlLevelList_createSymbologyModel(mdlModelRef_getActive(), slag) : nullptr;
        if (lm == nullptr)
            return;
        // The host gives one or both of them first.
        for (int i = 0; i < 2; i++) {
            long v = 0;
            if (mdlListModel_getCellValue(lm, 0, 0, &v) != 0 || !vedNivaaEllerCelle(v))
                break;
            mdlListModel_removeRow(lm, 0);
        }
        mdlDialog_comboBoxSetListModelP(m->dialogItemP, lm);
    } else if (m->messageType == DITEM_MESSAGE_DESTROY) {
        forstaatt(m);
        ListModel *lm = mdlDialog_comboBoxGetListModelP(m->dialogItemP);
        mdlDialog_comboBoxSetListModelP(m->dialogItemP, nullptr);
        if (lm != nullptr)
            mdlListModel_destroy(lm);
    }
}

void KrokTemaFra(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    if (d == nullptr || (!ekteEndring(m) && m->messageType != DITEM_MESSAGE_SYNCHRONIZE))
        return;
    forstaatt(m);
    aktiverEtter(m, TEMA_FRA_ANTALL, d->temaFra != 0);
}

void KrokKopierListemodell(DialogItemMessage *m)
{
    if (m->messageType != DITEM_MESSAGE_CREATE)
        return;
    forstaatt(m);
    mdlDialog_comboBoxSetListModelP(m->dialogItemP, mdlhost_hostListModel(COMBOBOXID_Fonts));
}

void KrokDgnlibValg(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    if (d == nullptr || (!ekteEndring(m) && m->messageType != DITEM_MESSAGE_SYNCHRONIZE))
        return;
    forstaatt(m);
    zvlibDialog_itemEnableByTypeAndId(m->db, RTYPE_Text, TEKST_DGNLIB, d->brukDgnlib != 0);
    zvlibDialog_itemEnableByTypeAndId(m->db, RTYPE_PushButton, KNAPP_DGNLIB, d->brukDgnlib != 0);
}

void KrokFastHoyde(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    bool paa = false;
    if (d == nullptr || !toggleTilstand(m, d->fastHoyde, &paa))
        return;
    forstaatt(m);
    aktiver(m->db, m->itemIndex + 1, paa);
}

// The element list's highlight: armed by a change of selection.
bool elementValgVentet = false;
uint32_t uthevetPos = 0;
DgnModelRefP uthevetModell = MDLHOST_NO_MODEL;

void visElement(uint32_t pos, DgnModelRefP modell, int modus)
{
    MSElementDescr *dscr = nullptr;
    if (pos == 0 || mdlElmdscr_read(&dscr, pos, modell, 0, nullptr) == 0)
        return;
    mdlElmdscr_display(dscr, modell, modus);
    mdlElmdscr_freeAll(&dscr);
}

// A number cell of the list; text that is no number, or too large, is 0.
long celleTall(DialogItem *liste, long rad, int kol)
{
    const char *t = mdlhost_listBoxCellText(liste, (int)rad, kol);
    if (t == nullptr)
        return 0;
    errno = 0;
    long v = strtol(t, nullptr, 10);
    return errno == 0 ? v : 0;
}

void uthevValgt(DialogItem *listeboks)
{
    long rad = valgtRad(listeboks);
    if (rad < 0)
        return;
    visElement(uthevetPos, uthevetModell, 0);
    long pos = celleTall(listeboks, rad, 0), modell = celleTall(listeboks, rad, 1);
    uthevetPos = pos > 0 && pos <= (long)UINT32_MAX ? (uint32_t)pos : 0;
    uthevetModell = modell >= INT_MIN && modell <= INT_MAX ? (DgnModelRefP)modell : MDLHOST_NO_MODEL;
    visElement(uthevetPos, uthevetModell, 2);
}

void KrokElementListe(DialogItemMessage *m)
{
    switch (m->messageType) {
    case DITEM_MESSAGE_CREATE:
        elementValgVentet = false;
        mdlDialog_listBoxSetStrListP(m->dialogItemP, elementListe, ELEMENT_KOLONNER);
        break;
    case DITEM_MESSAGE_DESTROY:
        // The list goes with its dialog; the command makes a new one.
        mdlDialog_listBoxSetStrListP(m->dialogItemP, nullptr, ELEMENT_KOLONNER);
        if (elementListe != nullptr) {
            mdlStringList_destroy(elementListe);
            elementListe = nullptr;
            antallElementer = 0;
        }
        uthevetPos = 0;
        break;
    case DITEM_MESSAGE_STATECHANGED:
        elementValgVentet = true;
        break;
    case DITEM_MESSAGE_BUTTON:
    case DITEM_MESSAGE_KEYSTROKE:
        if (m->messageType == DITEM_MESSAGE_BUTTON ? !(knappSlipp(m) && elementValgVentet)
                                                   : m->u.keystroke.keystroke != 0)
            return;
        elementValgVentet = false;
        uthevValgt(m->dialogItemP);
        break;
    case DITEM_MESSAGE_SYNCHRONIZE:
        TilpassListeboks(m->db, LISTE_ELEMENTER);
        break;
    default:
        return;
    }
    forstaatt(m);
}

void KrokEksportTemaValg(DialogItemMessage *m)
{
    zeraBrukerGrensesnittData *d = data();
    if (d == nullptr || (m->messageType != DITEM_MESSAGE_STATECHANGED && m->messageType != DITEM_MESSAGE_SYNCHRONIZE))
        return;
    forstaatt(m);
    d->eksporterObjekttype = 1;
    d->eksporterZeratema = d->zera40 ? 0 : 1;
}

// ---- the hook table -----------------------------------------------------------------------

template <typename F> MdlFunctionP krok(F f) { return reinterpret_cast<MdlFunctionP>(f); }

} // namespace

extern "C" {

int PubliserKroker(void)
{
    const DialogHookInfo kroker[] = {
        {KROK_DIALOG_TEKSTER, krok(DialogKrok2)},
        {KROK_DIALOG_TEKST29, krok(DialogKrok3)},
        {KROK_DIALOG_LISTEBOKS, krok(DialogKrok4)},
        {KROK_ENHET, krok(KrokEnhet)},
        {KROK_FKB_LISTE, krok(KrokFkbListe)},
        {KROK_ALLE_FKB, krok(KrokAlleFkbGrupper)},
        {KROK_HOYDE_VALG, krok(KrokHoydeValg)},
        {KROK_NIVAA4_KNAPP, krok(KrokNivaa4Knapp)},
        {KROK_GJERDE, krok(KrokGjerde)},
        {KROK_LAGRE_EGENSKAPER, krok(KrokLagreEgenskaper)},
        {KROK_ZERAFIL_VALG, krok(KrokZeraFilValg)},
        {KROK_IMPORT_MAAL, krok(KrokImportMaal)},
        {KROK_PUNKT_MODUS, krok(KrokPunktModus)},
        {KROK_TEMA_EGENSKAP, krok(KrokTemaEgenskap)},
        {KROK_VERSJON_FORMAT, krok(KrokVersjonFormat)},
        {KROK_LOGG_LISTE, krok(KrokLoggListe)},
        {KROK_IMPORT_UTEN_TEMA, krok(KrokImportUtenTema)},
        {KROK_LAGRE_NIVAA4, krok(KrokLagreNivaa4)},
        {KROK_HOYDE_TEMA_LISTE, krok(KrokHoydeTemaListe)},
        {KROK_SYMBOLOGI_LISTE, krok(KrokSymbologiListe)},
        {KROK_TEMA_FRA, krok(KrokTemaFra)},
        {KROK_KOPIER_LISTEMODELL, krok(KrokKopierListemodell)},
        {KROK_DGNLIB_VALG, krok(KrokDgnlibValg)},
        {KROK_FAST_HOYDE, krok(KrokFastHoyde)},
        {KROK_ELEMENT_LISTE, krok(KrokElementListe)},
        {KROK_EKSPORT_TEMA_VALG, krok(KrokEksportTemaValg)},
    };
    static_assert(sizeof kroker / sizeof kroker[0] == 26, "the 26 hooks of the dialogs");
    if (mdlDialog_hookPublish((int)(sizeof kroker / sizeof kroker[0]), kroker) != 0)
        return -1;
    SymbolSet *sett = mdlCExpression_initializeSet(4, 0, 1);
    if (sett == nullptr)
        return -1;
    return mdlDialog_publishBasicVariable(sett, MDLHOST_FIELD_INT, sizeof alleFkbGrupper, "zvzeraAlleFkb",
                                          &alleFkbGrupper);
}

// ---- height themes and list services --------------------------------------------------------

int TemaForHoydeAvrundingEllerMultHoyder(char *tema, int type)
{
    if (tema == nullptr)
        return 0;
    const char *bokstav = FinnZeraElementType(type);
    if (bokstav == nullptr || bokstav[0] == '\0')
        return 0;
    int n = Mstemtab.rowCount < 0 ? 0 : (Mstemtab.rowCount > MT_MAX_ROWS ? MT_MAX_ROWS : Mstemtab.rowCount);
    for (int i = 0; i < n; i++)
        if (Mstemtab.multHoyde[i] && strcmp(Mstemtab.datatype[i], bokstav) == 0 && strcmp(Mstemtab.tema[i], tema) == 0)
            return 1;
    return 0;
}

void LagHoydeTemaListe(StringList *liste)
{
    if (liste == nullptr)
        return;
    int n = Mstemtab.rowCount < 0 ? 0 : (Mstemtab.rowCount > MT_MAX_ROWS ? MT_MAX_ROWS : Mstemtab.rowCount);
    for (int i = 0; i < n; i++) {
        if (!Mstemtab.multHoyde[i])
            continue;
        char rad[3 * MT_FIELD_LEN + 8];
        snprintf(rad, sizeof rad, "%s %s %s", Mstemtab.tema[i], Mstemtab.datatype[i], Mstemtab.fkbGroup[i]);
        long ny = 0;
        if (mdlStringList_insertMember(&ny, liste, -1, 1) != 0)
            return;
        mdlStringList_setMember(liste, ny, rad, nullptr);
    }
}

void TilpassListeboks(MSDialog *db, int listeboksId)
{
    int i = db ? indeksAv(db, RTYPE_ListBox, listeboksId) : -1;
    BSIRect innhold{}, rect{};
    if (i < 0 || mdlWindow_contentRectGet(&innhold, db) != 0 || mdlDialog_itemGetExtent(&rect, db, i) != 0)
        return;
    int bredde = innhold.corner.x - innhold.origin.x - 15;
    int hoyde = innhold.corner.y - innhold.origin.y - (listeboksId == LISTE_ELEMENTER ? 30 : 55);
    rect.corner.x = rect.origin.x + (bredde > 0 ? bredde : 1);
    rect.corner.y = rect.origin.y + (hoyde > 0 ? hoyde : 1);
    mdlDialog_itemSetExtent(db, i, &rect, 1);
    mdlDialog_itemShow(db, i);
}

void SettTagInfo(StringList *liste, long rad, int fontHoyde)
{
    long *info = nullptr;
    if (mdlStringList_getMember(nullptr, &info, liste, rad) != 0 || info == nullptr ||
        mdlStringList_infoFieldCount(liste) <= FKB_VALG_FELT)
        return;
    long base = fontHoyde <= 8 ? -64 : fontHoyde <= 10 ? -66 : fontHoyde <= 12 ? -68 : fontHoyde <= 16 ? -70
                : fontHoyde <= 22 ? -72 : -74;
    info[FKB_IKON_FELT] = base - info[FKB_VALG_FELT];
    info[FKB_VERDI_FELT] = 2;
}

} // extern "C"

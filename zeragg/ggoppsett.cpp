// Project set-up from a theme table (categories from the FKB groups,
// features from the theme rows, the four templates for unknown themes),
// the database check with its log, and levels from the project's features.
//
// Sections: statements - set-up - database check - levels from features.
#include "ggoppsett.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "brukerdata.h"
#include "kartmotor.h"
#include "kommandoer.h"
#include "mdlhost.h"
#include "zeraggdb.h"
#include "zvliberror.h"
#include "zvlibfii.h"
#include "zvlibmem.h"
#include "zvlibutil.h"

namespace {

constexpr int MELDING_LISTE = 5;
constexpr int BOKS_SPORSMAAL = 194;
constexpr int BOKS_FEIL = 17;
constexpr int DIALOG_TEMAFIL = 10;
constexpr int DIALOG_DATAKILDE = 11;

// ---- statements -----------------------------------------------------------------

// Sends one statement; a failure is named on the text window and the
// caller goes on.
void Send(const std::string &sql)
{
    if (mdlDB_processSQL(sql.c_str()) != 0)
        toolSubsystem_printf("Feil i kommando: %s\n", sql.c_str());
}

std::string Tall(const char *format, double verdi)
{
    char tekst[64];
    snprintf(tekst, sizeof tekst, format, verdi);
    return tekst;
}

// A level that is a whole number stands as it is; any other text is
// quoted, so it can never change the statement.
std::string Nivaa(const char *nivaa)
{
    const char *p = nivaa;
    if (*p == '-')
        p++;
    bool heltall = *p != '\0';
    for (; *p; p++)
        heltall = heltall && isdigit(static_cast<unsigned char>(*p));
    return heltall ? std::string(nivaa) : SqlTekst(nivaa[0] ? nivaa : nullptr);
}

std::string FeatureSetning(int mslink, const char *kode, const char *navn, int kategori, int ftype,
                           const std::string &nivaa, int stil, int vekt, int farge, int felement, double hoyde,
                           double bredde, int font, const std::string &bibliotek, const std::string &celle,
                           double celleskala)
{
    return "insert into feature (MSLINK,FCODE,FNAME,CATEGORY,TABLENAME,FTYPE,FLEVEL,FSTYLE,FWEIGHT,FCOLOR,DIGCMD,"
           "FELEMENT,FANGLE,FHEIGHT,FWIDTH,FLINESPACE,LINELENGTH,FFONT,FSYMBOL,FJUSTIFICATION,CELLLIBRARY,FCELLNAME,"
           "CELLSCALE,STREAMDELTA,STREAMTOLERANCE,STREAMUNIT,SNAPTYPE,SNAPTOLERANCE,NEWDUP) values (" +
           std::to_string(mslink) + "," + SqlTekst(kode) + "," + SqlTekst(navn) + "," + std::to_string(kategori) +
           ",NULL," + std::to_string(ftype) + "," + nivaa + "," + std::to_string(stil) + "," +
           std::to_string(vekt) + "," + std::to_string(farge) + ",NULL," + std::to_string(felement) + ",'0'," +
           Tall("%.2f", hoyde) + "," + Tall("%.2f", bredde) + "," + Tall("%.2f", hoyde) + ",0," +
           std::to_string(font) + ",NULL,'2'," + bibliotek + "," + celle + "," + Tall("%.2f", celleskala) +
           ",0,0,NULL,0,10,0);";
}

void UgFeatureSetning(int mslink)
{
    Send("insert into ugfeature (FEATURE,ELOCK,FCLASS,FPRIORITY,INFOMODE,DAS,DPRIO,FORDER,DESCR,LSSCALE,DASHSCALE,"
         "GAPSCALE,STARTWIDTH,ENDWIDTH,PHASE,PHASETYPE,SLANT,CS,UNDERLINE,VERTICAL,FRACTION,LSNAME) values (" +
         std::to_string(mslink) +
         ",NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,NULL,"
         "NULL);");
}

void OppdaterLinje(CompletionBar *linje, const char *tekst, int gjort, int av)
{
    if (linje != nullptr && av > 0)
        mdlDialog_completionBarUpdate(linje, tekst, 100 * gjort / av);
}

} // namespace

// ---- set-up ------------------------------------------------------------------------

int FinnNesteMslink(const char *tabell, int *neste)
{
    long storste = 0;
    if (mdlDB_largestMslink(tabell, &storste) != 0) {
        char feil[512] = "";
        mdlDB_getErrorText(feil, sizeof feil);
        if (feil[0])
            toolSubsystem_printf("%s\n", feil);
        return DB_FEIL;
    }
    if (storste > 0 && zvlibError_rscMsgBoxPrintf(BOKS_SPORSMAAL, MELDING_LISTE, 100, tabell) != 3)
        return DB_FEIL;
    *neste = int(storste + 1);
    return 0;
}

void OpprettKategorierFraFkbGrupper(int forste, CompletionBar *linje)
{
    int antall = Fkbtab.count < 0 ? 0 : (Fkbtab.count > FKB_MAX_GROUPS ? FKB_MAX_GROUPS : Fkbtab.count);
    for (int i = 0; i < antall; i++) {
        const char *gruppe = Fkbtab.group[i];
        int n = forste + i;
        // The design-file extension: the group's first three letters.
        char filtype[4] = {};
        for (int k = 0; k < 3 && gruppe[k]; k++)
            filtype[k] = char(tolower(static_cast<unsigned char>(gruppe[k])));
        Send("INSERT INTO category (MSLINK,CNAME,INDEXNAME,INDEXLEVEL) values (" + std::to_string(n) + "," +
             SqlTekst(gruppe) + ",'index.dgn'," + std::to_string(n) + ");");
        Send("INSERT INTO ugcategory (CATEGORY,DEFAULTF,OLAP,FOREIGNF,DGNFEX) values (" + std::to_string(n) +
             ",0,0,0," + SqlTekst(filtype) + ");");
        OppdaterLinje(linje, "FKB-grupper -> Category", i + 1, antall);
    }
}

int LesTemaBeskrivelser(TemaBeskrivelse *poster, const char *temaFil, int maks)
{
    ZvlibFii fii{};
    if (poster == nullptr || maks <= 0 || temaFil == nullptr || zvlibFii_open(&fii, temaFil, "r") != 0)
        return 0;
    int antall = 0;
    char ord[ZVLIB_FII_TEXT_LEN];
    while (antall < maks && zvlibFii_readNewLine(&fii) == 0) {
        zvlibFii_readSubString(&fii, " \t", ord);
        if (ord[0] == '\0' || ord[0] == '!' || ord[0] == '.')
            continue;
        std::string nokkel = ord;
        zvlibFii_readSubString(&fii, " \t", ord);
        if (ord[0] == '\0')
            continue;
        zvlibFii_readSubString(&fii, " \t", ord);
        if (ord[0] == '\0')
            continue;
        nokkel += ord;
        TemaBeskrivelse &p = poster[antall++];
        // A longer key matches no feature code: it is not kept.
        if (nokkel.size() < sizeof p.nokkel)
            memcpy(p.nokkel, nokkel.c_str(), nokkel.size() + 1);
        zvlibFii_readSubString(&fii, "!", ord);
        zvlibFii_readSubString(&fii, "!", ord);
        size_t n = strnlen(ord, sizeof p.beskrivelse - 1);
        memcpy(p.beskrivelse, ord, n);
        p.beskrivelse[n] = '\0';
    }
    zvlibFii_close(&fii);
    return antall;
}

void OpprettFeaturesFraTemaer(int forsteFeature, int forsteKategori, CompletionBar *linje, const char *temaFil)
{
    int rader = Mstemtab.rowCount < 0 ? 0 : (Mstemtab.rowCount > MT_MAX_ROWS ? MT_MAX_ROWS : Mstemtab.rowCount);
    TemaBeskrivelse *poster = nullptr;
    if (rader > 0) {
        poster = static_cast<TemaBeskrivelse *>(zvlibMem_mallocRscErrorPrintf(sizeof(TemaBeskrivelse) * rader, 20005, 14));
        if (poster != nullptr) {
            memset(poster, 0, sizeof(TemaBeskrivelse) * rader);
            LesTemaBeskrivelser(poster, temaFil, rader);
        }
    }
    for (int r = 0; r < rader; r++) {
        const char *tema = Mstemtab.tema[r], *bokstav = Mstemtab.datatype[r];
        // Of a run of rows with the same code and letter only the last counts.
        if (r + 1 < rader && strcmp(tema, Mstemtab.tema[r + 1]) == 0 && strcmp(bokstav, Mstemtab.datatype[r + 1]) == 0)
            continue;
        int kategori = 0;
        for (int j = 0; j < Fkbtab.count && j < FKB_MAX_GROUPS; j++)
            if (strcmp(Fkbtab.group[j], Mstemtab.fkbGroup[r]) == 0) {
                kategori = forsteKategori + j;
                break;
            }
        std::string kode = std::string(tema) + bokstav, navn = kode;
        if (poster != nullptr && kode == poster[r].nokkel && poster[r].beskrivelse[0] != '\0')
            navn += std::string("_") + poster[r].beskrivelse;
        char b = bokstav[0];
        int mslink = forsteFeature + r;
        std::string celle = "NULL", bibliotek = "NULL";
        if (b == 'P') {
            char navnCelle[ZERA_CELL_LEN];
            mdlCnv_convertUnicodeToMultibyte(Mstemtab.cell[r], -1, navnCelle, sizeof navnCelle);
            celle = SqlTekst(navnCelle);
            bibliotek = "'zvzera'";
        }
        Send(FeatureSetning(mslink, kode.c_str(), navn.c_str(), kategori, b == 'F' ? 97 : 0,
                            Nivaa(Mstemtab.level[r]), Mstemtab.style[r], Mstemtab.weight[r], Mstemtab.colour[r],
                            b == 'T' ? 17 : (b == 'P' ? 2 : 0), Mstemtab.textHeight[r], Mstemtab.textWidth[r],
                            Mstemtab.font[r], bibliotek, celle, Mstemtab.cellScaleX[r]));
        UgFeatureSetning(mslink);
        OppdaterLinje(linje, "ZERA-tema -> Feature", r + 1, rader);
        if (b == 'P')
            Send("insert into ugcommand (FEATURE,CNAME,KEYINCMD,SQLSTMT,CLASS) values (" + std::to_string(mslink) +
                 ",'AUTOPLACE','PLACE CELL',NULL,0);");
    }
    if (poster != nullptr)
        dlmSystem_mdlFree(poster);

    struct Mal {
        const char *kode, *navn;
        int ftype, felement;
        double hoyde;
        int font;
        const char *bibliotek, *celle;
        double skala;
    } maler[] = {
        {"UDEFP", "Ukjent punkttema", 0, 2, 0.0, 0, "'zvzera'", "'KRYSS'", 1.0},
        {"UDEFL", "Ukjent linjetema", 3, 0, 0.0, 0, "NULL", "NULL", 0.0},
        {"UDEFT", "Ukjent teksttema", 96, 17, 10.0, 1, "NULL", "NULL", 0.0},
        {"UDEFF", "Ukjent flatetema", 97, 0, 0.0, 0, "NULL", "NULL", 0.0},
    };
    int forsteMal = forsteFeature + rader;
    for (int i = 0; i < 4; i++) {
        const Mal &m = maler[i];
        Send(FeatureSetning(forsteMal + i, m.kode, m.navn, 0, m.ftype, "63", 0, 0, 0, m.felement, m.hoyde, m.hoyde,
                            m.font, m.bibliotek, m.celle, m.skala));
    }
    for (int i = 0; i < 4; i++)
        UgFeatureSetning(forsteMal + i);
}

int OpprettGGKategorierOgFeatures(char *)
{
    if (brukerDataP == nullptr)
        return 0;
    zeraBrukerGrensesnittData &d = *brukerDataP;
    char kilde[MDLDB_SOURCE_SIZE] = "";
    int koblet = mdlDB_activeDatabase(kilde);
    snprintf(d.databaseNavn, sizeof d.databaseNavn, "%s", kilde);
    while (d.databaseNavn[0] == '\0' || koblet != 0) {
        int handling = ACTIONBUTTON_CANCEL;
        mdlDialog_openModal(&handling, nullptr, DIALOG_DATAKILDE);
        if (handling != ACTIONBUTTON_OK)
            return 0;
        koblet = d.databaseNavn[0] ? mdlDB_activeDatabase(d.databaseNavn) : -1;
    }
    // A project that takes no writes is said before anything is asked,
    // not found out row by row.
    if (mdlhost_dbReadOnly() == 1) {
        zvlibError_msgBoxPrintf(BOKS_FEIL, "Databasen %s kan ikke skrives til.", d.databaseNavn);
        return 0;
    }
    int handling = ACTIONBUTTON_CANCEL;
    mdlDialog_openModal(&handling, nullptr, DIALOG_TEMAFIL);
    if (handling != ACTIONBUTTON_OK)
        return 0;
    if (LesTemafil(d.temaFil) != 0)
        return 0;
    int forsteKategori = 0, forsteFeature = 0;
    if (FinnNesteMslink("category", &forsteKategori) != 0 || FinnNesteMslink("feature", &forsteFeature) != 0)
        return 0;
    // A project made by the host has the catalogue only: the ZERA tables
    // come with the set-up (those there already stay as they are).
    LagZeraTabeller();
    CompletionBar *linje = mdlDialog_completionBarOpen("");
    OpprettKategorierFraFkbGrupper(forsteKategori, linje);
    OpprettFeaturesFraTemaer(forsteFeature, forsteKategori, linje, d.temaFil);
    if (linje != nullptr)
        mdlDialog_completionBarClose(linje);
    return 0;
}

// ---- database check ---------------------------------------------------------------

namespace {

// One run of the check: the database's tables (lower case, sorted, once
// each) and the messages in the order they were found.
struct Kontroll {
    std::vector<std::string> tabeller;
    std::vector<std::string> meldinger;
    CompletionBar *linje = nullptr;

    void melding(const char *format, const char *a, const char *b = "")
    {
        char tekst[1024];
        snprintf(tekst, sizeof tekst, format, a, b);
        meldinger.push_back(tekst);
    }
    bool erTabell(const std::string &navn) const
    {
        return std::binary_search(tabeller.begin(), tabeller.end(), navn);
    }
};

std::string Smaa(const char *tekst)
{
    std::string s = tekst ? tekst : "";
    for (char &c : s)
        c = char(tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Tekst8(const char16_t *tekst)
{
    char ut[256];
    mdlCnv_convertUnicodeToMultibyte(tekst, -1, ut, sizeof ut);
    return ut;
}

bool KolonneFinnesIBufret(const DbTabell *t, const std::string &kolonne)
{
    for (int i = 0; t && i < t->antallKolonner; i++)
        if (kolonne == t->kolonner[i].navn)
            return true;
    return false;
}

bool KolonneFinnesIDb(const std::vector<std::string> &tabeller, const std::string &kolonne)
{
    for (const std::string &tabell : tabeller) {
        MS_SQLDA beskrivelse{};
        if (mdlDB_describeTable(tabell.c_str(), &beskrivelse) != 0)
            continue;
        bool funnet = false;
        for (int i = 0; i < beskrivelse.numColumns && !funnet; i++)
            funnet = Smaa(beskrivelse.columns[i].name) == kolonne;
        mdlDB_freeSQLDADescriptor(&beskrivelse);
        if (funnet)
            return true;
    }
    return false;
}

void SjekkTegn(Kontroll &k, const char *navn, const char *tabell)
{
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(navn); *p; p++) {
        bool norsk = strchr("\xC6\xD8\xC5\xE6\xF8\xE5", *p) != nullptr;
        if (!norsk && *p != '-')
            continue;
        if (tabell != nullptr)
            k.melding(norsk ? "FEIL!  Kolonnenavnet '%s' i tabell '%s' inneholder norske tegn (\xC6\xD8\xC5\xE6\xF8\xE5)."
                            : "FEIL!  Kolonnenavnet '%s' i tabell '%s' inneholder bindestrek (-).",
                      navn, tabell);
        else
            k.melding(norsk ? "FEIL!  Tabellnavnet '%s' inneholder norske tegn (\xC6\xD8\xC5\xE6\xF8\xE5)."
                            : "FEIL!  Tabellnavnet '%s' inneholder bindestrek (-).",
                      navn);
        return;
    }
}

void Steg(Kontroll &k, const char *tekst, int i, int n)
{
    if (k.linje != nullptr)
        mdlDialog_completionBarUpdate(k.linje, tekst, n > 0 ? 100 * i / n : 0);
}

void SjekkJoin(Kontroll &k, const GeoJoin &j)
{
    std::string t0 = Smaa(Tekst8(j.table0).c_str()), i0 = Smaa(Tekst8(j.index0).c_str()),
                t1 = Smaa(Tekst8(j.table1).c_str()), i1 = Smaa(Tekst8(j.index1).c_str()),
                v1 = Smaa(Tekst8(j.value1).c_str());
    const char *index0Melding =
        "FEIL!  Navnet '%s' i kolonne 'index0' i tabell 'ugjoin_cat' finnes ikke som kolonnenavn i tabell '%s'.";
    if (const DbTabell *t = FinnBufretTabell(t0.c_str())) {
        if (!KolonneFinnesIBufret(t, i0))
            k.melding(index0Melding, i0.c_str(), t0.c_str());
        if (!ErIdKolonne(i0.c_str()))
            k.melding("FEIL!  Navnet '%s' i kolonne 'index0' i tabell 'ugjoin_cat' slutter ikke p\xE5 'id'.",
                      i0.c_str());
        if (KolonneFinnesIBufret(FinnBufretTabell(t1.c_str()), "navn"))
            k.melding("ADVARSEL!  Kolonne 'navn' i ZERA referansetabell '%s' kan fjernes.", t1.c_str());
    } else if (k.erTabell(t0)) {
        if (!KolonneFinnesIDb(k.tabeller, i0))
            k.melding(index0Melding, i0.c_str(), t0.c_str());
    } else {
        k.melding("FEIL!  Navnet '%s' i kolonne 'table0' i tabell 'ugjoin_cat' finnes ikke som en tabell i databasen.",
                  t0.c_str());
    }
    const char *index1Melding =
        "FEIL!  Navnet '%s' i kolonne 'index1' i tabell 'ugjoin_cat' finnes ikke som kolonnenavn i tabell '%s'.";
    const char *value1Melding =
        "FEIL!  Navnet '%s' i kolonne 'value1' i tabell 'ugjoin_cat' finnes ikke som kolonnenavn i tabell '%s'.";
    if (const DbTabell *t = FinnBufretTabell(t1.c_str())) {
        if (!KolonneFinnesIBufret(t, i1))
            k.melding(index1Melding, i1.c_str(), t1.c_str());
        if (!KolonneFinnesIBufret(t, v1))
            k.melding(value1Melding, v1.c_str(), t1.c_str());
    } else if (k.erTabell(t1)) {
        if (!KolonneFinnesIDb(k.tabeller, i1))
            k.melding(index1Melding, i1.c_str(), t1.c_str());
        if (!KolonneFinnesIDb(k.tabeller, v1))
            k.melding(value1Melding, v1.c_str(), t1.c_str());
    } else {
        k.melding("FEIL!  Navnet '%s' i kolonne 'table1' i tabell 'ugjoin_cat' finnes ikke som en tabell i databasen.",
                  t1.c_str());
    }
}

void SkrivDbKontrollLogg(const Kontroll &k)
{
    char sti[MDLHOST_MAXFILELENGTH];
    DbKontrollLoggSti(sti, sizeof sti);
    FILE *fp = dlmSystem_mdlFopen(sti, "w");
    if (fp == nullptr) {
        zvlibError_rscMsgBoxPrintf(BOKS_FEIL, MELDING_LISTE, 7, sti);
        return;
    }
    fputs("Feilmeldinger/advarsler:\n", fp);
    fputs("========================\n", fp);
    int nr = 0;
    for (const std::string &m : k.meldinger)
        fprintf(fp, "%3d: %s\n", ++nr, m.c_str());
    fprintf(fp, "\nTotalt %d meldinger.\n", nr);
    dlmSystem_mdlFclose(fp);
    VisFil(sti);
}

} // namespace

void DbKontrollLoggSti(char *sti, int storrelse)
{
    char tmp[MDLHOST_MAXFILELENGTH] = "";
    if (mdlSystem_getCfgVar(tmp, "MS_TMP", sizeof tmp) == 0 && tmp[0] != '\0' &&
        mdlFile_buildName(sti, nullptr, tmp, "zvzera_dbcheck", "log") == 0)
        return;
    snprintf(sti, size_t(storrelse), "%s", "c:\\temp\\zvzera_dbcheck.log");
}

int KontrollerGGZeraDatabase(char *)
{
    Kontroll k;
    k.linje = mdlDialog_completionBarOpen("Leser databasebeskrivelser.");
    StringList *liste = nullptr;
    if (mdlMap_describeDatabase(&liste) != 0) {
        zvlibError_rscMsgBoxPrintf(BOKS_FEIL, MELDING_LISTE, 103);
        if (liste)
            mdlStringList_destroy(liste);
        if (k.linje)
            mdlDialog_completionBarClose(k.linje);
        return 0;
    }
    // Folded before sorting, so "Veg" and "veg" are one table.
    for (long i = 0; i < mdlStringList_size(liste); i++) {
        const char *navn = nullptr;
        mdlStringList_getMember(&navn, nullptr, liste, i);
        std::string sql = "select count(*) from " + SqlNavn(navn);
        char svar[MDLDB_VALUE_SIZE];
        if (navn != nullptr && mdlDB_sqlQuery(svar, sql.c_str()) == 0)
            k.tabeller.push_back(Smaa(navn));
    }
    mdlStringList_destroy(liste);
    std::sort(k.tabeller.begin(), k.tabeller.end());
    k.tabeller.erase(std::unique(k.tabeller.begin(), k.tabeller.end()), k.tabeller.end());

    int n = int(k.tabeller.size());
    for (int i = 0; i < n; i++) {
        const std::string &tabell = k.tabeller[size_t(i)];
        Steg(k, "Kontrollerer tabell- og kolonnenavn.", i, n);
        SjekkTegn(k, tabell.c_str(), nullptr);
        MS_SQLDA beskrivelse{};
        if (mdlDB_describeTable(tabell.c_str(), &beskrivelse) != 0)
            continue;
        for (int c = 0; c < beskrivelse.numColumns; c++)
            SjekkTegn(k, beskrivelse.columns[c].name, tabell.c_str());
        mdlDB_freeSQLDADescriptor(&beskrivelse);
    }
    GeoProject *prosjekt = geoProject_getActive();
    std::string katalog = prosjekt ? Tekst8(geoProject_getTableCatalogTableName(prosjekt)) : "";
    toolSubsystem_printf("zeragg3:KontrollerGGZeraDatabase : "
                         "geoProject_getTableCatalogTableName(GEO_ACTIVE_PROJECT) = '%s'\n",
                         katalog.c_str());

    if (zeraGGData != nullptr) {
        const ZeraGGData &d = *zeraGGData;
        for (int i = 0; i < d.antallBufredeTabeller; i++) {
            Steg(k, "Kontrollerer tabellen 'ugtable_cat'.", i, d.antallBufredeTabeller);
            if (!k.erTabell(Smaa(d.tabellBuffer[i].navn)))
                k.melding("FEIL!  Navnet '%s' i tabell '%s' finnes ikke som en tabell i databasen.",
                          d.tabellBuffer[i].navn, katalog.c_str());
        }
        for (int i = 0; i < d.antallTemakodeKonv; i++) {
            Steg(k, "Kontrollerer tabellen 'ZERA_temakode_konv'.", i, d.antallTemakodeKonv);
            bool funnet = false;
            for (const char *b : {"P", "L", "T", "F"}) {
                char16_t kode[32];
                std::string tekst = std::string(d.temakodeKonv[i].tilKode) + b;
                mdlCnv_convertMultibyteToUnicode(tekst.c_str(), -1, kode, 32);
                int indeks = 0;
                funnet = funnet || mdlMapFeature_indexFromCode(kode, &indeks) == 0;
            }
            if (!funnet)
                k.melding("FEIL!  Navnet '%s' i kolonne 2 i tabell '%s' finnes ikke som en feature-kode.",
                          d.temakodeKonv[i].tilKode, "ZERA_temakode_konv");
        }
        const GeoControlBlock *fcb = mdlhost_gisControlBlock();
        for (int i = 0; i < d.antallZeraGGRader; i++) {
            Steg(k, "Kontrollerer tabellen 'ZERA_GG'.", i, d.antallZeraGGRader);
            std::string c = d.zeraGGRader[i].kolonne;
            bool ok = false;
            for (int j = 0; fcb && j < fcb->joinCount && !ok; j++)
                ok = Smaa(Tekst8(fcb->joins[j].index0).c_str()) == c;
            if (ok)
                continue;
            if (ErIdKolonne(c.c_str())) {
                k.melding("FEIL!  Navnet '%s' i kolonne 1 i tabell '%s' finnes ikke i kolonne 'index0' i 'ugjoin_cat'.",
                          c.c_str(), "ZERA_GG");
                continue;
            }
            for (int t = 0; t < d.antallBufredeTabeller && !ok; t++)
                ok = KolonneFinnesIBufret(&d.tabellBuffer[t], c);
            if (!ok && !KolonneFinnesIDb(k.tabeller, c))
                k.melding("FEIL!  Navnet '%s' i kolonne 1 i tabell '%s' finnes ikke i kolonne 'index0' i 'ugjoin_cat' "
                          "eller som kolonnenavn i en tabell.",
                          c.c_str(), "ZERA_GG");
        }
        for (int j = 0; fcb && j < fcb->joinCount; j++) {
            Steg(k, "Kontrollerer tabellen 'ugjoin_cat'.", j, fcb->joinCount);
            SjekkJoin(k, fcb->joins[j]);
        }
    }
    if (k.linje)
        mdlDialog_completionBarClose(k.linje);
    SkrivDbKontrollLogg(k);
    return 0;
}

// ---- levels from features --------------------------------------------------------------

int ZeraDatabaseToDgnlib(char *)
{
    GeoProject *prosjekt = geoProject_getActive();
    DgnModelRefP modell = mdlModelRef_getActive();
    int antall = prosjekt ? geoProject_getFeatureCount(prosjekt) : 0;
    for (int i = 0; i < antall; i++) {
        GeoFeature *f = geoProject_getFeature(prosjekt, i);
        const char16_t *kode = geoFeature_getCode(f);
        if (mdlWideChar_strlen(kode) != 5 || kode[0] < u'0' || kode[0] > u'9')
            continue;
        int32_t stil = geoFeature_getLineStyleIndex(f);
        if (stil == -1) {
            std::string navn = Tekst8(geoFeature_getLineStyleName(f));
            if (mdlLineStyle_numberFromName(&stil, modell, navn.c_str()) != 0)
                stil = 0;
        }
        uint32_t farge = uint32_t(geoFeature_getColorForElement(f)), vekt = uint32_t(geoFeature_getWeightForElement(f));
        // The name after the code and "_" of the set-up's naming.
        const char16_t *navn = geoFeature_getName(f);
        const char16_t *beskrivelse = mdlWideChar_strlen(navn) > 6 ? navn + 6 : u"";
        char16_t tema[5] = {kode[0], kode[1], kode[2], kode[3], 0};
        if (!mdlLevel_isValidByName(modell, tema)) {
            uint32_t id = zvlibUtil_levelIdFromNameExtended(tema, 0, 1, farge, vekt, stil);
            mdlLevel_setDescription(modell, id, beskrivelse);
        }
        uint32_t id = zvlibUtil_levelIdFromNameExtended(kode, 0, 1, farge, vekt, stil);
        mdlLevel_setDescription(modell, id, beskrivelse);
    }
    mdlLevelTable_rewrite(modell);
    return 0;
}

// Header group (.HODE) parsing, and zerget_headinfo, which reads only the
// header of a file.
//
// Keys are found anywhere in the group at a key boundary; their values are
// the tokens after the key on the key's line.  Fatal checks end the parse;
// warnings go through the register, which keeps none of them.
#include <cassert>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "kartmotor_int.h"
#include "sys/mdlsys.h"

namespace {

const char *const kRutine = "SG_HEAD";
const char *const kHode = ".HODE";

// Start of the k-th (0-based) token after a key, on the key's line only, so
// a key without a value never takes the next line's.  Null when missing.
const char *token_etter(const char *key, size_t keyLen, int k)
{
    const char *p = key + keyLen;
    for (int i = 0;; i++) {
        while (er_blank((unsigned char)*p))
            p++;
        if (*p == '\0' || *p == '\n')
            return nullptr;
        if (i == k)
            return p;
        while (*p != '\0' && *p != '\n' && !er_blank((unsigned char)*p))
            p++;
    }
}

double tall(const char *key, size_t keyLen, int k)
{
    return tall_double(token_etter(key, keyLen, k));
}

long heltall(const char *key, size_t keyLen, int k)
{
    return tall_long(token_etter(key, keyLen, k));
}

// Values of 16- and 32-bit fields, held inside the field's range.
int16_t i16(long v)
{
    return (int16_t)(v < SHRT_MIN ? SHRT_MIN : v > SHRT_MAX ? SHRT_MAX : v);
}

int32_t i32(long v)
{
    return (int32_t)(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// Registers message number of SG_HEAD.  zerget_str clears the current
// message on its own errors, so the header's fields are set each time.
int16_t melding(int number, int16_t type)
{
    kopier(Bmw.theme, sizeof Bmw.theme, kHode);
    kopier(Bmw.objtype, sizeof Bmw.objtype, kHode);
    bmw_meld(kRutine, number, type, 0);
    return type == BMW_FATAL ? -2 : 0;
}

int16_t fatal(int number)
{
    return melding(number, BMW_FATAL);
}

void advarsel(int number)
{
    melding(number, BMW_WARNING);
}

// The origin key is there, but its Ø is spelled in none of the sets the
// engine knows (say the two bytes of UTF-8): the stem, then 8-bit bytes up
// to the key's end.
bool origo_i_annet_sett(const char *group)
{
    const char stamme[] = "...ORIGO-N";
    for (const char *p = finn_tekst(group, stamme, nullptr); p != nullptr; p = finn_tekst(p + 1, stamme, nullptr)) {
        const char *q = p + sizeof stamme - 1;
        while ((unsigned char)*q >= 0x80)
            q++;
        if (q > p + sizeof stamme - 1 && nokkelgrense(*q))
            return true;
    }
    return false;
}

// Set code named by a "..TEGNSETT" value; 0 for an unknown name.
int16_t tegnsett_fra_verdi(const char *verdi)
{
    static const struct {
        const char *del;
        int16_t set;
    } navn[] = {{"DOSN8", ZERA_CHARSET_DOS},  {"DECN7", ZERA_CHARSET_7BIT},    {"ND7", ZERA_CHARSET_7BIT},
                {"DECM8", ZERA_CHARSET_ISO},  {"ANSI", ZERA_CHARSET_ISO},      {"ISO8859-1", ZERA_CHARSET_ISO},
                {"ISO8859-10", ZERA_CHARSET_ISO}};
    for (const auto &n : navn)
        if (strstr(verdi, n.del) != nullptr)
            return n.set;
    return 0;
}

// Reads a quoted or plain text value into a header field.
bool les_tekst(const char *group, const char *key, int16_t set, char *felt, size_t feltSize)
{
    const char *p = finn_nokkel(group, key, nullptr);
    if (p == nullptr)
        return false;
    char verdi[ZERA_STR_LEN];
    if (zerget_str(p, verdi, &set) != 0)
        return false;
    kopier(felt, feltSize, verdi);
    return true;
}

// Header lines the record models (or that the writer makes anew) and so
// leaves out of extraHead.
bool modellert(const char *linje, const ScharStruct *keys)
{
    static const char *const nokler[] = {".HODE",       "..TEGNSETT", "..TRANSPAR", "...KOORDSYS", "...ENHET",
                                         "..ZERA-VERSJON", "..DATO",  "..KVALITET", "..PRODUSENT", "..EIER",
                                         "..KARTID",    "..INNHOLD",  "...FKBDATA", "..KOMM"};
    static const struct {
        const char *format;
        char bokstav;
    } stammer[] = {{"...ORIGO-N%s", 'O'}, {"...MIN-N%s", 'O'}, {"...MAX-N%s", 'O'}, {"..ZERA-NIV%s", 'A'}};
    for (const char *n : nokler)
        if (finn_nokkel(linje, n, nullptr) != nullptr)
            return true;
    for (const auto &s : stammer)
        if (finn_nokkel_alle(linje, s.format, s.bokstav, nullptr, nullptr) != nullptr)
            return true;
    return finn_nokkel(linje, keys->omraadeKey, nullptr) != nullptr;
}

void samle_ekstra(const char *group, SheadStruct *head, const ScharStruct *keys)
{
    constexpr size_t plass = SHEAD_EXTRA_LEN - 1;
    head->extraHead[0] = '\0';
    const char *fra = strstr(group, "..");
    if (fra == nullptr)
        return;
    // Each line is searched on its own copy, cut at its end, so the key
    // searches stay linear in the group's size.
    std::string arbeid(fra);
    char *linje = arbeid.data();
    size_t brukt = 0;
    while (*linje != '\0' && plass - brukt > 3) {
        char *slutt = strchr(linje, '\n');
        char *neste = slutt != nullptr ? slutt + 1 : linje + strlen(linje);
        if (slutt != nullptr)
            *slutt = '\0';
        if (!modellert(linje, keys)) {
            size_t len = strlen(linje);
            size_t trengs = len + (brukt > 0 ? 1 : 0);
            if (trengs > plass - brukt)
                break;
            if (brukt > 0)
                head->extraHead[brukt++] = '\n';
            memcpy(head->extraHead + brukt, linje, len);
            brukt += len;
            head->extraHead[brukt] = '\0';
        }
        linje = neste;
    }
    // Held in set 1, as the header's other texts, so that the writer can
    // put them into the set of the header it writes.
    int16_t filsett = head->charset, iso = ZERA_CHARSET_ISO;
    if (brukt > 0 && filsett != ZERA_CHARSET_ISO)
        bbs_cstr78(head->extraHead, &filsett, &iso);
}

} // namespace

int16_t zerget_head(const char *group, SheadStruct *head, ScharStruct *keys)
{
    assert(group != nullptr && head != nullptr && keys != nullptr);
    bmwclr();
    kopier(Bmw.theme, sizeof Bmw.theme, kHode);
    kopier(Bmw.objtype, sizeof Bmw.objtype, kHode);
    bmw_sett(kRutine, 0, BMW_WARNING);

    if (finn_nokkel(group, kHode, nullptr) == nullptr)
        return fatal(1);
    const char *p = finn_nokkel(group, "..TEGNSETT", nullptr);
    if (p == nullptr)
        return fatal(2);
    char navn[SHEAD_TEGNSETT_LEN] = "";
    const char *verdi = token_etter(p, strlen("..TEGNSETT"), 0);
    if (verdi != nullptr)
        linje_token(verdi, 0, navn, sizeof navn);
    int16_t set = tegnsett_fra_verdi(navn);
    if (set == 0)
        return fatal(3);
    if (shead_init(&set, head, keys) != 0)
        return -2;

    size_t len = strlen("..ZERA-VERSJON");
    if ((p = finn_nokkel(group, "..ZERA-VERSJON", nullptr)) != nullptr) {
        head->zeraVersjon = tall(p, len, 0);
        if (!(head->zeraVersjon >= 1.0)) // also refuses a version that is not a number
            return fatal(19);
    } else {
        advarsel(9);
    }

    p = finn_nokkel_alle(group, "...ORIGO-N%s", 'O', nullptr, &len);
    if (p == nullptr)
        return fatal(origo_i_annet_sett(group) ? 17 : 5);
    head->origoN = tall(p, len, 0);
    head->origoE = tall(p, len, 1);
    if (finn_nokkel(linje_start(group, p), keys->origoKey, linje_slutt(p)) == nullptr)
        return fatal(17);

    if ((p = finn_nokkel(group, "...KOORDSYS", nullptr)) != nullptr) {
        head->koordsys = i16(heltall(p, strlen("...KOORDSYS"), 0));
    } else if (head->zeraVersjon >= 3.0) {
        if ((p = finn_nokkel(group, "...TRANSSYS", nullptr)) != nullptr) {
            len = strlen("...TRANSSYS");
            head->koordsys = -1;
            head->transsysCode = i16(heltall(p, len, 0));
            for (int i = 0; i < SHEAD_TRANSPAR_COUNT; i++)
                head->transsysParams[i] = tall(p, len, i + 1);
        } else if ((p = finn_nokkel(group, "...GEOSYS", nullptr)) != nullptr) {
            len = strlen("...GEOSYS");
            head->koordsys = -2;
            head->geosysDatum = i16(heltall(p, len, 0));
            head->geosysProjection = i16(heltall(p, len, 1));
            head->geosysZone = i16(heltall(p, len, 2));
        } else {
            advarsel(4);
        }
        if ((p = finn_nokkel(group, "...GEOKOORD", nullptr)) != nullptr)
            head->geokoord = i16(heltall(p, strlen("...GEOKOORD"), 0));
    } else {
        advarsel(4);
    }

    if ((p = finn_nokkel(group, "..ENHET", nullptr)) == nullptr)
        return fatal(6);
    head->enhet = tall(p, strlen("..ENHET"), 0);
    // An infinite unit would turn every coordinate into infinity, and one
    // of more than a kilometre writes every map's coordinates as 0.
    if (!(head->enhet > 0.0) || !std::isfinite(head->enhet))
        return fatal(18);
    if (head->enhet > ZERA_MAKS_ENHET)
        return fatal(22);

    if ((p = finn_nokkel_alle(group, "...MIN-N%s", 'O', nullptr, &len)) != nullptr) {
        head->minN = tall(p, len, 0);
        head->minE = tall(p, len, 1);
    } else {
        advarsel(7);
    }
    if ((p = finn_nokkel_alle(group, "...MAX-N%s", 'O', nullptr, &len)) != nullptr) {
        head->maxN = tall(p, len, 0);
        head->maxE = tall(p, len, 1);
    } else {
        advarsel(8);
    }
    if (head->maxN < head->minN || head->maxE < head->minE)
        return fatal(16);

    if ((p = finn_nokkel_alle(group, "..ZERA-NIV%s", 'A', nullptr, &len)) != nullptr) {
        long nivaa = heltall(p, len, 0);
        if (nivaa < 1 || nivaa > 6)
            return fatal(20);
        head->zeraNivaa = (int16_t)nivaa;
    } else {
        advarsel(10);
    }

    if ((p = finn_nokkel(group, "..DATO", nullptr)) != nullptr) {
        head->dato = i32(heltall(p, strlen("..DATO"), 0));
        if (head->dato < 18990101 || head->dato > 20101231)
            advarsel(21);
    } else {
        advarsel(11);
    }

    if ((p = finn_nokkel(group, "..KVALITET", nullptr)) != nullptr) {
        len = strlen("..KVALITET");
        for (int i = 0; i < ZERA_KVALITET_COUNT; i++) {
            const char *t = token_etter(p, len, i);
            if (t == nullptr)
                break;
            head->kvalitet[i] = i32(tall_long(t));
        }
        if (head->kvalitet[2] < 0 || head->kvalitet[2] > 3)
            head->kvalitet[2] = 0;
    } else {
        advarsel(12);
    }

    if (!les_tekst(group, "..KARTID", set, head->kartid, sizeof head->kartid))
        advarsel(13);
    if (!les_tekst(group, "..PRODUSENT", set, head->produsent, sizeof head->produsent))
        advarsel(14);
    if (!les_tekst(group, "..EIER", set, head->eier, sizeof head->eier))
        advarsel(15);

    if ((p = finn_nokkel(group, "...FKBDATA", nullptr)) != nullptr) {
        len = strlen("...FKBDATA");
        // A value longer than the field is cut to it.
        for (int i = 0; i < SHEAD_FKB_COUNT; i++) {
            const char *t = token_etter(p, len, i);
            if (t == nullptr)
                break;
            linje_token(t, 0, head->fkbdata[i], sizeof head->fkbdata[i]);
        }
    }

    if ((p = finn_nokkel(group, keys->hoydeKey, nullptr)) != nullptr)
        head->hoyde = tall(p, strlen(keys->hoydeKey), 0);
    if ((p = finn_nokkel(group, "..KOMM", nullptr)) != nullptr)
        head->komm = i16(heltall(p, strlen("..KOMM"), 0));

    samle_ekstra(group, head, keys);
    return 0;
}

int zerget_headinfo(const char *zeraFile, SheadStruct *header, int32_t *fileSize, MdlFunctionP cTxt)
{
    (void)cTxt; // the header read registers messages only; the caller fetches their texts
    static char buffer[ZERA_HEAD_BUFFER];
    bmwinit();
    if (fileSize != nullptr)
        *fileSize = 0;
    // A FIFO or device named as a ZERA or header file would block or never end.
    FILE *fp = zeraFile != nullptr ? mdlhost_fopenRegular(zeraFile) : nullptr;
    if (fp == nullptr)
        return 1;
    long storrelse = -1;
    if (fseek(fp, 0, SEEK_END) == 0)
        storrelse = ftell(fp);
    fseek(fp, 0, SEEK_SET);
    if (fileSize != nullptr)
        *fileSize = storrelse < 0 ? 0 : i32(storrelse);

    int32_t linje = 0, start = 0;
    long neste = 0, gruppe = 0;
    int16_t kommentar = 1;
    int16_t r = zerget_buff(buffer, sizeof buffer, &linje, &start, &neste, &gruppe, fp, &kommentar);
    // A file that holds only the header, without .SLUTT, ends in its one group.
    if (r != 0 && !(r == 1 && buffer[0] != '\0')) {
        dlmSystem_mdlFclose(fp);
        return 2;
    }
    ScharStruct keys;
    memset(header, 0, sizeof *header);
    memset(&keys, 0, sizeof keys);
    int16_t h = zerget_head(buffer, header, &keys);
    dlmSystem_mdlFclose(fp);
    return h != 0 ? 3 : 0;
}

// Report file of a run: the register in Bmw written as plain text.  The
// texts belong to the calling application and are fetched through its
// message-text callback; the engine only lays them out.
//
// Sections: message texts - head - counters - messages - unknown themes.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kartmotor_int.h"
#include "sys/mdlsys.h"

void bmw_ctxt(MdlFunctionP cTxt, const char *rutnam, int number, char out[BMW_CTXT_LEN])
{
    out[0] = '\0';
    if (cTxt == nullptr)
        return;
    // The callback takes a writable name and a 16-bit number.
    char name[BMW_RUTNAM_LEN + 1];
    kopier(name, sizeof name, rutnam != nullptr ? rutnam : "");
    short number16 = (short)number;
    int rc = dlmSystem_callAnyFunction(mdlSystem_getCurrMdlDesc(), cTxt, "PPP", name, &number16, out);
    out[BMW_CTXT_LEN - 1] = '\0';
    if (rc != 0)
        out[0] = '\0';
}

namespace {

enum { kNumberedTypes = ZERA_TYPE_COUNT };

struct Rapport {
    FILE *fp;
    MdlFunctionP cTxt;
    char typeName[kNumberedTypes + 1][BMW_CTXT_LEN]; // texts 11 to 26, by type

    const char *tekst(int number, char *out)
    {
        bmw_ctxt(cTxt, "BMW", number, out);
        return out;
    }

    // Name of an element type; types outside 1..16 ask for their text too.
    const char *typenavn(int type, char *scratch)
    {
        if (type >= 1 && type <= kNumberedTypes)
            return typeName[type];
        return tekst(10 + type, scratch);
    }
};

const char *tom_hvis_null(const char *text) { return text != nullptr ? text : ""; }

// The unknown-theme column read as a theme number, 0 when it is none.
int32_t temanummer(const char *theme)
{
    long v = strtol(theme, nullptr, 10);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return (int32_t)v;
}

void skriv_hode(Rapport &r, const char *reportFile, const char *zeraFile, const char *themeFile, const char *xmlFile)
{
    char t[BMW_CTXT_LEN];
    fprintf(r.fp, "%s\n", Bmw.program);
    fprintf(r.fp, "%s\n", Bmw.systemId);
    fprintf(r.fp, "%s %s\n", r.tekst(32, t), Bmw.date);
    fprintf(r.fp, "%s %s\n", r.tekst(39, t), reportFile);
    fprintf(r.fp, "%s %s\n", r.tekst(40, t), tcbP != nullptr ? tcbP->dgnfilenm : "");
    fprintf(r.fp, "%s %s\n", r.tekst(41, t), tom_hvis_null(zeraFile));
    if (geoGraphics == 0) {
        fprintf(r.fp, "%s %s\n", r.tekst(42, t), tom_hvis_null(themeFile));
        if (xmlOn != 0)
            fprintf(r.fp, "%s %s\n", r.tekst(50, t), tom_hvis_null(xmlFile));
    }
    fprintf(r.fp, "\n");
}

void skriv_tellere(Rapport &r, bool scan, int unknownImported)
{
    char t[BMW_CTXT_LEN];
    fprintf(r.fp, "%s\n", r.tekst(scan ? 46 : 8, t));
    fprintf(r.fp, "%s\n", r.tekst(scan ? 48 : unknownImported != 0 ? 43 : 44, t));
    long sumRead = 0, sumSecond = 0, sumErrors = 0;
    for (int type = 1; type <= kNumberedTypes; type++) {
        long second = scan ? Bmw.written[type - 1] : Bmw.notImported[type - 1];
        sumRead += Bmw.read[type - 1];
        sumSecond += second;
        sumErrors += Bmw.errors[type - 1];
        if (Bmw.read[type - 1] > 0)
            fprintf(r.fp, "%-10s %6ld  %6ld %6ld\n", r.typeName[type], (long)Bmw.read[type - 1], second,
                    (long)Bmw.errors[type - 1]);
    }
    fprintf(r.fp, "%-10s %6ld  %6ld %6ld\n", r.tekst(51, t), sumRead, sumSecond, sumErrors);
}

void skriv_meldinger(Rapport &r)
{
    if (Bmw.fatalCount <= 0 && Bmw.errorCount <= 0)
        return;
    char t[BMW_CTXT_LEN], countLabel[BMW_CTXT_LEN], scratch[BMW_CTXT_LEN];
    fprintf(r.fp, "\n");
    r.tekst(2, countLabel);
    int32_t used = Bmw.msgCount < 0 ? 0 : Bmw.msgCount > BMW_MAX_MESSAGES ? BMW_MAX_MESSAGES : Bmw.msgCount;
    const BmwMessageTable &m = Bmw.msg;
    for (int16_t kind : {(int16_t)BMW_FATAL, (int16_t)BMW_ERROR}) {
        int32_t count = kind == BMW_FATAL ? Bmw.fatalCount : Bmw.errorCount;
        if (count == 0)
            continue;
        fprintf(r.fp, "\n%s :\n", r.tekst(kind == BMW_FATAL ? 3 : 4, t));
        fprintf(r.fp, "%s %ld\n", countLabel, (long)count);
        fprintf(r.fp, "%s\n", r.tekst(35, t));
        for (int32_t i = 0; i < used; i++) {
            if (m.type[i] != kind)
                continue;
            bmw_ctxt(r.cTxt, m.rutnam[i], m.number[i], t);
            if (kind == BMW_FATAL)
                fprintf(r.fp, "%10ld %s\n", (long)m.line[i], t);
            else if (m.elementType[i] > 0)
                fprintf(r.fp, "%-25s %-5s %-10s %-ld: %.2lf %.2lf %s\n", m.objtype[i], m.theme[i],
                        r.typenavn(m.elementType[i], scratch), (long)m.line[i], m.n[i], m.e[i], t);
            else
                fprintf(r.fp, "%s %-ld\n", t, (long)m.line[i]);
        }
    }
}

void skriv_ukjente(Rapport &r, bool scan, int unknownImported)
{
    if (Bmw.unknownCount <= 0 || (unknownImported != 0 && geoGraphics == 0))
        return;
    char t[BMW_CTXT_LEN], reason[BMW_CTXT_LEN], scratch[BMW_CTXT_LEN];
    fprintf(r.fp, "\n");
    if (!scan)
        fprintf(r.fp, "%s\n", r.tekst(37, t));
    fprintf(r.fp, "%s\n", r.tekst(scan ? 47 : bmwRunKind == BMW_RUN_EXPORT ? 45 : 36, t));

    const BmwUnknownTable &u = Bmw.tem;
    int32_t used = Bmw.unknownCount > BMW_MAX_UNKNOWN ? BMW_MAX_UNKNOWN : Bmw.unknownCount;
    std::vector<int32_t> numbers, positions;
    for (int32_t i = 0; i < used; i++) {
        int32_t number = temanummer(u.theme[i]);
        if (number != 0) {
            numbers.push_back(number);
            positions.push_back(i);
            continue;
        }
        bmw_ctxt(r.cTxt, u.rutnam[i], u.number[i], reason);
        fprintf(r.fp, "%-25s %-5s %-10s %5ld %s\n", u.objtype[i], u.theme[i], r.typenavn(u.elementType[i], scratch),
                (long)u.count[i], reason);
    }
    int32_t count = (int32_t)numbers.size();
    std::vector<int32_t> order(numbers.size()), work(numbers.size());
    if (sort_index(numbers.data(), &count, order.data(), work.data()) != 0)
        return;
    for (int32_t o : order) {
        int32_t i = positions[(size_t)o];
        const char *name = r.typenavn(u.elementType[i], scratch);
        if (scan) {
            fprintf(r.fp, "%-5s %-10s %5ld\n", u.theme[i], name, (long)u.count[i]);
        } else {
            bmw_ctxt(r.cTxt, u.rutnam[i], u.number[i], reason);
            fprintf(r.fp, "%-5s %-10s %5ld %s\n", u.theme[i], name, (long)u.count[i], reason);
        }
    }
}

} // namespace

int exit_zera2dgn(const char *reportFile, const char *zeraFile, const char *themeFile, const char *xmlFile,
                  int unknownImported, MdlFunctionP cTxt)
{
    if (reportFile == nullptr)
        return -1;
    FILE *fp = dlmSystem_mdlFopen(reportFile, "w");
    if (fp == nullptr)
        return -1;
    Rapport r;
    r.fp = fp;
    r.cTxt = cTxt;
    for (int type = 1; type <= kNumberedTypes; type++)
        bmw_ctxt(cTxt, "BMW", 10 + type, r.typeName[type]);
    r.typeName[0][0] = '\0';

    bool scan = bmwRunKind == BMW_RUN_SCAN;
    skriv_hode(r, reportFile, zeraFile, themeFile, xmlFile);
    skriv_tellere(r, scan, unknownImported);
    skriv_meldinger(r);
    skriv_ukjente(r, scan, unknownImported);

    // A full disk shows only here; the caller must not take a cut report
    // for a whole one.
    bool failed = ferror(fp) != 0;
    if (dlmSystem_mdlFclose(fp) != 0)
        failed = true;
    return failed ? -1 : 0;
}

// Message box.
#include "zvliberror.h"

#include <cstring>
#include <string>

#include "app/mdlapp.h"
#include "dlg/mdldlg.h"
#include "rsc/mdlrsc.h"

namespace {

constexpr int MELDING_LEN = 1024;       // formatted text of a box, 1023 characters
constexpr int MAKS_LINJER = 24;         // lines a box shows
constexpr int SPRAAKTEKSTER = 20007;    // message list of the language texts

struct Stil {
    int type;     // 1, 2, 4 or 8
    int knapp1;   // language text of the first button
    int knapp2;   // language text of the second button, 0: none
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

// The application's language text, or a plain word while it has none.
const char *knappTekst(int nr)
{
    if (const char *t = mdlhost_messageListEntry(mdlSystem_getCurrMdlDesc(), SPRAAKTEKSTER, nr))
        if (t[0] != '\0')
            return t;
    static const char *const ord[] = {"OK", "Ja", "Fortsett", "Avbryt", "Nei", "Avslutt"};
    return ord[nr - 25];
}

// The lines the box shows: empty lines vanish, at most MAKS_LINJER.
std::string linjer(const char *tekst)
{
    std::string ut;
    int antall = 0;
    for (const char *p = tekst; *p && antall < MAKS_LINJER;) {
        const char *slutt = strchr(p, '\n');
        size_t len = slutt ? (size_t)(slutt - p) : strlen(p);
        if (len > 0) {
            if (antall++ > 0)
                ut.push_back('\n');
            ut.append(p, len);
        }
        p += len;
        if (*p == '\n')
            p++;
    }
    return ut;
}

} // namespace

int zvlibError_rscMsgBoxVPrintf(int style, int list, int entry, va_list args)
{
    char tekst[MELDING_LEN];
    va_list kopi;
    va_copy(kopi, args);
    int n = mdlOutput_rscsVPrintf(tekst, sizeof tekst, nullptr, list, entry, kopi);
    va_end(kopi);
    if (n <= 0)
        return ZVLIB_BOX_NOT_LOADED;

    Stil s = lesStil(style);
    const char *knapp2 = s.knapp2 ? knappTekst(s.knapp2) : nullptr;
    int svar = mdlhost_alert(s.type, linjer(tekst).c_str(), knappTekst(s.knapp1), knapp2);
    return (svar == 2 && knapp2 != nullptr) ? ZVLIB_BOX_SECOND : ZVLIB_BOX_FIRST;
}

int zvlibError_rscMsgBoxPrintf(int style, int list, int entry, ...)
{
    va_list ap;
    va_start(ap, entry);
    int r = zvlibError_rscMsgBoxVPrintf(style, list, entry, ap);
    va_end(ap);
    return r;
}

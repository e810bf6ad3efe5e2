// What the benchmarks of design files share: the theme table, a generated
// ZERA file of level 4, the cell library its point symbols need and the
// application's settings for an import.
//
// Sections: theme table - ZERA file - cell library - settings.
#ifndef DGNBENK_H
#define DGNBENK_H

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "brukerdata.h"
#include "mdlhost.h"
#include "zvlibmain.h"
#include "zvlibtext.h"

namespace dgnbenk {

// ---- theme table ---------------------------------------------------------------------
inline const char temaTekst[] = "Fastmerke;2101;HDB;P;2101;3;0;0;0;0;0;KRYSS;1;1;0\n"
                                "Kystkontur;3001;KYS;L;3001;2;1;0;0;0;0;KRYSS;1;1;0\n"
                                "Stedsnavn;1010;FM;T;1010;4;0;0;105;5;4;KRYSS;1;1;0\n"
                                "Grense;1012;FM;L;1012;1;0;0;0;0;0;KRYSS;1;1;0\n"
                                "Omraade;1011;FM;F;1011;6;0;0;0;0;0;KRYSS;1;1;0\n";

// ---- ZERA file ------------------------------------------------------------------------
// Blocks of four points, two short lines and a text; every fifth block
// also an area of an outer and an inner boundary, every hundredth a line
// of 6000 points, written in pieces.  Level 4, so the areas go in.  The
// blocks begin at block number forste, so files of different numbers lie
// apart.  An existing file is kept.
inline void lagZeraFil(const std::string &sti, long maalBytes, long forste = 0)
{
    if (std::filesystem::exists(sti))
        return;
    FILE *f = fopen(sti.c_str(), "wb");
    if (f == nullptr)
        abort();
    fputs(".HODE\n..TEGNSETT ISO8859-1\n..TRANSPAR\n...KOORDSYS 22\n...ORIGO-N\xD8 0 0\n...ENHET 0.01\n"
          "..OMR\xC5" "DE\n...MIN-N\xD8 6600000 500000\n...MAX-N\xD8 6700000 600000\n..ZERA-VERSJON 4.0\n"
          "..ZERA-NIV\xC5 4\n",
          f);
    long serie = 0;
    for (long blokk = forste; ftell(f) < maalBytes; ++blokk) {
        long n0 = 660000000 + (blokk % 1000) * 1000, e0 = 50000000 + (blokk / 1000) * 1000;
        for (int p = 0; p < 4; ++p)
            fprintf(f, ".PUNKT %ld:\n..PTEMA 2101\n..N\xD8H\n%ld %ld %ld\n", ++serie, n0 + p * 10, e0 + p * 7,
                    1000 + blokk % 500);
        // Short lines in every block, a long one in pieces now and then.
        int lengder[3] = {30, 30, blokk % 100 == 0 ? 6000 : 0};
        for (int lengde : lengder) {
            if (lengde == 0)
                continue;
            fprintf(f, ".LINJE %ld:\n..LTEMA 3001\n..N\xD8H\n", ++serie);
            for (int i = 0; i < lengde; ++i)
                fprintf(f, "%ld %ld %d\n", n0 + i * 2, e0 + (i % 7) * 3, 1000 + i % 50);
        }
        fprintf(f, ".TEKST %ld:\n..TTEMA 1010\n..STRENG \"Navn %ld\"\n..N\xD8\n%ld %ld\n", ++serie, blokk, n0 + 50,
                e0 + 50);
        if (blokk % 5 == 0) {
            long ytre = ++serie;
            fprintf(f, ".LINJE %ld:\n..LTEMA 1012\n..N\xD8H\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n",
                    ytre, n0, e0, n0, e0 + 900, n0 + 900, e0 + 900, n0 + 900, e0, n0, e0);
            long indre = ++serie;
            fprintf(f, ".LINJE %ld:\n..LTEMA 1012\n..N\xD8H\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n%ld %ld 0\n",
                    indre, n0 + 300, e0 + 300, n0 + 300, e0 + 600, n0 + 600, e0 + 600, n0 + 600, e0 + 300, n0 + 300,
                    e0 + 300);
            fprintf(f, ".FLATE %ld:\n..FTEMA 1011\n..REF :%ld (:%ld)\n..N\xD8\n%ld %ld\n", ++serie, ytre, indre,
                    n0 + 100, e0 + 100);
        }
    }
    fputs(".SLUTT\n", f);
    if (fclose(f) != 0)
        abort();
}

// ---- cell library ----------------------------------------------------------------------
// One cross, 1 m at 10,000 UOR per master unit.  An existing file is kept.
inline void lagCellebibliotek(const std::string &lib)
{
    if (std::filesystem::exists(lib))
        return;
    DPoint3d o{0, 0, 0};
    if (mdlhost_dgnCreateFile(lib.c_str(), 0, 10000.0, "m", &o) != 0)
        abort();
    MSElement a{}, b{};
    DPoint3d pa[2] = {{-5000, 0, 0}, {5000, 0, 0}}, pb[2] = {{0, -5000, 0}, {0, 5000, 0}};
    mdlCurrTrans_begin();
    mdlCurrTrans_identity();
    mdlLine_create(&a, nullptr, pa);
    mdlLine_create(&b, nullptr, pb);
    mdlCurrTrans_end();
    MSElementDescr *d = nullptr;
    mdlElmdscr_new(&d, nullptr, &a);
    mdlElmdscr_appendElement(d, &b);
    if (mdlhost_cellLibraryAddCell(lib.c_str(), u"KRYSS", u"", d) != 0)
        abort();
    mdlElmdscr_freeAll(&d);
}

// ---- settings ------------------------------------------------------------------------------
// zvlib started as for a user, and the settings record d in force with the
// symbology of unknown themes and the cell library lib.
inline void settBrukerData(zeraBrukerGrensesnittData &d, const std::string &lib)
{
    char *argv[] = {const_cast<char *>("zvzera.ma"), const_cast<char *>("USER")};
    zvlibMain_initZvLib("ZvZera", 2, argv);
    d.standardFarge = 5;
    d.standardVekt = 1;
    d.standardFont = 105;
    d.standardTekstHoyde = d.standardTekstBredde = 5.0;
    d.standardCelleskala = d.symbolSkala = 1.0;
    d.fyllFlater = 1;
    zvlib::copyText(d.cellebibliotekNavn, lib.c_str());
    brukerDataP = &d;
}

} // namespace dgnbenk

#endif

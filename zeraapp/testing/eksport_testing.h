// Fixture of the export tests: an active design file (1000 UOR per metre),
// an application with zvlib's and the ZERA application's resources, a settings record of
// the test's own, the theme table of the end-to-end cases, and helpers that
// add elements through the host and run an export to a real ZERA file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "brukerdata.h"
#include "dgncell_testing.h"
#include "eksport.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "testing/hode_testing.h"
#include "testing/zerafiler_testing.h"
#include "zeratagger.h"
#include "testing/zvlibdgn_testing.h"
#include "zvlibtext.h"
#include "zvzera_services.h"

namespace eksporttest {

using dgntest::DscrPtr;

using zerafiltest::lesFil;
using zerafiltest::TEMATABELL;

class EksportTest : public zvlibtest::DgnAppTest {
  protected:
    std::string extraResources() const override
    {
        return "Include \"" ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc\"\n";
    }
    void SetUp() override
    {
        DgnAppTest::SetUp();
        if (HasFatalFailure())
            return;
        data_ = std::make_unique<zeraBrukerGrensesnittData>();
        memset(data_.get(), 0, sizeof *data_);
        hode(ZERA_CHARSET_ISO, 22, 20240315);
        data_->eksporterZeratema = 1;
        zvlib::copyText(data_->zeraFil, path("ut.zer").c_str());
        brukerDataP = data_.get();
        eksporterZeratema = 1;
        eksporterObjekttype = 0;
        matchLevel = matchColor = matchStyle = matchWeight = 0;
        geoGraphics = 0;
        lagreNOH = 0;
        multHoyde = hoydeAvrunding = 0;
        Symboltab.count = 0;
        Fkbtab.count = 0;
        Mstemtab.rowCount = 0;
        temaFil(TEMATABELL);
        FrigjorTagsetTabell();
        mdlFence_clear();
        mdlhost_requestAbort(0);
    }
    void TearDown() override
    {
        FrigjorTagsetTabell();
        mdlFence_clear();
        mdlParams_setLock(LOCK_FENCE_CLIP, 0);
        brukerDataP = nullptr;
        Mstemtab.rowCount = 0;
        Fkbtab.count = 0;
        Symboltab.count = 0;
        DgnAppTest::TearDown();
    }

    std::unique_ptr<zeraBrukerGrensesnittData> data_;

  public:
    // The export header: the set, coordinate system and date given, unit
    // 0.01, origin 0, version 3.4, level 3.
    void hode(int16_t set, int16_t koordsys, int32_t dato)
    {
        hodetest::nyttHode(set, &data_->hode);
        data_->hode.koordsys = koordsys;
        data_->hode.enhet = 0.01;
        data_->hode.zeraVersjon = 3.4;
        data_->hode.zeraNivaa = 3;
        data_->hode.dato = dato;
    }
    // A new theme table; the engine loads it at the next run.
    void temaFil(const std::string &tekst)
    {
        std::ofstream(path("tema.tem")) << tekst;
        Mstemtab.rowCount = 0;
    }

    uint32_t nivaa(const char *navn)
    {
        std::u16string w(navn, navn + strlen(navn));
        uint32_t id = 0;
        if (mdlLevel_getIdFromName(&id, 0, w.c_str()) == 0 && id != 0)
            return id;
        EXPECT_EQ(mdlLevel_create(0, w.c_str(), &id), 0);
        return id;
    }
    // Level and graphic group of an element to be added.
    void sett(MSElement *el, const char *niva, uint32_t gg = 0)
    {
        uint32_t l = nivaa(niva);
        EXPECT_EQ(mdlElement_setProperties(el, &l, &gg, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    }
    uint32_t legg(MSElement *el)
    {
        uint32_t pos = mdlElement_add(el);
        EXPECT_NE(pos, 0u);
        return pos;
    }
    // Points in metres, added in UOR.
    static std::vector<DPoint3d> uor(std::vector<DPoint3d> p)
    {
        for (DPoint3d &q : p)
            q.x *= 1000, q.y *= 1000, q.z *= 1000;
        return p;
    }
    std::unique_ptr<MSElement> linjestreng(const std::vector<DPoint3d> &m, const char *niva, uint32_t gg = 0)
    {
        auto el = dgntest::newElement();
        auto p = uor(m);
        if (p.size() == 2)
            EXPECT_EQ(mdlLine_create(el.get(), nullptr, p.data()), 0);
        else
            EXPECT_EQ(mdlLineString_create(el.get(), nullptr, p.data(), int(p.size())), 0);
        sett(el.get(), niva, gg);
        return el;
    }
    uint32_t leggLinje(const std::vector<DPoint3d> &m, const char *niva, uint32_t gg = 0)
    {
        return legg(linjestreng(m, niva, gg).get());
    }
    std::unique_ptr<MSElement> tekst(const char *t, DPoint3d m, double vinkel, const char *niva, uint32_t gg = 0)
    {
        auto el = dgntest::newElement();
        DPoint3d o = uor({m})[0];
        RotMatrix rot;
        mdlRMatrix_fromAngle(&rot, vinkel);
        TextSizeParam size{4000, 5000};
        TextParam par{};
        par.font = 105;
        par.justification = 2;
        par.style[0] = par.style[1] = -1;
        EXPECT_EQ(mdlText_create(el.get(), nullptr, t, &o, &rot, &size, &par), 0);
        sett(el.get(), niva, gg);
        return el;
    }
    // An arc about c (metres) from angle a0 with the sweep (radians).
    std::unique_ptr<MSElement> bue(DPoint3d c, double r, double a0, double sveip, const char *niva)
    {
        auto el = dgntest::newElement();
        DPoint3d cu = uor({c})[0];
        EXPECT_EQ(mdlArc_create(el.get(), nullptr, &cu, r * 1000, r * 1000, nullptr, a0, sveip), 0);
        sett(el.get(), niva);
        return el;
    }
    // A descriptor headed by hdr with the given components.
    static MSElementDescr *dscr(const MSElement *hdr, const std::vector<const MSElement *> &deler)
    {
        MSElementDescr *d = nullptr;
        EXPECT_EQ(mdlElmdscr_new(&d, nullptr, hdr), 0);
        for (const MSElement *e : deler)
            EXPECT_EQ(mdlElmdscr_appendElement(d, e), 0);
        EXPECT_EQ(mdlElmdscr_validate(d, 0), 0);
        return d;
    }
    uint32_t leggDscr(MSElementDescr *d)
    {
        uint32_t pos = mdlElmdscr_add(d);
        EXPECT_NE(pos, 0u);
        mdlElmdscr_freeAll(&d);
        return pos;
    }
    // A complex chain (closed: complex shape) of the pieces.
    uint32_t leggKompleks(const std::vector<std::vector<DPoint3d>> &deler, const char *niva, bool lukket = false,
                          uint32_t gg = 0)
    {
        auto hdr = dgntest::newElement();
        EXPECT_EQ(mdlComplexChain_createHeader(hdr.get(), lukket ? 1 : 0, 0), 0);
        sett(hdr.get(), niva, gg);
        std::vector<std::unique_ptr<MSElement>> eier;
        std::vector<const MSElement *> d;
        for (const auto &p : deler) {
            eier.push_back(linjestreng(p, niva));
            d.push_back(eier.back().get());
        }
        return leggDscr(dscr(hdr.get(), d));
    }

    // The export of the active model to ut.zer as the application makes it;
    // returns the ZERA text.
    std::string eksporter()
    {
        std::string elementer = path("elementer.tmp"), zera = path("ut.zer");
        MdlFunctionP ctxt = reinterpret_cast<MdlFunctionP>(&c_txt);
        EXPECT_EQ(init_dgn2zera(path("tema.tem").c_str(), elementer.c_str(), &data_->hode, ctxt), 0);
        EksporterTegning();
        EXPECT_EQ(exit_dgn2zera(path("ut.log").c_str(), zera.c_str(), elementer.c_str(), path("tema.tem").c_str(), "",
                                "", ctxt),
                  0);
        return lesFil(zera);
    }
    // Only the elements (after the header's comment lines).
    std::string elementer()
    {
        std::string t = eksporter();
        size_t p = t.find("\n!\n");
        return p == std::string::npos ? t : t.substr(p + 3);
    }
    // The unknown-theme table's entries as "number theme".
    static std::vector<std::string> ukjente()
    {
        std::vector<std::string> u;
        for (int i = 0; i < Bmw.unknownCount && i < BMW_MAX_UNKNOWN; i++)
            u.push_back(std::to_string(Bmw.tem.number[i]) + " " + Bmw.tem.theme[i]);
        return u;
    }
    // The registered messages as "ROUTINE number".
    static std::vector<std::string> meldinger()
    {
        std::vector<std::string> m;
        for (int i = 0; i < Bmw.msgCount && i < BMW_MAX_MESSAGES; i++)
            m.push_back(std::string(Bmw.msg.rutnam[i]) + " " + std::to_string(Bmw.msg.number[i]));
        return m;
    }
    static int antallElementer()
    {
        MdlScanCriteria *sc = mdlScanCriteria_create();
        uint32_t pos[4096];
        int n = 0, sum = 0;
        for (;;) {
            int rc = mdlScanCriteria_scan(sc, pos, 4096, &n);
            sum += n;
            if (rc != 0)
                break;
        }
        mdlScanCriteria_free(&sc);
        return sum;
    }
};

} // namespace eksporttest

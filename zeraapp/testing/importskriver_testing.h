// Fixture of the import writer's tests: a fresh 3D design file (1000 UOR per
// metre) active under the import's master-units transformation, the ZERA
// application's resources current, a settings record of the test's own, a
// theme table of five themes, a cell library holding "KRYSS" and "PKT",
// and a new element index.
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
#include "dgn_testing.h"
#include "dgncell_testing.h"
#include "dgnskriv.h"
#include "kartmotor.h"
#include "mdlhost.h"
#include "testing/zerafiler_testing.h"
#include "zeratagger.h"
#include "zvlibmain.h"
#include "zvlibtext.h"
#include "zvzera.h"

namespace importtest {

using zerafiltest::lesFil;
using zerafiltest::TEMATABELL;

class ImportTest : public dgntest::DgnTest {
  protected:
    void SetUp() override
    {
        DgnTest::SetUp();
        if (HasFatalFailure())
            return;
        make3d();
        saved_ = *tcbP;
        app_ = mdlhost_registerApplication("ZVZERA", ZERA_SOURCE_DIR "/zeraapp/zvzera.rsc");
        ASSERT_NE(app_, nullptr);
        previous_ = mdlhost_setCurrMdlDesc(app_);
        char *argv[] = {const_cast<char *>("zvzera.ma"), const_cast<char *>("USER")};
        ASSERT_EQ(zvlibMain_initZvLib("ZvZera", 2, argv), 0);
        mdlhost_clearDialogScripts();

        memset(&data_, 0, sizeof data_);
        data_.standardFarge = 5;
        data_.standardVekt = 1;
        data_.standardStil = 0;
        data_.standardFont = 105;
        data_.standardTekstHoyde = data_.standardTekstBredde = 5.0;
        data_.standardCelleskala = 1.0;
        data_.symbolSkala = 1.0;
        data_.fyllFlater = 1;
        zvlib::copyText(data_.zeraFil, path("test.zer").c_str());
        brukerDataP = &data_;
        batchModus = 1;
        lagreNivaa4 = 1;

        // The cell library: a 1 m cross at 10,000 UOR per master unit.
        std::string lib = path("zvzera.cel");
        dgntest::createLibrary(lib, 10000.0, u"Default");
        leggTilCelle(lib, u"KRYSS");
        leggTilCelle(lib, u"PKT");
        zvlib::copyText(data_.cellebibliotekNavn, lib.c_str());

        std::string tema = path("zvzera.tem");
        std::ofstream(tema) << TEMATABELL;
        Mstemtab.rowCount = 0;
        ASSERT_EQ(mt_init(tema.c_str(), 0), 0);
        temaFil_ = tema;

        memset(&Bmw, 0, sizeof Bmw);
        memset(&Elm, 0, sizeof Elm);
        mdlCurrTrans_begin();
        mdlCurrTrans_masterUnitsIdentity(1);
        NyElementIndeks();
    }
    void TearDown() override
    {
        mdlCurrTrans_end();
        SlettElementIndeks();
        mdlClip_free(&gjerdeOmraade);
        gjerdeKlipp = gjerdeOverlapp = 0;
        mdlFence_clear();
        mdlParams_setLock(LOCK_FENCE_CLIP, 0);
        mdlParams_setLock(LOCK_FENCE_OVERLAP, 0);
        mdlSystem_extendedAbortEnable(0);
        if (data_.etikettfil)
            fclose(data_.etikettfil);
        if (data_.xyzFil)
            fclose(data_.xyzFil);
        brukerDataP = nullptr;
        batchModus = 0;
        lagreNivaa4 = 0;
        Mstemtab.rowCount = 0;
        *tcbP = saved_;
        mdlCell_detachLibrary();
        mdlhost_clearDialogScripts();
        mdlhost_setCurrMdlDesc(previous_);
        if (app_ != nullptr)
            mdlhost_unregisterApplication(app_);
        mdlhost_closeUserPrefs();
        DgnTest::TearDown();
    }

    static void leggTilCelle(const std::string &lib, const char16_t *navn)
    {
        MSElement l1{}, l2{};
        DPoint3d a[2] = {{-5000, 0, 0}, {5000, 0, 0}}, b[2] = {{0, -5000, 0}, {0, 5000, 0}};
        mdlCurrTrans_begin();
        mdlCurrTrans_identity();
        ASSERT_EQ(mdlLine_create(&l1, nullptr, a), 0);
        ASSERT_EQ(mdlLine_create(&l2, nullptr, b), 0);
        mdlCurrTrans_end();
        dgntest::DscrPtr d;
        dgntest::appendTop(d, &l1);
        dgntest::appendTop(d, &l2);
        ASSERT_EQ(mdlhost_cellLibraryAddCell(lib.c_str(), navn, u"", d.get()), 0);
    }

    // Elm as the engine gives it for a matched theme of row (theme code).
    void elm(int type, int32_t serial, const char *tema, const std::vector<DPoint3d> &pts)
    {
        memset(&Elm, 0, sizeof Elm);
        Elm.mode = 2;
        Elm.type = static_cast<int16_t>(type);
        Elm.serial = serial;
        Elm.themeCount = 1;
        zvlib::copyText(Elm.theme[0], tema);
        Elm.pointCount = static_cast<int32_t>(pts.size());
        for (size_t i = 0; i < pts.size(); ++i) {
            Elm.E[i] = pts[i].x;
            Elm.N[i] = pts[i].y;
            Elm.H[i] = pts[i].z;
        }
        Elm.colour = 3;
        Elm.weight = 0;
        Elm.style = 0;
        Elm.font = 105;
        Elm.cellScaleX = Elm.cellScaleY = 1.0;
        memcpy(Elm.cell, u"KRYSS", sizeof u"KRYSS");
    }

    static std::vector<DPoint3d> rett(int n, double y = 0.0)
    {
        std::vector<DPoint3d> p;
        for (int i = 0; i < n; ++i)
            p.push_back({100.0 + i, 200.0 + y + (i % 2), 10.0});
        return p;
    }

    // Attributes stored as tags of set ZERA: DATO, the two KVALITET values
    // and the rest as text (the end-to-end tag file).
    void lagreSomTagger()
    {
        std::string tagfil = path("zvzera.tag");
        std::ofstream(tagfil) << "..DATO ZERA DATO 1 1 1 0 0\n..KVALITET ZERA KV1 1 1 1 0 0\n"
                                 "..KVALITET ZERA KV2 1 1 1 0 0\n..* ZERA REST 3 1 0 0 0\n";
        zvlib::copyText(data_.tagsetFil, tagfil.c_str());
        ASSERT_EQ(LesZeraTagsetInputFil(0, nullptr), 0);
        ASSERT_EQ(LagTagsett(), 0);
        data_.lagreEgenskaper = 1;
    }

    // The top-level elements of the active model, in position order.
    struct Lest {
        uint32_t pos;
        std::shared_ptr<MSElementDescr> d;
        const MSElement &el() const { return d->el; }
    };
    std::vector<Lest> alle()
    {
        std::vector<Lest> ut;
        MdlScanCriteria *sc = mdlScanCriteria_create();
        mdlScanCriteria_setModel(sc, 0);
        uint32_t pos[256];
        int n = 0, rc = 0;
        do {
            rc = mdlScanCriteria_scan(sc, pos, 256, &n);
            for (int i = 0; i < n; ++i) {
                MSElementDescr *d = nullptr;
                EXPECT_NE(mdlElmdscr_read(&d, pos[i], 0, 0, nullptr), 0u);
                ut.push_back({pos[i], std::shared_ptr<MSElementDescr>(d, [](MSElementDescr *p) {
                                  mdlElmdscr_freeAll(&p);
                              })});
            }
        } while (rc == 0 && n > 0);
        mdlScanCriteria_free(&sc);
        return ut;
    }
    static std::string nivaanavn(const MSElement &el)
    {
        uint32_t id = 0;
        mdlElement_getProperties(&id, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &el);
        char16_t navn[64] = {};
        mdlLevel_getName(navn, 64, 0, id);
        std::string s;
        for (const char16_t *p = navn; *p; ++p)
            s += static_cast<char>(*p);
        return s;
    }
    static uint32_t gruppe(const MSElement &el)
    {
        uint32_t g = 0;
        mdlElement_getProperties(nullptr, &g, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &el);
        return g;
    }
    // Registered messages "RUTINE nummer", in order.
    static std::vector<std::string> meldinger()
    {
        std::vector<std::string> m;
        for (int i = 0; i < Bmw.msgCount; ++i)
            m.push_back(std::string(Bmw.msg.rutnam[i]) + " " + std::to_string(Bmw.msg.number[i]));
        return m;
    }
    static std::vector<std::string> ukjente()
    {
        std::vector<std::string> m;
        for (int i = 0; i < Bmw.unknownCount; ++i)
            m.push_back(std::string(Bmw.tem.rutnam[i]) + " " + std::to_string(Bmw.tem.number[i]));
        return m;
    }

    static std::string les(const std::string &p) { return lesFil(p); }

    zeraBrukerGrensesnittData data_{};
    std::string temaFil_;
    Tcb saved_{};
    MdlDesc *app_ = nullptr;
    MdlDesc *previous_ = nullptr;
};

} // namespace importtest

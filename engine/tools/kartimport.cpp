// kartimport: imports one ZERA file through the engine with a theme table,
// without a design file.  Writes the report and the LandXML surface and
// prints what an element writer would have received, type by type.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kartmotor.h"
#include "kartmotor_tjenester.h"
#include "kartmotor_typer.h"
#include "mdlhost.h"

namespace {

long perType[ZERA_TYPE_COUNT + 1];
long handedOver;
int lastPercent[3] = {-1, -1, -1};

int skrivElement(void)
{
    if (Elm.type >= 1 && Elm.type <= ZERA_TYPE_COUNT)
        perType[Elm.type]++;
    handedOver++;
    return 0;
}

int fremdrift(double percent, int phase)
{
    int p = (int)percent;
    if (phase >= 1 && phase <= 2 && p / 25 != lastPercent[phase] / 25) {
        lastPercent[phase] = p;
        fprintf(stderr, "  pass %d: %3d %%\n", phase, p);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: %s ZERA-FILE THEME-FILE REPORT-FILE LANDXML-FILE\n", argv[0]);
        return 2;
    }
    const char *rsc = getenv("ZVZERA_RSC");
    MdlDesc *app = mdlhost_registerApplication("ZVZERA", rsc ? rsc : ZERA_RSC_PATH);
    if (app == nullptr) {
        fprintf(stderr, "kartimport: the application could not be registered\n");
        return 1;
    }
    mdlhost_setCurrMdlDesc(app);

    SheadStruct head;
    int32_t size = 0;
    int rc = zerget_headinfo(argv[1], &head, &size, (MdlFunctionP)&c_txt);
    if (rc != 0) {
        char text[BMW_CTXT_LEN] = "";
        short number = Bmw.msg.number[0];
        if (Bmw.msgCount > 0)
            c_txt(Bmw.msg.rutnam[0], &number, text);
        // The file name is the terminal's own; the message text is ISO 8859-1.
        fprintf(stderr, "kartimport: %s: the header cannot be read (%d) ", argv[1], rc);
        mdlhost_terminalPuts(stderr, text);
        fputc('\n', stderr);
        return 1;
    }
    printf("%s: %ld bytes, version %.2f, level %d, unit %g, origin %.0f %.0f\n", argv[1], (long)size,
           head.zeraVersjon, head.zeraNivaa, head.enhet, head.origoN, head.origoE);

    lagreNivaa4 = 1;
    settXML(1);
    settXMLFil(argv[4]);
    mdlhost_setActiveDesignFile("");
    rc = perf_zera2dgn(argv[1], argv[2], argv[3], argv[4], 0, (MdlFunctionP)&skrivElement, (MdlFunctionP)&fremdrift,
                       (MdlFunctionP)&c_txt, nullptr);
    mdlhost_terminalPuts(stderr, mdlhost_textWindow());
    for (int i = 0; i < mdlhost_messageCenterCount(); i++) {
        mdlhost_terminalPuts(stderr, mdlhost_messageCenterText(i, nullptr));
        fputc('\n', stderr);
    }

    for (int t = 1; t <= ZERA_TYPE_COUNT; t++)
        if (perType[t] > 0) {
            // A symbol is unnamed, as the application's FinnZeraElementNavn leaves it.
            const char *name = t < ZERA_SYMBOL ? zera_typenavn(t) : "";
            printf("  %-10s %6ld handed over\n", name, perType[t]);
        }
    printf("%ld elements handed over; %ld errors, %ld fatal; %ld unknown themes\n", handedOver, (long)Bmw.errorCount,
           (long)Bmw.fatalCount, (long)Bmw.unknownCount);
    printf("report:  %s\nLandXML: %s\n", argv[3], getXMLFile());
    return rc == 0 ? 0 : 1;
}

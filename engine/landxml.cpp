// LandXML 1.0 surface output of an import.
//
//   switch and file name   settXML, settXMLFil, getXMLFile
//   names                  mt_temanr and the per-kind name counters
//   document               landxml_start, lag_dokument, fri_dokument
//   element step           landxml_element (called from mt_match)
//   save step              landxml_save (called at the end of the import)
//
// Life of the document: landxml_start frees whatever an earlier import left
// behind (a cancelled save keeps its document), the first element with
// LandXML data creates a new one, landxml_save writes and frees it.  So one
// import never adds to another import's document or to freed nodes.  Only
// the handles of the document, its Surface and its SourceData live between
// calls; every other node handle is freed as soon as its node is placed.
#include <cstring>
#include <ctime>

#include "app/mdlapp.h"
#include "dlg/mdldlg.h"
#include "kartmotor_int.h"
#include "sys/mdlsys.h"
#include "xml/mdlxml.h"

int32_t xmlOn;
int32_t xmlRun;
char xmlFileName[ZERA_PATH_LEN];

namespace {

// Message-centre type of the host for an informational message.
const int MELDING_INFO = 12;
const char *const INGEN_XML_DATA =
    "The chosen theme file does not contain XML data.\n The XML file will therefore not be generated.";

const char *const LANDXML_NS = "http://www.landxml.org/schema/LandXML-1.0";
const char *const XSI_NS = "http://www.w3.org/2001/XMLSchema-instance";
const char *const LANDXML_XSD = "http://www.landxml.org/schema/LandXML-1.0/LandXML-1.0.xsd";

// Element kinds of the theme table, in the order of the counter tables.
const char ARTER[] = "BCEIR";
const int ANTALL_ARTER = (int)sizeof ARTER - 1;

XmlDomRef dokument;
XmlNodeRef overflate;   // Surface: gets the Feature of the save step
XmlNodeRef kildedata;   // SourceData: parent of every element node
bool overflateFeature;  // the Surface Feature is added once per document
bool lagingFeilet;      // creation failed in this import; do not retry per element

int32_t teller[ANTALL_ARTER][XML_COUNTERS];
bool tellerBrukt; // cleared only when used: they are 200 KB a process need not touch

void fri_node(XmlNodeRef *node)
{
    if (*node != nullptr)
        mdlXMLDomNode_free(*node);
    *node = nullptr;
}

// Node handles first: they refer to nodes of the document.
void fri_dokument(void)
{
    fri_node(&kildedata);
    fri_node(&overflate);
    if (dokument != nullptr)
        mdlXMLDom_free(dokument);
    dokument = nullptr;
    overflateFeature = false;
}

// A new element under parent (parent null: not yet placed).  Does nothing
// once *rc is non-zero, so a build is one chain of calls with one check.
XmlNodeRef ny_node(XmlNodeRef parent, const char *name, int *rc)
{
    XmlNodeRef node = nullptr;
    if (*rc != 0)
        return nullptr;
    *rc = mdlXMLDom_createElement(&node, dokument, name);
    if (*rc != 0)
        return nullptr;
    if (parent != nullptr)
        *rc = mdlXMLDomNode_appendChild(parent, node);
    return node;
}

void attributt(XmlNodeRef node, const char *name, const char *value, int *rc)
{
    if (*rc == 0)
        *rc = mdlXMLDomElement_addAttribute(node, name, value);
}

// Surface name: the file name after its last separator up to its first
// '.'; "" when the name has no directory part.
void overflatenavn(const char *fileName, char *out, size_t outSize)
{
    const char *slash = strrchr(fileName, '\\');
    const char *slash2 = strrchr(fileName, '/');
    if (slash == nullptr || (slash2 != nullptr && slash2 > slash))
        slash = slash2;
    if (slash == nullptr) {
        kopier(out, outSize, "");
        return;
    }
    const char *start = slash + 1;
    const char *dot = strchr(start, '.');
    kopier_n(out, outSize, start, dot != nullptr ? (size_t)(dot - start) : strlen(start));
}

// One byte of the version number, with a leading zero below 10.
void versjonsdel(char *out, size_t outSize, int byte)
{
    snprintf(out, outSize, "%s%d", byte < 10 ? "0" : "", byte);
}

// Creates the document with its header nodes; false (document freed) when
// the host refused a step.
bool lag_dokument(void)
{
    XmlNodeRef root = nullptr;
    int rc = mdlXMLDom_create(&dokument);
    if (rc != 0)
        dokument = nullptr;
    if (rc == 0)
        rc = mdlXMLDom_createElement(&root, dokument, "LandXML");
    if (rc == 0)
        rc = mdlXMLDom_setRootElement(dokument, root);

    char dato[16] = "", tid[16] = "", dag[16] = "";
    time_t now = time(nullptr);
    struct tm lokal;
    if (localtime_r(&now, &lokal) != nullptr && strftime(dag, sizeof dag, "%m/%d/%y", &lokal) == 8) {
        snprintf(dato, sizeof dato, "20%c%c-%c%c-%c%c", dag[6], dag[7], dag[0], dag[1], dag[3], dag[4]);
        strftime(tid, sizeof tid, "%H:%M:%S", &lokal);
    }
    char schemaLocation[160];
    snprintf(schemaLocation, sizeof schemaLocation, "%s %s", LANDXML_NS, LANDXML_XSD);
    attributt(root, "xmlns", LANDXML_NS, &rc);
    attributt(root, "xmlns:xsi", XSI_NS, &rc);
    attributt(root, "xsi:schemaLocation", schemaLocation, &rc);
    attributt(root, "version", "1.0", &rc);
    attributt(root, "date", dato, &rc);
    attributt(root, "time", tid, &rc);

    XmlNodeRef units = ny_node(root, "Units", &rc);
    XmlNodeRef metric = ny_node(units, "Metric", &rc);
    attributt(metric, "areaUnit", "squareMeter", &rc);
    attributt(metric, "linearUnit", "meter", &rc);
    attributt(metric, "volumeUnit", "cubicMeter", &rc);
    attributt(metric, "temperatureUnit", "celsius", &rc);
    attributt(metric, "pressureUnit", "HPA", &rc);

    int v = mdlSystem_getMdlAppVersionNumber();
    char lav[16], hoy[16], versjon[48];
    versjonsdel(lav, sizeof lav, v & 0xFF);
    versjonsdel(hoy, sizeof hoy, (v >> 8) & 0xFF);
    snprintf(versjon, sizeof versjon, "08.07.%s.%s", lav, hoy);
    XmlNodeRef app = ny_node(root, "Application", &rc);
    attributt(app, "name", "ZV Zera Import", &rc);
    attributt(app, "manufacturer", "Dravnik Informasjonssystemer AS", &rc);
    attributt(app, "version", versjon, &rc);
    attributt(app, "manufacturerURL", "http://www.dravnik.no", &rc);

    char navn[ZERA_PATH_LEN];
    overflatenavn(xmlFileName, navn, sizeof navn);
    XmlNodeRef surfaces = ny_node(root, "Surfaces", &rc);
    overflate = ny_node(surfaces, "Surface", &rc);
    attributt(overflate, "name", navn, &rc);
    attributt(overflate, "desc", "Data fra Zera", &rc);
    attributt(overflate, "state", "existing", &rc);
    kildedata = ny_node(overflate, "SourceData", &rc);

    fri_node(&surfaces);
    fri_node(&app);
    fri_node(&metric);
    fri_node(&units);
    fri_node(&root);
    if (rc != 0) {
        fri_dokument();
        toolSubsystem_printf("LandXML: the document could not be created.\n");
        return false;
    }
    return true;
}

int antall_punkter(void)
{
    int32_t n = Elm.pointCount;
    if (n < 0)
        return 0;
    return n > ZERA_MAX_POINTS ? ZERA_MAX_POINTS : (int)n;
}

// The element's points as "N E H" (or "N E" for contours) separated by
// blanks, cut before XML_MAX_POINT_TEXT on a whole point.
void punkttekst(bool kontur, char *out, size_t outSize)
{
    size_t used = 0;
    out[0] = '\0';
    const int n = antall_punkter();
    for (int i = 0; i < n; i++) {
        char punkt[1024];
        int len = kontur ? snprintf(punkt, sizeof punkt, "%f %f", Elm.N[i], Elm.E[i])
                         : snprintf(punkt, sizeof punkt, "%f %f %f", Elm.N[i], Elm.E[i], Elm.H[i]);
        if (len < 0 || (size_t)len >= sizeof punkt)
            break;
        size_t need = (used > 0 ? 1 : 0) + (size_t)len;
        if (used + need >= outSize)
            break;
        if (used > 0)
            out[used++] = ' ';
        memcpy(out + used, punkt, (size_t)len + 1);
        used += (size_t)len;
    }
}

void egenskap(XmlNodeRef feature, const char *label, const char *value, int *rc)
{
    XmlNodeRef p = ny_node(feature, "Property", rc);
    attributt(p, "label", label, rc);
    attributt(p, "value", value, rc);
    fri_node(&p);
}

} // namespace

void settXML(int on) { xmlOn = on; }

void settXMLFil(const char *fileName) { kopier(xmlFileName, sizeof xmlFileName, fileName); }

char *getXMLFile(void) { return xmlFileName; }

int32_t mt_temanr(const char *text)
{
    if (text == nullptr)
        return 0;
    const char *p = text;
    while (*p != '\0') {
        if (*p < '0' || *p > '9') {
            p++;
            continue;
        }
        const char *start = p;
        int32_t value = 0;
        while (*p >= '0' && *p <= '9') {
            if (p - start < 4)
                value = value * 10 + (*p - '0');
            p++;
        }
        if (p - start == 4)
            return value;
    }
    return 0;
}

void landxml_start(void)
{
    xmlRun = xmlOn;
    if (tellerBrukt)
        memset(teller, 0, sizeof teller);
    tellerBrukt = false;
    fri_dokument();
    lagingFeilet = false;
    xmlDocPending = Mstemtab.rowCount > 0 ? 1 : 0;
}

void landxml_element(int32_t r)
{
    if (r < 0 || r >= Mstemtab.rowCount || r >= MT_MAX_ROWS)
        return;
    // A table loaded while this import's document exists must not start a
    // second one: the first would leak and the import would be split.
    if (dokument == nullptr) {
        if (lagingFeilet)
            return;
        if (!lag_dokument()) {
            lagingFeilet = true;
            return;
        }
    }
    xmlDocPending = 0;
    if (MstemtabXml.xmlFlag2[r] != 1)
        return;

    const char kind = MstemtabXml.xmlKind[r][0];
    const char *hit = kind != '\0' ? strchr(ARTER, kind) : nullptr;
    // LandXML needs at least one coordinate tuple in a point list.
    if (hit == nullptr || antall_punkter() == 0)
        return;
    const bool kontur = (kind == 'C');

    char navn[MT_FIELD_LEN + 16];
    const char *tema = Mstemtab.tema[r];
    int32_t nr = mt_temanr(tema);
    if (nr > 0 && nr < XML_COUNTERS) {
        int32_t *count = &teller[hit - ARTER][nr];
        tellerBrukt = true;
        if (*count == 0)
            snprintf(navn, sizeof navn, "S%s", tema);
        else
            snprintf(navn, sizeof navn, "S%s-%d", tema, (int)*count);
        (*count)++;
    } else {
        snprintf(navn, sizeof navn, "S%s", tema);
    }

    static char tekst[XML_MAX_POINT_TEXT];
    punkttekst(kontur, tekst, sizeof tekst);

    // The element's subtree is built apart and placed last, so a refused
    // step leaves no half-built node in the document.
    int rc = 0;
    XmlNodeRef samling = nullptr;
    XmlNodeRef elem = nullptr;
    const char *featureCode = nullptr;
    const char *desc = Mstemtab.comment[r];
    switch (kind) {
    case 'R':
        elem = ny_node(nullptr, "DataPoints", &rc);
        attributt(elem, "name", navn, &rc);
        attributt(elem, "DTMAttribute", MstemtabXml.xmlFlag1[r] == 1 ? "spot" : "donotinclude", &rc);
        attributt(elem, "desc", desc, &rc);
        featureCode = "DataPoints";
        break;
    case 'B':
        samling = ny_node(nullptr, "Breaklines", &rc);
        elem = ny_node(samling, "Breakline", &rc);
        attributt(elem, "brkType", "standard", &rc);
        attributt(elem, "name", navn, &rc);
        attributt(elem, "desc", desc, &rc);
        featureCode = "Breakline";
        break;
    case 'C': {
        // LandXML 1.0 allows only elev on a Contour.
        char elev[400];
        snprintf(elev, sizeof elev, "%f", Elm.H[0]);
        samling = ny_node(nullptr, "Contours", &rc);
        elem = ny_node(samling, "Contour", &rc);
        attributt(elem, "elev", elev, &rc);
        featureCode = "Contour";
        break;
    }
    default: // 'E', 'I'
        samling = ny_node(nullptr, "Boundaries", &rc);
        elem = ny_node(samling, "Boundary", &rc);
        attributt(elem, "bndType", kind == 'E' ? "outer" : "void", &rc);
        attributt(elem, "edgeTrim", "true", &rc);
        attributt(elem, "name", navn, &rc);
        attributt(elem, "desc", desc, &rc);
        featureCode = "Boundary";
        break;
    }

    XmlNodeRef liste = ny_node(elem, kontur ? "PntList2D" : "PntList3D", &rc);
    if (rc == 0)
        rc = mdlXMLDomNode_setText(liste, tekst);
    XmlNodeRef feature = ny_node(elem, "Feature", &rc);
    attributt(feature, "code", featureCode, &rc);
    egenskap(feature, "style", MstemtabXml.xmlName[r], &rc);
    egenskap(feature, "triangulate", MstemtabXml.xmlFlag1[r] == 1 ? "true" : "false", &rc);
    egenskap(feature, "pointDensity", "0.000000", &rc);

    XmlNodeRef topp = samling != nullptr ? samling : elem;
    if (rc == 0)
        rc = mdlXMLDomNode_appendChild(kildedata, topp);
    fri_node(&feature);
    fri_node(&liste);
    if (samling != nullptr)
        fri_node(&elem);
    fri_node(&topp);
    if (rc != 0)
        toolSubsystem_printf("LandXML: element %ld (%s) could not be added.\n", (long)Elm.serial, navn);
}

int landxml_save(void)
{
    if (dokument == nullptr) {
        mdlOutput_messageCenter(MELDING_INFO, INGEN_XML_DATA);
        return 0;
    }
    if (!overflateFeature) {
        int rc = 0;
        XmlNodeRef feature = ny_node(overflate, "Feature", &rc);
        attributt(feature, "code", "Surface", &rc);
        egenskap(feature, "pref", "existing", &rc);
        fri_node(&feature);
        overflateFeature = (rc == 0);
    }

    char device[MDLHOST_MAXFILELENGTH + 1] = "", directory[MDLHOST_MAXFILELENGTH + 1] = "";
    char name[MDLHOST_MAXFILELENGTH + 1] = "";
    mdlFile_parseName(xmlFileName, device, directory, name, nullptr);
    char defaultName[MDLHOST_MAXFILELENGTH + 8];
    char defaultDir[2 * MDLHOST_MAXFILELENGTH + 2];
    snprintf(defaultName, sizeof defaultName, "%s.xml", name);
    snprintf(defaultDir, sizeof defaultDir, "%s%s", device, directory);

    char chosen[MDLHOST_MAXFILELENGTH + 1] = "";
    if (mdlDialog_fileCreate(chosen, nullptr, 0, defaultName, "*.xml", defaultDir, "Save As XML File") != 0 ||
        chosen[0] == '\0')
        return 0; // cancelled: the next import frees the document

    kopier(xmlFileName, sizeof xmlFileName, chosen);
    char16_t wide[ZERA_PATH_LEN];
    mdlCnv_convertMultibyteToUnicode(xmlFileName, -1, wide, ZERA_PATH_LEN);
    int rc = 0;
    if (mdlXMLDom_save(dokument, wide, "iso-8859-1") != 0) {
        toolSubsystem_printf("LandXML: the file %s could not be written.\n", xmlFileName);
        rc = -1;
    }
    fri_dokument();
    return rc;
}

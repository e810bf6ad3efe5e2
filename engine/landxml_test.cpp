#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>

#include "engine_testing.h"

namespace {

const char *const INGEN_XML_DATA =
    "The chosen theme file does not contain XML data.\n The XML file will therefore not be generated.";

// One element of a saved file, in document order.
struct Node {
    std::string name;
    std::string parent;
    std::map<std::string, std::string> attr; // values in UTF-8, as libxml2 gives them
    std::string text;
};

void samle(xmlNodePtr node, std::vector<Node> &out)
{
    for (xmlNodePtr n = node; n != nullptr; n = n->next) {
        if (n->type != XML_ELEMENT_NODE)
            continue;
        Node e;
        e.name = reinterpret_cast<const char *>(n->name);
        if (n->parent != nullptr && n->parent->type == XML_ELEMENT_NODE)
            e.parent = reinterpret_cast<const char *>(n->parent->name);
        for (xmlAttrPtr a = n->properties; a != nullptr; a = a->next) {
            xmlChar *v = xmlNodeListGetString(n->doc, a->children, 1);
            e.attr[reinterpret_cast<const char *>(a->name)] = v ? reinterpret_cast<const char *>(v) : "";
            xmlFree(v);
        }
        for (xmlNodePtr c = n->children; c != nullptr; c = c->next)
            if (c->type == XML_TEXT_NODE && c->content != nullptr)
                e.text += reinterpret_cast<const char *>(c->content);
        out.push_back(e);
        samle(n->children, out);
    }
}

std::vector<Node> lesXml(const std::string &file)
{
    std::vector<Node> out;
    xmlDocPtr doc = xmlReadFile(file.c_str(), nullptr, XML_PARSE_NONET);
    if (doc == nullptr)
        return out;
    samle(xmlDocGetRootElement(doc), out);
    xmlFreeDoc(doc);
    return out;
}

std::vector<const Node *> finn(const std::vector<Node> &nodes, const std::string &name)
{
    std::vector<const Node *> hits;
    for (const Node &n : nodes)
        if (n.name == name)
            hits.push_back(&n);
    return hits;
}

std::vector<std::string> navn(const std::vector<Node> &nodes, const std::string &element)
{
    std::vector<std::string> out;
    for (const Node *n : finn(nodes, element))
        out.push_back(n->attr.count("name") ? n->attr.at("name") : "<none>");
    return out;
}

std::vector<std::string> tokens(const std::string &text)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find(' ', i);
        if (j == std::string::npos)
            j = text.size();
        out.push_back(text.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

// True when text has the shape of form, in which '9' stands for any digit.
bool passer(const std::string &text, const char *form)
{
    if (text.size() != strlen(form))
        return false;
    for (size_t i = 0; i < text.size(); i++) {
        bool ok = form[i] == '9' ? (text[i] >= '0' && text[i] <= '9') : text[i] == form[i];
        if (!ok)
            return false;
    }
    return true;
}

const std::string SCHEMA = std::string(ZERA_SHARED_DATA) + "/LandXML-1.0.xsd";

// 0 when file validates against the schema.
int valider(const std::string &file)
{
    xmlSchemaParserCtxtPtr pc = xmlSchemaNewParserCtxt(SCHEMA.c_str());
    xmlSchemaPtr schema = pc ? xmlSchemaParse(pc) : nullptr;
    xmlSchemaValidCtxtPtr vc = schema ? xmlSchemaNewValidCtxt(schema) : nullptr;
    int rc = vc ? xmlSchemaValidateFile(vc, file.c_str(), 0) : -1;
    if (vc)
        xmlSchemaFreeValidCtxt(vc);
    if (schema)
        xmlSchemaFree(schema);
    if (pc)
        xmlSchemaFreeParserCtxt(pc);
    return rc;
}

class LandXmlTest : public zeratest::EngineTest {
  protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        memset(&Mstemtab, 0, sizeof Mstemtab);
        memset(&MstemtabXml, 0, sizeof MstemtabXml);
        memset(&Fkbtab, 0, sizeof Fkbtab);
        memset(&Bmw, 0, sizeof Bmw);
        elmclr();
        settXML(1);
        settXMLFil((dir_ + "/flate.zera").c_str());
    }

    void TearDown() override
    {
        // The next import frees whatever a test left; then nothing may remain.
        Mstemtab.rowCount = 0;
        landxml_start();
        EXPECT_EQ(mdlhost_xmlOpenDocuments(), 0);
        EXPECT_EQ(mdlhost_xmlOpenNodes(), 0);
        settXML(0);
        xmlRun = 0;
        EngineTest::TearDown();
    }

    int rad(const char *tema, const char *kind, int flag1 = 1, int flag2 = 1, const char *xmlName = "NAVN",
            const char *comment = "Kommentar")
    {
        int i = Mstemtab.rowCount++;
        kopier(Mstemtab.tema[i], MT_FIELD_LEN, tema);
        kopier(Mstemtab.fkbGroup[i], MT_FIELD_LEN, "FM");
        kopier(Mstemtab.datatype[i], 2, "P");
        kopier(Mstemtab.comment[i], MT_COMMENT_LEN, comment);
        kopier(MstemtabXml.xmlName[i], MT_FIELD_LEN, xmlName);
        kopier(MstemtabXml.xmlKind[i], 2, kind);
        MstemtabXml.xmlFlag1[i] = flag1;
        MstemtabXml.xmlFlag2[i] = flag2;
        xmlDocPending = 1;
        return i;
    }

    // Elm with n points on a slope, then the element step for row r.
    void element(int r, int n = 1, int16_t type = ZERA_PUNKT)
    {
        elmclr();
        Elm.type = type;
        Elm.serial = r + 1;
        Elm.pointCount = n;
        for (int i = 0; i < n; i++) {
            Elm.N[i] = 6600000.125 + i;
            Elm.E[i] = 500000.5 + 2 * i;
            Elm.H[i] = 12.5 + i;
        }
        landxml_element(r);
    }

    // Saves through the scripted dialog; returns the chosen path.
    std::string lagre(const std::string &name)
    {
        std::string file = path(name);
        mdlhost_scriptFileDialog(file.c_str());
        landxml_save();
        return file;
    }
};

TEST(MtTemanr, FirstRunOfExactlyFourDigits)
{
    const struct {
        const char *text;
        int32_t nr;
    } cases[] = {{"1010", 1010},   {"101", 0},         {"10101", 0}, {"ab1234cd", 1234}, {"12 3456", 3456},
                 {"123456 7890", 7890}, {"0042", 42}, {"", 0},      {"9999x1111", 9999}, {"0000", 0}};
    for (const auto &c : cases)
        EXPECT_EQ(mt_temanr(c.text), c.nr) << c.text;
    EXPECT_EQ(mt_temanr(nullptr), 0);
}

TEST_F(LandXmlTest, NamesCountPerThemeAndKind)
{
    int r1010 = rad("1010", "R");
    int r101 = rad("101", "R");
    int b1010 = rad("1010", "B");
    landxml_start();
    for (int r : {r1010, r1010, r101, r101, r1010, b1010})
        element(r, 2);
    std::vector<Node> doc = lesXml(lagre("navn.xml"));
    EXPECT_EQ(navn(doc, "DataPoints"), (std::vector<std::string>{"S1010", "S1010-1", "S101", "S101", "S1010-2"}));
    EXPECT_EQ(navn(doc, "Breakline"), (std::vector<std::string>{"S1010"}));
}

TEST_F(LandXmlTest, RowsThatAddNoNodeStillCreateTheDocument)
{
    const struct {
        const char *what;
        const char *kind;
        int flag2;
        int points;
    } cases[] = {{"lower-case kind", "r", 1, 1}, {"flag 2 off", "R", 0, 1}, {"no points", "B", 1, 0}};
    for (const auto &c : cases) {
        Mstemtab.rowCount = 0;
        int r = rad("1010", c.kind, 1, c.flag2);
        landxml_start();
        element(r, c.points);
        std::vector<Node> doc = lesXml(lagre(std::string("tom-") + c.kind + ".xml"));
        EXPECT_EQ(finn(doc, "Surface").size(), 1u) << c.what;
        EXPECT_EQ(finn(doc, "SourceData").size(), 1u) << c.what;
        EXPECT_EQ(finn(doc, "Units").size(), 1u) << c.what;
        EXPECT_TRUE(finn(doc, "DataPoints").empty()) << c.what;
        EXPECT_TRUE(finn(doc, "Breaklines").empty()) << c.what;
        EXPECT_TRUE(finn(doc, "PntList3D").empty()) << c.what;
    }
}

TEST_F(LandXmlTest, LongPointTextStopsBeforeTheLimitOnAWholePoint)
{
    const struct {
        const char *kind;
        const char *list;
        size_t perPoint;
    } cases[] = {{"B", "PntList3D", 3}, {"C", "PntList2D", 2}};
    for (const auto &c : cases) {
        Mstemtab.rowCount = 0;
        int r = rad("2000", c.kind);
        landxml_start();
        element(r, 2000, ZERA_KURVE);
        std::vector<Node> doc = lesXml(lagre(std::string("lang-") + c.kind + ".xml"));
        auto lists = finn(doc, c.list);
        ASSERT_EQ(lists.size(), 1u) << c.kind;
        const std::string &text = lists[0]->text;
        EXPECT_LT(text.size(), (size_t)XML_MAX_POINT_TEXT);
        std::vector<std::string> t = tokens(text);
        ASSERT_EQ(t.size() % c.perPoint, 0u);
        size_t points = t.size() / c.perPoint;
        ASSERT_GT(points, 1u);
        ASSERT_LT(points, 2000u);
        // The text is exactly the first points, and the next one would not fit.
        std::string want;
        for (size_t i = 0; i <= points; i++) {
            char p[128];
            if (c.perPoint == 3)
                snprintf(p, sizeof p, "%f %f %f", Elm.N[i], Elm.E[i], Elm.H[i]);
            else
                snprintf(p, sizeof p, "%f %f", Elm.N[i], Elm.E[i]);
            if (i == points) {
                EXPECT_GE(want.size() + 1 + strlen(p), (size_t)XML_MAX_POINT_TEXT);
                break;
            }
            want += (i ? " " : "") + std::string(p);
        }
        EXPECT_EQ(text, want);
    }
}

TEST_F(LandXmlTest, WithoutADocumentTheSaveOnlyTellsTheUser)
{
    rad("1010", "R");
    landxml_start();
    // A dialog shown before: the save must not show another.
    char chosen[MDLHOST_MAXFILELENGTH + 1] = "";
    mdlhost_scriptFileDialog(nullptr);
    mdlDialog_fileCreate(chosen, nullptr, 0, "x.txt", "*.txt", "", "earlier dialog");

    std::string file = path("ingen.xml");
    mdlhost_scriptFileDialog(file.c_str());
    landxml_save();
    int type = 0;
    const char *text = mdlhost_messageCenterText(0, &type);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, INGEN_XML_DATA);
    EXPECT_EQ(type, 12);
    EXPECT_STREQ(mdlhost_lastFileDialogTitle(), "earlier dialog");
    EXPECT_FALSE(zeratest::fileExists(file));
    mdlhost_clearDialogScripts();
}

TEST_F(LandXmlTest, EachImportSavesOnlyItsOwnNodes)
{
    int a = rad("1010", "R");
    int b = rad("2020", "B");

    landxml_start();
    element(a);
    element(a);
    std::string first = lagre("forste.xml");
    EXPECT_EQ(mdlhost_xmlOpenDocuments(), 0);
    EXPECT_EQ(mdlhost_xmlOpenNodes(), 0);

    // The same loaded table: the second import starts its own document and
    // its own name counters.
    landxml_start();
    element(b);
    element(a);
    std::string second = lagre("andre.xml");
    EXPECT_EQ(mdlhost_xmlOpenDocuments(), 0);

    std::vector<Node> one = lesXml(first);
    std::vector<Node> two = lesXml(second);
    EXPECT_EQ(navn(one, "DataPoints"), (std::vector<std::string>{"S1010", "S1010-1"}));
    EXPECT_TRUE(finn(one, "Breakline").empty());
    EXPECT_EQ(navn(two, "DataPoints"), (std::vector<std::string>{"S1010"}));
    EXPECT_EQ(navn(two, "Breakline"), (std::vector<std::string>{"S2020"}));
    EXPECT_EQ(finn(two, "Surface").size(), 1u);
}

TEST_F(LandXmlTest, CancelledSaveIsDroppedByTheNextImport)
{
    int a = rad("1010", "R");
    int b = rad("2020", "E");
    std::string before = getXMLFile();

    landxml_start();
    element(a);
    mdlhost_scriptFileDialog(nullptr);
    landxml_save();
    EXPECT_EQ(mdlhost_xmlOpenDocuments(), 1);
    EXPECT_EQ(std::string(getXMLFile()), before);

    landxml_start();
    EXPECT_EQ(mdlhost_xmlOpenDocuments(), 0);
    EXPECT_EQ(mdlhost_xmlOpenNodes(), 0);
    element(b);
    std::string file = lagre("etter.xml");
    EXPECT_EQ(std::string(getXMLFile()), file);
    std::vector<Node> doc = lesXml(file);
    EXPECT_TRUE(finn(doc, "DataPoints").empty());
    EXPECT_EQ(navn(doc, "Boundary"), (std::vector<std::string>{"S2020"}));
}

TEST_F(LandXmlTest, CommentIsEscapedAndTheFileIsLatin1)
{
    int r = rad("1010", "R", 1, 1, "NAVN", "A&B<C \"V\xE6g\"");
    landxml_start();
    element(r);
    std::string file = lagre("tegn.xml");
    std::string raw = zeratest::readFile(file);
    EXPECT_NE(raw.find("encoding=\"iso-8859-1\""), std::string::npos) << raw.substr(0, 80);
    EXPECT_NE(raw.find("A&amp;B&lt;C"), std::string::npos);
    EXPECT_NE(raw.find("V\xE6g"), std::string::npos);
    std::vector<Node> doc = lesXml(file);
    auto points = finn(doc, "DataPoints");
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0]->attr.at("desc"), "A&B<C \"V\xC3\xA6g\"");
}

TEST_F(LandXmlTest, HeaderNodesAndTheSaveDialog)
{
    mdlSystem_setMdlAppVersionNumber(app_, 0x0C05);
    settXMLFil("C:\\kart\\flate.zera");
    int r = rad("1010", "R", 0);
    landxml_start();
    element(r);
    std::string file = lagre("hode.xml");
    EXPECT_EQ(std::string(getXMLFile()), file);
    EXPECT_STREQ(mdlhost_lastFileDialogTitle(), "Save As XML File");
    std::string offered = mdlhost_lastFileDialogDefault();
    EXPECT_EQ(offered.rfind("C:", 0), 0u) << offered;
    EXPECT_NE(offered.find("kart"), std::string::npos) << offered;
    EXPECT_EQ(offered.substr(offered.size() - 9), "flate.xml") << offered;

    std::vector<Node> doc = lesXml(file);
    ASSERT_FALSE(doc.empty());
    const Node &root = doc[0];
    EXPECT_EQ(root.name, "LandXML");
    EXPECT_EQ(root.attr.at("version"), "1.0");
    EXPECT_TRUE(passer(root.attr.at("date"), "2099-99-99")) << root.attr.at("date");
    EXPECT_TRUE(passer(root.attr.at("time"), "99:99:99")) << root.attr.at("time");
    EXPECT_EQ(root.attr.at("schemaLocation"),
              "http://www.landxml.org/schema/LandXML-1.0 "
              "http://www.landxml.org/schema/LandXML-1.0/LandXML-1.0.xsd");

    auto metric = finn(doc, "Metric");
    ASSERT_EQ(metric.size(), 1u);
    EXPECT_EQ(metric[0]->parent, "Units");
    EXPECT_EQ(metric[0]->attr.at("areaUnit"), "squareMeter");
    EXPECT_EQ(metric[0]->attr.at("pressureUnit"), "HPA");
    auto app = finn(doc, "Application");
    ASSERT_EQ(app.size(), 1u);
    EXPECT_EQ(app[0]->attr.at("name"), "ZV Zera Import");
    EXPECT_EQ(app[0]->attr.at("version"), "08.07.05.12");
    auto surface = finn(doc, "Surface");
    ASSERT_EQ(surface.size(), 1u);
    EXPECT_EQ(surface[0]->attr.at("name"), "flate");
    EXPECT_EQ(surface[0]->attr.at("desc"), "Data fra Zera");
    EXPECT_EQ(surface[0]->attr.at("state"), "existing");

    // Features: the element's, then the surface's from the save step.
    auto features = finn(doc, "Feature");
    ASSERT_EQ(features.size(), 2u);
    EXPECT_EQ(features[0]->parent, "DataPoints");
    EXPECT_EQ(features[0]->attr.at("code"), "DataPoints");
    EXPECT_EQ(features[1]->parent, "Surface");
    EXPECT_EQ(features[1]->attr.at("code"), "Surface");
    std::vector<std::pair<std::string, std::string>> props;
    for (const Node *p : finn(doc, "Property"))
        props.emplace_back(p->attr.at("label"), p->attr.at("value"));
    EXPECT_EQ(props, (std::vector<std::pair<std::string, std::string>>{
                         {"style", "NAVN"}, {"triangulate", "false"}, {"pointDensity", "0.000000"},
                         {"pref", "existing"}}));
    auto points = finn(doc, "DataPoints");
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0]->attr.at("DTMAttribute"), "donotinclude");
    EXPECT_EQ(finn(doc, "PntList3D")[0]->text, "6600000.125000 500000.500000 12.500000");
}

TEST_F(LandXmlTest, SurfaceNameFromTheFileName)
{
    const struct {
        const char *file;
        const char *name;
    } cases[] = {{"C:\\kart\\flate.zera.xml", "flate"}, {"/data/kart/Flate 2.xml", "Flate 2"},
                 {"D:\\a/b\\c.d", "c"},                 {"flate.xml", ""}};
    for (const auto &c : cases) {
        Mstemtab.rowCount = 0;
        int r = rad("1010", "R");
        settXMLFil(c.file);
        landxml_start();
        element(r);
        std::vector<Node> doc = lesXml(lagre("navn.xml"));
        auto surface = finn(doc, "Surface");
        ASSERT_EQ(surface.size(), 1u);
        EXPECT_EQ(surface[0]->attr.at("name"), c.name) << c.file;
    }
}

TEST_F(LandXmlTest, EveryKindValidatesAgainstLandXml10)
{
    int r = rad("1010", "R", 1);
    int b = rad("1020", "B", 1);
    int c = rad("1030", "C", 0);
    int e = rad("1040", "E", 1);
    int i = rad("1050", "I", 1, 1, "HULL", "A&B<C");
    landxml_start();
    element(r);
    element(r, 3);
    element(b, 4, ZERA_KURVE);
    element(c, 1, ZERA_KURVE);
    element(c, 5, ZERA_KURVE);
    element(e, 5, ZERA_KURVE);
    element(i, 4, ZERA_KURVE);
    std::string file = lagre("alle.xml");

    std::vector<Node> doc = lesXml(file);
    auto contours = finn(doc, "Contour");
    ASSERT_EQ(contours.size(), 2u);
    for (const Node *n : contours) {
        EXPECT_EQ(n->attr.size(), 1u);
        EXPECT_EQ(n->attr.at("elev"), "12.500000");
    }
    auto bounds = finn(doc, "Boundary");
    ASSERT_EQ(bounds.size(), 2u);
    EXPECT_EQ(bounds[0]->attr.at("bndType"), "outer");
    EXPECT_EQ(bounds[1]->attr.at("bndType"), "void");
    EXPECT_EQ(bounds[1]->attr.at("edgeTrim"), "true");
    EXPECT_EQ(finn(doc, "Breakline")[0]->attr.at("brkType"), "standard");
    EXPECT_EQ(finn(doc, "DataPoints")[0]->attr.at("DTMAttribute"), "spot");
    EXPECT_EQ(finn(doc, "PntList2D")[0]->text, "6600000.125000 500000.500000");

    if (!zeratest::fileExists(SCHEMA))
        GTEST_SKIP() << "LandXML 1.0 schema not found at " << SCHEMA << "; validation skipped";
    EXPECT_EQ(valider(file), 0);
}

TEST_F(LandXmlTest, FailedSaveIsReportedAndTheDocumentFreed)
{
    int r = rad("1010", "R");
    landxml_start();
    element(r);
    std::string file = path("mangler/ut.xml");
    mdlhost_scriptFileDialog(file.c_str());
    landxml_save();
    EXPECT_NE(std::string(mdlhost_textWindow()).find(file), std::string::npos) << mdlhost_textWindow();
    EXPECT_EQ(mdlhost_xmlOpenDocuments(), 0);
    EXPECT_EQ(mdlhost_xmlOpenNodes(), 0);
}

TEST_F(LandXmlTest, MatchingAddsNodesOnlyOnImportWithTheSwitchOn)
{
    int r = rad("1010", "R");
    Fkbtab.count = 1;
    kopier(Fkbtab.group[0], MT_FIELD_LEN, "FM");
    Fkbtab.selected[0] = 1;

    auto punkt = [] {
        elmclr();
        Elm.type = ZERA_PUNKT;
        Elm.themeCount = 1;
        kopier(Elm.theme[0], ZERA_THEME_LEN, "1010");
        Elm.pointCount = 1;
        Elm.N[0] = 1.0;
        Elm.E[0] = 2.0;
        Elm.H[0] = 3.0;
    };
    landxml_start();
    int16_t import = 1, eksport = 2;
    punkt();
    ASSERT_EQ(mt_match(&import, ""), 0);
    EXPECT_EQ(Elm.matchRow[0], r);
    punkt();
    ASSERT_EQ(mt_match(&eksport, ""), 0);
    EXPECT_EQ(navn(lesXml(lagre("match.xml")), "DataPoints"), (std::vector<std::string>{"S1010"}));

    settXML(0);
    landxml_start();
    punkt();
    ASSERT_EQ(mt_match(&import, ""), 0);
    landxml_save();
    EXPECT_STREQ(mdlhost_messageCenterText(0, nullptr), INGEN_XML_DATA);
}

} // namespace

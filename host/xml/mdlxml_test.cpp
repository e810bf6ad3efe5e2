#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "mdlhost.h"

namespace fs = std::filesystem;

namespace {

std::u16string wide(const std::string &latin1)
{
    std::u16string w;
    for (unsigned char c : latin1)
        w.push_back(c);
    return w;
}

std::string readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string prop(xmlNodePtr n, const char *name)
{
    xmlChar *v = xmlGetProp(n, BAD_CAST name);
    std::string s = v ? (const char *)v : "(none)";
    xmlFree(v);
    return s;
}

class XmlTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "mdlxml-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        ASSERT_NE(mkdtemp(buf.data()), nullptr);
        dir_ = buf.data();
    }
    void TearDown() override
    {
        // Every test frees what it made.
        EXPECT_EQ(mdlhost_xmlOpenDocuments(), 0);
        EXPECT_EQ(mdlhost_xmlOpenNodes(), 0);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string dir_;
};

// Latin-1 values with every character that must be escaped.
const char *kDesc = "A&B<C>\"D\" \xD8st";
const char *kText = "1 < 2 & \xC6\xF8\xE5";

TEST_F(XmlTest, SavesLatin1DocumentWithDeclarationAndEscapes)
{
    XmlDomRef dom = nullptr;
    ASSERT_EQ(mdlXMLDom_create(&dom), 0);
    XmlNodeRef root = nullptr, surface = nullptr, pnts = nullptr;
    ASSERT_EQ(mdlXMLDom_createElement(&root, dom, "LandXML"), 0);
    EXPECT_EQ(mdlXMLDomElement_addAttribute(root, "xmlns", "http://www.landxml.org/schema/LandXML-1.0"), 0);
    EXPECT_EQ(mdlXMLDomElement_addAttribute(root, "xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance"), 0);
    EXPECT_EQ(mdlXMLDomElement_addAttribute(root, "xsi:schemaLocation", "a b"), 0);
    ASSERT_EQ(mdlXMLDom_setRootElement(dom, root), 0);
    ASSERT_EQ(mdlXMLDom_createElement(&surface, dom, "Surface"), 0);
    EXPECT_EQ(mdlXMLDomElement_addAttribute(surface, "desc", kDesc), 0);
    EXPECT_EQ(mdlXMLDomElement_addAttribute(surface, "name", "old"), 0);
    EXPECT_EQ(mdlXMLDomElement_addAttribute(surface, "name", "S\xC5"), 0); // replaces
    ASSERT_EQ(mdlXMLDom_createElement(&pnts, dom, "PntList3D"), 0);
    EXPECT_EQ(mdlXMLDomNode_setText(pnts, "replaced"), 0);
    EXPECT_EQ(mdlXMLDomNode_setText(pnts, kText), 0);
    // A subtree built before it is placed.
    ASSERT_EQ(mdlXMLDomNode_appendChild(surface, pnts), 0);
    ASSERT_EQ(mdlXMLDomNode_appendChild(root, surface), 0);
    EXPECT_EQ(mdlhost_xmlOpenDocuments(), 1);
    EXPECT_EQ(mdlhost_xmlOpenNodes(), 3);

    std::string file = dir_ + "/ut.xml";
    ASSERT_EQ(mdlXMLDom_save(dom, wide(file).c_str(), "iso-8859-1"), 0);
    // Handles of placed nodes never own them: freeing them first is safe.
    for (XmlNodeRef n : {pnts, surface, root})
        mdlXMLDomNode_free(n);
    mdlXMLDom_free(dom);

    std::string bytes = readBytes(file);
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\n", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("desc=\"A&amp;B&lt;C&gt;&quot;D&quot; \xD8st\""), std::string::npos) << bytes;
    EXPECT_NE(bytes.find(">1 &lt; 2 &amp; \xC6\xF8\xE5</PntList3D>"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("\xC3\x98"), std::string::npos) << "UTF-8 bytes in an ISO 8859-1 file";
    EXPECT_NE(bytes.find("\n  <Surface"), std::string::npos) << "indented";

    xmlDocPtr doc = xmlReadFile(file.c_str(), nullptr, XML_PARSE_NONET);
    ASSERT_NE(doc, nullptr);
    xmlNodePtr r = xmlDocGetRootElement(doc);
    ASSERT_NE(r, nullptr);
    ASSERT_NE(r->ns, nullptr);
    EXPECT_STREQ((const char *)r->ns->href, "http://www.landxml.org/schema/LandXML-1.0");
    xmlNodePtr s = xmlFirstElementChild(r);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ((const char *)s->name, "Surface");
    EXPECT_EQ(prop(s, "desc"), "A&B<C>\"D\" \xC3\x98st"); // UTF-8 after parsing
    EXPECT_EQ(prop(s, "name"), "S\xC3\x85");
    xmlChar *t = xmlNodeGetContent(xmlFirstElementChild(s));
    EXPECT_STREQ((const char *)t, "1 < 2 & \xC3\x86\xC3\xB8\xC3\xA5");
    xmlFree(t);
    xmlFreeDoc(doc);
}

TEST_F(XmlTest, SaveFailuresAreReported)
{
    XmlDomRef dom = nullptr;
    XmlNodeRef root = nullptr;
    ASSERT_EQ(mdlXMLDom_create(&dom), 0);
    ASSERT_EQ(mdlXMLDom_createElement(&root, dom, "R"), 0);
    ASSERT_EQ(mdlXMLDom_setRootElement(dom, root), 0);

    std::string missingDir = dir_ + "/none/ut.xml";
    EXPECT_NE(mdlXMLDom_save(dom, wide(missingDir).c_str(), "iso-8859-1"), 0);
    std::string unknownEnc = dir_ + "/enc.xml";
    EXPECT_NE(mdlXMLDom_save(dom, wide(unknownEnc).c_str(), "no-such-encoding"), 0);
    EXPECT_FALSE(fs::exists(unknownEnc));
    std::u16string notLatin1 = wide(dir_ + "/x") + u"\u0100.xml";
    EXPECT_NE(mdlXMLDom_save(dom, notLatin1.c_str(), "iso-8859-1"), 0);
    std::u16string tooLong = wide(dir_ + "/" + std::string(300, 'a'));
    EXPECT_NE(mdlXMLDom_save(dom, tooLong.c_str(), "iso-8859-1"), 0);
    EXPECT_NE(mdlXMLDom_save(dom, u"", "iso-8859-1"), 0);
    // The document is still usable after the failures.
    EXPECT_EQ(mdlXMLDom_save(dom, wide(dir_ + "/ok.xml").c_str(), "iso-8859-1"), 0);

    mdlXMLDom_free(dom);
    mdlXMLDomNode_free(root); // after its document
}

TEST_F(XmlTest, SavesThroughTheHostFileLayer)
{
    XmlDomRef dom = nullptr;
    XmlNodeRef root = nullptr;
    ASSERT_EQ(mdlXMLDom_create(&dom), 0);
    ASSERT_EQ(mdlXMLDom_createElement(&root, dom, "R"), 0);
    ASSERT_EQ(mdlXMLDom_setRootElement(dom, root), 0);

    // A system path with a drive letter and backslashes.
    ASSERT_EQ(mdlSystem_defineCfgVar("MDLHOST_DRIVE_Q", dir_.c_str()), 0);
    EXPECT_EQ(mdlXMLDom_save(dom, u"Q:\\ut.xml", "iso-8859-1"), 0);
    EXPECT_TRUE(fs::exists(dir_ + "/ut.xml"));
    mdlSystem_defineCfgVar("MDLHOST_DRIVE_Q", nullptr);

    mdlhost_failNext("fopen", 1);
    EXPECT_NE(mdlXMLDom_save(dom, wide(dir_ + "/failed.xml").c_str(), "iso-8859-1"), 0);
    EXPECT_FALSE(fs::exists(dir_ + "/failed.xml"));

    mdlXMLDomNode_free(root);
    mdlXMLDom_free(dom);
}

TEST_F(XmlTest, RefusesPlacementsThatWouldBreakTheTree)
{
    XmlDomRef dom = nullptr, other = nullptr;
    XmlNodeRef a = nullptr, b = nullptr, c = nullptr, foreign = nullptr;
    ASSERT_EQ(mdlXMLDom_create(&dom), 0);
    ASSERT_EQ(mdlXMLDom_create(&other), 0);
    ASSERT_EQ(mdlXMLDom_createElement(&a, dom, "A"), 0);
    ASSERT_EQ(mdlXMLDom_createElement(&b, dom, "B"), 0);
    ASSERT_EQ(mdlXMLDom_createElement(&c, dom, "C"), 0);
    ASSERT_EQ(mdlXMLDom_createElement(&foreign, other, "F"), 0);

    ASSERT_EQ(mdlXMLDomNode_appendChild(a, b), 0);
    EXPECT_NE(mdlXMLDomNode_appendChild(c, b), 0) << "b is already placed";
    EXPECT_NE(mdlXMLDomNode_appendChild(b, a), 0) << "cycle";
    EXPECT_NE(mdlXMLDomNode_appendChild(a, a), 0) << "cycle";
    EXPECT_NE(mdlXMLDomNode_appendChild(a, foreign), 0) << "other document";
    EXPECT_NE(mdlXMLDom_setRootElement(dom, foreign), 0);
    EXPECT_NE(mdlXMLDom_setRootElement(dom, b), 0) << "b is placed";
    ASSERT_EQ(mdlXMLDom_setRootElement(dom, a), 0);
    EXPECT_NE(mdlXMLDom_setRootElement(dom, c), 0) << "root already set";
    XmlNodeRef none = reinterpret_cast<XmlNodeRef>(1);
    EXPECT_NE(mdlXMLDom_createElement(&none, nullptr, "X"), 0);
    EXPECT_EQ(none, nullptr);

    // Handles of a freed document are refused, not followed.
    mdlXMLDom_free(other);
    EXPECT_NE(mdlXMLDomElement_addAttribute(foreign, "k", "v"), 0);
    EXPECT_NE(mdlXMLDomNode_setText(foreign, "t"), 0);
    for (XmlNodeRef n : {a, b, c, foreign})
        mdlXMLDomNode_free(n);
    mdlXMLDom_free(dom);
}

TEST_F(XmlTest, LooseNodesAreFreedWithTheirHandleOrTheirDocument)
{
    XmlDomRef dom = nullptr;
    XmlNodeRef kept = nullptr, dropped = nullptr, child = nullptr;
    ASSERT_EQ(mdlXMLDom_create(&dom), 0);
    ASSERT_EQ(mdlXMLDom_createElement(&kept, dom, "Kept"), 0);
    ASSERT_EQ(mdlXMLDom_createElement(&dropped, dom, "Dropped"), 0);
    ASSERT_EQ(mdlXMLDom_createElement(&child, dom, "Child"), 0);
    ASSERT_EQ(mdlXMLDomNode_appendChild(dropped, child), 0);
    EXPECT_EQ(mdlXMLDomElement_addAttribute(dropped, "a", "1"), 0);
    mdlXMLDomNode_free(child);   // placed under a loose node: not freed here
    mdlXMLDomNode_free(dropped); // loose: freed with its child
    EXPECT_EQ(mdlhost_xmlOpenNodes(), 1);
    mdlXMLDom_free(dom); // frees the never-placed "Kept"
    EXPECT_EQ(mdlhost_xmlOpenDocuments(), 0);
    mdlXMLDomNode_free(kept);
}

} // namespace

// XML document interface over libxml2.
//
// Handles: a document handle owns its xmlDoc; a node handle names a node
// and never owns it while the node is in a tree.  A node that was created
// and never placed in a tree ("loose") is owned by its document until it is
// placed, and freed with its handle or with the document, whichever comes
// first.  A node handle may outlive its document (the caller frees both in
// any order), so a handle finds its document through a serial number and
// never follows a pointer into a freed document.
//
// Text crosses this interface as ISO 8859-1 and is held by libxml2 as
// UTF-8; the encoding given to mdlXMLDom_save decides the bytes written.
#include "xml/mdlxml.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include <libxml/encoding.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include "base/mdlbase.h"
#include "base/text_host.h"
#include "sys/mdlsys.h"

struct XmlDomData {
    xmlDocPtr doc = nullptr;
    unsigned long serial = 0;
    std::set<xmlNodePtr> loose; // created, never placed in a tree
};

struct XmlNodeData {
    xmlNodePtr node = nullptr;
    unsigned long domSerial = 0;
};

namespace {

std::map<unsigned long, XmlDomData *> documents; // open documents by serial
unsigned long nextSerial = 1;
int openNodes = 0;

XmlDomData *documentOf(const XmlNodeData *node)
{
    if (node == nullptr)
        return nullptr;
    auto it = documents.find(node->domSerial);
    return it == documents.end() ? nullptr : it->second;
}

const xmlChar *x(const std::string &s) { return reinterpret_cast<const xmlChar *>(s.c_str()); }

// True when a is b or one of b's ancestors.
bool isAncestorOf(xmlNodePtr a, xmlNodePtr b)
{
    for (xmlNodePtr p = b; p != nullptr; p = p->parent)
        if (p == a)
            return true;
    return false;
}

struct Writer {
    FILE *fp;
    bool failed;
};

int writeOut(void *ctx, const char *buffer, int len)
{
    auto *s = static_cast<Writer *>(ctx);
    if (len <= 0) // libxml2 flushes empty buffers too
        return 0;
    if (s->fp == nullptr) { // nothing is written before the file is open
        s->failed = true;
        return -1;
    }
    if (fwrite(buffer, 1, (size_t)len, s->fp) != (size_t)len) {
        s->failed = true;
        return -1;
    }
    return len;
}

} // namespace

int mdlXMLDom_create(XmlDomRef *dom)
{
    if (dom == nullptr)
        return 1;
    *dom = nullptr;
    xmlDocPtr doc = xmlNewDoc(BAD_CAST "1.0");
    if (doc == nullptr)
        return 1;
    auto *d = new XmlDomData;
    d->doc = doc;
    d->serial = nextSerial++;
    documents[d->serial] = d;
    *dom = d;
    return 0;
}

int mdlXMLDom_createElement(XmlNodeRef *node, XmlDomRef dom, const char *name)
{
    if (node == nullptr)
        return 1;
    *node = nullptr;
    if (dom == nullptr || name == nullptr || name[0] == '\0')
        return 1;
    xmlNodePtr n = xmlNewDocNode(dom->doc, nullptr, x(mdlhost::latin1ToUtf8(name)), nullptr);
    if (n == nullptr)
        return 1;
    dom->loose.insert(n);
    auto *h = new XmlNodeData;
    h->node = n;
    h->domSerial = dom->serial;
    openNodes++;
    *node = h;
    return 0;
}

int mdlXMLDom_setRootElement(XmlDomRef dom, XmlNodeRef node)
{
    // Only a loose node of this document can become the root, and only
    // once: replacing a root would orphan the old tree.
    if (dom == nullptr || documentOf(node) != dom || !dom->loose.count(node->node) ||
        xmlDocGetRootElement(dom->doc) != nullptr)
        return 1;
    xmlDocSetRootElement(dom->doc, node->node);
    dom->loose.erase(node->node);
    return 0;
}

int mdlXMLDomNode_appendChild(XmlNodeRef parent, XmlNodeRef child)
{
    XmlDomData *dom = documentOf(parent);
    // The child must be loose (a placed node would be torn out of its tree)
    // and must not hold the parent (that would make a cycle).
    if (dom == nullptr || documentOf(child) != dom || !dom->loose.count(child->node) ||
        isAncestorOf(child->node, parent->node))
        return 1;
    if (xmlAddChild(parent->node, child->node) == nullptr)
        return 1;
    dom->loose.erase(child->node);
    return 0;
}

int mdlXMLDomElement_addAttribute(XmlNodeRef node, const char *name, const char *value)
{
    if (documentOf(node) == nullptr || name == nullptr || name[0] == '\0' || value == nullptr)
        return 1;
    // xmlSetProp takes the value as plain text: libxml2 escapes it on output.
    return xmlSetProp(node->node, x(mdlhost::latin1ToUtf8(name)), x(mdlhost::latin1ToUtf8(value))) == nullptr ? 1 : 0;
}

int mdlXMLDomNode_setText(XmlNodeRef node, const char *text)
{
    if (documentOf(node) == nullptr || text == nullptr)
        return 1;
    xmlNodePtr n = node->node;
    // Replace earlier text; child elements stay.
    for (xmlNodePtr c = n->children; c != nullptr;) {
        xmlNodePtr next = c->next;
        if (c->type == XML_TEXT_NODE) {
            xmlUnlinkNode(c);
            xmlFreeNode(c);
        }
        c = next;
    }
    if (text[0] == '\0')
        return 0;
    // A text node holds raw text (no entity references are read from it).
    xmlNodePtr t = xmlNewDocText(n->doc, x(mdlhost::latin1ToUtf8(text)));
    if (t == nullptr)
        return 1;
    if (xmlAddChild(n, t) == nullptr) {
        xmlFreeNode(t);
        return 1;
    }
    return 0;
}

int mdlXMLDom_save(XmlDomRef dom, const char16_t *fileName, const char *encoding)
{
    if (dom == nullptr || fileName == nullptr || !documents.count(dom->serial))
        return 1;
    // A name that is too long or not ISO 8859-1 would name another file.
    char path[MDLHOST_MAXFILELENGTH];
    size_t len = 0;
    for (; fileName[len] != 0; len++)
        if (fileName[len] > 0xFF || len + 1 >= sizeof path)
            return 1;
    if (len == 0)
        return 1;
    mdlCnv_convertUnicodeToMultibyte(fileName, -1, path, sizeof path);

    // An unknown encoding is refused before the file is created.
    if (encoding != nullptr) {
        xmlCharEncodingHandlerPtr h = xmlFindCharEncodingHandler(encoding);
        if (h == nullptr)
            return 1;
        xmlCharEncCloseFunc(h);
    }
    Writer s{nullptr, false};
    xmlSaveCtxtPtr ctx = xmlSaveToIO(writeOut, nullptr, &s, encoding, XML_SAVE_FORMAT);
    if (ctx == nullptr)
        return 1;
    // The host's file layer maps the system path to a local one.
    s.fp = dlmSystem_mdlFopen(path, "w");
    if (s.fp == nullptr) {
        xmlSaveClose(ctx);
        return 1;
    }
    long written = xmlSaveDoc(ctx, dom->doc);
    int closed = xmlSaveClose(ctx);
    int rc = (written < 0 || closed < 0 || s.failed) ? 1 : 0;
    if (fflush(s.fp) != 0 || ferror(s.fp))
        rc = 1;
    if (dlmSystem_mdlFclose(s.fp) != 0)
        rc = 1;
    return rc;
}

void mdlXMLDom_free(XmlDomRef dom)
{
    if (dom == nullptr || !documents.count(dom->serial))
        return;
    for (xmlNodePtr n : dom->loose)
        xmlFreeNode(n);
    xmlFreeDoc(dom->doc);
    documents.erase(dom->serial);
    delete dom;
}

void mdlXMLDomNode_free(XmlNodeRef node)
{
    if (node == nullptr)
        return;
    XmlDomData *dom = documentOf(node);
    if (dom != nullptr && dom->loose.erase(node->node))
        xmlFreeNode(node->node);
    openNodes--;
    delete node;
}

int mdlhost_xmlOpenDocuments(void) { return (int)documents.size(); }
int mdlhost_xmlOpenNodes(void) { return openNodes; }

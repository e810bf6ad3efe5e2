// STUB (minimal): replaced by the XML document module over libxml2.
#include "xml/mdlxml.h"
int mdlXMLDom_create(XmlDomRef *dom) { *dom = nullptr; return 1; }
int mdlXMLDom_createElement(XmlNodeRef *node, XmlDomRef, const char *) { *node = nullptr; return 1; }
int mdlXMLDom_setRootElement(XmlDomRef, XmlNodeRef) { return 1; }
int mdlXMLDomNode_appendChild(XmlNodeRef, XmlNodeRef) { return 1; }
int mdlXMLDomElement_addAttribute(XmlNodeRef, const char *, const char *) { return 1; }
int mdlXMLDomNode_setText(XmlNodeRef, const char *) { return 1; }
int mdlXMLDom_save(XmlDomRef, const char16_t *, const char *) { return 1; }
void mdlXMLDom_free(XmlDomRef) {}
void mdlXMLDomNode_free(XmlNodeRef) {}
int mdlhost_xmlOpenDocuments(void) { return 0; }
int mdlhost_xmlOpenNodes(void) { return 0; }

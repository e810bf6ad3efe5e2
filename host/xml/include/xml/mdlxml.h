/* XML document interface (over libxml2).  Names and values are 8-bit
   ISO 8859-1 text; the host converts them. */
#ifndef MDLHOST_XML_H
#define MDLHOST_XML_H

#include "base/host_export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct XmlDomData *XmlDomRef;
typedef struct XmlNodeData *XmlNodeRef;

/* All return 0 on success and non-zero on failure. */
MDLHOST_API int mdlXMLDom_create(XmlDomRef *dom);
/* A new element of the document, not yet placed in the tree. */
MDLHOST_API int mdlXMLDom_createElement(XmlNodeRef *node, XmlDomRef dom, const char *name);
MDLHOST_API int mdlXMLDom_setRootElement(XmlDomRef dom, XmlNodeRef node);
/* Appends child as the last child of parent (both of one document). */
MDLHOST_API int mdlXMLDomNode_appendChild(XmlNodeRef parent, XmlNodeRef child);
MDLHOST_API int mdlXMLDomElement_addAttribute(XmlNodeRef node, const char *name, const char *value);
MDLHOST_API int mdlXMLDomNode_setText(XmlNodeRef node, const char *text);
/* Writes the document with an XML declaration in the given encoding. */
MDLHOST_API int mdlXMLDom_save(XmlDomRef dom, const char16_t *fileName, const char *encoding);
/* Frees the document with every node in it; handles of its nodes must be
   freed as well (a handle never owns a node that is in a tree). */
MDLHOST_API void mdlXMLDom_free(XmlDomRef dom);
MDLHOST_API void mdlXMLDomNode_free(XmlNodeRef node);

/* Open documents and node handles, for leak checks in tests. */
MDLHOST_API int mdlhost_xmlOpenDocuments(void);
MDLHOST_API int mdlhost_xmlOpenNodes(void);

#ifdef __cplusplus
}
#endif

#endif

#include "TCXMLAttr.h"

#include <libxml/tree.h>

std::string TCXMLAttr::Name() const
{
    return attr_ ? reinterpret_cast<const char*>(attr_->name) : std::string();
}

std::string TCXMLAttr::Value() const
{
    if (!attr_)
        return {};
    const xmlNode* only = attr_->children;
    if (only && !only->next && only->type == XML_TEXT_NODE)
        return only->content ? reinterpret_cast<const char*>(only->content) : "";
    xmlChar* text = xmlNodeListGetString(attr_->doc, attr_->children, 1);
    std::string value = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return value;
}

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
    xmlChar* text = xmlNodeListGetString(attr_->doc, attr_->children, 1);
    std::string value = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return value;
}

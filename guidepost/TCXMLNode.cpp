#include "TCXMLNode.h"

#include <libxml/tree.h>

#include <cstring>

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

const char* namespaceOf(const xmlNode* node)
{
    return node->ns && node->ns->href ? reinterpret_cast<const char*>(node->ns->href) : "";
}

// Elements of another namespace are unknown elements, whatever their name.
bool hasName(const xmlNode* node, const char* name, const char* nameSpace)
{
    return node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0 &&
           std::strcmp(namespaceOf(node), nameSpace) == 0;
}

} // namespace

std::string TCXMLNode::Name() const
{
    return node_ ? reinterpret_cast<const char*>(node_->name) : std::string();
}

namespace {

// Appends the text of every text and CDATA node below node, in document order.
// Done here rather than through xmlNodeGetContent, whose 4 KiB buffer per
// call dominated the load time of large documents.
void appendText(const xmlNode* node, std::string& text, bool descend)
{
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
            if (child->content)
                text += reinterpret_cast<const char*>(child->content);
        } else if (descend && child->type == XML_ELEMENT_NODE) {
            appendText(child, text, true);
        }
    }
}

} // namespace

void TCXMLNode::GetText(std::string& text) const
{
    text.clear();
    if (node_)
        appendText(node_, text, true);
}

std::string TCXMLNode::OwnText() const
{
    std::string text;
    if (node_)
        appendText(node_, text, false);
    return text;
}

std::string TCXMLNode::Text() const
{
    std::string text;
    GetText(text);
    return text;
}

int TCXMLNode::GetAttr(TCXMLAttr* attr, const char* name, std::string& value) const
{
    value.clear();
    if (attr)
        *attr = TCXMLAttr();
    if (!node_)
        return 0;
    // Only attributes without a namespace belong to the document format.
    xmlAttr* found = xmlHasNsProp(node_, X(name), nullptr);
    if (!found || found->type != XML_ATTRIBUTE_NODE)
        return 0;
    TCXMLAttr a(found);
    value = a.Value();
    if (attr)
        *attr = a;
    return 1;
}

std::string TCXMLNode::Attr(const char* name) const
{
    std::string value;
    GetAttr(nullptr, name, value);
    return value;
}

TCXMLNode TCXMLNode::FirstChild(const char* name) const
{
    if (!node_)
        return {};
    const char* nameSpace = namespaceOf(node_);
    for (xmlNode* child = node_->children; child; child = child->next)
        if (hasName(child, name, nameSpace))
            return TCXMLNode(child);
    return {};
}

TCXMLNode TCXMLNode::NextSameName() const
{
    if (!node_)
        return {};
    const char* name = reinterpret_cast<const char*>(node_->name);
    const char* nameSpace = namespaceOf(node_);
    for (xmlNode* next = node_->next; next; next = next->next)
        if (hasName(next, name, nameSpace))
            return TCXMLNode(next);
    return {};
}

std::string TCXMLNode::ChildText(const char* name, bool& found) const
{
    TCXMLNode child = FirstChild(name);
    found = !child.IsNull();
    return child.Text();
}

std::string TCXMLNode::ChildText(const char* name) const
{
    bool found = false;
    return ChildText(name, found);
}

TCXMLNode TCXMLNode::CreateChild(const char* name, const std::string* text)
{
    if (!node_)
        return {};
    // xmlNewTextChild escapes the text; the child shares the parent's namespace.
    xmlNode* child = xmlNewTextChild(node_, node_->ns, X(name), text ? X(text->c_str()) : nullptr);
    return TCXMLNode(child);
}

void TCXMLNode::SetAttr(const char* name, const std::string& value)
{
    if (node_)
        xmlSetProp(node_, X(name), X(value.c_str()));
}

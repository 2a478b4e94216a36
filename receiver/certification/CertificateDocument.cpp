#include "CertificateDocument.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

bool named(const xmlNode* node, const char* name)
{
    return node && node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

const xmlNode* child(const xmlNode* parent, const char* name)
{
    if (!parent)
        return nullptr;
    for (const xmlNode* n = parent->children; n; n = n->next)
        if (named(n, name))
            return n;
    return nullptr;
}

std::string text(const xmlNode* node)
{
    if (!node)
        return {};
    xmlChar* content = xmlNodeGetContent(node);
    std::string out = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return out;
}

std::string attribute(const xmlNode* node, const char* name)
{
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string out = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return out;
}

bool number(const xmlNode* node, int& value)
{
    if (!node)
        return false;
    std::string t = text(node);
    char* end = nullptr;
    long v = std::strtol(t.c_str(), &end, 10);
    if (t.empty() || (end && *end != '\0' && *end != ' '))
        return false;
    value = static_cast<int>(v);
    return true;
}

} // namespace

bool CertificateDocument::load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    return loadText(std::string(std::istreambuf_iterator<char>(in), {}));
}

bool CertificateDocument::loadText(const std::string& data)
{
    *this = CertificateDocument();
    // No network, no entity expansion, no DTD: the document comes from a
    // server we do not control.
    xmlDocPtr doc = xmlReadMemory(data.data(), static_cast<int>(data.size()), nullptr, nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc)
        return false;
    bool ok = false;
    const xmlNode* root = xmlDocGetRootElement(doc);
    if (!doc->intSubset && named(root, rootName) && root->ns
        && std::strcmp(reinterpret_cast<const char*>(root->ns->href), nameSpace) == 0) {
        ok = true;
        code = text(child(root, "code"));
        version = text(child(root, "version"));
        comment = text(child(root, "comment"));
        if (const xmlNode* date = child(root, "date")) {
            datePresent = true;
            dateComplete = number(child(date, "year"), year) && number(child(date, "month"), month)
                && number(child(date, "day"), day);
        }
        if (const xmlNode* control = child(root, "control")) {
            controlPresent = true;
            controlType = attribute(control, "type");
            controlComment = text(child(control, "comment"));
            for (const xmlNode* n = child(child(control, "items"), "item"); n; n = n->next)
                if (named(n, "item"))
                    items.push_back({text(n), attribute(n, "type")});
        }
    }
    xmlFreeDoc(doc);
    return ok;
}

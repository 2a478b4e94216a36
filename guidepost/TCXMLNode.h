#pragma once
// An element of a document held by TCXML. Nodes do not own anything; they
// stay valid while their document lives.

#include "guidepost/Export.h"
#include "guidepost/TCXMLAttr.h"

#include <string>

struct _xmlNode;

class CVCLIB_EXPORT TCXMLNode {
public:
    TCXMLNode() = default;
    explicit TCXMLNode(_xmlNode* node) : node_(node) {}

    bool IsNull() const { return node_ == nullptr; }
    explicit operator bool() const { return node_ != nullptr; }
    std::string Name() const;

    // The element's text content (UTF-8).
    void GetText(std::string& text) const;
    std::string Text() const;
    // Only the text directly inside this element, not that of its children.
    std::string OwnText() const;
    // 1 and the value when the attribute exists, else 0 and an empty value.
    // attr, when given, receives the attribute.
    int GetAttr(TCXMLAttr* attr, const char* name, std::string& value) const;
    std::string Attr(const char* name) const;

    // The first child element with this name (a null node when there is none).
    TCXMLNode FirstChild(const char* name) const;
    // The next sibling element with this element's name.
    TCXMLNode NextSameName() const;
    // The text of the first child element with this name; found tells whether
    // that child exists (its text is empty when it does not).
    std::string ChildText(const char* name, bool& found) const;
    std::string ChildText(const char* name) const;

    // A new child element in the document's namespace, optionally with text.
    TCXMLNode CreateChild(const char* name, const std::string* text = nullptr);
    TCXMLNode CreateChild(const char* name, const std::string& text) { return CreateChild(name, &text); }
    void SetAttr(const char* name, const std::string& value);

    _xmlNode* Handle() const { return node_; }

private:
    _xmlNode* node_ = nullptr;
};

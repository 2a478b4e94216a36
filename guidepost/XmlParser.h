#pragma once
// How every document of this system goes through libxml2: no DOCTYPE (it
// stops the parse), no network, no entity loaded or expanded, default size
// limits, "Shift-JIS" read as code page 932, and a text that ends inside a
// character refused. Used by TCXML (libxml2's own tree) and DocumentTree
// (a tree built from the parser's events). Library-internal.

#include <cstddef>
#include <string>

struct _xmlDoc;
struct _xmlSAXHandler;
struct _xmlSchema;

class XmlParser {
public:
    // The parser's events for a caller that builds its own tree.
    struct Events {
        _xmlSAXHandler* handler;
        void* userData;
    };

    // The parsed schema of a document kind, read once and then shared.
    // Throws CAMException 5 when it is missing or unusable.
    static _xmlSchema* Schema(int kind);

    // Without events: the document libxml2 built, or nullptr when the text
    // is not well-formed (the caller frees the document).
    // With events: they build what the caller needs and, given a schema,
    // the document is validated along the way; true when it parsed (and
    // validated). Events must not throw.
    // A file that cannot be opened, is not a regular file or is larger than
    // any GuidePost throws CAMException 0.
    static _xmlDoc* ParseFile(const std::string& path);
    static _xmlDoc* ParseMemory(const char* data, std::size_t length);
    static bool ParseFile(const std::string& path, const Events& events, _xmlSchema* schema);
    static bool ParseMemory(const char* data, std::size_t length, const Events& events, _xmlSchema* schema);
    // Stops the parse in progress on this thread, for events that fail.
    static void Stop();
};

#pragma once
// A GuidePost document as the loader reads it: its elements, their texts and
// their attributes without a namespace, built straight from the parser's
// events into a few large blocks. Names of the GuidePost vocabulary are kept
// as tags; an element of another namespace is Tag::Other (its text still
// counts in the text of the elements around it), and an attribute the
// loader never asks for is left out, as are comments and processing
// instructions. A fraction of libxml2's own tree in time and memory, and
// freed a block at a time. Library-internal.

#include "guidepost/XmlParser.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Every element and attribute name the loader asks for.
#define CV_GUIDEPOST_NAMES(X)                                                                                   \
    X(Corvandelle) X(account) X(attach) X(attachlist) X(browse) X(browseid) X(browselist) X(comment) X(creator) \
    X(date) X(day) X(description) X(destination) X(digest) X(encrypt) X(favorite) X(file) X(filelist)          \
    X(filename) X(folder) X(id) X(information) X(inputmail) X(localfolder) X(location) X(method)               \
    X(mirrorsitefolder) X(mirrorsitefolderlist) X(mirrorsitelist) X(mode) X(month) X(name) X(navigation)       \
    X(open) X(port) X(protocol) X(remote) X(remotefolder) X(server) X(site) X(size) X(source) X(sourcelist)    \
    X(synchronize) X(target) X(task) X(tasklist) X(time) X(title) X(type) X(uncompress) X(update) X(url)       \
    X(value) X(version) X(year)

class DocumentTree {
public:
#define CV_TAG(n) n,
    enum class Tag : std::uint8_t { Other, Text, CV_GUIDEPOST_NAMES(CV_TAG) };
#undef CV_TAG

    struct Node;
    struct Attribute;

    // An element of the tree; valid while the tree lives. A null element
    // answers every question with nothing.
    class Element {
    public:
        Element() = default;
        explicit Element(const Node* node) : node_(node) {}
        explicit operator bool() const { return node_ != nullptr; }
        bool Is(Tag tag) const;

        // The text of the element and of every element inside it, in
        // document order.
        std::string Text() const;
        // Only the text directly inside the element.
        std::string OwnText() const;
        // The first child element with this tag (null when there is none).
        Element FirstChild(Tag tag) const;
        // The next sibling element with this element's tag.
        Element NextSameName() const;
        // The text of the first child element with this tag; found tells
        // whether that child exists.
        std::string ChildText(Tag tag, bool& found) const;
        std::string ChildText(Tag tag) const;
        // True and the value when the attribute exists, else false and "".
        bool GetAttr(Tag tag, std::string& value) const;
        std::string Attr(Tag tag) const;

    private:
        const Node* node_ = nullptr;
    };

    DocumentTree();
    ~DocumentTree();
    DocumentTree(const DocumentTree&) = delete;
    DocumentTree& operator=(const DocumentTree&) = delete;

    // Parses a GuidePost document and validates it against its schema, as
    // TCXML::Open does: CAMException 0 when the file cannot be read, does
    // not parse or does not validate, 5 when the schema cannot be used.
    void Open(const std::string& path);
    void OpenMemory(const char* data, std::size_t length);

    Element Root() const { return Element(root_); }

    // Hands each task of the first task list to handler as soon as it is
    // read, and then drops it from the tree (its list is left without it).
    // Set before Open; the handler may throw, which stops the parse.
    void SetTaskHandler(std::function<void(Element task)> handler) { taskHandler_ = std::move(handler); }

private:
    class Builder;
    // How far the blocks were filled: nodes made after it are given back
    // together.
    struct Mark {
        std::size_t blocks;
        char* top;
        char* end;
    };
    Mark CurrentMark() const;
    void Release(const Mark& mark);
    void Build(const std::function<bool(const XmlParser::Events&, _xmlSchema*)>& parse);
    void Reset();
    char* NewBlock(std::size_t size);
    void* Allocate(std::size_t size);
    char* CopyText(const char* text, std::size_t length);

    std::vector<std::unique_ptr<char[]>> blocks_;
    char* top_ = nullptr;  // free space of the newest block
    char* end_ = nullptr;
    Node* root_ = nullptr;
    std::function<void(Element)> taskHandler_;
};

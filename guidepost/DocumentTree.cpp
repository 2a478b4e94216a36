#include "guidepost/DocumentTree.h"

#include "guidepost/CAMException.h"
#include "guidepost/TCXML.h"
#include "guidepost/XmlParser.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <iterator>
#include <new>
#include <string_view>

namespace {

// Small enough that the one task the loader holds at a time wastes little.
constexpr std::size_t blockSize = 256 * 1024;
constexpr std::size_t nodeAlignment = alignof(void*);

using Tag = DocumentTree::Tag;

struct NamedTag {
    std::string_view name;
    Tag tag;
};

#define CV_NAMED_TAG(n) NamedTag{#n, Tag::n},
constexpr NamedTag namedTags[] = {CV_GUIDEPOST_NAMES(CV_NAMED_TAG)};
#undef CV_NAMED_TAG

Tag tagByName(const char* name)
{
    static_assert(std::is_sorted(std::begin(namedTags), std::end(namedTags),
                                 [](const NamedTag& a, const NamedTag& b) { return a.name < b.name; }),
                  "the GuidePost names stand in byte order");
    const std::string_view wanted(name);
    auto it = std::lower_bound(std::begin(namedTags), std::end(namedTags), wanted,
                               [](const NamedTag& entry, std::string_view key) { return entry.name < key; });
    return it != std::end(namedTags) && it->name == wanted ? it->tag : Tag::Other;
}

const char* text(const xmlChar* s) { return reinterpret_cast<const char*>(s); }

} // namespace

struct DocumentTree::Node {
    Node* next = nullptr;  // the next sibling
    union {
        Node* first;       // an element's first child
        const char* text;  // a text's characters
    };
    Attribute* attributes = nullptr;
    std::uint32_t length = 0;  // of a text
    Tag tag = Tag::Other;
};

struct DocumentTree::Attribute {
    Attribute* next;
    const char* value;
    std::uint32_t length;
    Tag tag;
};

// Builds the tree from the parser's events. The events run inside libxml2,
// so nothing may be thrown out of them: a failure stops the parse and is
// raised once the parser has returned.
class DocumentTree::Builder {
public:
    explicit Builder(DocumentTree& tree) : tree_(tree) {}

    static xmlSAXHandler Handler()
    {
        xmlSAXHandler handler{};
        handler.startElementNs = startElement;
        handler.endElementNs = endElement;
        handler.characters = characters;
        handler.ignorableWhitespace = characters;
        handler.cdataBlock = cdata;
        handler.comment = comment;
        handler.processingInstruction = instruction;
        return handler;
    }
    // The parse stopped for want of memory, or at a text longer than any
    // GuidePost has.
    bool outOfMemory() const { return outOfMemory_; }
    // What the task handler threw, raised once the parser has returned.
    std::exception_ptr handlerError() const { return handlerError_; }
    bool textTooLong() const { return textTooLong_; }

private:
    struct Frame {
        Node* element;
        Node** tail;             // where the next child is linked in
        Node** lastLink = nullptr;  // where the last child was linked in
        bool handedOn = false;   // a task of the task list, given to the handler when it ends
        Mark mark{};             // the blocks as they were before it
    };

    static Builder& self(void* ctx) { return *static_cast<Builder*>(ctx); }

    static void startElement(void* ctx, const xmlChar* localname, const xmlChar*, const xmlChar* uri, int,
                             const xmlChar**, int attributeCount, int, const xmlChar** attributes)
    {
        Builder& b = self(ctx);
        try {
            b.open(localname, uri, attributeCount, attributes);
        } catch (...) {
            b.fail();
        }
    }
    static void endElement(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*)
    {
        Builder& b = self(ctx);
        b.lastText_ = nullptr;
        b.run_ = 0;
        if (b.stack_.empty())
            return;
        const Frame done = b.stack_.back();
        b.stack_.pop_back();
        if (done.handedOn)
            b.handOn(done);
    }
    static void characters(void* ctx, const xmlChar* ch, int length)
    {
        Builder& b = self(ctx);
        // libxml2's tree refuses a text node of more than this many bytes
        // (one run of characters, up to the next markup); so does this one.
        b.run_ += static_cast<std::size_t>(length);
        if (b.run_ > XML_MAX_TEXT_LENGTH) {
            b.textTooLong_ = true;
            XmlParser::Stop();
            return;
        }
        b.addTextOrFail(ch, length);
    }
    static void cdata(void* ctx, const xmlChar* ch, int length)
    {
        Builder& b = self(ctx);
        b.run_ = 0;  // the parser limits a CDATA section itself
        b.addTextOrFail(ch, length);
    }
    // Comments and processing instructions are left out, but they end a run
    // of characters as in libxml2's tree.
    static void comment(void* ctx, const xmlChar*) { self(ctx).run_ = 0; }
    static void instruction(void* ctx, const xmlChar*, const xmlChar*) { self(ctx).run_ = 0; }

    void addTextOrFail(const xmlChar* ch, int length)
    {
        try {
            addText(text(ch), static_cast<std::size_t>(length));
        } catch (...) {
            fail();
        }
    }

    void fail()
    {
        outOfMemory_ = true;
        XmlParser::Stop();
    }

    // A task of the task list goes to the handler as soon as it is read,
    // and its nodes are given back, so a document of many tasks never
    // stands whole in memory. A handler that fails stops the parse.
    void handOn(const Frame& task)
    {
        try {
            tree_.taskHandler_(Element(task.element));
        } catch (...) {
            handlerError_ = std::current_exception();
            XmlParser::Stop();
        }
        Frame& list = stack_.back();
        *list.lastLink = nullptr;
        list.tail = list.lastLink;
        tree_.Release(task.mark);
    }

    void open(const xmlChar* localname, const xmlChar* uri, int attributeCount, const xmlChar** attributes)
    {
        const Tag tag = inGuidePost(uri) ? tagOf(localname) : Tag::Other;
        // The tasks of the first task list below the root, as the loader
        // finds them.
        const bool handedOn = tree_.taskHandler_ && tag == Tag::task && stack_.size() == 2 &&
                              stack_.back().element == firstTaskList_;
        const Mark mark = tree_.CurrentMark();
        Node* node = new (tree_.Allocate(sizeof(Node))) Node;
        node->first = nullptr;
        node->tag = tag;
        Attribute** tail = &node->attributes;
        for (int i = 0; i < attributeCount; ++i) {
            const xmlChar** a = attributes + 5 * i;  // name, prefix, namespace, value, value end
            const Tag tag = a[2] ? Tag::Other : tagOf(a[0]);
            if (tag == Tag::Other)
                continue;
            auto* attribute = new (tree_.Allocate(sizeof(Attribute))) Attribute{nullptr, nullptr, 0, tag};
            setValue(*attribute, text(a[3]), static_cast<std::size_t>(a[4] - a[3]));
            *tail = attribute;
            tail = &attribute->next;
        }
        if (stack_.empty()) {
            if (!tree_.root_)
                tree_.root_ = node;
        } else {
            link(stack_.back(), node);
        }
        if (stack_.size() == 1 && tag == Tag::tasklist && !firstTaskList_)
            firstTaskList_ = node;
        stack_.push_back({node, &node->first, nullptr, handedOn, mark});
        lastText_ = nullptr;
        run_ = 0;
    }

    static void link(Frame& frame, Node* node)
    {
        frame.lastLink = frame.tail;
        *frame.tail = node;
        frame.tail = &node->next;
    }

    void addText(const char* data, std::size_t length)
    {
        if (stack_.empty() || length == 0)
            return;
        Frame& frame = stack_.back();
        // The parser hands a long text over in pieces; they are joined when
        // the last piece still ends the newest block.
        if (lastText_ && frame.tail == &lastText_->next && lastText_->text + lastText_->length == tree_.top_ &&
            static_cast<std::size_t>(tree_.end_ - tree_.top_) >= length && lastText_->length + length < UINT32_MAX) {
            std::memcpy(tree_.top_, data, length);
            tree_.top_ += length;
            lastText_->length += static_cast<std::uint32_t>(length);
            return;
        }
        if (length >= UINT32_MAX)
            throw std::bad_alloc();
        Node* node = new (tree_.Allocate(sizeof(Node))) Node;
        node->tag = Tag::Text;
        node->text = tree_.CopyText(data, length);
        node->length = static_cast<std::uint32_t>(length);
        link(frame, node);
        lastText_ = node;
    }

    // The parser keeps "&#38;" for an ampersand in an attribute value (it
    // expands no other reference there); libxml2's own tree turns it back.
    void setValue(Attribute& attribute, const char* value, std::size_t length)
    {
        if (length >= UINT32_MAX)
            throw std::bad_alloc();
        char* copy = tree_.CopyText(value, length);
        std::size_t kept = length;
        if (std::memchr(copy, '&', length)) {
            static constexpr std::string_view ampersand = "&#38;";
            kept = 0;
            for (std::size_t i = 0; i < length;) {
                if (std::string_view(copy + i, length - i).substr(0, ampersand.size()) == ampersand) {
                    copy[kept++] = '&';
                    i += ampersand.size();
                } else {
                    copy[kept++] = copy[i++];
                }
            }
        }
        attribute.value = copy;
        attribute.length = static_cast<std::uint32_t>(kept);
    }

    bool inGuidePost(const xmlChar* uri)
    {
        // Namespace names come from the parser's dictionary: one pointer
        // per name, so the last answer is usually the answer.
        if (uri != lastUri_) {
            lastUri_ = uri;
            lastUriInGuidePost_ = uri && std::strcmp(text(uri), TCXML::NamespaceOf(TCXML::GuidePost)) == 0;
        }
        return lastUriInGuidePost_;
    }

    Tag tagOf(const xmlChar* name)
    {
        // Names, too, come from the dictionary: a small table by address
        // spares the lookup by text for all but the first of each. A
        // document of many names fills it and the rest are looked up.
        const auto address = reinterpret_cast<std::uintptr_t>(name);
        std::size_t i = (address >> 3 ^ address >> 12) % std::size(names_);
        for (int probe = 0; probe < 8; ++probe, i = (i + 1) % std::size(names_)) {
            Slot& slot = names_[i];
            if (slot.name == name)
                return slot.tag;
            if (!slot.name) {
                slot = {name, tagByName(text(name))};
                return slot.tag;
            }
        }
        return tagByName(text(name));
    }

    struct Slot {
        const xmlChar* name = nullptr;
        Tag tag = Tag::Other;
    };

    DocumentTree& tree_;
    std::vector<Frame> stack_;
    Node* lastText_ = nullptr;
    const Node* firstTaskList_ = nullptr;
    std::size_t run_ = 0;
    bool outOfMemory_ = false;
    bool textTooLong_ = false;
    std::exception_ptr handlerError_;
    const xmlChar* lastUri_ = nullptr;
    bool lastUriInGuidePost_ = false;
    Slot names_[256];
};

DocumentTree::DocumentTree() = default;
DocumentTree::~DocumentTree() = default;

void DocumentTree::Reset()
{
    blocks_.clear();
    top_ = end_ = nullptr;
    root_ = nullptr;
}

DocumentTree::Mark DocumentTree::CurrentMark() const
{
    return {blocks_.size(), top_, end_};
}

void DocumentTree::Release(const Mark& mark)
{
    blocks_.resize(mark.blocks);
    top_ = mark.top;
    end_ = mark.end;
}

char* DocumentTree::NewBlock(std::size_t size)
{
    // Not zeroed: every byte is written before it is read.
    blocks_.emplace_back(new char[size]);
    return blocks_.back().get();
}

void* DocumentTree::Allocate(std::size_t size)
{
    auto misalignment = reinterpret_cast<std::uintptr_t>(top_) % nodeAlignment;
    if (top_ && misalignment)
        top_ += nodeAlignment - misalignment;
    if (!top_ || static_cast<std::size_t>(end_ - top_) < size) {
        top_ = NewBlock(blockSize);
        end_ = top_ + blockSize;
    }
    void* memory = top_;
    top_ += size;
    return memory;
}

char* DocumentTree::CopyText(const char* text, std::size_t length)
{
    char* copy = nullptr;
    if (length > blockSize / 4) {
        // A long text gets a block of its own; the current block goes on.
        copy = NewBlock(length);
    } else {
        if (!top_ || static_cast<std::size_t>(end_ - top_) < length) {
            top_ = NewBlock(blockSize);
            end_ = top_ + blockSize;
        }
        copy = top_;
        top_ += length;
    }
    std::memcpy(copy, text, length);
    return copy;
}

void DocumentTree::Open(const std::string& path)
{
    Build([&path](const XmlParser::Events& events, _xmlSchema* schema) {
        return XmlParser::ParseFile(path, events, schema);
    });
}

void DocumentTree::OpenMemory(const char* data, std::size_t length)
{
    Build([data, length](const XmlParser::Events& events, _xmlSchema* schema) {
        return XmlParser::ParseMemory(data, length, events, schema);
    });
}

void DocumentTree::Build(const std::function<bool(const XmlParser::Events&, _xmlSchema*)>& parse)
{
    Reset();
    // The schema first, so a missing schema is reported as such.
    _xmlSchema* schema = XmlParser::Schema(TCXML::GuidePost);
    Builder builder(*this);
    xmlSAXHandler handler = Builder::Handler();
    bool parsed = false;
    try {
        parsed = parse({&handler, &builder}, schema);
    } catch (...) {
        Reset();
        throw;
    }
    if (builder.handlerError()) {
        Reset();
        std::rethrow_exception(builder.handlerError());
    }
    if (builder.outOfMemory()) {
        Reset();
        throw std::bad_alloc();
    }
    if (!parsed || builder.textTooLong() || !root_) {
        Reset();
        throw CAMException(CAMException::InvalidGuidePost);
    }
}

// ---------------------------------------------------------------- Element

bool DocumentTree::Element::Is(Tag tag) const
{
    return node_ && node_->tag == tag;
}

namespace {

void appendText(const DocumentTree::Node* element, std::string& out, bool descend)
{
    for (const DocumentTree::Node* child = element->first; child; child = child->next) {
        if (child->tag == Tag::Text)
            out.append(child->text, child->length);
        else if (descend)
            appendText(child, out, true);
    }
}

} // namespace

std::string DocumentTree::Element::Text() const
{
    if (!node_)
        return {};
    const Node* only = node_->first;
    if (only && !only->next && only->tag == Tag::Text)  // nearly every element
        return std::string(only->text, only->length);
    std::string out;
    appendText(node_, out, true);
    return out;
}

std::string DocumentTree::Element::OwnText() const
{
    std::string out;
    if (node_)
        appendText(node_, out, false);
    return out;
}

DocumentTree::Element DocumentTree::Element::FirstChild(Tag tag) const
{
    if (!node_)
        return {};
    for (const Node* child = node_->first; child; child = child->next)
        if (child->tag == tag)
            return Element(child);
    return {};
}

DocumentTree::Element DocumentTree::Element::NextSameName() const
{
    if (!node_ || node_->tag == Tag::Other)
        return {};
    for (const Node* next = node_->next; next; next = next->next)
        if (next->tag == node_->tag)
            return Element(next);
    return {};
}

std::string DocumentTree::Element::ChildText(Tag tag, bool& found) const
{
    const Element child = FirstChild(tag);
    found = static_cast<bool>(child);
    return child.Text();
}

std::string DocumentTree::Element::ChildText(Tag tag) const
{
    bool found = false;
    return ChildText(tag, found);
}

bool DocumentTree::Element::GetAttr(Tag tag, std::string& value) const
{
    value.clear();
    if (!node_)
        return false;
    for (const Attribute* a = node_->attributes; a; a = a->next) {
        if (a->tag == tag) {
            value.assign(a->value, a->length);
            return true;
        }
    }
    return false;
}

std::string DocumentTree::Element::Attr(Tag tag) const
{
    std::string value;
    GetAttr(tag, value);
    return value;
}

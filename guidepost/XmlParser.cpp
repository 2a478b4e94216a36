#include "guidepost/XmlParser.h"

#include "guidepost/CAMException.h"
#include "guidepost/TCXML.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <mutex>

namespace {

// Documents larger than this are not GuidePosts; refuse before reading them.
constexpr std::uintmax_t maxDocumentBytes = 256u * 1024u * 1024u;

// Network off; entities are neither substituted nor loaded; default size
// limits (no XML_PARSE_HUGE).
constexpr int parseOptions = XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR | XML_PARSE_COMPACT;

void silentError(void*, xmlErrorPtr) {}

std::mutex schemaMutex;
// Parsed schemas by file path; a parsed schema is read-only and may be
// shared by validations on several threads.
struct SchemaCache {
    std::map<std::string, xmlSchemaPtr> byPath;
    ~SchemaCache()
    {
        for (auto& entry : byPath)
            xmlSchemaFree(entry.second);
    }
};
SchemaCache schemaCache;

// The parse in progress on this thread, for the DOCTYPE handler, which is
// called with whatever user data the events carry.
struct ParseState {
    xmlParserCtxtPtr ctxt = nullptr;
    bool doctype = false;
};
thread_local ParseState* current = nullptr;

// No document of this system has a DOCTYPE; stopping at one keeps entity
// tricks (expansion bombs, external entities naming local files) out.
void refuseDoctype(void*, const xmlChar*, const xmlChar*, const xmlChar*)
{
    current->doctype = true;
    xmlStopParser(current->ctxt);
}

struct Outcome {
    bool good = false;
    xmlDocPtr doc = nullptr;
};

// Parses with read(ctxt, options), which calls one of the xmlCtxtRead*
// functions.
template <typename Read>
Outcome parse(Read read, const XmlParser::Events* events, xmlSchemaPtr schema)
{
    TCXML::RegisterEncodings();
    xmlSetStructuredErrorFunc(nullptr, silentError);
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        return {};
    ParseState state{ctxt};
    ParseState* outer = current;
    current = &state;
    if (events) {
        *ctxt->sax = *events->handler;
        ctxt->sax->initialized = XML_SAX2_MAGIC;
        ctxt->userData = events->userData;
    }
    ctxt->sax->internalSubset = refuseDoctype;
    ctxt->sax->serror = silentError;
    ctxt->sax->warning = nullptr;
    ctxt->sax->error = nullptr;
    xmlSchemaValidCtxtPtr validator = nullptr;
    xmlSchemaSAXPlugPtr plug = nullptr;
    bool ready = true;
    if (events && schema) {
        validator = xmlSchemaNewValidCtxt(schema);
        if (validator) {
            xmlSchemaSetValidStructuredErrors(validator, silentError, nullptr);
            plug = xmlSchemaSAXPlug(validator, &ctxt->sax, &ctxt->userData);
        }
        ready = plug != nullptr;
    }
    Outcome outcome;
    if (ready) {
        outcome.doc = read(ctxt, parseOptions);
        // Bytes the decoder could not finish (a lead byte at the very end)
        // are not code page 932 either.
        const bool undecoded = ctxt->input && ctxt->input->buf && ctxt->input->buf->raw &&
                               xmlBufUse(ctxt->input->buf->raw) > 0;
        outcome.good = ctxt->wellFormed && !state.doctype && !undecoded && (events || outcome.doc);
    }
    if (plug) {
        xmlSchemaSAXUnplug(plug);  // before the context frees its handler
        outcome.good = outcome.good && xmlSchemaIsValid(validator) == 1;
    }
    if (validator)
        xmlSchemaFreeValidCtxt(validator);
    xmlFreeParserCtxt(ctxt);
    current = outer;
    if (!outcome.good) {
        xmlFreeDoc(outcome.doc);
        outcome.doc = nullptr;
    }
    return outcome;
}

// The document file, open for reading; CAMException 0 when it is none.
class DocumentFile {
public:
    explicit DocumentFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        struct stat info {};
        if (fd_ < 0 || fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) ||
            static_cast<std::uintmax_t>(info.st_size) > maxDocumentBytes) {
            if (fd_ >= 0)
                ::close(fd_);
            throw CAMException(CAMException::InvalidGuidePost);
        }
    }
    ~DocumentFile() { ::close(fd_); }
    DocumentFile(const DocumentFile&) = delete;
    DocumentFile& operator=(const DocumentFile&) = delete;

    // Streamed from the file: the whole text is never held beside what is
    // built from it.
    Outcome parse(const XmlParser::Events* events, xmlSchemaPtr schema) const
    {
        const int fd = fd_;
        return ::parse([fd](xmlParserCtxtPtr ctxt, int options) {
            return xmlCtxtReadFd(ctxt, fd, nullptr, nullptr, options);
        }, events, schema);
    }

private:
    int fd_;
};

Outcome parseMemory(const char* data, std::size_t length, const XmlParser::Events* events, xmlSchemaPtr schema)
{
    if (length > maxDocumentBytes)
        throw CAMException(CAMException::InvalidGuidePost);
    return parse([&](xmlParserCtxtPtr ctxt, int options) {
        return xmlCtxtReadMemory(ctxt, data, static_cast<int>(length), nullptr, nullptr, options);
    }, events, schema);
}

} // namespace

_xmlSchema* XmlParser::Schema(int kind)
{
    const std::string path = TCXML::SchemaPath(kind);
    std::lock_guard lock(schemaMutex);
    auto it = schemaCache.byPath.find(path);
    if (it != schemaCache.byPath.end())
        return it->second;
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        throw CAMException(CAMException::SchemaMissing);
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(path.c_str());
    if (!parser)
        throw CAMException(CAMException::SchemaMissing);
    xmlSchemaSetParserStructuredErrors(parser, silentError, nullptr);
    xmlSchemaPtr schema = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    if (!schema)
        throw CAMException(CAMException::SchemaMissing);
    schemaCache.byPath.emplace(path, schema);
    return schema;
}

_xmlDoc* XmlParser::ParseFile(const std::string& path)
{
    return DocumentFile(path).parse(nullptr, nullptr).doc;
}

_xmlDoc* XmlParser::ParseMemory(const char* data, std::size_t length)
{
    return parseMemory(data, length, nullptr, nullptr).doc;
}

bool XmlParser::ParseFile(const std::string& path, const Events& events, _xmlSchema* schema)
{
    return DocumentFile(path).parse(&events, schema).good;
}

bool XmlParser::ParseMemory(const char* data, std::size_t length, const Events& events, _xmlSchema* schema)
{
    return parseMemory(data, length, &events, schema).good;
}

void XmlParser::Stop()
{
    if (current)
        xmlStopParser(current->ctxt);
}

#include "TCXML.h"

#include "guidepost/CAMException.h"
#include "platform/Folders.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <mutex>

namespace {

struct KindInfo {
    const char* rootName;
    const char* nameSpace;
    const char* schemaFile;
};

// One schema file per document kind in this release.
constexpr KindInfo kinds[] = {
    {"Corvandelle", "x-schema:corvandelle", "Corvan1.xml"},
    {"CorvandelleCertificate", "x-schema:corvandelle_certificate", "CVC1.xml"},
};

// Documents larger than this are not GuidePosts; refuse before reading them.
constexpr std::uintmax_t maxDocumentBytes = 256u * 1024u * 1024u;

const KindInfo& infoOf(int kind)
{
    if (kind < 0 || kind >= static_cast<int>(std::size(kinds)))
        throw CAMException(CAMException::SchemaMissing);
    return kinds[kind];
}

void silentError(void*, xmlErrorPtr) {}

std::mutex schemaMutex;
std::string schemaFolder;
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

std::string moduleFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&moduleFolder), &info) && info.dli_fname) {
        std::error_code ec;
        auto path = std::filesystem::canonical(info.dli_fname, ec);
        if (!ec)
            return path.parent_path().string();
    }
    return {};
}

xmlSchemaPtr schemaFor(int kind)
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

struct ParseState {
    bool doctype = false;
};

// No document of this system has a DOCTYPE; stopping at one keeps entity
// tricks (expansion bombs, external entities naming local files) out.
void refuseDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*)
{
    auto ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    static_cast<ParseState*>(ctxt->_private)->doctype = true;
    xmlStopParser(ctxt);
}

// Parses with read(ctxt, options), which calls one of the xmlCtxtRead* functions.
template <typename Read>
xmlDocPtr parseDocument(Read read)
{
    TCXML::RegisterEncodings();
    xmlSetStructuredErrorFunc(nullptr, silentError);
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        return nullptr;
    ParseState state;
    ctxt->_private = &state;
    ctxt->sax->internalSubset = refuseDoctype;
    ctxt->sax->serror = silentError;
    ctxt->sax->warning = nullptr;
    ctxt->sax->error = nullptr;
    // Network off; entities are neither substituted nor loaded; default
    // size limits (no XML_PARSE_HUGE).
    const int options = XML_PARSE_NONET | XML_PARSE_NOWARNING | XML_PARSE_NOERROR | XML_PARSE_COMPACT;
    xmlDocPtr doc = read(ctxt, options);
    // Bytes the decoder could not finish (a lead byte at the very end) are
    // not code page 932 either.
    const bool undecoded = ctxt->input && ctxt->input->buf && ctxt->input->buf->raw &&
                           xmlBufUse(ctxt->input->buf->raw) > 0;
    const bool good = doc && ctxt->wellFormed && !state.doctype && !undecoded;
    xmlFreeParserCtxt(ctxt);
    if (!good) {
        xmlFreeDoc(doc);
        return nullptr;
    }
    return doc;
}

} // namespace

TCXML::TCXML() = default;

TCXML::~TCXML() { Close(); }

void TCXML::Close()
{
    if (doc_)
        xmlFreeDoc(doc_);
    doc_ = nullptr;
}

const char* TCXML::NamespaceOf(int kind) { return infoOf(kind).nameSpace; }
const char* TCXML::RootNameOf(int kind) { return infoOf(kind).rootName; }
const char* TCXML::SchemaFileOf(int kind) { return infoOf(kind).schemaFile; }

void TCXML::SetSchemaFolder(const std::string& folder)
{
    std::lock_guard lock(schemaMutex);
    schemaFolder = folder;
}

std::string TCXML::SchemaPath(int kind)
{
    const std::string file = SchemaFileOf(kind);
    {
        std::lock_guard lock(schemaMutex);
        if (!schemaFolder.empty())
            return (std::filesystem::path(schemaFolder) / file).string();
    }
    // libCVCLIB.so finds the schemas beside itself, whoever loaded it.
    std::error_code ec;
    const std::string module = moduleFolder();
    if (!module.empty()) {
        auto candidate = std::filesystem::path(module) / file;
        if (std::filesystem::is_regular_file(candidate, ec))
            return candidate.string();
    }
    return (std::filesystem::path(platform::Folders::programFolder()) / file).string();
}

void TCXML::Open(const std::string& path, int kind)
{
    Close();
    // The schema first, so a missing schema is reported as such.
    xmlSchemaPtr schema = schemaFor(kind);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw CAMException(CAMException::InvalidGuidePost);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || static_cast<std::uintmax_t>(info.st_size) > maxDocumentBytes) {
        ::close(fd);
        throw CAMException(CAMException::InvalidGuidePost);
    }
    // Streamed from the file: the whole text is never held beside its tree.
    xmlDocPtr doc = parseDocument([fd](xmlParserCtxtPtr ctxt, int options) {
        return xmlCtxtReadFd(ctxt, fd, nullptr, nullptr, options);
    });
    ::close(fd);
    Validate(doc, schema);
}

void TCXML::OpenMemory(const char* data, std::size_t length, int kind)
{
    Close();
    xmlSchemaPtr schema = schemaFor(kind);
    if (length > maxDocumentBytes)
        throw CAMException(CAMException::InvalidGuidePost);
    xmlDocPtr doc = parseDocument([&](xmlParserCtxtPtr ctxt, int options) {
        return xmlCtxtReadMemory(ctxt, data, static_cast<int>(length), nullptr, nullptr, options);
    });
    Validate(doc, schema);
}

void TCXML::Validate(_xmlDoc* doc, _xmlSchema* schema)
{
    if (!doc)
        throw CAMException(CAMException::InvalidGuidePost);
    xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(schema);
    if (!validator) {
        xmlFreeDoc(doc);
        throw CAMException(CAMException::InvalidGuidePost);
    }
    xmlSchemaSetValidStructuredErrors(validator, silentError, nullptr);
    const int result = xmlSchemaValidateDoc(validator, doc);
    xmlSchemaFreeValidCtxt(validator);
    if (result != 0) {
        xmlFreeDoc(doc);
        throw CAMException(CAMException::InvalidGuidePost);
    }
    doc_ = doc;
}

void TCXML::CreateNew(int kind)
{
    Close();
    RegisterEncodings();
    const KindInfo& info = infoOf(kind);
    doc_ = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    xmlNodePtr root = xmlNewDocNode(doc_, nullptr, reinterpret_cast<const xmlChar*>(info.rootName), nullptr);
    xmlNsPtr ns = xmlNewNs(root, reinterpret_cast<const xmlChar*>(info.nameSpace), nullptr);
    xmlSetNs(root, ns);
    xmlDocSetRootElement(doc_, root);
}

bool TCXML::Save(const std::string& path) const
{
    if (!doc_)
        return false;
    RegisterEncodings();
    xmlSetStructuredErrorFunc(nullptr, silentError);
    return xmlSaveFormatFileEnc(path.c_str(), doc_, "Shift-JIS", 0) > 0;
}

TCXMLNode TCXML::Root() const
{
    return TCXMLNode(doc_ ? xmlDocGetRootElement(doc_) : nullptr);
}

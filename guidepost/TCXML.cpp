#include "TCXML.h"

#include "guidepost/CAMException.h"
#include "guidepost/XmlParser.h"
#include "platform/Folders.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <dlfcn.h>

#include <filesystem>
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

const KindInfo& infoOf(int kind)
{
    if (kind < 0 || kind >= static_cast<int>(std::size(kinds)))
        throw CAMException(CAMException::SchemaMissing);
    return kinds[kind];
}

void silentError(void*, xmlErrorPtr) {}

std::mutex schemaMutex;
std::string schemaFolder;

std::string moduleFolder()
{
    Dl_info info{};
    // In a program (not the library) the loader answers with argv[0], which
    // may be relative to the current folder: that is no answer.
    if (dladdr(reinterpret_cast<void*>(&moduleFolder), &info) && info.dli_fname && info.dli_fname[0] == '/') {
        std::error_code ec;
        auto path = std::filesystem::canonical(info.dli_fname, ec);
        if (!ec)
            return path.parent_path().string();
    }
    return {};
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
    // Empty when the program's folder is unknown: the schema is missing then.
    return platform::Folders::besideProgram(file);
}

void TCXML::Open(const std::string& path, int kind)
{
    Close();
    // The schema first, so a missing schema is reported as such.
    xmlSchemaPtr schema = XmlParser::Schema(kind);
    Validate(XmlParser::ParseFile(path), schema);
}

void TCXML::OpenMemory(const char* data, std::size_t length, int kind)
{
    Close();
    xmlSchemaPtr schema = XmlParser::Schema(kind);
    Validate(XmlParser::ParseMemory(data, length), schema);
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

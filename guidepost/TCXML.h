#pragma once
// A GuidePost or certificate document over libxml2: opened with validation
// against the kind's schema, or created empty for writing. Texts are UTF-8;
// documents declared "Shift-JIS" are read and written as code page 932.

#include "guidepost/Export.h"
#include "guidepost/TCXMLNode.h"

#include <cstddef>
#include <string>

struct _xmlDoc;

class CVCLIB_EXPORT TCXML {
public:
    enum Kind { GuidePost = 0, Certificate = 1 };

    TCXML();
    ~TCXML();
    TCXML(const TCXML&) = delete;
    TCXML& operator=(const TCXML&) = delete;

    // Opens a document file and validates it against the kind's schema.
    // Throws CAMException 0 when the file cannot be read, does not parse or
    // does not validate, and 5 when the schema is missing or unusable.
    void Open(const std::string& path, int kind);
    // The same for a document held in memory.
    void OpenMemory(const char* data, std::size_t length, int kind);
    // A new document with the root element in the kind's namespace.
    void CreateNew(int kind);
    // Writes the document with the "Shift-JIS" declaration; false on failure.
    bool Save(const std::string& path) const;

    TCXMLNode Root() const;
    bool IsOpen() const { return doc_ != nullptr; }

    // The namespace and root element name of a document kind.
    static const char* NamespaceOf(int kind);
    static const char* RootNameOf(int kind);
    static const char* SchemaFileOf(int kind);

    // Where the schema files are looked for. An explicit folder wins; an empty
    // one restores the default search (the folder of the module holding this
    // code, then the program's folder).
    static void SetSchemaFolder(const std::string& folder);
    static std::string SchemaPath(int kind);

    // Makes sure the code page 932 encoding handlers are registered with
    // libxml2 ("Shift-JIS", "Shift_JIS", "SJIS", "x-sjis").
    static void RegisterEncodings();

private:
    void Close();
    // Takes doc (freed on failure) when it validates against schema.
    void Validate(_xmlDoc* doc, struct _xmlSchema* schema);
    _xmlDoc* doc_ = nullptr;
};

#pragma once
// A certificate document of a certification site, read into plain values:
// root `CorvandelleCertificate` in the namespace
// "x-schema:corvandelle_certificate". Texts are UTF-8.

#include <string>
#include <vector>

struct CertificateItem {
    std::string text; // the MD5 digest of an older or other GuidePost file
    std::string type;
};

struct CertificateDocument {
    static constexpr const char* nameSpace = "x-schema:corvandelle_certificate";
    static constexpr const char* rootName = "CorvandelleCertificate";

    std::string code;
    std::string version;
    std::string comment;
    bool datePresent = false;
    bool dateComplete = false; // year, month and day all given
    int year = 0, month = 0, day = 0;
    bool controlPresent = false;
    std::string controlType;
    std::string controlComment;
    std::vector<CertificateItem> items;

    // Reads the file; false when it is not a certificate document (cannot be
    // read, does not parse, carries a DOCTYPE, or has another root).
    bool load(const std::string& path);
    bool loadText(const std::string& text);
};

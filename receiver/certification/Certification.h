#pragma once
// The certification of a signed GuidePost, without its dialogs: whether to
// offer it, fetching the certificate from the certification site, the MD5
// comparison, the status with its explanation, and the certified folder
// below the save root. The engine raises the dialogs and decides.

#include "platform/InternetTypes.h"
#include "receiver/certification/CertificateDocument.h"

#include <functional>
#include <string>
#include <vector>

// The `digest` of a GuidePost's `information`.
struct DigestReference {
    std::string url;  // the certification site's folder, without the scheme
    std::string name; // the certificate document in it
    std::string type; // absent or "guidepost": it certifies this GuidePost
};

enum class CertificationOffer {
    None,   // nothing to certify
    Offer,  // ask the user ("認証情報")
    Broken, // only one of url and name: error 14
};

struct CertificationResult {
    enum Status {
        Unknown = 0,
        VersionUp = 1,
        Invalid = 2,
        Expired = 3,
        Modified = 4,
        UnsupportedVersion = 5,
        NotFetched = 6,
        BadDocument = 7,
    };

    bool notCertified = true;
    int status = Unknown;
    std::string code;
    std::string version;
    std::string comment;
    bool dateValid = false;
    int year = 0, month = 0, day = 0;
    std::string controlComment;
    std::vector<CertificateItem> items;
    int matchedItem = -1;
    std::string guidePostDigest; // of the GuidePost file as received
    int errorCode = 0;           // 14 when not certified (CAMException)
    std::string detail;          // why the fetch failed, for diagnostics

    bool certified() const { return !notCertified; }
};

class Certification {
public:
    static constexpr const char* supportedVersion = "1";
    static constexpr std::size_t pathLimit = 259;

    // Proxy, options and callbacks are the URL download's.
    Certification(platform::ProxySettings httpProxy, platform::InternetOptions options,
                  platform::TransferCallbacks callbacks, std::function<void()> fetchBegins = {},
                  std::function<void()> fetchEnds = {});

    static CertificationOffer offerFor(const DigestReference& digest);
    // "https://" + url: where the certificate is fetched from, with the
    // server's certificate verified (the transfer's CA file applies), as the
    // dialogs show it and the browser opens it.
    static std::string address(const DigestReference& digest);

    CertificationResult certify(const std::string& guidePostPath, const DigestReference& digest);

    // The text shown when certification failed.
    static std::string explanation(const CertificationResult& result);

    // "certified/<url with "/" as "=">", cut to what the save root leaves of
    // the path limit; empty when no usable folder name remains.
    static std::string certifiedFolder(const std::string& url, const std::string& saveRoot);
    // Creates saveRoot/folder; false when it cannot be made.
    static bool createCertifiedFolder(const std::string& saveRoot, const std::string& folder);

private:
    platform::ProxySettings proxy_;
    platform::InternetOptions options_;
    platform::TransferCallbacks callbacks_;
    std::function<void()> fetchBegins_;
    std::function<void()> fetchEnds_;
};

#include "Certification.h"

#include "guidepost/CAMException.h"
#include "platform/Cp932Codec.h"
#include "platform/HttpSource.h"
#include "platform/Md5.h"
#include "platform/UrlDownload.h"

#include <filesystem>
#include <system_error>

namespace {

const char* const explanations[] = {
    /* 0 */ "原因は不明です。ガイドポストの改変、配布元のサポート終了などが原因の場合があります。",
    /* 1 */ nullptr,
    /* 2 */ "このガイドポストは配布元によって無効にされました。このガイドポストは正しくファイルを受信できない可能性があります。",
    /* 3 */ "このガイドポストは期限が切れています。期限後には正しくファイルを受信できない可能性があります。",
    /* 4 */ nullptr,
    /* 5 */ "このバージョンの電子署名はサポートしていません。バージョンが古いか、バージョンの表記が正しくありません。配布元から正しいガイドポストを取り寄せてください。",
    /* 6 */ "認証データを取得できませんでした。ファイル存在しない場合の他、ネットワークの問題などで相手先サーバへアクセスできないことなどが原因の場合もあります。",
    /* 7 */ "電子署名データの形式が正しくありません。ガイドポストが古い場合も考えられますので、配布元へ問い合わせてみてください。",
};
const char* const versionUpMatched =
    "新しいバージョンのガイドポストが配布されていますので配布元から取り寄せてください。なお、このガイドポストは古いバージョンのガイドポストであると確認されました。";
const char* const versionUpUnmatched =
    "新しいバージョンのガイドポストが配布されていますので配布元から取り寄せてください。ただ、このガイドポストがバージョンが古いものであるか、改変されたものであるかの確認はできませんでした。";
const char* const modifiedMatched =
    "このガイドポストは配布元により修正されました。配布元から修正後のガイドポストを取り寄せてください。なお、このガイドポストは修正前の古いガイドポストであると確認されました。";
const char* const modifiedUnmatched =
    "このガイドポストは配布元により修正されました。配布元から修正後のガイドポストを取り寄せてください。なお、このガイドポストは修正前の古いガイドポストであるか、改変されたものであるかの確認はできませんでした。";

} // namespace

Certification::Certification(platform::ProxySettings httpProxy, platform::InternetOptions options,
                             platform::TransferCallbacks callbacks, std::function<void()> fetchBegins,
                             std::function<void()> fetchEnds)
    : proxy_(std::move(httpProxy)), options_(std::move(options)), callbacks_(std::move(callbacks)),
      fetchBegins_(std::move(fetchBegins)), fetchEnds_(std::move(fetchEnds))
{
}

CertificationOffer Certification::offerFor(const DigestReference& digest)
{
    // Only a certificate of this GuidePost is checked; another kind of
    // digest has nothing to fetch.
    if (!digest.type.empty() && digest.type != "guidepost")
        return CertificationOffer::None;
    bool url = !platform::trimmed(digest.url).empty();
    bool name = !platform::trimmed(digest.name).empty();
    if (url && name)
        return CertificationOffer::Offer;
    if (url || name)
        return CertificationOffer::Broken;
    return CertificationOffer::None;
}

std::string Certification::address(const DigestReference& digest)
{
    // Only a verified server may certify: the certified area feeds the style
    // update, which loads code.
    return "https://" + platform::trimmed(digest.url);
}

CertificationResult Certification::certify(const std::string& guidePostPath, const DigestReference& digest)
{
    CertificationResult result;
    auto fail = [&](int status) {
        result.status = status;
        result.notCertified = true;
        result.errorCode = CAMException::CertificateError;
        return result;
    };

    std::string server, path;
    bool secure = false;
    if (!platform::UrlDownload::splitAddress(address(digest), server, path, secure) || !secure)
        return fail(CertificationResult::NotFetched);
    // The site is a folder: its certificate lies inside it.
    if (path.empty() || path.back() != '/')
        path += '/';
    platform::UrlDownload download(proxy_, options_, callbacks_, fetchBegins_, fetchEnds_);
    std::string name = platform::trimmed(digest.name);
    while (!name.empty() && name.front() == '/')
        name.erase(0, 1);
    platform::UrlDownloadResult fetched = download.toString(server, path + name, secure);
    if (!fetched.ok) {
        result.detail = fetched.error.detail;
        if (fetched.error.failure == platform::TransferFailure::Cancelled) {
            result.errorCode = CAMException::UserCancelled;
            result.status = CertificationResult::NotFetched;
            return result;
        }
        return fail(CertificationResult::NotFetched);
    }

    CertificateDocument certificate;
    if (!certificate.loadText(fetched.body))
        return fail(CertificationResult::BadDocument);
    result.code = platform::trimmed(certificate.code);
    result.version = platform::trimmed(certificate.version);
    result.comment = certificate.comment;
    if (result.version != supportedVersion)
        return fail(CertificationResult::UnsupportedVersion);
    if (certificate.datePresent) {
        if (!certificate.dateComplete)
            return fail(CertificationResult::BadDocument);
        result.year = certificate.year;
        result.month = certificate.month;
        result.day = certificate.day;
        result.dateValid = result.year >= 1970 && result.year <= 2038 && result.month >= 1 && result.month <= 12
            && result.day >= 1 && result.day <= 31;
    }

    if (!platform::Md5::ofFile(guidePostPath, result.guidePostDigest))
        return fail(CertificationResult::Unknown);
    if (result.guidePostDigest == result.code)
        result.notCertified = false;

    const std::string& type = certificate.controlType;
    if (type == "versionup") {
        result.status = CertificationResult::VersionUp;
    } else if (type == "invalid") {
        result.status = CertificationResult::Invalid;
        result.notCertified = true;
    } else if (type == "expired") {
        result.status = CertificationResult::Expired;
        result.notCertified = true;
    } else if (type == "modified") {
        result.status = CertificationResult::Modified;
    } else {
        result.status = CertificationResult::Unknown;
    }
    result.controlComment = certificate.controlComment;

    if (result.notCertified) {
        result.items = certificate.items;
        for (std::size_t i = 0; i < result.items.size(); ++i) {
            if (platform::trimmed(result.items[i].text) == result.guidePostDigest) {
                result.matchedItem = static_cast<int>(i);
                break;
            }
        }
        result.errorCode = CAMException::CertificateError;
    }
    return result;
}

std::string Certification::explanation(const CertificationResult& result)
{
    switch (result.status) {
    case CertificationResult::VersionUp:
        return result.matchedItem >= 0 ? versionUpMatched : versionUpUnmatched;
    case CertificationResult::Modified:
        return result.matchedItem >= 0 ? modifiedMatched : modifiedUnmatched;
    case CertificationResult::Invalid:
    case CertificationResult::Expired:
    case CertificationResult::UnsupportedVersion:
    case CertificationResult::NotFetched:
    case CertificationResult::BadDocument:
        return explanations[result.status];
    default:
        return explanations[0];
    }
}

std::string Certification::certifiedFolder(const std::string& url, const std::string& saveRoot)
{
    std::string text = url;
    for (char& c : text)
        if (c == '/')
            c = '=';
    text = platform::trimmed(text);
    if (text.empty() || text == "." || text == ".." || text.find('\\') != std::string::npos)
        return {};
    std::string folder = "certified/" + text;
    std::string kept;
    try {
        std::size_t rootLength = platform::Cp932Codec::byteLength(saveRoot);
        if (rootLength >= pathLimit)
            return {};
        kept = platform::Cp932Codec::truncateUtf8(folder, pathLimit - rootLength);
    } catch (const platform::CodecError&) {
        return {};
    }
    // A cut that ends on a dot name would point back up.
    std::string last = kept.substr(kept.rfind('/') + 1);
    if (last == "." || last == "..")
        kept.erase(kept.rfind('/'));
    return kept;
}

bool Certification::createCertifiedFolder(const std::string& saveRoot, const std::string& folder)
{
    if (folder.empty())
        return false;
    std::error_code error;
    std::filesystem::path target = std::filesystem::path(saveRoot) / folder;
    std::filesystem::create_directories(target, error);
    return !error && std::filesystem::is_directory(target, error);
}

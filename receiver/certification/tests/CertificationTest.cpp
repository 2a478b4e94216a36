#include "guidepost/CAMException.h"
#include "guidepost/TCXML.h"
#include "platform/Cp932Codec.h"
#include "platform/Md5.h"
#include "receiver/certification/Certification.h"
#include "platform/tests/TlsTestServer.h"

#include <gtest/gtest.h>

namespace {

std::string certificate(const std::string& code, const std::string& control = {},
                        const std::string& version = "1", const std::string& date = "<date><year>2024</year><month>5</month><day>6</day></date>")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<CorvandelleCertificate xmlns=\"x-schema:corvandelle_certificate\">"
           "<code>" + code + "</code><version>" + version + "</version><comment>配布元のコメント</comment>"
        + date + control + "</CorvandelleCertificate>";
}

class CertificationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TCXML::SetSchemaFolder(CV_BIN_DIR);
        dir = testservers::scratchFolder("cert");
        guidePost = (dir / "signed.gp").string();
        testservers::writeFile(guidePost, "<Corvandelle>signed GuidePost</Corvandelle>");
        digest = platform::Md5::ofText("<Corvandelle>signed GuidePost</Corvandelle>");
        ASSERT_TRUE(authority.ready);
        serve(https.server);
        https.start();
        options.caFile = authority.caFile;
    }
    template <typename Server>
    void serve(Server& server)
    {
        server.Get(R"(/dist/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
            auto found = documents.find(req.matches[1]);
            if (found == documents.end()) {
                res.status = 404;
                return;
            }
            res.set_content(found->second, "text/xml");
        });
    }
    void TearDown() override
    {
        TCXML::SetSchemaFolder("");
        std::filesystem::remove_all(dir);
    }

    CertificationResult certify(const std::string& name, int port = 0)
    {
        Certification c({}, options, {});
        return c.certify(guidePost,
                         DigestReference{" 127.0.0.1:" + std::to_string(port ? port : https.port) + "/dist ", name, ""});
    }

    std::filesystem::path dir;
    std::string guidePost;
    std::string digest;
    testservers::TestAuthority authority {"corvandelle"};
    testservers::HttpsServer https {authority};
    platform::InternetOptions options;
    std::map<std::string, std::string> documents;
};

} // namespace

TEST_F(CertificationTest, MatchingCodeCertifies)
{
    documents["ok.xml"] = certificate(digest);
    CertificationResult r = certify("ok.xml");
    EXPECT_TRUE(r.certified());
    EXPECT_EQ(r.errorCode, 0);
    EXPECT_EQ(r.comment, "配布元のコメント");
    EXPECT_TRUE(r.dateValid);
    EXPECT_EQ(r.year, 2024);
    EXPECT_EQ(r.guidePostDigest, digest);

    // As sites publish them: code page 932 text.
    std::string sjis = certificate(digest, "<control><comment>ソフトの表示</comment></control>");
    sjis.replace(sjis.find("UTF-8"), 5, "Shift-JIS");
    documents["sjis.xml"] = platform::Cp932Codec::fromUtf8(sjis);
    r = certify("sjis.xml");
    EXPECT_TRUE(r.certified());
    EXPECT_EQ(r.comment, "配布元のコメント");
    EXPECT_EQ(r.controlComment, "ソフトの表示");
}

// The certificate is trusted only from a server whose own certificate
// verifies: never over plain HTTP, never from an authority the CA file and
// the system do not know.
TEST_F(CertificationTest, OnlyAVerifiedHttpsServerCertifies)
{
    documents["ok.xml"] = certificate(digest);
    ASSERT_TRUE(certify("ok.xml").certified());

    testservers::HttpServer http;
    serve(http.server);
    http.start();
    CertificationResult r = certify("ok.xml", http.port);
    EXPECT_FALSE(r.certified());
    EXPECT_EQ(r.status, CertificationResult::NotFetched);
    EXPECT_EQ(r.errorCode, CAMException::CertificateError);

    testservers::TestAuthority stranger("stranger");
    testservers::HttpsServer forged(stranger);
    serve(forged.server);
    forged.start();
    r = certify("ok.xml", forged.port);
    EXPECT_FALSE(r.certified());
    EXPECT_EQ(r.status, CertificationResult::NotFetched);
    EXPECT_FALSE(r.detail.empty());

    // Without the CA file only the system's authorities count.
    options.caFile.clear();
    EXPECT_EQ(certify("ok.xml").status, CertificationResult::NotFetched);
}

TEST_F(CertificationTest, ControlTypesDecideTheStatusAndTheExplanation)
{
    std::string other = std::string(32, '0');
    documents["expired.xml"] = certificate(digest, "<control type=\"expired\"><comment>期限</comment></control>");
    CertificationResult r = certify("expired.xml");
    EXPECT_FALSE(r.certified());
    EXPECT_EQ(r.status, CertificationResult::Expired);
    EXPECT_EQ(r.errorCode, CAMException::CertificateError);
    EXPECT_EQ(r.controlComment, "期限");
    EXPECT_NE(Certification::explanation(r).find("期限が切れています"), std::string::npos);

    documents["modified.xml"] = certificate(other, "<control type=\"modified\"><items><item type=\"old\">" + other
                                                       + "</item><item>" + digest + "</item></items></control>");
    r = certify("modified.xml");
    EXPECT_FALSE(r.certified());
    EXPECT_EQ(r.status, CertificationResult::Modified);
    EXPECT_EQ(r.matchedItem, 1);
    ASSERT_EQ(r.items.size(), 2u);
    EXPECT_EQ(r.items[0].type, "old");
    EXPECT_NE(Certification::explanation(r).find("修正前の古いガイドポストであると確認されました"), std::string::npos);

    documents["versionup.xml"] = certificate(other, "<control type=\"versionup\"/>");
    r = certify("versionup.xml");
    EXPECT_EQ(r.status, CertificationResult::VersionUp);
    EXPECT_EQ(r.matchedItem, -1);
    EXPECT_NE(Certification::explanation(r).find("確認はできませんでした"), std::string::npos);

    // A matching code with an update notice still certifies.
    documents["newer.xml"] = certificate(digest, "<control type=\"versionup\"/>");
    EXPECT_TRUE(certify("newer.xml").certified());

    documents["invalid.xml"] = certificate(digest, "<control type=\"invalid\"/>");
    EXPECT_EQ(certify("invalid.xml").status, CertificationResult::Invalid);

    documents["plain.xml"] = certificate(other);
    r = certify("plain.xml");
    EXPECT_EQ(r.status, CertificationResult::Unknown);
    EXPECT_EQ(Certification::explanation(r), "原因は不明です。ガイドポストの改変、配布元のサポート終了などが原因の場合があります。");
}

TEST_F(CertificationTest, FetchAndDocumentFaultsHaveTheirStatus)
{
    CertificationResult r = certify("absent.xml");
    EXPECT_EQ(r.status, CertificationResult::NotFetched);
    EXPECT_EQ(r.errorCode, CAMException::CertificateError);

    documents["broken.xml"] = "<CorvandelleCertificate";
    EXPECT_EQ(certify("broken.xml").status, CertificationResult::BadDocument);
    documents["foreign.xml"] = "<Other xmlns=\"x-schema:corvandelle_certificate\"/>";
    EXPECT_EQ(certify("foreign.xml").status, CertificationResult::BadDocument);
    documents["doctype.xml"] = "<!DOCTYPE x [<!ENTITY e \"boom\">]>" + certificate(digest);
    EXPECT_EQ(certify("doctype.xml").status, CertificationResult::BadDocument);
    documents["v2.xml"] = certificate(digest, {}, "2");
    EXPECT_EQ(certify("v2.xml").status, CertificationResult::UnsupportedVersion);
    documents["nodate.xml"] = certificate(digest, {}, "1", "<date><year>2024</year><day>1</day></date>");
    EXPECT_EQ(certify("nodate.xml").status, CertificationResult::BadDocument);
    documents["baddate.xml"] = certificate(digest, {}, "1", "<date><year>2024</year><month>13</month><day>1</day></date>");
    r = certify("baddate.xml");
    EXPECT_TRUE(r.certified());
    EXPECT_FALSE(r.dateValid);

    int port = testservers::freePort();
    Certification c({}, options, {});
    r = c.certify(guidePost, DigestReference{"127.0.0.1:" + std::to_string(port) + "/", "x.xml", ""});
    EXPECT_EQ(r.status, CertificationResult::NotFetched);
}

TEST(CertificationRules, OfferAndCertifiedFolder)
{
    EXPECT_EQ(Certification::offerFor({" site/dist/ ", " c.xml ", ""}), CertificationOffer::Offer);
    EXPECT_EQ(Certification::offerFor({"site", "", ""}), CertificationOffer::Broken);
    EXPECT_EQ(Certification::offerFor({" ", "c.xml", ""}), CertificationOffer::Broken);
    EXPECT_EQ(Certification::offerFor({"", "", ""}), CertificationOffer::None);
    EXPECT_EQ(Certification::offerFor({"site", "c.xml", "other"}), CertificationOffer::None);
    EXPECT_EQ(Certification::offerFor({"site", "c.xml", "guidepost"}), CertificationOffer::Offer);
    EXPECT_EQ(Certification::address({" a/dist/ ", "c", ""}), "https://a/dist/");

    EXPECT_EQ(Certification::certifiedFolder("a/dist/", "/home/u/docs"), "certified/a=dist=");
    EXPECT_EQ(Certification::certifiedFolder("a/dist/", std::string(250, 'r')), "certified");
    EXPECT_EQ(Certification::certifiedFolder("..", "/r"), "");
    EXPECT_EQ(Certification::certifiedFolder("", "/r"), "");

    auto dir = testservers::scratchFolder("certdir");
    EXPECT_TRUE(Certification::createCertifiedFolder(dir.string(), "certified/a=dist="));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "certified" / "a=dist="));
    testservers::writeFile(dir / "blocked", "file");
    EXPECT_FALSE(Certification::createCertifiedFolder((dir / "blocked").string(), "certified/x"));
    std::filesystem::remove_all(dir);
}

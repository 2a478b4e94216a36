#include "guidepost/CAMException.h"
#include "guidepost/TCXML.h"

#include "platform/Cp932Codec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class XmlDocument : public ::testing::Test {
protected:
    void SetUp() override
    {
        TCXML::SetSchemaFolder(CV_BIN_DIR);
        folder = fs::temp_directory_path() / ("cvxml-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        TCXML::SetSchemaFolder("");
        fs::remove_all(folder);
    }

    std::string write(const std::string& name, const std::string& bytes)
    {
        auto path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    // A Shift-JIS document from UTF-8 text.
    std::string writeSjis(const std::string& name, const std::string& utf8)
    {
        return write(name, platform::Cp932Codec::fromUtf8(utf8));
    }

    static int openError(const std::string& path, int kind = TCXML::GuidePost)
    {
        TCXML xml;
        try {
            xml.Open(path, kind);
        } catch (const CAMException& e) {
            return e.code();
        }
        return -1;
    }

    fs::path folder;
};

const std::string head = "<?xml version='1.0' encoding=\"Shift-JIS\"?>";

} // namespace

TEST_F(XmlDocument, NavigatesElementsTextsAndAttributes)
{
    auto path = writeSjis("a.gp", head +
        "<Corvandelle xmlns=\"x-schema:corvandelle\" extra=\"x\">"
        "<o:name xmlns:o=\"x-schema:other\">foreign</o:name><name>写真\\表</name><unknown><task/></unknown>"
        "<task n=\"1\"/><other/><task n=\"2\"><name></name></task><task n=\"3\"/>"
        "</Corvandelle>");
    TCXML xml;
    xml.Open(path, TCXML::GuidePost);
    TCXMLNode root = xml.Root();
    EXPECT_EQ(root.Name(), "Corvandelle");

    bool found = false;
    // 0x5C stays a backslash; the same name in another namespace is not a match.
    EXPECT_EQ(root.ChildText("name", found), "写真\\表");
    EXPECT_TRUE(found);
    EXPECT_EQ(root.ChildText("missing", found), "");
    EXPECT_FALSE(found);

    std::string seen;
    for (TCXMLNode t = root.FirstChild("task"); t; t = t.NextSameName())
        seen += t.Attr("n");
    EXPECT_EQ(seen, "123");  // direct children only, skipping other names

    TCXMLNode second = root.FirstChild("task").NextSameName();
    EXPECT_EQ(second.ChildText("name", found), "");
    EXPECT_TRUE(found);

    TCXMLAttr attr;
    std::string value = "old";
    EXPECT_EQ(root.GetAttr(&attr, "extra", value), 1);
    EXPECT_EQ(value, "x");
    EXPECT_EQ(attr.Name(), "extra");
    EXPECT_EQ(root.GetAttr(&attr, "absent", value), 0);
    EXPECT_EQ(value, "");
    EXPECT_TRUE(attr.IsNull());
    EXPECT_TRUE(root.FirstChild("missing").FirstChild("x").IsNull());
}

TEST_F(XmlDocument, EveryShiftJisNameDecodesAsCodePage932)
{
    for (const char* encoding : {"Shift-JIS", "Shift_JIS", "SJIS", "x-sjis"}) {
        auto path = write("e.gp", "<?xml version=\"1.0\" encoding=\"" + std::string(encoding) + "\"?>" +
                                      platform::Cp932Codec::fromUtf8(
                                          "<Corvandelle xmlns=\"x-schema:corvandelle\"><name>ソフト\\~①</name></Corvandelle>"));
        TCXML xml;
        xml.Open(path, TCXML::GuidePost);
        EXPECT_EQ(xml.Root().ChildText("name"), "ソフト\\~①") << encoding;
    }
}

TEST_F(XmlDocument, CreatedDocumentSavesInShiftJisAndReadsBack)
{
    TCXML xml;
    xml.CreateNew(TCXML::GuidePost);
    TCXMLNode root = xml.Root();
    root.CreateChild("name", std::string("配布 & <テスト>\\"));
    TCXMLNode task = root.CreateChild("task");
    task.SetAttr("update", "force");
    auto path = (folder / "new.gp").string();
    ASSERT_TRUE(xml.Save(path));

    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("encoding=\"Shift-JIS\""), std::string::npos);
    EXPECT_NE(bytes.find(platform::Cp932Codec::fromUtf8("配布")), std::string::npos);

    TCXML back;
    back.Open(path, TCXML::GuidePost);
    EXPECT_EQ(back.Root().ChildText("name"), "配布 & <テスト>\\");
    EXPECT_EQ(back.Root().FirstChild("task").Attr("update"), "force");
}

TEST_F(XmlDocument, CertificateKindUsesItsOwnNamespace)
{
    auto cert = writeSjis("c.xml", head + "<CorvandelleCertificate xmlns=\"x-schema:corvandelle_certificate\">"
                                          "<code>0123</code></CorvandelleCertificate>");
    TCXML xml;
    xml.Open(cert, TCXML::Certificate);
    EXPECT_EQ(xml.Root().ChildText("code"), "0123");
    EXPECT_EQ(openError(cert, TCXML::GuidePost), CAMException::InvalidGuidePost);
}

TEST_F(XmlDocument, BadInputIsAnInvalidDocument)
{
    const int invalid = CAMException::InvalidGuidePost;
    const std::string good = "<Corvandelle xmlns=\"x-schema:corvandelle\"><name>a</name></Corvandelle>";
    EXPECT_EQ(openError(write("plain.gp", "this is not XML at all")), invalid);
    EXPECT_EQ(openError(write("empty.gp", "")), invalid);
    EXPECT_EQ(openError((folder / "absent.gp").string()), invalid);
    EXPECT_EQ(openError(write("cut.gp", head + good.substr(0, good.size() - 6))), invalid);
    // 0x85 0x40 is no code page 932 character; 0xA0 alone neither.
    EXPECT_EQ(openError(write("bytes.gp", head + "<Corvandelle xmlns=\"x-schema:corvandelle\"><name>\x85\x40</name></Corvandelle>")), invalid);
    EXPECT_EQ(openError(write("bytes2.gp", head + "<Corvandelle xmlns=\"x-schema:corvandelle\"><name>\xA0</name></Corvandelle>")), invalid);
    EXPECT_EQ(openError(write("lead.gp", head + good + "\x81")), invalid);
    EXPECT_EQ(openError(write("ns.gp", head + "<Corvandelle xmlns=\"x-schema:other\"/>")), invalid);
    EXPECT_EQ(openError(write("nons.gp", head + "<Corvandelle/>")), invalid);
    EXPECT_EQ(openError(write("root.gp", head + "<Other xmlns=\"x-schema:corvandelle\"/>")), invalid);
}

TEST_F(XmlDocument, EntityTricksAreRefusedWithoutReadingOutsideFiles)
{
    const int invalid = CAMException::InvalidGuidePost;
    // Each entity refers ten times to the one before it.
    std::string laughs;
    laughs = "<?xml version=\"1.0\"?><!DOCTYPE Corvandelle [<!ENTITY a \"lol\">";
    char prev = 'a';
    for (char c = 'b'; c <= 'k'; prev = c++) {
        laughs += std::string("<!ENTITY ") + c + " \"";
        for (int i = 0; i < 10; ++i)
            laughs += std::string("&") + prev + ";";
        laughs += "\">";
    }
    laughs += "]><Corvandelle xmlns=\"x-schema:corvandelle\"><name>&k;</name></Corvandelle>";
    EXPECT_EQ(openError(write("laughs.gp", laughs)), invalid);

    auto secret = write("secret.txt", "TOPSECRET");
    auto external = write("ext.gp", "<?xml version=\"1.0\"?><!DOCTYPE Corvandelle [<!ENTITY s SYSTEM \"file://" + secret +
                                        "\">]><Corvandelle xmlns=\"x-schema:corvandelle\"><name>&s;</name></Corvandelle>");
    EXPECT_EQ(openError(external), invalid);
    auto dtd = write("dtd.gp", "<?xml version=\"1.0\"?><!DOCTYPE Corvandelle SYSTEM \"file://" + secret +
                                   "\"><Corvandelle xmlns=\"x-schema:corvandelle\"/>");
    EXPECT_EQ(openError(dtd), invalid);
}

TEST_F(XmlDocument, HugeTextNodeIsRefused)
{
    std::string doc = head + "<Corvandelle xmlns=\"x-schema:corvandelle\"><name>";
    doc.append(50u * 1024 * 1024, 'x');
    doc += "</name></Corvandelle>";
    EXPECT_EQ(openError(write("huge.gp", doc)), CAMException::InvalidGuidePost);
}

TEST_F(XmlDocument, MissingOrUnusableSchemaIsErrorFive)
{
    auto doc = writeSjis("a.gp", head + "<Corvandelle xmlns=\"x-schema:corvandelle\"/>");
    TCXML::SetSchemaFolder((folder / "none").string());
    EXPECT_EQ(openError(doc), CAMException::SchemaMissing);
    fs::create_directories(folder / "bad");
    std::ofstream((folder / "bad" / "Corvan1.xml").string()) << "<xs:schema broken";
    TCXML::SetSchemaFolder((folder / "bad").string());
    EXPECT_EQ(openError(doc), CAMException::SchemaMissing);
}

TEST_F(XmlDocument, SchemasAreFoundBesideTheProgramWithoutASetting)
{
    TCXML::SetSchemaFolder("");
    // Test programs stand in build/tests; the schemas are copied to build/bin.
    EXPECT_EQ(fs::path(TCXML::SchemaPath(TCXML::GuidePost)).filename(), "Corvan1.xml");
    EXPECT_TRUE(fs::exists(fs::path(CV_BIN_DIR) / "Corvan1.xml"));
    EXPECT_TRUE(fs::exists(fs::path(CV_BIN_DIR) / "CVC1.xml"));
}

#include "guidepost/CAMException.h"
#include "guidepost/DocumentTree.h"
#include "guidepost/TCXML.h"

#include "platform/Cp932Codec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Tag = DocumentTree::Tag;

namespace {

struct Name {
    const char* text;
    Tag tag;
};
#define CV_TEST_NAME(n) Name{#n, Tag::n},
const Name names[] = {CV_GUIDEPOST_NAMES(CV_TEST_NAME)};
#undef CV_TEST_NAME

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

    // The same for the loader's tree, which must refuse exactly what TCXML
    // refuses and hold nothing afterwards.
    static int treeError(const std::string& path)
    {
        DocumentTree tree;
        try {
            tree.Open(path);
        } catch (const CAMException& e) {
            EXPECT_FALSE(tree.Root());
            return e.code();
        }
        return -1;
    }

    // Walks libxml2's tree (through TCXMLNode) and the loader's tree through
    // every name the loader may ask for, down to depth levels, and compares
    // every answer.
    static void expectSame(const TCXMLNode& dom, const DocumentTree::Element& tree, int depth, std::string where)
    {
        ASSERT_EQ(dom.IsNull(), !tree) << where;
        if (dom.IsNull())
            return;
        EXPECT_EQ(dom.Text(), tree.Text()) << where;
        EXPECT_EQ(dom.OwnText(), tree.OwnText()) << where;
        for (const Name& n : names) {
            bool domFound = false, treeFound = false;
            EXPECT_EQ(dom.ChildText(n.text, domFound), tree.ChildText(n.tag, treeFound)) << where << "/" << n.text;
            EXPECT_EQ(domFound, treeFound) << where << "/" << n.text;
            std::string domValue, treeValue = "stale";
            EXPECT_EQ(dom.GetAttr(nullptr, n.text, domValue) == 1, tree.GetAttr(n.tag, treeValue))
                << where << "@" << n.text;
            EXPECT_EQ(domValue, treeValue) << where << "@" << n.text;
            if (depth == 0)
                continue;
            TCXMLNode d = dom.FirstChild(n.text);
            DocumentTree::Element t = tree.FirstChild(n.tag);
            for (int i = 0; !d.IsNull() || t; ++i, d = d.NextSameName(), t = t.NextSameName())
                expectSame(d, t, depth - 1, where + "/" + n.text + "[" + std::to_string(i) + "]");
        }
    }

    static void expectSameAsDom(const std::string& path)
    {
        TCXML xml;
        xml.Open(path, TCXML::GuidePost);
        DocumentTree tree;
        tree.Open(path);
        EXPECT_TRUE(tree.Root().Is(Tag::Corvandelle));
        expectSame(xml.Root(), tree.Root(), 6, path);
    }

    fs::path folder;
};

const std::string head = "<?xml version='1.0' encoding=\"Shift-JIS\"?>";
const std::string rootOpen = "<Corvandelle xmlns=\"x-schema:corvandelle\">";
const std::string rootClose = "</Corvandelle>";

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
    EXPECT_EQ(treeError(doc), CAMException::SchemaMissing);
    fs::create_directories(folder / "bad");
    std::ofstream((folder / "bad" / "Corvan1.xml").string()) << "<xs:schema broken";
    TCXML::SetSchemaFolder((folder / "bad").string());
    EXPECT_EQ(openError(doc), CAMException::SchemaMissing);
    EXPECT_EQ(treeError(doc), CAMException::SchemaMissing);
}

TEST_F(XmlDocument, SchemasAreFoundBesideTheProgramWithoutASetting)
{
    TCXML::SetSchemaFolder("");
    // Test programs stand in build/tests; the schemas are copied to build/bin.
    EXPECT_EQ(fs::path(TCXML::SchemaPath(TCXML::GuidePost)).filename(), "Corvan1.xml");
    EXPECT_TRUE(fs::exists(fs::path(CV_BIN_DIR) / "Corvan1.xml"));
    EXPECT_TRUE(fs::exists(fs::path(CV_BIN_DIR) / "CVC1.xml"));
}

TEST_F(XmlDocument, TheLoadersTreeAnswersAsLibxml2sTreeDoes)
{
    // Texts inside other elements and other namespaces, CDATA, comments,
    // processing instructions, references, repeated and foreign elements,
    // attributes with and without a namespace.
    expectSameAsDom(writeSjis("mixed.gp", head + rootOpen +
        "<name>写真<x:b xmlns:x=\"x-schema:x\">と<name>資料</name></x:b>\\集</name><name>二つ目</name>"
        "<o:name xmlns:o=\"x-schema:other\">foreign</o:name>"
        "<version><!-- note -->1<?pi x?></version><location><![CDATA[lo<c>al]]></location>"
        "<description>&amp;&lt;&gt;&quot;&apos;&#65;&#x3042;</description>"
        "<tasklist><task update=\"force\" synchronize=\"yes\" o:update=\"no\" xmlns:o=\"x-schema:other\">"
        "<name> 一 </name><destination><type>sa<i>v</i>e</type><folder open=\"yes\">受信\\表示</folder></destination>"
        "<sourcelist><source><protocol>http</protocol><server><name>h</name></server>"
        "<filelist localfolder=\"a\\b\" remotefolder=\"/p &amp; q/&#38;&#x26;&lt;\" mode=\"ascii\" method=\"mget\">"
        "<file name=\"n&#9;1\" browseid=\"b\" uncompress=\"zip\">own<time>12</time> text</file>"
        "<file name=\"n2\"><remote>r<!-- c -->2</remote>ignored</file>"
        "<other><file name=\"deep\"/></other><file/>"
        "</filelist></source></sourcelist></task>"
        "<o:task xmlns:o=\"x-schema:other\"/><task><name>二</name></task></tasklist>" + rootClose));

    // Pretty-printed, with blanks between elements and CR LF line ends.
    expectSameAsDom(writeSjis("pretty.gp", head + "\r\n" + rootOpen + "\r\n  <name>\r\n    a\r\n  </name>\r\n  <tasklist>\r\n"
                              "    <task><name>t</name></task>\r\n  </tasklist>\r\n" + rootClose + "\r\n"));

    for (const char* example : {"ソフトウェア更新.gp", "写真の配布.gp", "研究会の資料.gp"})
        expectSameAsDom((fs::path(CV_SOURCE_DIR) / "examples" / example).string());
}

TEST_F(XmlDocument, TheLoadersTreeTakesLongTextsWhole)
{
    // Longer than the parser's pieces and than a quarter of a block.
    for (std::size_t length : {5000u, 70000u, 300000u, 1500000u}) {
        std::string text;
        for (std::size_t i = 0; text.size() < length; ++i)
            text += i % 7 == 0 ? "表" : "abc";
        auto path = writeSjis("long.gp", head + rootOpen + "<name>" + text + "</name><comment a=\"" + text + "\">x" + text +
                              "<b/>" + text + "</comment>" + rootClose);
        DocumentTree tree;
        tree.Open(path);
        EXPECT_EQ(tree.Root().ChildText(Tag::name), text) << length;
        EXPECT_EQ(tree.Root().FirstChild(Tag::comment).Text(), "x" + text + text) << length;
        expectSameAsDom(path);
    }
}

TEST_F(XmlDocument, TheLoadersTreeRefusesWhatTcxmlRefuses)
{
    const int invalid = CAMException::InvalidGuidePost;
    const std::string good = rootOpen + "<name>a</name>" + rootClose;
    EXPECT_EQ(treeError(write("plain.gp", "this is not XML at all")), invalid);
    EXPECT_EQ(treeError(write("empty.gp", "")), invalid);
    EXPECT_EQ(treeError((folder / "absent.gp").string()), invalid);
    EXPECT_EQ(treeError(folder.string()), invalid);
    EXPECT_EQ(treeError(write("cut.gp", head + good.substr(0, good.size() - 6))), invalid);
    EXPECT_EQ(treeError(write("bytes.gp", head + rootOpen + "<name>\x85\x40</name>" + rootClose)), invalid);
    EXPECT_EQ(treeError(write("lead.gp", head + good + "\x81")), invalid);
    EXPECT_EQ(treeError(write("entity.gp", head + rootOpen + "<name>&undeclared;</name>" + rootClose)), invalid);
    // The schema's rules: the root element in the GuidePost namespace.
    EXPECT_EQ(treeError(write("ns.gp", head + "<Corvandelle xmlns=\"x-schema:other\"/>")), invalid);
    EXPECT_EQ(treeError(write("nons.gp", head + "<Corvandelle/>")), invalid);
    EXPECT_EQ(treeError(write("root.gp", head + "<Other xmlns=\"x-schema:corvandelle\"/>")), invalid);
    // No DOCTYPE, so no entity is ever expanded or fetched.
    auto secret = write("secret.txt", "TOPSECRET");
    EXPECT_EQ(treeError(write("ext.gp", "<?xml version=\"1.0\"?><!DOCTYPE Corvandelle [<!ENTITY s SYSTEM \"file://" + secret +
                              "\">]>" + rootOpen + "<name>&s;</name>" + rootClose)),
              invalid);
    EXPECT_EQ(treeError(write("dtd.gp", "<?xml version=\"1.0\"?><!DOCTYPE Corvandelle [<!ENTITY a \"lol\">]>" + good)), invalid);
    std::string huge = head + rootOpen + "<name>";
    huge.append(50u * 1024 * 1024, 'x');
    EXPECT_EQ(treeError(write("huge.gp", huge + "</name>" + rootClose)), invalid);
    // Its limit holds for one run of characters, as in libxml2's tree.
    std::string runs = head + rootOpen + "<name>" + std::string(6'000'000, 'x') + "<!-- -->" +
                       std::string(6'000'000, 'y') + "</name>" + rootClose;
    EXPECT_EQ(treeError(write("runs.gp", runs)), -1);

    // A tree that failed holds nothing, and a good document opens after it.
    DocumentTree tree;
    EXPECT_THROW(tree.Open(write("bad.gp", head + "<Corvandelle/>")), CAMException);
    EXPECT_FALSE(tree.Root());
    tree.OpenMemory(good.data(), good.size());
    EXPECT_EQ(tree.Root().ChildText(Tag::name), "a");
}

TEST_F(XmlDocument, TheLoadersTreeHandsOnTheTasksOfTheFirstListAsTheyAreRead)
{
    auto path = writeSjis("tasks.gp", head + rootOpen +
        "<tasklist><task><name>一</name></task><x/><task><name>二</name><task><name>inner</name></task></task>"
        "<o:task xmlns:o=\"x-schema:other\"><name>other</name></o:task></tasklist>"
        "<tasklist><task><name>second list</name></task></tasklist><name>after</name>" + rootClose);
    std::vector<std::string> seen;
    DocumentTree tree;
    tree.SetTaskHandler([&](const DocumentTree::Element& task) {
        seen.push_back(task.ChildText(Tag::name));
        EXPECT_TRUE(task.FirstChild(Tag::name));
    });
    tree.Open(path);
    EXPECT_EQ(seen, (std::vector<std::string>{"一", "二"}));
    // Handed-on tasks are gone from their list; everything else stays.
    DocumentTree::Element list = tree.Root().FirstChild(Tag::tasklist);
    EXPECT_FALSE(list.FirstChild(Tag::task));
    EXPECT_EQ(list.Text(), "other");
    EXPECT_EQ(list.NextSameName().ChildText(Tag::name), "");
    EXPECT_EQ(list.NextSameName().FirstChild(Tag::task).ChildText(Tag::name), "second list");
    EXPECT_EQ(tree.Root().ChildText(Tag::name), "after");

    // What the handler throws ends the parse and comes out of Open.
    DocumentTree failing;
    failing.SetTaskHandler([](const DocumentTree::Element&) { throw std::runtime_error("handler"); });
    EXPECT_THROW(failing.Open(path), std::runtime_error);
    EXPECT_FALSE(failing.Root());
}

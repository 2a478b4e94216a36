// The loader's tree must answer exactly as libxml2's own tree read through
// TCXMLNode does, and refuse exactly what TCXML refuses.

#include "guidepost/CAMException.h"
#include "guidepost/DocumentTree.h"
#include "guidepost/TCXML.h"

#include "platform/Cp932Codec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

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

const std::string head = "<?xml version='1.0' encoding=\"Shift-JIS\"?>";
const std::string rootOpen = "<Corvandelle xmlns=\"x-schema:corvandelle\">";
const std::string rootClose = "</Corvandelle>";

class DocumentTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TCXML::SetSchemaFolder(CV_BIN_DIR);
        folder = fs::temp_directory_path() / ("cvtree-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        TCXML::SetSchemaFolder("");
        fs::remove_all(folder);
    }

    std::string write(const std::string& bytes)
    {
        auto path = (folder / ("d" + std::to_string(count++) + ".gp")).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string writeSjis(const std::string& utf8) { return write(platform::Cp932Codec::fromUtf8(utf8)); }

    static int openError(const std::string& path)
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

    // Walks both trees through every name the loader may ask for, down to
    // depth levels, and compares every answer.
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

    void expectSameAsDom(const std::string& path)
    {
        TCXML xml;
        xml.Open(path, TCXML::GuidePost);
        DocumentTree tree;
        tree.Open(path);
        EXPECT_TRUE(tree.Root().Is(Tag::Corvandelle));
        expectSame(xml.Root(), tree.Root(), 6, path);
    }

    fs::path folder;
    int count = 0;
};

} // namespace

TEST_F(DocumentTreeTest, AnswersAsLibxml2sTreeDoes)
{
    // Texts inside other elements and other namespaces, CDATA, comments,
    // processing instructions, references, repeated and foreign elements,
    // attributes with and without a namespace.
    expectSameAsDom(writeSjis(head + rootOpen +
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
    expectSameAsDom(writeSjis(head + "\r\n" + rootOpen + "\r\n  <name>\r\n    a\r\n  </name>\r\n  <tasklist>\r\n"
                              "    <task><name>t</name></task>\r\n  </tasklist>\r\n" + rootClose + "\r\n"));

    for (const char* example : {"ソフトウェア更新.gp", "写真の配布.gp", "研究会の資料.gp"})
        expectSameAsDom((fs::path(CV_SOURCE_DIR) / "examples" / example).string());
}

TEST_F(DocumentTreeTest, LongTextsArriveWhole)
{
    // Longer than the parser's pieces and than a quarter of a block.
    for (std::size_t length : {5000u, 70000u, 300000u, 1500000u}) {
        std::string text;
        for (std::size_t i = 0; text.size() < length; ++i)
            text += i % 7 == 0 ? "表" : "abc";
        auto path = writeSjis(head + rootOpen + "<name>" + text + "</name><comment a=\"" + text + "\">x" + text +
                              "<b/>" + text + "</comment>" + rootClose);
        DocumentTree tree;
        tree.Open(path);
        EXPECT_EQ(tree.Root().ChildText(Tag::name), text) << length;
        EXPECT_EQ(tree.Root().FirstChild(Tag::comment).Text(), "x" + text + text) << length;
        expectSameAsDom(path);
    }
}

TEST_F(DocumentTreeTest, RefusesWhatTcxmlRefuses)
{
    const int invalid = CAMException::InvalidGuidePost;
    const std::string good = rootOpen + "<name>a</name>" + rootClose;
    EXPECT_EQ(openError(write("this is not XML at all")), invalid);
    EXPECT_EQ(openError(write("")), invalid);
    EXPECT_EQ(openError((folder / "absent.gp").string()), invalid);
    EXPECT_EQ(openError(folder.string()), invalid);
    EXPECT_EQ(openError(write(head + good.substr(0, good.size() - 6))), invalid);
    EXPECT_EQ(openError(write(head + rootOpen + "<name>\x85\x40</name>" + rootClose)), invalid);
    EXPECT_EQ(openError(write(head + good + "\x81")), invalid);
    EXPECT_EQ(openError(write(head + rootOpen + "<name>&undeclared;</name>" + rootClose)), invalid);
    // The schema's rules: the root element in the GuidePost namespace.
    EXPECT_EQ(openError(write(head + "<Corvandelle xmlns=\"x-schema:other\"/>")), invalid);
    EXPECT_EQ(openError(write(head + "<Corvandelle/>")), invalid);
    EXPECT_EQ(openError(write(head + "<Other xmlns=\"x-schema:corvandelle\"/>")), invalid);
    // No DOCTYPE, so no entity is ever expanded or fetched.
    auto secret = write("TOPSECRET");
    EXPECT_EQ(openError(write("<?xml version=\"1.0\"?><!DOCTYPE Corvandelle [<!ENTITY s SYSTEM \"file://" + secret +
                              "\">]>" + rootOpen + "<name>&s;</name>" + rootClose)),
              invalid);
    EXPECT_EQ(openError(write("<?xml version=\"1.0\"?><!DOCTYPE Corvandelle [<!ENTITY a \"lol\">]>" + good)), invalid);
    std::string huge = head + rootOpen + "<name>";
    huge.append(50u * 1024 * 1024, 'x');
    EXPECT_EQ(openError(write(huge + "</name>" + rootClose)), invalid);
    // Its limit holds for one run of characters, as in libxml2's tree.
    std::string runs = head + rootOpen + "<name>" + std::string(6'000'000, 'x') + "<!-- -->" +
                       std::string(6'000'000, 'y') + "</name>" + rootClose;
    EXPECT_EQ(openError(write(runs)), -1);

    // A tree that failed holds nothing, and a good document opens after it.
    DocumentTree tree;
    EXPECT_THROW(tree.Open(write(head + "<Corvandelle/>")), CAMException);
    EXPECT_FALSE(tree.Root());
    tree.OpenMemory(good.data(), good.size());
    EXPECT_EQ(tree.Root().ChildText(Tag::name), "a");
}

TEST_F(DocumentTreeTest, MissingOrUnusableSchemaIsErrorFive)
{
    auto doc = write(head + rootOpen + rootClose);
    TCXML::SetSchemaFolder((folder / "none").string());
    EXPECT_EQ(openError(doc), CAMException::SchemaMissing);
    fs::create_directories(folder / "bad");
    std::ofstream((folder / "bad" / "Corvan1.xml").string()) << "<xs:schema broken";
    TCXML::SetSchemaFolder((folder / "bad").string());
    EXPECT_EQ(openError(doc), CAMException::SchemaMissing);
}

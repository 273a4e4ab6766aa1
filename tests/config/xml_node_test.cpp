// XmlNode and LoadXmlFile on real files: loading, dotted-path lookup, typed reading.
#include "config/xml_node.h"

#include <gtest/gtest.h>

#include <string>

#include "config_test_support.h"

using config_test::TempDir;

namespace {

class XmlNodeTest : public testing::Test {
  protected:
    // Loads `content` from a real file; fails the test when it does not load.
    XmlNode Load(const std::string& content) {
        XmlNode document;
        EXPECT_TRUE(LoadXmlFile(_dir.Write("file.xml", content), document)) << content;
        return document;
    }
    bool Loads(const std::string& content) {
        XmlNode document;
        return LoadXmlFile(_dir.Write("file.xml", content), document);
    }

    TempDir _dir;
};

TEST_F(XmlNodeTest, DottedPathFollowsTheFirstMatchAtEachLevel) {
    XmlNode document = Load(
        "<Config><Other/><ProjectDir>Station1</ProjectDir><ProjectDir>Second</ProjectDir>"
        "<ProjectFile>Station1.prj</ProjectFile></Config>"
        "<Config><ProjectDir>ThirdConfig</ProjectDir><Extra>x</Extra></Config>");
    EXPECT_EQ(document.GetNode("Config.ProjectDir").GetValue(std::string()), "Station1");
    EXPECT_EQ(document.GetNode("Config.ProjectFile").GetValue(std::string()), "Station1.prj");
    // Only the first Config is searched, even when the name lives under the second.
    EXPECT_FALSE(document.GetNode("Config.Extra").IsValid());
    // Step by step from a handle gives the same node.
    EXPECT_EQ(document.GetNode("Config").GetNode("ProjectDir").GetValue(std::string()), "Station1");
}

TEST_F(XmlNodeTest, ElementNamesAreCaseSensitiveAndExact) {
    XmlNode document = Load("<config><ProjectDir>a</ProjectDir></config>");
    EXPECT_FALSE(document.GetNode("Config.ProjectDir").IsValid());
    EXPECT_TRUE(document.GetNode("config.ProjectDir").IsValid());
    EXPECT_FALSE(document.GetNode("config.Project").IsValid()) << "no prefix match";
}

TEST_F(XmlNodeTest, GetNodesTakesElementsUnderTheFirstParentOnly) {
    XmlNode document = Load(
        "<Project><CsvFiles>\n"
        "  <CsvFile filePath='a'/> text <![CDATA[cdata]]><!-- comment -->\n"
        "  <CsvFile filePath='b'><CsvFile filePath='nested'/></CsvFile>\n"
        "  <Other filePath='other'/>\n"
        "  <CsvFile filePath='c'/>\n"
        "</CsvFiles><CsvFiles><CsvFile filePath='second parent'/></CsvFiles></Project>"
        "<Project><CsvFiles><CsvFile filePath='second project'/></CsvFiles></Project>");
    std::vector<XmlNode> files = document.GetNodes("Project.CsvFiles.CsvFile");
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].GetAttribute("filePath", std::string()), "a");
    EXPECT_EQ(files[1].GetAttribute("filePath", std::string()), "b");
    EXPECT_EQ(files[2].GetAttribute("filePath", std::string()), "c");

    // One name: the matching children of this handle's node.
    EXPECT_EQ(document.GetNode("Project.CsvFiles").GetNodes("CsvFile").size(), 3u);
    EXPECT_EQ(document.GetNodes("Project").size(), 2u);
    EXPECT_TRUE(document.GetNodes("Project.Missing.CsvFile").empty());
    EXPECT_TRUE(document.GetNodes("Project.CsvFiles.Missing").empty());
}

TEST_F(XmlNodeTest, GetNodesIsEmptyWhenTheFirstParentHasNoMatch) {
    XmlNode document =
        Load("<Project><CsvFiles/><CsvFiles><CsvFile filePath='later'/></CsvFiles></Project>");
    EXPECT_TRUE(document.GetNodes("Project.CsvFiles.CsvFile").empty());
}

TEST_F(XmlNodeTest, AttributeNamesIgnoreCaseAndTheFirstOneWins) {
    XmlNode file =
        Load("<CsvFile FILEPATH='upper' filepath='lower' isfocus='1'/>").GetNode("CsvFile");
    EXPECT_EQ(file.GetAttribute("filePath", std::string("none")), "upper");
    EXPECT_EQ(file.GetAttribute("isFocus", 7), 1);
    EXPECT_TRUE(file.HasAttribute("IsFocus"));
    EXPECT_FALSE(file.HasAttribute("isEncrypt"));
    EXPECT_EQ(file.GetAttribute("isEncrypt", 7), 7);
    EXPECT_EQ(file.GetAttribute("missing", std::string("none")), "none");
    EXPECT_FALSE(file.HasAttribute("filePat")) << "no prefix match";
}

TEST_F(XmlNodeTest, IntegersFollowTheIntegerRule) {
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"1", 1},      {"0", 0},    {"-3", -3},     {"0x1F", 31},       {"abc", 0xABC},
        {"", 0},       {"-", 99},   {"-0x10", -16}, {"0x", 0},          {"01", 1},
        {"true", 99},  {"yes", 99}, {"1.0", 99},    {" 1", 99},         {"1 ", 99},
        {"0XfF", 255}, {"2", 2},    {"false", 99},  {"0xFFFFFFFF", -1},
    };
    for (const Case& c : cases) {
        std::string content = std::string("<V isFocus='") + c.text + "'>" + c.text + "</V>";
        XmlNode value = Load(content).GetNode("V");
        EXPECT_EQ(value.GetValue(99), c.expected) << "text [" << c.text << "]";
        EXPECT_EQ(value.GetAttribute("isFocus", 99), c.expected) << "attribute [" << c.text << "]";
    }
}

TEST_F(XmlNodeTest, TextsAreKeptVerbatim) {
    XmlNode document = Load(
        "<?xml version='1.0' encoding='utf-8'?>\n<!-- settings -->\n"
        "<Config>\n"
        "  <Blanks> Station1 </Blanks>\n"
        "  <Entities>a &amp; b &lt;c&gt; &quot;d&quot; &#65;&#x42;</Entities>\n"
        "  <CData><![CDATA[only cdata]]></CData>\n"
        "  <Mixed>first<Child/>second</Mixed>\n"
        "  <Empty></Empty><SelfClosed/><OnlyChildren>  <Child/>  </OnlyChildren>\n"
        "  <Lines>one\r\ntwo\tthree</Lines>\n"
        "</Config>");
    auto text = [&](const char* path) {
        return document.GetNode(path).GetValue(std::string("default"));
    };
    EXPECT_EQ(text("Config.Blanks"), " Station1 ");
    EXPECT_EQ(text("Config.Entities"), "a & b <c> \"d\" AB");
    EXPECT_EQ(text("Config.CData"), "") << "a CDATA section is never the element's text";
    EXPECT_EQ(text("Config.Mixed"), "first");
    EXPECT_EQ(text("Config.Empty"), "");
    EXPECT_EQ(text("Config.SelfClosed"), "");
    EXPECT_EQ(text("Config.OnlyChildren"), "");
    EXPECT_EQ(text("Config.Lines"), "one\r\ntwo\tthree");
    EXPECT_EQ(document.GetNode("Config.CData").GetValue(5), 0) << "empty text is decimal 0";
}

TEST_F(XmlNodeTest, DeclarationsAndCommentsReadLikeTheirAbsence) {
    const std::string body = "<Config><ProjectDir>S</ProjectDir></Config>";
    XmlNode plain = Load(body);
    XmlNode decorated = Load(
        "<?xml version=\"1.0\"?><!DOCTYPE Config [<!ELEMENT x (y)>]>"
        "<!-- a > b -->" +
        body + "<!-- end -->\n");
    EXPECT_EQ(decorated.GetNode("Config.ProjectDir").GetValue(std::string()),
              plain.GetNode("Config.ProjectDir").GetValue(std::string()));
}

TEST_F(XmlNodeTest, EmptyDocumentsLoadWithNothingInThem) {
    for (const char* content :
         {"", "   \n\t ", "<!-- only a comment -->", "<?xml version='1.0'?>"}) {
        XmlNode document;
        ASSERT_TRUE(LoadXmlFile(_dir.Write("empty.xml", content), document)) << content;
        EXPECT_TRUE(document.IsValid());
        EXPECT_FALSE(document.GetNode("Config").IsValid());
        EXPECT_TRUE(document.GetNodes("Config").empty());
    }
}

TEST_F(XmlNodeTest, MalformedFilesFailAndLeaveTheHandleAsItWas) {
    XmlNode document = Load("<Config><ProjectDir>kept</ProjectDir></Config>");
    const char* malformed[] = {
        "abc",                                 // text outside any element
        "<Config><ProjectDir>S</ProjectDir>",  // unclosed element
        "<Config><ProjectDir>S</Proj",         // truncated
        "<Config attr='x",                     // truncated inside an attribute
        "<>",
        "<Config></Config> trailing text",
        "\x01\x02\xff\xfe binary",
        "<!-- unterminated comment",
    };
    for (const char* content : malformed) {
        EXPECT_FALSE(LoadXmlFile(_dir.Write("bad.xml", content), document)) << content;
        EXPECT_EQ(document.GetNode("Config.ProjectDir").GetValue(std::string()), "kept");
    }
    // The default parse does not compare closing names with opening ones.
    EXPECT_TRUE(Loads("<Config><ProjectDir>S</Other></Config>"));
}

TEST_F(XmlNodeTest, MissingFilesAndDirectoriesFail) {
    XmlNode document;
    EXPECT_FALSE(LoadXmlFile(_dir.Path() + "/missing.xml", document));
    EXPECT_FALSE(LoadXmlFile(_dir.Path(), document)) << "a directory is not a file";
    EXPECT_FALSE(LoadXmlFile("", document));
    EXPECT_FALSE(document.IsValid());
}

TEST_F(XmlNodeTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    const int depth = 200000;
    std::string deep;
    for (int i = 0; i < depth; ++i) deep += "<a>";
    for (int i = 0; i < depth; ++i) deep += "</a>";
    XmlNode document;
    EXPECT_FALSE(LoadXmlFile(_dir.Write("deep.xml", deep), document));

    // Ordinary depths, and deep markup hidden in comments, quotes and CDATA, still load.
    std::string moderate;
    for (int i = 0; i < 100; ++i) moderate += "<a x='<b><c><d>' y=\"/>\">";
    moderate += "<!--" + std::string(50000, '<') + "a>--><![CDATA[" + deep + "]]>";
    for (int i = 0; i < 100; ++i) moderate += "</a>";
    EXPECT_TRUE(LoadXmlFile(_dir.Write("moderate.xml", moderate), document));
}

TEST_F(XmlNodeTest, HandlesKeepTheirDocumentAlive) {
    XmlNode dir;
    {
        XmlNode document = Load("<Config><ProjectDir>Station1</ProjectDir></Config>");
        dir = document.GetNode("Config.ProjectDir");
    }  // the document handle is gone; the buffer and the parse live on in `dir`
    ASSERT_TRUE(dir.IsValid());
    XmlNode copy = dir;
    dir = XmlNode();
    EXPECT_EQ(copy.GetValue(std::string()), "Station1");
}

TEST_F(XmlNodeTest, AnEmptyHandleAnswersWithDefaults) {
    XmlNode empty;
    EXPECT_FALSE(empty.IsValid());
    EXPECT_EQ(empty.GetValue(std::string("default")), "default");
    EXPECT_EQ(empty.GetValue(42), 42);
    EXPECT_EQ(empty.GetAttribute("filePath", std::string("default")), "default");
    EXPECT_EQ(empty.GetAttribute("isFocus", 42), 42);
    EXPECT_FALSE(empty.HasAttribute("isFocus"));
    EXPECT_FALSE(empty.GetNode("Config").IsValid());
    EXPECT_TRUE(empty.GetNodes("Config").empty());
    EXPECT_TRUE(empty.GetNodes("Config.ProjectDir").empty());

    // The same through a lookup that found nothing in a loaded document.
    XmlNode missing = Load("<Config/>").GetNode("Config.ProjectDir");
    EXPECT_EQ(missing.GetValue(std::string("default")), "default");
}

}  // namespace

// XmlNode and LoadXmlFile on real files: loading, dotted-path lookup, typed reading.
#include "config/xml_node.h"

#include "config_test_support.h"

class XmlNodeTest : public ConfigTest {
  protected:
    XmlNode Load(const std::string& content) {  // from a real file; a failure to load fails
        XmlNode document;
        EXPECT_TRUE(LoadXmlFile(Write("file.xml", content), document)) << content.substr(0, 100);
        return document;
    }
};

static std::string Text(const XmlNode& node) {
    return node.GetValue(std::string("default"));
}

// The filePath attributes of `nodes`, "-" where there is none.
static std::string FilePaths(const std::vector<XmlNode>& nodes) {
    std::string paths;
    for (const XmlNode& node : nodes)
        paths += node.GetAttribute("filePath", std::string("-")) + " ";
    return paths;
}

static std::string Repeat(const std::string& text, int times) {
    std::string all;
    while (times-- > 0) all += text;
    return all;
}

TEST_F(XmlNodeTest, PathsTakeTheFirstMatchAtEachLevelTextsStayVerbatimIntegersFollowTheRule) {
    XmlNode document = Load(
        "<?xml version='1.0' encoding='utf-8'?>\n<!DOCTYPE Config [<!ELEMENT x (y)>]><!-- a > b -->"
        "<Config><Other/><ProjectDir>Station1</ProjectDir><ProjectDir>2</ProjectDir>\n"
        "  <CsvFile FILEPATH='a' filepath='not first'/> text <![CDATA[cdata]]><!-- comment -->\n"
        "  <CsvFile filePath='b'><CsvFile filePath='nested'/></CsvFile>\n"
        "  <Other filePath='other'/><CsvFile isFocus='1' filePath='c'/>\n"
        "  <Blanks> Station1 </Blanks><CData><![CDATA[only cdata]]></CData><SelfClosed/>\n"
        "  <Entities>a &amp; b &lt;c&gt; &quot;d&quot; &#65;&#x42;</Entities>\n"
        "  <Mixed>first<Child/>second</Mixed><OnlyChildren>  <Child/>  </OnlyChildren>\n"
        "  <Lines>one\r\ntwo\tthree</Lines>\n"
        "</Config><Config><ProjectDir>Third</ProjectDir><Extra>x</Extra><CsvFile/></Config>"
        "<config><ProjectDir>lower</ProjectDir></config><Empty/><Empty><CsvFile/></Empty>"
        "<I><V n='-3'>-3</V><V n='0x1F'>0x1F</V><V n='abc'>abc</V><V n=''></V><V n='1.0'>1.0</V>"
        "<V n=' 1'> 1</V><V n='true'>true</V></I>");
    EXPECT_EQ(Text(document.GetNode("Config.ProjectDir")), "Station1");
    EXPECT_EQ(Text(document.GetNode("config.ProjectDir")), "lower") << "names are case-sensitive";
    // Only the first Config is searched, even when the name lives under the second.
    EXPECT_FALSE(document.GetNode("Config.Extra").IsValid());
    EXPECT_FALSE(document.GetNode("Config.Project").IsValid()) << "no prefix match";

    // Attribute names ignore case; the first of them counts.
    EXPECT_EQ(FilePaths(document.GetNodes("Config.CsvFile")), "a b c ") << "nested ones left out";
    EXPECT_EQ(FilePaths(document.GetNode("Config").GetNodes("CsvFile")), "a b c ");
    EXPECT_EQ(FilePaths(document.GetNodes("Config")), "- - ");
    EXPECT_EQ(FilePaths(document.GetNodes("Empty.CsvFile")), "") << "the first parent has none";
    EXPECT_TRUE(document.GetNodes("Missing.CsvFile").empty() &&
                document.GetNodes("Config.Missing").empty());
    XmlNode file = document.GetNodes("Config.CsvFile").back();
    EXPECT_TRUE(file.HasAttribute("ISFOCUS"));
    EXPECT_FALSE(file.HasAttribute("isFocu") || file.HasAttribute("filePat")) << "no prefix match";

    std::string texts;
    for (const char* name :
         {"Blanks", "Entities", "CData", "Mixed", "SelfClosed", "OnlyChildren", "Lines"})
        texts += "[" + Text(document.GetNode("Config").GetNode(name)) + "]";
    // A CDATA section is never the element's text.
    EXPECT_EQ(texts, "[ Station1 ][a & b <c> \"d\" AB][][first][][][one\r\ntwo\tthree]");

    // Integers: decimal, then hexadecimal, then the default (99); no blanks trimmed.
    std::string numbers;
    for (const XmlNode& v : document.GetNodes("I.V"))
        numbers +=
            std::to_string(v.GetValue(99)) + "/" + std::to_string(v.GetAttribute("n", 99)) + " ";
    EXPECT_EQ(numbers, "-3/-3 31/31 2748/2748 0/0 99/99 99/99 99/99 ");
}

TEST_F(XmlNodeTest, OnlyWellFormedFilesOfBoundedDepthLoad) {
    for (const char* content :
         {"", "   \n\t ", "<!-- only a comment -->", "<?xml version='1.0'?>"}) {
        XmlNode document = Load(content);
        EXPECT_TRUE(document.IsValid() && document.GetNodes("Config").empty()) << content;
    }
    // Text outside elements, unclosed markup, and nesting too deep for the stack: plain, behind
    // markup the parser ends at its first ">" ("<!x[", a quote in a name), or one past the bound.
    std::string deep = Repeat("<a>", 200000) + Repeat("</a>", 200000);
    std::string deepest = Repeat("<a>", 999) + "<a/>" + Repeat("</a>", 999);
    const std::string bad[] = {"abc",
                               "<Config><ProjectDir>S</ProjectDir>",
                               "<Config attr='x",
                               "<!-- unterminated comment",
                               deep,
                               "<!x[>" + deep,
                               "<a x'=''>" + deep + "</a>",
                               "<b>" + deepest + "</b>"};
    XmlNode document = Load("<Config><ProjectDir>kept</ProjectDir></Config>");
    for (const std::string& content : bad) {
        EXPECT_FALSE(LoadXmlFile(Write("bad.xml", content), document)) << content.substr(0, 40);
        EXPECT_EQ(Text(document.GetNode("Config.ProjectDir")), "kept") << "the handle is unchanged";
    }
    // A missing file, a directory, no name.
    for (const std::string& path : {_dir / "missing.xml", _dir.path, std::string()})
        EXPECT_FALSE(LoadXmlFile(path, document)) << path;
    // Ordinary depths, and deep markup hidden in comments, quotes and CDATA, still load.
    Load(Repeat("<a x='<b><c><d>' y=\"/>\">", 100) + "<!--" + std::string(50000, '<') +
         "a>--><![CDATA[" + deep + "]]><!DOCTYPE [<!x>[" + deep + "]]>" + Repeat("</a>", 100));
    Load(deepest);
}

TEST_F(XmlNodeTest, HandlesKeepTheirDocumentAliveAndEmptyOnesAnswerWithDefaults) {
    XmlNode dir =
        Load("<Config><ProjectDir>Station1</ProjectDir></Config>").GetNode("Config.ProjectDir");
    XmlNode copy = dir;  // the document handle is gone; the buffer and the parse live on
    dir = XmlNode();
    EXPECT_EQ(Text(copy), "Station1");
    for (const XmlNode& empty : {dir, Load("<Config/>").GetNode("Config.ProjectDir")}) {
        EXPECT_FALSE(empty.IsValid() || empty.HasAttribute("isFocus") ||
                     empty.GetNode("Config").IsValid() || !empty.GetNodes("Config.Dir").empty());
        EXPECT_EQ(Text(empty) + empty.GetAttribute("filePath", std::string("|default")) +
                      std::to_string(empty.GetValue(42)) +
                      std::to_string(empty.GetAttribute("isFocus", 7)),
                  "default|default427");
    }
}

#include "content/XmlDocument.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

using Content::MaxXmlAttributes;
using Content::MaxXmlDepth;
using Content::MeasureXmlDepth;
using Content::ParseXmlBody;

namespace
{
size_t TreeDepth(const TiXmlNode* node)
{
    size_t deepest = 0;
    for (const TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling())
    {
        const size_t depth = TreeDepth(child) + (child->ToElement() != nullptr ? 1 : 0);
        deepest = depth > deepest ? depth : deepest;
    }
    return deepest;
}

std::string Repeat(const std::string& text, size_t count)
{
    std::string result;
    result.reserve(text.size() * count);
    for (size_t i = 0; i < count; ++i)
    {
        result += text;
    }
    return result;
}

std::string Nested(size_t depth)
{
    return Repeat("<a>", depth) + Repeat("</a>", depth);
}

// Parses from a heap block of exactly the text's size, so that the address
// sanitizer sees any read past the terminator.
bool ParseExactCopy(const std::string& text, TiXmlDocument& document)
{
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(copy, text.c_str(), text.size() + 1);
    const bool parsed = ParseXmlBody(copy, document);
    std::free(copy);
    return parsed;
}
} // namespace

TEST(XmlDepth, CountsOpenElementsNotSiblings)
{
    EXPECT_EQ(0u, MeasureXmlDepth(""));
    EXPECT_EQ(0u, MeasureXmlDepth("plain text"));
    EXPECT_EQ(1u, MeasureXmlDepth("<a/><b/><c></c>"));
    EXPECT_EQ(3u, MeasureXmlDepth("<a><b><c/></b><b></b></a>"));
    EXPECT_EQ(2u, MeasureXmlDepth(Repeat("<r>" + Repeat("<x/>", 10000) + "</r>", 3).c_str()));
    EXPECT_EQ(40u, MeasureXmlDepth(Nested(40).c_str()));
}

TEST(XmlDepth, StopsCountingPastTheLimit)
{
    EXPECT_EQ(11u, MeasureXmlDepth(Nested(1000).c_str(), 10));
}

// Every text here is walked by MeasureXmlDepth and parsed by TinyXML; the two
// must agree on the depth. Most are built to fool a scanner that treats
// markup more simply than TinyXML does.
TEST(XmlDepth, AgreesWithTinyXmlOnTrickyMarkup)
{
    const char* texts[] = {
        "<a><!-- <b><c><d> --><e/></a>",
        "<a><!-- unterminated <b><c>",
        "<a><![CDATA[<b><c></c></b>]]><e><f/></e></a>",
        "<a x=\"><b><c>\" y='<d>'><e/></a>",
        "<a x='\"'><b/></a>",
        "<a/><b/><c><d/></c>",
        "<a></a ><b></b\n><c><d/></c>",
        "<a><b></c><d><e><f>",
        "<?xml version=\"><a><b>\"?><c><d/></c>",
        "<?xml version=\"1.0\"?><?pi <a><b> ?><c/>",
        "<!DOCTYPE x [ <!ENTITY e \"<a>\"> ]><a><b/></a>",
        "<r><\"x><a><a><a/></a></a></r>",
        "<r>< a><b><c/></b></r>",
        "<r><1 '><a><b/></a></r>",
        "<r>&#x<!--x41;<a><b/></a><!-- --></r>",
        "<r>&#<!-- #65;<a><b/></a></r>",
        "<?xml version=\"1.0\"?><r>x\xE0<!--<a><b/></a>--></r>",
        "<?xml version=\"1.0\"?><r x=\"\xE0\"'\"><a><b/></a></r>",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>x\xE0<!--<a><b/></a>--></r>",
        "<?xml version=\"1.0\" encoding=\"&#85;TF-8\"?><r>x\xE0<!--<a><b/></a>--></r>",
        "\xEF\xBB\xBF<r>\xE0<![CDATA[<a><b/></a>]]></r>",
        "<?xml version=\"1.0\"?><\xEF\xBB\xBFr></r><b><c/></b>",
        "<r><a x=unquoted><b/></a><c y=bad\"><d/></c></r>",
        "<r><_a><b/></_a><\xC3\xA9><b/></\xC3\xA9></r>",
    };
    for (const char* text : texts)
    {
        SCOPED_TRACE(text);
        TiXmlDocument document;
        ASSERT_TRUE(ParseXmlBody(text, document));
        EXPECT_EQ(TreeDepth(&document), MeasureXmlDepth(text));
    }
}

TEST(XmlBody, RefusesDeepNestingAndLeavesTheDocumentEmpty)
{
    TiXmlDocument atLimit;
    EXPECT_TRUE(ParseXmlBody(Nested(MaxXmlDepth).c_str(), atLimit));
    EXPECT_NE(nullptr, atLimit.FirstChildElement("a"));

    TiXmlDocument overLimit;
    EXPECT_FALSE(ParseXmlBody(Nested(MaxXmlDepth + 1).c_str(), overLimit));
    EXPECT_TRUE(overLimit.NoChildren());

    // Deep enough to overflow any thread's stack if TinyXML got to it.
    TiXmlDocument hostile;
    EXPECT_FALSE(ParseXmlBody(Repeat("<a>", 1000000).c_str(), hostile));
    EXPECT_TRUE(hostile.NoChildren());
}

TEST(XmlBody, RefusesDeepNestingHiddenFromSimpleScanners)
{
    const std::string deep = Repeat("<a>", 200000);
    const std::string disguises[] = {
        "<r><\"x>",                                       // a quote inside unknown markup
        "<r>&#x<!--x41;",                                 // a reference spanning a comment opener
        "<?xml version=\"1.0\"?><r>x\xE0<!--",            // a UTF-8 lead byte swallowing "<!"
        "<?xml version=\"1.0\"?><r a=\"\xE0\"'\">",       // ... or a closing quote
        "<?xml version=\"><!--\"?>",                      // a quoted '>' in the declaration
        "<r><!-- --><![CDATA[ ]]><?pi?><!DOCTYPE r><b/>", // the ordinary skips
    };
    for (const std::string& disguise : disguises)
    {
        SCOPED_TRACE(disguise);
        TiXmlDocument document;
        EXPECT_FALSE(ParseXmlBody((disguise + deep).c_str(), document));
        EXPECT_TRUE(document.NoChildren());
    }
}

TEST(XmlBody, RefusesElementsWithTooManyAttributes)
{
    std::string attributes;
    for (size_t i = 0; i < MaxXmlAttributes; ++i)
    {
        attributes += " a" + std::to_string(i) + "=\"\"";
    }
    const std::string most = "<r><e" + attributes + "/></r>";
    EXPECT_EQ(MaxXmlAttributes, Content::CountMostXmlAttributes(most.c_str()));
    TiXmlDocument allowed;
    EXPECT_TRUE(ParseXmlBody(most.c_str(), allowed));

    const std::string tooMany = "<r><e" + attributes + " last='x'/></r>";
    TiXmlDocument refused;
    EXPECT_FALSE(ParseXmlBody(tooMany.c_str(), refused));
    EXPECT_TRUE(refused.NoChildren());
}

TEST(XmlBody, TextEndingInsideAUtf8SequenceIsReadNoFurther)
{
    const char* texts[] = {
        "<?xml version=\"1.0\"?><a>x\xF0",
        "<?xml version=\"1.0\"?><a>x\xE2\x82",
        "<?xml version=\"1.0\"?><a b=\"\xC3",
        "\xEF\xBB\xBF<a>\xF4\x80",
    };
    for (const char* text : texts)
    {
        SCOPED_TRACE(text);
        TiXmlDocument document;
        EXPECT_TRUE(ParseExactCopy(text, document));
        EXPECT_TRUE(document.Error());
        EXPECT_NE(nullptr, document.FirstChildElement("a"));
    }
}

TEST(XmlBody, MalformedTextGivesAnErrorNotACrash)
{
    const char* texts[] = {
        "",
        "   ",
        "not xml at all",
        "<",
        "<a",
        "<a b=",
        "<a b='",
        "<a></b>",
        "<a>&#x;&#;&#xZZ;&bogus;</a>",
        "<<<>>>",
        "</a>",
        "<!--",
        "<![CDATA[",
        "<?xml",
        "<a x='1' x='2'/>",
        "<a>\x01\x02\x7F\xFF</a>",
    };
    for (const char* text : texts)
    {
        SCOPED_TRACE(text);
        TiXmlDocument document;
        EXPECT_TRUE(ParseExactCopy(text, document));
        EXPECT_EQ(nullptr, document.FirstChildElement("rss"));
        EXPECT_LE(TreeDepth(&document), MeasureXmlDepth(text));
    }
}

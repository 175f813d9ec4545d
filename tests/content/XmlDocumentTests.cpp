#include "content/XmlDocument.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

using Content::MaxXmlAttributes;
using Content::MaxXmlDepth;
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

} // namespace

TEST(XmlBody, RefusesDeepNestingAndCrowdedElementsLeavingTheDocumentEmpty)
{
    std::string attributes;
    for (size_t i = 0; i < MaxXmlAttributes; ++i)
    {
        attributes += " a" + std::to_string(i) + "=\"\"";
    }
    // Deep enough to overflow any thread's stack if TinyXML got to it, and
    // behind markup that a simpler count than the parser's own would misread.
    const std::string deep = Repeat("<a>", 200000);
    const std::pair<std::string, bool> cases[] = {
        {Nested(MaxXmlDepth), true},
        {Nested(MaxXmlDepth + 1), false},
        {Repeat("<a>", 1000000), false},
        {"<r><\"x>" + deep, false},                                 // a quote inside unknown markup
        {"<r>&#x<!--x41;" + deep, false},                           // a reference spanning a comment opener
        {"<?xml version=\"1.0\"?><r>x\xE0<!--" + deep, false},      // a UTF-8 lead byte swallowing "<!"
        {"<?xml version=\"1.0\"?><r a=\"\xE0\"'\">" + deep, false}, // ... or a closing quote
        {"<?xml version=\"><!--\"?>" + deep, false},                // a quoted '>' in the declaration
        {"<r><!-- --><![CDATA[ ]]><?pi?><!DOCTYPE r><b/>" + deep, false},
        {"<r><e" + attributes + "/></r>", true},
        {"<r><e" + attributes + " last='x'/></r>", false},
    };
    for (const auto& [text, parsed] : cases)
    {
        SCOPED_TRACE(text.substr(0, 60));
        TiXmlDocument document;
        EXPECT_EQ(parsed, ParseXmlBody(text.c_str(), document));
        EXPECT_EQ(parsed, !document.NoChildren());
    }
}

// Each text parses from a heap block of its exact size, so that the address
// sanitizer sees any read past the terminator.
TEST(XmlBody, MalformedTextGivesAnErrorNotACrash)
{
    const auto parse = [](const char* text, TiXmlDocument& document)
    {
        const size_t size = std::strlen(text) + 1;
        char* copy = static_cast<char*>(std::malloc(size));
        std::memcpy(copy, text, size);
        EXPECT_TRUE(ParseXmlBody(copy, document));
        std::free(copy);
        EXPECT_LE(TreeDepth(&document), MaxXmlDepth);
    };
    for (const char* text :
         {"", "   ", "not xml at all", "<", "<a", "<a b=", "<a b='", "<a></b>", "<a>&#x;&#;&#xZZ;&bogus;</a>",
          "<<<>>>", "</a>", "<!--", "<![CDATA[", "<?xml", "<a x='1' x='2'/>", "<a>\x01\x02\x7F\xFF</a>"})
    {
        SCOPED_TRACE(text);
        TiXmlDocument document;
        parse(text, document);
        EXPECT_EQ(nullptr, document.FirstChildElement("rss"));
    }
    // Text that ends inside a UTF-8 sequence is read no further.
    for (const char* text : {"<?xml version=\"1.0\"?><a>x\xF0", "<?xml version=\"1.0\"?><a>x\xE2\x82",
                             "<?xml version=\"1.0\"?><a b=\"\xC3", "\xEF\xBB\xBF<a>\xF4\x80"})
    {
        SCOPED_TRACE(text);
        TiXmlDocument document;
        parse(text, document);
        EXPECT_TRUE(document.Error());
        EXPECT_NE(nullptr, document.FirstChildElement("a"));
    }
}

#include "content/ResponseBody.h"

#include "content/FeedFormats.h"
#include "content/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>

using Content::CResponseBody;

namespace
{
std::string Text(const CResponseBody& body)
{
    return std::string(body.GetText(), body.GetLength());
}

// Feeds bytes the way a fetch reads them: 1023 bytes at a time.
void AppendInPieces(CResponseBody& body, const std::string& bytes)
{
    for (size_t offset = 0; offset < bytes.size(); offset += CResponseBody::PieceSize)
    {
        const size_t length = std::min(CResponseBody::PieceSize, bytes.size() - offset);
        body.AppendPiece(bytes.data() + offset, length);
    }
}
} // namespace

TEST(ResponseBody, JoinsPiecesInOrder)
{
    CResponseBody body;
    EXPECT_TRUE(body.AppendPiece("<rss>", 5));
    EXPECT_TRUE(body.AppendPiece("", 0));
    EXPECT_TRUE(body.AppendPiece("</rss>", 6));
    EXPECT_EQ("<rss></rss>", Text(body));
    EXPECT_EQ(body.GetText()[body.GetLength()], '\0');

    const std::string large(5000, 'x');
    CResponseBody pieced;
    AppendInPieces(pieced, large);
    EXPECT_EQ(large, Text(pieced));
}

TEST(ResponseBody, CutsEachPieceAtItsFirstZeroByte)
{
    CResponseBody body;
    EXPECT_TRUE(body.AppendPiece("ab\0cd", 5));
    EXPECT_TRUE(body.AppendPiece("\0ignored", 8));
    EXPECT_TRUE(body.AppendPiece("ef", 2));
    EXPECT_EQ("abef", Text(body));
}

TEST(ResponseBody, RefusesTheWholeBodyPastItsLimit)
{
    CResponseBody body(10);
    EXPECT_TRUE(body.AppendPiece("12345", 5));
    EXPECT_TRUE(body.AppendPiece("67890", 5));
    EXPECT_FALSE(body.IsOverLimit());
    EXPECT_FALSE(body.AppendPiece("x", 1));
    EXPECT_TRUE(body.IsOverLimit());
    EXPECT_EQ(0u, body.GetLength());
    EXPECT_STREQ("", body.GetText());
    EXPECT_FALSE(body.AppendPiece("y", 1));
    EXPECT_EQ(0u, body.GetLength());
}

// Otherwise a server sending only zeros would be read until the deadline.
TEST(ResponseBody, ZeroBytesCountTowardsTheLimit)
{
    CResponseBody body(12);
    EXPECT_TRUE(body.AppendPiece("ab\0\0\0\0\0\0", 8));
    EXPECT_TRUE(body.AppendPiece("cd\0\0", 4));
    EXPECT_EQ("abcd", Text(body));
    EXPECT_FALSE(body.AppendPiece("\0", 1));
    EXPECT_TRUE(body.IsOverLimit());
}

TEST(ResponseBody, AHugeBodyIsDroppedAndParsesToNothing)
{
    CResponseBody body;
    const std::string piece(CResponseBody::PieceSize, 'x');
    size_t appended = 0;
    while (body.AppendPiece(piece.data(), piece.size()))
    {
        appended += piece.size();
    }
    EXPECT_LE(appended, CResponseBody::DefaultLimit);
    EXPECT_GT(appended + piece.size(), CResponseBody::DefaultLimit);
    EXPECT_TRUE(body.IsOverLimit());
    TiXmlDocument document;
    Content::ParseXmlBody(body.GetText(), document);
    EXPECT_EQ(Content::FeedFormat::Unknown, Content::DetectFormat(document));
}

TEST(ResponseBody, AUtf16FeedArrivesBrokenAndYieldsNothing)
{
    const std::string narrow =
        "<rss><channel><title>Wide</title><item><title>T</title></item></channel></rss>";
    std::string wide = "\xFF\xFE";
    for (char c : narrow)
    {
        wide += c;
        wide += '\0';
    }
    CResponseBody body;
    AppendInPieces(body, wide);
    EXPECT_EQ("\xFF\xFE<", Text(body));
    TiXmlDocument document;
    Content::ParseXmlBody(body.GetText(), document);
    EXPECT_EQ(Content::FeedFormat::Unknown, Content::DetectFormat(document));
}

#include "content/ResponseBody.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using Content::CResponseBody;

TEST(ResponseBody, JoinsPiecesCutAtTheirFirstZeroAndRefusesTheWholePastTheLimit)
{
    const std::string large(5000, 'x');
    const std::tuple<std::vector<std::string>, size_t, std::string, bool> cases[] = {
        {{"<rss>", "", "</rss>"}, CResponseBody::DefaultLimit, "<rss></rss>", false},
        {{large.substr(0, 1023), large.substr(1023)}, CResponseBody::DefaultLimit, large, false},
        {{std::string("ab\0cd", 5), std::string("\0ignored", 8), "ef"},
         CResponseBody::DefaultLimit,
         "abef",
         false},
        {{"12345", "67890"}, 10, "1234567890", false},
        {{"12345", "67890", "x", "y"}, 10, "", true},
        // Zero bytes count, or a server sending only zeros would be read
        // until the deadline.
        {{std::string("ab\0\0\0\0\0\0", 8), std::string("cd\0\0", 4)}, 12, "abcd", false},
        {{std::string("ab\0\0\0\0\0\0", 8), std::string("cd\0\0", 4), std::string(1, '\0')}, 12, "", true},
    };
    for (const auto& [pieces, limit, text, overLimit] : cases)
    {
        SCOPED_TRACE(text);
        CResponseBody body(limit);
        bool accepted = true;
        for (const std::string& piece : pieces)
        {
            accepted = body.AppendPiece(piece.data(), piece.size());
        }
        EXPECT_EQ(!overLimit, accepted);
        EXPECT_EQ(overLimit, body.IsOverLimit());
        EXPECT_EQ(text, std::string(body.GetText(), body.GetLength()));
        EXPECT_EQ('\0', body.GetText()[body.GetLength()]);
    }
}

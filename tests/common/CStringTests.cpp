#include "common/CString.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(CString, CopiesShareUntilOneChanges)
{
    CString original("headline");
    CString copy(original);
    EXPECT_TRUE(copy.SharesBufferWith(original));

    copy += " two";
    EXPECT_FALSE(copy.SharesBufferWith(original));
    EXPECT_STREQ("headline", original);
    EXPECT_STREQ("headline two", copy);

    CString third = original;
    char* buffer = third.GetBuffer(20);
    buffer[0] = 'H';
    third.ReleaseBuffer();
    EXPECT_STREQ("headline", original);
    EXPECT_STREQ("Headline", third);
}

TEST(CString, EmbeddedZeroBytesAndLengths)
{
    const char bytes[] = {'a', 0, 'b'};
    CString text(bytes, 3);
    EXPECT_EQ(3u, text.GetLength());
    EXPECT_EQ(0, text[1]);
    EXPECT_NE(text, CString("a"));
    EXPECT_EQ(CString(), CString(""));
    EXPECT_TRUE(CString(nullptr).IsEmpty());
}

TEST(CString, AppendingFromItself)
{
    CString text("ab");
    for (int i = 0; i < 10; ++i)
    {
        text.Append(text.GetString(), text.GetLength());
    }
    EXPECT_EQ(2048u, text.GetLength());
    for (size_t i = 0; i < text.GetLength(); ++i)
    {
        ASSERT_EQ(i % 2 == 0 ? 'a' : 'b', text[i]) << i;
    }

    CString tail("0123456789");
    tail.Append(tail.GetString() + 5, 5);
    EXPECT_STREQ("012345678956789", tail);
}

TEST(CString, SearchAndSlices)
{
    CString text("http://example.test/feed.xml");
    EXPECT_EQ(4, text.Find(':'));
    EXPECT_EQ(7, text.Find("example"));
    EXPECT_EQ(-1, text.Find("absent"));
    EXPECT_EQ(-1, text.Find('/', 100));
    EXPECT_STREQ("http", text.Left(4));
    EXPECT_STREQ("feed.xml", text.Mid(20));
    EXPECT_STREQ("", text.Mid(500));
    EXPECT_STREQ("feed", text.Mid(20, 4));
    EXPECT_LT(CString("a").Compare(CString("b")), 0);
    EXPECT_LT(CString("ab").Compare(CString("abc")), 0);
    EXPECT_GT(CString("\xE9").Compare(CString("z")), 0); // bytes compare unsigned
    EXPECT_STREQ("proxy:8080", CString::Format("%s:%d", "proxy", 8080));
}

TEST(CString, CopiesAndReleasesOnManyThreadsAtOnce)
{
    // Each thread copies and drops the shared string many times; a count that
    // is not atomic frees the buffer early (the sanitizer build sees it).
    const CString shared("a text that several threads copy at once");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back([&shared] {
            for (int i = 0; i < 20000; ++i)
            {
                CString copy(shared);
                CString another = copy;
                if (another.GetLength() != shared.GetLength())
                {
                    std::abort();
                }
            }
        });
    }
    for (std::thread& thread : threads)
    {
        thread.join();
    }
    EXPECT_STREQ("a text that several threads copy at once", shared);
    CString last(shared);
    EXPECT_TRUE(last.SharesBufferWith(shared));
}

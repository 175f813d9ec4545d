#include "common/CString.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(CString, CopiesShareUntilOneChangesWhateverChangesIt)
{
    const CString original("headline");
    CString appended(original);
    EXPECT_TRUE(appended.SharesBufferWith(original));
    appended += " two";
    CString written = original;
    written.GetBuffer(20)[0] = 'H';
    written.ReleaseBuffer();
    EXPECT_FALSE(appended.SharesBufferWith(original) || written.SharesBufferWith(original));
    EXPECT_STREQ("headline", original);
    EXPECT_STREQ("headline two", appended);
    EXPECT_STREQ("Headline", written);

    // Appending a part of itself, as its buffer moves.
    CString text("ab");
    std::string expected = "ab";
    for (int i = 0; i < 10; ++i)
    {
        text.Append(text.GetString(), text.GetLength());
        expected += expected;
    }
    EXPECT_EQ(expected, std::string(text.GetString(), text.GetLength()));
    CString tail("0123456789");
    tail.Append(tail.GetString() + 5, 5);
    EXPECT_STREQ("012345678956789", tail);
}

TEST(CString, ZeroBytesAndPositionsBeyondTheEndAreSafe)
{
    const char bytes[] = {'a', 0, 'b'};
    const CString text(bytes, 3);
    EXPECT_EQ(3u, text.GetLength());
    EXPECT_NE(text, CString("a"));
    EXPECT_TRUE(CString(nullptr).IsEmpty());
    const CString url("http://example.test/feed.xml");
    EXPECT_EQ(7, url.Find("example"));
    EXPECT_EQ(-1, url.Find('/', 100));
    EXPECT_STREQ("", url.Mid(500));
    EXPECT_STREQ("feed", url.Mid(20, 4));
    EXPECT_GT(CString("\xE9").Compare(CString("z")), 0) << "bytes compare unsigned";
    EXPECT_LT(CString("ab").Compare(CString("abc")), 0);
}

TEST(CString, CopiesAndReleasesOnManyThreadsAtOnce)
{
    // Each thread copies and drops the shared string many times; a count that
    // is not atomic frees the buffer early (the sanitizer build sees it).
    const CString shared("a text that several threads copy at once");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back(
            [&shared]
            {
                for (int i = 0; i < 20000; ++i)
                {
                    const CString copy(shared);
                    const CString another = copy;
                }
            });
    }
    for (std::thread& thread : threads)
    {
        thread.join();
    }
    EXPECT_STREQ("a text that several threads copy at once", shared);
    EXPECT_TRUE(CString(shared).SharesBufferWith(shared));
}

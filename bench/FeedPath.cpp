// The feed path against a bare TinyXML parse of the same bytes: throughput in
// MB/s of guard + parse + walk (what a poll does with a fetched body) beside the
// parse alone, for a small, a large and a cap-sized feed. Prints lines of
// "subject<TAB>measure<TAB>value" for bench/report.py.
#include "content/FeedFormats.h"
#include "content/ResponseBody.h"
#include "content/XmlDocument.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
class CDiscardingSink final : public Content::CFeedSink
{
public:
    void OnChannelTitle(const CString&) override {}
    void BufferIfNew(const CHeadline& headline) override { (void)headline;
        ++m_count; }
    size_t m_count = 0;
};

std::string Feed(size_t bytes)
{
    std::string feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel>"
                       "<title>Benchmark &amp; friends</title><link>http://127.0.0.1/</link>";
    for (size_t i = 0; feed.size() < bytes; ++i)
    {
        const std::string n = std::to_string(i);
        feed += "<item><title>Story " + n + ": caf&#233; &amp; &lt;b&gt;news&lt;/b&gt; &quot;today&quot;</title>"
                "<link>http://127.0.0.1/story/" + n + "?a=1&amp;b=2</link>"
                "<description><![CDATA[<p>Paragraph <b>one</b> of story " + n +
                ", with <a href=\"http://127.0.0.1/\">a link</a> and &nbsp; text.</p><p>Two.</p>]]></description>"
                "<enclosure url=\"http://127.0.0.1/media/" + n + ".mp3\" length=\"12345\" type=\"audio/mpeg\"/>"
                "<guid isPermaLink=\"false\">id-" + n + "</guid></item>";
    }
    return feed + "</channel></rss>";
}

template <typename Work> double Seconds(Work work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const struct
    {
        const char* name;
        size_t bytes;
        int repeat; // small documents are timed over many runs
    } sizes[] = {{"10 KB", 10 * 1024, 200}, {"1 MB", 1024 * 1024, 4}, {"15 MB", 15 * 1024 * 1024, 1}};
    for (const auto& size : sizes)
    {
        const std::string feed = Feed(size.bytes);
        // Received as a fetch receives it; the parse then works in place.
        Content::CResponseBody body;
        for (size_t offset = 0; offset < feed.size(); offset += Content::CResponseBody::PieceSize)
        {
            body.AppendPiece(feed.data() + offset, std::min(Content::CResponseBody::PieceSize, feed.size() - offset));
        }
        const double megabytes = static_cast<double>(feed.size()) * size.repeat / 1e6;
        for (int round = 0; round < rounds; ++round)
        {
            // In turns, so both see the same machine, and each goes first in
            // every other round: a parse that follows the freeing of a large
            // document pays for the allocator's tidying up.
            size_t walked = 0;
            const auto bareParse = [&]
            {
                for (int i = 0; i < size.repeat; ++i)
                {
                    TiXmlDocument document;
                    document.Parse(feed.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
                }
            };
            const auto ourPath = [&]
            {
                for (int i = 0; i < size.repeat; ++i)
                {
                    TiXmlDocument document;
                    Content::ParsePaddedXmlBody(body.GetText(), document);
                    CString title;
                    CDiscardingSink sink;
                    Content::ParseDocument(Content::DetectFormat(document), document, title, nullptr, sink);
                    walked += sink.m_count;
                }
            };
            double bare = 0;
            double ours = 0;
            if (round % 2 == 0)
            {
                bare = Seconds(bareParse);
                ours = Seconds(ourPath);
            }
            else
            {
                ours = Seconds(ourPath);
                bare = Seconds(bareParse);
            }
            if (walked == 0)
            {
                std::fprintf(stderr, "the walk found no headlines\n");
                return 1;
            }
            std::printf("tidelight\t%s MB/s\t%f\n", size.name, megabytes / ours);
            std::printf("tinyxml\t%s MB/s\t%f\n", size.name, megabytes / bare);
        }
    }
    return 0;
}

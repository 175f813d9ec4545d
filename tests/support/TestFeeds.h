// Feeds for tests: RSS documents to serve, whose items are "Story <n>" each
// linking to http://<site>/<n>, and a sink that keeps, in order, everything
// a walk hands it.
#pragma once

#include "content/FeedFormats.h"

#include <string>
#include <vector>

inline std::string Item(int n, const std::string& site = "news.test")
{
    const std::string number = std::to_string(n);
    return "<item><title>Story " + number + "</title><link>http://" + site + "/" + number +
           "</link></item>\n";
}

inline std::string Rss(int first, int last, const std::string& site = "news.test")
{
    std::string text = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Daily Tide</title>";
    for (int i = first; i <= last; ++i)
    {
        text += Item(i, site);
    }
    return text + "</channel></rss>\n";
}

inline std::vector<CString> Stories(int first, int last)
{
    std::vector<CString> titles;
    for (int i = first; i <= last; ++i)
    {
        titles.push_back(CString::Format("Story %d", i));
    }
    return titles;
}

class CRecordingFeedSink final : public Content::CFeedSink
{
public:
    void OnChannelTitle(const CString& title) override { channelTitles.push_back(title); }
    void BufferIfNew(const CHeadline& headline) override { headlines.push_back(headline); }

    std::vector<CString> channelTitles;
    std::vector<CHeadline> headlines;
};

// A feed sink that keeps everything the walk hands it, in order.
#pragma once

#include "content/FeedFormats.h"

#include <vector>

class CRecordingFeedSink final : public Content::CFeedSink
{
public:
    void OnChannelTitle(const CString& title) override { channelTitles.push_back(title); }
    void BufferIfNew(const CHeadline& headline) override { headlines.push_back(headline); }

    std::vector<CString> channelTitles;
    std::vector<CHeadline> headlines;
};

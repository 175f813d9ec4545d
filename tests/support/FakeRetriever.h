// A retriever without a thread whose headlines the test puts in by hand, and
// which records what the manager and the panel asked of it.
#pragma once

#include "content/AbstractRetriever.h"
#include "core/ChannelRecord.h"

#include <deque>
#include <vector>

class CFakeRetriever : public Content::CAbstractRetriever
{
public:
    int Initialize(const CString& key) override
    {
        if (m_channel == nullptr)
        {
            m_channel = new CChannelRecord(key, false);
        }
        return 0;
    }
    int Start(int) override
    {
        m_state = Idle;
        return 1;
    }
    int Stop() override
    {
        m_state = Stopped;
        return 1;
    }
    unsigned GetHeadlines(CHeadline* out, unsigned max) override
    {
        unsigned moved = 0;
        while (moved < max && !m_waiting.empty())
        {
            out[moved++] = m_waiting.front();
            m_waiting.pop_front();
        }
        return moved;
    }
    int HasHeadlines(int* count) override
    {
        ++m_asked;
        if (count != nullptr)
        {
            *count = static_cast<int>(m_waiting.size());
        }
        return !m_waiting.empty();
    }
    int Dismiss(int id) override
    {
        m_dismissed.push_back(id);
        return 1;
    }

    // Queues a sealed headline with this title, stamped with this retriever.
    void Offer(const char* title)
    {
        CHeadline headline;
        headline.SetTitle(title);
        Offer(headline);
    }
    // Queues the headline, stamped with this retriever and sealed.
    void Offer(CHeadline headline)
    {
        Adopt(headline);
        headline.Seal();
        m_waiting.push_back(headline);
    }
    void SetEnabled(bool enabled) { m_channel->SetEnabled(enabled); }
    // Gives the retriever id histories of its own, which it then owns.
    void SetHistories(CIdHistory* shown, CIdHistory* session)
    {
        m_shownHistory = shown;
        m_sessionHistory = session;
    }

    std::deque<CHeadline> m_waiting;
    std::vector<int> m_dismissed;
    int m_asked = 0;
};

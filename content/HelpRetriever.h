// Usage tips from the string table, one at most every quarter of an hour
// while tips are switched on, in turn and then from the first again.
#pragma once

#include "AbstractRetriever.h"

#include <cstdint>

namespace Content
{
class CHelpRetriever : public CAbstractRetriever
{
public:
    static const uint64_t TipPause = 900000; // milliseconds

    explicit CHelpRetriever(int firstTip);

    int Initialize(const CString& key) override;
    // No thread: tips are made when they are asked for.
    int Start(int reserved) override;
    unsigned GetHeadlines(CHeadline* out, unsigned max) override;
    int HasHeadlines(int* count) override;
    int Stop() override;
    int Dismiss(int id) override;

    int GetNextTip() const { return m_nextTip; }

private:
    int m_nextTip;
    uint64_t m_lastTipTime = 0;
};
} // namespace Content

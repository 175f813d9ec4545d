#include "HelpRetriever.h"

#include "common/TickClock.h"
#include "core/ChannelRecord.h"
#include "core/Settings.h"
#include "framework/Module.h"
#include "resources/resource.h"

namespace Content
{
CHelpRetriever::CHelpRetriever(int firstTip) : m_nextTip(firstTip) {}

int CHelpRetriever::Initialize(const CString& key)
{
    if (m_channel == nullptr)
    {
        m_channel = new CChannelRecord(key, false);
    }
    return 1;
}

int CHelpRetriever::Start(int)
{
    return 1;
}

int CHelpRetriever::Stop()
{
    return 1;
}

int CHelpRetriever::Dismiss(int)
{
    return 0;
}

int CHelpRetriever::HasHeadlines(int*)
{
    return Settings().GetHelpActive() && Common::TickCount() - m_lastTipTime > TipPause;
}

unsigned CHelpRetriever::GetHeadlines(CHeadline* out, unsigned max)
{
    Common::CLockGuard guard(*this);
    for (unsigned i = 0; i < max; ++i)
    {
        char text[1024] = {};
        ::LoadStringA(Framework::Module().GetResourceInstance(), static_cast<UINT>(m_nextTip), text,
                      sizeof(text));
        CHeadline tip;
        tip.SetChannelTitle("Tidelight help");
        tip.SetTitle("Usage tips and tricks");
        tip.SetDescription(text);
        Adopt(tip);
        tip.Seal();
        m_nextTip = m_nextTip == IDS_LAST_TIP ? IDS_FIRST_TIP : m_nextTip + 1;
        m_lastTipTime = Common::TickCount();
        out[i] = tip;
    }
    return max;
}
} // namespace Content

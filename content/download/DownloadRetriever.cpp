#include "DownloadRetriever.h"

#include "DownloadJobList.h"
#include "common/TickClock.h"
#include "core/ChannelRecord.h"

namespace Content
{
namespace Download
{
CDownloadRetriever::CDownloadRetriever() : CDownloadRetriever(DownloadJobs()) {}

CDownloadRetriever::CDownloadRetriever(CDownloadJobList& jobs)
    : m_jobs(jobs), m_lastNoticeTime(Common::TickCount())
{
}

int CDownloadRetriever::Initialize(const CString& key)
{
    if (m_channel == nullptr)
    {
        m_channel = new CChannelRecord(key, false);
        m_channel->SetIcon(Icon);
    }
    return 1;
}

int CDownloadRetriever::Start(int)
{
    return 1;
}

int CDownloadRetriever::Stop()
{
    return 1;
}

int CDownloadRetriever::Dismiss(int)
{
    return 0;
}

int CDownloadRetriever::HasHeadlines(int*)
{
    // The service's lock, then the list's (each list operation takes it).
    // Jobs are only removed on the interface thread, which is the one
    // asking, so the count stays true while the jobs are visited.
    Common::CLockGuard guard(*this);
    if (Common::TickCount() - m_lastNoticeTime <= NoticePause)
    {
        return 0;
    }
    const unsigned count = m_jobs.JobCount();
    for (unsigned i = 0; i < count; ++i)
    {
        const CDownloadJob* job = m_jobs.JobAt(i);
        if (job != nullptr && job->GetState() == CDownloadJob::Finished)
        {
            return 1;
        }
    }
    return 0;
}

unsigned CDownloadRetriever::GetHeadlines(CHeadline* out, unsigned max)
{
    Common::CLockGuard guard(*this);
    const unsigned count = m_jobs.JobCount();
    unsigned made = 0;
    // Removed jobs may have left the cursor beyond the end.
    const unsigned start = m_cursor < count ? m_cursor : 0;
    for (unsigned visited = 0; visited < count && made < max; ++visited)
    {
        const unsigned index = (start + visited) % count;
        const CDownloadJob* job = m_jobs.JobAt(index);
        if (job == nullptr || job->GetState() != CDownloadJob::Finished)
        {
            continue;
        }
        CHeadline notice;
        notice.SetChannelTitle("Tidelight downloads");
        notice.SetTitle("Download finished");
        notice.SetDescription("\"" + job->GetUrl() +
                              "\" is completely downloaded. Double-click this window to open it.");
        notice.SetLink(job->GetLocalPath());
        Adopt(notice);
        notice.Seal();
        out[made++] = notice;
        m_cursor = index + 1 < count ? index + 1 : 0;
        m_lastNoticeTime = Common::TickCount();
    }
    return made;
}
} // namespace Download
} // namespace Content

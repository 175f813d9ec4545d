#include "DownloadJob.h"

#include "DownloadWorker.h"
#include "core/BrowserLauncher.h"

namespace Content
{
namespace Download
{
namespace
{
DWORD WINAPI WorkerMain(LPVOID parameter)
{
    std::unique_ptr<std::shared_ptr<CDownloadJob>> job(
        static_cast<std::shared_ptr<CDownloadJob>*>(parameter));
    try
    {
        CDownloadWorker(**job).Run();
    }
    catch (...)
    {
        // Out of memory, or anything else: the job keeps its last state and
        // its file. An exception leaving the thread would end the process.
    }
    return 0;
}
} // namespace

const char* CDownloadJob::StateText(int state)
{
    static const char* const texts[] = {"Initializing", "Downloading", "Paused", "Failed", "Finished"};
    return state >= Initializing && state <= Finished ? texts[state] : "";
}

CDownloadJob::CDownloadJob(const CSetup& setup)
    : m_url(setup.url), m_localPath(setup.localPath),
      m_pauseEvent(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_cancelEvent(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_shutdownEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_completeSize(setup.completeSize),
      m_access(setup.access)
{
}

CDownloadJob::~CDownloadJob() = default;

bool CDownloadJob::StartWorker(const std::shared_ptr<CDownloadJob>& job)
{
    if (!job->m_pauseEvent || !job->m_cancelEvent || !job->m_shutdownEvent)
    {
        job->m_state = Failed;
        return false;
    }
    std::unique_ptr<std::shared_ptr<CDownloadJob>> reference(new std::shared_ptr<CDownloadJob>(job));
    job->m_thread.reset(::CreateThread(nullptr, 0, WorkerMain, reference.get(), 0, nullptr));
    if (!job->m_thread)
    {
        job->m_state = Failed;
        return false;
    }
    reference.release();
    ::SetThreadPriority(job->m_thread.get(), THREAD_PRIORITY_LOWEST);
    return true;
}

bool CDownloadJob::Pause()
{
    if (m_state != Downloading)
    {
        return false;
    }
    ::SetEvent(m_pauseEvent.get());
    return true;
}

bool CDownloadJob::Resume()
{
    if (m_state != Paused)
    {
        return false;
    }
    ::SetEvent(m_pauseEvent.get());
    return true;
}

void CDownloadJob::Cancel()
{
    Resume();
    ::SetEvent(m_cancelEvent.get());
}

bool CDownloadJob::Open(HWND owner) const
{
    if (m_state != Finished)
    {
        return false;
    }
    OpenLocalFile(m_localPath, owner);
    return true;
}

void CDownloadJob::RequestShutdown()
{
    ::SetEvent(m_shutdownEvent.get());
}

bool CDownloadJob::WaitForWorker(DWORD milliseconds) const
{
    return !m_thread || ::WaitForSingleObject(m_thread.get(), milliseconds) == WAIT_OBJECT_0;
}
} // namespace Download
} // namespace Content

// One enclosure download: its URL, the file it goes to, and the progress its
// worker thread publishes. The interface thread steers the worker only
// through the pause and cancel events (Pause, Resume, Cancel) and reads the
// published fields without a lock; only the worker writes them.
#pragma once

#include "common/CString.h"
#include "common/UniqueHandle.h"
#include "content/HttpConnection.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace Content
{
namespace Download
{
class CDownloadJob
{
public:
    enum State : int32_t
    {
        Initializing = 0,
        Downloading = 1,
        Paused = 2,
        Failed = 3,
        Finished = 4
    };
    // "Initializing", "Downloading", "Paused", "Failed" or "Finished".
    static const char* StateText(int state);

    struct CSetup
    {
        CString url;
        // In UTF-8. Empty when no safe file could be chosen: the job then
        // fails.
        CString localPath;
        // The size the file had when an earlier run finished it, 0 when
        // unknown: a file of exactly that size is complete without asking
        // the server, which may be gone.
        uint64_t completeSize = 0;
        // Copied, so the worker never reads the settings record, which
        // static destruction may take away while the worker still runs.
        CNetworkAccess access;
    };

    explicit CDownloadJob(const CSetup& setup);
    ~CDownloadJob();
    CDownloadJob(const CDownloadJob&) = delete;
    CDownloadJob& operator=(const CDownloadJob&) = delete;

    // Starts the job's worker thread at the lowest priority. The worker
    // shares ownership of the job, so a job dropped from the list (or the
    // list itself, at exit) never leaves a worker on freed memory.
    static bool StartWorker(const std::shared_ptr<CDownloadJob>& job);

    const CString& GetUrl() const { return m_url; }
    // In UTF-8.
    const CString& GetLocalPath() const { return m_localPath; }
    int GetState() const { return m_state; }
    uint64_t GetTotalSize() const { return m_totalSize; }
    uint64_t GetDownloaded() const { return m_downloaded; }
    // Kilobytes per second over the last sampling period.
    float GetSpeed() const { return m_speed; }

    // Only while Downloading: the worker stops after its current block,
    // keeping the file and the connection open. Returns whether it asked.
    bool Pause();
    // Only while Paused: the transfer goes on where it stopped.
    bool Resume();
    // Resume, then cancel: the worker ends Failed and deletes the file.
    void Cancel();
    // Only when Finished: opens the file with the shell, asking first (in a
    // message box owned by owner) when opening it would run code. Returns
    // whether the job was finished.
    bool Open(HWND owner) const;

    // Asks the worker to end at once, leaving the file as it is; the
    // published state stays as it was. For the list's end.
    void RequestShutdown();
    // True when the worker has ended (or never started) within the time.
    bool WaitForWorker(DWORD milliseconds) const;

private:
    friend class CDownloadWorker;

    const CString m_url;
    const CString m_localPath;
    Common::CUniqueKernelHandle m_pauseEvent;
    Common::CUniqueKernelHandle m_cancelEvent;
    Common::CUniqueKernelHandle m_thread;
    std::atomic<int32_t> m_state{Initializing};
    std::atomic<uint64_t> m_totalSize{0};
    std::atomic<uint64_t> m_downloaded{0};
    std::atomic<float> m_speed{0};
    // Manual-reset: once set it stays set for every later check.
    Common::CUniqueKernelHandle m_shutdownEvent;
    const uint64_t m_completeSize;
    const CNetworkAccess m_access;
};
} // namespace Download
} // namespace Content

// The transfer of one download job, run on the job's own thread: it opens
// the local file, asks the server for what the file lacks, and lets the
// status of the answer decide what is written (see PlanResume), then reads
// and writes block by block until the file is whole, the user pauses or
// cancels, or the transfer breaks off. Only a cancel deletes the file; a
// failed or short transfer keeps what arrived, so the next start resumes it.
#pragma once

#include "DownloadJob.h"
#include "SpeedSampler.h"
#include "common/UniqueHandle.h"
#include "content/HttpConnection.h"

#include <vector>

namespace Content
{
namespace Download
{
class CDownloadWorker
{
public:
    // Large blocks: under Wine every read and every wait is a round trip to
    // the server process, so the cost of a download is per block, not per
    // byte.
    static const DWORD BlockSize = 64 * 1024;

    explicit CDownloadWorker(CDownloadJob& job);
    CDownloadWorker(const CDownloadWorker&) = delete;
    CDownloadWorker& operator=(const CDownloadWorker&) = delete;

    // Runs until the job is Failed or Finished, or a shutdown is asked for.
    void Run();

private:
    // The states of the loop: the job's own, and the end that a shutdown
    // asks for, which publishes nothing.
    enum Step
    {
        Connect = CDownloadJob::Initializing,
        Transfer = CDownloadJob::Downloading,
        Wait = CDownloadJob::Paused,
        Fail = CDownloadJob::Failed,
        Finish = CDownloadJob::Finished,
        Shutdown = -1
    };

    bool IsKnownComplete() const;
    Step ConnectStep();
    Step TransferStep();
    Step PausedStep();
    // Which of cancel, pause and shutdown was asked for (in that order of
    // precedence) with one call; the step's own value when none was.
    Step Requested() const;
    // Closes the file and the connection; deletes the file after a cancel,
    // or when this run created it and never wrote to it.
    void Leave(Step last);

    CDownloadJob& m_job;
    Common::CUniqueFile m_file;
    bool m_createdFile = false;
    bool m_cancelled = false;
    CHttpConnection m_connection;
    CSpeedSampler m_sampler;
    std::vector<char> m_block;
};
} // namespace Download
} // namespace Content

#include "DownloadWorker.h"

#include "InternetZone.h"
#include "ResumePlan.h"
#include "common/TickClock.h"
#include "common/WideText.h"

namespace Content
{
namespace Download
{

namespace
{
// Always from the server, and never copied into the cache: a download can
// be large, and a cached answer to another range would be the wrong bytes.
// An enclosure host that challenges gets no credentials: WinINet would offer
// the logged-on user's own.
const DWORD RequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTH;
// Room for any valid Content-Length or Content-Range value.
const DWORD HeaderBufferSize = 64;

// A header's text; present with empty text when it exists but does not fit
// the buffer, which no valid value does.
void QueryHeader(HINTERNET request, DWORD info, bool& present, CString& text)
{
    char buffer[HeaderBufferSize] = {};
    DWORD size = sizeof(buffer) - 1;
    if (::HttpQueryInfoA(request, info, buffer, &size, nullptr))
    {
        present = true;
        text = CString(buffer, size);
        return;
    }
    present = ::GetLastError() != ERROR_HTTP_HEADER_NOT_FOUND;
    text.Empty();
}

bool FileSize(HANDLE file, uint64_t& size)
{
    LARGE_INTEGER value;
    if (!::GetFileSizeEx(file, &value) || value.QuadPart < 0)
    {
        return false;
    }
    size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

bool Seek(HANDLE file, uint64_t offset)
{
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(file, distance, nullptr, FILE_BEGIN) != FALSE;
}

bool WriteAll(HANDLE file, const char* data, DWORD length)
{
    while (length > 0)
    {
        DWORD written = 0;
        if (!::WriteFile(file, data, length, &written, nullptr) || written == 0)
        {
            return false;
        }
        data += written;
        length -= written;
    }
    return true;
}
} // namespace

CDownloadWorker::CDownloadWorker(CDownloadJob& job) : m_job(job), m_block(BlockSize) {}

bool CDownloadWorker::IsKnownComplete() const
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (m_job.m_completeSize == 0 ||
        !::GetFileAttributesExW(Common::Widen(m_job.m_localPath).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    {
        return false;
    }
    const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return size == m_job.m_completeSize;
}

void CDownloadWorker::Run()
{
    if (IsKnownComplete())
    {
        m_job.m_totalSize = m_job.m_completeSize;
        m_job.m_downloaded = m_job.m_completeSize;
        m_job.m_state = CDownloadJob::Finished;
        return;
    }
    if (m_job.m_localPath.IsEmpty())
    {
        m_job.m_state = CDownloadJob::Failed;
        return;
    }
    // No sharing: no other job, and no other program, writes this file
    // while the download runs.
    m_file.reset(::CreateFileW(Common::Widen(m_job.m_localPath).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                               nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file)
    {
        m_job.m_state = CDownloadJob::Failed;
        return;
    }
    m_createdFile = ::GetLastError() != ERROR_ALREADY_EXISTS;

    Step step = Connect;
    for (;;)
    {
        switch (step)
        {
        case Connect:
            step = ConnectStep();
            break;
        case Transfer:
            step = TransferStep();
            break;
        case Wait:
            step = PausedStep();
            break;
        case Fail:
        case Finish:
        case Shutdown:
            Leave(step);
            return;
        }
        if (step == Transfer || step == Wait)
        {
            m_job.m_state = step;
        }
    }
}

CDownloadWorker::Step CDownloadWorker::ConnectStep()
{
    CUrlParts parts;
    uint64_t localSize = 0;
    if (!SplitHttpUrl(m_job.m_url, parts) || !FileSize(m_file.get(), localSize) ||
        !m_connection.Open(parts, m_job.m_access, RequestFlags, GetFetchLimits()))
    {
        return Fail;
    }
    const CString range = RangeHeader(localSize);
    if (!::HttpSendRequestA(m_connection.GetRequest(), range.GetString(), static_cast<DWORD>(-1), nullptr, 0))
    {
        return Fail;
    }

    CReplyHead head;
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!::HttpQueryInfoA(m_connection.GetRequest(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                          &size, nullptr))
    {
        return Fail;
    }
    head.status = status;
    QueryHeader(m_connection.GetRequest(), HTTP_QUERY_CONTENT_LENGTH, head.hasContentLength,
                head.contentLength);
    QueryHeader(m_connection.GetRequest(), HTTP_QUERY_CONTENT_RANGE, head.hasContentRange, head.contentRange);

    const CResumePlan plan = PlanResume(head, localSize);
    switch (plan.action)
    {
    case CResumePlan::Complete:
        m_job.m_totalSize = plan.total;
        m_job.m_downloaded = plan.total;
        return Finish;
    case CResumePlan::Write:
        if (!Seek(m_file.get(), plan.offset) || (plan.truncate && !::SetEndOfFile(m_file.get())))
        {
            return Fail;
        }
        m_job.m_totalSize = plan.total;
        m_job.m_downloaded = plan.offset;
        m_sampler.Restart(Common::TickCount(), plan.offset);
        return Transfer;
    case CResumePlan::Fail:
    default:
        return Fail;
    }
}

CDownloadWorker::Step CDownloadWorker::TransferStep()
{
    const uint64_t downloaded = m_job.m_downloaded;
    if (m_sampler.Sample(Common::TickCount(), downloaded))
    {
        m_job.m_speed = m_sampler.GetSpeed();
    }

    // A plain read waits until its whole buffer is filled: a slow server
    // would hold back the progress, and a pause or cancel, until a whole
    // block had come in. So the read takes what has arrived, up to a
    // block, and waits for more only when nothing has.
    INTERNET_BUFFERSA buffers = {};
    buffers.dwStructSize = sizeof(buffers);
    buffers.lpvBuffer = m_block.data();
    buffers.dwBufferLength = BlockSize;
    bool readOk = ::InternetReadFileExA(m_connection.GetRequest(), &buffers, IRF_NO_WAIT, 0) != FALSE;
    DWORD read = readOk ? buffers.dwBufferLength : 0;
    bool ended = false;
    if (readOk && read == 0)
    {
        DWORD available = 0;
        readOk = ::InternetQueryDataAvailable(m_connection.GetRequest(), &available, 0, 0) != FALSE;
        ended = available == 0;
    }
    bool broken = false;
    if (readOk && read > 0)
    {
        // Never more than the announced size: bytes beyond it are not the
        // file's.
        if (read > m_job.m_totalSize - downloaded || !WriteAll(m_file.get(), m_block.data(), read))
        {
            broken = true;
        }
        else
        {
            m_job.m_downloaded = downloaded + read;
        }
    }

    const Step requested = Requested();
    if (requested == Fail)
    {
        m_cancelled = true;
        return Fail;
    }
    if (broken)
    {
        return Fail;
    }
    if (requested != Transfer)
    {
        return requested;
    }
    if (!readOk || ended)
    {
        // A read that failed, or a connection closed early, leaves the file
        // short: that is no finished download.
        return m_job.m_downloaded == m_job.m_totalSize ? Finish : Fail;
    }
    return Transfer;
}

CDownloadWorker::Step CDownloadWorker::Requested() const
{
    // One call for the three, once per block: under Wine each wait is a
    // round trip to the server process. The lowest signalled index wins.
    const HANDLE events[] = {m_job.m_cancelEvent.get(), m_job.m_pauseEvent.get(),
                             m_job.m_shutdownEvent.get()};
    switch (::WaitForMultipleObjects(3, events, FALSE, 0))
    {
    case WAIT_OBJECT_0:
        return Fail;
    case WAIT_OBJECT_0 + 1:
        return Wait;
    case WAIT_OBJECT_0 + 2:
        return Shutdown;
    default:
        return Transfer;
    }
}

CDownloadWorker::Step CDownloadWorker::PausedStep()
{
    // A cancel reaches a paused job even when it comes without a resume.
    const HANDLE events[] = {m_job.m_pauseEvent.get(), m_job.m_cancelEvent.get(),
                             m_job.m_shutdownEvent.get()};
    switch (::WaitForMultipleObjects(3, events, FALSE, INFINITE))
    {
    case WAIT_OBJECT_0:
        m_sampler.Restart(Common::TickCount(), m_job.m_downloaded);
        return Transfer;
    case WAIT_OBJECT_0 + 1:
        m_cancelled = true;
        return Fail;
    case WAIT_OBJECT_0 + 2:
        return Shutdown;
    default:
        return Fail;
    }
}

void CDownloadWorker::Leave(Step last)
{
    uint64_t size = 0;
    const bool empty = FileSize(m_file.get(), size) && size == 0;
    m_file.reset();
    if (m_cancelled || (last == Fail && m_createdFile && empty))
    {
        ::DeleteFileW(Common::Widen(m_job.m_localPath).c_str());
    }
    if (last == Finish)
    {
        // Where the volume cannot hold the mark, the file goes unmarked:
        // opening it from the program still asks first when it runs code.
        MarkAsFromInternet(m_job.m_localPath);
    }
    m_connection.Close();
    // Published last: whoever sees Failed or Finished finds the file closed
    // (and, after a cancel, gone).
    if (last != Shutdown)
    {
        m_job.m_state = last;
    }
}
} // namespace Download
} // namespace Content

#include "DownloadsTab.h"

#include "ByteSize.h"
#include "content/UnicodeText.h"
#include "content/download/DownloadJobList.h"

#include <shellapi.h>

namespace Configuration
{
namespace
{
// Widths in pixels; a column is widened when its widest usual text would
// not fit in the list's font, so "Downloading" is never cut to
// "Downloadi...".
const struct
{
    const char* header;
    int width; // 0: fitted to the rows after filling
    const char* widest[2];
} Columns[] = {{"URL", 0, {"", ""}},
               {"Status", 75, {"Initializing", "Downloading"}},
               {"Downloaded", 100, {"1023.99 MB's (100%)", ""}},
               {"Speed", 75, {"9999.9 Kb/s", ""}},
               {"Total", 75, {"1023.99 MB's", ""}}};
// The room a cell leaves around its text, as for the headers.
const int CellMargin = 15;

// Asked by file type only, never by the file: the shell would otherwise
// read the icon out of a downloaded program, and a file not there yet gets
// its type's icon all the same.
const UINT SmallTypeIcon = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES;

// The shell's small system image list, fetched once for the process. The
// list view shares it (LVS_SHAREIMAGELISTS in the template) and never
// destroys it.
HIMAGELIST SystemSmallImageList()
{
    static const HIMAGELIST list = []
    {
        SHFILEINFOA info = {};
        return reinterpret_cast<HIMAGELIST>(
            ::SHGetFileInfoA("file.txt", FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), SmallTypeIcon));
    }();
    return list;
}

int SmallIconIndex(const CString& path)
{
    SHFILEINFOA info = {};
    return ::SHGetFileInfoA(path.GetString(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), SmallTypeIcon) != 0
               ? info.iIcon
               : -1;
}

// Holds the refresh back while a button's action changes jobs and rows.
class CRefreshHold
{
public:
    explicit CRefreshHold(int& flag) : m_flag(flag), m_saved(flag) { m_flag = 0; }
    ~CRefreshHold() { m_flag = m_saved; }
    CRefreshHold(const CRefreshHold&) = delete;
    CRefreshHold& operator=(const CRefreshHold&) = delete;

private:
    int& m_flag;
    const int m_saved;
};
} // namespace

CDownloadsTab::CDownloadsTab() : CDownloadsTab(DownloadJobs()) {}

CDownloadsTab::CDownloadsTab(CDownloadJobList& jobs) : CPropertyPage(IDD), m_jobs(jobs) {}

bool CDownloadsTab::OnInitDialog()
{
    m_list.Attach(Item(IDC_DOWNLOAD_LIST));
    for (int column = 0; column < static_cast<int>(sizeof(Columns) / sizeof(Columns[0])); ++column)
    {
        m_list.InsertColumn(column, Columns[column].header);
        int width = Columns[column].width;
        if (width == 0)
        {
            continue;
        }
        for (const char* text : Columns[column].widest)
        {
            const int fitted = m_list.GetStringWidth(text) + CellMargin;
            width = fitted > width ? fitted : width;
        }
        m_list.SetColumnWidth(column, width);
    }
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    m_list.SetImageList(SystemSmallImageList(), LVSIL_SMALL);
    m_refresh = 0;
    return true;
}

void CDownloadsTab::OnSetActive()
{
    Fill();
}

void CDownloadsTab::OnKillActive()
{
    ::KillTimer(m_hWnd, RefreshTimer);
    m_refresh = 0;
}

bool CDownloadsTab::OnCommand(WORD code, WORD id, HWND)
{
    if (code != BN_CLICKED)
    {
        return false;
    }
    switch (id)
    {
    case IDC_DOWNLOAD_PAUSE:
        PauseOrResume();
        return true;
    case IDC_DOWNLOAD_CANCEL:
        CancelSelected();
        return true;
    case IDC_DOWNLOAD_CLEAR:
        ClearEnded();
        return true;
    case IDC_DOWNLOAD_OPEN:
        OpenSelected();
        return true;
    default:
        return false;
    }
}

bool CDownloadsTab::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom != IDC_DOWNLOAD_LIST || header.code != LVN_ITEMCHANGED)
    {
        return false;
    }
    UpdateButtons();
    result = 0;
    return true;
}

void CDownloadsTab::OnTimer(UINT_PTR id)
{
    if (id == RefreshTimer && m_refresh == 1)
    {
        Refresh();
    }
}

void CDownloadsTab::OnDestroy()
{
    ::KillTimer(m_hWnd, RefreshTimer);
    m_refresh = 0;
    m_list.Attach(nullptr);
}

void CDownloadsTab::Fill()
{
    m_refresh = 0;
    m_list.DeleteAllItems();
    // The count is read again for every row: the panel may add a job
    // meanwhile, and the row for it is simply one more.
    for (unsigned i = 0; i != m_jobs.JobCount(); ++i)
    {
        CDownloadJob* job = m_jobs.JobAt(i);
        if (job == nullptr)
        {
            break;
        }
        // An enclosure's URL holds the file's name in its own script when
        // the feed gave it in UTF-8.
        const CString& url = job->GetUrl();
        const int image = SmallIconIndex(job->GetLocalPath());
        if (Content::IsWellFormedUtf8(url))
        {
            m_list.InsertItemUtf8(static_cast<int>(i), url, image, reinterpret_cast<LPARAM>(job));
        }
        else
        {
            m_list.InsertItem(static_cast<int>(i), url, image, reinterpret_cast<LPARAM>(job));
        }
    }
    // Never narrower than its header, even without rows.
    m_list.SetColumnWidth(0, LVSCW_AUTOSIZE_USEHEADER);
    m_refresh = 1;
    // Filled in at once rather than a second later, when the timer first
    // fires.
    Refresh();
    ::SetTimer(m_hWnd, RefreshTimer, RefreshPeriod, nullptr);
}

void CDownloadsTab::Refresh()
{
    // Unchanged texts are not written again: each write repaints its row.
    auto set = [this](int row, int column, const CString& text)
    {
        if (m_list.GetItemText(row, column) != text)
        {
            m_list.SetItemText(row, column, text);
        }
    };
    for (int row = m_list.GetItemCount() - 1; row >= 0; --row)
    {
        const CDownloadJob* job = RowJob(row);
        if (job == nullptr)
        {
            m_list.DeleteItem(row);
            continue;
        }
        const int state = job->GetState();
        // Column 0, the URL, is a job's for good: Fill wrote it, in its own
        // script where it is UTF-8, which an ANSI write would spoil.
        set(row, 1, CDownloadJob::StateText(state));
        const bool downloading = state == CDownloadJob::Downloading;
        const uint64_t total = job->GetTotalSize();
        set(row, 2, downloading ? FormatProgress(job->GetDownloaded(), total) : CString());
        set(row, 3,
            downloading ? CString::Format("%.1f Kb/s", static_cast<double>(job->GetSpeed())) : CString());
        set(row, 4, downloading && total != 0 ? FormatByteSize(total) : CString());
    }
    // Text writes need not notify a change of the row: the buttons follow
    // the selected job's state from here as well.
    UpdateButtons();
}

void CDownloadsTab::UpdateButtons()
{
    const int row = m_list.GetSelectedIndex();
    const CDownloadJob* job = row >= 0 ? RowJob(row) : nullptr;
    const int state = job != nullptr ? job->GetState() : -1;
    const bool running = state == CDownloadJob::Downloading || state == CDownloadJob::Paused;
    EnableItem(IDC_DOWNLOAD_PAUSE, running);
    const char* const pauseText = state == CDownloadJob::Paused ? "Resume" : "Pause";
    if (ItemText(IDC_DOWNLOAD_PAUSE, 16) != CString(pauseText))
    {
        SetItemText(IDC_DOWNLOAD_PAUSE, pauseText);
    }
    EnableItem(IDC_DOWNLOAD_CANCEL, running);
    EnableItem(IDC_DOWNLOAD_OPEN, state == CDownloadJob::Finished);
}

CDownloadJob* CDownloadsTab::RowJob(int row)
{
    auto* job = reinterpret_cast<CDownloadJob*>(m_list.GetItemData(row));
    // Only this thread removes jobs, so a job found in the list stays valid
    // until this thread itself removes it.
    return job != nullptr && m_jobs.Contains(job) ? job : nullptr;
}

CDownloadJob* CDownloadsTab::TakeSelectedJob()
{
    const int row = m_list.GetSelectedIndex();
    if (row < 0)
    {
        return nullptr;
    }
    CDownloadJob* job = RowJob(row);
    if (job == nullptr)
    {
        m_list.DeleteItem(row);
        UpdateButtons();
    }
    return job;
}

void CDownloadsTab::PauseOrResume()
{
    CRefreshHold hold(m_refresh);
    if (CDownloadJob* job = TakeSelectedJob())
    {
        if (!job->Pause())
        {
            job->Resume();
        }
    }
}

void CDownloadsTab::CancelSelected()
{
    CRefreshHold hold(m_refresh);
    CDownloadJob* job = TakeSelectedJob();
    if (job != nullptr &&
        (job->GetState() == CDownloadJob::Downloading || job->GetState() == CDownloadJob::Paused))
    {
        job->Cancel();
    }
}

void CDownloadsTab::ClearEnded()
{
    CRefreshHold hold(m_refresh);
    // From the last row up: deleting a row moves only the rows after it,
    // which have been visited already, so two ended rows in a row both go.
    for (int row = m_list.GetItemCount() - 1; row >= 0; --row)
    {
        CDownloadJob* job = RowJob(row);
        // RemoveJob refuses a job whose worker still runs.
        if (job == nullptr || m_jobs.RemoveJob(job))
        {
            m_list.DeleteItem(row);
        }
    }
    UpdateButtons();
}

void CDownloadsTab::OpenSelected()
{
    if (const CDownloadJob* job = TakeSelectedJob())
    {
        job->Open(m_hWnd);
    }
}
} // namespace Configuration

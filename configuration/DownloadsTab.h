// The Downloads page: the enclosure downloads with their progress; pause,
// resume, cancel, clear and open. Each row holds its job's pointer as item
// data, so rows and jobs stay tied whatever their positions.
#pragma once

#include "framework/Controls.h"
#include "framework/PropertyPage.h"
#include "resources/resource.h"

namespace Content
{
namespace Download
{
class CDownloadJob;
class CDownloadJobList;
} // namespace Download
} // namespace Content

namespace Configuration
{
class CDownloadsTab : public Framework::CPropertyPage
{
public:
    enum
    {
        IDD = IDD_DOWNLOADS
    };
    static const UINT_PTR RefreshTimer = 4;
    static const UINT RefreshPeriod = 1000;

    // The process's job list.
    CDownloadsTab();
    explicit CDownloadsTab(Content::Download::CDownloadJobList& jobs);

protected:
    bool OnInitDialog() override;
    void OnSetActive() override;
    void OnKillActive() override;
    bool OnCommand(WORD code, WORD id, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;

private:
    void Fill();
    void Refresh();
    void UpdateButtons();
    // The row's job while it is still in the list, else null.
    Content::Download::CDownloadJob* RowJob(int row);
    // The selected row's job; a row whose job has left the list is
    // dropped. Null without a selection.
    Content::Download::CDownloadJob* TakeSelectedJob();
    void PauseOrResume();
    void CancelSelected();
    void ClearEnded();
    void OpenSelected();

    Content::Download::CDownloadJobList& m_jobs;
    Framework::CListView m_list;
    // The timer updates rows only while this is 1: from the end of filling,
    // except while a button's action works on the rows.
    int m_refresh = 0;
};
} // namespace Configuration

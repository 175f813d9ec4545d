// The Channels page: the feed channels with their live status; adds,
// removes, switches on or off and edits the selected one. Every edit goes
// straight to the channel's record or its running retriever.
//
// Row i shows the manager's channel i, and carries that retriever's serial
// as its item data. Channels can come and go underneath the page (the sync
// procedure adds and removes them), so every handler checks the serials
// before it acts on a row; when they no longer match it rebuilds the rows
// and leaves the action undone rather than act on the wrong channel.
#pragma once

#include "framework/Controls.h"
#include "framework/PropertyPage.h"
#include "resources/resource.h"

class CChannelManager;
class CChannelRecord;

namespace Content
{
class CAbstractRetriever;
}

namespace Configuration
{
class CChannelsTab : public Framework::CPropertyPage
{
public:
    enum
    {
        IDD = IDD_CHANNELS
    };
    enum : UINT_PTR
    {
        REFRESH_TIMER = 3,
        // Takes the hint beside the address edit away again.
        HINT_TIMER = 4
    };
    static const UINT RefreshPeriod = 1000;
    static const UINT HintPeriod = 6000;
    // The most a channel record keeps of a user name or password.
    static const int CredentialLength = 31;

    explicit CChannelsTab(CChannelManager* channelManager)
        : CPropertyPage(IDD), m_channelManager(channelManager)
    {
    }

protected:
    bool OnInitDialog() override;
    void OnSetActive() override;
    void OnKillActive() override;
    bool OnCommand(WORD code, WORD id, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

private:
    // Posted by list notifications that find the rows stale: the list must
    // not be rebuilt inside its own notification.
    static const UINT RebuildMessage = WM_APP + 1;

    // All rows anew from the manager; the selected channel stays selected
    // when it is still there.
    void Rebuild();
    void Refresh();
    // The retriever of row i if the row still shows it, else null.
    Content::CAbstractRetriever* RowChannel(int row);
    bool RowsMatchChannels();
    // The selected row's channel record, or null when no row is selected;
    // rebuilds the rows (and gives null) when the row is stale.
    CChannelRecord* SelectedRecord();

    void OnItemChanged();
    void StoreCredentials();
    void LoadChannel(const Content::CAbstractRetriever& retriever);
    void ShowIntervalLabel(int minutes);
    // Stores the one field the control holds into the selected channel.
    void StoreField(int id);
    void Add();
    void Remove();
    void ShowHint(const char* title, const char* text, int anchor = IDC_CHANNEL_URL);
    // Channel lists in and out as OPML files, chosen with the standard
    // file dialogs.
    void Import();
    void Export();
    void HideHint();

    CChannelManager* m_channelManager; // not owned
    Framework::CListView m_list;
    Framework::CTrackbar m_interval;
    Framework::CComboBox m_colors;
    Framework::CComboBox m_icons;
    Framework::CBalloonTip m_hint;
    // 1 while list notifications are acted on; 0 while the page itself
    // changes the rows, whose notifications would otherwise reload the
    // controls or start and stop channels half-way.
    int m_listReady = 0;
    // The serial of the channel whose user name and password the edits
    // show; 0 before any channel was loaded.
    LPARAM m_shownChannel = 0;
};
} // namespace Configuration

#include "ChannelsTab.h"

#include "OpmlTransfer.h"
#include "content/AbstractRetriever.h"
#include "content/ChannelManager.h"
#include "content/PollSchedule.h"
#include "core/ChannelRecord.h"
#include "presentation/PanelPainter.h"

#include <commdlg.h>
#include <mbstring.h>

#include <ctime>

using Common::CLockGuard;
using Content::CAbstractRetriever;
using Presentation::CPanelPainter;

namespace Configuration
{
namespace
{
enum Column
{
    NameColumn,
    StatusColumn,
    TimeColumn,
    DisplayedColumn,
    BufferedColumn
};
const char* const ColumnHeaders[] = {"Name", "Status", "Last check time", "Displayed headlines",
                                     "Buffered headlines"};

const int MinInterval = 1;
const int MaxInterval = 60;
const int AddressLength = 1023;
const int RowTextLength = 259;

LPARAM RowData(const CAbstractRetriever& retriever)
{
    return static_cast<LPARAM>(retriever.GetSerial());
}

// Local "%H:%M:%S" (or another format); empty for a channel never checked,
// which would otherwise show the start of 1970 in the local time zone.
CString CheckTimeText(int64_t seconds, const char* format = "%H:%M:%S")
{
    const __time64_t time = seconds;
    struct tm local = {};
    char text[32] = {};
    if (seconds <= 0 || _localtime64_s(&local, &time) != 0 ||
        std::strftime(text, sizeof(text), format, &local) == 0)
    {
        return CString();
    }
    return CString(text);
}

// The state's text, and for a channel whose polls fail why and when it is
// asked next; a channel switched off because its feed is gone says so.
CString StatusText(const CAbstractRetriever& retriever, int state)
{
    CString text = CAbstractRetriever::StateText(state);
    const CChannelRecord* record = retriever.GetChannel();
    if (record == nullptr)
    {
        return text;
    }
    const CChannelRecord::CPollFailure failure = record->GetPollFailure();
    if (failure.count != 0 && (state == CAbstractRetriever::Error ||
                               (state == CAbstractRetriever::Stopped && failure.status == 410)))
    {
        text += ": ";
        text +=
            Content::FailureStatusText(failure.status, CheckTimeText(failure.nextCheck, "%H:%M").GetString())
                .c_str();
    }
    return text;
}

CString Number(int value)
{
    char text[16];
    wsprintfA(text, "%d", value);
    return CString(text);
}

int CompareKeys(const CString& left, const CString& right)
{
    // The manager sorts its channels by this comparison; the rows must too.
    return _mbscmp(reinterpret_cast<const unsigned char*>(left.GetString()),
                   reinterpret_cast<const unsigned char*>(right.GetString()));
}
} // namespace

bool CChannelsTab::OnInitDialog()
{
    m_listReady = 0;
    m_list.Attach(Item(IDC_CHANNEL_LIST));
    m_interval.Attach(Item(IDC_POLLING_INTERVAL));
    m_colors.Attach(Item(IDC_CHANNEL_COLOR));
    m_icons.Attach(Item(IDC_CHANNEL_ICON));

    // The painter's own tables, so a stored index always means what is shown.
    for (DWORD index = 0; const char* name = CPanelPainter::SchemeName(index); ++index)
    {
        m_colors.AddString(name);
    }
    for (DWORD index = 0; const char* name = CPanelPainter::IconName(index); ++index)
    {
        m_icons.AddString(name);
    }
    m_colors.SetCurSel(0);
    m_icons.SetCurSel(0);
    m_interval.SetRange(MinInterval, MaxInterval);

    for (int column = NameColumn; column <= BufferedColumn; ++column)
    {
        m_list.InsertColumn(column, ColumnHeaders[column]);
    }
    m_list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);

    // The record keeps 31 characters; longer text would look stored and be
    // cut at the next start.
    ::SendDlgItemMessageA(m_hWnd, IDC_CHANNEL_USERNAME, EM_LIMITTEXT, CredentialLength, 0);
    ::SendDlgItemMessageA(m_hWnd, IDC_CHANNEL_PASSWORD, EM_LIMITTEXT, CredentialLength, 0);
    m_hint.Create(m_hWnd);
    m_listReady = 1;
    return true;
}

bool CChannelsTab::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        LRESULT& result)
{
    if (message == RebuildMessage)
    {
        if (m_list)
        {
            Rebuild();
        }
        result = 0;
        return true;
    }
    return CPropertyPage::ProcessWindowMessage(window, message, wParam, lParam, result);
}

void CChannelsTab::OnSetActive()
{
    Rebuild();
    ::SetTimer(m_hWnd, REFRESH_TIMER, RefreshPeriod, nullptr);
}

void CChannelsTab::OnKillActive()
{
    ::KillTimer(m_hWnd, REFRESH_TIMER);
    HideHint();
}

void CChannelsTab::OnDestroy()
{
    StoreCredentials();
    ::KillTimer(m_hWnd, REFRESH_TIMER);
    ::KillTimer(m_hWnd, HINT_TIMER);
    m_hint.Destroy();
    m_list.Attach(nullptr);
    m_interval.Attach(nullptr);
    m_colors.Attach(nullptr);
    m_icons.Attach(nullptr);
}

bool CChannelsTab::OnCommand(WORD code, WORD id, HWND)
{
    switch (id)
    {
    case IDC_CHANNEL_ADD:
        Add();
        return true;
    case IDC_CHANNEL_REMOVE:
        Remove();
        return true;
    case IDC_CHANNEL_IMPORT:
        Import();
        return true;
    case IDC_CHANNEL_EXPORT:
        Export();
        return true;
    case IDC_REPEAT_HEADLINES:
        if (code == BN_CLICKED)
        {
            StoreField(id);
        }
        return true;
    case IDC_CHANNEL_COLOR:
    case IDC_CHANNEL_ICON:
        if (code == CBN_SELCHANGE)
        {
            StoreField(id);
        }
        return true;
    case IDC_CHANNEL_URL:
        if (code == EN_CHANGE)
        {
            HideHint(); // the user is correcting the address
        }
        return true;
    default:
        return false;
    }
}

bool CChannelsTab::OnNotify(const NMHDR& header, LRESULT& result)
{
    if (header.idFrom == IDC_CHANNEL_LIST && header.code == LVN_ITEMCHANGING)
    {
        // Whatever m_listReady says: the edits must reach their channel
        // before the controls are loaded with another.
        StoreCredentials();
        result = FALSE; // allow the change
        return true;
    }
    if (header.idFrom == IDC_CHANNEL_LIST && header.code == LVN_ITEMCHANGED)
    {
        if (m_listReady != 0)
        {
            OnItemChanged();
        }
        return true;
    }
    if (header.idFrom == IDC_POLLING_INTERVAL && header.code == NM_RELEASEDCAPTURE)
    {
        // Only the released mouse stores: keyboard steps change nothing.
        StoreField(IDC_POLLING_INTERVAL);
        return true;
    }
    return false;
}

void CChannelsTab::OnTimer(UINT_PTR id)
{
    if (id == REFRESH_TIMER)
    {
        Refresh();
    }
    else if (id == HINT_TIMER)
    {
        HideHint();
    }
}

CAbstractRetriever* CChannelsTab::RowChannel(int row)
{
    if (row < 0)
    {
        return nullptr;
    }
    CAbstractRetriever* retriever = m_channelManager->ChannelAt(static_cast<unsigned>(row));
    return retriever != nullptr && RowData(*retriever) == m_list.GetItemData(row) ? retriever : nullptr;
}

bool CChannelsTab::RowsMatchChannels()
{
    const int rows = m_list.GetItemCount();
    if (static_cast<unsigned>(rows) != m_channelManager->ChannelCount())
    {
        return false;
    }
    for (int row = 0; row < rows; ++row)
    {
        if (RowChannel(row) == nullptr)
        {
            return false;
        }
    }
    return true;
}

CChannelRecord* CChannelsTab::SelectedRecord()
{
    const int row = m_list.GetSelectedIndex();
    if (row < 0)
    {
        return nullptr;
    }
    CAbstractRetriever* retriever = RowChannel(row);
    if (retriever == nullptr)
    {
        Rebuild(); // stale rows: show the channels as they are, change nothing
        return nullptr;
    }
    return retriever->GetChannel();
}

void CChannelsTab::Rebuild()
{
    // Index access leaves the manager locked; the guard's end frees it.
    CLockGuard guard(*m_channelManager);
    const int selected = m_list.GetSelectedIndex();
    const LPARAM selectedSerial = selected >= 0 ? m_list.GetItemData(selected) : 0;
    m_listReady = 0;
    m_list.DeleteAllItems();
    for (unsigned index = 0; index < m_channelManager->ChannelCount(); ++index)
    {
        const CAbstractRetriever* retriever = m_channelManager->ChannelAt(index);
        const CString* key = m_channelManager->ChannelKeyAt(index);
        if (retriever == nullptr || key == nullptr)
        {
            break;
        }
        const CString title = retriever->GetTitle();
        // Feed titles are UTF-8; an address is what the user typed, in ANSI.
        const int row = title.IsEmpty()
                            ? m_list.InsertItem(static_cast<int>(index), *key, -1, RowData(*retriever))
                            : m_list.InsertItemUtf8(static_cast<int>(index), title, -1, RowData(*retriever));
        const CChannelRecord* record = retriever->GetChannel();
        m_list.SetCheck(row, record != nullptr && record->GetEnabled());
        if (selected >= 0 && RowData(*retriever) == selectedSerial)
        {
            // The controls still show this channel; keep it selected.
            m_list.Select(row);
        }
    }
    m_list.SetColumnWidth(NameColumn, LVSCW_AUTOSIZE);
    m_listReady = 1;
}

void CChannelsTab::Refresh()
{
    CLockGuard guard(*m_channelManager);
    if (!RowsMatchChannels())
    {
        Rebuild();
    }
    const int rows = m_list.GetItemCount();
    for (int row = 0; row < rows; ++row)
    {
        const CAbstractRetriever* retriever = m_channelManager->ChannelAt(static_cast<unsigned>(row));
        if (retriever == nullptr)
        {
            break;
        }
        // A row that shows the address switches to the feed's own title
        // once the feed has been read.
        const CString title = retriever->GetTitle();
        if (!title.IsEmpty() && title != m_list.GetItemTextUtf8(row, NameColumn, RowTextLength))
        {
            m_list.SetItemTextUtf8(row, NameColumn, title);
        }
        const int state = retriever->GetState();
        if (state >= CAbstractRetriever::Initializing && state <= CAbstractRetriever::Stopped)
        {
            m_list.SetItemText(row, StatusColumn, StatusText(*retriever, state));
            m_list.SetColumnWidth(StatusColumn, state == CAbstractRetriever::Initializing
                                                    ? LVSCW_AUTOSIZE
                                                    : LVSCW_AUTOSIZE_USEHEADER);
        }
        // Other states keep the time of the last check that succeeded.
        if (state == CAbstractRetriever::Idle)
        {
            m_list.SetItemText(row, TimeColumn, CheckTimeText(retriever->GetLastCheckTime()));
        }
        m_list.SetItemText(row, DisplayedColumn, Number(retriever->GetDisplayedHeadlines()));
        m_list.SetItemText(row, BufferedColumn, Number(retriever->GetBufferedHeadlines()));
    }
}

void CChannelsTab::OnItemChanged()
{
    CLockGuard guard(*m_channelManager);
    if (!RowsMatchChannels())
    {
        ::PostMessageA(m_hWnd, RebuildMessage, 0, 0);
        return;
    }
    if (const CAbstractRetriever* selected = RowChannel(m_list.GetSelectedIndex()))
    {
        LoadChannel(*selected);
    }
    // Whatever changed, each row's check box decides whether its channel
    // runs: a click on a box starts or stops that channel at once.
    const int rows = m_list.GetItemCount();
    for (int row = 0; row < rows; ++row)
    {
        CAbstractRetriever* retriever = m_channelManager->ChannelAt(static_cast<unsigned>(row));
        CChannelRecord* record = retriever != nullptr ? retriever->GetChannel() : nullptr;
        if (record == nullptr)
        {
            continue;
        }
        const bool checked = m_list.GetCheck(row);
        const bool stopped = retriever->GetState() == CAbstractRetriever::Stopped;
        if (checked && stopped)
        {
            record->SetEnabled(true);
            retriever->Start(0);
        }
        else if (!checked && !stopped)
        {
            record->SetEnabled(false);
            retriever->Stop();
        }
    }
}

void CChannelsTab::StoreCredentials()
{
    if (!m_list || m_shownChannel == 0)
    {
        return;
    }
    CLockGuard guard(*m_channelManager);
    // The edits go to the channel they were loaded from, found by serial:
    // the list may already report the next row as selected when it asks
    // about the old one.
    const CAbstractRetriever* retriever = RowChannel(m_list.FindItemData(m_shownChannel));
    if (CChannelRecord* record = retriever != nullptr ? retriever->GetChannel() : nullptr)
    {
        record->SetUsername(ItemText(IDC_CHANNEL_USERNAME, CredentialLength));
        record->SetPassword(ItemText(IDC_CHANNEL_PASSWORD, CredentialLength));
    }
}

void CChannelsTab::LoadChannel(const CAbstractRetriever& retriever)
{
    const CChannelRecord* record = retriever.GetChannel();
    if (record == nullptr)
    {
        return;
    }
    m_shownChannel = RowData(retriever);
    SetItemText(IDC_CHANNEL_USERNAME, record->GetUsername());
    SetItemText(IDC_CHANNEL_PASSWORD, record->GetPassword());
    Check(IDC_REPEAT_HEADLINES, record->GetRepeatHeadlines());
    m_interval.SetPos(static_cast<int>(record->GetPollingInterval()));
    ShowIntervalLabel(m_interval.GetPos());
    m_colors.SetCurSel(static_cast<int>(record->GetColor()));
    m_icons.SetCurSel(static_cast<int>(record->GetIcon()));
}

void CChannelsTab::ShowIntervalLabel(int minutes)
{
    char label[32];
    wsprintfA(label, "%d minute(s)", minutes);
    SetItemText(IDC_POLLING_LABEL, label);
}

void CChannelsTab::StoreField(int id)
{
    CLockGuard guard(*m_channelManager);
    CChannelRecord* record = SelectedRecord();
    if (record == nullptr)
    {
        return;
    }
    switch (id)
    {
    case IDC_REPEAT_HEADLINES:
        record->SetRepeatHeadlines(IsChecked(id));
        break;
    case IDC_POLLING_INTERVAL:
        record->SetPollingInterval(static_cast<DWORD>(m_interval.GetPos()));
        ShowIntervalLabel(m_interval.GetPos());
        break;
    case IDC_CHANNEL_COLOR:
        if (m_colors.GetCurSel() >= 0)
        {
            record->SetColor(static_cast<DWORD>(m_colors.GetCurSel()));
        }
        break;
    case IDC_CHANNEL_ICON:
        if (m_icons.GetCurSel() >= 0)
        {
            record->SetIcon(static_cast<DWORD>(m_icons.GetCurSel()));
        }
        break;
    default:
        break;
    }
}

void CChannelsTab::Add()
{
    CLockGuard guard(*m_channelManager);
    const CString key = ItemText(IDC_CHANNEL_URL, AddressLength);
    if (!RowsMatchChannels())
    {
        Rebuild();
    }
    // The row goes where the manager will put the channel: before the first
    // greater key. A key listed already is shown, not added twice.
    const int rows = m_list.GetItemCount();
    int position = rows;
    for (int row = 0; row < rows; ++row)
    {
        const CString* existing = m_channelManager->ChannelKeyAt(static_cast<unsigned>(row));
        const int order = existing != nullptr ? CompareKeys(*existing, key) : 1;
        if (order == 0)
        {
            SetItemText(IDC_CHANNEL_URL, "");
            m_list.Select(row);
            return;
        }
        if (order > 0)
        {
            position = row;
            break;
        }
    }

    if (!m_channelManager->AddChannel(key))
    {
        // The typed text stays, so the user can correct it.
        if (key.IsEmpty())
        {
            ShowHint("Nothing to add", "Type the address of a feed, then click Add.");
        }
        else
        {
            ShowHint(
                "Cannot add this address",
                "A channel's address may not contain \"\\\" or control characters, and may be at most 255 "
                "characters long.");
        }
        return;
    }
    SetItemText(IDC_CHANNEL_URL, "");
    const CAbstractRetriever* retriever = m_channelManager->ChannelAt(static_cast<unsigned>(position));
    if (retriever == nullptr || m_channelManager->ChannelKeyAt(static_cast<unsigned>(position)) == nullptr ||
        *m_channelManager->ChannelKeyAt(static_cast<unsigned>(position)) != key)
    {
        Rebuild(); // not where the rows said it would go: trust the manager
        return;
    }
    m_listReady = 0;
    const int row = m_list.InsertItem(position, key, -1, RowData(*retriever));
    const CChannelRecord* record = retriever->GetChannel();
    m_list.SetCheck(row, record != nullptr && record->GetEnabled());
    m_list.Select(row);
    // The controls show the new channel: left showing the previous one, the
    // next store would copy its user name and password into this one.
    LoadChannel(*retriever);
    m_listReady = 1;
}

void CChannelsTab::Remove()
{
    CLockGuard guard(*m_channelManager);
    const int row = m_list.GetSelectedIndex();
    if (row < 0)
    {
        return;
    }
    if (RowChannel(row) == nullptr)
    {
        Rebuild();
        return;
    }
    m_channelManager->RemoveChannelAt(static_cast<unsigned>(row));
    m_listReady = 0;
    m_list.DeleteItem(row);
    m_listReady = 1;
}

void CChannelsTab::ShowHint(const char* title, const char* text, int anchor)
{
    RECT edit = {};
    ::GetWindowRect(Item(anchor), &edit);
    m_hint.Show(title, text, POINT{edit.left + 24, edit.bottom - 4});
    ::SetTimer(m_hWnd, HINT_TIMER, HintPeriod, nullptr);
}

void CChannelsTab::HideHint()
{
    m_hint.Hide();
    ::KillTimer(m_hWnd, HINT_TIMER);
}
namespace
{
// The standard dialog for an OPML file to read or to write; false when the
// user cancelled.
bool ChooseOpmlFile(HWND owner, bool save, char (&path)[MAX_PATH])
{
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "OPML files (*.opml, *.xml)\0*.opml;*.xml\0All files\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = "opml";
    dialog.lpstrTitle = save ? "Export channels" : "Import channels";
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    return (save ? ::GetSaveFileNameA(&dialog) : ::GetOpenFileNameA(&dialog)) != FALSE;
}
} // namespace

void CChannelsTab::Import()
{
    char path[MAX_PATH] = {};
    if (ChooseOpmlFile(m_hWnd, false, path))
    {
        const COpmlImport result = ImportOpml(*m_channelManager, path);
        Rebuild();
        ShowHint("Import", DescribeImport(result), IDC_CHANNEL_IMPORT);
    }
}

void CChannelsTab::Export()
{
    char path[MAX_PATH] = "channels.opml";
    if (ChooseOpmlFile(m_hWnd, true, path))
    {
        ShowHint("Export",
                 ExportOpml(*m_channelManager, path) ? "The channel list was written."
                                                     : "The file could not be written; nothing was changed.",
                 IDC_CHANNEL_EXPORT);
    }
}
} // namespace Configuration

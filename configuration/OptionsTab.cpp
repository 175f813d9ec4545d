#include "OptionsTab.h"

#include "core/Autorun.h"
#include "core/Settings.h"
#include "sync/SyncProcedure.h"

#include <algorithm>
#include <iterator>

namespace Configuration
{
namespace
{
// The longest texts the settings record reads back after a restart (260- and
// 32-byte registry buffers, the terminating zero included). The edits take
// no more, so what the user sees is what survives.
const int LongText = 259;
const int ShortText = 31;

// In list order; the stored action is the index.
const char* const SyncActions[] = {"Synchronize server to client", "Synchronize client to server"};

// The leading decimal number of text as atoi reads it (spaces, a sign,
// digits; no digits is 0), held within minimum..maximum. atoi itself is
// undefined beyond an int, and a wrapped value would be a port nobody typed.
DWORD LeadingNumber(const char* text, int minimum, int maximum)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
    {
        ++text;
    }
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
    {
        ++text;
    }
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
    {
        value = std::min(value * 10 + (*text - '0'), maximum + 1LL);
    }
    return static_cast<DWORD>(std::clamp(negative ? -value : value, static_cast<long long>(minimum),
                                         static_cast<long long>(maximum)));
}
} // namespace

// One control that shows one setting of the record.
struct COptionsTab::Field
{
    enum Kind
    {
        CheckBox, // stored alone when clicked
        Text,     // an edit, stored with its group when it loses the focus
        Number,   // an edit holding a decimal number, likewise
        Trackbar  // stored with its group when the mouse releases it
    };
    using FlagGetter = bool (CSettings::*)() const;
    using FlagSetter = void (CSettings::*)(bool);
    using TextGetter = CString (CSettings::*)() const;
    using TextSetter = void (CSettings::*)(const CString&);
    using NumberGetter = DWORD (CSettings::*)() const;
    using NumberSetter = void (CSettings::*)(DWORD);

    // Constructor parameters are named apart from the members they set, so
    // that none hides a member (a /W4 warning).
    constexpr Field(int control, FlagGetter get, FlagSetter set)
        : id(control), kind(CheckBox), group(Group::Alone), getFlag(get), setFlag(set)
    {
    }
    constexpr Field(int control, Group storedWith, TextGetter get, TextSetter set, int maxLength)
        : id(control), kind(Text), group(storedWith), getText(get), setText(set), maximum(maxLength)
    {
    }
    constexpr Field(Kind numberKind, int control, Group storedWith, NumberGetter get, NumberSetter set,
                    int lowest, int highest, int label = 0)
        : id(control), kind(numberKind), group(storedWith), getNumber(get), setNumber(set), minimum(lowest),
          maximum(highest), labelId(label)
    {
    }

    int id;
    Kind kind;
    Group group;
    FlagGetter getFlag = nullptr;
    FlagSetter setFlag = nullptr;
    TextGetter getText = nullptr;
    TextSetter setText = nullptr;
    NumberGetter getNumber = nullptr;
    NumberSetter setNumber = nullptr;
    int minimum = 0;
    int maximum = 0; // the range of a number, or the longest text
    int labelId = 0; // a trackbar's "%d second(s)" label
};

const COptionsTab::Field COptionsTab::s_fields[] = {
    {IDC_PROXY_ADDRESS, Group::Proxy, &CSettings::GetProxyAddress, &CSettings::SetProxyAddress, LongText},
    {Field::Number, IDC_PROXY_PORT, Group::Proxy, &CSettings::GetProxyPort, &CSettings::SetProxyPort, 0,
     65535},
    {IDC_CHECK_UPDATES, &CSettings::GetCheckForUpdates, &CSettings::SetCheckForUpdates},
    {IDC_SHOW_TIPS, &CSettings::GetHelpActive, &CSettings::SetHelpActive},
    {IDC_TABBED_BROWSER, &CSettings::GetTabbedBrowser, &CSettings::SetTabbedBrowser},
    {IDC_SYNC_URL, Group::Sync, &CSettings::GetSyncServiceUrl, &CSettings::SetSyncServiceUrl, LongText},
    {IDC_SYNC_USERNAME, Group::Sync, &CSettings::GetSyncServiceUsername, &CSettings::SetSyncServiceUsername,
     ShortText},
    {IDC_SYNC_PASSWORD, Group::Sync, &CSettings::GetSyncServicePassword, &CSettings::SetSyncServicePassword,
     ShortText},
    {Field::Trackbar, IDC_DISPLAY_TIME, Group::Timings, &CSettings::GetPanelDisplayTime,
     &CSettings::SetPanelDisplayTime, 1, 60, IDC_DISPLAY_TIME_LABEL},
    {Field::Trackbar, IDC_DISPLAY_INTERVAL, Group::Timings, &CSettings::GetPanelDisplayInterval,
     &CSettings::SetPanelDisplayInterval, 1, 60, IDC_DISPLAY_INTERVAL_LABEL},
};

// In list order, which is not the order of the values.
const COptionsTab::ConnectionType COptionsTab::s_connectionTypes[] = {
    {"Direct access", CSettings::Direct},
    {"Preconfigured proxy settings", CSettings::Preconfigured},
    {"Preconfigured proxy settings (no autoproxy)", CSettings::PreconfiguredNoAutoProxy},
    {"Explicit proxy", CSettings::Proxy},
};

bool COptionsTab::OnInitDialog()
{
    m_connectionType.Attach(Item(IDC_CONNECTION_TYPE));
    m_syncAction.Attach(Item(IDC_SYNC_ACTION));
    m_syncProgress.Attach(Item(IDC_SYNC_PROGRESS));
    for (const ConnectionType& type : s_connectionTypes)
    {
        m_connectionType.AddString(type.text);
    }
    for (const char* action : SyncActions)
    {
        m_syncAction.AddString(action);
    }

    // A value the list does not know leaves it without a selection.
    const auto known =
        std::find_if(std::begin(s_connectionTypes), std::end(s_connectionTypes),
                     [](const ConnectionType& type) { return type.value == Settings().GetConnectionType(); });
    if (known != std::end(s_connectionTypes))
    {
        m_connectionType.SetCurSel(static_cast<int>(known - std::begin(s_connectionTypes)));
    }
    Check(IDC_AUTORUN, IsAutorunEnabled());
    m_syncAction.SetCurSel(static_cast<int>(Settings().GetSyncAction()));
    m_syncProgress.SetStep(1);
    for (const Field& field : s_fields)
    {
        Show(field);
    }
    EnableProxyEdits();
    return true;
}

bool COptionsTab::OnCommand(WORD code, WORD id, HWND)
{
    if (id == IDC_SYNCHRONIZE)
    {
        // Whatever the notification: the button has no other use.
        return Sync::SyncProcedure(m_hWnd, m_syncAction.GetHandle(), m_syncProgress.GetHandle(),
                                   *m_channelManager) != 0;
    }
    if (code == CBN_SELCHANGE && (id == IDC_CONNECTION_TYPE || id == IDC_SYNC_ACTION))
    {
        StoreGroup(id == IDC_CONNECTION_TYPE ? Group::Proxy : Group::Sync);
        return true;
    }
    if (code == BN_CLICKED && id == IDC_AUTORUN)
    {
        // The autorun value lives outside the settings record, and is
        // written now rather than at exit.
        SetAutorun(IsChecked(IDC_AUTORUN));
        return true;
    }
    for (const Field& field : s_fields)
    {
        if (field.id != id)
        {
            continue;
        }
        if (code == BN_CLICKED && field.kind == Field::CheckBox)
        {
            Store(field);
            return true;
        }
        if (code == EN_KILLFOCUS && (field.kind == Field::Text || field.kind == Field::Number))
        {
            StoreGroup(field.group);
            return true;
        }
    }
    return false;
}

bool COptionsTab::OnNotify(const NMHDR& header, LRESULT& result)
{
    // Keyboard moves send no released capture: neither the label nor the
    // setting follows them until the mouse next releases a trackbar.
    if (header.code != NM_RELEASEDCAPTURE)
    {
        return false;
    }
    for (const Field& field : s_fields)
    {
        if (field.kind == Field::Trackbar && static_cast<UINT_PTR>(field.id) == header.idFrom)
        {
            ShowTrackbarLabel(field);
            StoreGroup(Group::Timings);
            result = 0;
            return true;
        }
    }
    return false;
}

void COptionsTab::OnDestroy()
{
    m_connectionType.Attach(nullptr);
    m_syncAction.Attach(nullptr);
    m_syncProgress.Attach(nullptr);
}

void COptionsTab::Show(const Field& field) const
{
    switch (field.kind)
    {
    case Field::CheckBox:
        Check(field.id, (Settings().*field.getFlag)());
        break;
    case Field::Text:
        ::SendMessageA(Item(field.id), EM_LIMITTEXT, static_cast<WPARAM>(field.maximum), 0);
        SetItemText(field.id, (Settings().*field.getText)());
        break;
    case Field::Number:
        SetItemText(field.id, CString::Format("%d", static_cast<int>((Settings().*field.getNumber)())));
        break;
    case Field::Trackbar:
    {
        const Framework::CTrackbar trackbar(Item(field.id));
        trackbar.SetRange(field.minimum, field.maximum);
        trackbar.SetPos(static_cast<int>((Settings().*field.getNumber)()));
        ShowTrackbarLabel(field);
        break;
    }
    }
}

void COptionsTab::ShowTrackbarLabel(const Field& field) const
{
    SetItemText(field.labelId,
                CString::Format("%d second(s)", Framework::CTrackbar(Item(field.id)).GetPos()));
}

void COptionsTab::Store(const Field& field) const
{
    switch (field.kind)
    {
    case Field::CheckBox:
        (Settings().*field.setFlag)(IsChecked(field.id));
        break;
    case Field::Text:
        (Settings().*field.setText)(ItemText(field.id, field.maximum));
        break;
    case Field::Number:
        (Settings().*
         field.setNumber)(LeadingNumber(ItemText(field.id, LongText), field.minimum, field.maximum));
        break;
    case Field::Trackbar:
        (Settings().*field.setNumber)(static_cast<DWORD>(Framework::CTrackbar(Item(field.id)).GetPos()));
        break;
    }
}

void COptionsTab::StoreGroup(Group group) const
{
    if (group == Group::Proxy)
    {
        // Only reachable without a selection while an unknown stored type is
        // shown; that value then stays as it is.
        const int index = m_connectionType.GetCurSel();
        if (index >= 0 && index < static_cast<int>(std::size(s_connectionTypes)))
        {
            Settings().SetConnectionType(s_connectionTypes[index].value);
        }
    }
    else if (group == Group::Sync)
    {
        Settings().SetSyncAction(static_cast<DWORD>(m_syncAction.GetCurSel()));
    }
    for (const Field& field : s_fields)
    {
        if (field.group == group)
        {
            Store(field);
        }
    }
    if (group == Group::Proxy)
    {
        EnableProxyEdits();
    }
}

void COptionsTab::EnableProxyEdits() const
{
    const bool explicitProxy = Settings().GetConnectionType() == CSettings::Proxy;
    EnableItem(IDC_PROXY_ADDRESS, explicitProxy);
    EnableItem(IDC_PROXY_PORT, explicitProxy);
}
} // namespace Configuration

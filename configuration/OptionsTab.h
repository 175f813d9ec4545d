// The Options page: the global settings (connection, autorun, update check,
// tips, panel timings) and the listing service's account, with its
// "Synchronize" button. Every control writes its setting into the in-memory
// record as soon as it changes; the record reaches the registry on its own,
// at log-off or exit. Only the autorun value is written at once.
#pragma once

#include "framework/Controls.h"
#include "framework/PropertyPage.h"
#include "resources/resource.h"

class CChannelManager;

namespace Configuration
{
class COptionsTab : public Framework::CPropertyPage
{
public:
    enum
    {
        IDD = IDD_OPTIONS
    };

    explicit COptionsTab(CChannelManager* channelManager)
        : CPropertyPage(IDD), m_channelManager(channelManager)
    {
    }

protected:
    bool OnInitDialog() override;
    bool OnCommand(WORD code, WORD id, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    void OnDestroy() override;

private:
    struct Field;
    // The controls that show one setting each, walked by one loop.
    static const Field s_fields[];
    // Connection-type list entries in list order, with the value each stores.
    struct ConnectionType
    {
        const char* text;
        DWORD value;
    };
    static const ConnectionType s_connectionTypes[];

    // Which controls are stored together when one of them changes.
    enum class Group
    {
        Alone,
        Proxy,
        Sync,
        Timings
    };

    void Show(const Field& field) const;
    void ShowTrackbarLabel(const Field& field) const;
    void Store(const Field& field) const;
    void StoreGroup(Group group) const;
    void EnableProxyEdits() const;

    CChannelManager* m_channelManager; // not owned
    Framework::CComboBox m_connectionType;
    Framework::CComboBox m_syncAction;
    Framework::CProgressBar m_syncProgress;
};
} // namespace Configuration

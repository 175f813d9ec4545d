// The process-wide settings record: every global option, loaded from
// HKCU\SOFTWARE\tidelight before the entry point and written back once, at
// log-off or at exit. Numbers are atomic words and strings are guarded by a
// small lock, because worker threads read what the interface thread writes.
#pragma once

#include "common/CString.h"
#include "common/UniqueHandle.h"
#include "core/RegistryStore.h"

#include <windows.h>

#include <atomic>
#include <mutex>

class CSettings
{
public:
    // Loads from the current user's registry (creating the key if needed).
    CSettings();
    // A record that only holds defaults and never touches the registry.
    struct DefaultsOnly
    {
    };
    explicit CSettings(DefaultsOnly);
    // Saves if the key is still open.
    ~CSettings();
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;

    void LoadSettings();
    // Writes every stored value and closes the key; later calls write nothing.
    void SaveSettings();

    // Values of the connection type, used directly as InternetOpen's access type.
    enum ConnectionType : DWORD
    {
        Preconfigured = 0,
        Direct = 1,
        Proxy = 3,
        PreconfiguredNoAutoProxy = 4
    };

    DWORD GetConnectionType() const { return m_connectionType; }
    void SetConnectionType(DWORD value) { m_connectionType = value; }
    CString GetProxyAddress() const { return GetText(m_proxyAddress); }
    void SetProxyAddress(const CString& value) { SetText(m_proxyAddress, value); }
    DWORD GetProxyPort() const { return m_proxyPort; }
    void SetProxyPort(DWORD value) { m_proxyPort = value; }
    // "address:port", what WinINet takes for an explicit proxy.
    CString GetProxyString() const;
    CString GetBrowserCommand() const { return GetText(m_browserCommand); }
    DWORD GetSyncAction() const { return m_syncAction; }
    void SetSyncAction(DWORD value) { m_syncAction = value; }
    CString GetSyncServiceUrl() const { return GetText(m_syncServiceUrl); }
    void SetSyncServiceUrl(const CString& value) { SetText(m_syncServiceUrl, value); }
    CString GetSyncServiceUsername() const { return GetText(m_syncServiceUsername); }
    void SetSyncServiceUsername(const CString& value) { SetText(m_syncServiceUsername, value); }
    // The plain password; only the registry copy is scrambled.
    CString GetSyncServicePassword() const { return GetText(m_syncServicePassword); }
    void SetSyncServicePassword(const CString& value) { SetText(m_syncServicePassword, value); }
    CString GetUpdateServiceUrl() const { return GetText(m_updateServiceUrl); }
    void SetUpdateServiceUrl(const CString& value) { SetText(m_updateServiceUrl, value); }
    bool GetCheckForUpdates() const { return m_checkForUpdates; }
    void SetCheckForUpdates(bool value) { m_checkForUpdates = value; }
    bool GetHelpActive() const { return m_helpActive; }
    void SetHelpActive(bool value) { m_helpActive = value; }
    bool GetFullLayout() const { return m_fullLayout; }
    void SetFullLayout(bool value) { m_fullLayout = value; }
    DWORD GetNewsDisplayed() const { return m_newsDisplayed; }
    void SetNewsDisplayed(DWORD value) { m_newsDisplayed = value; }
    DWORD GetPanelDisplayTime() const { return m_panelDisplayTime; }
    void SetPanelDisplayTime(DWORD value) { m_panelDisplayTime = value; }
    DWORD GetPanelDisplayInterval() const { return m_panelDisplayInterval; }
    void SetPanelDisplayInterval(DWORD value) { m_panelDisplayInterval = value; }
    bool GetTabbedBrowser() const { return m_tabbedBrowser; }
    void SetTabbedBrowser(bool value) { m_tabbedBrowser = value; }
    DWORD GetMaxHistorySize() const { return m_maxHistorySize; }

    static const char* const DefaultSyncServiceUrl;
    static const char* const DefaultUpdateServiceUrl;

private:
    // Every stored value, in the order a save writes them.
    Registry::CStoredValues Values();
    CString GetText(const CString& field) const;
    void SetText(CString& field, const CString& value);

    Common::CUniqueKey m_key;
    std::atomic<DWORD> m_connectionType;
    CString m_proxyAddress;
    std::atomic<DWORD> m_proxyPort;
    CString m_browserCommand;
    std::atomic<DWORD> m_syncAction;
    CString m_syncServiceUrl;
    CString m_syncServiceUsername;
    CString m_syncServicePassword;
    CString m_updateServiceUrl;
    std::atomic<bool> m_checkForUpdates;
    std::atomic<bool> m_helpActive;
    std::atomic<bool> m_fullLayout;
    std::atomic<DWORD> m_newsDisplayed;
    std::atomic<DWORD> m_panelDisplayTime;
    std::atomic<DWORD> m_panelDisplayInterval;
    std::atomic<bool> m_tabbedBrowser;
    std::atomic<DWORD> m_maxHistorySize;

    // Guards the string fields: a worker copying a string while the
    // interface thread replaces it would otherwise read a freed buffer.
    mutable std::mutex m_textLock;
};

// The one record of the process, with static lifetime.
CSettings& Settings();

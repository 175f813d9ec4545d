#include "Settings.h"

#include "Registry.h"

namespace
{
const REGSAM RootKeyAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;
const size_t LongText = 260;
const size_t ShortText = 32;
} // namespace

const char* const CSettings::DefaultSyncServiceUrl = "http://live.tidelight.org/";
const char* const CSettings::DefaultUpdateServiceUrl = "http://update.tidelight.org/";

// One row per registry value, in the order a save writes them. Load, save
// and the defaults all walk this table, so a new setting is one line here.
Registry::CStoredValues CSettings::Values()
{
    using Registry::CStoredValue;
    return {
        {"connectionType", m_connectionType, Preconfigured},
        {"proxyAddress", m_proxyAddress, LongText, ""},
        {"proxyPort", m_proxyPort, 8080},
        {"syncAction", m_syncAction, 0},
        {"syncServiceUrl", m_syncServiceUrl, LongText, DefaultSyncServiceUrl},
        {"syncServiceUsername", m_syncServiceUsername, ShortText, ""},
        {"syncServicePassword", m_syncServicePassword, ShortText, "", CStoredValue::Scrambled},
        {"updateServiceUrl", m_updateServiceUrl, LongText, DefaultUpdateServiceUrl},
        {"checkForUpdates", m_checkForUpdates, true},
        {"helpActive", m_helpActive, true},
        {"fullLayout", m_fullLayout, true},
        {"newsDisplayed", m_newsDisplayed, 0},
        {"panelDisplayInterval", m_panelDisplayInterval, 10},
        {"panelDisplayTime", m_panelDisplayTime, 7},
        {"tabbedBrowser", m_tabbedBrowser, false},
        {"maxHistorySize", m_maxHistorySize, 8, CStoredValue::ReadOnly},
    };
}

CSettings::CSettings() : CSettings(DefaultsOnly())
{
    LoadSettings();
}

CSettings::CSettings(DefaultsOnly)
{
    std::lock_guard<std::mutex> guard(m_textLock);
    Registry::Reset(Values());
}

CSettings::~CSettings()
{
    SaveSettings();
}

void CSettings::LoadSettings()
{
    if (!m_key)
    {
        m_key = Registry::OpenOrCreate(HKEY_CURRENT_USER, Registry::RootPath, RootKeyAccess);
    }
    if (m_key)
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        Registry::Load(m_key.get(), Values());
    }

    CString browserCommand;
    Common::CUniqueKey commandKey;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, "HTTP\\shell\\open\\command", 0, KEY_READ, commandKey.put()) ==
        ERROR_SUCCESS)
    {
        Registry::ReadString(commandKey.get(), nullptr, LongText, browserCommand);
    }
    SetText(m_browserCommand, browserCommand);
}

void CSettings::SaveSettings()
{
    if (!m_key)
    {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        Registry::Save(m_key.get(), Values());
    }
    m_key.reset();
}

CString CSettings::GetProxyString() const
{
    return CString::Format("%s:%lu", GetProxyAddress().GetString(), static_cast<unsigned long>(GetProxyPort()));
}

CString CSettings::GetText(const CString& field) const
{
    std::lock_guard<std::mutex> guard(m_textLock);
    return field;
}

void CSettings::SetText(CString& field, const CString& value)
{
    CString previous;
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        previous = field;
        field = value;
    }
    // previous may be the last reference; it is freed here, outside the lock.
}

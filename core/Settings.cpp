#include "Settings.h"

#include "Registry.h"
#include "common/PasswordScrambler.h"

namespace
{
const char RootKeyPath[] = "SOFTWARE\\tidelight";
const REGSAM RootKeyAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;
const size_t LongText = 260;
const size_t ShortText = 32;
} // namespace

const char* const CSettings::DefaultSyncServiceUrl = "http://live.tidelight.org/";
const char* const CSettings::DefaultUpdateServiceUrl = "http://update.tidelight.org/";

// One row per registry value, in the order a save writes them. Load and save
// both walk this table, so a new setting is one line here.
struct CSettings::Row
{
    enum Kind
    {
        Number,
        Boolean,
        Text,
        Password,
        NumberReadOnly // read at load, never written
    };
    const char* name;
    Kind kind;
    std::atomic<DWORD> CSettings::*number;
    CString CSettings::*text;
    DWORD defaultNumber;
    const char* defaultText;
    size_t bufferBytes;
};

const CSettings::Row CSettings::s_rows[] = {
    {"connectionType", Row::Number, &CSettings::m_connectionType, nullptr, Preconfigured, nullptr, 0},
    {"proxyAddress", Row::Text, nullptr, &CSettings::m_proxyAddress, 0, "", LongText},
    {"proxyPort", Row::Number, &CSettings::m_proxyPort, nullptr, 8080, nullptr, 0},
    {"syncAction", Row::Number, &CSettings::m_syncAction, nullptr, 0, nullptr, 0},
    {"syncServiceUrl", Row::Text, nullptr, &CSettings::m_syncServiceUrl, 0, DefaultSyncServiceUrl, LongText},
    {"syncServiceUsername", Row::Text, nullptr, &CSettings::m_syncServiceUsername, 0, "", ShortText},
    {"syncServicePassword", Row::Password, nullptr, &CSettings::m_syncServicePassword, 0, "", ShortText},
    {"updateServiceUrl", Row::Text, nullptr, &CSettings::m_updateServiceUrl, 0, DefaultUpdateServiceUrl,
     LongText},
    {"checkForUpdates", Row::Boolean, &CSettings::m_checkForUpdates, nullptr, 1, nullptr, 0},
    {"helpActive", Row::Boolean, &CSettings::m_helpActive, nullptr, 1, nullptr, 0},
    {"fullLayout", Row::Boolean, &CSettings::m_fullLayout, nullptr, 1, nullptr, 0},
    {"newsDisplayed", Row::Number, &CSettings::m_newsDisplayed, nullptr, 0, nullptr, 0},
    {"panelDisplayInterval", Row::Number, &CSettings::m_panelDisplayInterval, nullptr, 10, nullptr, 0},
    {"panelDisplayTime", Row::Number, &CSettings::m_panelDisplayTime, nullptr, 7, nullptr, 0},
    {"tabbedBrowser", Row::Boolean, &CSettings::m_tabbedBrowser, nullptr, 0, nullptr, 0},
    {"maxHistorySize", Row::NumberReadOnly, &CSettings::m_maxHistorySize, nullptr, 8, nullptr, 0},
};

CSettings::CSettings() : CSettings(DefaultsOnly())
{
    LoadSettings();
}

CSettings::CSettings(DefaultsOnly)
{
    ResetToDefaults();
}

CSettings::~CSettings()
{
    SaveSettings();
}

void CSettings::ResetToDefaults()
{
    std::lock_guard<std::mutex> guard(m_textLock);
    for (const Row& row : s_rows)
    {
        if (row.number != nullptr)
        {
            (this->*row.number) = row.defaultNumber;
        }
        else
        {
            (this->*row.text) = row.defaultText;
        }
    }
    m_browserCommand.Empty();
}

void CSettings::LoadSettings()
{
    if (!m_key &&
        ::RegOpenKeyExA(HKEY_CURRENT_USER, RootKeyPath, 0, RootKeyAccess, m_key.put()) != ERROR_SUCCESS &&
        ::RegCreateKeyExA(HKEY_CURRENT_USER, RootKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, RootKeyAccess,
                          nullptr, m_key.put(), nullptr) != ERROR_SUCCESS)
    {
        m_key.reset();
    }

    if (m_key)
    {
        for (const Row& row : s_rows)
        {
            switch (row.kind)
            {
            case Row::Number:
            case Row::NumberReadOnly:
            case Row::Boolean: {
                DWORD value = 0;
                if (Registry::ReadDword(m_key.get(), row.name, value))
                {
                    (this->*row.number) = row.kind == Row::Boolean ? (value != 0 ? 1 : 0) : value;
                }
                break;
            }
            case Row::Text: {
                CString value;
                if (Registry::ReadString(m_key.get(), row.name, row.bufferBytes, value))
                {
                    SetText(this->*row.text, value);
                }
                break;
            }
            case Row::Password: {
                // The full stored length counts: a scrambled byte may be zero.
                CString value;
                if (Registry::ReadStringBytes(m_key.get(), row.name, row.bufferBytes, value))
                {
                    SetText(this->*row.text, Common::ScramblePassword(value));
                }
                break;
            }
            }
        }
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
    for (const Row& row : s_rows)
    {
        switch (row.kind)
        {
        case Row::Number:
        case Row::Boolean:
            Registry::WriteDword(m_key.get(), row.name, this->*row.number);
            break;
        case Row::Text:
            Registry::WriteString(m_key.get(), row.name, GetText(this->*row.text));
            break;
        case Row::Password:
            Registry::WriteString(m_key.get(), row.name, Common::ScramblePassword(GetText(this->*row.text)));
            break;
        case Row::NumberReadOnly:
            break;
        }
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

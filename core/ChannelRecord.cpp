#include "ChannelRecord.h"

#include "Registry.h"
#include "common/PasswordScrambler.h"

#include <shlwapi.h>

namespace
{
const char ChannelsPath[] = "SOFTWARE\\tidelight\\Channels";
const REGSAM KeyAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;
const size_t CredentialBytes = 32;
// The registry refuses longer key names.
const size_t MaxKeyLength = 255;
// Validators and addresses are short; a longer value is not ours.
const size_t TextValueBytes = 2048;
} // namespace

const CChannelRecord::CTextValue CChannelRecord::TextValues[] = {
    {"etag", &CChannelRecord::m_etag},
    {"lastModified", &CChannelRecord::m_lastModified},
    {"currentUrl", &CChannelRecord::m_currentUrl},
};

bool CChannelRecord::IsStorableKey(const CString& key)
{
    if (key.IsEmpty() || key.GetLength() > MaxKeyLength || key.Find('\\') >= 0)
    {
        return false;
    }
    // A control byte (a pasted tab or line break, say) would make a key the
    // user cannot see or type again; an embedded zero would cut the name.
    for (size_t i = 0; i < key.GetLength(); ++i)
    {
        const unsigned char byte = static_cast<unsigned char>(key[i]);
        if (byte < 0x20 || byte == 0x7f)
        {
            return false;
        }
    }
    return true;
}

CString CChannelRecord::RegistryPath(const CString& key)
{
    CString path(ChannelsPath);
    path += "\\";
    path += key;
    return path;
}

CChannelRecord::CChannelRecord(const CString& key, bool persistent)
    : m_key(key), m_persistent(persistent && IsStorableKey(key))
{
    if (!m_persistent)
    {
        return;
    }
    const CString path = RegistryPath(key);
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KeyAccess, m_registryKey.put()) != ERROR_SUCCESS &&
        ::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KeyAccess, nullptr,
                          m_registryKey.put(), nullptr) != ERROR_SUCCESS)
    {
        m_registryKey.reset();
        return;
    }
    Registry::ReadString(m_registryKey.get(), "username", CredentialBytes, m_username);
    CString scrambled;
    // The full stored length counts: a scrambled byte may be zero.
    if (Registry::ReadStringBytes(m_registryKey.get(), "password", CredentialBytes, scrambled))
    {
        m_password = Common::ScramblePassword(scrambled);
    }
    DWORD value = 0;
    if (Registry::ReadDword(m_registryKey.get(), "repeatHeadlines", value))
    {
        m_repeatHeadlines = value != 0;
    }
    if (Registry::ReadDword(m_registryKey.get(), "pollingInterval", value))
    {
        // The page offers 1 to 60 minutes; 0, written by hand, would poll
        // without pause.
        m_pollingInterval = value < MinPollingInterval ? MinPollingInterval
                            : value > MaxPollingInterval ? MaxPollingInterval
                                                         : value;
    }
    if (Registry::ReadDword(m_registryKey.get(), "enabled", value))
    {
        m_enabled = value != 0;
    }
    if (Registry::ReadDword(m_registryKey.get(), "color", value))
    {
        m_color = value;
    }
    if (Registry::ReadDword(m_registryKey.get(), "icon", value))
    {
        m_icon = value;
    }
    for (const CTextValue& text : TextValues)
    {
        Registry::ReadString(m_registryKey.get(), text.name, TextValueBytes, this->*text.field);
    }
    unsigned long long nextCheck = 0;
    if (Registry::ReadDword(m_registryKey.get(), "failedPolls", value) && value != 0)
    {
        m_pollFailure.count = value;
        Registry::ReadDword(m_registryKey.get(), "failureStatus", m_pollFailure.status);
        // The retriever bounds how long a stored time can make it wait.
        if (Registry::ReadQword(m_registryKey.get(), "nextCheck", nextCheck))
        {
            m_pollFailure.nextCheck = static_cast<int64_t>(nextCheck);
        }
    }
}

CChannelRecord::~CChannelRecord()
{
    if (!m_persistent)
    {
        return;
    }
    if (m_deleted)
    {
        Common::CUniqueKey channels;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, ChannelsPath, 0, KeyAccess, channels.put()) == ERROR_SUCCESS)
        {
            ::SHDeleteKeyA(channels.get(), m_key);
        }
    }
    else if (m_registryKey)
    {
        Registry::WriteString(m_registryKey.get(), "username", GetUsername());
        Registry::WriteString(m_registryKey.get(), "password", Common::ScramblePassword(GetPassword()));
        Registry::WriteDword(m_registryKey.get(), "repeatHeadlines", m_repeatHeadlines ? 1 : 0);
        Registry::WriteDword(m_registryKey.get(), "pollingInterval", m_pollingInterval);
        Registry::WriteDword(m_registryKey.get(), "enabled", m_enabled ? 1 : 0);
        Registry::WriteDword(m_registryKey.get(), "color", m_color);
        Registry::WriteDword(m_registryKey.get(), "icon", m_icon);
        // Written only when known, so that a channel that never learnt
        // them keeps exactly the values it always had.
        for (const CTextValue& text : TextValues)
        {
            const CString value = GetText(text.field);
            if (value.IsEmpty())
            {
                ::RegDeleteValueA(m_registryKey.get(), text.name);
            }
            else
            {
                Registry::WriteString(m_registryKey.get(), text.name, value);
            }
        }
        // Likewise only while polls fail.
        const CPollFailure failure = GetPollFailure();
        if (failure.count == 0)
        {
            for (const char* name : {"failedPolls", "failureStatus", "nextCheck"})
            {
                ::RegDeleteValueA(m_registryKey.get(), name);
            }
        }
        else
        {
            Registry::WriteDword(m_registryKey.get(), "failedPolls", failure.count);
            Registry::WriteDword(m_registryKey.get(), "failureStatus", failure.status);
            Registry::WriteQword(m_registryKey.get(), "nextCheck",
                                 static_cast<unsigned long long>(failure.nextCheck));
        }
    }
}

CString CChannelRecord::GetUsername() const
{
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_username;
}

void CChannelRecord::SetUsername(const CString& username)
{
    std::lock_guard<std::mutex> guard(m_textLock);
    m_username = username;
}

CString CChannelRecord::GetPassword() const
{
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_password;
}

void CChannelRecord::SetPassword(const CString& password)
{
    std::lock_guard<std::mutex> guard(m_textLock);
    m_password = password;
}

CString CChannelRecord::GetText(CString CChannelRecord::*field) const
{
    std::lock_guard<std::mutex> guard(m_textLock);
    return this->*field;
}

void CChannelRecord::SetText(CString CChannelRecord::*field, const CString& value)
{
    std::lock_guard<std::mutex> guard(m_textLock);
    this->*field = value;
}

CString CChannelRecord::GetEtag() const
{
    return GetText(&CChannelRecord::m_etag);
}

void CChannelRecord::SetEtag(const CString& value)
{
    SetText(&CChannelRecord::m_etag, value);
}

CString CChannelRecord::GetLastModified() const
{
    return GetText(&CChannelRecord::m_lastModified);
}

void CChannelRecord::SetLastModified(const CString& value)
{
    SetText(&CChannelRecord::m_lastModified, value);
}

CString CChannelRecord::GetCurrentUrl() const
{
    return GetText(&CChannelRecord::m_currentUrl);
}

void CChannelRecord::SetCurrentUrl(const CString& value)
{
    SetText(&CChannelRecord::m_currentUrl, value);
}

CChannelRecord::CPollFailure CChannelRecord::GetPollFailure() const
{
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_pollFailure;
}

void CChannelRecord::SetPollFailure(const CPollFailure& failure)
{
    std::lock_guard<std::mutex> guard(m_textLock);
    m_pollFailure = failure;
}

#include "ChannelRecord.h"

#include "Registry.h"

#include <shlwapi.h>

namespace
{
const REGSAM KeyAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;
const size_t CredentialBytes = 32;
// The registry refuses longer key names.
const size_t MaxKeyLength = 255;
// Validators and addresses are short; a longer value is not ours.
const size_t TextValueBytes = 2048;
} // namespace

Registry::CStoredValues CChannelRecord::Values()
{
    using Registry::CStoredValue;
    return {
        {"username", m_username, CredentialBytes, ""},
        {"password", m_password, CredentialBytes, "", CStoredValue::Scrambled},
        {"repeatHeadlines", m_repeatHeadlines, false},
        {"pollingInterval", m_pollingInterval, 20},
        {"enabled", m_enabled, true},
        {"color", m_color, 0},
        {"icon", m_icon, 0},
        // Written only when known, so that a channel that never learnt them
        // keeps exactly the values it always had; absent in older
        // registries.
        {"etag", m_etag, TextValueBytes, "", CStoredValue::EraseEmpty},
        {"lastModified", m_lastModified, TextValueBytes, "", CStoredValue::EraseEmpty},
        {"currentUrl", m_currentUrl, TextValueBytes, "", CStoredValue::EraseEmpty},
    };
}

Registry::CStoredValues CChannelRecord::FailureValues()
{
    return {
        {"failedPolls", m_pollFailure.count, 0},
        {"failureStatus", m_pollFailure.status, 0},
        // The retriever bounds how long a stored time can make it wait.
        {"nextCheck", m_pollFailure.nextCheck, 0},
    };
}

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
    CString path(Registry::ChannelsPath);
    path += "\\";
    path += key;
    return path;
}

CChannelRecord::CChannelRecord(const CString& key, bool persistent)
    : m_key(key), m_persistent(persistent && IsStorableKey(key))
{
    std::lock_guard<std::mutex> guard(m_textLock);
    Registry::Reset(Values());
    if (!m_persistent)
    {
        return;
    }
    m_registryKey = Registry::OpenOrCreate(HKEY_CURRENT_USER, RegistryPath(key), KeyAccess);
    if (!m_registryKey)
    {
        return;
    }
    Registry::Load(m_registryKey.get(), Values());
    // The page offers 1 to 60 minutes; 0, written by hand, would poll
    // without pause.
    const DWORD interval = m_pollingInterval;
    m_pollingInterval = interval < MinPollingInterval   ? MinPollingInterval
                        : interval > MaxPollingInterval ? MaxPollingInterval
                                                        : interval;
    Registry::Load(m_registryKey.get(), FailureValues());
    if (m_pollFailure.count == 0)
    {
        m_pollFailure = CPollFailure();
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
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, Registry::ChannelsPath, 0, KeyAccess, channels.put()) ==
            ERROR_SUCCESS)
        {
            ::SHDeleteKeyA(channels.get(), m_key);
        }
    }
    else if (m_registryKey)
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        Registry::Save(m_registryKey.get(), Values());
        // Likewise only while polls fail.
        if (m_pollFailure.count == 0)
        {
            Registry::Erase(m_registryKey.get(), FailureValues());
        }
        else
        {
            Registry::Save(m_registryKey.get(), FailureValues());
        }
    }
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

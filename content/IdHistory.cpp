#include "IdHistory.h"

#include "IdHistoryLayout.h"
#include "core/ChannelRecord.h"

#include <algorithm>

namespace
{
const char StateValue[] = "internalState";
} // namespace

CIdHistory::CIdHistory(bool persistent, const CString& key)
    : m_key(key), m_persistent(persistent && CChannelRecord::IsStorableKey(key) ? 1 : 0)
{
    if (!m_persistent)
    {
        return;
    }
    const CString path = CChannelRecord::RegistryPath(key);
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &m_hKey) != ERROR_SUCCESS &&
        ::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr,
                          &m_hKey, nullptr) != ERROR_SUCCESS)
    {
        m_hKey = nullptr;
        return;
    }
    unsigned char stored[Content::IdHistoryMaxBytes];
    DWORD type = 0;
    DWORD size = sizeof(stored);
    if (::RegQueryValueExA(m_hKey, StateValue, nullptr, &type, stored, &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
    {
        return;
    }
    Common::CLockGuard guard(*this);
    for (int32_t id : Content::DecodeIdHistory(stored, size))
    {
        AddLocked(id);
    }
    m_changed = false;
}

CIdHistory::~CIdHistory()
{
    Store();
    if (m_hKey != nullptr)
    {
        ::RegCloseKey(m_hKey);
    }
}

void CIdHistory::SaveChanges()
{
    bool changed = false;
    {
        Common::CLockGuard guard(*this);
        changed = m_changed;
    }
    if (changed)
    {
        Store();
    }
}

void CIdHistory::Store()
{
    if (!m_persistent)
    {
        return;
    }
    // Opened, never created: a removed channel's key must not come back.
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(m_key), 0, KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS)
    {
        return;
    }
    std::vector<unsigned char> bytes;
    {
        Common::CLockGuard guard(*this);
        bytes = Content::EncodeIdHistory(m_order);
        m_changed = false;
    }
    ::RegSetValueExA(key, StateValue, 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
}

bool CIdHistory::Contains(int32_t id)
{
    Common::CLockGuard guard(*this);
    return m_ids.count(id) != 0;
}

void CIdHistory::Add(int32_t id)
{
    Common::CLockGuard guard(*this);
    AddLocked(id);
}

void CIdHistory::AddLocked(int32_t id)
{
    m_changed = true;
    // An id added again moves to the back instead of appearing twice: with
    // repeats the order would outgrow the 64 ids, and a stored value over 256
    // bytes is discarded at the next load, losing the whole history.
    if (m_ids.count(id) != 0)
    {
        m_order.erase(std::find(m_order.begin(), m_order.end(), id));
        m_order.push_back(id);
        return;
    }
    if (static_cast<int>(m_ids.size()) >= m_capacity && !m_order.empty())
    {
        m_ids.erase(m_order.front());
        m_order.pop_front();
    }
    m_ids.insert(id);
    m_order.push_back(id);
}

void CIdHistory::Clear()
{
    Common::CLockGuard guard(*this);
    m_ids.clear();
    m_order.clear();
    m_changed = true;
}

std::vector<int32_t> CIdHistory::Ids()
{
    Common::CLockGuard guard(*this);
    return std::vector<int32_t>(m_order.begin(), m_order.end());
}

#include "IdHistory.h"

#include "IdHistoryLayout.h"
#include "common/UniqueHandle.h"
#include "core/ChannelRecord.h"
#include "core/Registry.h"

#include <algorithm>

namespace
{
// The newest 64 ids, as every version reads them.
const char StateValue[] = "internalState";
// Every id of a history longer than that, in the same layout.
const char AllIdsValue[] = "shownIds";
} // namespace

CIdHistory::CIdHistory(bool persistent, const CString& key)
    : m_key(key), m_persistent(persistent && CChannelRecord::IsStorableKey(key) ? 1 : 0)
{
    if (!m_persistent)
    {
        return;
    }
    const Common::CUniqueKey channel =
        Registry::OpenOrCreate(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(key), KEY_READ);
    if (!channel)
    {
        return;
    }
    Common::CLockGuard guard(*this);
    // Both, in this order: a version that knows only the newest 64 may have
    // run since the whole history was stored, and what it added comes last.
    Load(channel.get(), AllIdsValue, Content::IdHistoryLimit * 4);
    Load(channel.get(), StateValue, Content::IdHistoryMaxBytes);
    m_changed = false;
}

void CIdHistory::Load(HKEY key, const char* name, size_t maxBytes)
{
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_BINARY ||
        size > maxBytes)
    {
        return;
    }
    std::vector<unsigned char> stored(size + 1);
    if (::RegQueryValueExA(key, name, nullptr, &type, stored.data(), &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
    {
        return;
    }
    for (int32_t id : Content::DecodeIdHistory(stored.data(), size, maxBytes))
    {
        AddLocked(id);
    }
}

CIdHistory::~CIdHistory()
{
    Store();
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
    Common::CUniqueKey channel;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(m_key), 0, KEY_SET_VALUE,
                        channel.put()) != ERROR_SUCCESS)
    {
        return;
    }
    std::vector<unsigned char> all;
    std::vector<unsigned char> newest;
    {
        Common::CLockGuard guard(*this);
        const size_t skipped = m_order.size() > static_cast<size_t>(Capacity) ? m_order.size() - Capacity : 0;
        newest = Content::EncodeIdHistory(std::deque<int32_t>(m_order.begin() + skipped, m_order.end()));
        if (skipped != 0)
        {
            all = Content::EncodeIdHistory(m_order);
        }
        m_changed = false;
    }
    ::RegSetValueExA(channel.get(), StateValue, 0, REG_BINARY, newest.data(), static_cast<DWORD>(newest.size()));
    if (all.empty())
    {
        ::RegDeleteValueA(channel.get(), AllIdsValue);
    }
    else
    {
        ::RegSetValueExA(channel.get(), AllIdsValue, 0, REG_BINARY, all.data(), static_cast<DWORD>(all.size()));
    }
}

bool CIdHistory::Contains(int32_t id)
{
    Common::CLockGuard guard(*this);
    return m_ids.count(id) != 0;
}

bool CIdHistory::IsEmpty()
{
    Common::CLockGuard guard(*this);
    return m_ids.empty();
}

void CIdHistory::Add(int32_t id)
{
    Common::CLockGuard guard(*this);
    AddLocked(id);
}

void CIdHistory::AddLocked(int32_t id)
{
    m_changed = true;
    if (m_ids.count(id) != 0)
    {
        // Moves to the back instead of appearing twice: with repeats the
        // order would otherwise outgrow the ids it holds.
        m_order.erase(std::find(m_order.begin(), m_order.end(), id));
        m_order.push_back(id);
        return;
    }
    if (m_ids.size() >= Content::IdHistoryLimit && !m_order.empty())
    {
        m_ids.erase(m_order.front());
        m_order.pop_front();
    }
    m_ids.insert(id);
    m_order.push_back(id);
}

void CIdHistory::Retain(const std::unordered_set<int32_t>& current)
{
    Common::CLockGuard guard(*this);
    size_t others = 0;
    std::deque<int32_t> kept;
    // Newest first, so the newest of the others are the ones kept.
    for (auto it = m_order.rbegin(); it != m_order.rend(); ++it)
    {
        if (current.count(*it) != 0 || others++ < static_cast<size_t>(Capacity))
        {
            kept.push_front(*it);
        }
        else
        {
            m_ids.erase(*it);
            m_changed = true;
        }
    }
    m_order.swap(kept);
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

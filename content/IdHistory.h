// A bounded set of headline ids in the order they were added: the channel's
// shown history (persistent, stored as the channel key's "internalState") or
// its session history (this run only). Holds the last 64 ids.
#pragma once

#include "IdHistoryLayout.h"
#include "common/CString.h"
#include "common/SynchronizedObject.h"

#include <cstdint>
#include <deque>
#include <set>
#include <vector>

class CIdHistory : public Common::CSynchronizedObject
{
public:
    static const int Capacity = static_cast<int>(Content::IdHistoryCapacity);

    // A persistent history loads the stored ids of the channel key.
    CIdHistory(bool persistent, const CString& key);
    // A persistent history stores its ids, unless the channel's key is gone.
    ~CIdHistory();

    bool Contains(int32_t id);
    // Drops the oldest id first when full; an id already present moves to
    // the newest place.
    void Add(int32_t id);
    void Clear();
    // The ids, oldest first.
    std::vector<int32_t> Ids();
    // Stores the ids now when they changed since the last store, so an
    // abnormal end of the program loses only what came after.
    void SaveChanges();

private:
    void AddLocked(int32_t id);
    void Store();

    std::set<int32_t> m_ids;
    std::deque<int32_t> m_order;
    const CString m_key;
    HKEY m_hKey = nullptr;
    const int m_persistent;
    const int m_capacity = Capacity;
    bool m_changed = false;
};

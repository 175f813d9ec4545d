// A set of headline ids in the order they were added: the channel's shown
// history (persistent, stored under the channel key) or its session history
// (this run only). After each poll the retriever keeps in it every id the
// feed still carries and the newest 64 of the others: a feed of hundreds of
// items never has a seen headline fall out and come back as new, and the
// history never grows beyond what the feed holds (and a hard limit).
#pragma once

#include "IdHistoryLayout.h"
#include "common/CString.h"
#include "common/SynchronizedObject.h"

#include <cstdint>
#include <deque>
#include <set>
#include <unordered_set>
#include <vector>

class CIdHistory : public Common::CSynchronizedObject
{
public:
    // Ids kept besides those the feed still carries.
    static const int Capacity = static_cast<int>(Content::IdHistoryCapacity);

    // A persistent history loads the stored ids of the channel key.
    CIdHistory(bool persistent, const CString& key);
    // A persistent history stores its ids, unless the channel's key is gone.
    ~CIdHistory();

    bool Contains(int32_t id);
    bool IsEmpty();
    // An id already present moves to the newest place; beyond the hard
    // limit the oldest id goes.
    void Add(int32_t id);
    // Keeps the ids in current and the newest Capacity of the others.
    void Retain(const std::unordered_set<int32_t>& current);
    void Clear();
    // The ids, oldest first.
    std::vector<int32_t> Ids();
    // Stores the ids now when they changed since the last store, so an
    // abnormal end of the program loses only what came after.
    void SaveChanges();

private:
    void AddLocked(int32_t id);
    void Load(HKEY key, const char* name, size_t maxBytes);
    void Store();

    std::set<int32_t> m_ids;
    std::deque<int32_t> m_order;
    const CString m_key;
    const int m_persistent;
    bool m_changed = false;
};

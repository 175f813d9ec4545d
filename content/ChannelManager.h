// Owns every retriever: one feed retriever per channel key under
// SOFTWARE\tidelight\Channels, and the built-in services. Hands the panel its
// next headline (services first, each list in turn) and keeps the last ones
// delivered for replay. Index access returns with the manager's lock held;
// the same thread's next manager operation releases it.
#pragma once

#include "Headline.h"
#include "common/SynchronizedObject.h"

#include <deque>
#include <list>
#include <memory>

namespace Content
{
class CAbstractRetriever;
}

class CChannelManager : public Common::CSynchronizedObject
{
public:
    // Service keys.
    static const char* const UpdateServiceKey;
    static const char* const HelpServiceKey;
    static const char* const DownloadServiceKey;

    // Creates a retriever per stored channel, then the services.
    CChannelManager();
    // A manager without channels or services, for callers that add their own.
    struct Empty
    {
    };
    explicit CChannelManager(Empty);
    ~CChannelManager();
    CChannelManager(const CChannelManager&) = delete;
    CChannelManager& operator=(const CChannelManager&) = delete;

    // Creates, initialises and starts (or, when disabled, stops) a feed
    // retriever for the key. Keys that cannot name a registry key of their
    // own (empty, containing "\", too long) are refused.
    bool AddChannel(const CString& key);
    // Takes ownership of an initialised retriever as a channel.
    void AddChannelRetriever(const CString& key, Content::CAbstractRetriever* retriever);
    // Initialises, starts and takes ownership of a service.
    void AddService(const CString& key, Content::CAbstractRetriever* retriever);

    unsigned ChannelCount();
    // Null when out of range; otherwise returns with the lock held.
    Content::CAbstractRetriever* ChannelAt(unsigned index);
    const CString* ChannelKeyAt(unsigned index);
    // Marks the channel's record deleted and destroys its retriever, which
    // removes the channel's registry key.
    void RemoveChannelAt(unsigned index);

    int HasHeadlines(int* count);
    // The next waiting headline, or an empty one.
    void NextHeadline(CHeadline& out);
    unsigned HistoryCount();
    // 0 is the newest; an empty headline beyond the end.
    CHeadline HistoryAt(unsigned index);

    // The headline's retriever if it still exists, else null: headlines in
    // the history can outlive their channel.
    Content::CAbstractRetriever* ResolveRetriever(const CHeadline& headline);

    // Stores the shown histories that changed since they were last stored.
    void SaveChanges();
    void WakeAll();
    // Destroys every retriever (each saves its state); keeps the history.
    void StopAll();

private:
    struct Entry
    {
        CString key;
        std::unique_ptr<Content::CAbstractRetriever> retriever;
    };
    using EntryList = std::list<Entry>;

    static void InsertSorted(EntryList& list, const CString& key, Content::CAbstractRetriever* retriever);
    Entry* EntryAt(unsigned index);
    // One round over a list from its cursor; true when a headline came.
    bool TakeFrom(EntryList& list, unsigned& cursor, CHeadline& out);
    void Remember(const CHeadline& headline);

    EntryList m_channels;
    EntryList m_services;
    std::deque<CHeadline> m_history;
    // Where the next round of each list starts.
    unsigned m_serviceCursor = 0;
    unsigned m_channelCursor = 0;
};

#include "ChannelManager.h"

#include "AbstractRetriever.h"
#include "FeedRetriever.h"
#include "HelpRetriever.h"
#include "IdHistory.h"
#include "UpdateRetriever.h"
#include "common/UniqueHandle.h"
#include "content/download/DownloadRetriever.h"
#include "core/ChannelRecord.h"
#include "core/Registry.h"
#include "core/Settings.h"
#include "resources/resource.h"

#include <mbstring.h>

using Common::CLockGuard;
using Content::CAbstractRetriever;

const char* const CChannelManager::UpdateServiceKey = "$updateService";
const char* const CChannelManager::HelpServiceKey = "$helpService";
const char* const CChannelManager::DownloadServiceKey = "$downloadService";

CChannelManager::CChannelManager(Empty) {}

CChannelManager::CChannelManager()
{
    const Common::CUniqueKey channels =
        Registry::OpenOrCreate(HKEY_CURRENT_USER, Registry::ChannelsPath, KEY_READ);
    if (channels)
    {
        for (const CString& name : Registry::SubkeyNames(channels.get()))
        {
            AddChannel(name);
        }
    }
    AddService(UpdateServiceKey, new Content::CUpdateRetriever);
    AddService(HelpServiceKey, new Content::CHelpRetriever(IDS_FIRST_TIP));
    AddService(DownloadServiceKey, new Content::Download::CDownloadRetriever);
}

CChannelManager::~CChannelManager()
{
    StopAll();
}

void CChannelManager::InsertSorted(EntryList& list, const CString& key, CAbstractRetriever* retriever)
{
    auto position = list.begin();
    while (position != list.end() && _mbscmp(reinterpret_cast<const unsigned char*>(position->key.GetString()),
                                             reinterpret_cast<const unsigned char*>(key.GetString())) <= 0)
    {
        ++position;
    }
    Entry entry;
    entry.key = key;
    entry.retriever.reset(retriever);
    list.insert(position, std::move(entry));
}

bool CChannelManager::AddChannel(const CString& key)
{
    if (!CChannelRecord::IsStorableKey(key))
    {
        return false;
    }
    auto* retriever = new Content::CFeedRetriever;
    retriever->Initialize(key);
    AddChannelRetriever(key, retriever);
    return true;
}

void CChannelManager::AddChannelRetriever(const CString& key, CAbstractRetriever* retriever)
{
    if (retriever->GetChannel() != nullptr && retriever->GetChannel()->GetEnabled())
    {
        retriever->Start(0);
    }
    else
    {
        retriever->Stop();
    }
    CLockGuard guard(*this);
    InsertSorted(m_channels, key, retriever);
}

void CChannelManager::AddService(const CString& key, CAbstractRetriever* retriever)
{
    if (retriever == nullptr)
    {
        return;
    }
    retriever->Initialize(key);
    retriever->Start(0);
    CLockGuard guard(*this);
    InsertSorted(m_services, key, retriever);
}

unsigned CChannelManager::ChannelCount()
{
    CLockGuard guard(*this);
    return static_cast<unsigned>(m_channels.size());
}

CChannelManager::Entry* CChannelManager::EntryAt(unsigned index)
{
    Lock();
    unsigned position = 0;
    for (Entry& entry : m_channels)
    {
        if (position++ == index)
        {
            return &entry; // the caller decides when the lock goes
        }
    }
    Unlock();
    return nullptr;
}

CAbstractRetriever* CChannelManager::ChannelAt(unsigned index)
{
    Entry* entry = EntryAt(index);
    return entry != nullptr ? entry->retriever.get() : nullptr;
}

const CString* CChannelManager::ChannelKeyAt(unsigned index)
{
    Entry* entry = EntryAt(index);
    return entry != nullptr ? &entry->key : nullptr;
}

void CChannelManager::RemoveChannelAt(unsigned index)
{
    CLockGuard guard(*this);
    unsigned position = 0;
    for (auto it = m_channels.begin(); it != m_channels.end(); ++it)
    {
        if (position++ == index)
        {
            if (CChannelRecord* record = it->retriever->GetChannel())
            {
                record->MarkDeleted();
            }
            m_channels.erase(it); // destroys the retriever
            return;
        }
    }
}

int CChannelManager::HasHeadlines(int* count)
{
    CLockGuard guard(*this);
    int result = 0;
    for (Entry& service : m_services)
    {
        if (service.retriever->HasHeadlines(nullptr))
        {
            result = 1;
            break;
        }
    }
    if (result != 0 && count == nullptr)
    {
        return result;
    }
    int total = 0;
    for (Entry& channel : m_channels)
    {
        int waiting = 0;
        if (channel.retriever->HasHeadlines(&waiting))
        {
            total += waiting;
            result = 1;
        }
    }
    if (count != nullptr)
    {
        *count = total;
    }
    return result;
}

bool CChannelManager::TakeFrom(EntryList& list, unsigned& cursor, CHeadline& out)
{
    const unsigned count = static_cast<unsigned>(list.size());
    if (count == 0)
    {
        return false;
    }
    const unsigned start = cursor % count;
    cursor = start;
    auto entry = std::next(list.begin(), start);
    do
    {
        CAbstractRetriever* retriever = entry->retriever.get();
        cursor = (cursor + 1) % count;
        if (++entry == list.end())
        {
            entry = list.begin();
        }
        if (retriever->HasHeadlines(nullptr) && retriever->GetHeadlines(&out, 1) == 1)
        {
            Remember(out);
            return true;
        }
    } while (cursor != start);
    return false;
}

void CChannelManager::NextHeadline(CHeadline& out)
{
    out = CHeadline();
    CLockGuard guard(*this);
    if (!TakeFrom(m_services, m_serviceCursor, out))
    {
        TakeFrom(m_channels, m_channelCursor, out);
    }
}

void CChannelManager::Remember(const CHeadline& headline)
{
    const DWORD capacity = Settings().GetMaxHistorySize();
    while (capacity != 0 && m_history.size() >= capacity)
    {
        m_history.pop_front();
    }
    m_history.push_back(headline);
}

unsigned CChannelManager::HistoryCount()
{
    CLockGuard guard(*this);
    return static_cast<unsigned>(m_history.size());
}

CHeadline CChannelManager::HistoryAt(unsigned index)
{
    CLockGuard guard(*this);
    if (index >= m_history.size())
    {
        return CHeadline();
    }
    return m_history[m_history.size() - 1 - index];
}

CAbstractRetriever* CChannelManager::ResolveRetriever(const CHeadline& headline)
{
    CLockGuard guard(*this);
    for (EntryList* list : {&m_channels, &m_services})
    {
        for (Entry& entry : *list)
        {
            if (entry.retriever.get() == headline.GetRetriever() &&
                entry.retriever->GetSerial() == headline.GetRetrieverSerial())
            {
                return entry.retriever.get();
            }
        }
    }
    return nullptr;
}

void CChannelManager::SaveChanges()
{
    CLockGuard guard(*this);
    for (Entry& channel : m_channels)
    {
        if (CIdHistory* shown = channel.retriever->GetShownHistory())
        {
            shown->SaveChanges();
        }
    }
}

void CChannelManager::WakeAll()
{
    CLockGuard guard(*this);
    for (Entry& channel : m_channels)
    {
        channel.retriever->Wake();
    }
}

void CChannelManager::StopAll()
{
    CLockGuard guard(*this);
    m_channels.clear();
    m_services.clear();
}

#include "UpdateRetriever.h"

#include "HttpFetch.h"
#include "common/Version.h"
#include "core/ChannelRecord.h"
#include "core/Settings.h"

#include <mbstring.h>

#include <cstring>

namespace Content
{
namespace
{
CString ElementText(const TiXmlElement* element)
{
    const char* text = element != nullptr ? element->GetText() : nullptr;
    return CString(text != nullptr ? text : "");
}

bool StartsWith(const CString& text, const char* prefix)
{
    return std::strncmp(text.GetString(), prefix, std::strlen(prefix)) == 0;
}
} // namespace

const char* const CUpdateRetriever::CurrentVersion = TIDELIGHT_VERSION;

CUpdateRetriever::~CUpdateRetriever()
{
    CAbstractRetriever::Stop();
}

int CUpdateRetriever::Initialize(const CString& key)
{
    if (m_channel == nullptr)
    {
        m_key = key;
        m_channel = new CChannelRecord(key, false);
        m_threadProc = &CUpdateRetriever::UpdateWorker;
    }
    return 0;
}

unsigned CUpdateRetriever::GetHeadlines(CHeadline* out, unsigned max)
{
    Common::CLockGuard guard(*this);
    unsigned moved = 0;
    while (moved < max && !m_queue.empty())
    {
        out[moved++] = m_queue.front();
        m_queue.pop_front();
        --m_bufferedHeadlines;
        ++m_displayedHeadlines;
    }
    return moved;
}

int CUpdateRetriever::HasHeadlines(int* count)
{
    if (m_state == Stopped)
    {
        return 0;
    }
    Common::CLockGuard guard(*this);
    const int waiting = static_cast<int>(m_queue.size());
    if (count != nullptr)
    {
        *count = waiting;
    }
    return waiting != 0;
}

int CUpdateRetriever::Dismiss(int)
{
    return 0;
}

bool CUpdateRetriever::IsAcceptableServiceUrl(const CString& url)
{
    if (!StartsWith(url, "http://") && !StartsWith(url, "https://"))
    {
        return false;
    }
    for (size_t i = 0; i < url.GetLength(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(url[i]);
        if (c < 0x20 || c == 0x7F)
        {
            return false;
        }
    }
    // The stored value is read back into a 260-byte buffer.
    return url.GetLength() < 260;
}

void CUpdateRetriever::ReadManifest(const TiXmlDocument& manifest)
{
    const TiXmlElement* root = manifest.FirstChildElement("currVersion");
    if (root == nullptr)
    {
        return;
    }
    CHeadline notice;
    notice.SetChannelTitle("Tidelight update service");
    Adopt(notice);
    const TiXmlElement* id = root->FirstChildElement("id");
    if (id != nullptr)
    {
        const CString version = ElementText(id);
        // A plain byte-wise comparison, as the manifest has always been read:
        // "1.10" counts as older than "1.7".
        if (_mbscmp(reinterpret_cast<const unsigned char*>(version.GetString()),
                    reinterpret_cast<const unsigned char*>(CurrentVersion)) > 0)
        {
            notice.SetTitle("New software version available");
            notice.SetDescription(CString::Format(
                "New version %s is available for download. Double-click this window for more details.",
                version.GetString()));
            if (const TiXmlElement* link = root->FirstChildElement("link"))
            {
                notice.SetLink(ElementText(link));
            }
        }
    }
    if (const TiXmlElement* alternate = root->FirstChildElement("alternateServiceUrl"))
    {
        const CString url = ElementText(alternate);
        if (!url.IsEmpty() && url != Settings().GetUpdateServiceUrl() && IsAcceptableServiceUrl(url))
        {
            Settings().SetUpdateServiceUrl(url);
        }
    }
    // Queued unsealed: update notices keep id 0 and are never remembered.
    if (!notice.GetTitle().IsEmpty())
    {
        Common::CLockGuard guard(*this);
        m_queue.push_back(notice);
        ++m_bufferedHeadlines;
    }
}

void CUpdateRetriever::UpdateWorker(CAbstractRetriever& retriever, CWorkerTicket& ticket)
{
    CUpdateRetriever& self = static_cast<CUpdateRetriever&>(retriever);
    CString manifestUrl = Settings().GetUpdateServiceUrl();
    manifestUrl += "version.xml";
    {
        CTicketGuard inside(ticket);
        if (!inside.Entered())
        {
            return;
        }
        self.m_state = Polling;
    }
    for (;;)
    {
        std::unique_ptr<TiXmlDocument> manifest;
        const bool checking = Settings().GetCheckForUpdates();
        {
            CTicketGuard inside(ticket);
            if (!inside.Entered())
            {
                return;
            }
            ticket.MarkFetching();
        }
        if (checking)
        {
            manifest = FetchXml(CString(), CString(), manifestUrl);
        }
        DWORD minutes = 0;
        {
            CTicketGuard inside(ticket);
            if (!inside.Entered())
            {
                return;
            }
            if (!checking || manifest == nullptr)
            {
                self.m_state = Error;
            }
            else
            {
                self.ReadManifest(*manifest);
                self.m_state = Idle;
            }
            minutes = self.m_channel->GetPollingInterval();
        }
        manifest.reset();
        if (WaitBetweenPolls(ticket, minutes) == WaitResult::Finish)
        {
            return;
        }
    }
}
} // namespace Content

// One news item on its way from a retriever to the panel. It is filled while
// open, then sealed, which fixes its identity (a hash of title and link) and
// makes every setter a no-op. Copies share their text.
//
// Title, description and channel title are kept twice: folded, as the
// identity and every stored history have always seen them, and as the
// UTF-8 the user reads, which is what the panel and the lists show.
#pragma once

#include "UnicodeText.h"
#include "common/CString.h"

#include <cstdint>

namespace Content
{
class CAbstractRetriever;
}

class CHeadline
{
public:
    CHeadline() = default;

    // Store, then strip tags, tabs and line feeds and fold two-byte UTF-8
    // sequences to single bytes (see Clean); the shown form is the text
    // read in encoding and cleaned without folding (see CleanUnicode).
    void SetTitle(const CString& title, Content::TextEncoding encoding = Content::TextEncoding::Utf8);
    void SetDescription(const CString& description,
                        Content::TextEncoding encoding = Content::TextEncoding::Utf8);
    // Store, then trim spaces, tabs and line feeds from both ends.
    void SetLink(const CString& link);
    // Stored as given; the shown form is cleaned like a title.
    void SetChannelTitle(const CString& channelTitle,
                         Content::TextEncoding encoding = Content::TextEncoding::Utf8);
    void SetEnclosureUrl(const CString& enclosureUrl);
    // The retriever that made the headline, with its serial: a headline can
    // outlive its retriever, and the serial tells a live owner from a new
    // retriever that happens to sit at the same address.
    void SetRetriever(Content::CAbstractRetriever* retriever, uint64_t serial = 0);
    // id = hash(title) + hash(link), 32-bit wrapping.
    void Seal();

    const CString& GetTitle() const { return m_title; }
    const CString& GetDescription() const { return m_description; }
    const CString& GetLink() const { return m_link; }
    const CString& GetChannelTitle() const { return m_channelTitle; }
    // What the user reads, in well-formed UTF-8.
    const CString& GetShownTitle() const { return m_shownTitle; }
    const CString& GetShownDescription() const { return m_shownDescription; }
    const CString& GetShownChannelTitle() const { return m_shownChannelTitle; }
    const CString& GetEnclosureUrl() const { return m_enclosureUrl; }
    bool IsSealed() const { return m_sealed != 0; }
    int32_t GetId() const { return m_id; }
    // Not owned; may name a retriever that no longer exists (see above).
    Content::CAbstractRetriever* GetRetriever() const { return m_retriever; }
    uint64_t GetRetrieverSerial() const { return m_retrieverSerial; }

    // The cleaning applied to titles and descriptions.
    static CString Clean(const CString& text);
    // The trimming applied to links.
    static CString Trim(const CString& text);

private:
    CString m_title;
    CString m_description;
    CString m_link;
    CString m_channelTitle;
    CString m_shownTitle;
    CString m_shownDescription;
    CString m_shownChannelTitle;
    CString m_enclosureUrl;
    int32_t m_sealed = 0;
    int32_t m_id = 0;
    Content::CAbstractRetriever* m_retriever = nullptr;
    uint64_t m_retrieverSerial = 0;
};

// The three feed vocabularies, recognised by the name of the document's
// top-level element, and the walk that turns their items into headlines.
#pragma once

#include "Headline.h"

#include <tinyxml.h>

namespace Content
{
class CAbstractRetriever;

enum class FeedFormat
{
    Unknown,
    Rss10, // root "rdf:RDF"
    Rss,   // root "rss", RSS 0.9x and 2.0
    Atom   // root "feed"
};

// Tests the top-level element names for "rdf:RDF", then "rss", then "feed";
// the first present decides. Names are compared exactly.
FeedFormat DetectFormat(const TiXmlDocument& document);

// Where the walk delivers what it finds.
class CFeedSink
{
public:
    // The document names its channel; the title comes as it is shown
    // (cleaned, in UTF-8).
    virtual void OnChannelTitle(const CString& title) = 0;
    // One sealed headline, in document order.
    virtual void BufferIfNew(const CHeadline& headline) = 0;

protected:
    ~CFeedSink() = default;
};

// Walks the document as the given format. channelTitle carries the channel's
// title, as the document has it, from poll to poll: it is replaced when the
// document names one and stamped on every headline. Text is read in the
// encoding the document declares. Items whose shown title is empty are
// skipped; one whose folded title alone is empty keeps the identity that
// folded title gives it.
// Every headline names retriever (with its serial) as its producer.
void ParseDocument(FeedFormat format, const TiXmlDocument& document, CString& channelTitle,
                   CAbstractRetriever* retriever, CFeedSink& sink, uint64_t retrieverSerial = 0);
} // namespace Content

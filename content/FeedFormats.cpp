#include "FeedFormats.h"

namespace Content
{
namespace
{
// The text of an element: its first child when that is text (CDATA
// included). Text that follows a first child element is not collected.
CString ElementText(const TiXmlElement* element)
{
    const char* text = element != nullptr ? element->GetText() : nullptr;
    return CString(text != nullptr ? text : "");
}

CString ChildText(const TiXmlElement* parent, const char* name)
{
    return ElementText(parent->FirstChildElement(name));
}

CString ChildAttribute(const TiXmlElement* parent, const char* element, const char* attribute)
{
    const TiXmlElement* child = parent->FirstChildElement(element);
    const char* value = child != nullptr ? child->Attribute(attribute) : nullptr;
    return CString(value != nullptr ? value : "");
}

struct Vocabulary
{
    const char* root;
    // Where the items live and the channel title is found, below the root;
    // null for the root itself.
    const char* itemParent;
    const char* titleParent;
    const char* item;
};

// RSS 1.0 keeps its items beside "channel", not inside it.
const Vocabulary Rss10Vocabulary = {"rdf:RDF", nullptr, "channel", "item"};
const Vocabulary RssVocabulary = {"rss", "channel", "channel", "item"};
const Vocabulary AtomVocabulary = {"feed", nullptr, nullptr, "entry"};

const Vocabulary* VocabularyOf(FeedFormat format)
{
    switch (format)
    {
    case FeedFormat::Rss10:
        return &Rss10Vocabulary;
    case FeedFormat::Rss:
        return &RssVocabulary;
    case FeedFormat::Atom:
        return &AtomVocabulary;
    case FeedFormat::Unknown:
        break;
    }
    return nullptr;
}

const TiXmlElement* Below(const TiXmlElement* root, const char* name)
{
    return name != nullptr ? root->FirstChildElement(name) : root;
}

CHeadline ReadItem(FeedFormat format, const TiXmlElement* item, const CString& channelTitle,
                   CAbstractRetriever* retriever, uint64_t retrieverSerial)
{
    CHeadline headline;
    headline.SetChannelTitle(channelTitle);
    headline.SetRetriever(retriever, retrieverSerial);
    headline.SetTitle(ChildText(item, "title"));
    if (format == FeedFormat::Atom)
    {
        // An existing "content" wins even when it holds no text.
        const TiXmlElement* content = item->FirstChildElement("content");
        headline.SetDescription(content != nullptr ? ElementText(content) : ChildText(item, "summary"));
        headline.SetLink(ChildAttribute(item, "link", "href"));
    }
    else
    {
        headline.SetDescription(ChildText(item, "description"));
        headline.SetLink(ChildText(item, "link"));
    }
    if (format == FeedFormat::Rss)
    {
        headline.SetEnclosureUrl(ChildAttribute(item, "enclosure", "url"));
    }
    return headline;
}
} // namespace

FeedFormat DetectFormat(const TiXmlDocument& document)
{
    for (FeedFormat format : {FeedFormat::Rss10, FeedFormat::Rss, FeedFormat::Atom})
    {
        if (document.FirstChildElement(VocabularyOf(format)->root) != nullptr)
        {
            return format;
        }
    }
    return FeedFormat::Unknown;
}

void ParseDocument(FeedFormat format, const TiXmlDocument& document, CString& channelTitle,
                   CAbstractRetriever* retriever, CFeedSink& sink, uint64_t retrieverSerial)
{
    const Vocabulary* vocabulary = VocabularyOf(format);
    const TiXmlElement* root = vocabulary != nullptr ? document.FirstChildElement(vocabulary->root) : nullptr;
    if (root == nullptr)
    {
        return;
    }
    const TiXmlElement* itemParent = Below(root, vocabulary->itemParent);
    if (itemParent == nullptr)
    {
        return;
    }
    const TiXmlElement* titleParent = Below(root, vocabulary->titleParent);
    const TiXmlElement* title = titleParent != nullptr ? titleParent->FirstChildElement("title") : nullptr;
    if (title != nullptr)
    {
        channelTitle = ElementText(title);
        sink.OnChannelTitle(channelTitle);
    }
    for (const TiXmlElement* item = itemParent->FirstChildElement(vocabulary->item); item != nullptr;
         item = item->NextSiblingElement(vocabulary->item))
    {
        CHeadline headline = ReadItem(format, item, channelTitle, retriever, retrieverSerial);
        if (headline.GetTitle().IsEmpty())
        {
            continue;
        }
        headline.Seal();
        sink.BufferIfNew(headline);
    }
}
} // namespace Content

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

// TinyXML decides between UTF-8 and bytes as they stand by the first
// declaration before the root, and so do we; a byte order mark before a
// declaration of another encoding is not seen here, and its UTF-8 is read
// in the declared encoding.
TextEncoding DocumentEncoding(const TiXmlDocument& document)
{
    for (const TiXmlNode* node = document.FirstChild(); node != nullptr && node->ToElement() == nullptr;
         node = node->NextSibling())
    {
        if (const TiXmlDeclaration* declaration = node->ToDeclaration())
        {
            return EncodingNamed(declaration->Encoding());
        }
    }
    return TextEncoding::Utf8;
}

CHeadline ReadItem(FeedFormat format, const TiXmlElement* item, const CString& channelTitle,
                   TextEncoding encoding, CAbstractRetriever* retriever, uint64_t retrieverSerial)
{
    CHeadline headline;
    headline.SetChannelTitle(channelTitle, encoding);
    headline.SetRetriever(retriever, retrieverSerial);
    headline.SetTitle(ChildText(item, "title"), encoding);
    if (format == FeedFormat::Atom)
    {
        // An existing "content" wins even when it holds no text.
        const TiXmlElement* content = item->FirstChildElement("content");
        headline.SetDescription(content != nullptr ? ElementText(content) : ChildText(item, "summary"),
                                encoding);
        headline.SetLink(ChildAttribute(item, "link", "href"));
    }
    else
    {
        headline.SetDescription(ChildText(item, "description"), encoding);
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
    const TextEncoding encoding = DocumentEncoding(document);
    const TiXmlElement* titleParent = Below(root, vocabulary->titleParent);
    const TiXmlElement* title = titleParent != nullptr ? titleParent->FirstChildElement("title") : nullptr;
    if (title != nullptr)
    {
        channelTitle = ElementText(title);
        sink.OnChannelTitle(CleanUnicode(DecodeToUtf8(channelTitle, encoding)));
    }
    for (const TiXmlElement* item = itemParent->FirstChildElement(vocabulary->item); item != nullptr;
         item = item->NextSiblingElement(vocabulary->item))
    {
        CHeadline headline = ReadItem(format, item, channelTitle, encoding, retriever, retrieverSerial);
        // A title of another script folds to nothing but is still read.
        if (headline.GetShownTitle().IsEmpty())
        {
            continue;
        }
        headline.Seal();
        sink.BufferIfNew(headline);
    }
}
} // namespace Content

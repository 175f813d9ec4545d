// Channel lists in OPML, the form every feed reader imports and exports: the
// outlines a file names (at any depth, since readers nest them in folders)
// and the file we write. Texts are UTF-8 here; the caller converts.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace Configuration
{
struct COpmlOutline
{
    std::string xmlUrl;
    std::string title;
};

// Why an outline's address cannot become a channel, or None.
enum class OpmlSkip
{
    None,
    NoUrl,
    NotWeb, // not an http or https address
    ControlByte,
    TooLong // more than a channel key can hold
};

// The most a file may hold: the cap a feed's body has.
const size_t MaxOpmlBytes = 16 * 1024 * 1024;
// The longest address a channel key can hold.
const size_t MaxChannelUrlLength = 255;

// Every outline element with an xmlUrl attribute (an empty one included, so
// it can be counted as skipped), in document order; text is used when there
// is no title. Parsed with the feeds' guards: a file nested too deeply, with
// too many attributes or too large gives none, and ok says so.
std::vector<COpmlOutline> ReadOpml(const char* data, size_t size, bool& ok);

OpmlSkip CheckOpmlUrl(const std::string& url);

// An OPML 2.0 document, UTF-8, with one rss outline per channel.
std::string WriteOpml(const std::vector<COpmlOutline>& channels);
} // namespace Configuration

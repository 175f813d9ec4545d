// Parses a received body into a TinyXML document. TinyXML recurses once per
// level of element nesting while parsing and again while deleting, so a
// document nested deeper than a worker's stack can take is refused before
// parsing: it stays empty, exactly like a failed fetch.
#pragma once

#include <tinyxml.h>

#include <cstddef>

namespace Content
{
// Deeper than any real feed; far below what a 1 MB thread stack survives
// (TinyXML needs a few hundred bytes of stack per level).
const size_t MaxXmlDepth = 256;

// The deepest element nesting of the text, counting as TinyXML would nest
// elements: comments, CDATA sections, declarations and quoted attribute
// values open nothing. Stops counting once limit is exceeded.
size_t MeasureXmlDepth(const char* text, size_t limit = MaxXmlDepth);

// Parses text (zero-terminated) with encoding detection, or leaves the
// document empty when the text nests too deeply. Returns whether it parsed.
bool ParseXmlBody(const char* text, TiXmlDocument& document);
} // namespace Content

// Parses a received body into a TinyXML document. TinyXML recurses once per
// level of element nesting while parsing and again while deleting, and it
// compares every attribute with all earlier ones of its element, so a
// document nested deeper than a worker's stack can take, or one whose
// attributes would keep the worker busy for hours, is refused before
// parsing: it stays empty, exactly like a failed fetch.
#pragma once

#include <tinyxml.h>

#include <cstddef>

namespace Content
{
// Deeper than any real feed; far below what a 1 MB thread stack survives
// (TinyXML needs a few hundred bytes of stack per level).
const size_t MaxXmlDepth = 256;
// Far more than any feed element carries; keeps the attribute comparisons
// of a 16 MB body to seconds.
const size_t MaxXmlAttributes = 256;

// The deepest element nesting TinyXML would reach in the text (an empty
// element counts while it is parsed), found by walking it with TinyXML's own
// rules for comments, CDATA sections, declarations, quoted values, character
// references and UTF-8 sequences, so that nothing can hide an element from
// the count. Stops counting once limit is exceeded.
size_t MeasureXmlDepth(const char* text, size_t limit = MaxXmlDepth);

// The most attributes TinyXML would read on one element of the text, by the
// same walk. Stops counting once limit is exceeded.
size_t CountMostXmlAttributes(const char* text, size_t limit = MaxXmlAttributes);

// Parses text (zero-terminated) with encoding detection, or leaves the
// document empty when the text nests too deeply or carries too many
// attributes on one element. Returns whether it parsed.
// TinyXML parses a padded copy: it may step a few bytes past the end of a
// text that ends inside a UTF-8 sequence.
bool ParseXmlBody(const char* text, TiXmlDocument& document);

// TinyXML steps over a UTF-8 sequence as far as its lead byte promises (up
// to 4 bytes), even past the terminator when the text ends inside one: this
// many zero bytes after the terminator stop it there instead of in whatever
// memory follows.
const size_t XmlPadding = 4;
// As ParseXmlBody, in place, for a text whose terminator is followed by
// XmlPadding more zero bytes (a received body keeps them): a feed of many
// megabytes is not copied before it is parsed.
bool ParsePaddedXmlBody(const char* text, TiXmlDocument& document);
} // namespace Content

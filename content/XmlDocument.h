// Parses a received body into a TinyXML document. TinyXML recurses once per
// level of element nesting while parsing and again while deleting, and it
// compares every attribute with all earlier ones of its element, so a
// document nested deeper than a worker's stack can take, or one whose
// attributes would keep the worker busy for hours, is refused: it stays
// empty, exactly like a failed fetch. The limits live in TinyXML's parser
// (our patch to it, applied by scripts/setup): deeper than any real feed,
// far below what a 1 MB thread stack survives, and far more attributes than
// any feed element carries.
#pragma once

#include <tinyxml.h>

#include <cstddef>

namespace Content
{
const size_t MaxXmlDepth = TIXML_MAX_DEPTH;
const size_t MaxXmlAttributes = TIXML_MAX_ATTRIBUTES;

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

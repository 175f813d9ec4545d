// The text a user reads, kept in UTF-8 beside the folded text that identifies
// a headline: decoding of the legacy encodings a feed may declare, the
// cleaning of tags and line breaks without folding, and the reading
// direction. Everything produced here is well-formed UTF-8, so the platform
// layer can widen it without losing characters.
#pragma once

#include "common/CString.h"

namespace Content
{
// How a document's text bytes are to be read. TinyXML hands out UTF-8 for
// documents that declare UTF-8 or nothing, and the bytes as they stand for
// any other declaration.
enum class TextEncoding
{
    Utf8,
    Latin1,      // ISO-8859-1, US-ASCII
    Windows1252, // Latin-1 with printable characters in 0x80..0x9F
    Windows1251, // Cyrillic
    Koi8R,       // Cyrillic
    Unsupported  // multi-byte legacy sets (GB2312, Shift_JIS, Big5, EUC-*) and the rest
};

// The encoding of a declaration's encoding name, with TinyXML's rule for
// UTF-8 (an empty name or one starting with "UTF-8" or "UTF8", any case).
TextEncoding EncodingNamed(const char* name);

// The text in UTF-8. UTF-8 passes unchanged (cleaning repairs it); a byte
// above 0x7F of an unsupported encoding becomes U+FFFD, because guessing
// would put the wrong script on screen.
CString DecodeToUtf8(const CString& text, TextEncoding encoding);

// The headline cleaning without folding: tabs and line feeds go, and so does
// markup, but only a '<' that starts a tag (a letter, '/', '!' or '?' follows
// and a '>' closes it) opens one, so "Tom & Jerry <3 cheese" keeps its '<'.
// Each byte that is not part of a well-formed sequence (stray, cut short,
// overlong, a surrogate, beyond U+10FFFF) becomes U+FFFD.
CString CleanUnicode(const CString& utf8);

// Whether every byte of the text belongs to a well-formed UTF-8 sequence:
// text from elsewhere than a headline (a URL as a feed gave it) is shown as
// UTF-8 only then, and otherwise as the ANSI text it then is.
bool IsWellFormedUtf8(const CString& text);

// Whether the text's first strongly directional character belongs to a
// right-to-left script (Hebrew, Arabic, Syriac, Thaana, N'Ko and their
// presentation forms); text with none reads left to right.
bool ReadsRightToLeft(const CString& utf8);
} // namespace Content

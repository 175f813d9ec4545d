// The name a download is stored under in the download folder, made from the
// URL's last path segment. A server or a feed chooses that segment, so it is
// made safe before it names a file: it can never leave the folder, name a
// device or collide with Windows' own rules for file names.
//
// A name is text in one of two forms, told apart by its bytes: well-formed
// UTF-8 is a name in any script, counted in the UTF-16 units Windows counts;
// anything else is a name in the ANSI code page, as the URLs of documents in
// legacy encodings give it, handled byte by byte as it always was. Pure
// ASCII reads the same either way.
#pragma once

#include "common/CString.h"

namespace Content
{
namespace Download
{
// Longest name we make; the full path must also fit in MAX_PATH.
const size_t MaxFileNameLength = 120;
// The name of a download whose URL offers none of its own.
extern const char* const FallbackFileName;

// How a URL's segment becomes a name.
enum class SegmentEscapes
{
    // "%D0%9F" is the character it encodes, when the decoded segment is
    // well-formed UTF-8; otherwise the segment is taken as it stands.
    Decoded,
    // As it stands, as earlier versions named their files.
    Kept
};

// The URL's last path segment, without query or fragment, made safe with
// SafeFileName. A URL without a path ("http://host") gives the fallback.
CString FileNameFromUrl(const CString& url, size_t maxLength = MaxFileNameLength,
                        SegmentEscapes escapes = SegmentEscapes::Decoded);

// Control characters, the characters Windows refuses in file names (\ / : *
// ? " < > |) and, in UTF-8, the direction controls become "_"; trailing dots
// and spaces go (Windows would drop them and open another file); reserved
// device names (CON, NUL, COM1, ...) get a leading "_"; a name longer than
// maxLength is shortened, keeping a short extension, and never in the middle
// of a character. Never empty.
CString SafeFileName(const CString& name, size_t maxLength = MaxFileNameLength);

// "clip (2).mp3" for "clip.mp3" and 2: the name a second download of the
// same name gets.
CString NumberedFileName(const CString& name, unsigned number);

// Device names that open a device instead of a file, with or without an
// extension ("nul.txt" too), in any letter case.
bool IsReservedDeviceName(const CString& name);

// Whether two names are one to Windows, which compares file names and
// registry key names without regard to letter case. UTF-8 names compare by
// character with the simple case mappings of the Latin, Greek, Cyrillic and
// Armenian alphabets and the full-width Latin letters; other names by byte,
// ignoring ASCII letter case.
bool EqualIgnoringCase(const CString& a, const CString& b);
} // namespace Download
} // namespace Content

// The name a download is stored under in the download folder, made from the
// URL's last path segment. A server or a feed chooses that segment, so it is
// made safe before it names a file: it can never leave the folder, name a
// device or collide with Windows' own rules for file names.
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

// The URL's last path segment, without query or fragment, made safe with
// SafeFileName. A URL without a path ("http://host") gives the fallback.
CString FileNameFromUrl(const CString& url, size_t maxLength = MaxFileNameLength);

// Control bytes and the characters Windows refuses in file names (\ / : * ?
// " < > |) become "_"; trailing dots and spaces go (Windows would drop them
// and open another file); reserved device names (CON, NUL, COM1, ...) get a
// leading "_"; a name longer than maxLength is shortened, keeping a short
// extension. Never empty.
CString SafeFileName(const CString& name, size_t maxLength = MaxFileNameLength);

// "clip (2).mp3" for "clip.mp3" and 2: the name a second download of the
// same name gets.
CString NumberedFileName(const CString& name, unsigned number);

// Device names that open a device instead of a file, with or without an
// extension ("nul.txt" too), in any letter case.
bool IsReservedDeviceName(const CString& name);

// Byte-wise comparison ignoring ASCII letter case, as Windows compares file
// names and registry key names for the characters URLs are made of.
bool EqualIgnoringCase(const CString& a, const CString& b);
} // namespace Download
} // namespace Content

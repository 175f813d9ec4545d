// Which URLs can become download jobs, and the registry key name each job is
// stored under in SOFTWARE\tidelight\Downloads. A job is stored under its URL
// when the URL can name a key of its own; a URL that cannot (it holds "\",
// the registry's separator, or is longer than a key name may be), or whose
// name another job already holds in the registry's case-insensitive sense,
// gets a name of its own, and its URL is then kept in the key's "url" value.
#pragma once

#include "common/CString.h"

#include <cstdint>

namespace Content
{
namespace Download
{
// Longer URLs are refused; no server needs them.
const size_t MaxUrlLength = 16384;
// The registry's limit on a key name.
const size_t MaxKeyNameLength = 255;

// An http or https URL (any case) without control bytes, not longer than
// MaxUrlLength.
bool IsDownloadableUrl(const CString& url);

// Whether the URL can itself be a key name: not empty, no "\", no zero
// byte, at most MaxKeyNameLength bytes.
bool CanNameKey(const CString& url);

// "job-" and 16 hex digits of a 64-bit hash of the URL, with " (n)" added
// from number 2 on, for the next try when a name is taken.
CString GeneratedKeyName(const CString& url, unsigned number);
} // namespace Download
} // namespace Content

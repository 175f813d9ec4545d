// Reads the listing service's answers. Only top-level elements count, so a
// declaration, comments or a stray element before the answer do no harm.
#pragma once

#include "common/CString.h"

#include <tinyxml.h>

#include <vector>

namespace Sync
{
// The client's own texts for a failed request.
extern const char* const RequestFailedText; // no document at all
extern const char* const UnknownErrorText;  // neither the expected element nor "error"

// An add or remove answer: a top-level "success" leaves error untouched;
// otherwise error becomes the text of a top-level "error" or, without one,
// UnknownErrorText. An "error" without text therefore reads as success.
void ReadChangeAnswer(const TiXmlDocument& document, CString& error);

// A listing answer: with a top-level "opml", appends the decoded "xmlUrl" of
// every "outline" directly inside its first "body", in document order (an
// outline without one gives an empty entry; repeats stay); otherwise sets
// error as ReadChangeAnswer does and appends nothing.
void ReadListAnswer(const TiXmlDocument& document, std::vector<CString>& channels, CString& error);
} // namespace Sync

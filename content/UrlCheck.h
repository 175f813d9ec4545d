// Checks every URL passes before the program sends a request for it, and
// the parts of a URL that decide where a request goes.
#pragma once

#include "common/CString.h"

#include <string>

namespace Content
{
// An http or https URL taken apart as WinINet wants it.
struct CUrlParts
{
    bool secure = false;
    std::string host;
    unsigned short port = 0;
    // Path followed by query, as the request's object name.
    std::string object;
};

// CR or LF would let a URL add header lines to a request; no other control
// byte (NUL and DEL included) belongs in a URL either.
bool HasControlCharacters(const CString& url);

// The URL up to its '#': the fragment names a place inside the document
// and is the reader's business, never the server's.
CString WithoutFragment(const CString& url);

// A request's object name with every byte outside printable ASCII, and the
// space, written as %XX: a feed's URLs may hold UTF-8 or spaces, and the
// escaped form reaches the server as the same bytes whatever the code page.
std::string EscapeRequestTarget(const std::string& object);

// Every %XX of two hex digits as the byte it stands for; a '%' without two
// digits after it stays as it is.
std::string PercentDecoded(const std::string& text);

// Same scheme, host (in any case) and port: credentials given for one
// origin go to no other.
bool SameOrigin(const CUrlParts& a, const CUrlParts& b);
} // namespace Content

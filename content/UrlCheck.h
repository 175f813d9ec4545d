// Checks every URL passes before the program sends a request for it.
#pragma once

#include "common/CString.h"

namespace Content
{
// CR or LF would let a URL add header lines to a request; no other control
// byte (NUL and DEL included) belongs in a URL either.
bool HasControlCharacters(const CString& url);
} // namespace Content

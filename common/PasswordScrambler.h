// Stored passwords are XOR-scrambled with a fixed 8-byte key: byte i of the
// text with key byte i mod 8. The same call unscrambles. The length never
// changes; a scrambled byte is zero exactly where the plain byte equals its
// key byte, so callers that store the result must keep its full length.
#pragma once

#include "CString.h"

namespace Common
{
CString ScramblePassword(const CString& text);
} // namespace Common

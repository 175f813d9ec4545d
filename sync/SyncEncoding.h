// The texts the listing service's requests are built from, and the decoding
// of the addresses its listings carry. The password itself never travels:
// requests carry a token derived from it.
#pragma once

#include "common/CString.h"

#include <cstddef>

namespace Sync
{
// The longest address a listing entry decodes to; the rest is cut off.
const size_t MaxListedUrlLength = 260;

// The password's identity hash as its four bytes, least significant first,
// each as two upper-case hex digits: "abc" gives "8B5C880B".
CString PasswordToken(const CString& password);

// A channel URL as one query value: a space becomes "+", letters, digits and
// ! ' ( ) * - . / : _ ~ stay, every other byte becomes "%" and two
// lower-case hex digits.
CString EscapeChannel(const CString& channel);

// base + script + "?user=" + username + "&password=" + token, and
// "&channel=" + the escaped channel when channel is not null. The user name
// goes in as typed: the service knows its users by that exact text.
CString RequestUrl(const CString& base, const char* script, const CString& username, const CString& password,
                   const CString* channel = nullptr);

// An "xmlUrl" value with each "%" and two hex digits turned into that byte
// ("+" stays "+"), cut after MaxListedUrlLength bytes. A "%" without two hex
// digits after it is kept as it is. A decoded zero byte ends the value, so
// no address carries an invisible tail. Reads nothing past value's
// terminating zero.
CString DecodeListedUrl(const char* value);
} // namespace Sync

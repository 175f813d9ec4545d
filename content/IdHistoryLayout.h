// The stored form of a channel's shown-headline history: each id as 4 bytes,
// little-endian, two's complement, oldest first. It must stay readable by
// every earlier version, so it never changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace Content
{
const size_t IdHistoryCapacity = 64;
const size_t IdHistoryMaxBytes = IdHistoryCapacity * 4;

// The ids in stored order. Trailing bytes that do not make a whole id are
// ignored, so fewer than 4 bytes give none. The registry reader only accepts
// values of up to IdHistoryMaxBytes; anything longer is not a history we
// wrote and gives none here too.
std::vector<int32_t> DecodeIdHistory(const unsigned char* bytes, size_t length);

std::vector<unsigned char> EncodeIdHistory(const std::deque<int32_t>& ids);
} // namespace Content

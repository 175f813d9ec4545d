// The stored form of a channel's shown-headline history: each id as 4 bytes,
// little-endian, two's complement, oldest first. It must stay readable by
// every earlier version, so it never changes: "internalState" holds at most
// the newest 64 ids in it, and a longer history keeps all its ids, in the
// same form, in a value of its own beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace Content
{
const size_t IdHistoryCapacity = 64;
const size_t IdHistoryMaxBytes = IdHistoryCapacity * 4;
// The most ids a history ever holds, whatever a feed carries: memory and the
// stored value stay bounded even for a hostile feed.
const size_t IdHistoryLimit = 20000;

// The ids in stored order. Trailing bytes that do not make a whole id are
// ignored, so fewer than 4 bytes give none. Values longer than maxBytes are
// not a history we wrote and give none.
std::vector<int32_t> DecodeIdHistory(const unsigned char* bytes, size_t length,
                                     size_t maxBytes = IdHistoryMaxBytes);

std::vector<unsigned char> EncodeIdHistory(const std::deque<int32_t>& ids);
} // namespace Content

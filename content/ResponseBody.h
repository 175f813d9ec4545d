// Collects an HTTP body the way every fetch reads it: in pieces of at most
// 1023 bytes, each cut at its first zero byte (the service formats are 8-bit
// text), into one zero-terminated buffer. A body whose bytes, as received,
// pass the cap is refused as a whole, so a hostile server cannot exhaust
// memory or keep a fetch reading.
#pragma once

#include "XmlDocument.h"

#include <cstddef>
#include <vector>

namespace Content
{
class CResponseBody
{
public:
    static constexpr size_t PieceSize = 1023;
    static constexpr size_t InitialCapacity = 4096;
    // Larger than any feed, update manifest or listing we expect.
    static constexpr size_t DefaultLimit = 16 * 1024 * 1024;

    explicit CResponseBody(size_t limit = DefaultLimit);

    // Appends one piece as read: the bytes up to the first zero. Returns
    // false once the body is over its limit; it is then discarded.
    bool AppendPiece(const char* piece, size_t length);
    bool IsOverLimit() const { return m_overLimit; }
    // The text so far, zero-terminated and followed by XmlPadding more zero
    // bytes, so it can be parsed in place; empty after the limit was passed.
    const char* GetText() const { return m_text.data(); }
    size_t GetLength() const { return m_text.size() - Tail; }

private:
    // The terminator and the parser's padding.
    static constexpr size_t Tail = 1 + XmlPadding;

    std::vector<char> m_text;
    size_t m_limit;
    size_t m_received = 0;
    bool m_overLimit = false;
};
} // namespace Content

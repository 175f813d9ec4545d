#include "ResponseBody.h"

#include <cstring>

namespace Content
{
CResponseBody::CResponseBody(size_t limit) : m_limit(limit)
{
    m_text.reserve(InitialCapacity);
    m_text.assign(Tail, 0);
}

bool CResponseBody::AppendPiece(const char* piece, size_t length)
{
    if (m_overLimit)
    {
        return false;
    }
    // Every byte received counts, the dropped zero bytes too: a server
    // sending nothing but zeros must reach the cap like any other.
    m_received += length;
    if (m_received > m_limit)
    {
        m_overLimit = true;
        std::vector<char>(Tail, 0).swap(m_text);
        return false;
    }
    const void* zero = std::memchr(piece, 0, length);
    if (zero != nullptr)
    {
        length = static_cast<size_t>(static_cast<const char*>(zero) - piece);
    }
    m_text.insert(m_text.end() - static_cast<std::ptrdiff_t>(Tail), piece, piece + length);
    return true;
}
} // namespace Content

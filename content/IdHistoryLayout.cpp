#include "IdHistoryLayout.h"

namespace Content
{
std::vector<int32_t> DecodeIdHistory(const unsigned char* bytes, size_t length, size_t maxBytes)
{
    std::vector<int32_t> ids;
    if (length > maxBytes)
    {
        return ids;
    }
    for (size_t offset = 0; offset + 4 <= length; offset += 4)
    {
        const uint32_t value =
            static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
            static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
        ids.push_back(static_cast<int32_t>(value));
    }
    return ids;
}

std::vector<unsigned char> EncodeIdHistory(const std::deque<int32_t>& ids)
{
    std::vector<unsigned char> bytes;
    bytes.reserve(ids.size() * 4);
    for (int32_t id : ids)
    {
        const uint32_t value = static_cast<uint32_t>(id);
        for (int shift = 0; shift < 32; shift += 8)
        {
            bytes.push_back(static_cast<unsigned char>(value >> shift));
        }
    }
    return bytes;
}
} // namespace Content

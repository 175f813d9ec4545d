#include "IdentityHash.h"

namespace Common
{
uint32_t IdentityHash(const char* text) noexcept
{
    uint32_t hash = 5381;
    for (; *text != 0; ++text)
    {
        // Bytes 0x80-0xFF count as -128..-1; the unsigned conversion of the
        // signed value is the wrapping addition the ids were made with.
        hash = hash * 33u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*text)));
    }
    return hash;
}
} // namespace Common

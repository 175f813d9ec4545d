// The djb2 string hash that gives headlines their identity and the sync
// service its password token. Stored ids depend on every detail: bytes are
// taken as signed 8-bit values and the arithmetic wraps at 32 bits.
#pragma once

#include <cstdint>

namespace Common
{
// Hash of the bytes up to the terminating zero; the empty string gives 5381.
uint32_t IdentityHash(const char* text) noexcept;
} // namespace Common

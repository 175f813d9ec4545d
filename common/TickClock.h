// The millisecond tick count that paces the services. Tests replace the
// source so that a quarter of an hour can pass at once.
#pragma once

#include <cstdint>

namespace Common
{
uint64_t TickCount();
// Null restores the system's tick count.
void SetTickCountSource(uint64_t (*source)());
} // namespace Common

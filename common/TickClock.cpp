#include "TickClock.h"

#include <windows.h>

#include <atomic>

namespace Common
{
namespace
{
std::atomic<uint64_t (*)()> g_source{nullptr};
}

uint64_t TickCount()
{
    uint64_t (*source)() = g_source.load();
    // The 64-bit count never wraps, unlike the 49-day 32-bit one.
    return source != nullptr ? source() : ::GetTickCount64();
}

void SetTickCountSource(uint64_t (*source)())
{
    g_source.store(source);
}
} // namespace Common

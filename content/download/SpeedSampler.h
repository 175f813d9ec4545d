// A download's speed: kilobytes (1024 bytes) per second over the last
// sampling period, a period ending at the first sample more than a second
// after the previous one. Each job has its own sampler.
#pragma once

#include <cstdint>

namespace Content
{
namespace Download
{
class CSpeedSampler
{
public:
    static const uint64_t Period = 1000; // milliseconds

    // Starts a period at now with count bytes, keeping the last speed. Used
    // whenever the transfer (re)starts, so that time spent connecting or
    // paused, or bytes already on disk, never count as transferred.
    void Restart(uint64_t now, uint64_t count);
    // Ends the period when more than Period has passed since it began and
    // computes the speed over it; returns whether it did.
    bool Sample(uint64_t now, uint64_t count);
    float GetSpeed() const { return m_speed; }

private:
    uint64_t m_lastTime = 0;
    uint64_t m_lastCount = 0;
    float m_speed = 0;
};
} // namespace Download
} // namespace Content

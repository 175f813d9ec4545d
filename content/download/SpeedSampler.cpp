#include "SpeedSampler.h"

namespace Content
{
namespace Download
{
void CSpeedSampler::Restart(uint64_t now, uint64_t count)
{
    m_lastTime = now;
    m_lastCount = count;
}

bool CSpeedSampler::Sample(uint64_t now, uint64_t count)
{
    if (now < m_lastTime || now - m_lastTime <= Period)
    {
        return false;
    }
    const uint64_t bytes = count >= m_lastCount ? count - m_lastCount : 0;
    const double seconds = static_cast<double>(now - m_lastTime) / 1000.0;
    m_speed = static_cast<float>(static_cast<double>(bytes) / 1024.0 / seconds);
    m_lastTime = now;
    m_lastCount = count;
    return true;
}
} // namespace Download
} // namespace Content

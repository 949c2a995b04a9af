#include "framework/SimulationClock.h"

namespace GameLib
{

void CSimulationClock::Advance(double frameTime)
{
    const double scaled = IsPaused() ? 0.0 : frameTime * m_timeFactor;
    m_accumulator += scaled;
    if (m_mode == kFixedSteps)
    {
        while (m_accumulator >= m_stepLength)
        {
            ++m_stepCount;
            m_simulatedTime = static_cast<double>(m_stepCount) * m_stepLength;
            m_stepCallback(m_stepLength);
            m_accumulator -= m_stepLength;
        }
    }
    else if (m_mode == kVariableStep)
    {
        ++m_stepCount;
        m_simulatedTime += m_accumulator;
        m_stepCallback(m_accumulator);
        m_accumulator = 0.0;
    }
    const double time = m_simulatedTime + m_accumulator;
    m_delta = time - m_time;
    m_time = time;
}

void CSimulationClock::Reset()
{
    m_timeFactor = 1.0;
    m_stepCount = -1;
    m_accumulator = 0.0;
    m_simulatedTime = 0.0;
    m_time = 0.0;
    m_delta = 0.0;
    m_paused = 0;
}

void CSimulationClock::Init()
{
    m_mode = kFixedSteps;
    m_stepCallback = StepCallback();
    m_stepLength = 1.0;
    Reset();
}

} // namespace GameLib

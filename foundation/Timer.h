#pragma once

#include <type_traits>

namespace BaseLib
{

// A pausable clock. Time is a double in the units of the deltas given to Advance. Starts at 0, paused.
class CTimer
{
public:
    // Adds delta (in double) unless paused.
    void Advance(float delta)
    {
        if (!m_paused)
        {
            m_time += delta;
        }
    }
    double GetTime() const { return m_time; }
    void SetTime(double time) { m_time = time; }
    bool IsPaused() const { return m_paused; }
    void Pause() { m_paused = true; }
    void Resume() { m_paused = false; }
    // Back to 0 and paused.
    void Stop()
    {
        m_time = 0.0;
        m_paused = true;
    }
    // Does nothing; a member to bind where an operation is required but nothing should happen.
    void Nop() {}

private:
    double m_time = 0.0;
    bool m_paused = true;
};

static_assert(std::is_trivially_copyable_v<CTimer>);

} // namespace BaseLib

#pragma once

#include "framework/Delegate.h"

#include <cstdint>

namespace GameLib
{

// The world's simulation clock. Each advance adds the frame time, scaled by the time factor (nothing
// while paused), to an accumulator and runs the steps it allows: in fixed mode as many steps of the step
// length as fit, in variable mode one step of the whole accumulator, in any other mode none. The time of
// a step is computed from the step count, so the clock never drifts from the summed frame time; once steps
// have begun, time stays one step length behind it. There is no limit on the steps of one advance: the
// caller bounds the frame time (the user-interface controller passes at most 0.5 s).
class CSimulationClock
{
public:
    enum EMode : std::int32_t
    {
        kFixedSteps = 0,
        kVariableStep = 1,
    };
    using StepCallback = TDelegate<double>;

    // As Init.
    CSimulationClock() { Init(); }

    // Runs the steps the frame time (seconds) allows, calling the step callback with each step's length.
    void Advance(double frameTime);
    // Factor 1, step count -1, accumulator, simulated time, time and delta 0, not paused; mode, step length
    // and callback kept.
    void Reset();
    // Fixed mode, no callback, step length 1.0, then the values of Reset.
    void Init();

    std::int32_t GetMode() const { return m_mode; }
    void SetMode(std::int32_t mode) { m_mode = mode; }
    double GetStepLength() const { return m_stepLength; }
    void SetStepLength(double seconds) { m_stepLength = seconds; }
    void SetStepCallback(StepCallback callback) { m_stepCallback = std::move(callback); }
    bool HasStepCallback() const { return !m_stepCallback.IsEmpty(); }

    bool IsPaused() const { return (m_paused & 1) != 0; }
    void SetPaused(bool paused) { m_paused = paused ? 1 : 0; }
    double GetTimeFactor() const { return m_timeFactor; }
    void SetTimeFactor(double factor) { m_timeFactor = factor; }

    // Steps taken minus one: -1 before the first step, which has number 0.
    std::int64_t GetStepCount() const { return m_stepCount; }
    // Scaled time not yet consumed by steps.
    double GetAccumulator() const { return m_accumulator; }
    // The time of the last step.
    double GetSimulatedTime() const { return m_simulatedTime; }
    // Simulated time plus accumulator after the last advance.
    double GetTime() const { return m_time; }
    // The change of GetTime in the last advance.
    double GetDelta() const { return m_delta; }

private:
    std::int32_t m_mode = kFixedSteps;
    StepCallback m_stepCallback;
    std::uint32_t m_paused = 0; // bit 0
    std::int64_t m_stepCount = -1;
    double m_accumulator = 0.0;
    double m_simulatedTime = 0.0;
    double m_time = 0.0;
    double m_delta = 0.0;
    double m_stepLength = 1.0;
    double m_timeFactor = 1.0;
};

} // namespace GameLib

#pragma once

#include "sound/Sound.h"

#include <memory>
#include <string>
#include <vector>

// The background ambience of a region: one looping sound plus short one-shots, of which a random one
// plays at a random pitch after each random pause. It is itself a sound, so its owner starts, fades and
// stops it like any other; its own volume, pan and pitch are fixed (setters do nothing). The owner fills
// it while it is stopped and calls Update every frame. Main thread only.
class CAtmoPlayer : public SoundLib::CSound
{
public:
    CAtmoPlayer() = default;
    // Clear: every sound is stopped before it is deleted.
    ~CAtmoPlayer() override;

    // FadeIn (0, 100); whether it now plays.
    bool Play() override;
    void Stop() override;
    // The loop fades in; the first one-shot follows after the larger of the time and a random pause.
    void FadeIn(float seconds, float targetVolume) override;
    void FadeOut(float seconds) override;
    void FadeTo(float, float) override {}
    bool IsPlaying() override { return m_playing; }
    // Stops, whatever the flag.
    void SetPaused(bool) override { Stop(); }
    bool IsPaused() override { return !m_playing; }
    void SetVolume(float) override {}
    float GetVolume() override { return 100.0f; }
    void SetPan(float) override {}
    float GetPan() override { return 0.0f; }
    void SetPitch(float) override {}
    float GetPitch() override { return 1.0f; }
    void DetachVoice() override {}
    // Seconds since the last call: plays at most one one-shot when its pause has run out; the overshoot
    // carries over into the next pause.
    virtual void Update(double dt);

    // The old loop is stopped and deleted; the new one loops.
    void SetLoop(const std::string& fileName);
    void AddOneShot(const std::string& fileName);
    void SetPitchRange(float low, float high);
    // Seconds.
    void SetPauseRange(float low, float high);
    // Stops and deletes the loop and every one-shot.
    void Clear();

    // low + (high - low) * r, r one of 0, 0.001, ..., 1.0 from BaseLib::Random.
    static float RandomInRange(float low, float high);

    SoundLib::CMultiChannelSound* GetLoop() const { return m_loop.get(); }
    std::size_t GetOneShotCount() const { return m_oneShots.size(); }
    float GetCountdown() const { return m_countdown; }

private:
    std::unique_ptr<SoundLib::CMultiChannelSound> m_loop;
    std::vector<std::unique_ptr<SoundLib::CMultiChannelSound>> m_oneShots;
    float m_pitchLow = 0.9f;
    float m_pitchHigh = 1.1f;
    float m_pauseLow = 1.0f;
    float m_pauseHigh = 2.5f;
    bool m_playing = false;
    float m_countdown = 0.0f;
};

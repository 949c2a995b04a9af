#pragma once

#include "platform/audio/Audio.h"
#include "sound/SampleSource.h"
#include "sound/Voice.h"

#include <cstdint>
#include <memory>

namespace SoundLib
{

class CDirectSound8Device;

// A voice of the real device: one buffer of the audio layer, static (the whole sound) or a one-second
// ring refilled from an Ogg stream by the device's update. Every operation takes the device's lock.
class CDirectSound8Voice final : public CVoice
{
public:
    CDirectSound8Voice(int index, CDirectSound8Device* device);
    ~CDirectSound8Voice() override;

    // Unit conversions between the voice's values and the layer's hundredths of a decibel. Not-a-number
    // gives silence or the centre; no value reaches an integer conversion out of range.
    static std::int32_t VolumeToMillibels(float percent);
    static float MillibelsToVolume(std::int32_t millibels);
    static std::int32_t PanToMillibels(float pan);
    static float MillibelsToPan(std::int32_t millibels);

    bool Play() override;
    // Disabled device: true, nothing plays. Otherwise load, the sound's values, play; false when the file
    // does not load. Play3D sets the sound's volume as Play2D does.
    bool Play3D(C3DSound& sound, const BaseLib::CVector3& position, bool looping) override;
    bool Play2D(CMultiChannelSound& sound, bool looping) override;
    bool Load(const std::string& fileName, bool is3D) override;
    std::string GetFileName() const override;
    void Pause() override;
    void Stop() override;
    bool IsPlaying() override;
    bool IsPaused() override { return m_paused; }
    void SetLooping(bool looping) override;
    bool GetLooping() override { return m_looping; }
    bool IsStreaming() override { return m_streaming; }
    void SetPlayPosition(double seconds) override;
    bool Is3D() override { return m_buffer != nullptr && m_is3D; }
    double GetPlayPosition() override;
    double GetLength() override;
    void SetVolume(float percent) override;
    float GetVolume() override;
    void SetPan(float pan) override;
    float GetPan() override;
    void SetMinDistance(float distance) override;
    float GetMinDistance() override;
    void SetMaxDistance(float distance) override;
    float GetMaxDistance() override;
    void SetPitch(float factor) override;
    float GetPitch() override { return m_pitch; }
    void Set3DMode(int mode) override { m_3DMode = mode; }
    int Get3DMode() override { return m_3DMode; }
    bool SetPosition(const BaseLib::CVector3& position) override;
    BaseLib::CVector3 GetPosition() override { return m_position; }
    BaseLib::CVector3 GetAppliedPosition() override;
    bool SetVelocity(const BaseLib::CVector3& velocity) override;
    BaseLib::CVector3 GetVelocity() override;
    bool SetOrientation(const BaseLib::CVector3& orientation) override;
    BaseLib::CVector3 GetOrientation() override;
    bool SetCone(float insideAngle, float outsideAngle, float outsideVolume) override;
    void FadeTo(float targetVolume, int durationMs) override;
    bool IsFading() override { return m_fading; }

    // For the device's update, under its lock.
    bool HasBuffer() const { return m_buffer != nullptr; }
    int GetStreamState() const { return m_streamState; }
    std::uint32_t GetNextWriteOffset() const { return m_nextWriteOffset; }
    std::uint32_t GetEndOffset() const { return m_endOffset; }
    // One fade step at the registry clock's time.
    void UpdateFade(std::int64_t timeMs);
    // One refill of the streaming ring behind the play cursor.
    void RefillStream();
    // Sets the position handed to the output (deferred), for the device's multi-listener placement.
    void SetOutputPosition(const BaseLib::CVector3& position);

private:
    void ReleaseBuffers();
    void Reset();
    bool CreateBuffer(const Platform::WaveFormat& format, std::uint32_t dataBytes, bool is3D, bool streamingAllowed);
    // Sets the volume without touching a running fade.
    void ApplyVolume(float percent);
    bool FillWholeBuffer();

    const int m_index;
    CDirectSound8Device* const m_device;
    std::unique_ptr<Platform::IAudioBuffer> m_buffer;
    bool m_is3D = false;
    std::unique_ptr<Platform::IAudioPropertySet> m_propertySet;
    std::unique_ptr<CSampleSource> m_source;
    std::uint32_t m_bufferSize = 0;
    bool m_streaming = false;
    int m_streamState = 0;
    std::uint32_t m_endOffset = 0;
    std::uint32_t m_nextWriteOffset = 0;
    float m_volume = 100.0f;
    float m_pan = 0.0f;
    float m_pitch = 1.0f;
    bool m_looping = false;
    bool m_filled = false;
    bool m_paused = false;
    bool m_pausedWhilePlaying = false;
    bool m_fading = false;
    std::int64_t m_fadeStart = 0;
    float m_fadeStartVolume = 0.0f;
    float m_fadeTarget = 0.0f;
    int m_fadeDuration = 0;
    int m_3DMode = 0;
    BaseLib::CVector3 m_position;
};

} // namespace SoundLib

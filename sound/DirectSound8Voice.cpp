#include "sound/DirectSound8Voice.h"

#include "foundation/Debug.h"
#include "sound/CachedWaveSampleSource.h"
#include "sound/DirectSound8Device.h"
#include "sound/OggFileSampleSource.h"
#include "sound/Sound.h"
#include "sound/SoundDeviceRegistry.h"
#include "sound/WaveResource.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace SoundLib
{

namespace
{

using Platform::AudioOk;
using Platform::AudioVector;

AudioVector ToAudio(const BaseLib::CVector3& v)
{
    return AudioVector{v.x, v.y, v.z};
}

BaseLib::CVector3 FromAudio(const AudioVector& v)
{
    return BaseLib::CVector3(v.x, v.y, v.z);
}

bool EndsWith(const std::string& text, const char* ending)
{
    const std::string end(ending);
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Volumes are kept in [0, 100]; not-a-number counts as 0.
float ClampVolume(float percent)
{
    if (!(percent > 0.0f))
    {
        return 0.0f;
    }
    return std::min(percent, 100.0f);
}

// Cursors preset the way the refill expects when the layer answers nothing.
constexpr std::uint32_t UnreadCursor = 666;

}

std::int32_t CDirectSound8Voice::VolumeToMillibels(float percent)
{
    if (!(percent > 0.0f))
    {
        return -10000;
    }
    const float factor = percent * 0.01f;
    const float millibels = 1000.0f * std::log(factor);
    return static_cast<std::int32_t>(std::clamp(millibels, -10000.0f, 10000.0f));
}

float CDirectSound8Voice::MillibelsToVolume(std::int32_t millibels)
{
    return static_cast<float>(100.0 * std::exp(millibels / 1000.0));
}

std::int32_t CDirectSound8Voice::PanToMillibels(float pan)
{
    if (std::isnan(pan))
    {
        return 0;
    }
    const float p = std::clamp(pan, -1.0f, 1.0f);
    const float a = 1.0f - std::fabs(p);
    const std::int32_t magnitude =
        a == 0.0f ? 10000 : static_cast<std::int32_t>(std::min(10000.0f, -1000.0f * std::log(a)));
    return p > 0.0f ? magnitude : -magnitude;
}

float CDirectSound8Voice::MillibelsToPan(std::int32_t millibels)
{
    if (millibels <= -10000)
    {
        return -1.0f;
    }
    if (millibels >= 10000)
    {
        return 1.0f;
    }
    const float magnitude = static_cast<float>(1.0 - std::exp(-std::abs(millibels) / 1000.0));
    return millibels < 0 ? -magnitude : magnitude;
}

CDirectSound8Voice::CDirectSound8Voice(int index, CDirectSound8Device* device) : m_index(index), m_device(device)
{
    Reset();
}

CDirectSound8Voice::~CDirectSound8Voice()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    ReleaseBuffers();
    m_source.reset();
}

void CDirectSound8Voice::ReleaseBuffers()
{
    m_propertySet.reset();
    m_buffer.reset();
    m_is3D = false;
}

void CDirectSound8Voice::Reset()
{
    m_volume = 100.0f;
    m_pan = 0.0f;
    m_pitch = 1.0f;
    m_looping = m_filled = m_paused = m_pausedWhilePlaying = m_fading = m_streaming = false;
    m_streamState = 0;
    m_3DMode = 0;
    SetPriority(0.0f);
    m_position = BaseLib::CVector3(0.0f, 0.0f, 0.0f);
    m_source.reset();
    ReleaseOwner();
}

bool CDirectSound8Voice::Load(const std::string& fileName, bool is3D)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    ReleaseBuffers();
    Reset();
    std::string lower = fileName;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    bool streamingAllowed = false;
    if (EndsWith(lower, ".wav") || EndsWith(lower, ".wave"))
    {
        m_source = std::make_unique<CCachedWaveSampleSource>(GetWaveResource(fileName));
    }
    else if (EndsWith(lower, ".ogg"))
    {
        m_source = std::make_unique<COggFileSampleSource>(fileName);
        streamingAllowed = true;
    }
    else
    {
        return false;
    }
    if (!m_source->IsValid() ||
        !CreateBuffer(*m_source->GetFormat(), m_source->GetLengthBytes(), is3D, streamingAllowed))
    {
        m_source.reset();
        m_streaming = false;
        m_streamState = 0;
        return false;
    }
    return true;
}

bool CDirectSound8Voice::CreateBuffer(const Platform::WaveFormat& format, std::uint32_t dataBytes, bool is3D,
                                      bool streamingAllowed)
{
    std::uint32_t flags = Platform::AudioBufferGetCurrentPosition2 | Platform::AudioBufferCtrlVolume |
                          Platform::AudioBufferCtrlPan | Platform::AudioBufferCtrlFrequency;
    if (is3D)
    {
        if (format.channels != 1)
        {
            BaseLib::DebugOutput("Error: sample cannot be a 3D-Sound; it has more than one cannel!\n");
            return false;
        }
        flags = Platform::AudioBufferGetCurrentPosition2 | Platform::AudioBufferCtrlVolume | Platform::AudioBufferCtrl3D |
                Platform::AudioBufferCtrlFrequency;
    }
    if (streamingAllowed && static_cast<std::uint64_t>(dataBytes) > 2ull * format.avgBytesPerSec)
    {
        m_bufferSize = format.avgBytesPerSec;
        m_streaming = true;
        m_streamState = 1;
        m_nextWriteOffset = 0;
    }
    else
    {
        m_bufferSize = dataBytes;
        m_streaming = false;
        m_streamState = 0;
    }
    const Platform::AudioResult result = m_device->GetLayer()->CreateBuffer(format, m_bufferSize, flags, m_buffer);
    if (result != AudioOk || !m_buffer)
    {
        BaseLib::DebugOutput("Error: CreateSoundBuffer failed!, Reason: %s\n", CDirectSound8Device::DescribeResult(result));
        m_buffer.reset();
        return false;
    }
    m_is3D = is3D;
    if (is3D && m_device->IsEaxRequested())
    {
        const Platform::AudioResult query = m_buffer->QueryPropertySet(m_propertySet);
        if (query != AudioOk)
        {
            BaseLib::DebugOutput("Error: QueryInterface for IID_IKsPropertySet failed!, Reason: %s\n",
                                 CDirectSound8Device::DescribeResult(query));
            ReleaseBuffers();
            return false;
        }
    }
    return true;
}

std::string CDirectSound8Voice::GetFileName() const
{
    return m_source ? m_source->GetName() : std::string();
}

bool CDirectSound8Voice::FillWholeBuffer()
{
    Platform::AudioLockedRange range;
    if (m_buffer->Lock(0, m_bufferSize, range) != AudioOk)
    {
        ReleaseBuffers();
        return false;
    }
    m_source->Read(range.part1, range.size1, m_looping);
    if (range.part2 != nullptr)
    {
        m_source->Read(range.part2, range.size2, m_looping);
    }
    m_buffer->Unlock(range);
    m_nextWriteOffset = 0;
    return true;
}

bool CDirectSound8Voice::Play()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_device->IsEnabled())
    {
        return true;
    }
    if (!m_buffer)
    {
        return false;
    }
    if (IsPlaying())
    {
        return true;
    }
    // A stream paused while it played resumes where it was: its ring, next write offset and state are
    // kept (a refill here would jump up to a second ahead).
    if (m_streaming && m_paused && m_pausedWhilePlaying && m_filled)
    {
        m_paused = false;
        m_pausedWhilePlaying = false;
        return m_buffer->Play(m_streamState == 3 ? 0 : Platform::AudioPlayLooping) == AudioOk;
    }
    m_paused = false;
    m_pausedWhilePlaying = false;
    if (!m_filled || m_streaming)
    {
        if (!m_source || !FillWholeBuffer())
        {
            return false;
        }
    }
    m_filled = true;
    m_streamState = m_streaming ? 1 : 0;
    return m_buffer->Play(m_looping || m_streaming ? Platform::AudioPlayLooping : 0) == AudioOk;
}

bool CDirectSound8Voice::Play2D(CMultiChannelSound& sound, bool looping)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_device->IsEnabled())
    {
        return true;
    }
    if (!Load(sound.GetFile(), false))
    {
        return false;
    }
    SetVolume(sound.GetVolume());
    SetPitch(sound.GetPitch());
    SetPriority(sound.GetPriority());
    SetLooping(looping);
    Play();
    return true;
}

bool CDirectSound8Voice::Play3D(C3DSound& sound, const BaseLib::CVector3& position, bool looping)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_device->IsEnabled())
    {
        return true;
    }
    if (!Load(sound.GetFile(), true))
    {
        return false;
    }
    SetVolume(sound.GetVolume());
    SetPitch(sound.GetPitch());
    SetPosition(position);
    SetMinDistance(sound.GetMinFadeDistance());
    SetMaxDistance(sound.GetMaxFadeDistance());
    SetPriority(sound.GetPriority());
    if (Platform::IAudioListener* listener = m_device->GetLayerListener())
    {
        listener->CommitDeferredSettings();
    }
    SetLooping(looping);
    Play();
    return true;
}

void CDirectSound8Voice::Pause()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_buffer)
    {
        return;
    }
    m_pausedWhilePlaying = IsPlaying();
    m_buffer->Stop();
    m_paused = true;
}

void CDirectSound8Voice::Stop()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_buffer)
    {
        return;
    }
    m_buffer->Stop();
    SetPlayPosition(0.0);
    m_fading = false;
    m_paused = false;
    m_pausedWhilePlaying = false;
}

bool CDirectSound8Voice::IsPlaying()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    std::uint32_t status = 0;
    return m_buffer && m_buffer->GetStatus(status) == AudioOk && (status & Platform::AudioStatusPlaying) != 0;
}

void CDirectSound8Voice::SetLooping(bool looping)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    m_looping = looping;
    if (m_buffer && IsPlaying())
    {
        m_buffer->Play(m_looping || m_streaming ? Platform::AudioPlayLooping : 0);
    }
}

void CDirectSound8Voice::SetPlayPosition(double seconds)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_buffer || !m_source)
    {
        return;
    }
    if (m_streaming)
    {
        m_source->Seek(seconds);
        if (!IsPlaying())
        {
            m_filled = false;
            m_buffer->SetCurrentPosition(0);
        }
        return;
    }
    // Clamped while floating point; a position beyond the buffer is refused by the layer.
    const double position = static_cast<double>(m_source->GetBytesPerSecond()) * seconds;
    if (!(position > 0.0))
    {
        m_buffer->SetCurrentPosition(0);
    }
    else if (position < static_cast<double>(m_bufferSize))
    {
        m_buffer->SetCurrentPosition(static_cast<std::uint32_t>(position));
    }
}

double CDirectSound8Voice::GetPlayPosition()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_buffer || !m_source || !IsPlaying())
    {
        return 0.0;
    }
    std::uint32_t play = UnreadCursor;
    std::uint32_t write = UnreadCursor;
    m_buffer->GetCurrentPosition(&play, &write);
    const double bytesPerSecond = m_source->GetBytesPerSecond();
    if (!(bytesPerSecond > 0.0))
    {
        return 0.0;
    }
    if (!m_streaming)
    {
        return play / bytesPerSecond;
    }
    if (m_streamState == 1)
    {
        const std::uint32_t ahead = (m_nextWriteOffset + m_bufferSize - play) % m_bufferSize;
        return m_source->Tell() - ahead / bytesPerSecond;
    }
    if (m_streamState == 3 && play >= m_endOffset)
    {
        return m_source->GetLength();
    }
    const std::uint32_t ahead = (m_endOffset + m_bufferSize - play) % m_bufferSize;
    return m_source->GetLength() - ahead / bytesPerSecond;
}

double CDirectSound8Voice::GetLength()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    return m_source ? m_source->GetLength() : 0.0;
}

void CDirectSound8Voice::ApplyVolume(float percent)
{
    m_volume = ClampVolume(percent);
    if (m_buffer)
    {
        m_buffer->SetVolume(VolumeToMillibels(m_volume));
    }
}

void CDirectSound8Voice::SetVolume(float percent)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_buffer)
    {
        return;
    }
    const float volume = ClampVolume(percent);
    if (volume != m_volume)
    {
        if (m_fading)
        {
            BaseLib::DebugOutput("Warning: voice %d was fading, fade stopped because SetVolume was called!\n", m_index);
            m_fading = false;
        }
        ApplyVolume(volume);
    }
}

float CDirectSound8Voice::GetVolume()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    std::int32_t millibels = 0;
    if (!m_buffer || m_buffer->GetVolume(millibels) != AudioOk)
    {
        return m_volume;
    }
    return MillibelsToVolume(millibels);
}

void CDirectSound8Voice::SetPan(float pan)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_buffer || m_is3D)
    {
        return;
    }
    m_pan = std::isnan(pan) ? 0.0f : std::clamp(pan, -1.0f, 1.0f);
    m_buffer->SetPan(PanToMillibels(m_pan));
}

float CDirectSound8Voice::GetPan()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_buffer)
    {
        return m_pan;
    }
    if (m_is3D)
    {
        return 0.0f;
    }
    std::int32_t millibels = 0;
    return m_buffer->GetPan(millibels) == AudioOk ? MillibelsToPan(millibels) : m_pan;
}

void CDirectSound8Voice::SetPitch(float factor)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_buffer || !m_source || factor == m_pitch)
    {
        return;
    }
    m_pitch = factor;
    // A product that is not a number or beyond any rate is refused here, as the layer refuses a rate
    // outside its range: the previous frequency stays.
    const double frequency = std::trunc(static_cast<double>(m_source->GetFormat()->samplesPerSec) * factor);
    if (frequency >= 0.0 && frequency <= 4.0e9)
    {
        m_buffer->SetFrequency(static_cast<std::uint32_t>(frequency));
    }
}

void CDirectSound8Voice::SetMinDistance(float distance)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (m_buffer && m_is3D)
    {
        m_buffer->SetMinDistance(distance, Platform::AudioApplyDeferred);
    }
}

float CDirectSound8Voice::GetMinDistance()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    float distance = -1.0f;
    if (!m_buffer || !m_is3D || m_buffer->GetMinDistance(distance) != AudioOk)
    {
        return -1.0f;
    }
    return distance;
}

void CDirectSound8Voice::SetMaxDistance(float distance)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (m_buffer && m_is3D)
    {
        m_buffer->SetMaxDistance(distance, Platform::AudioApplyDeferred);
    }
}

float CDirectSound8Voice::GetMaxDistance()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    float distance = -1.0f;
    if (!m_buffer || !m_is3D || m_buffer->GetMaxDistance(distance) != AudioOk)
    {
        return -1.0f;
    }
    return distance;
}

bool CDirectSound8Voice::SetPosition(const BaseLib::CVector3& position)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    m_position = position;
    if (m_device->GetListenerCount() >= 2)
    {
        return true; // the device places the voice for all listeners
    }
    return m_buffer && m_is3D && m_buffer->SetPosition(ToAudio(position), Platform::AudioApplyDeferred) == AudioOk;
}

void CDirectSound8Voice::SetOutputPosition(const BaseLib::CVector3& position)
{
    if (m_buffer && m_is3D)
    {
        m_buffer->SetPosition(ToAudio(position), Platform::AudioApplyDeferred);
    }
}

BaseLib::CVector3 CDirectSound8Voice::GetAppliedPosition()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    AudioVector position;
    if (!m_buffer || !m_is3D || m_buffer->GetPosition(position) != AudioOk)
    {
        return BaseLib::CVector3(0.0f, 0.0f, 0.0f);
    }
    return FromAudio(position);
}

bool CDirectSound8Voice::SetVelocity(const BaseLib::CVector3& velocity)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    return m_buffer && m_is3D && m_buffer->SetVelocity(ToAudio(velocity), Platform::AudioApplyDeferred) == AudioOk;
}

BaseLib::CVector3 CDirectSound8Voice::GetVelocity()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    AudioVector velocity;
    if (!m_buffer || !m_is3D || m_buffer->GetVelocity(velocity) != AudioOk)
    {
        return BaseLib::CVector3(0.0f, 0.0f, 0.0f);
    }
    return FromAudio(velocity);
}

bool CDirectSound8Voice::SetOrientation(const BaseLib::CVector3& orientation)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    return m_buffer && m_is3D && m_3DMode == 1 &&
           m_buffer->SetConeOrientation(ToAudio(orientation), Platform::AudioApplyDeferred) == AudioOk;
}

BaseLib::CVector3 CDirectSound8Voice::GetOrientation()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    AudioVector direction;
    if (!m_buffer || !m_is3D || m_buffer->GetConeOrientation(direction) != AudioOk)
    {
        return BaseLib::CVector3(0.0f, 0.0f, 0.0f);
    }
    return FromAudio(direction);
}

bool CDirectSound8Voice::SetCone(float insideAngle, float outsideAngle, float outsideVolume)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_buffer || !m_is3D || m_3DMode != 1)
    {
        return false;
    }
    auto angle = [](float degrees) {
        return degrees > 0.0f ? static_cast<std::uint32_t>(std::lround(std::min(degrees, 360.0f))) : 0u;
    };
    m_buffer->SetConeAngles(angle(insideAngle), angle(outsideAngle), Platform::AudioApplyDeferred);
    m_buffer->SetConeOutsideVolume(VolumeToMillibels(outsideVolume), Platform::AudioApplyDeferred);
    return true;
}

void CDirectSound8Voice::FadeTo(float targetVolume, int durationMs)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (targetVolume == 0.0f && m_volume == 0.0f)
    {
        Stop();
        return;
    }
    if (m_volume == targetVolume)
    {
        m_fading = false;
        return;
    }
    const std::int64_t now = CSoundDeviceRegistry::GetInstance()->GetTime();
    if (m_fading && m_fadeTarget == targetVolume)
    {
        const std::int64_t remaining = m_fadeStart + m_fadeDuration - now;
        if (remaining <= durationMs)
        {
            return;
        }
    }
    m_fadeStart = now;
    m_fadeStartVolume = m_volume;
    m_fadeTarget = targetVolume;
    m_fadeDuration = durationMs;
    m_fading = true;
}

void CDirectSound8Voice::UpdateFade(std::int64_t timeMs)
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_fading)
    {
        return;
    }
    const std::int64_t elapsed = timeMs - m_fadeStart;
    if (elapsed < m_fadeDuration)
    {
        const float progress = static_cast<float>(elapsed) / static_cast<float>(m_fadeDuration);
        ApplyVolume(m_fadeStartVolume + (m_fadeTarget - m_fadeStartVolume) * progress);
        return;
    }
    ApplyVolume(m_fadeTarget);
    m_fading = false;
    if (m_fadeTarget == 0.0f)
    {
        Stop();
    }
}

void CDirectSound8Voice::RefillStream()
{
    Platform::CriticalSectionLock lock(m_device->GetLock());
    if (!m_buffer || !m_source || m_bufferSize == 0)
    {
        return;
    }
    std::uint32_t play = UnreadCursor;
    std::uint32_t write = UnreadCursor;
    m_buffer->GetCurrentPosition(&play, &write);
    if (m_nextWriteOffset == play)
    {
        return;
    }
    const bool unsafe = play <= write ? (m_nextWriteOffset >= play && m_nextWriteOffset < write)
                                      : (m_nextWriteOffset >= play || m_nextWriteOffset < write);
    if (unsafe)
    {
        BaseLib::DebugOutput("Warning: write cursor in unsafe position\n");
        return;
    }
    const std::uint32_t bytes = play > m_nextWriteOffset ? play - m_nextWriteOffset : m_bufferSize - m_nextWriteOffset + play;
    std::uint32_t status = 0;
    m_buffer->GetStatus(status);
    if ((status & Platform::AudioStatusBufferLost) != 0)
    {
        return;
    }
    Platform::AudioLockedRange range;
    const Platform::AudioResult locked = m_buffer->Lock(m_nextWriteOffset, bytes, range);
    if (locked != AudioOk)
    {
        BaseLib::DebugOutput("Error: Lock of streaming IDirectSoundBuffer8 failed!, Reason: %s\n",
                             CDirectSound8Device::DescribeResult(locked));
        return;
    }
    const std::uint32_t r1 = m_source->Read(range.part1, range.size1, m_looping);
    std::uint32_t r2 = 0;
    if (range.part2 != nullptr)
    {
        r2 = m_source->Read(range.part2, range.size2, m_looping);
    }
    m_buffer->Unlock(range);
    if (m_streamState == 1)
    {
        if (r1 < range.size1)
        {
            m_endOffset = m_nextWriteOffset + r1;
            m_streamState = 2;
        }
        else if (range.part2 != nullptr && r2 < range.size2)
        {
            m_endOffset = r2;
            m_streamState = 2;
        }
    }
    if (r1 < range.size1 && m_nextWriteOffset + range.size1 >= m_bufferSize)
    {
        m_buffer->Play(0);
        m_streamState = 3;
        m_source->Seek(0.0);
    }
    m_nextWriteOffset = play;
}

} // namespace SoundLib

#include "platform/audio/ScriptedAudio.h"

#include "platform/audio/AudioCommon.h"

#include <algorithm>
#include <cstdio>

namespace Platform
{

namespace
{

std::string Text(const AudioVector& v)
{
    char text[96];
    std::snprintf(text, sizeof text, "%g,%g,%g", v.x, v.y, v.z);
    return text;
}

const char* ApplyText(std::uint32_t apply)
{
    return apply == AudioApplyDeferred ? "deferred" : "immediate";
}

// The listener's reverb: answers by the device's reverbAvailable, environments 0..25.
class ScriptedPropertySet final : public IAudioPropertySet
{
public:
    explicit ScriptedPropertySet(ScriptedAudioDevice& device) : m_device(device) {}
    AudioResult QuerySupport(std::uint32_t property, std::uint32_t& support) override
    {
        m_device.calls.push_back("QuerySupport(" + std::to_string(property) + ")");
        support = m_device.reverbAvailable ? AudioSupportGet | AudioSupportSet : 0;
        return AudioOk;
    }
    AudioResult Set(std::uint32_t property, std::int32_t value) override
    {
        m_device.calls.push_back("SetProperty(" + std::to_string(property) + "," + std::to_string(value) + ")");
        if (property != AudioReverbEnvironment || value < 0 || value >= AudioReverbEnvironmentCount)
        {
            return AudioErrInvalidParam;
        }
        m_device.environment = value;
        return AudioOk;
    }

private:
    ScriptedAudioDevice& m_device;
};

class ScriptedBufferPropertySet final : public IAudioPropertySet
{
public:
    AudioResult QuerySupport(std::uint32_t, std::uint32_t& support) override
    {
        support = 0;
        return AudioOk;
    }
    AudioResult Set(std::uint32_t, std::int32_t) override { return AudioErrInvalidCall; }
};

}

// ---- buffer ----

ScriptedAudioBuffer::ScriptedAudioBuffer(ScriptedAudioDevice& device, int bufferId, const WaveFormat& bufferFormat,
                                         std::uint32_t bufferSize, std::uint32_t bufferFlags)
    : id(bufferId), format(bufferFormat), size(bufferSize), flags(bufferFlags), bytes(bufferSize, 0), m_device(device)
{
    m_device.buffers.push_back(this);
}

ScriptedAudioBuffer::~ScriptedAudioBuffer()
{
    auto& list = m_device.buffers;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    Record("Release()");
}

void ScriptedAudioBuffer::Record(const std::string& call)
{
    m_device.calls.push_back("b" + std::to_string(id) + "." + call);
}

AudioResult ScriptedAudioBuffer::Lock(std::uint32_t offset, std::uint32_t count, AudioLockedRange& range)
{
    Record("Lock(" + std::to_string(offset) + "," + std::to_string(count) + ")");
    range = AudioLockedRange{};
    if (lockResult != AudioOk)
    {
        return lockResult;
    }
    if (offset >= size || count > size || count == 0)
    {
        return AudioErrInvalidParam;
    }
    range.part1 = bytes.data() + offset;
    range.size1 = std::min(count, size - offset);
    if (range.size1 < count)
    {
        range.part2 = bytes.data();
        range.size2 = count - range.size1;
    }
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::Unlock(const AudioLockedRange& range)
{
    Record("Unlock(" + std::to_string(range.size1) + "," + std::to_string(range.size2) + ")");
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::Play(std::uint32_t playFlags)
{
    Record("Play(" + std::to_string(playFlags) + ")");
    status = AudioStatusPlaying | ((playFlags & AudioPlayLooping) != 0 ? AudioStatusLooping : 0);
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::Stop()
{
    Record("Stop()");
    status &= ~(AudioStatusPlaying | AudioStatusLooping);
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::GetStatus(std::uint32_t& value)
{
    value = status;
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::GetCurrentPosition(std::uint32_t* play, std::uint32_t* write)
{
    if (play != nullptr)
    {
        *play = playCursor;
    }
    if (write != nullptr)
    {
        *write = writeCursor;
    }
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::SetCurrentPosition(std::uint32_t offset)
{
    Record("SetCurrentPosition(" + std::to_string(offset) + ")");
    if (offset >= size)
    {
        return AudioErrInvalidParam;
    }
    playCursor = offset;
    writeCursor = offset;
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::SetVolume(std::int32_t millibels)
{
    Record("SetVolume(" + std::to_string(millibels) + ")");
    if (millibels < -10000 || millibels > 0)
    {
        return AudioErrInvalidParam;
    }
    volume = millibels;
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::GetVolume(std::int32_t& millibels)
{
    millibels = volume;
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::SetPan(std::int32_t millibels)
{
    Record("SetPan(" + std::to_string(millibels) + ")");
    if (millibels < -10000 || millibels > 10000)
    {
        return AudioErrInvalidParam;
    }
    pan = millibels;
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::GetPan(std::int32_t& millibels)
{
    millibels = pan;
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::SetFrequency(std::uint32_t hertz)
{
    Record("SetFrequency(" + std::to_string(hertz) + ")");
    if (!FrequencyInRange(hertz))
    {
        return AudioErrInvalidParam;
    }
    frequency = hertz;
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::GetFrequency(std::uint32_t& hertz)
{
    hertz = frequency == 0 ? format.samplesPerSec : frequency;
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::Set3D(const std::string& call, std::uint32_t apply)
{
    Record(call + "," + ApplyText(apply) + ")");
    if ((flags & AudioBufferCtrl3D) == 0)
    {
        return AudioErrControlUnavail;
    }
    if (apply == AudioApplyImmediate)
    {
        Commit();
    }
    return AudioOk;
}

AudioResult ScriptedAudioBuffer::SetPosition(const AudioVector& position, std::uint32_t apply)
{
    set.position = position;
    return Set3D("SetPosition(" + Text(position), apply);
}

AudioResult ScriptedAudioBuffer::GetPosition(AudioVector& position)
{
    position = set.position;
    return (flags & AudioBufferCtrl3D) != 0 ? AudioOk : AudioErrControlUnavail;
}

AudioResult ScriptedAudioBuffer::GetPositionInEffect(AudioVector& position)
{
    position = committed.position;
    return (flags & AudioBufferCtrl3D) != 0 ? AudioOk : AudioErrControlUnavail;
}

AudioResult ScriptedAudioBuffer::SetVelocity(const AudioVector& velocity, std::uint32_t apply)
{
    set.velocity = velocity;
    return Set3D("SetVelocity(" + Text(velocity), apply);
}

AudioResult ScriptedAudioBuffer::GetVelocity(AudioVector& velocity)
{
    velocity = set.velocity;
    return (flags & AudioBufferCtrl3D) != 0 ? AudioOk : AudioErrControlUnavail;
}

AudioResult ScriptedAudioBuffer::SetMinDistance(float distance, std::uint32_t apply)
{
    set.minDistance = distance;
    return Set3D("SetMinDistance(" + std::to_string(distance), apply);
}

AudioResult ScriptedAudioBuffer::GetMinDistance(float& distance)
{
    distance = set.minDistance;
    return (flags & AudioBufferCtrl3D) != 0 ? AudioOk : AudioErrControlUnavail;
}

AudioResult ScriptedAudioBuffer::SetMaxDistance(float distance, std::uint32_t apply)
{
    set.maxDistance = distance;
    return Set3D("SetMaxDistance(" + std::to_string(distance), apply);
}

AudioResult ScriptedAudioBuffer::GetMaxDistance(float& distance)
{
    distance = set.maxDistance;
    return (flags & AudioBufferCtrl3D) != 0 ? AudioOk : AudioErrControlUnavail;
}

AudioResult ScriptedAudioBuffer::SetConeOrientation(const AudioVector& direction, std::uint32_t apply)
{
    set.coneOrientation = direction;
    return Set3D("SetConeOrientation(" + Text(direction), apply);
}

AudioResult ScriptedAudioBuffer::GetConeOrientation(AudioVector& direction)
{
    direction = set.coneOrientation;
    return (flags & AudioBufferCtrl3D) != 0 ? AudioOk : AudioErrControlUnavail;
}

AudioResult ScriptedAudioBuffer::SetConeAngles(std::uint32_t inside, std::uint32_t outside, std::uint32_t apply)
{
    set.coneInside = inside;
    set.coneOutside = outside;
    return Set3D("SetConeAngles(" + std::to_string(inside) + "," + std::to_string(outside), apply);
}

AudioResult ScriptedAudioBuffer::SetConeOutsideVolume(std::int32_t millibels, std::uint32_t apply)
{
    set.coneOutsideVolume = millibels;
    return Set3D("SetConeOutsideVolume(" + std::to_string(millibels), apply);
}

AudioResult ScriptedAudioBuffer::QueryPropertySet(std::unique_ptr<IAudioPropertySet>& propertySet)
{
    Record("QueryPropertySet()");
    if ((flags & AudioBufferCtrl3D) == 0)
    {
        return AudioErrNoInterface;
    }
    sendBound = true;
    propertySet = std::make_unique<ScriptedBufferPropertySet>();
    return AudioOk;
}

// ---- device ----

AudioDeviceFactory ScriptedAudioDevice::Factory(ScriptedAudioDevice** made, AudioResult result)
{
    return [made, result](std::unique_ptr<IAudioDevice>& device) -> AudioResult {
        if (result != AudioOk)
        {
            return result;
        }
        auto scripted = std::make_unique<ScriptedAudioDevice>();
        if (made != nullptr)
        {
            *made = scripted.get();
        }
        device = std::move(scripted);
        return AudioOk;
    };
}

ScriptedAudioDevice::ScriptedAudioDevice() = default;
ScriptedAudioDevice::~ScriptedAudioDevice() = default;

ScriptedAudioBuffer* ScriptedAudioDevice::Buffer(int id) const
{
    for (ScriptedAudioBuffer* buffer : buffers)
    {
        if (buffer->id == id)
        {
            return buffer;
        }
    }
    return nullptr;
}

bool ScriptedAudioDevice::Called(const std::string& call) const
{
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

AudioResult ScriptedAudioDevice::GetCaps(AudioDeviceCaps& caps)
{
    caps = AudioDeviceCaps{};
    return AudioOk;
}

AudioResult ScriptedAudioDevice::SetCooperativeLevel(void*, std::uint32_t level)
{
    calls.push_back("SetCooperativeLevel(" + std::to_string(level) + ")");
    return AudioOk;
}

AudioResult ScriptedAudioDevice::CreatePrimaryBuffer(IAudioPrimaryBuffer*& primary)
{
    calls.push_back("CreatePrimaryBuffer()");
    primary = this;
    return AudioOk;
}

AudioResult ScriptedAudioDevice::CreateBuffer(const WaveFormat& format, std::uint32_t bytes, std::uint32_t flags,
                                              std::unique_ptr<IAudioBuffer>& buffer)
{
    calls.push_back("CreateBuffer(" + std::to_string(format.channels) + "," + std::to_string(format.samplesPerSec) +
                    "," + std::to_string(format.bitsPerSample) + "," + std::to_string(bytes) + "," +
                    std::to_string(flags) + ")");
    AudioResult result = createBufferResult;
    if (result == AudioOk)
    {
        result = CheckBufferRequest(format, bytes);
    }
    if (result != AudioOk)
    {
        return result;
    }
    buffer = std::make_unique<ScriptedAudioBuffer>(*this, buffersMade++, format, bytes, flags);
    return AudioOk;
}

AudioResult ScriptedAudioDevice::QueryListenerPropertySet(std::unique_ptr<IAudioPropertySet>& set)
{
    calls.push_back("QueryListenerPropertySet()");
    if (!reverbAvailable)
    {
        return AudioErrNoInterface;
    }
    set = std::make_unique<ScriptedPropertySet>(*this);
    return AudioOk;
}

AudioResult ScriptedAudioDevice::GetSpeakerConfig(std::uint32_t& combined)
{
    combined = speakers;
    return AudioOk;
}

AudioResult ScriptedAudioDevice::SetSpeakerConfig(std::uint32_t combined)
{
    calls.push_back("SetSpeakerConfig(" + std::to_string(combined) + ")");
    speakers = combined;
    return AudioOk;
}

AudioResult ScriptedAudioDevice::SetFormat(const WaveFormat& format)
{
    calls.push_back("SetFormat(" + std::to_string(format.channels) + "," + std::to_string(format.samplesPerSec) + "," +
                    std::to_string(format.bitsPerSample) + ")");
    return AudioOk;
}

AudioResult ScriptedAudioDevice::QueryListener(IAudioListener*& listener)
{
    calls.push_back("QueryListener()");
    listener = this;
    return AudioOk;
}

AudioResult ScriptedAudioDevice::StoreListener(const std::string& call, std::uint32_t apply)
{
    calls.push_back("listener." + call + "," + ApplyText(apply) + ")");
    if (apply == AudioApplyImmediate)
    {
        listenerCommitted = listenerSet;
    }
    return AudioOk;
}

AudioResult ScriptedAudioDevice::GetAllParameters(AudioListenerParameters& parameters)
{
    parameters = listenerSet;
    return AudioOk;
}

AudioResult ScriptedAudioDevice::SetAllParameters(const AudioListenerParameters& parameters, std::uint32_t apply)
{
    listenerSet = parameters;
    return StoreListener("SetAllParameters(rolloff " + std::to_string(parameters.rolloffFactor) + ",doppler " +
                             std::to_string(parameters.dopplerFactor),
                         apply);
}

AudioResult ScriptedAudioDevice::SetPosition(const AudioVector& position, std::uint32_t apply)
{
    listenerSet.position = position;
    return StoreListener("SetPosition(" + Text(position), apply);
}

AudioResult ScriptedAudioDevice::GetPosition(AudioVector& position)
{
    position = listenerSet.position;
    return AudioOk;
}

AudioResult ScriptedAudioDevice::SetOrientation(const AudioVector& front, const AudioVector& top, std::uint32_t apply)
{
    listenerSet.front = front;
    listenerSet.top = top;
    return StoreListener("SetOrientation(" + Text(front) + "," + Text(top), apply);
}

AudioResult ScriptedAudioDevice::GetOrientation(AudioVector& front, AudioVector& top)
{
    front = listenerSet.front;
    top = listenerSet.top;
    return AudioOk;
}

AudioResult ScriptedAudioDevice::SetVelocity(const AudioVector& velocity, std::uint32_t apply)
{
    listenerSet.velocity = velocity;
    return StoreListener("SetVelocity(" + Text(velocity), apply);
}

AudioResult ScriptedAudioDevice::SetDistanceFactor(float metresPerUnit, std::uint32_t apply)
{
    listenerSet.distanceFactor = metresPerUnit;
    return StoreListener("SetDistanceFactor(" + std::to_string(metresPerUnit), apply);
}

AudioResult ScriptedAudioDevice::SetRolloffFactor(float factor, std::uint32_t apply)
{
    listenerSet.rolloffFactor = factor;
    return StoreListener("SetRolloffFactor(" + std::to_string(factor), apply);
}

AudioResult ScriptedAudioDevice::SetDopplerFactor(float factor, std::uint32_t apply)
{
    listenerSet.dopplerFactor = factor;
    return StoreListener("SetDopplerFactor(" + std::to_string(factor), apply);
}

AudioResult ScriptedAudioDevice::CommitDeferredSettings()
{
    calls.push_back("Commit()");
    listenerCommitted = listenerSet;
    for (ScriptedAudioBuffer* buffer : buffers)
    {
        buffer->Commit();
    }
    return AudioOk;
}

} // namespace Platform

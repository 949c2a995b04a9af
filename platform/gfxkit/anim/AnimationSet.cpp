#include "platform/gfxkit/anim/AnimationSet.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

namespace Platform::GfxKit
{

using Gfx::InvalidCall;
using Gfx::InvalidData;
using Gfx::Ok;
using Gfx::Result;

namespace
{

bool Finite(const Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool Finite(const Quaternion& q)
{
    return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
}

Vector3 Lerp(const Vector3& a, const Vector3& b, float t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

Quaternion Slerp(const Quaternion& a, const Quaternion& b, float t)
{
    Quaternion out;
    QuaternionSlerp(&out, &a, &b, t);
    return out;
}

// The key pair around `ticks` and the fraction between them; the end keys hold outside the keys.
template <typename Key, typename Mix>
auto Sample(const std::vector<Key>& keys, double ticks, Mix mix) -> std::decay_t<decltype(keys[0].Value)>
{
    if (ticks <= keys.front().Time || keys.size() == 1)
    {
        return keys.front().Value;
    }
    if (ticks >= keys.back().Time)
    {
        return keys.back().Value;
    }
    const auto after = std::upper_bound(keys.begin(), keys.end(), ticks,
                                        [](double t, const Key& key) { return t < key.Time; });
    const auto before = after - 1;
    const double span = static_cast<double>(after->Time) - before->Time;
    const auto t = static_cast<float>(span > 0 ? (ticks - before->Time) / span : 0.0);
    return mix(before->Value, after->Value, t);
}

template <typename Key>
bool SortedAndFinite(const std::vector<Key>& keys)
{
    for (std::size_t i = 0; i < keys.size(); ++i)
    {
        if (!std::isfinite(keys[i].Time) || !Finite(keys[i].Value) || (i > 0 && keys[i].Time < keys[i - 1].Time))
        {
            return false;
        }
    }
    return true;
}

float Distance(const Vector3& a, const Vector3& b)
{
    return Vec3Length({a.x - b.x, a.y - b.y, a.z - b.z});
}

// How far two rotations lie apart, q and −q being one rotation.
float Distance(const Quaternion& a, const Quaternion& b)
{
    const float dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    const float s = dot < 0 ? -1.0f : 1.0f;
    const float dx = a.x - s * b.x, dy = a.y - s * b.y, dz = a.z - s * b.z, dw = a.w - s * b.w;
    return std::sqrt(dx * dx + dy * dy + dz * dz + dw * dw);
}

float Size(const Vector3& v)
{
    return Vec3Length(v);
}

float Size(const Quaternion&)
{
    return 1.0f;
}

// The keys kept when every key that interpolating the kept keys around it reproduces within the
// tolerance goes: a span from the last kept key grows while every key inside it stays within.
template <typename Key, typename Mix>
std::vector<Key> Reduce(const std::vector<Key>& keys, float lossiness, Mix mix)
{
    if (keys.size() <= 2)
    {
        return keys;
    }
    // Rounding of float arithmetic must not keep keys that lie exactly on the line.
    const float tolerance = std::max(lossiness, 1e-6f);
    std::vector<Key> kept{keys.front()};
    std::size_t anchor = 0;
    std::size_t end = 2;
    while (end < keys.size())
    {
        bool within = true;
        const double span = static_cast<double>(keys[end].Time) - keys[anchor].Time;
        for (std::size_t i = anchor + 1; i < end && within; ++i)
        {
            const auto t = static_cast<float>(span > 0 ? (keys[i].Time - keys[anchor].Time) / span : 0.0);
            const auto value = mix(keys[anchor].Value, keys[end].Value, t);
            within = Distance(value, keys[i].Value) <= tolerance * std::max(1.0f, Size(keys[i].Value));
        }
        if (within)
        {
            ++end;
        }
        else
        {
            anchor = end - 1;
            kept.push_back(keys[anchor]);
            end = anchor + 2;
        }
    }
    kept.push_back(keys.back());
    return kept;
}

// The compressed block: "QAC1", the animation count, then per animation the name's length and bytes,
// the three key counts and the keys as floats (time, then 3 or 4 values), all little-endian 32-bit.
constexpr char kMagic[4] = {'Q', 'A', 'C', '1'};

class Writer
{
public:
    void Word(std::uint32_t value) { Raw(&value, 4); }
    void Float(float value) { Raw(&value, 4); }
    void Raw(const void* data, std::size_t size)
    {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), bytes, bytes + size);
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

class Reader
{
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Word(std::uint32_t& value) { return Raw(&value, 4); }
    bool Float(float& value) { return Raw(&value, 4) && std::isfinite(value); }
    bool Raw(void* out, std::size_t size)
    {
        if (size > size_ - at_)
        {
            return false;
        }
        std::memcpy(out, data_ + at_, size);
        at_ += size;
        return true;
    }
    std::size_t Left() const { return size_ - at_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

bool ReadKey(Reader& reader, KeyVector3& key)
{
    return reader.Float(key.Time) && reader.Float(key.Value.x) && reader.Float(key.Value.y) &&
           reader.Float(key.Value.z);
}

bool ReadKey(Reader& reader, KeyQuaternion& key)
{
    return reader.Float(key.Time) && reader.Float(key.Value.x) && reader.Float(key.Value.y) &&
           reader.Float(key.Value.z) && reader.Float(key.Value.w);
}

template <typename Key>
bool ReadKeys(Reader& reader, std::uint32_t count, std::size_t floatsPerKey, std::vector<Key>& keys)
{
    if (count > reader.Left() / (floatsPerKey * 4))
    {
        return false; // more keys than the block could hold: refused before allocating
    }
    keys.resize(count);
    for (Key& key : keys)
    {
        if (!ReadKey(reader, key))
        {
            return false;
        }
    }
    return SortedAndFinite(keys);
}

bool ValidArguments(const char* name, double ticksPerSecond, std::uint32_t playback, std::uint32_t callbackKeys,
                    const void* callbacks)
{
    return name != nullptr && std::isfinite(ticksPerSecond) && ticksPerSecond > 0 &&
           playback <= PlaybackType::PingPong && callbackKeys == 0 && callbacks == nullptr;
}

} // namespace

AnimationSet::AnimationSet(const char* name, double ticksPerSecond, std::uint32_t playback)
    : name_(name), ticksPerSecond_(ticksPerSecond), playback_(playback)
{
}

Result AnimationSet::QueryInterface(const InterfaceId& id, void** object)
{
    if (object == nullptr)
    {
        return InvalidCall;
    }
    if (id == AnimationSetId || id == UnknownInterfaceId || HasInterface(id))
    {
        AddRef();
        *object = this;
        return Ok;
    }
    *object = nullptr;
    return Gfx::NoInterface;
}

void AnimationSet::UpdatePeriod()
{
    float last = 0;
    for (const AnimationKeys& animation : animations_)
    {
        for (const auto& key : animation.scale)
        {
            last = std::max(last, key.Time);
        }
        for (const auto& key : animation.rotation)
        {
            last = std::max(last, key.Time);
        }
        for (const auto& key : animation.translation)
        {
            last = std::max(last, key.Time);
        }
    }
    period_ = last / ticksPerSecond_;
}

double AnimationSet::GetPeriodicPosition(double position) const
{
    if (!(period_ > 0) || !std::isfinite(position))
    {
        return 0;
    }
    switch (playback_)
    {
    case PlaybackType::Once:
        return std::clamp(position, 0.0, period_);
    case PlaybackType::PingPong:
    {
        double along = std::fmod(position, 2 * period_);
        if (along < 0)
        {
            along += 2 * period_;
        }
        return along > period_ ? 2 * period_ - along : along;
    }
    default:
    {
        double along = std::fmod(position, period_);
        return along < 0 ? along + period_ : along;
    }
    }
}

Result AnimationSet::GetAnimationNameByIndex(std::uint32_t index, const char** name) const
{
    if (name == nullptr || index >= animations_.size())
    {
        return InvalidCall;
    }
    *name = animations_[index].name.c_str();
    return Ok;
}

Result AnimationSet::GetAnimationIndexByName(const char* name, std::uint32_t* index) const
{
    if (name == nullptr || index == nullptr)
    {
        return InvalidCall;
    }
    for (std::uint32_t i = 0; i < animations_.size(); ++i)
    {
        if (animations_[i].name == name)
        {
            *index = i;
            return Ok;
        }
    }
    return Gfx::NotFound;
}

Result AnimationSet::GetSRT(double periodicPosition, std::uint32_t animation, Vector3* scale, Quaternion* rotation,
                            Vector3* translation) const
{
    if (animation >= animations_.size())
    {
        return InvalidCall;
    }
    const AnimationKeys& keys = animations_[animation];
    const double ticks = periodicPosition * ticksPerSecond_;
    if (scale != nullptr)
    {
        *scale = keys.scale.empty() ? Vector3{1, 1, 1} : Sample(keys.scale, ticks, Lerp);
    }
    if (rotation != nullptr)
    {
        *rotation = keys.rotation.empty() ? Quaternion{} : Sample(keys.rotation, ticks, Slerp);
    }
    if (translation != nullptr)
    {
        *translation = keys.translation.empty() ? Vector3{} : Sample(keys.translation, ticks, Lerp);
    }
    return Ok;
}

// --- Key-framed sets ---

KeyframedAnimationSet* KeyframedAnimationSet::Make(const char* name, double ticksPerSecond, std::uint32_t playback,
                                                   std::uint32_t animations)
{
    auto* set = new KeyframedAnimationSet(name, ticksPerSecond, playback);
    set->capacity_ = animations;
    return set;
}

bool KeyframedAnimationSet::HasInterface(const InterfaceId& id) const
{
    return id == KeyframedAnimationSetId;
}

Result KeyframedAnimationSet::RegisterAnimationSRTKeys(const char* name, std::uint32_t scaleKeys,
                                                       std::uint32_t rotationKeys, std::uint32_t translationKeys,
                                                       const KeyVector3* scale, const KeyQuaternion* rotation,
                                                       const KeyVector3* translation, std::uint32_t* index)
{
    if (name == nullptr || animations_.size() >= capacity_ || (scaleKeys > 0 && scale == nullptr) ||
        (rotationKeys > 0 && rotation == nullptr) || (translationKeys > 0 && translation == nullptr))
    {
        return InvalidCall;
    }
    AnimationKeys keys;
    keys.name = name;
    keys.scale.assign(scale, scale + scaleKeys);
    keys.rotation.assign(rotation, rotation + rotationKeys);
    keys.translation.assign(translation, translation + translationKeys);
    const auto byTime = [](const auto& a, const auto& b) { return a.Time < b.Time; };
    std::stable_sort(keys.scale.begin(), keys.scale.end(), byTime);
    std::stable_sort(keys.rotation.begin(), keys.rotation.end(), byTime);
    std::stable_sort(keys.translation.begin(), keys.translation.end(), byTime);
    if (!SortedAndFinite(keys.scale) || !SortedAndFinite(keys.rotation) || !SortedAndFinite(keys.translation))
    {
        return InvalidCall;
    }
    animations_.push_back(std::move(keys));
    UpdatePeriod();
    if (index != nullptr)
    {
        *index = static_cast<std::uint32_t>(animations_.size() - 1);
    }
    return Ok;
}

std::uint32_t KeyframedAnimationSet::GetNumScaleKeys(std::uint32_t animation) const
{
    return animation < animations_.size() ? static_cast<std::uint32_t>(animations_[animation].scale.size()) : 0;
}

std::uint32_t KeyframedAnimationSet::GetNumRotationKeys(std::uint32_t animation) const
{
    return animation < animations_.size() ? static_cast<std::uint32_t>(animations_[animation].rotation.size()) : 0;
}

std::uint32_t KeyframedAnimationSet::GetNumTranslationKeys(std::uint32_t animation) const
{
    return animation < animations_.size() ? static_cast<std::uint32_t>(animations_[animation].translation.size())
                                          : 0;
}

Result KeyframedAnimationSet::GetScaleKeys(std::uint32_t animation, KeyVector3* keys) const
{
    if (animation >= animations_.size() || keys == nullptr)
    {
        return InvalidCall;
    }
    std::copy(animations_[animation].scale.begin(), animations_[animation].scale.end(), keys);
    return Ok;
}

Result KeyframedAnimationSet::GetRotationKeys(std::uint32_t animation, KeyQuaternion* keys) const
{
    if (animation >= animations_.size() || keys == nullptr)
    {
        return InvalidCall;
    }
    std::copy(animations_[animation].rotation.begin(), animations_[animation].rotation.end(), keys);
    return Ok;
}

Result KeyframedAnimationSet::GetTranslationKeys(std::uint32_t animation, KeyVector3* keys) const
{
    if (animation >= animations_.size() || keys == nullptr)
    {
        return InvalidCall;
    }
    std::copy(animations_[animation].translation.begin(), animations_[animation].translation.end(), keys);
    return Ok;
}

Result KeyframedAnimationSet::Compress(std::uint32_t, float lossiness, const void*, ByteBuffer** data) const
{
    if (data == nullptr)
    {
        return InvalidCall;
    }
    *data = nullptr;
    if (!std::isfinite(lossiness) || lossiness < 0)
    {
        return InvalidCall;
    }
    Writer writer;
    writer.Raw(kMagic, sizeof kMagic);
    writer.Word(static_cast<std::uint32_t>(animations_.size()));
    for (const AnimationKeys& animation : animations_)
    {
        const std::vector<KeyVector3> scale = Reduce(animation.scale, lossiness, Lerp);
        const std::vector<KeyQuaternion> rotation = Reduce(animation.rotation, lossiness, Slerp);
        const std::vector<KeyVector3> translation = Reduce(animation.translation, lossiness, Lerp);
        writer.Word(static_cast<std::uint32_t>(animation.name.size()));
        writer.Raw(animation.name.data(), animation.name.size());
        writer.Word(static_cast<std::uint32_t>(scale.size()));
        writer.Word(static_cast<std::uint32_t>(rotation.size()));
        writer.Word(static_cast<std::uint32_t>(translation.size()));
        for (const KeyVector3& key : scale)
        {
            writer.Float(key.Time), writer.Float(key.Value.x), writer.Float(key.Value.y), writer.Float(key.Value.z);
        }
        for (const KeyQuaternion& key : rotation)
        {
            writer.Float(key.Time), writer.Float(key.Value.x), writer.Float(key.Value.y), writer.Float(key.Value.z);
            writer.Float(key.Value.w);
        }
        for (const KeyVector3& key : translation)
        {
            writer.Float(key.Time), writer.Float(key.Value.x), writer.Float(key.Value.y), writer.Float(key.Value.z);
        }
    }
    const std::vector<std::uint8_t>& bytes = writer.Bytes();
    if (bytes.size() > 0xFFFFFFFFu)
    {
        return Gfx::OutOfMemory;
    }
    const Result made = CreateBuffer(static_cast<std::uint32_t>(bytes.size()), data);
    if (Gfx::Succeeded(made))
    {
        std::memcpy((*data)->GetBufferPointer(), bytes.data(), bytes.size());
    }
    return made;
}

Result CreateKeyframedAnimationSet(const char* name, double ticksPerSecond, std::uint32_t playback,
                                   std::uint32_t animations, std::uint32_t callbackKeys, const void* callbacks,
                                   KeyframedAnimationSet** set)
{
    if (set == nullptr)
    {
        return InvalidCall;
    }
    *set = nullptr;
    if (!ValidArguments(name, ticksPerSecond, playback, callbackKeys, callbacks))
    {
        return InvalidCall;
    }
    try
    {
        *set = KeyframedAnimationSet::Make(name, ticksPerSecond, playback, animations);
    }
    catch (const std::bad_alloc&)
    {
        return Gfx::OutOfMemory;
    }
    return Ok;
}

// --- Compressed sets ---

CompressedAnimationSet* CompressedAnimationSet::Make(const char* name, double ticksPerSecond,
                                                     std::uint32_t playback, std::vector<AnimationKeys> animations)
{
    auto* set = new CompressedAnimationSet(name, ticksPerSecond, playback);
    set->animations_ = std::move(animations);
    set->UpdatePeriod();
    return set;
}

bool CompressedAnimationSet::HasInterface(const InterfaceId& id) const
{
    return id == CompressedAnimationSetId;
}

Result CreateCompressedAnimationSet(const char* name, double ticksPerSecond, std::uint32_t playback,
                                    ByteBuffer* data, std::uint32_t callbackKeys, const void* callbacks,
                                    CompressedAnimationSet** set)
{
    if (set == nullptr)
    {
        return InvalidCall;
    }
    *set = nullptr;
    if (!ValidArguments(name, ticksPerSecond, playback, callbackKeys, callbacks) || data == nullptr)
    {
        return InvalidCall;
    }
    Reader reader(static_cast<const std::uint8_t*>(data->GetBufferPointer()), data->GetBufferSize());
    char magic[4] = {};
    std::uint32_t count = 0;
    // Each animation takes at least 16 bytes: a count beyond that is damage, refused before allocating.
    if (!reader.Raw(magic, 4) || std::memcmp(magic, kMagic, 4) != 0 || !reader.Word(count) ||
        count > reader.Left() / 16)
    {
        return InvalidData;
    }
    try
    {
        std::vector<AnimationKeys> animations(count);
        for (AnimationKeys& animation : animations)
        {
            std::uint32_t nameLength = 0, scaleKeys = 0, rotationKeys = 0, translationKeys = 0;
            if (!reader.Word(nameLength) || nameLength > reader.Left())
            {
                return InvalidData;
            }
            animation.name.resize(nameLength);
            if (!reader.Raw(animation.name.data(), nameLength) ||
                animation.name.find('\0') != std::string::npos || !reader.Word(scaleKeys) ||
                !reader.Word(rotationKeys) || !reader.Word(translationKeys) ||
                !ReadKeys(reader, scaleKeys, 4, animation.scale) ||
                !ReadKeys(reader, rotationKeys, 5, animation.rotation) ||
                !ReadKeys(reader, translationKeys, 4, animation.translation))
            {
                return InvalidData;
            }
        }
        if (reader.Left() != 0)
        {
            return InvalidData;
        }
        *set = CompressedAnimationSet::Make(name, ticksPerSecond, playback, std::move(animations));
    }
    catch (const std::bad_alloc&)
    {
        return Gfx::OutOfMemory;
    }
    return Ok;
}

} // namespace Platform::GfxKit

#include "sound/WaveResource.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/ResourceRegistry.h"
#include "platform/os/RiffFile.h"
#include "sound/SoundDeviceRegistry.h"

#include <cstring>
#include <new>

namespace SoundLib
{

namespace
{

constexpr std::uint32_t WaveFormId = Platform::MakeChunkId('W', 'A', 'V', 'E');
constexpr std::uint32_t FormatChunkId = Platform::MakeChunkId('f', 'm', 't', ' ');
constexpr std::uint32_t DataChunkId = Platform::MakeChunkId('d', 'a', 't', 'a');
constexpr std::uint16_t WaveFormatIeeeFloat = 3;
constexpr std::uint16_t WaveFormatExtensible = 0xFFFE;

std::uint16_t Little16(const unsigned char* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t Little32(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// Parses the file into the resource; false (after tracing why, except for a file that does not open)
// leaves the resource without data.
bool LoadWaveFile(CWaveResource& wave, const std::string& name)
{
    Platform::RiffFile file;
    if (!file.Open(name))
    {
        return false;
    }
    Platform::RiffChunk riff;
    if (!file.Descend(riff) || riff.id != Platform::RiffChunkId || riff.formType != WaveFormId)
    {
        BaseLib::DebugOutput("Error: %s does not seem to be a WAV-File\n", name.c_str());
        return false;
    }
    Platform::RiffChunk formatChunk;
    if (!file.FindChunk(formatChunk, FormatChunkId, &riff) || formatChunk.size < 16)
    {
        BaseLib::DebugOutput("Error: %s - could not parse; file corrupted?\n", name.c_str());
        return false;
    }
    // The plain format is 16 bytes; the extensible one adds its valid bits, channel mask and sub-format.
    unsigned char bytes[40] = {};
    const std::uint32_t formatBytes = formatChunk.size >= 40 ? 40 : 16;
    if (file.Read(bytes, formatBytes) != formatBytes)
    {
        BaseLib::DebugOutput("Error: %s - read error\n", name.c_str());
        return false;
    }
    std::uint16_t tag = Little16(bytes);
    const std::uint16_t channels = Little16(bytes + 2);
    const std::uint32_t rate = Little32(bytes + 4);
    const std::uint16_t blockAlign = Little16(bytes + 12);
    const std::uint16_t bits = Little16(bytes + 14);
    if (tag == WaveFormatExtensible && formatBytes == 40)
    {
        // The sub-format GUID's first two bytes are the plain format tag; the rest is the same fixed
        // tail for every tag.
        static constexpr unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        if (std::memcmp(bytes + 26, kGuidTail, sizeof kGuidTail) == 0)
        {
            tag = Little16(bytes + 24);
        }
    }
    if (tag == WaveFormatIeeeFloat)
    {
        BaseLib::DebugOutput("Error: %s - float samples cannot be played; only 8 and 16 bit PCM can\n",
                             name.c_str());
        return false;
    }
    if (tag != Platform::WaveFormatPcm)
    {
        BaseLib::DebugOutput(
            "Error: %s - file is not PCM; compressed WAV files are not supported at the moment (sorry)\n",
            name.c_str());
        return false;
    }
    // What a voice can play is told now, with its reason, rather than when a voice is made.
    if (bits != 8 && bits != 16)
    {
        BaseLib::DebugOutput("Error: %s - %u-bit samples cannot be played; only 8 and 16 bit PCM can\n",
                             name.c_str(), static_cast<unsigned>(bits));
        return false;
    }
    if (channels > 2)
    {
        BaseLib::DebugOutput("Error: %s - %u channels cannot be played; only mono and stereo can\n", name.c_str(),
                             static_cast<unsigned>(channels));
        return false;
    }
    // Voices divide by these: a format without channels, rate or frame size cannot be played.
    if (channels == 0 || rate == 0 || blockAlign == 0)
    {
        BaseLib::DebugOutput("Error: %s - could not parse; file corrupted?\n", name.c_str());
        return false;
    }
    wave.fileName = name;
    wave.channels = channels;
    wave.samplesPerSec = rate;
    wave.bitsPerSample = bits;

    // "data" may stand before "fmt ": it is searched from just behind the form type.
    Platform::RiffChunk dataChunk;
    if (!file.Ascend(formatChunk) || !file.Seek(riff.dataOffset + 4) || !file.FindChunk(dataChunk, DataChunkId, &riff))
    {
        BaseLib::DebugOutput("Error: %s - could not parse; file corrupted?\n", name.c_str());
        return false;
    }
    // Nothing is allocated for data the file does not hold.
    if (dataChunk.size > file.Remaining())
    {
        BaseLib::DebugOutput("Error: %s - read error\n", name.c_str());
        return false;
    }
    std::unique_ptr<std::uint8_t[]> data(new (std::nothrow) std::uint8_t[dataChunk.size == 0 ? 1 : dataChunk.size]);
    if (!data || file.Read(data.get(), dataChunk.size) != dataChunk.size)
    {
        BaseLib::DebugOutput("Error: %s - read error\n", name.c_str());
        return false;
    }
    wave.data = std::move(data);
    wave.dataSize = dataChunk.size;
    wave.frameCount = dataChunk.size / blockAlign;

    Platform::WaveFormat& format = wave.format;
    format.formatTag = Platform::WaveFormatPcm;
    format.channels = channels;
    format.samplesPerSec = rate;
    format.bitsPerSample = bits;
    format.blockAlign = static_cast<std::uint16_t>((bits == 8 ? 1 : 2) * channels);
    format.avgBytesPerSec = format.blockAlign * rate;
    format.extraSize = 18;
    return true;
}

void ClearWave(CWaveResource& wave)
{
    wave.data.reset();
    wave.channels = 0;
    wave.samplesPerSec = 0;
    wave.bitsPerSample = 0;
    wave.frameCount = 0;
    wave.dataSize = 0;
}

}

CWaveResource::CWaveResource(BaseLib::CResourceFactory* factory, const CWaveResourceParameters& parameters)
    : CResource(factory)
{
    SetParameters(std::make_unique<CWaveResourceParameters>(parameters));
}

const CWaveResourceParameters& CWaveResource::GetWaveParameters() const
{
    return static_cast<const CWaveResourceParameters&>(*GetParameters());
}

CWaveResourceFactory::CWaveResourceFactory(BaseLib::CResourceRegistry* registry) : CResourceFactory(registry, nullptr)
{
}

CWaveResourceFactory::~CWaveResourceFactory()
{
    GetRegistry()->DestroyResourcesOf(this);
}

BaseLib::CResource* CWaveResourceFactory::Create(const BaseLib::CResourceParameters& parameters)
{
    return new CWaveResource(this, static_cast<const CWaveResourceParameters&>(parameters));
}

void CWaveResourceFactory::Destroy(BaseLib::CResource* resource)
{
    delete static_cast<CWaveResource*>(resource);
}

bool CWaveResourceFactory::Load(BaseLib::CResource* resource)
{
    auto& wave = static_cast<CWaveResource&>(*resource);
    ClearWave(wave);
    if (LoadWaveFile(wave, wave.GetWaveParameters().fileName))
    {
        return true;
    }
    ClearWave(wave);
    return false;
}

void CWaveResourceFactory::Unload(BaseLib::CResource* resource)
{
    ClearWave(static_cast<CWaveResource&>(*resource));
}

std::string ResolveSoundPath(const std::string& fileName)
{
    const CSoundDeviceRegistry* registry = CSoundDeviceRegistry::GetExistingInstance();
    if (registry != nullptr && registry->GetPathAliases() != nullptr)
    {
        return registry->GetPathAliases()->ResolvePath(fileName);
    }
    return fileName;
}

BaseLib::CResourcePtr<CWaveResource> GetWaveResource(const std::string& fileName)
{
    CWaveResourceFactory* factory = CSoundDeviceRegistry::GetInstance()->GetWaveFactory();
    if (factory == nullptr)
    {
        return {};
    }
    const std::string resolved = ResolveSoundPath(fileName);
    CWaveResourceParameters parameters(resolved);
    BaseLib::CResourcePtr<BaseLib::CResource> resource = factory->GetResource(resolved, parameters);
    if (resource)
    {
        resource->WaitUntilLoaded();
    }
    return BaseLib::CResourcePtr<CWaveResource>(static_cast<CWaveResource*>(resource.Get()));
}

} // namespace SoundLib

#pragma once

#include "foundation/Resource.h"
#include "foundation/ResourceFactory.h"
#include "platform/audio/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <string>

namespace SoundLib
{

// What a wave resource is made from: the file's path, already resolved through the path aliases.
class CWaveResourceParameters : public BaseLib::CResourceParameters
{
public:
    explicit CWaveResourceParameters(std::string file = {}) : fileName(std::move(file)) {}
    std::string fileName;
};

// A PCM wave file held whole in memory and shared by every voice that plays it.
class CWaveResource : public BaseLib::CResource
{
public:
    CWaveResource(BaseLib::CResourceFactory* factory, const CWaveResourceParameters& parameters);

    // The data size in bytes (the registry's memory accounting).
    std::uint32_t GetSize() const override { return dataSize; }
    const CWaveResourceParameters& GetWaveParameters() const;

    std::string fileName;
    std::uint32_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t bitsPerSample = 0;
    std::uint32_t frameCount = 0;
    std::uint32_t dataSize = 0;
    std::unique_ptr<std::uint8_t[]> data; // exactly dataSize bytes while loaded
    // As built by the load: tag 1, block align from the bits and channels, extra size 18.
    Platform::WaveFormat format;
};

// Makes, loads and unloads the wave resources of the sound registry's wave registry. Loading parses the
// RIFF/WAVE file on the calling thread (no background loading); failures are traced with the file's name.
class CWaveResourceFactory : public BaseLib::CResourceFactory
{
public:
    explicit CWaveResourceFactory(BaseLib::CResourceRegistry* registry);
    // Destroys the cached wave resources of this factory (registered ones must be released first).
    ~CWaveResourceFactory() override;

    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override;
    void Destroy(BaseLib::CResource* resource) override;
    bool Load(BaseLib::CResource* resource) override;
    void Unload(BaseLib::CResource* resource) override;
    // No meaning; answers 0.
    virtual int Reserved() { return 0; }
};

// The wave resource of a file: the name is resolved through the registry's path aliases when they are set
// and names the resource, so two spellings of one file share it. Found in the wave registry or created
// and loaded; a file that does not load gives a resource that is not in the loaded state. Empty when the
// registry has no wave factory.
BaseLib::CResourcePtr<CWaveResource> GetWaveResource(const std::string& fileName);

// The file name resolved through the registry's path aliases when they are set, else unchanged.
std::string ResolveSoundPath(const std::string& fileName);

} // namespace SoundLib

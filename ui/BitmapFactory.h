#pragma once

#include "foundation/ResourceFactory.h"
#include "foundation/String.h"
#include "ui/Bitmap.h"

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace UILib
{

// Turns image files into bitmap data with DevIL: files are searched in a list of folders, optionally
// resized or scaled, and a file that cannot be loaded yields a visible 100 × 100 placeholder instead of
// failing. Every DevIL call, every change of the folders and every load runs under DevIL's one
// process-wide lock (Platform::GfxKit::ImageLibraryLock), since DevIL's state is shared by the process.
// While it exists the factory is the one CBitmap reaches.
class CBitmapFactory : public BaseLib::CResourceFactory
{
public:
    // Background loading off, DevIL started, folders ["./"].
    CBitmapFactory(BaseLib::CResourceRegistry* registry, BaseLib::CStreamingThread* streamingThread);
    // Destroys the cached bitmaps of this factory; bitmaps still held must be released first.
    ~CBitmapFactory() override;

    // The factory that exists now, or null.
    static CBitmapFactory* GetCurrent();

    // The file name is first resolved through the window system's path aliases, when it holds any; the
    // resolved text names the resource and is loaded.
    // Resource name: the file name.
    BaseLib::CResourcePtr<CBitmapData> GetBitmap(const BaseLib::CString& file);
    // Resource name: "%s_%d_%d" of file, width, height.
    BaseLib::CResourcePtr<CBitmapData> GetBitmap(const BaseLib::CString& file, std::int32_t width,
                                                 std::int32_t height);
    // Resource name: "%s_%g" of file and scale.
    BaseLib::CResourcePtr<CBitmapData> GetBitmap(const BaseLib::CString& file, float scale);
    // A new private blank under a unique name, its pixels zero.
    BaseLib::CResourcePtr<CBitmapData> CreateBlank(std::int32_t width, std::int32_t height);

    // An empty text is ignored; "/" is appended unless present.
    void AddSearchPath(const BaseLib::CString& folder);
    std::vector<std::string> GetSearchPaths() const;

    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override;
    void Destroy(BaseLib::CResource* resource) override;
    // Always true: a file that cannot be loaded gives the placeholder.
    bool Load(BaseLib::CResource* resource) override;
    void Unload(BaseLib::CResource* resource) override;
    // No meaning; answers 0.
    virtual int Reserved(void*) { return 0; }

    // Nothing when the bitmap's data is unique and held by this bitmap alone; else the bitmap gets a copy
    // of its pixels in new data that keeps the old parameters.
    void MakePrivate(CBitmap& bitmap);

private:
    BaseLib::CResourcePtr<CBitmapData> Request(const std::string& name, const std::string& file,
                                               std::int32_t width, std::int32_t height, float scale);
    void LoadFile(CBitmapData& data, const CBitmapDataResourceParameters& parameters);
    // Whether the caller runs on another thread than the one that made the factory.
    bool OnOtherThread() const;

    std::vector<std::string> m_searchPaths;
    std::thread::id m_ownerThread;
};

} // namespace UILib

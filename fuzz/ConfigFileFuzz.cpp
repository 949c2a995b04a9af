// The settings file, read into one entry of every kind and written back.

#include "foundation/ConfigFile.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".xml");
    BaseLib::CConfigFile config;
    config.AddSizeEntry("application/windowsize", "size of the game window", 800, 600, 640, 480, 4096, 4096);
    config.AddBoolEntry("application/fullscreen", "full screen", false);
    config.AddStringEntry("application/language", "language", "english", "english, german");
    config.AddStringEntry("paths/media", "media folder", "media", "");
    config.AddIntEntry("sound/volume", "volume", 80, 0, 100);
    config.AddFloatEntry("graphics/gamma", "gamma", 1.0f, 0.5f, 2.5f);
    config.AddPointEntry("application/windowpos", "window position", BaseLib::CPoint(10, 10),
                         BaseLib::CPoint(-4096, -4096), BaseLib::CPoint(4096, 4096));
    config.AddColorEntry("graphics/clearcolor", "clear colour", BaseLib::CColor(0, 0, 0, 255),
                         BaseLib::CColor(0, 0, 0, 0), BaseLib::CColor(255, 255, 255, 255));
    config.AddVector3Entry("sound/listener", "listener offset", BaseLib::CVector3(0.0f, 1.0f, 0.0f),
                           BaseLib::CVector3(-10.0f, -10.0f, -10.0f), BaseLib::CVector3(10.0f, 10.0f, 10.0f));
    if (config.Load(input.Path()))
    {
        (void)config.GetString("application/language");
        (void)config.GetSize("application/windowsize");
        config.Save(Fuzz::ScratchPath("config.xml"));
    }
    return 0;
}

// Under AddressSanitizer the leak check runs at exit, after the OpenGL driver has been unloaded with
// the last display connection: blocks that only the driver's own data still points to then look
// leaked. Keeping the software driver loaded for the whole test program lets the check see them.

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>

namespace
{

class KeepOpenGlDriverLoaded : public ::testing::Environment
{
public:
    void SetUp() override
    {
        // Not finding the driver only brings the false reports back.
        dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_LAZY | RTLD_NODELETE);
        // SDL's offscreen driver (the clipboard tests) reaches the driver through EGL.
        dlopen("libEGL_mesa.so.0", RTLD_LAZY | RTLD_NODELETE);
    }
};

const ::testing::Environment* const kKeepDriver =
    ::testing::AddGlobalTestEnvironment(new KeepOpenGlDriverLoaded);

} // namespace
#endif

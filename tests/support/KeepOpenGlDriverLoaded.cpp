// For a program run under AddressSanitizer whose own sources cannot keep the driver (the shipped game in
// the sanitizer build): the leak check runs at exit, after the OpenGL driver has been unloaded with the
// last display connection, so blocks that only the driver's own data still points to look leaked.
// Loading the software driver for good when the program starts lets the check see them.

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>

namespace
{

// Not finding a driver only brings the false reports back.
[[maybe_unused]] const bool kDriverKept = [] {
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_LAZY | RTLD_NODELETE);
    dlopen("libEGL_mesa.so.0", RTLD_LAZY | RTLD_NODELETE);
    return true;
}();

} // namespace
#endif

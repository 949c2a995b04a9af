#include "platform/debug/CoreFileReader.h"

#include <elfutils/libdwfl.h>
#include <fcntl.h>
#include <unistd.h>

#include <utility>

namespace Platform
{

namespace
{

struct FrameWalk
{
    Dwfl* dwfl;
    std::vector<std::string>* names;
};

int OnFrame(Dwfl_Frame* frame, void* argument)
{
    auto& walk = *static_cast<FrameWalk*>(argument);
    Dwarf_Addr pc = 0;
    bool activation = false;
    if (!dwfl_frame_pc(frame, &pc, &activation))
    {
        return DWARF_CB_ABORT;
    }
    const Dwarf_Addr lookup = activation ? pc : pc - 1;
    Dwfl_Module* module = dwfl_addrmodule(walk.dwfl, lookup);
    const char* name = module != nullptr ? dwfl_module_addrname(module, lookup) : nullptr;
    walk.names->push_back(name != nullptr ? name : "?");
    return walk.names->size() < 40 ? DWARF_CB_OK : DWARF_CB_ABORT;
}

int OnThread(Dwfl_Thread* thread, void* argument)
{
    auto& core = *static_cast<std::pair<Dwfl*, CoreFileThreads*>*>(argument);
    core.second->functions.emplace_back();
    FrameWalk walk{core.first, &core.second->functions.back()};
    dwfl_thread_getframes(thread, OnFrame, &walk);
    return DWARF_CB_OK;
}

} // namespace

CoreFileThreads ReadCoreFileThreads(const std::string& core, const std::string& executable)
{
    CoreFileThreads result;
    static char* debugPath = nullptr;
    static const Dwfl_Callbacks callbacks = {dwfl_build_id_find_elf, dwfl_standard_find_debuginfo, nullptr,
                                             &debugPath};
    elf_version(EV_CURRENT);
    const int fd = open(core.c_str(), O_RDONLY);
    if (fd < 0)
    {
        return result;
    }
    Elf* elf = elf_begin(fd, ELF_C_READ_MMAP, nullptr);
    Dwfl* dwfl = dwfl_begin(&callbacks);
    dwfl_report_begin(dwfl);
    const int modules = dwfl_core_file_report(dwfl, elf, executable.c_str());
    dwfl_report_end(dwfl, nullptr, nullptr);
    if (modules > 0 && dwfl_core_file_attach(dwfl, elf) > 0)
    {
        result.opened = true;
        std::pair<Dwfl*, CoreFileThreads*> argument{dwfl, &result};
        dwfl_getthreads(dwfl, OnThread, &argument);
    }
    dwfl_end(dwfl);
    elf_end(elf);
    close(fd);
    return result;
}

} // namespace Platform

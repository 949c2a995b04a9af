#include "platform/debug/CoreDump.h"

#include "platform/debug/ModuleLookup.h"
#include "platform/debug/SafeFormat.h"

#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <sys/procfs.h>
#include <sys/syscall.h>
#include <sys/user.h>
#include <unistd.h>

namespace Platform
{

namespace
{

constexpr std::uint64_t PageSize = 4096;

std::uint64_t PageDown(std::uint64_t value)
{
    return value & ~(PageSize - 1);
}

std::uint64_t PageUp(std::uint64_t value)
{
    return PageDown(value + PageSize - 1);
}

// Appends notes to the capture's note buffer; stops (and remembers) when full.
struct NoteWriter
{
    char* buffer;
    std::size_t capacity;
    std::size_t length = 0;
    bool full = false;

    char* Begin(std::uint32_t type, std::size_t descriptionSize)
    {
        const std::size_t need = sizeof(Elf64_Nhdr) + 8 + ((descriptionSize + 3) & ~std::size_t{3});
        if (length + need > capacity)
        {
            full = true;
            return nullptr;
        }
        Elf64_Nhdr header{};
        header.n_namesz = 5; // "CORE" and its zero
        header.n_descsz = static_cast<Elf64_Word>(descriptionSize);
        header.n_type = type;
        std::memcpy(buffer + length, &header, sizeof(header));
        std::memcpy(buffer + length + sizeof(header), "CORE\0\0\0", 8);
        char* description = buffer + length + sizeof(header) + 8;
        std::memset(description, 0, (descriptionSize + 3) & ~std::size_t{3});
        length += need;
        return description;
    }

    void Add(std::uint32_t type, const void* data, std::size_t size)
    {
        if (char* description = Begin(type, size))
        {
            std::memcpy(description, data, size);
        }
    }
};

void AddStatus(NoteWriter& notes, const CaptureBlock& capture, const DumpThread& thread, int signal)
{
    elf_prstatus status;
    std::memset(&status, 0, sizeof(status));
    status.pr_info.si_signo = signal;
    status.pr_cursig = static_cast<short>(signal);
    status.pr_pid = thread.tid;
    status.pr_ppid = static_cast<int>(getppid());
    status.pr_pgrp = static_cast<int>(getpgrp());
    status.pr_sid = static_cast<int>(getsid(0));
    const greg_t* g = thread.registers->gregs;
    user_regs_struct regs;
    std::memset(&regs, 0, sizeof(regs));
    regs.r15 = static_cast<unsigned long long>(g[REG_R15]);
    regs.r14 = static_cast<unsigned long long>(g[REG_R14]);
    regs.r13 = static_cast<unsigned long long>(g[REG_R13]);
    regs.r12 = static_cast<unsigned long long>(g[REG_R12]);
    regs.rbp = static_cast<unsigned long long>(g[REG_RBP]);
    regs.rbx = static_cast<unsigned long long>(g[REG_RBX]);
    regs.r11 = static_cast<unsigned long long>(g[REG_R11]);
    regs.r10 = static_cast<unsigned long long>(g[REG_R10]);
    regs.r9 = static_cast<unsigned long long>(g[REG_R9]);
    regs.r8 = static_cast<unsigned long long>(g[REG_R8]);
    regs.rax = static_cast<unsigned long long>(g[REG_RAX]);
    regs.rcx = static_cast<unsigned long long>(g[REG_RCX]);
    regs.rdx = static_cast<unsigned long long>(g[REG_RDX]);
    regs.rsi = static_cast<unsigned long long>(g[REG_RSI]);
    regs.rdi = static_cast<unsigned long long>(g[REG_RDI]);
    regs.orig_rax = ~0ull;
    regs.rip = static_cast<unsigned long long>(g[REG_RIP]);
    const auto segments = static_cast<unsigned long long>(g[REG_CSGSFS]);
    regs.cs = segments & 0xFFFF;
    regs.eflags = static_cast<unsigned long long>(g[REG_EFL]);
    regs.rsp = static_cast<unsigned long long>(g[REG_RSP]);
    regs.ss = 0x2B; // the user data segment of x86-64 Linux
    regs.fs_base = thread.handle;
    static_assert(sizeof(status.pr_reg) == sizeof(regs));
    std::memcpy(&status.pr_reg, &regs, sizeof(regs));
    (void)capture;
    notes.Add(NT_PRSTATUS, &status, sizeof(status));
}

void AddProcessInfo(NoteWriter& notes, const CaptureBlock& capture)
{
    elf_prpsinfo info;
    std::memset(&info, 0, sizeof(info));
    info.pr_sname = 'R';
    info.pr_pid = capture.pid;
    info.pr_ppid = static_cast<int>(getppid());
    info.pr_pgrp = static_cast<int>(getpgrp());
    info.pr_sid = static_cast<int>(getsid(0));
    info.pr_uid = getuid();
    info.pr_gid = getgid();
    const char* name = capture.executablePath;
    for (const char* c = capture.executablePath; *c != '\0'; ++c)
    {
        if (*c == '/')
        {
            name = c + 1;
        }
    }
    for (std::size_t i = 0; i + 1 < sizeof(info.pr_fname) && name[i] != '\0'; ++i)
    {
        info.pr_fname[i] = name[i];
    }
    const int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (fd >= 0)
    {
        const ssize_t got = read(fd, info.pr_psargs, sizeof(info.pr_psargs) - 1);
        close(fd);
        for (ssize_t i = 0; i + 1 < got; ++i)
        {
            if (info.pr_psargs[i] == '\0')
            {
                info.pr_psargs[i] = ' ';
            }
        }
    }
    notes.Add(NT_PRPSINFO, &info, sizeof(info));
}

void AddAuxiliaryVector(NoteWriter& notes, CaptureBlock& capture)
{
    const int fd = open("/proc/self/auxv", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        return;
    }
    std::size_t length = 0;
    for (;;)
    {
        const ssize_t got = read(fd, capture.scratch + length, sizeof(capture.scratch) - length);
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got <= 0)
        {
            break;
        }
        length += static_cast<std::size_t>(got);
    }
    close(fd);
    notes.Add(NT_AUXV, capture.scratch, length);
}

bool IsDevice(const MapsLine& line)
{
    return line.pathLength >= 5 && std::memcmp(line.path, "/dev/", 5) == 0;
}

bool IsModuleFile(const MapsLine& line)
{
    return line.pathLength > 0 && line.path[0] == '/' && !IsDevice(line);
}

// NT_FILE: every file-backed mapping with its start, end, page offset and path.
void AddFileTable(NoteWriter& notes, const CaptureBlock& capture)
{
    const char* const end = capture.maps + capture.mapsLength;
    std::uint64_t count = 0;
    std::size_t namesSize = 0;
    for (const char* at = capture.maps; at < end;)
    {
        MapsLine line;
        at = ParseMapsLine(at, end, line);
        if (line.pathLength > 0 && line.path[0] == '/')
        {
            ++count;
            namesSize += line.pathLength + 1;
        }
    }
    char* description = notes.Begin(NT_FILE, 16 + count * 24 + namesSize);
    if (description == nullptr)
    {
        return;
    }
    const std::uint64_t pageSize = PageSize;
    std::memcpy(description, &count, 8);
    std::memcpy(description + 8, &pageSize, 8);
    char* entry = description + 16;
    char* name = description + 16 + count * 24;
    for (const char* at = capture.maps; at < end;)
    {
        MapsLine line;
        at = ParseMapsLine(at, end, line);
        if (line.pathLength > 0 && line.path[0] == '/')
        {
            const std::uint64_t values[3] = {line.start, line.end, line.offset / PageSize};
            std::memcpy(entry, values, sizeof(values));
            entry += sizeof(values);
            std::memcpy(name, line.path, line.pathLength);
            name[line.pathLength] = '\0';
            name += line.pathLength + 1;
        }
    }
}

bool Overlaps(const CaptureBlock& capture, std::uint64_t start, std::uint64_t end)
{
    for (int i = 0; i < capture.dumpRegionCount; ++i)
    {
        const DumpRegion& region = capture.dumpRegions[i];
        if (start < region.end && region.start < end)
        {
            return true;
        }
    }
    return false;
}

void AddRegion(CaptureBlock& capture, std::uint64_t start, std::uint64_t end, std::uint32_t flags, bool data)
{
    if (start >= end || capture.dumpRegionCount >= MaxDumpRegions || Overlaps(capture, start, end))
    {
        return;
    }
    capture.dumpRegions[capture.dumpRegionCount++] = DumpRegion{start, end, flags, data, true};
}

std::uint32_t SegmentFlags(const MapsLine& line)
{
    return (line.read ? PF_R : 0u) | (line.write ? PF_W : 0u) | (line.execute ? PF_X : 0u);
}

// The stack of a thread: from its stack pointer less the red zone to the end of the mapping.
void AddStack(CaptureBlock& capture, std::uint64_t stackPointer)
{
    const char* const end = capture.maps + capture.mapsLength;
    for (const char* at = capture.maps; at < end;)
    {
        MapsLine line;
        at = ParseMapsLine(at, end, line);
        if (line.start <= stackPointer && stackPointer < line.end && !IsDevice(line))
        {
            std::uint64_t start = PageDown(stackPointer - 128);
            if (start < line.start)
            {
                start = line.start;
            }
            AddRegion(capture, start, line.end, SegmentFlags(line), false);
            return;
        }
    }
}

void CollectRegions(CaptureBlock& capture, const DumpThread* threads, int threadCount)
{
    capture.dumpRegionCount = 0;
    for (int i = 0; i < threadCount; ++i)
    {
        AddStack(capture, static_cast<std::uint64_t>(threads[i].registers->gregs[REG_RSP]));
    }
    const char* const end = capture.maps + capture.mapsLength;
    MapsLine previous;
    bool havePrevious = false;
    for (const char* at = capture.maps; at < end;)
    {
        MapsLine line;
        at = ParseMapsLine(at, end, line);
        if (IsModuleFile(line))
        {
            if (line.offset == 0 && line.read)
            {
                AddRegion(capture, line.start, line.start + PageSize, SegmentFlags(line), false);
            }
            if (line.write && !line.shared && line.read)
            {
                AddRegion(capture, line.start, line.end, SegmentFlags(line), true);
            }
        }
        else if (line.pathLength == 0 && havePrevious && IsModuleFile(previous) && previous.end == line.start &&
                 line.write && line.read)
        {
            // The zero-filled data right after a module's last mapping.
            AddRegion(capture, line.start, line.end, SegmentFlags(line), true);
        }
        previous = line;
        havePrevious = true;
    }
}

int CopyMemory(int fd, std::uint64_t start, std::uint64_t size)
{
    static const char zeros[PageSize] = {};
    std::uint64_t done = 0;
    while (done < size)
    {
        // The system call itself: a sanitizer's wrapper of write() would check the memory it reads,
        // and the process's memory is copied as it is, red zones included.
        const ssize_t written = syscall(SYS_write, fd, reinterpret_cast<const void*>(start + done), size - done);
        if (written > 0)
        {
            done += static_cast<std::uint64_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
        {
            continue;
        }
        if (written < 0 && errno == EFAULT)
        {
            // Unreadable: this page is written as zeros, the copy goes on after it.
            const std::uint64_t chunk = PageUp(start + done + 1) - (start + done);
            const std::uint64_t count = chunk < size - done ? chunk : size - done;
            if (const int error = WriteAll(fd, zeros, count))
            {
                return error;
            }
            done += count;
            continue;
        }
        return written < 0 ? errno : EIO;
    }
    return 0;
}

} // namespace

int WriteCoreDump(int fd, CaptureBlock& capture, const ucontext_t* callerContext)
{
    // The threads: the crashing (or calling) one first, then every other one that gave its context.
    DumpThread* threads = capture.dumpThreads;
    int threadCount = 0;
    if (capture.hasException)
    {
        threads[threadCount++] = DumpThread{capture.reportingTid, capture.reportingHandle, &capture.context.uc_mcontext};
    }
    else if (callerContext != nullptr)
    {
        threads[threadCount++] = DumpThread{capture.reportingTid, capture.reportingHandle, &callerContext->uc_mcontext};
    }
    for (int i = 0; i < capture.listedCount && threadCount < MaxCapturedThreads + 1; ++i)
    {
        const int slot = capture.listed[i].slot;
        if (slot < 0)
        {
            continue;
        }
        const CapturedThread& thread = capture.threads[slot];
        const auto state = static_cast<ThreadState>(thread.state.load());
        if (state == ThreadState::Stopped || state == ThreadState::Faulted)
        {
            threads[threadCount++] = DumpThread{capture.listed[i].tid, thread.handle, &thread.context.uc_mcontext};
        }
    }

    NoteWriter notes{capture.notes, sizeof(capture.notes)};
    for (int i = 0; i < threadCount; ++i)
    {
        AddStatus(notes, capture, threads[i], i == 0 && capture.hasException ? capture.signal : 0);
        if (i == 0)
        {
            AddProcessInfo(notes, capture);
            if (capture.hasException)
            {
                notes.Add(NT_SIGINFO, &capture.info, sizeof(capture.info));
            }
            AddAuxiliaryVector(notes, capture);
            AddFileTable(notes, capture);
        }
    }

    CollectRegions(capture, threads, threadCount);

    // Within the cap: the largest data regions go first.
    auto layoutSize = [&capture, &notes]() {
        std::uint64_t phnum = 1;
        std::uint64_t size = 0;
        for (int i = 0; i < capture.dumpRegionCount; ++i)
        {
            if (capture.dumpRegions[i].kept)
            {
                ++phnum;
                size += capture.dumpRegions[i].end - capture.dumpRegions[i].start;
            }
        }
        return PageUp(sizeof(Elf64_Ehdr) + phnum * sizeof(Elf64_Phdr) + notes.length) + size;
    };
    while (layoutSize() > MaxCoreDumpSize)
    {
        int largest = -1;
        for (int i = 0; i < capture.dumpRegionCount; ++i)
        {
            const DumpRegion& region = capture.dumpRegions[i];
            if (region.kept && region.data &&
                (largest < 0 || region.end - region.start >
                                    capture.dumpRegions[largest].end - capture.dumpRegions[largest].start))
            {
                largest = i;
            }
        }
        if (largest < 0)
        {
            break;
        }
        capture.dumpRegions[largest].kept = false;
    }

    std::uint16_t phnum = 1;
    for (int i = 0; i < capture.dumpRegionCount; ++i)
    {
        phnum = static_cast<std::uint16_t>(phnum + (capture.dumpRegions[i].kept ? 1 : 0));
    }
    Elf64_Ehdr header;
    std::memset(&header, 0, sizeof(header));
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = ELFCLASS64;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_ident[EI_OSABI] = ELFOSABI_NONE;
    header.e_type = ET_CORE;
    header.e_machine = EM_X86_64;
    header.e_version = EV_CURRENT;
    header.e_phoff = sizeof(Elf64_Ehdr);
    header.e_ehsize = sizeof(Elf64_Ehdr);
    header.e_phentsize = sizeof(Elf64_Phdr);
    header.e_phnum = phnum;
    if (const int error = WriteAll(fd, &header, sizeof(header)))
    {
        return error;
    }
    const std::uint64_t notesOffset = sizeof(Elf64_Ehdr) + phnum * sizeof(Elf64_Phdr);
    Elf64_Phdr program;
    std::memset(&program, 0, sizeof(program));
    program.p_type = PT_NOTE;
    program.p_offset = notesOffset;
    program.p_filesz = notes.length;
    program.p_align = 4;
    if (const int error = WriteAll(fd, &program, sizeof(program)))
    {
        return error;
    }
    std::uint64_t offset = PageUp(notesOffset + notes.length);
    for (int i = 0; i < capture.dumpRegionCount; ++i)
    {
        const DumpRegion& region = capture.dumpRegions[i];
        if (!region.kept)
        {
            continue;
        }
        std::memset(&program, 0, sizeof(program));
        program.p_type = PT_LOAD;
        program.p_flags = region.flags;
        program.p_offset = offset;
        program.p_vaddr = region.start;
        program.p_filesz = region.end - region.start;
        program.p_memsz = region.end - region.start;
        program.p_align = PageSize;
        if (const int error = WriteAll(fd, &program, sizeof(program)))
        {
            return error;
        }
        offset += region.end - region.start;
    }
    if (const int error = WriteAll(fd, notes.buffer, notes.length))
    {
        return error;
    }
    offset = PageUp(notesOffset + notes.length);
    if (lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0)
    {
        return errno;
    }
    for (int i = 0; i < capture.dumpRegionCount; ++i)
    {
        const DumpRegion& region = capture.dumpRegions[i];
        if (region.kept)
        {
            if (const int error = CopyMemory(fd, region.start, region.end - region.start))
            {
                return error;
            }
        }
    }
    return 0;
}

} // namespace Platform

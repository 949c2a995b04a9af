#include "platform/debug/ModuleLookup.h"

#include <cerrno>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

namespace Platform
{

namespace
{

std::uint64_t ParseHex(const char*& at, const char* end)
{
    std::uint64_t value = 0;
    for (; at < end; ++at)
    {
        const char c = *at;
        int digit;
        if (c >= '0' && c <= '9')
        {
            digit = c - '0';
        }
        else if (c >= 'a' && c <= 'f')
        {
            digit = c - 'a' + 10;
        }
        else if (c >= 'A' && c <= 'F')
        {
            digit = c - 'A' + 10;
        }
        else
        {
            break;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return value;
}

void SkipField(const char*& at, const char* end)
{
    while (at < end && *at != ' ')
    {
        ++at;
    }
    while (at < end && *at == ' ')
    {
        ++at;
    }
}

bool IsFile(const MapsLine& line)
{
    return line.pathLength > 0 && line.path[0] == '/';
}

bool ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < size)
    {
        const ssize_t got = pread(fd, static_cast<char*>(buffer) + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got <= 0)
        {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace

const char* ParseMapsLine(const char* at, const char* end, MapsLine& line)
{
    const char* lineEnd = at;
    while (lineEnd < end && *lineEnd != '\n')
    {
        ++lineEnd;
    }
    line = MapsLine{};
    line.start = ParseHex(at, lineEnd);
    if (at < lineEnd && *at == '-')
    {
        ++at;
    }
    line.end = ParseHex(at, lineEnd);
    SkipField(at, lineEnd); // to the permissions
    if (lineEnd - at >= 4)
    {
        line.read = at[0] == 'r';
        line.write = at[1] == 'w';
        line.execute = at[2] == 'x';
        line.shared = at[3] == 's';
    }
    SkipField(at, lineEnd); // to the offset
    line.offset = ParseHex(at, lineEnd);
    SkipField(at, lineEnd); // to the device
    SkipField(at, lineEnd); // to the inode
    SkipField(at, lineEnd); // to the path
    if (at < lineEnd)
    {
        line.path = at;
        line.pathLength = static_cast<std::size_t>(lineEnd - at);
    }
    return lineEnd < end ? lineEnd + 1 : end;
}

long ReadOwnMaps(char* text, std::size_t size)
{
    const int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        return -1;
    }
    std::size_t length = 0;
    while (length + 1 < size)
    {
        const ssize_t got = read(fd, text + length, size - 1 - length);
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got < 0)
        {
            const int error = errno;
            close(fd);
            errno = error;
            return -1;
        }
        if (got == 0)
        {
            break;
        }
        length += static_cast<std::size_t>(got);
    }
    close(fd);
    text[length] = '\0';
    return static_cast<long>(length);
}

void FindModuleAddress(const char* maps, std::size_t mapsLength, std::uint64_t address, char* scratch,
                       std::size_t scratchSize, ModuleAddress& module)
{
    module.path[0] = '\0';
    module.section = 0;
    module.offset = 0;
    module.loadBias = 0;
    const char* const end = maps + mapsLength;
    MapsLine holder;
    bool found = false;
    for (const char* at = maps; at < end && !found;)
    {
        at = ParseMapsLine(at, end, holder);
        found = holder.start <= address && address < holder.end;
    }
    if (!found || !IsFile(holder) || holder.pathLength >= sizeof(module.path))
    {
        return;
    }
    std::memcpy(module.path, holder.path, holder.pathLength);
    module.path[holder.pathLength] = '\0';

    // Where the file's first byte is mapped: the lowest mapping of the same file at offset 0.
    std::uint64_t fileBase = 0;
    bool haveBase = false;
    for (const char* at = maps; at < end;)
    {
        MapsLine line;
        at = ParseMapsLine(at, end, line);
        if (line.offset == 0 && line.pathLength == holder.pathLength &&
            std::memcmp(line.path, holder.path, holder.pathLength) == 0 && (!haveBase || line.start < fileBase))
        {
            fileBase = line.start;
            haveBase = true;
        }
    }

    const int fd = open(module.path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        module.loadBias = fileBase;
        module.offset = static_cast<std::int64_t>(address - fileBase);
        return;
    }
    Elf64_Ehdr header;
    const bool elf = ReadAt(fd, &header, sizeof(header), 0) && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
                     header.e_ident[EI_CLASS] == ELFCLASS64;
    std::uint64_t bias = fileBase;
    if (elf && header.e_phentsize == sizeof(Elf64_Phdr) &&
        static_cast<std::size_t>(header.e_phnum) * sizeof(Elf64_Phdr) <= scratchSize &&
        ReadAt(fd, scratch, header.e_phnum * sizeof(Elf64_Phdr), header.e_phoff))
    {
        for (int i = 0; i < header.e_phnum; ++i)
        {
            Elf64_Phdr program;
            std::memcpy(&program, scratch + i * sizeof(Elf64_Phdr), sizeof(program));
            if (program.p_type == PT_LOAD && program.p_offset == 0)
            {
                bias = fileBase - (program.p_vaddr & ~static_cast<std::uint64_t>(program.p_align > 0 ? program.p_align - 1 : 0));
                break;
            }
        }
    }
    module.loadBias = bias;
    const std::uint64_t relative = address - bias;
    module.offset = static_cast<std::int64_t>(relative);
    if (elf && header.e_shentsize == sizeof(Elf64_Shdr) &&
        static_cast<std::size_t>(header.e_shnum) * sizeof(Elf64_Shdr) <= scratchSize &&
        ReadAt(fd, scratch, header.e_shnum * sizeof(Elf64_Shdr), header.e_shoff))
    {
        for (int i = 1; i < header.e_shnum; ++i)
        {
            Elf64_Shdr section;
            std::memcpy(&section, scratch + i * sizeof(Elf64_Shdr), sizeof(section));
            if ((section.sh_flags & SHF_ALLOC) != 0 && section.sh_addr <= relative &&
                relative < section.sh_addr + section.sh_size)
            {
                module.section = i;
                module.offset = static_cast<std::int64_t>(relative - section.sh_addr);
                break;
            }
        }
    }
    close(fd);
}

} // namespace Platform

#include "platform/debug/CoreFileReader.h"
#include "tests/crashreport/VictimRun.h"

#include <gtest/gtest.h>

#include <cstring>
#include <elf.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

// The core's program headers and its NT_SIGINFO signal (0 without one), read directly.
struct CoreLayout
{
    std::vector<Elf64_Phdr> loads;
    int siginfoSignal = 0;
    int firstStatusSignal = -1;
};

CoreLayout ReadLayout(const std::string& path)
{
    CoreLayout layout;
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof(Elf64_Ehdr))
    {
        return layout;
    }
    Elf64_Ehdr header;
    std::memcpy(&header, bytes.data(), sizeof(header));
    for (int i = 0; i < header.e_phnum; ++i)
    {
        Elf64_Phdr program;
        std::memcpy(&program, bytes.data() + header.e_phoff + i * sizeof(Elf64_Phdr), sizeof(program));
        if (program.p_type == PT_LOAD)
        {
            layout.loads.push_back(program);
        }
        if (program.p_type != PT_NOTE)
        {
            continue;
        }
        for (std::size_t at = program.p_offset; at + sizeof(Elf64_Nhdr) <= program.p_offset + program.p_filesz;)
        {
            Elf64_Nhdr note;
            std::memcpy(&note, bytes.data() + at, sizeof(note));
            const std::size_t description = at + sizeof(note) + ((note.n_namesz + 3) & ~3u);
            if (note.n_type == NT_SIGINFO)
            {
                siginfo_t info;
                std::memcpy(&info, bytes.data() + description, sizeof(info));
                layout.siginfoSignal = info.si_signo;
            }
            if (note.n_type == NT_PRSTATUS && layout.firstStatusSignal < 0)
            {
                short cursig;
                std::memcpy(&cursig, bytes.data() + description + 12, sizeof(cursig)); // after elf_siginfo
                layout.firstStatusSignal = cursig;
            }
            at = description + ((note.n_descsz + 3) & ~3u);
        }
    }
    return layout;
}

bool Contains(const std::vector<std::string>& names, const std::string& part, std::size_t within)
{
    for (std::size_t i = 0; i < names.size() && i < within; ++i)
    {
        if (names[i].find(part) != std::string::npos)
        {
            return true;
        }
    }
    return false;
}

class CrashDump : public VictimTest
{
};

} // namespace

TEST_F(CrashDump, DumpHoldsEveryAnsweringThreadAndTheCrash)
{
    const VictimResult result = Run("segv");
    EXPECT_EQ(result.exitSignal, SIGSEGV);
    ASSERT_EQ(result.dumps.size(), 1u) << result.err;
    const std::string report = OnlyReport(result);
    EXPECT_EQ(result.dumps[0].stem(), result.reports[0].stem());

    const Platform::CoreFileThreads core = Platform::ReadCoreFileThreads(result.dumps[0].string(), VictimPath());
    ASSERT_TRUE(core.opened);
    // The listed threads less the one that could not be opened.
    EXPECT_EQ(static_cast<int>(core.functions.size()), CountOf(report, "ThreadID: "));
    ASSERT_FALSE(core.functions.empty());
    EXPECT_TRUE(Contains(core.functions[0], "CrashingFunction", 3)) << testing::PrintToString(core.functions[0]);
    int parked = 0;
    for (const auto& thread : core.functions)
    {
        parked += Contains(thread, "ParkedWorker", 40) ? 1 : 0;
    }
    EXPECT_EQ(parked, 2);

    const CoreLayout layout = ReadLayout(result.dumps[0].string());
    EXPECT_EQ(layout.siginfoSignal, SIGSEGV);
    EXPECT_EQ(layout.firstStatusSignal, SIGSEGV);
    EXPECT_LT(std::filesystem::file_size(result.dumps[0]), 256u * 1024 * 1024);

    // No region of the heap or of a device mapping, checked against the map the victim saved.
    std::ifstream maps(PathOf("victim.maps"));
    std::string line;
    while (std::getline(maps, line))
    {
        std::istringstream fields(line);
        std::string range, permissions, offset, device, inode, path;
        fields >> range >> permissions >> offset >> device >> inode >> path;
        if (path != "[heap]" && path.rfind("/dev/", 0) != 0)
        {
            continue;
        }
        const std::uint64_t start = std::stoull(range.substr(0, range.find('-')), nullptr, 16);
        const std::uint64_t end = std::stoull(range.substr(range.find('-') + 1), nullptr, 16);
        for (const Elf64_Phdr& load : layout.loads)
        {
            EXPECT_FALSE(load.p_vaddr < end && start < load.p_vaddr + load.p_memsz) << line;
        }
    }
}

TEST_F(CrashDump, OverflowDumpUnwindsIntoTheRecursion)
{
    const VictimResult result = Run("overflow", "0x01000000");
    EXPECT_EQ(result.exitSignal, SIGSEGV);
    ASSERT_EQ(result.dumps.size(), 1u) << result.err;
    EXPECT_TRUE(result.reports.empty()) << "bit 24 alone writes no text";
    const Platform::CoreFileThreads core = Platform::ReadCoreFileThreads(result.dumps[0].string(), VictimPath());
    ASSERT_TRUE(core.opened);
    ASSERT_FALSE(core.functions.empty());
    EXPECT_TRUE(Contains(core.functions[0], "Recurse", 2)) << testing::PrintToString(core.functions[0]);
}

TEST_F(CrashDump, DumpAndTextAreWrittenIndependently)
{
    {
        SCOPED_TRACE("bit 25 alone");
        const VictimResult result = Run("segv", "0x02000000");
        EXPECT_EQ(result.reports.size(), 1u);
        EXPECT_TRUE(result.dumps.empty());
    }
    {
        SCOPED_TRACE("a dump that cannot be written still leaves the text");
        const VictimResult result = Run("segv", "", {}, 30, 64 * 1024);
        EXPECT_EQ(result.exitSignal, SIGSEGV);
        EXPECT_EQ(result.reports.size(), 1u) << result.err;
        EXPECT_EQ(CountOf(result.err, "CrashReport: write failed: "), 1) << result.err;
        ASSERT_EQ(result.reports.size(), 1u);
        EXPECT_NE(ReadBytes(result.reports[0]).find("Crashing Thread: "), std::string::npos);
    }
}

TEST_F(CrashDump, DumpOnDemandHasNoSignalAndTheCallingThreadFirst)
{
    const VictimResult result = Run("ondemand", "0x01000000");
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    ASSERT_EQ(result.dumps.size(), 1u);
    const CoreLayout layout = ReadLayout(result.dumps[0].string());
    EXPECT_EQ(layout.siginfoSignal, 0);
    EXPECT_EQ(layout.firstStatusSignal, 0);
    const Platform::CoreFileThreads core = Platform::ReadCoreFileThreads(result.dumps[0].string(), VictimPath());
    ASSERT_TRUE(core.opened);
    ASSERT_EQ(core.functions.size(), 3u); // the caller and the two parked workers
    EXPECT_TRUE(Contains(core.functions[0], "main", 40)) << testing::PrintToString(core.functions[0]);
}

#include "crashreport/CrashReport.h"
#include "crashreport/ReportComposer.h"
#include "crashreport/ReportText.h"
#include "platform/debug/Capture.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <string>

namespace
{

std::string ExceptionText(int signal, int code, std::uint64_t address = 0x1000, std::uint64_t stack = 0x7FFF00000000)
{
    char storage[256];
    CrashReport::FixedText text(storage, sizeof(storage));
    CrashReport::WriteExceptionLines(text, signal, code, address, stack);
    return text.Data();
}

} // namespace

TEST(CrashReportParts, ExceptionCodesAndNamesBySignalAndCode)
{
    struct Case
    {
        int signal;
        int code;
        const char* expected;
    };
    const Case cases[] = {
        {SIGSEGV, SEGV_MAPERR, "Exception code: C0000005\r\nACCESS_VIOLATION\r\n"},
        {SIGBUS, BUS_ADRALN, "Exception code: 80000002\r\nDATATYPE_MISALIGNMENT\r\n"},
        {SIGBUS, BUS_ADRERR, "Exception code: C0000006\r\nIN_PAGE_ERROR\r\n"},
        {SIGBUS, BUS_OBJERR, "Exception code: C0000006\r\nIN_PAGE_ERROR\r\n"},
        {SIGILL, ILL_PRVOPC, "Exception code: C0000096\r\nPRIV_INSTRUCTION\r\n"},
        {SIGILL, ILL_ILLOPC, "Exception code: C000001D\r\nILLEGAL_INSTRUCTION\r\n"},
        {SIGFPE, FPE_INTDIV, "Exception code: C0000094\r\nINT_DIVIDE_BY_ZERO\r\n"},
        {SIGFPE, FPE_INTOVF, "Exception code: C0000095\r\nINT_OVERFLOW\r\n"},
        {SIGFPE, FPE_FLTDIV, "Exception code: C000008E\r\nFLT_DIVIDE_BY_ZERO\r\n"},
        {SIGFPE, FPE_FLTOVF, "Exception code: C0000091\r\nFLT_OVERFLOW\r\n"},
        {SIGFPE, FPE_FLTUND, "Exception code: C0000093\r\nFLT_UNDERFLOW\r\n"},
        {SIGFPE, FPE_FLTRES, "Exception code: C000008F\r\nFLT_INEXACT_RESULT\r\n"},
        {SIGFPE, FPE_FLTINV, "Exception code: C0000090\r\nFLT_INVALID_OPERATION\r\n"},
        {SIGFPE, FPE_FLTSUB, "Exception code: C000008C\r\nARRAY_BOUNDS_EXCEEDED\r\n"},
        {SIGTRAP, TRAP_BRKPT, "Exception code: 80000003\r\nBREAKPOINT\r\n"},
        {SIGTRAP, SI_KERNEL, "Exception code: 80000003\r\nBREAKPOINT\r\n"},
        {SIGTRAP, TRAP_TRACE, "Exception code: 80000004\r\nSINGLE_STEP\r\n"},
        {SIGABRT, SI_TKILL, "Exception code: E0000006\r\nAborted (signal 6, code -6)\r\n"},
        {SIGSYS, 1, "Exception code: E000001F\r\nBad system call (signal 31, code 1)\r\n"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(ExceptionText(c.signal, c.code), c.expected) << c.signal << " " << c.code;
    }
    // A fault next to the stack pointer is a stack overflow, on either side and up to 64 KiB.
    EXPECT_EQ(ExceptionText(SIGSEGV, SEGV_ACCERR, 0x7FFF00000000 - 8), "Exception code: C00000FD\r\nSTACK_OVERFLOW\r\n");
    EXPECT_EQ(ExceptionText(SIGSEGV, SEGV_ACCERR, 0x7FFF00000000 - 65536), "Exception code: C00000FD\r\nSTACK_OVERFLOW\r\n");
    EXPECT_EQ(ExceptionText(SIGSEGV, SEGV_ACCERR, 0x7FFF00000000 - 65537), "Exception code: C0000005\r\nACCESS_VIOLATION\r\n");
}

TEST(CrashReportParts, FixedTextStopsAtItsEndAndFormatsNumbers)
{
    char storage[16];
    CrashReport::FixedText text(storage, sizeof(storage));
    text.AppendDecimal(INT64_MIN);
    EXPECT_STREQ(text.Data(), "-92233720368547");
    EXPECT_EQ(text.Length(), 15u);
    text.Clear();
    text.AppendHex(0xC0000005, 8);
    text.AppendChar(' ');
    text.AppendUnsigned(7, 2);
    text.AppendDecimal(-5);
    EXPECT_STREQ(text.Data(), "C0000005 07-5");
}

TEST(CrashReportParts, CivilTimeMatchesTheSystemCalendar)
{
    // Every 7 hours and 13 minutes over 1900..2100, with leap days, centuries and negative times.
    for (std::int64_t seconds = -2208988800LL; seconds < 4102444800LL; seconds += 7 * 3600 + 13 * 60 + 17)
    {
        const time_t t = static_cast<time_t>(seconds);
        tm expected{};
        ASSERT_NE(gmtime_r(&t, &expected), nullptr);
        const Platform::CaptureTime got = Platform::CivilTime(seconds);
        ASSERT_EQ(got.year, static_cast<unsigned>(expected.tm_year + 1900)) << seconds;
        ASSERT_EQ(got.month, static_cast<unsigned>(expected.tm_mon + 1)) << seconds;
        ASSERT_EQ(got.day, static_cast<unsigned>(expected.tm_mday)) << seconds;
        ASSERT_EQ(got.hour, static_cast<unsigned>(expected.tm_hour)) << seconds;
        ASSERT_EQ(got.minute, static_cast<unsigned>(expected.tm_min)) << seconds;
        ASSERT_EQ(got.second, static_cast<unsigned>(expected.tm_sec)) << seconds;
    }
}

class CrashReportFileNames : public TempFolderTest
{
protected:
    std::string Name(const std::string& executable, const char* extension = ".btc")
    {
        char out[4200];
        CrashReport::BuildFileName(out, sizeof(out), executable.c_str(), m_Time, extension);
        return out;
    }

    Platform::CaptureTime m_Time{2008, 3, 2, 13, 5, 9};
};

TEST_F(CrashReportFileNames, TimeStampThenFirstFreeNumber)
{
    const std::string game = PathOf("game");
    EXPECT_EQ(Name(game), game + "_2008-03-02_13_05_09.btc");
    EXPECT_EQ(Name(game, ".dmp"), game + "_2008-03-02_13_05_09.dmp");
    WriteFile("game_2008-03-02_13_05_09.btc", "x");
    EXPECT_EQ(Name(game), game + "_2008-03-02_13_05_09_1.btc");
    WriteFile("game_2008-03-02_13_05_09_1.btc", "x");
    EXPECT_EQ(Name(game), game + "_2008-03-02_13_05_09_2.btc");
    for (int i = 2; i <= 999; ++i)
    {
        WriteFile("game_2008-03-02_13_05_09_" + std::to_string(i) + ".btc", "x");
    }
    EXPECT_EQ(Name(game), game + "_2008-03-02_13_05_09.btc");
}

TEST_F(CrashReportFileNames, OnlyTheFileNamesExtensionIsDropped)
{
    EXPECT_EQ(Name("/x/game.bin"), "/x/game_2008-03-02_13_05_09.btc");
    EXPECT_EQ(Name("/x/v1.2/quarrow"), "/x/v1.2/quarrow_2008-03-02_13_05_09.btc");
    EXPECT_EQ(Name("/x/.hidden"), "/x/.hidden_2008-03-02_13_05_09.btc");
}

TEST(CrashReportParts, SymbolFiltersKeepTheirOrder)
{
    const int before = CrashReport::SymbolFilterCount();
    const CrashReport::SymbolFilter first = [](const CrashReport::VariableRecord*, bool*) { return false; };
    const CrashReport::SymbolFilter second = [](const CrashReport::VariableRecord*, bool*) { return true; };
    CrashReport::AddSymbolFilter(first);
    CrashReport::AddSymbolFilter(second);
    ASSERT_EQ(CrashReport::SymbolFilterCount(), before + 2);
    EXPECT_EQ(CrashReport::GetSymbolFilter(before), first);
    EXPECT_EQ(CrashReport::GetSymbolFilter(before + 1), second);
    EXPECT_EQ(CrashReport::GetSymbolFilter(before + 2), nullptr);
}

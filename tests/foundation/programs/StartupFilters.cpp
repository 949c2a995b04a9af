// A program that links the foundation and writes one trace: the crash report's start-up filters of
// the foundation must be registered all the same.
#include "crashreport/CrashReport.h"
#include "crashreport/VariableRecord.h"
#include "foundation/Debug.h"

#include <cstdio>

namespace
{

CrashReport::VariableRecord Record(const char* type, const char* name)
{
    CrashReport::VariableRecord record;
    record.kind = CrashReport::KindInt;
    record.typeName = CrashReport::SmallString::Copy(type);
    record.name = CrashReport::SmallString::Copy(name);
    return record;
}

} // namespace

int main()
{
    BaseLib::DebugOutput("start-up filters check\n");
    const bool hidesReserved = CrashReport::IsFilteredOut(Record("int", "__x"));
    const bool hidesDebuggerTypes = CrashReport::IsFilteredOut(Record("DbgTypeInfo", "x"));
    const bool keepsOthers = !CrashReport::IsFilteredOut(Record("int", "x_"));
    std::printf("filters %d, reserved hidden %d, debugger types hidden %d, others kept %d\n",
                CrashReport::SymbolFilterCount(), hidesReserved, hidesDebuggerTypes, keepsOthers);
    return CrashReport::SymbolFilterCount() == 2 && hidesReserved && hidesDebuggerTypes && keepsOthers ? 0 : 1;
}

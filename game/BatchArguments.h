#pragma once

#include <optional>
#include <string>

// The argument of the batch-processing command: seven integer switches (non-zero is on: work out the
// shortest solutions, refine, delete the originals, recalculate what is known, convert to binary, take
// screenshots, assign models), the solver's time limit in seconds and the folder to walk (one word).
// A value that was not given is empty and leaves the batch processor's default.
struct BatchArguments
{
    static constexpr int SwitchCount = 7;

    std::optional<int> switches[SwitchCount];
    std::optional<double> solverTimeout;
    std::optional<std::string> folder;
};

// Reads the values in their order, each after optional blanks: an integer (a sign and digits; one beyond
// the 32-bit range is held at its end), a real (a finite number as strtod reads it), a word (the run of
// characters up to the next blank, of any length). Reading stops at the first value that is missing or
// unreadable; it and every value after it stay empty.
BatchArguments ParseBatchArguments(const std::string& text);

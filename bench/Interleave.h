#pragma once

#include "bench/Contender.h"

#include <functional>
#include <random>
#include <vector>

namespace tallowby::bench {

struct Turns {
    double seconds = 1;   // time for all contenders together
    int minimum = 5;      // samples each contender gets at least
    bool dropFirst = true; // the contender before may have filled the CPU caches
    int calls = 32;       // calls a turn makes at most
};

// Times contenders side by side: in rounds, each in a new random order, each
// contender takes a turn of a few calls of `timed` (2 ms' worth, at most
// `turns.calls`), which returns the microseconds of one call (setup such as
// changing the file stays outside).
// Runs until `turns.seconds` are spent and each contender has its minimum
// of samples. Returns each contender's median, in the order given.
std::vector<double> Interleave(const std::vector<Contender *> &contenders,
                               const std::function<double(Contender &)> &timed, const Turns &turns,
                               std::mt19937 &random);

} // namespace tallowby::bench

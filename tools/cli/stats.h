#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "platform/image/image.h"

namespace vd::cli {

using StatsClock = std::chrono::steady_clock;

// What --stats says of one output, besides what printStats measures.
struct StatsLine {
    std::string input, output, method;
    std::optional<int> limit;  // null where the method has none
    bool dither = false;
    StatsClock::time_point start;  // when the work on this input began
};

// Prints one JSON object on a line of standard output: the fields of `line`, the distinct
// colours of `result`, its PSNR against `input` (null when they are equal or differ in
// size) and the milliseconds since `line.start`. Lines from several threads never
// interleave.
void printStats(const StatsLine& line, const Image& input, const Image& result);

}  // namespace vd::cli

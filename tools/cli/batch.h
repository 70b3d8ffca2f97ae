#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vd::cli {

// Runs `one` for every input on `jobs` threads, each input independent of the others, and
// returns the worst exit status. A failed input is reported by `one` and the rest go on.
// When standard error is a terminal, a line "[k/n] NAME 0.31 s" follows each finished input.
int runBatch(const std::vector<std::string>& inputs, int jobs,
             const std::function<int(const std::string& input)>& one);

// The number of threads a batch uses when not told: the machine's cores.
int defaultJobs();

}  // namespace vd::cli

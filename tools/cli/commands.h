#pragma once

#include <string>
#include <vector>

#include "quantize/quantize.h"

namespace vd::cli {

// Exit codes of the command line tool.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int convertCommand(const std::string& input, const std::string& output);
int infoCommand(const std::string& input);

struct QuantizeJob {
    QuantizeSettings settings;
    std::vector<std::string> inputs;
    std::string output;       // with one input
    std::string outputDir;    // with --output-dir: OUT is DIR/<input name>
    std::string paletteFile;  // with --palette and one input
};
int quantizeCommand(const QuantizeJob& job);

}  // namespace vd::cli

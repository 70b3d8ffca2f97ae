#pragma once

#include <functional>
#include <string>
#include <vector>

#include "io/result.h"
#include "quantize/quantize.h"

namespace vd::cli {

// Exit codes of the command line tool.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// One line "vandrell-cli: FILE: REASON" on stderr; returns kExitFailure.
int fileFailure(const std::string& file, const std::string& reason);

// Reads IN, hands its picture to `transform` and writes the result to OUT in the format of
// OUT's extension. A refusal of the transform is reported against IN.
using ImageTransform = std::function<Result<Image>(Image picture)>;
int transformFile(const std::string& input, const std::string& output,
                  const ImageTransform& transform);

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

// `vandrell-cli adjust OP [options] IN OUT`; `args` is what follows "adjust". Parses,
// reports its own usage errors and prints its help.
int adjustCommand(const std::vector<std::string>& args);
// The usage lines of adjust, indented as in the tool's usage text.
extern const char* const kAdjustUsage;

}  // namespace vd::cli

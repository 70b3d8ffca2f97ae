#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "io/image_codec.h"
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
// How an output is written and reported.
struct OutputOptions {
    EncodeOptions encode;                    // --truecolor: PNG as 8-bit RGB or RGBA
    std::optional<std::string> statsMethod;  // --stats: the line names the work so
    std::optional<int> statsLimit;
    bool statsDither = false;
};
int transformFile(const std::string& input, const std::string& output,
                  const ImageTransform& transform, const OutputOptions& options = {});

int convertCommand(const std::string& input, const std::string& output,
                   const OutputOptions& options = {});
int infoCommand(const std::string& input);

struct QuantizeJob {
    QuantizeSettings settings;
    std::vector<std::string> inputs;
    std::string output;       // with one input
    std::string outputDir;    // with --output-dir: OUT is DIR/<input name>
    std::string paletteFile;  // with --palette and one input
    bool stats = false;       // --stats: a JSON line per output on standard output
    EncodeOptions encode;     // --truecolor
    int jobs = 1;             // threads of an --output-dir batch
};
int quantizeCommand(const QuantizeJob& job);

// `vandrell-cli compare A B`: PSNR, mean and maximum CIEDE2000, differing pixels.
int compareCommand(const std::string& first, const std::string& second);
// A PSNR as the tool prints it: two decimals, "inf" for equal pictures.
std::string psnrText(double psnr);

// `vandrell-cli adjust OP [options] IN OUT`; `args` is what follows "adjust". Parses,
// reports its own usage errors and prints its help.
int adjustCommand(const std::vector<std::string>& args);
// The usage lines of adjust, indented as in the tool's usage text.
extern const char* const kAdjustUsage;

// `vandrell-cli remap --palette FILE [--dither] IN OUT`; `args` is what follows "remap".
int remapCommand(const std::vector<std::string>& args);
extern const char* const kRemapUsage;

}  // namespace vd::cli

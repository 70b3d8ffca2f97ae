#include "tools/cli/commands.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "io/file_io.h"
#include "io/image_codec.h"
#include "io/palette_file.h"
#include "quantize/color_index.h"
#include "quantize/count_colors.h"
#include "quantize/distinct_colors.h"
#include "quantize/neuquant.h"
#include "tools/cli/batch.h"
#include "tools/cli/stats.h"

namespace vd::cli {

int fileFailure(const std::string& file, const std::string& reason) {
    std::fprintf(stderr, "vandrell-cli: %s: %s\n", file.c_str(), reason.c_str());
    return kExitFailure;
}

namespace {

constexpr const char* kUnknownOutputType = "unknown file type (use .png, .jpg or .bmp)";

// The format OUT's extension asks for, checked before any work is done.
bool outputFormat(const std::string& output, ImageFormat& format) {
    format = formatForExtension(output);
    return format != ImageFormat::Unknown;
}

// The tables one quantization needs; the NeuQuant work area is large enough to keep off
// the stack.
struct QuantizeTables {
    ColorIndex colorIndex;
    std::unique_ptr<NeuQuantWorkArea> neuQuant = std::make_unique<NeuQuantWorkArea>();
    int threads = 0;  // for the method, 0: its own choice
    QuantizeContext context() { return QuantizeContext{&colorIndex, neuQuant.get(), threads}; }
};

std::optional<int> statsLimit(const QuantizeSettings& settings) {
    if (methodInfo(settings.method).limitKind == LimitKind::Fixed) return std::nullopt;
    return settings.limit;
}

int quantizeOne(const QuantizeJob& job, const std::string& input, const std::string& output,
                QuantizeTables& tables) {
    const auto start = StatsClock::now();
    ImageFormat format;
    if (!outputFormat(output, format)) return fileFailure(output, kUnknownOutputType);
    auto decoded = readImageFile(input);
    if (!decoded) return fileFailure(input, decoded.error());
    // Kept only for --stats; the methods that work in place then reduce a copy.
    const Image original = job.stats ? decoded.value().image : Image();
    QuantizeContext context = tables.context();
    QuantizeResult result = quantizeImage(std::move(decoded.value().image), job.settings, context);
    // The palette file's bytes come first: a palette its format cannot hold (more than 256
    // colours in .act) is refused before the picture is written.
    std::vector<std::uint8_t> paletteBytes;
    if (!job.paletteFile.empty()) {
        // The palette of the method, or of the picture where the method keeps none.
        const Palette palette = result.palette ? *result.palette : distinctColors(result.work);
        auto formatted = formatPalette(palette, paletteFormatForPath(job.paletteFile),
                                       std::filesystem::path(input).stem().string());
        if (!formatted) return fileFailure(job.paletteFile, formatted.error());
        paletteBytes = std::move(formatted.value());
    }
    if (Status saved = writeImageFile(result.work, output, format, job.encode); !saved) {
        return fileFailure(output, saved.error());
    }
    if (job.stats) {
        const std::string method(methodInfo(job.settings.method).label);
        printStats({input, output, method, statsLimit(job.settings), job.settings.dither, start},
                   original, result.work);
    }
    if (!job.paletteFile.empty()) {
        Status written = writeFileAtomically(job.paletteFile, paletteBytes);
        if (!written) return fileFailure(job.paletteFile, written.error());
    }
    return kExitOk;
}

}  // namespace

int transformFile(const std::string& input, const std::string& output,
                  const ImageTransform& transform, const OutputOptions& options) {
    const std::optional<std::string>& statsMethod = options.statsMethod;
    const auto start = StatsClock::now();
    ImageFormat format;
    if (!outputFormat(output, format)) return fileFailure(output, kUnknownOutputType);
    auto decoded = readImageFile(input);
    if (!decoded) return fileFailure(input, decoded.error());
    const Image original = statsMethod ? decoded.value().image : Image();
    Result<Image> result = transform(std::move(decoded.value().image));
    if (!result) return fileFailure(input, result.error());
    if (Status saved = writeImageFile(result.value(), output, format, options.encode); !saved) {
        return fileFailure(output, saved.error());
    }
    if (statsMethod) {
        printStats({input, output, *statsMethod, options.statsLimit, options.statsDither, start},
                   original, result.value());
    }
    return kExitOk;
}

int convertCommand(const std::string& input, const std::string& output,
                   const OutputOptions& options) {
    return transformFile(
        input, output, [](Image picture) { return Result<Image>(std::move(picture)); }, options);
}

int infoCommand(const std::string& input) {
    auto decoded = readImageFile(input);
    if (!decoded) return fileFailure(input, decoded.error());
    const Image& image = decoded.value().image;
    std::printf("format: %s\nwidth: %d\nheight: %d\ndepth: %d\nunique colors: %d\n",
                formatName(decoded.value().format), image.width(), image.height(), image.depth(),
                countColors(image));
    return kExitOk;
}

int quantizeCommand(const QuantizeJob& job) {
    if (job.outputDir.empty()) {
        QuantizeTables tables;
        return quantizeOne(job, job.inputs.front(), job.output, tables);
    }
    // Pictures side by side already share out the cores; a method's own helper threads
    // would only crowd them.
    const bool sideBySide = std::min<std::size_t>(job.jobs, job.inputs.size()) > 1;
    return runBatch(job.inputs, job.jobs, [&job, sideBySide](const std::string& input) {
        // Each thread keeps its own tables across the files it takes.
        thread_local QuantizeTables tables;
        tables.threads = sideBySide ? 1 : 0;
        const auto name = std::filesystem::path(input).filename();
        return quantizeOne(job, input, (std::filesystem::path(job.outputDir) / name).string(),
                           tables);
    });
}

}  // namespace vd::cli

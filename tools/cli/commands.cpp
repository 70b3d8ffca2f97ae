#include "tools/cli/commands.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "io/file_io.h"
#include "io/image_codec.h"
#include "quantize/color_index.h"
#include "quantize/count_colors.h"
#include "quantize/distinct_colors.h"
#include "quantize/neuquant.h"

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

std::string paletteText(const Palette& palette) {
    std::string text;
    char line[16];
    for (Color c : palette) {
        std::snprintf(line, sizeof line, "#%02x%02x%02x\n", redOf(c), greenOf(c), blueOf(c));
        text += line;
    }
    return text;
}

// The tables one quantization needs; the NeuQuant work area is large enough to keep off
// the stack.
struct QuantizeTables {
    ColorIndex colorIndex;
    std::unique_ptr<NeuQuantWorkArea> neuQuant = std::make_unique<NeuQuantWorkArea>();
    QuantizeContext context() { return QuantizeContext{&colorIndex, neuQuant.get()}; }
};

int quantizeOne(const QuantizeJob& job, const std::string& input, const std::string& output,
                QuantizeTables& tables) {
    ImageFormat format;
    if (!outputFormat(output, format)) return fileFailure(output, kUnknownOutputType);
    auto decoded = readImageFile(input);
    if (!decoded) return fileFailure(input, decoded.error());
    QuantizeContext context = tables.context();
    QuantizeResult result = quantizeImage(std::move(decoded.value().image), job.settings, context);
    if (Status saved = writeImageFile(result.work, output, format); !saved) {
        return fileFailure(output, saved.error());
    }
    if (!job.paletteFile.empty()) {
        // The palette of the method, or of the picture where the method keeps none.
        const Palette palette = result.palette ? *result.palette : distinctColors(result.work);
        const std::string text = paletteText(palette);
        Status written = writeFileAtomically(
            job.paletteFile, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
        if (!written) return fileFailure(job.paletteFile, written.error());
    }
    return kExitOk;
}

}  // namespace

int transformFile(const std::string& input, const std::string& output,
                  const ImageTransform& transform) {
    ImageFormat format;
    if (!outputFormat(output, format)) return fileFailure(output, kUnknownOutputType);
    auto decoded = readImageFile(input);
    if (!decoded) return fileFailure(input, decoded.error());
    Result<Image> result = transform(std::move(decoded.value().image));
    if (!result) return fileFailure(input, result.error());
    if (Status saved = writeImageFile(result.value(), output, format); !saved) {
        return fileFailure(output, saved.error());
    }
    return kExitOk;
}

int convertCommand(const std::string& input, const std::string& output) {
    return transformFile(input, output,
                         [](Image picture) { return Result<Image>(std::move(picture)); });
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
    QuantizeTables tables;
    if (job.outputDir.empty()) return quantizeOne(job, job.inputs.front(), job.output, tables);
    int status = kExitOk;
    for (const std::string& input : job.inputs) {
        const auto output = std::filesystem::path(job.outputDir) / std::filesystem::path(input).filename();
        if (quantizeOne(job, input, output.string(), tables) != kExitOk) status = kExitFailure;
    }
    return status;
}

}  // namespace vd::cli

// `vandrell-cli remap`: a picture mapped onto a palette the user brings, by the mapping the
// fixed palettes use.

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "io/palette_file.h"
#include "quantize/color_index.h"
#include "quantize/palette_mapping.h"
#include "tools/cli/commands.h"

namespace vd::cli {

const char* const kRemapUsage = R"(  vandrell-cli remap --palette FILE [--dither] IN OUT
      Map every pixel of IN to its nearest colour in FILE, as Fixed_16 maps onto its own
      colours, and write OUT in the format of its extension; --dither diffuses the error.
      FILE holds 1 to 65,536 colours, read by its extension: .gpl (GIMP), .pal (JASC-PAL),
      .act (Adobe colour table), otherwise one rrggbb or #rrggbb per line. quantize
      --palette writes the same formats.
)";

namespace {

int remapUsageError(const std::string& why) {
    std::fprintf(stderr, "vandrell-cli: %s\nTry 'vandrell-cli remap --help'.\n", why.c_str());
    return kExitUsage;
}

}  // namespace

int remapCommand(const std::vector<std::string>& args) {
    if (std::any_of(args.begin(), args.end(),
                    [](const std::string& a) { return a == "--help" || a == "-h"; })) {
        std::printf("usage:\n%s", kRemapUsage);
        return kExitOk;
    }
    std::string paletteFile;
    bool dither = false;
    bool stats = false;
    OutputOptions output;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--dither") {
            dither = true;
        } else if (arg == "--stats") {
            stats = true;
        } else if (arg == "--truecolor") {
            output.encode.png.trueColor = true;
        } else if (arg == "--palette") {
            if (i + 1 >= args.size()) return remapUsageError("--palette needs a file");
            paletteFile = args[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return remapUsageError("unknown option '" + arg + "' for remap");
        } else {
            files.push_back(arg);
        }
    }
    if (paletteFile.empty()) return remapUsageError("remap needs --palette FILE");
    if (files.size() != 2) return remapUsageError("remap needs IN and OUT");

    // Read first: a refused palette costs no decoding, and nothing is written.
    auto palette = readPaletteFile(paletteFile);
    if (!palette) return fileFailure(paletteFile, palette.error());
    // The search takes any number of colours: up to 256 it answers from its grid, above that
    // it walks the sorted table (with a cache of recent answers), which is slower per pixel
    // but exact. The palette reader holds the count to 1..65,536.
    ColorIndex index;
    if (stats) {
        output.statsMethod = "remap";
        output.statsLimit = static_cast<int>(palette.value().size());
        output.statsDither = dither;
    }
    const auto map = [&](Image picture) {
        // The fixed palettes' own mapping; it reads every pixel before writing it, so the
        // picture serves as its own target.
        mapToPaletteInto(picture, picture, palette.value(), dither, index);
        return Result<Image>(std::move(picture));
    };
    return transformFile(files[0], files[1], map, output);
}

}  // namespace vd::cli

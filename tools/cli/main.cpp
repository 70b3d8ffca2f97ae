// vandrell-cli: the quantization engine, the pixel operations and the codecs on files, for
// batch work, conversion and measurement.

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tools/cli/batch.h"
#include "tools/cli/commands.h"

namespace {

constexpr const char* kFileUsage = R"(  vandrell-cli convert [--truecolor] IN OUT
      Decode IN (PNG, JPEG or BMP, recognised by content) and write OUT in the format of
      its extension (.png, .jpg/.jpeg, .bmp). A picture of at most 256 colours is written
      as a palette PNG, which reads back as the same pixels and depth.
  vandrell-cli info IN
      Print the format, width, height, depth and unique colour count of IN.
  vandrell-cli compare A B
      Print how far B is from A: PSNR over the colour bytes (dB, "inf" when equal), mean
      and maximum CIEDE2000 colour difference, the number of pixels that differ, and the
      PSNR of both after a Gaussian blur of 1 pixel (how a dither pattern looks from a
      distance). The sizes must match.
)";

constexpr const char* kQuantizeUsage = R"(  vandrell-cli quantize --method LABEL [--limit N] [--dither] [--palette FILE] IN OUT
  vandrell-cli quantize --method LABEL [--limit N] [--dither] --output-dir DIR
                        [--jobs N] IN...
      Write the work image that "Apply" makes from IN as the reference image. LABEL is a
      method of the method list (case ignored): Uniform, Popularity, Adaptive, flat_8,
      flat_64, flat_512, flat_4096, Lemon_128, Berry_128, Ocean_128, Fixed_16, Fixed_24,
      Fixed_32, Neuquant_256, Kmeans. N is the Limit value: levels per channel 2..16 for
      Uniform (default 3), palette size 2..256 for Popularity and Adaptive (default 32)
      and for Kmeans (default 256). --palette writes the method's palette in the format
      of FILE's extension: .gpl (GIMP), .pal (JASC-PAL), .act (Adobe colour table, up to
      256 colours), .hex (rrggbb per line), otherwise one #rrggbb per line. With
      --output-dir each IN is written to DIR under its own name, on --jobs threads
      (default: the number of cores); a failed IN is reported and the others go on.
)";

constexpr const char* kExitUsage = R"(  vandrell-cli --help
Options of quantize, remap and adjust:
  --stats      Also print one JSON object per output on standard output: input, output,
               method, limit, dither, colors of the result, psnr against the input (null
               when equal), ms spent.
  --truecolor  Write PNG as 8-bit RGB or RGBA even where a palette PNG would hold it.
Exit status: 0 on success, 1 when a file cannot be read or written, 2 on a usage error.
)";

void printUsage(std::FILE* to) {
    std::fprintf(to, "usage:\n%s%s%s%s%s", kFileUsage, kQuantizeUsage, vd::cli::kRemapUsage,
                 vd::cli::kAdjustUsage, kExitUsage);
}

int usageError(const std::string& why) {
    std::fprintf(stderr, "vandrell-cli: %s\n", why.c_str());
    printUsage(stderr);
    return vd::cli::kExitUsage;
}

bool parseLimit(std::string_view text, int& limit) {
    if (text.empty() || text.size() > 4) return false;
    limit = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        limit = limit * 10 + (ch - '0');
    }
    return true;
}

bool limitInRange(const vd::QuantizeSettings& settings) {
    switch (vd::methodInfo(settings.method).limitKind) {
        case vd::LimitKind::Levels: return settings.limit >= 2 && settings.limit <= 16;
        case vd::LimitKind::PaletteSize: return settings.limit >= 2 && settings.limit <= 256;
        case vd::LimitKind::Fixed: return true;
    }
    return false;
}

int runQuantize(const std::vector<std::string>& args) {
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        std::printf("usage:\n%s", kQuantizeUsage);
        return vd::cli::kExitOk;
    }
    vd::cli::QuantizeJob job;
    bool haveMethod = false, haveLimit = false, haveJobs = false;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--dither") {
            job.settings.dither = true;
        } else if (arg == "--stats") {
            job.stats = true;
        } else if (arg == "--truecolor") {
            job.encode.png.trueColor = true;
        } else if (arg == "--jobs") {
            if (!value(text) || !parseLimit(text, job.jobs) || job.jobs < 1) {
                return usageError("--jobs needs a whole number from 1");
            }
            haveJobs = true;
        } else if (arg == "--method") {
            if (!value(text)) return usageError("--method needs a label");
            auto method = vd::methodFromLabel(text);
            if (!method) return usageError("unknown method '" + text + "'");
            job.settings.method = *method;
            haveMethod = true;
        } else if (arg == "--limit") {
            if (!value(text) || !parseLimit(text, job.settings.limit)) {
                return usageError("--limit needs a whole number");
            }
            haveLimit = true;
        } else if (arg == "--palette") {
            if (!value(job.paletteFile)) return usageError("--palette needs a file");
        } else if (arg == "--output-dir") {
            if (!value(job.outputDir)) return usageError("--output-dir needs a folder");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option '" + arg + "'");
        } else {
            files.push_back(arg);
        }
    }
    if (!haveMethod) return usageError("quantize needs --method");
    if (!haveLimit) job.settings.limit = vd::methodInfo(job.settings.method).startLimit;
    if (!limitInRange(job.settings)) return usageError("--limit is out of range for this method");
    if (job.outputDir.empty()) {
        if (files.size() != 2) return usageError("quantize needs IN and OUT");
        job.inputs = {files[0]};
        job.output = files[1];
    } else {
        if (files.empty()) return usageError("quantize --output-dir needs at least one IN");
        if (!job.paletteFile.empty()) return usageError("--palette goes with a single IN");
        job.inputs = files;
        if (!haveJobs) job.jobs = vd::cli::defaultJobs();
    }
    if (haveJobs && job.outputDir.empty()) return usageError("--jobs goes with --output-dir");
    return vd::cli::quantizeCommand(job);
}

// Memory for pictures. A picture passes through a dozen buffers of a megabyte or more, and
// every fresh 4 KiB page costs a fault: about 10 us on the virtual machines we measure on,
// so that the faults of a photograph of a few hundred thousand pixels cost a fifth of the
// process. So freed blocks stay with the process for the next buffer instead of going back
// to the system, all threads take their blocks from the one heap, and the heap asks the
// kernel for transparent huge pages, one fault for 512 pages.
constexpr int kHeapPad = 64 << 20;

void prepareHeap() {
    mallopt(M_MMAP_THRESHOLD, kHeapPad);
    mallopt(M_TRIM_THRESHOLD, 2 * kHeapPad);
    mallopt(M_TOP_PAD, kHeapPad);
    mallopt(M_ARENA_MAX, 1);
    // The first large block grows the heap by the pad: that stretch takes huge pages.
    void* first = std::malloc(1 << 20);
    const void* brk = sbrk(0);
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto from = (reinterpret_cast<std::uintptr_t>(first) + kHugePage - 1) & ~(kHugePage - 1);
    const auto to = reinterpret_cast<std::uintptr_t>(brk) & ~(kHugePage - 1);
    if (first && brk != reinterpret_cast<void*>(-1) && to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    std::free(first);
}

}  // namespace

int main(int argc, char** argv) {
    prepareHeap();
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return usageError("no command given");
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        printUsage(stdout);
        return vd::cli::kExitOk;
    }
    if (command == "convert") {
        vd::cli::OutputOptions options;
        if (!args.empty() && args.front() == "--truecolor") {
            options.encode.png.trueColor = true;
            args.erase(args.begin());
        }
        if (args.size() != 2) return usageError("convert needs IN and OUT");
        return vd::cli::convertCommand(args[0], args[1], options);
    }
    if (command == "info") {
        if (args.size() != 1) return usageError("info needs IN");
        return vd::cli::infoCommand(args[0]);
    }
    if (command == "compare") {
        if (args.size() != 2) return usageError("compare needs A and B");
        return vd::cli::compareCommand(args[0], args[1]);
    }
    if (command == "quantize") return runQuantize(args);
    if (command == "adjust") return vd::cli::adjustCommand(args);
    if (command == "remap") return vd::cli::remapCommand(args);
    return usageError("unknown command '" + command + "'");
}

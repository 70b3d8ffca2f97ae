// vandrell-cli adjust: the picture menu's colour and geometry operations on files, with the
// dialogs' starting values as defaults.

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "adjust/brightness.h"
#include "adjust/color_ops.h"
#include "adjust/contrast.h"
#include "adjust/geometry.h"
#include "adjust/resize_ops.h"
#include "adjust/two_colors.h"
#include "tools/cli/commands.h"

namespace vd::cli {

const char* const kAdjustUsage = R"(  vandrell-cli adjust OP [options] IN OUT
      Apply one operation of the picture menu to IN and write OUT in the format of its
      extension, at the depth of the result. Defaults are the dialogs' starting values.
        negative, gray-scale, flip, mirror, rotate-180, rotate-right, rotate-left
        crop --rect LEFT,TOP,RIGHT,BOTTOM
            Keep the rectangle, both corners included; it must lie on the picture.
        two-colors [--threshold P] [--dither none|ordered|sierra] [--color1 #rrggbb]
                   [--color2 #rrggbb]
            P is the slider position 0..256 (128): gray levels below 256 - P take color1
            (#000000), the others color2 (#ffffff). Dither: none.
        brightness [--offset D] [--channels rgb] [--overdrive]
            Add D, -128..128 (0), to the channels named by the letters r, g, b (all);
            --overdrive wraps around once instead of stopping at 0 and 255.
        contrast [--amount D]
            Spread (D > 0) or squeeze (D < 0) the channels, D -100..100 (0).
        resize --width W --height H [--keep-aspect]
            Resample smoothly; each side is held to 16..4096. With --keep-aspect one side
            may be left out and follows the picture's aspect ratio.
        resize-canvas [--width W] [--height H] [--cell N] [--background #rrggbb]
            Enlarge the canvas (the picture's own size; at most 4096 a side) around the
            picture at cell N, 1..9 row by row from the top-left (5), on an opaque
            background (#000000). The result is 32-bit.
)";

namespace {

// What a value must look like, said in the one line of a usage error.
struct OptionRule {
    const char* name;
    bool takesValue;
    const char* rule;
};

constexpr const char* kSideRule = "must be a whole number of pixels, 0 or more";
constexpr const char* kColorRule = "must be a colour written #rrggbb";

const std::vector<OptionRule> kOptionRules = {
    {"--rect", true,
     "must be LEFT,TOP,RIGHT,BOTTOM: four whole numbers with LEFT <= RIGHT and TOP <= BOTTOM"},
    {"--threshold", true, "must be a whole number from 0 to 256"},
    {"--dither", true, "must be none, ordered or sierra"},
    {"--color1", true, kColorRule},
    {"--color2", true, kColorRule},
    {"--offset", true, "must be a whole number from -128 to 128"},
    {"--channels", true, "must be one or more of the letters r, g and b"},
    {"--overdrive", false, ""},
    {"--amount", true, "must be a whole number from -100 to 100"},
    {"--width", true, kSideRule},
    {"--height", true, kSideRule},
    {"--keep-aspect", false, ""},
    {"--cell", true, "must be a whole number from 1 to 9"},
    {"--background", true, kColorRule},
};

const OptionRule* findRule(std::string_view name) {
    for (const OptionRule& rule : kOptionRules) {
        if (name == rule.name) return &rule;
    }
    return nullptr;
}

int adjustUsageError(const std::string& why) {
    std::fprintf(stderr, "vandrell-cli: %s\nTry 'vandrell-cli adjust --help'.\n", why.c_str());
    return kExitUsage;
}

int badValue(const std::string& option) {
    return adjustUsageError(option + " " + findRule(option)->rule);
}

// The options given after OP: name to value ("" for a flag); a repeated option keeps its
// last value.
using Options = std::map<std::string, std::string>;

// The whole text as a decimal integer in lo..hi.
std::optional<int> wholeNumber(std::string_view text, int lo, int hi) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < lo || value > hi) {
        return std::nullopt;
    }
    return value;
}

// A size field's digits, as the dialogs read them; past a billion it makes no difference
// once the sides are clamped, so the value saturates there.
std::optional<int> sideLength(std::string_view text) {
    constexpr long long kSaturation = 1'000'000'000;
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return std::nullopt;
        value = std::min(value * 10 + (ch - '0'), kSaturation);
    }
    return static_cast<int>(value);
}

std::optional<Color> colorValue(std::string_view text) {
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    Color rgb = 0;
    const auto [stop, error] = std::from_chars(text.data() + 1, text.data() + 7, rgb, 16);
    if (error != std::errc() || stop != text.data() + 7) return std::nullopt;
    // #rrggbb puts red first; the picture keeps red in the low byte.
    return makeColor(static_cast<int>(rgb >> 16), static_cast<int>(rgb >> 8),
                     static_cast<int>(rgb));
}

struct Rectangle {
    int left = 0, top = 0, right = 0, bottom = 0;
};

std::optional<Rectangle> rectangleValue(std::string_view text) {
    int values[4];
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = i < 3 ? text.find(',') : text.size();
        if (comma == std::string_view::npos) return std::nullopt;
        const auto value = wholeNumber(text.substr(0, comma), -kMaxImageSide, kMaxImageSide);
        if (!value) return std::nullopt;
        values[i] = *value;
        text.remove_prefix(std::min(comma + 1, text.size()));
    }
    const Rectangle rect{values[0], values[1], values[2], values[3]};
    if (rect.right < rect.left || rect.bottom < rect.top) return std::nullopt;
    return rect;
}

// The operation ready to run, or the exit status of the usage error already reported.
struct Prepared {
    ImageTransform transform;
    int usageStatus = kExitOk;
};

Prepared usageFailure(int status) {
    return Prepared{nullptr, status};
}

// An operation that changes the picture in place.
template <class Operation>
ImageTransform inPlace(Operation operation) {
    return [operation](Image picture) {
        operation(picture);
        return Result<Image>(std::move(picture));
    };
}

Prepared prepareCrop(const Options& options) {
    const auto text = options.find("--rect");
    if (text == options.end()) return usageFailure(adjustUsageError("crop needs --rect"));
    const auto rect = rectangleValue(text->second);
    if (!rect) return usageFailure(badValue("--rect"));
    return {[r = *rect](Image picture) -> Result<Image> {
        if (r.left < 0 || r.top < 0 || r.right >= picture.width() || r.bottom >= picture.height()) {
            return Error{"the rectangle " + std::to_string(r.left) + "," + std::to_string(r.top) +
                         "," + std::to_string(r.right) + "," + std::to_string(r.bottom) +
                         " does not lie on the " + std::to_string(picture.width()) + " x " +
                         std::to_string(picture.height()) + " picture"};
        }
        return cropToSelection(picture, r.left, r.top, r.right, r.bottom);
    }};
}

Prepared prepareTwoColors(const Options& options) {
    TwoColorsSettings settings;
    if (auto it = options.find("--threshold"); it != options.end()) {
        const auto position = wholeNumber(it->second, 0, 256);
        if (!position) return usageFailure(badValue("--threshold"));
        settings.threshold = 256 - *position;
    }
    if (auto it = options.find("--dither"); it != options.end()) {
        const std::string& mode = it->second;
        if (mode == "none") {
            settings.dither = TwoColorsDither::None;
        } else if (mode == "ordered") {
            settings.dither = TwoColorsDither::Ordered;
        } else if (mode == "sierra") {
            settings.dither = TwoColorsDither::SierraLite;
        } else {
            return usageFailure(badValue("--dither"));
        }
    }
    for (auto [option, color] :
         {std::pair{"--color1", &settings.color1}, std::pair{"--color2", &settings.color2}}) {
        if (auto it = options.find(option); it != options.end()) {
            const auto value = colorValue(it->second);
            if (!value) return usageFailure(badValue(option));
            *color = *value;
        }
    }
    return {inPlace([settings](Image& picture) { twoColors(picture, settings); })};
}

Prepared prepareBrightness(const Options& options) {
    BrightnessSettings settings;
    if (auto it = options.find("--offset"); it != options.end()) {
        const auto offset = wholeNumber(it->second, -128, 128);
        if (!offset) return usageFailure(badValue("--offset"));
        settings.offset = *offset;
    }
    if (auto it = options.find("--channels"); it != options.end()) {
        const std::string& letters = it->second;
        if (letters.empty() || letters.find_first_not_of("rgb") != std::string::npos) {
            return usageFailure(badValue("--channels"));
        }
        settings.red = letters.find('r') != std::string::npos;
        settings.green = letters.find('g') != std::string::npos;
        settings.blue = letters.find('b') != std::string::npos;
    }
    settings.overdrive = options.count("--overdrive") != 0;
    return {inPlace([settings](Image& picture) { brightness(picture, settings); })};
}

Prepared prepareContrast(const Options& options) {
    int amount = 0;
    if (auto it = options.find("--amount"); it != options.end()) {
        const auto value = wholeNumber(it->second, -100, 100);
        if (!value) return usageFailure(badValue("--amount"));
        amount = *value;
    }
    return {inPlace([amount](Image& picture) { contrast(picture, amount); })};
}

// The sides given as --width and --height; a missing one stays empty.
struct Sides {
    std::optional<int> width, height;
};

std::optional<Sides> readSides(const Options& options, int& usageStatus) {
    Sides sides;
    for (auto [option, side] :
         {std::pair{"--width", &sides.width}, std::pair{"--height", &sides.height}}) {
        if (auto it = options.find(option); it != options.end()) {
            *side = sideLength(it->second);
            if (!*side) {
                usageStatus = badValue(option);
                return std::nullopt;
            }
        }
    }
    return sides;
}

// A coupled side, held where the resize clamp takes over anyway.
int coupledSide(long long side) {
    return static_cast<int>(std::min<long long>(side, kLargestResizeSide + 1));
}

Prepared prepareResize(const Options& options) {
    int status = kExitOk;
    const auto sides = readSides(options, status);
    if (!sides) return usageFailure(status);
    const bool keepAspect = options.count("--keep-aspect") != 0;
    const int given = (sides->width ? 1 : 0) + (sides->height ? 1 : 0);
    if (given == 0 || (given == 1 && !keepAspect)) {
        return usageFailure(adjustUsageError(
            "resize needs --width and --height (one of them is enough with --keep-aspect)"));
    }
    return {[s = *sides](Image picture) {
        // As when typing into one field with "keep aspect ratio" checked: the other field
        // follows the picture's ratio.
        const float q = aspectRatio(picture.width(), picture.height());
        const int width = s.width ? *s.width : coupledSide(coupledWidth(*s.height, q));
        const int height = s.height ? *s.height : coupledSide(coupledHeight(*s.width, q));
        return Result<Image>(resizeImage(picture, width, height));
    }};
}

Prepared prepareResizeCanvas(const Options& options) {
    int status = kExitOk;
    const auto sides = readSides(options, status);
    if (!sides) return usageFailure(status);
    int cell = 5;
    if (auto it = options.find("--cell"); it != options.end()) {
        const auto value = wholeNumber(it->second, 1, 9);
        if (!value) return usageFailure(badValue("--cell"));
        cell = *value;
    }
    Color background = 0x000000;
    if (auto it = options.find("--background"); it != options.end()) {
        const auto value = colorValue(it->second);
        if (!value) return usageFailure(badValue("--background"));
        background = *value;
    }
    return {[s = *sides, cell, background](Image picture) {
        const int width = s.width.value_or(picture.width());
        const int height = s.height.value_or(picture.height());
        return Result<Image>(resizeCanvas(picture, width, height, cell, background));
    }};
}

ImageTransform quarterTurn(bool clockwise) {
    return [clockwise](Image picture) { return Result<Image>(rotateQuarter(picture, clockwise)); };
}

struct Operation {
    const char* name;
    std::vector<const char*> options;
    Prepared (*prepare)(const Options&);
};

const std::vector<Operation>& operations() {
    static const std::vector<Operation> table = {
        {"negative", {}, [](const Options&) { return Prepared{inPlace(negative)}; }},
        {"gray-scale", {}, [](const Options&) { return Prepared{inPlace(grayScale)}; }},
        {"flip", {}, [](const Options&) { return Prepared{inPlace(flip)}; }},
        {"mirror", {}, [](const Options&) { return Prepared{inPlace(mirror)}; }},
        {"rotate-180", {}, [](const Options&) { return Prepared{inPlace(rotate180)}; }},
        {"rotate-right", {}, [](const Options&) { return Prepared{quarterTurn(true)}; }},
        {"rotate-left", {}, [](const Options&) { return Prepared{quarterTurn(false)}; }},
        {"crop", {"--rect"}, prepareCrop},
        {"two-colors", {"--threshold", "--dither", "--color1", "--color2"}, prepareTwoColors},
        {"brightness", {"--offset", "--channels", "--overdrive"}, prepareBrightness},
        {"contrast", {"--amount"}, prepareContrast},
        {"resize", {"--width", "--height", "--keep-aspect"}, prepareResize},
        {"resize-canvas", {"--width", "--height", "--cell", "--background"}, prepareResizeCanvas},
    };
    return table;
}

const Operation* findOperation(std::string_view name) {
    for (const Operation& operation : operations()) {
        if (name == operation.name) return &operation;
    }
    return nullptr;
}

bool allows(const Operation& operation, std::string_view option) {
    return std::find(operation.options.begin(), operation.options.end(), option) !=
           operation.options.end();
}

bool asksForHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}

}  // namespace

int adjustCommand(const std::vector<std::string>& args) {
    if (asksForHelp(args)) {
        std::printf("usage:\n%s", kAdjustUsage);
        return kExitOk;
    }
    if (args.empty()) return adjustUsageError("adjust needs an operation");
    const Operation* operation = findOperation(args.front());
    if (!operation) return adjustUsageError("unknown adjust operation '" + args.front() + "'");
    const std::string name = operation->name;

    Options options;
    std::vector<std::string> files;
    OutputOptions output;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
            continue;
        }
        if (arg == "--stats") {
            output.statsMethod = name;
            continue;
        }
        if (arg == "--truecolor") {
            output.encode.png.trueColor = true;
            continue;
        }
        const OptionRule* rule = findRule(arg);
        if (!rule || !allows(*operation, arg)) {
            return adjustUsageError("unknown option '" + arg + "' for adjust " + name);
        }
        if (!rule->takesValue) {
            options[arg] = "";
        } else if (i + 1 < args.size()) {
            options[arg] = args[++i];
        } else {
            return badValue(arg);
        }
    }
    if (files.size() != 2) return adjustUsageError("adjust " + name + " needs IN and OUT");

    const Prepared prepared = operation->prepare(options);
    if (prepared.usageStatus != kExitOk) return prepared.usageStatus;
    return transformFile(files[0], files[1], prepared.transform, output);
}

}  // namespace vd::cli

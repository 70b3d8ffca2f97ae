#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "platform/image/image.h"
#include "quantize/palette.h"

namespace vd {

struct NeuQuantWorkArea;
class ColorIndex;

// Rows of the method list, in order.
enum class QuantizeMethod : int {
    Uniform = 0,
    Popularity,
    Adaptive,
    Flat8,
    Flat64,
    Flat512,
    Flat4096,
    Lemon128,
    Berry128,
    Ocean128,
    Fixed16,
    Fixed24,
    Fixed32,
    NeuQuant256,
    Kmeans,
};
constexpr int kMethodCount = 15;

// What the Limit box holds while a method is selected.
enum class LimitKind {
    Levels,        // levels per channel n (2..16), shown as n cubed
    PaletteSize,   // largest palette size, 2..256, remembered per method
    Fixed,         // a fixed count; the box is disabled
};

struct MethodInfo {
    std::string_view label;
    LimitKind limitKind;
    int startLimit;  // starting value of the Limit box (the fixed count for Fixed rows)
};

inline constexpr std::array<MethodInfo, kMethodCount> kMethods = {{
    {"Uniform", LimitKind::Levels, 3},
    {"Popularity", LimitKind::PaletteSize, 32},
    {"Adaptive", LimitKind::PaletteSize, 32},
    {"flat_8", LimitKind::Fixed, 8},
    {"flat_64", LimitKind::Fixed, 64},
    {"flat_512", LimitKind::Fixed, 512},
    {"flat_4096", LimitKind::Fixed, 4096},
    {"Lemon_128", LimitKind::Fixed, 128},
    {"Berry_128", LimitKind::Fixed, 128},
    {"Ocean_128", LimitKind::Fixed, 128},
    {"Fixed_16", LimitKind::Fixed, 16},
    {"Fixed_24", LimitKind::Fixed, 24},
    {"Fixed_32", LimitKind::Fixed, 32},
    {"Neuquant_256", LimitKind::Fixed, 256},
    {"Kmeans", LimitKind::PaletteSize, 256},
}};

// The row whose label matches, ignoring case.
std::optional<QuantizeMethod> methodFromLabel(std::string_view label);
inline const MethodInfo& methodInfo(QuantizeMethod m) { return kMethods[static_cast<int>(m)]; }

struct QuantizeSettings {
    QuantizeMethod method = QuantizeMethod::Uniform;
    int limit = 3;  // the Limit value the method reads
    bool dither = false;
};

// What the palette window does after a method.
enum class PaletteDisplay {
    Show,     // show `palette` (the method's distinct output colours)
    Refresh,  // take a census of the work image and show that
};

struct QuantizeOutcome {
    // The new `currentPalette`, where the method sets one (Uniform, flat palettes,
    // Popularity, Adaptive, Kmeans); empty where it keeps the old one.
    std::optional<Palette> palette;
    PaletteDisplay display = PaletteDisplay::Refresh;
    // False when the method failed and the work image is the plain copy of the reference.
    bool methodRan = true;
};

struct QuantizeResult : QuantizeOutcome {
    Image work;
};

// The tables a quantization reuses: the nearest-colour search table, rebuilt by every
// mapping, and the NeuQuant work area.
struct QuantizeContext {
    ColorIndex* colorIndex = nullptr;
    NeuQuantWorkArea* neuQuant = nullptr;
    // Threads a method may use; 0: as many as pay. A batch that already keeps every core
    // busy with its own threads gives each picture one.
    int threads = 0;
};

// True for the methods that write every pixel of the work image from the reference (they
// choose or have a palette and map onto it): their work image need not start as a copy.
bool quantizeMapsFromReference(QuantizeMethod method);
// The image `method` writes its result into: unfilled for the methods that map, otherwise
// a copy of the reference (sharing its pixels until the method writes them).
Image workImageFor(const Image& reference, QuantizeMethod method);

// The work image that "Apply" makes from `reference`: a copy of it reduced by the method.
// Alpha passes through untouched. A method that fails leaves the plain copy.
QuantizeResult quantizeImage(const Image& reference, const QuantizeSettings& settings,
                             QuantizeContext& context);
// The same for a caller that no longer needs the reference: the methods that reduce a copy
// in place then reduce the reference itself, and no second picture is made.
QuantizeResult quantizeImage(Image&& reference, const QuantizeSettings& settings,
                             QuantizeContext& context);

// The same on a work image that already holds a copy of `reference`, as in the program,
// where the copy is a step of its own: no second image is made.
QuantizeOutcome quantizeInto(const Image& reference, Image& work,
                             const QuantizeSettings& settings, QuantizeContext& context);

}  // namespace vd

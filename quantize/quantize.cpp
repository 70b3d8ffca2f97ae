#include "quantize/quantize.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <utility>

#include "quantize/adaptive.h"
#include "quantize/color_index.h"
#include "quantize/flat_palettes.h"
#include "quantize/kmeans/kmeans.h"
#include "quantize/neuquant.h"
#include "quantize/palette_mapping.h"
#include "quantize/popularity.h"
#include "quantize/uniform.h"

namespace vd {

std::optional<QuantizeMethod> methodFromLabel(std::string_view label) {
    auto sameIgnoringCase = [](std::string_view a, std::string_view b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) ==
                   std::tolower(static_cast<unsigned char>(y));
        });
    };
    for (int i = 0; i < kMethodCount; ++i) {
        if (sameIgnoringCase(kMethods[i].label, label)) return static_cast<QuantizeMethod>(i);
    }
    return std::nullopt;
}

namespace {

// Uses the program's work area where there is one; otherwise a temporary one.
void runNeuQuant(Image& work, bool dither, NeuQuantWorkArea* area) {
    if (area) {
        quantizeNeuQuant(work, dither, *area);
        return;
    }
    auto temporary = std::make_unique<NeuQuantWorkArea>();
    quantizeNeuQuant(work, dither, *temporary);
}

// The mapping methods choose a palette, then map the reference onto it in the work image
// (which already holds a copy, so no second image is made); the palette window then shows
// the census of the result.
void mapOnto(const Image& reference, const Palette& palette, bool dither, ColorIndex& index,
             Image& work, QuantizeOutcome& result) {
    mapToPaletteInto(reference, work, palette, dither, index);
    result.display = PaletteDisplay::Refresh;
}

}  // namespace

QuantizeOutcome quantizeInto(const Image& reference, Image& work,
                             const QuantizeSettings& settings, QuantizeContext& context) {
    QuantizeOutcome result;
    if (reference.empty() || work.width() != reference.width() ||
        work.height() != reference.height()) {
        result.methodRan = false;
        return result;
    }
    ColorIndex localIndex;
    ColorIndex& index = context.colorIndex ? *context.colorIndex : localIndex;
    const QuantizeMethod method = settings.method;
    if (method == QuantizeMethod::Uniform) {
        result.palette = quantizeUniform(work, std::clamp(settings.limit, 2, 16), settings.dither);
        result.display = PaletteDisplay::Show;
    } else if (method == QuantizeMethod::Popularity || method == QuantizeMethod::Adaptive) {
        const int limit = std::clamp(settings.limit, 2, 256);
        // Adaptive sorts its sample list in the work image's buffer, which the mapping then
        // overwrites.
        result.palette = method == QuantizeMethod::Popularity
                             ? choosePopularityPalette(reference, limit)
                             : chooseAdaptivePalette(reference, limit, work.pixels());
        mapOnto(reference, *result.palette, settings.dither, index, work, result);
    } else if (isFlatMethod(method)) {
        result.palette = quantizeFlat(work, method, settings.dither);
        result.display = PaletteDisplay::Show;
    } else if (isFixedMethod(method)) {
        mapOnto(reference, fixedPalette(method), settings.dither, index, work, result);
    } else if (method == QuantizeMethod::NeuQuant256) {
        runNeuQuant(work, settings.dither, context.neuQuant);
        result.display = PaletteDisplay::Refresh;
    } else if (method == QuantizeMethod::Kmeans) {
        result.palette = quantizeKmeans(reference, work, std::clamp(settings.limit, 2, 256),
                                        settings.dither, index, context.threads);
        result.display = PaletteDisplay::Refresh;
    } else {
        result.methodRan = false;
    }
    return result;
}

bool quantizeMapsFromReference(QuantizeMethod method) {
    return method == QuantizeMethod::Popularity || method == QuantizeMethod::Adaptive ||
           method == QuantizeMethod::Kmeans || isFixedMethod(method);
}

Image workImageFor(const Image& reference, QuantizeMethod method) {
    if (!quantizeMapsFromReference(method) || reference.empty()) return reference;
    return Image::unfilled(reference.width(), reference.height(), reference.depth());
}

QuantizeResult quantizeImage(const Image& reference, const QuantizeSettings& settings,
                             QuantizeContext& context) {
    QuantizeResult result;
    result.work = workImageFor(reference, settings.method);
    static_cast<QuantizeOutcome&>(result) = quantizeInto(reference, result.work, settings, context);
    return result;
}

QuantizeResult quantizeImage(Image&& reference, const QuantizeSettings& settings,
                             QuantizeContext& context) {
    if (quantizeMapsFromReference(settings.method))
        return quantizeImage(reference, settings, context);
    QuantizeResult result;
    result.work = std::move(reference);
    // The in-place methods read nothing of the reference but its size.
    static_cast<QuantizeOutcome&>(result) =
        quantizeInto(result.work, result.work, settings, context);
    return result;
}

}  // namespace vd

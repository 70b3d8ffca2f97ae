// Feeds arbitrary bytes to the PNG decoder: it must refuse or decode, never crash, read out of
// bounds or allocate more than the image limits allow. A picture it accepts must also survive
// our own encoder unchanged. Where the direct reader takes a file, libpng alone must give the
// same picture.

#include <cstddef>
#include <cstdint>
#include <span>

#include "io/image_codec.h"
#include "io/png_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto direct = vd::png::decodeCommonPng(bytes)) {
        const auto byLibpng = vd::png::decodeWithLibpng(bytes);
        if (!byLibpng || !(byLibpng.value() == *direct)) __builtin_trap();
    }
    auto image = vd::decodePng(bytes);
    if (!image) return 0;
    if (image.value().pixelCount() == 0) __builtin_trap();
    if (image.value().pixelCount() > (1u << 20)) return 0;  // keep the runs fast
    auto encoded = vd::encodePng(image.value());
    if (!encoded) __builtin_trap();
    auto again = vd::decodePng(encoded.value());
    if (!again || !(again.value() == image.value())) __builtin_trap();
    return 0;
}

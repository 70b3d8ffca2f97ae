// Feeds arbitrary bytes to the PNG decoder: it must refuse or decode, never crash, read out of
// bounds or allocate more than the image limits allow. A picture it accepts must also survive
// our own encoder unchanged.

#include <cstddef>
#include <cstdint>
#include <span>

#include "io/image_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = vd::decodePng(std::span<const std::uint8_t>(data, size));
    if (!image) return 0;
    if (image.value().pixelCount() == 0) __builtin_trap();
    if (image.value().pixelCount() > (1u << 20)) return 0;  // keep the runs fast
    auto encoded = vd::encodePng(image.value());
    if (!encoded) __builtin_trap();
    auto again = vd::decodePng(encoded.value());
    if (!again || !(again.value() == image.value())) __builtin_trap();
    return 0;
}

// Feeds arbitrary bytes to the JPEG decoder: it must refuse or decode, never crash, read out of
// bounds or allocate more than the image limits allow. A picture it accepts must also go
// through our own encoder and back at the same size.

#include <cstddef>
#include <cstdint>
#include <span>

#include "io/image_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = vd::decodeJpeg(std::span<const std::uint8_t>(data, size));
    if (!image) return 0;
    const vd::Image& picture = image.value();
    if (picture.pixelCount() == 0 || picture.depth() != 24) __builtin_trap();
    if (picture.pixelCount() > (1u << 20)) return 0;  // keep the runs fast
    auto encoded = vd::encodeJpeg(picture);
    if (!encoded) __builtin_trap();
    auto again = vd::decodeJpeg(encoded.value());
    if (!again || again.value().width() != picture.width() ||
        again.value().height() != picture.height()) {
        __builtin_trap();
    }
    return 0;
}

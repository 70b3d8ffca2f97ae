// Feeds arbitrary bytes to the BMP reader: it must refuse or decode, never read or write
// outside its buffers, and never allocate more than the image limits allow.

#include <cstddef>
#include <cstdint>
#include <span>

#include "io/image_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto image = vd::decodeBmp(std::span(data, size));
    if (image.ok()) {
        // Touch every pixel so that a short buffer would show.
        std::uint32_t sum = 0;
        for (vd::Color c : image.value().pixels())
            sum += c;
        volatile std::uint32_t sink = sum;
        (void)sink;
    }
    return 0;
}

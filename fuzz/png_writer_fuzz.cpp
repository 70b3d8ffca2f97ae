// Builds a small picture from arbitrary bytes (1 to 256 colours, or more, at 24 or 32 bits)
// and writes it as PNG, as a palette file and in true colour: libpng alone and the program's
// own reader must both read it back to the same pixels and depth.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/image_codec.h"
#include "io/png_format.h"

namespace {

// The bytes as read in order, zeros once they run out.
class ByteSource {
  public:
    ByteSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t next32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = value << 8 | next();
        return value;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void expectReadsBack(const vd::Image& picture, vd::PngOptions options) {
    const auto file = vd::encodePng(picture, options);
    if (!file) __builtin_trap();
    const auto byLibpng = vd::png::decodeWithLibpng(file.value());
    if (!byLibpng || !(byLibpng.value() == picture)) __builtin_trap();
    const auto byUs = vd::decodePng(file.value());
    if (!byUs || !(byUs.value() == picture)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteSource source(data, size);
    const int width = 1 + source.next() % 64;
    const int height = 1 + source.next() % 64;
    const int depth = source.next() & 1 ? 32 : 24;
    const int colors = 1 + (source.next() << 8 | source.next()) % 300;  // past 256 too
    std::vector<vd::Color> palette;
    for (int i = 0; i < colors; ++i) palette.push_back(source.next32());
    vd::Image picture(width, height, depth);
    for (vd::Color& pixel : picture.pixels()) {
        pixel = palette[source.next() % palette.size()];
        if (depth == 24) pixel |= vd::kAlphaMask;
    }
    expectReadsBack(picture, {});
    expectReadsBack(picture, {.trueColor = true});
    return 0;
}

// Makes a big test picture by repeating a photo: vd_make_tiled IN OUT WIDTH HEIGHT.
// The benchmarks build their 81-megapixel input this way at run time instead of keeping it.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "io/image_codec.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: vd_make_tiled IN OUT WIDTH HEIGHT\n");
        return 2;
    }
    auto decoded = vd::readImageFile(argv[1]);
    if (!decoded) {
        std::fprintf(stderr, "vd_make_tiled: %s: %s\n", argv[1], decoded.error().c_str());
        return 1;
    }
    const vd::Image& tile = decoded.value().image;
    const int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    if (!vd::sizeIsAllowed(width, height)) {
        std::fprintf(stderr, "vd_make_tiled: size %d x %d not allowed\n", width, height);
        return 2;
    }
    vd::Image big(width, height, tile.depth());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            big.at(x, y) = tile.at(x % tile.width(), y % tile.height());
    const auto written = vd::writeImageFile(big, argv[2], vd::formatForExtension(argv[2]));
    if (!written) {
        std::fprintf(stderr, "vd_make_tiled: %s: %s\n", argv[2], written.error().c_str());
        return 1;
    }
    return 0;
}

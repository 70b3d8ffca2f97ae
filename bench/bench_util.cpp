#include "bench/bench_util.h"

#include <cstdio>
#include <cstdlib>

#include "io/image_codec.h"

namespace vd::bench {

std::string sharedPath(const std::string& relative) {
    return std::string(VD_SHARED_DIR) + "/testdata/" + relative;
}

namespace {
Image loadOrDie(const std::string& relative) {
    auto decoded = readImageFile(sharedPath(relative));
    if (!decoded) {
        std::fprintf(stderr, "%s: %s\n", relative.c_str(), decoded.error().c_str());
        std::exit(1);
    }
    return std::move(decoded).value().image;
}
}  // namespace

const Image& twelveMegapixelPhoto() {
    static const Image photo = loadOrDie("bench/photo-12mp.png");
    return photo;
}

const Image& singlePhoto() {
    static const Image photo = loadOrDie("photos/kodim05.png");
    return photo;
}

}  // namespace vd::bench

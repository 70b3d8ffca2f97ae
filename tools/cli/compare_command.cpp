// `vandrell-cli compare A B`: how far B is from A, in one line.

#include <cmath>
#include <cstdio>
#include <string>

#include "io/image_codec.h"
#include "quantize/quality.h"
#include "tools/cli/commands.h"

namespace vd::cli {

namespace {

std::string sizeText(const Image& image) {
    return std::to_string(image.width()) + " x " + std::to_string(image.height());
}

}  // namespace

std::string psnrText(double psnr) {
    if (std::isinf(psnr)) return "inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", psnr);
    return text;
}

int compareCommand(const std::string& first, const std::string& second) {
    auto a = readImageFile(first);
    if (!a) return fileFailure(first, a.error());
    auto b = readImageFile(second);
    if (!b) return fileFailure(second, b.error());
    const Image& x = a.value().image;
    const Image& y = b.value().image;
    if (x.width() != y.width() || x.height() != y.height()) {
        return fileFailure(second, "is " + sizeText(y) + ", " + first + " is " + sizeText(x) +
                                       ": the sizes differ");
    }
    const Quality q = compareQuality(x, y);
    std::printf("PSNR %s dB, mean dE2000 %.4f, max dE2000 %.4f, %lld pixels differ, "
                "blurred PSNR %s dB\n",
                psnrText(q.psnr).c_str(), q.meanDeltaE, q.maxDeltaE,
                static_cast<long long>(q.differingPixels), psnrText(q.blurredPsnr).c_str());
    return kExitOk;
}

}  // namespace vd::cli

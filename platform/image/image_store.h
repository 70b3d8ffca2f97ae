#pragma once

#include <map>
#include <optional>

#include "platform/image/image.h"

namespace vd {

// A small non-negative number naming an image in the store. A distinct type, so that a
// window or control number cannot be passed where an image is meant.
enum class ImageNumber : int {};

constexpr ImageNumber imageNumber(int n) { return static_cast<ImageNumber>(n); }
constexpr int toInt(ImageNumber n) { return static_cast<int>(n); }

// The numbered images of the program. Creating under a number in use replaces the image.
// Every operation on a missing image does nothing and reports failure.
class ImageStore {
public:
    // New image filled with `background`; false when the size or depth is not allowed or
    // memory runs out (the old image under `n` is then kept).
    bool create(ImageNumber n, int width, int height, int depth, Color background);
    // Stores `image` under `n`, replacing what was there.
    void put(ImageNumber n, Image image);
    bool exists(ImageNumber n) const;
    // `dst` becomes an exact copy of `src` (size, depth, pixels and alpha). The two share
    // their pixels until either is written, so a copy costs no memory and no time.
    bool copy(ImageNumber src, ImageNumber dst);
    // Exchanges the images under `a` and `b` (either may be missing); no pixel moves.
    void swap(ImageNumber a, ImageNumber b);
    // `dst` becomes the w x h region of `src` at (x, y); `src` may equal `dst`. The region
    // is clipped to the source; what lies outside it is black.
    bool grab(ImageNumber src, ImageNumber dst, int x, int y, int w, int h);
    void free(ImageNumber n);
    int width(ImageNumber n) const;   // 0 for a missing image
    int height(ImageNumber n) const;  // 0 for a missing image
    // Resizes in place with smoothing (see resizeSmooth).
    bool resize(ImageNumber n, int width, int height);
    // A number no image uses, above the fixed numbers of the program.
    ImageNumber freshNumber() const;

    Image* get(ImageNumber n);
    const Image* get(ImageNumber n) const;
    void clear() { images_.clear(); }

private:
    std::map<int, Image> images_;
};

}  // namespace vd

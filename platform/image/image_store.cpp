#include "platform/image/image_store.h"

#include <new>
#include <stdexcept>

#include "platform/image/resize.h"

namespace vd {

namespace {
// Numbers below this are the program's fixed ones; fresh numbers start here.
constexpr int kFirstFreshNumber = 64;
}  // namespace

bool ImageStore::create(ImageNumber n, int width, int height, int depth, Color background) {
    try {
        put(n, Image(width, height, depth, background));
        return true;
    } catch (const std::invalid_argument&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void ImageStore::put(ImageNumber n, Image image) { images_[toInt(n)] = std::move(image); }

bool ImageStore::exists(ImageNumber n) const { return images_.contains(toInt(n)); }

bool ImageStore::copy(ImageNumber src, ImageNumber dst) {
    const Image* source = get(src);
    if (!source) return false;
    if (src != dst) put(dst, *source);  // shares the pixels: nothing is copied until written
    return true;
}

bool ImageStore::grab(ImageNumber src, ImageNumber dst, int x, int y, int w, int h) {
    const Image* source = get(src);
    if (!source || !sizeIsAllowed(w, h)) return false;
    try {
        put(dst, cropImage(*source, x, y, w, h));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void ImageStore::swap(ImageNumber a, ImageNumber b) {
    if (a == b) return;
    auto first = images_.extract(toInt(a));
    auto second = images_.extract(toInt(b));
    if (first) {
        first.key() = toInt(b);
        images_.insert(std::move(first));
    }
    if (second) {
        second.key() = toInt(a);
        images_.insert(std::move(second));
    }
}

void ImageStore::free(ImageNumber n) { images_.erase(toInt(n)); }

int ImageStore::width(ImageNumber n) const {
    const Image* image = get(n);
    return image ? image->width() : 0;
}

int ImageStore::height(ImageNumber n) const {
    const Image* image = get(n);
    return image ? image->height() : 0;
}

bool ImageStore::resize(ImageNumber n, int width, int height) {
    Image* image = get(n);
    if (!image || !sizeIsAllowed(width, height)) return false;
    try {
        *image = resizeSmooth(*image, width, height);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

ImageNumber ImageStore::freshNumber() const {
    int n = kFirstFreshNumber;
    while (images_.contains(n)) ++n;
    return imageNumber(n);
}

Image* ImageStore::get(ImageNumber n) {
    auto it = images_.find(toInt(n));
    return it == images_.end() ? nullptr : &it->second;
}

const Image* ImageStore::get(ImageNumber n) const {
    auto it = images_.find(toInt(n));
    return it == images_.end() ? nullptr : &it->second;
}

}  // namespace vd

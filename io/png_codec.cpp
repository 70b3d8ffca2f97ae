// PNG reading through libpng, for every file the direct reader (png_direct_reader.cpp) does
// not take: interlaced, palette, grey and 16-bit files, and any file with something unusual or
// wrong in it, whose refusal libpng words.
//
// libpng reports errors by longjmp out of its own functions. Every libpng call therefore runs
// inside runGuarded(), and the code that runs there (including the read callback)
// owns no C++ object with a destructor: the images and buffers are created by the callers,
// outside the jump.

#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "io/claimed_size.h"
#include "io/image_codec.h"
#include "io/png_format.h"

namespace vd {
namespace {

static_assert(std::endian::native == std::endian::little,
              "libpng's RGBA rows are decoded straight into Color, which must be R,G,B,A bytes");

// What libpng reads from, and the text of the last error. Plain data only.
struct PngStream {
    const std::uint8_t* input = nullptr;
    std::size_t inputSize = 0;
    std::size_t offset = 0;
    char message[160] = {};
};

PngStream& streamOf(png_structp png) {
    return *static_cast<PngStream*>(png_get_error_ptr(png));
}

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
    PngStream& stream = streamOf(png);
    std::snprintf(stream.message, sizeof stream.message, "%s", message ? message : "error");
    png_longjmp(png, 1);
}

// Warnings are about damage libpng could step over (a bad ancillary chunk); the picture is
// still good, so they are not passed on.
void onPngWarning(png_structp, png_const_charp) {}

void readFromMemory(png_structp png, png_bytep out, std::size_t length) {
    PngStream& stream = *static_cast<PngStream*>(png_get_io_ptr(png));
    if (length > stream.inputSize - stream.offset) png_error(png, "the file ends too early");
    std::memcpy(out, stream.input + stream.offset, length);
    stream.offset += length;
}

// Runs libpng calls; false when libpng raised an error (its text is in the stream).
template <class Calls>
bool runGuarded(png_structp png, const Calls& calls) {
    if (setjmp(png_jmpbuf(png))) return false;
    calls();
    return true;
}

class PngReader {
  public:
    explicit PngReader(PngStream& stream)
        : png_(png_create_read_struct(PNG_LIBPNG_VER_STRING, &stream, onPngError, onPngWarning)) {
        if (png_) info_ = png_create_info_struct(png_);
    }
    ~PngReader() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    bool ok() const { return png_ && info_; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int interlace = 0;
    bool hasTransparency = false;
};

PngHeader readHeader(png_structp png, png_infop info) {
    png_read_info(png, info);
    PngHeader header;
    png_get_IHDR(png, info, &header.width, &header.height, &header.bitDepth, &header.colorType,
                 &header.interlace, nullptr, nullptr);
    header.hasTransparency = (header.colorType & PNG_COLOR_MASK_ALPHA) != 0 ||
                             png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    return header;
}

// Smallest number of bytes the filtered rows of a non-interlaced image take; an interlaced
// image takes at least as many.
std::uint64_t minimumRawBytes(const PngHeader& header) {
    const std::uint64_t channels = (header.colorType & PNG_COLOR_MASK_PALETTE) ? 1
                                   : (header.colorType & PNG_COLOR_MASK_COLOR) ? 3
                                                                               : 1;
    const std::uint64_t alpha = (header.colorType & PNG_COLOR_MASK_ALPHA) ? 1 : 0;
    const std::uint64_t rowBits = header.width * (channels + alpha) * header.bitDepth;
    return header.height * (1 + (rowBits + 7) / 8);
}

// Every layout becomes 8-bit RGBA: palettes and low-bit grey expanded, tRNS turned into
// alpha, 16-bit samples rounded to 8 (v / 257), grey copied to red, green and blue, and an
// opaque 0xFF alpha byte added where the file has none. No gamma and no background.
// Returns the number of passes over the rows (7 for an interlaced file).
int requestRgba(png_structp png, const PngHeader& header) {
    if (header.colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (header.colorType == PNG_COLOR_TYPE_GRAY && header.bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (header.hasTransparency && !(header.colorType & PNG_COLOR_MASK_ALPHA)) {
        png_set_tRNS_to_alpha(png);
    }
    if (header.bitDepth == 16) png_set_scale_16(png);
    if (!(header.colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
    if (!header.hasTransparency) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    return png_set_interlace_handling(png);
}

Error pngError(const PngStream& stream) {
    return Error{std::string("damaged or unsupported PNG file (") + stream.message + ")"};
}

Result<Image> allocateImage(const PngHeader& header) {
    try {
        // Every pixel is written: each pass fills its own pixels of the rows, the seven
        // passes of an interlaced file together cover the picture, and the alpha byte comes
        // from the file or from the filler.
        return Image::unfilled(static_cast<int>(header.width), static_cast<int>(header.height),
                               header.hasTransparency ? 32 : 24);
    } catch (const std::bad_alloc&) {
        return Error{"not enough memory for the picture"};
    }
}

void readRows(png_structp png, int passes, Image& image) {
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < image.height(); ++y) {
            png_read_row(png, reinterpret_cast<png_bytep>(image.row(y)), nullptr);
        }
    }
    png_read_end(png, nullptr);
}

}  // namespace

namespace png {

Result<Image> decodeWithLibpng(std::span<const std::uint8_t> bytes) {
    // Sides over the limit are refused here, in the words used for every format, before
    // libpng's own limit would call the file damaged.
    const auto claimed = claimedPngSize(bytes);
    if (claimed && !sizeIsAllowed(claimed->width, claimed->height)) {
        return Error{tooLargeReason(claimed->width, claimed->height)};
    }
    PngStream stream;
    stream.input = bytes.data();
    stream.inputSize = bytes.size();
    PngReader reader(stream);
    if (!reader.ok()) return Error{"not enough memory to read a PNG file"};
    png_structp png = reader.png();
    png_infop info = reader.info();

    PngHeader header;
    const bool headerRead = runGuarded(png, [&] {
        png_set_read_fn(png, &stream, readFromMemory);
        png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
        png_set_chunk_malloc_max(png, png::kMaxChunkBytes);
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, png::kIgnoredChunks,
                                    png::kIgnoredChunkCount);
        header = readHeader(png, info);
    });
    if (!headerRead) return pngError(stream);
    if (!sizeIsAllowed(header.width, header.height)) {
        return Error{tooLargeReason(header.width, header.height)};
    }
    if (minimumRawBytes(header) > bytes.size() * png::kMaxDeflateRatio + png::kDeflateSlack) {
        return Error{"the PNG file is too short for the picture size it claims"};
    }

    bool layoutOk = false;
    int passes = 1;
    const bool transformsSet = runGuarded(png, [&] {
        passes = requestRgba(png, header);
        png_read_update_info(png, info);
        layoutOk = png_get_rowbytes(png, info) == std::size_t{header.width} * 4;
    });
    if (!transformsSet) return pngError(stream);
    if (!layoutOk) return Error{"unsupported PNG pixel layout"};

    Result<Image> image = allocateImage(header);
    if (!image) return image;
    if (!runGuarded(png, [&] { readRows(png, passes, image.value()); })) return pngError(stream);
    return image;
}

}  // namespace png

Result<Image> decodePng(std::span<const std::uint8_t> bytes) {
    if (auto image = png::decodeCommonPng(bytes)) return std::move(*image);
    return png::decodeWithLibpng(bytes);
}

}  // namespace vd

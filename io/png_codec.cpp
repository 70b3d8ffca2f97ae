// PNG reading and writing through libpng.
//
// libpng reports errors by longjmp out of its own functions. Every libpng call therefore runs
// inside runGuarded(), and the code that runs there (including the read and write callbacks)
// owns no C++ object with a destructor: the images and buffers are created by the callers,
// outside the jump.

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "io/claimed_size.h"
#include "io/image_codec.h"

namespace vd {
namespace {

static_assert(std::endian::native == std::endian::little,
              "libpng's RGBA rows are decoded straight into Color, which must be R,G,B,A bytes");

// Deflate turns at most 1032 bytes into one (a 258-byte match coded in two bits). A file
// claiming more pixel data than that could expand to is refused before the image is
// allocated, so a few hundred bytes cannot make us reserve hundreds of megabytes.
constexpr std::uint64_t kMaxDeflateRatio = 1032;
constexpr std::uint64_t kDeflateSlack = 4096;

// The Paeth filter alone with zlib's run-length strategy: a 12 MP photo saves in about 0.6 s,
// in a file some 3 % larger than libpng's defaults (adaptive filters, zlib level 6) give in
// six times the time.
constexpr int kZlibLevel = 1;
constexpr int kZlibStrategy = Z_RLE;
constexpr int kRowFilter = PNG_FILTER_PAETH;
constexpr std::size_t kIdatChunkBytes = 256 * 1024;

// Palette rows: no filter, zlib level 6 with its default strategy. Filters predict bytes
// from their neighbours, which means nothing for palette indices: adaptive filtering made
// the quantized Kodak photos 38 to 44 % larger. Level 9 gains 0.4 % on 256 colours and
// 1.9 % on 32 for two to five times the time; level 6 saves a quantized 12 MP photo in
// 0.6 s, as long as a photo takes in true colour, in a file a quarter smaller than the
// true-colour one.
constexpr int kPaletteZlibLevel = 6;
constexpr int kPaletteZlibStrategy = Z_DEFAULT_STRATEGY;
constexpr int kPaletteRowFilter = PNG_FILTER_NONE;

// Largest chunk libpng may buffer. The ones we read (palette, transparency) are under 1 KB;
// a hostile length field must not become a huge allocation.
constexpr png_alloc_size_t kMaxChunkBytes = 1 << 20;

// Ancillary chunks that describe nothing we show (colour management, text, history). They
// are skipped unread, so their parsers never see hostile data.
constexpr png_byte kIgnoredChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0"
    "pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt";
constexpr int kIgnoredChunkCount = sizeof kIgnoredChunks / 5;  // four letters and a NUL each

// What libpng reads from or writes to, and the text of the last error. Plain data only.
struct PngStream {
    const std::uint8_t* input = nullptr;
    std::size_t inputSize = 0;
    std::size_t offset = 0;
    std::vector<std::uint8_t>* output = nullptr;
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

void appendToVector(png_structp png, png_bytep data, std::size_t length) {
    PngStream& stream = *static_cast<PngStream*>(png_get_io_ptr(png));
    bool appended = true;
    try {
        stream.output->insert(stream.output->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        appended = false;
    }
    if (!appended) png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

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

class PngWriter {
  public:
    explicit PngWriter(PngStream& stream)
        : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, &stream, onPngError, onPngWarning)) {
        if (png_) info_ = png_create_info_struct(png_);
    }
    ~PngWriter() { png_destroy_write_struct(&png_, &info_); }
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;

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

// The colours of a picture that has at most 256 of them, each with its palette index.
// Colours are keys with the alpha byte forced to 255 in a 24-bit picture, so that only red,
// green and blue distinguish them. Plain data: it is read inside runGuarded.
class PaletteTable {
  public:
    static constexpr int kMaxColors = 256;

    // Adds the key if it is new; false when it would be colour 257.
    bool add(Color key) {
        std::size_t slot = slotOf(key);
        while (index_[slot] != kEmpty) {
            if (keys_[slot] == key) return true;
            slot = (slot + 1) & (kSlots - 1);
        }
        if (count_ == kMaxColors) return false;
        keys_[slot] = key;
        index_[slot] = static_cast<std::int16_t>(count_);
        colors_[static_cast<std::size_t>(count_++)] = key;
        return true;
    }

    // The palette index of a key that was added.
    std::uint8_t indexOf(Color key) const {
        std::size_t slot = slotOf(key);
        while (keys_[slot] != key || index_[slot] == kEmpty) slot = (slot + 1) & (kSlots - 1);
        return static_cast<std::uint8_t>(index_[slot]);
    }

    // Puts the translucent colours first, each group in order of first appearance, so that
    // the transparency table stops at the last translucent entry.
    void translucentFirst() {
        std::array<std::int16_t, kMaxColors> newIndex{};
        std::array<Color, kMaxColors> reordered{};
        int next = 0;
        for (bool translucent : {true, false}) {
            for (int i = 0; i < count_; ++i) {
                const Color c = colors_[static_cast<std::size_t>(i)];
                if ((alphaOf(c) < 255) != translucent) continue;
                newIndex[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(next);
                reordered[static_cast<std::size_t>(next++)] = c;
            }
        }
        colors_ = reordered;
        for (std::int16_t& index : index_) {
            if (index != kEmpty) index = newIndex[static_cast<std::size_t>(index)];
        }
    }

    int count() const { return count_; }
    Color color(int index) const { return colors_[static_cast<std::size_t>(index)]; }

  private:
    // Four times the colours, so a probe rarely goes past its first slot.
    static constexpr std::size_t kSlots = 1024;
    static constexpr std::int16_t kEmpty = -1;

    static std::size_t slotOf(Color key) {
        return (key * 2654435761u) >> (32 - std::countr_zero(kSlots));
    }

    std::array<Color, kSlots> keys_{};
    std::array<std::int16_t, kSlots> index_ = [] {
        std::array<std::int16_t, kSlots> empty;
        empty.fill(kEmpty);
        return empty;
    }();
    std::array<Color, kMaxColors> colors_{};
    int count_ = 0;
};

// The key under which a pixel is counted: a 24-bit picture's alpha byte does not count.
Color alphaForcedIn(const Image& image) { return image.hasAlpha() ? 0 : kAlphaMask; }

// Fills the table with the picture's colours in order of first appearance, row by row;
// false as soon as a 257th colour turns up, which in a photo is within its first rows.
// Neighbouring pixels repeat a colour often, so a pixel equal to the one before is skipped.
bool collectPalette(const Image& image, PaletteTable& table) {
    const Color forced = alphaForcedIn(image);
    for (int y = 0; y < image.height(); ++y) {
        const Color* row = image.row(y);
        Color previous = ~(row[0] | forced);
        for (int x = 0; x < image.width(); ++x) {
            const Color key = row[x] | forced;
            if (key == previous) continue;
            previous = key;
            if (!table.add(key)) return false;
        }
    }
    return true;
}

// Fewest bits per pixel that can index this many colours.
int paletteBitDepth(int colors) {
    if (colors <= 2) return 1;
    if (colors <= 4) return 2;
    if (colors <= 16) return 4;
    return 8;
}

// What the file can take at most: the filtered rows stored uncompressed, deflate's block
// overhead, and the chunk framing. Reserved up front, the output is never copied as it
// grows, and the pages it does not reach are never touched.
std::size_t encodedSizeBound(const Image& image, int bitsPerPixel) {
    const std::size_t rowBytes = (static_cast<std::size_t>(image.width()) * bitsPerPixel + 7) / 8;
    const std::size_t raw = (rowBytes + 1) * static_cast<std::size_t>(image.height());
    const std::size_t deflated = ::compressBound(static_cast<uLong>(raw));
    const std::size_t chunks = deflated / kIdatChunkBytes + 1;
    constexpr std::size_t kSignatureHeaderAndEnd = 8 + 25 + 12;
    constexpr std::size_t kPaletteAndTransparency = 12 + 3 * 256 + 12 + 256;
    return kSignatureHeaderAndEnd + kPaletteAndTransparency + deflated + chunks * 12;
}

void writeTrueColor(png_structp png, png_infop info, const Image& image) {
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
                 static_cast<png_uint_32>(image.height()), 8,
                 image.hasAlpha() ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, kZlibLevel);
    png_set_compression_strategy(png, kZlibStrategy);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, kRowFilter);
    png_set_compression_buffer_size(png, kIdatChunkBytes);
    png_write_info(png, info);
    // A 24-bit image keeps an alpha byte per pixel in memory; libpng drops it.
    if (!image.hasAlpha()) png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < image.height(); ++y) {
        png_write_row(png, reinterpret_cast<png_const_bytep>(image.row(y)));
    }
    png_write_end(png, nullptr);
}

// `indices` holds one byte per pixel of a row; libpng packs them to the bit depth.
void writePalette(png_structp png, png_infop info, const Image& image, const PaletteTable& table,
                  std::uint8_t* indices) {
    const int colors = table.count();
    const int bitDepth = paletteBitDepth(colors);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
                 static_cast<png_uint_32>(image.height()), bitDepth, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color entries[PaletteTable::kMaxColors];
    png_byte alphas[PaletteTable::kMaxColors];
    int translucent = 0;
    for (int i = 0; i < colors; ++i) {
        const Color c = table.color(i);
        entries[i] = png_color{static_cast<png_byte>(redOf(c)), static_cast<png_byte>(greenOf(c)),
                               static_cast<png_byte>(blueOf(c))};
        alphas[i] = static_cast<png_byte>(alphaOf(c));
        if (alphas[i] < 255) translucent = i + 1;
    }
    png_set_PLTE(png, info, entries, colors);
    // The decoder gives 32 bits exactly when the file has transparency, so a 32-bit picture
    // carries a table even when it is all opaque: one entry, 255. libpng writes no empty one.
    if (image.hasAlpha()) png_set_tRNS(png, info, alphas, std::max(translucent, 1), nullptr);
    png_set_compression_level(png, kPaletteZlibLevel);
    png_set_compression_strategy(png, kPaletteZlibStrategy);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, kPaletteRowFilter);
    png_set_compression_buffer_size(png, kIdatChunkBytes);
    png_write_info(png, info);
    if (bitDepth < 8) png_set_packing(png);
    const Color forced = alphaForcedIn(image);
    for (int y = 0; y < image.height(); ++y) {
        const Color* row = image.row(y);
        Color previous = row[0] | forced;
        std::uint8_t index = table.indexOf(previous);
        for (int x = 0; x < image.width(); ++x) {
            const Color key = row[x] | forced;
            if (key != previous) {
                previous = key;
                index = table.indexOf(key);
            }
            indices[x] = index;
        }
        png_write_row(png, indices);
    }
    png_write_end(png, nullptr);
}

}  // namespace

Result<Image> decodePng(std::span<const std::uint8_t> bytes) {
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
        png_set_chunk_malloc_max(png, kMaxChunkBytes);
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                                    kIgnoredChunkCount);
        header = readHeader(png, info);
    });
    if (!headerRead) return pngError(stream);
    if (!sizeIsAllowed(header.width, header.height)) {
        return Error{tooLargeReason(header.width, header.height)};
    }
    if (minimumRawBytes(header) > bytes.size() * kMaxDeflateRatio + kDeflateSlack) {
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

Result<std::vector<std::uint8_t>> encodePng(const Image& image, PngOptions options) {
    if (image.empty()) return Error{"no image to save"};
    PaletteTable table;
    const bool palette = !options.trueColor && collectPalette(image, table);
    if (palette && image.hasAlpha()) table.translucentFirst();
    std::vector<std::uint8_t> output;
    std::vector<std::uint8_t> indices;
    try {
        if (palette) indices.resize(static_cast<std::size_t>(image.width()));
        output.reserve(encodedSizeBound(
            image, palette ? paletteBitDepth(table.count()) : (image.hasAlpha() ? 32 : 24)));
    } catch (const std::bad_alloc&) {
        return Error{"not enough memory to write a PNG file"};
    }
    PngStream stream;
    stream.output = &output;
    PngWriter writer(stream);
    if (!writer.ok()) return Error{"not enough memory to write a PNG file"};
    png_structp png = writer.png();
    png_infop info = writer.info();

    const bool written = runGuarded(png, [&] {
        png_set_write_fn(png, &stream, appendToVector, flushNothing);
        if (palette) {
            writePalette(png, info, image, table, indices.data());
        } else {
            writeTrueColor(png, info, image);
        }
    });
    if (!written) return pngError(stream);
    return output;
}

}  // namespace vd

// JPEG reading and writing through libjpeg(-turbo).
//
// libjpeg reports errors through error_exit, which must not return: ours formats the message
// and longjmps back into runGuarded(). The code that runs between the two owns no C++ object
// with a destructor; images and library state are created by the callers, outside the jump.

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "io/image_codec.h"

namespace vd {
namespace {

static_assert(std::endian::native == std::endian::little,
              "JCS_EXT_RGBA rows are decoded straight into Color, which must be R,G,B,A bytes");

// A real progressive file has about ten scans; thousands of tiny ones only burn time.
constexpr int kMaxScans = 500;
// Ceiling for libjpeg's own buffers (whole-image coefficient arrays of progressive files).
constexpr long kMaxDecoderMemory = 1L << 30;
// Rows handed to libjpeg per call.
constexpr int kRowBatch = 16;

// libjpeg hands callbacks a pointer to `base`, so it must come first.
struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

static_assert(offsetof(JpegErrors, base) == 0);

JpegErrors& errorsOf(j_common_ptr cinfo) {
    return *reinterpret_cast<JpegErrors*>(cinfo->err);
}

[[noreturn]] void onJpegError(j_common_ptr cinfo) {
    JpegErrors& errors = errorsOf(cinfo);
    (*cinfo->err->format_message)(cinfo, errors.message);
    std::longjmp(errors.jump, 1);
}

// Warnings (corrupt or missing scan data) still give a picture, damaged; nothing is printed.
void printNothing(j_common_ptr) {}

[[noreturn]] void fail(j_common_ptr cinfo, const char* why) {
    JpegErrors& errors = errorsOf(cinfo);
    std::snprintf(errors.message, sizeof errors.message, "%s", why);
    std::longjmp(errors.jump, 1);
}

void limitScans(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        fail(cinfo, "too many scans");
    }
}

void initErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.base);
    errors.base.error_exit = onJpegError;
    errors.base.output_message = printNothing;
    errors.message[0] = '\0';
}

// Runs libjpeg calls; false when libjpeg raised an error (its text is in `errors`).
template <class Calls>
bool runGuarded(JpegErrors& errors, const Calls& calls) {
    if (setjmp(errors.jump)) return false;
    calls();
    return true;
}

class JpegDecoder {
  public:
    JpegDecoder() {
        std::memset(&cinfo_, 0, sizeof cinfo_);
        initErrors(errors_);
        cinfo_.err = &errors_.base;
        progress_.progress_monitor = limitScans;
    }
    ~JpegDecoder() { jpeg_destroy_decompress(&cinfo_); }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    j_decompress_ptr cinfo() { return &cinfo_; }
    JpegErrors& errors() { return errors_; }
    jpeg_progress_mgr* progress() { return &progress_; }

  private:
    jpeg_decompress_struct cinfo_;
    JpegErrors errors_;
    jpeg_progress_mgr progress_{};
};

class JpegEncoder {
  public:
    JpegEncoder() {
        std::memset(&cinfo_, 0, sizeof cinfo_);
        initErrors(errors_);
        cinfo_.err = &errors_.base;
    }
    ~JpegEncoder() {
        jpeg_destroy_compress(&cinfo_);
        std::free(buffer_);
    }
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    j_compress_ptr cinfo() { return &cinfo_; }
    JpegErrors& errors() { return errors_; }
    unsigned char** buffer() { return &buffer_; }
    unsigned long* size() { return &size_; }

  private:
    jpeg_compress_struct cinfo_;
    JpegErrors errors_;
    unsigned char* buffer_ = nullptr;  // grown by libjpeg with malloc
    unsigned long size_ = 0;
};

bool isInk(J_COLOR_SPACE space) {
    return space == JCS_CMYK || space == JCS_YCCK;
}

void readHeader(JpegDecoder& decoder, std::span<const std::uint8_t> bytes) {
    j_decompress_ptr cinfo = decoder.cinfo();
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kMaxDecoderMemory;
    cinfo->progress = decoder.progress();
    jpeg_mem_src(cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(cinfo, TRUE);
    // Four bytes per pixel either way: RGBA lands in the image as it is, CMYK is converted
    // in place afterwards.
    cinfo->out_color_space = isInk(cinfo->jpeg_color_space) ? JCS_CMYK : JCS_EXT_RGBA;
}

void readScanlines(j_decompress_ptr cinfo, Image& image) {
    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != static_cast<JDIMENSION>(image.width()) ||
        cinfo->output_height != static_cast<JDIMENSION>(image.height()) ||
        cinfo->output_components != 4) {
        fail(reinterpret_cast<j_common_ptr>(cinfo), "unexpected output layout");
    }
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW rows[kRowBatch];
        const JDIMENSION first = cinfo->output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowBatch, cinfo->output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = reinterpret_cast<JSAMPROW>(image.row(static_cast<int>(first + i)));
        }
        if (jpeg_read_scanlines(cinfo, rows, count) == 0) {
            fail(reinterpret_cast<j_common_ptr>(cinfo), "no rows decoded");
        }
    }
    jpeg_finish_decompress(cinfo);
}

// Adobe stores CMYK inverted, so the samples libjpeg returns are already "how much light":
// red = C * K / 255, rounded, and likewise green from M and blue from Y.
void inkToRgb(Image& image) {
    for (Color& pixel : image.pixels()) {
        const int k = alphaOf(pixel);
        pixel = makeColor((redOf(pixel) * k + 127) / 255, (greenOf(pixel) * k + 127) / 255,
                          (blueOf(pixel) * k + 127) / 255, 255);
    }
}

Error jpegError(const JpegErrors& errors) {
    return Error{std::string("damaged or unsupported JPEG file (") + errors.message + ")"};
}

void writeScanlines(j_compress_ptr cinfo, const Image& image, int quality) {
    cinfo->image_width = static_cast<JDIMENSION>(image.width());
    cinfo->image_height = static_cast<JDIMENSION>(image.height());
    // Pixels go in as they are in memory; the alpha byte is skipped and three components
    // are written.
    cinfo->input_components = 4;
    cinfo->in_color_space = JCS_EXT_RGBX;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW rows[kRowBatch];
        const JDIMENSION first = cinfo->next_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowBatch, cinfo->image_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            // libjpeg's row type is not const, but it only reads input rows.
            rows[i] = reinterpret_cast<JSAMPROW>(
                const_cast<Color*>(image.row(static_cast<int>(first + i))));
        }
        jpeg_write_scanlines(cinfo, rows, count);
    }
    jpeg_finish_compress(cinfo);
}

}  // namespace

Result<Image> decodeJpeg(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return Error{"the JPEG file is empty"};
    JpegDecoder decoder;
    if (!runGuarded(decoder.errors(), [&] { readHeader(decoder, bytes); })) {
        return jpegError(decoder.errors());
    }
    j_decompress_ptr cinfo = decoder.cinfo();
    const JDIMENSION width = cinfo->image_width;
    const JDIMENSION height = cinfo->image_height;
    if (!sizeIsAllowed(width, height)) return Error{tooLargeReason(width, height)};

    Result<Image> image = Error{"not enough memory for the picture"};
    try {
        // readScanlines writes every row or fails (libjpeg makes up the rows of a file that
        // ends early), and both output layouts set the alpha byte.
        image = Image::unfilled(static_cast<int>(width), static_cast<int>(height), 24);
    } catch (const std::bad_alloc&) {
        return image;
    }
    if (!runGuarded(decoder.errors(), [&] { readScanlines(cinfo, image.value()); })) {
        return jpegError(decoder.errors());
    }
    if (cinfo->out_color_space == JCS_CMYK) inkToRgb(image.value());
    return image;
}

Result<std::vector<std::uint8_t>> encodeJpeg(const Image& image, int quality) {
    if (image.empty()) return Error{"no image to save"};
    JpegEncoder encoder;
    const bool written = runGuarded(encoder.errors(), [&] {
        j_compress_ptr cinfo = encoder.cinfo();
        jpeg_create_compress(cinfo);
        jpeg_mem_dest(cinfo, encoder.buffer(), encoder.size());
        writeScanlines(cinfo, image, quality);
    });
    if (!written) return jpegError(encoder.errors());
    try {
        const std::uint8_t* begin = *encoder.buffer();
        return std::vector<std::uint8_t>(begin, begin + *encoder.size());
    } catch (const std::bad_alloc&) {
        return Error{"not enough memory to write a JPEG file"};
    }
}

}  // namespace vd

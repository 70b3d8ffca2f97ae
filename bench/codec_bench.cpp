// PNG and JPEG load and save of the 12 MP photo, from and to memory, next to the same work
// done by libpng and libjpeg-turbo called plainly, as the yardstick for our codecs.

#include <benchmark/benchmark.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "bench/bench_util.h"
#include "io/file_io.h"
#include "io/image_codec.h"
#include "io/png_format.h"
#include "quantize/quantize.h"

namespace vd::bench {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes& photoPngBytes() {
    static const Bytes bytes = [] {
        auto read = readFileBytes(sharedPath("bench/photo-12mp.png"));
        if (!read) {
            std::fprintf(stderr, "%s\n", read.error().c_str());
            std::exit(1);
        }
        return Bytes(read.value().begin(), read.value().end());
    }();
    return bytes;
}

const Bytes& photoJpegBytes() {
    static const Bytes bytes = encodeJpeg(twelveMegapixelPhoto()).value();
    return bytes;
}

// The photo as packed RGB, the input libjpeg takes without extensions.
const Bytes& photoPackedRgb() {
    static const Bytes rgb = [] {
        const Image& photo = twelveMegapixelPhoto();
        Bytes out;
        out.reserve(photo.pixelCount() * 3);
        for (Color c : photo.pixels()) {
            out.insert(out.end(),
                       {static_cast<std::uint8_t>(redOf(c)), static_cast<std::uint8_t>(greenOf(c)),
                        static_cast<std::uint8_t>(blueOf(c))});
        }
        return out;
    }();
    return rgb;
}

void setBytesCounter(benchmark::State& state, std::size_t bytes) {
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
}

// --- Our codecs ---

void BM_PngDecode(benchmark::State& state) {
    const Bytes& file = photoPngBytes();
    for (auto _ : state) {
        auto image = decodePng(file);
        if (!image) state.SkipWithError(image.error().c_str());
        benchmark::DoNotOptimize(image.value().pixels().data());
    }
}
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond);

// direct 1: decodePng, which reads the common files itself; direct 0: libpng alone, the way
// every file was read before.
Result<Image> decodeBy(bool direct, const Bytes& file) {
    return direct ? decodePng(file) : png::decodeWithLibpng(file);
}

void BM_PngDecodeBy(benchmark::State& state) {
    const Bytes& file = photoPngBytes();
    for (auto _ : state) {
        auto image = decodeBy(state.range(0) == 1, file);
        if (!image) state.SkipWithError(image.error().c_str());
        benchmark::DoNotOptimize(image.value().pixels().data());
    }
}
BENCHMARK(BM_PngDecodeBy)->Arg(1)->Arg(0)->ArgName("direct")->Unit(benchmark::kMillisecond);

// The twelve Kodak photos (768 x 512), as files.
const std::vector<Bytes>& kodakFiles() {
    static const std::vector<Bytes> files = [] {
        std::vector<Bytes> all;
        for (int i = 1; i <= 12; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "photos/kodim%02d.png", i);
            auto read = readFileBytes(sharedPath(name));
            if (read) all.emplace_back(read.value().begin(), read.value().end());
        }
        return all;
    }();
    return files;
}

// The twelve Kodak photos one after another.
void BM_PngDecodeKodak(benchmark::State& state) {
    for (auto _ : state) {
        for (const Bytes& file : kodakFiles()) {
            auto image = decodeBy(state.range(0) == 1, file);
            if (!image) state.SkipWithError(image.error().c_str());
            benchmark::DoNotOptimize(image.value().pixels().data());
        }
    }
}
BENCHMARK(BM_PngDecodeKodak)->Arg(1)->Arg(0)->ArgName("direct")->Unit(benchmark::kMillisecond);

// The twelve Kodak photos written as true-colour files one after another.
void BM_PngEncodeKodak(benchmark::State& state) {
    static const std::vector<Image> photos = [] {
        std::vector<Image> all;
        for (const Bytes& file : kodakFiles()) all.push_back(decodePng(file).value());
        return all;
    }();
    std::size_t size = 0;
    for (auto _ : state) {
        size = 0;
        for (const Image& photo : photos) {
            auto file = encodePng(photo, {.trueColor = true});
            if (!file) state.SkipWithError(file.error().c_str());
            size += file.value().size();
        }
    }
    setBytesCounter(state, size);
}
BENCHMARK(BM_PngEncodeKodak)->Unit(benchmark::kMillisecond);

void BM_PngEncode(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    std::size_t size = 0;
    for (auto _ : state) {
        auto file = encodePng(photo);
        if (!file) state.SkipWithError(file.error().c_str());
        size = file.value().size();
    }
    setBytesCounter(state, size);
}
BENCHMARK(BM_PngEncode)->Unit(benchmark::kMillisecond);

// The photo again, without counting its colours first: the difference to BM_PngEncode is
// what looking for a palette costs a photo.
void BM_PngEncodeTrueColor(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    std::size_t size = 0;
    for (auto _ : state) {
        auto file = encodePng(photo, {.trueColor = true});
        if (!file) state.SkipWithError(file.error().c_str());
        size = file.value().size();
    }
    setBytesCounter(state, size);
}
BENCHMARK(BM_PngEncodeTrueColor)->Unit(benchmark::kMillisecond);

// The photo after Popularity, 256 colours, dithered, as the editor saves a quantized picture.
const Image& quantizedPhoto() {
    static const Image quantized = [] {
        QuantizeContext context;
        return quantizeImage(twelveMegapixelPhoto(),
                             {.method = QuantizeMethod::Popularity, .limit = 256, .dither = true},
                             context)
            .work;
    }();
    return quantized;
}

// palette 1: the palette file written by default; palette 0: the true-colour option.
void BM_PngEncodeQuantized(benchmark::State& state) {
    const Image& picture = quantizedPhoto();
    const PngOptions options{.trueColor = state.range(0) == 0};
    std::size_t size = 0;
    for (auto _ : state) {
        auto file = encodePng(picture, options);
        if (!file) state.SkipWithError(file.error().c_str());
        size = file.value().size();
    }
    setBytesCounter(state, size);
}
BENCHMARK(BM_PngEncodeQuantized)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("palette")
    ->Unit(benchmark::kMillisecond);

void BM_JpegDecode(benchmark::State& state) {
    const Bytes& file = photoJpegBytes();
    for (auto _ : state) {
        auto image = decodeJpeg(file);
        if (!image) state.SkipWithError(image.error().c_str());
        benchmark::DoNotOptimize(image.value().pixels().data());
    }
}
BENCHMARK(BM_JpegDecode)->Unit(benchmark::kMillisecond);

void BM_JpegEncode(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    std::size_t size = 0;
    for (auto _ : state) {
        auto file = encodeJpeg(photo);
        if (!file) state.SkipWithError(file.error().c_str());
        size = file.value().size();
    }
    setBytesCounter(state, size);
}
BENCHMARK(BM_JpegEncode)->Unit(benchmark::kMillisecond);

// --- libpng called plainly ---

struct MemoryReader {
    const Bytes* file;
    std::size_t offset;
};

void readPlain(png_structp png, png_bytep out, std::size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->file->size() - reader->offset) png_error(png, "short file");
    std::memcpy(out, reader->file->data() + reader->offset, length);
    reader->offset += length;
}

// Straight libpng: RGB rows with a filler byte, the least it takes to get RGBA.
bool libpngDecode(const Bytes& file, Bytes& pixels, std::vector<png_bytep>& rows) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{&file, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, readPlain);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    pixels.resize(std::size_t{width} * height * 4);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = pixels.data() + std::size_t{y} * width * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

void BM_PngDecodeLibpngPlain(benchmark::State& state) {
    const Bytes& file = photoPngBytes();
    for (auto _ : state) {
        Bytes pixels;  // allocated per run, as our decoder allocates its image
        std::vector<png_bytep> rows;
        if (!libpngDecode(file, pixels, rows)) state.SkipWithError("libpng failed");
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_PngDecodeLibpngPlain)->Unit(benchmark::kMillisecond);

void appendPlain(png_structp png, png_bytep data, std::size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void flushPlain(png_structp) {}

// libpng's defaults (zlib level 6, adaptive filters) for the file size comparison.
bool libpngEncodeDefaults(const Image& image, Bytes& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, appendPlain, flushPlain);
    png_set_IHDR(png, info, image.width(), image.height(), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < image.height(); ++y) {
        png_write_row(png, reinterpret_cast<png_const_bytep>(image.row(y)));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

void BM_PngEncodeLibpngDefaults(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    std::size_t size = 0;
    for (auto _ : state) {
        Bytes out;
        if (!libpngEncodeDefaults(photo, out)) state.SkipWithError("libpng failed");
        size = out.size();
    }
    setBytesCounter(state, size);
}
BENCHMARK(BM_PngEncodeLibpngDefaults)->Unit(benchmark::kMillisecond)->Iterations(1);

// --- libjpeg-turbo called plainly (its default error handler exits on error) ---

// rgba 0: libjpeg's default packed RGB output; rgba 1: RGBA, the layout our images have.
void BM_JpegDecodeLibjpegPlain(benchmark::State& state) {
    const Bytes& file = photoJpegBytes();
    const J_COLOR_SPACE output = state.range(0) != 0 ? JCS_EXT_RGBA : JCS_RGB;
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr errors;
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = output;
        jpeg_start_decompress(&cinfo);
        const std::size_t stride = std::size_t{cinfo.output_width} * cinfo.output_components;
        Bytes pixels(stride * cinfo.output_height);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_JpegDecodeLibjpegPlain)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("rgba")
    ->Unit(benchmark::kMillisecond);

void BM_JpegEncodeLibjpegPlain(benchmark::State& state) {
    const Image& photo = twelveMegapixelPhoto();
    const Bytes& rgb = photoPackedRgb();
    unsigned long size = 0;
    for (auto _ : state) {
        jpeg_compress_struct cinfo;
        jpeg_error_mgr errors;
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_compress(&cinfo);
        unsigned char* buffer = nullptr;
        size = 0;
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = static_cast<JDIMENSION>(photo.width());
        cinfo.image_height = static_cast<JDIMENSION>(photo.height());
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, kJpegQuality, TRUE);
        jpeg_start_compress(&cinfo, TRUE);
        const std::size_t stride = std::size_t{cinfo.image_width} * 3;
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<std::uint8_t*>(rgb.data()) + stride * cinfo.next_scanline;
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        Bytes file(buffer, buffer + size);  // our encoder hands back a vector too
        std::free(buffer);
        benchmark::DoNotOptimize(file.data());
    }
    setBytesCounter(state, size);
}
BENCHMARK(BM_JpegEncodeLibjpegPlain)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vd::bench

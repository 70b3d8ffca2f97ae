#include "tests/support/hostile_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "io/image_codec.h"
#include "tests/io/bmp_test_file.h"

namespace vd::test {

void putBigEndian32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putChunk(Bytes& out, const char* type, const Bytes& data) {
    putBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    putBigEndian32(out, static_cast<std::uint32_t>(crc32(0, typed.data(), typed.size())));
}

Bytes ihdr(std::uint32_t width, std::uint32_t height, int bitDepth, int colorType) {
    Bytes data;
    putBigEndian32(data, width);
    putBigEndian32(data, height);
    data.push_back(static_cast<std::uint8_t>(bitDepth));
    data.push_back(static_cast<std::uint8_t>(colorType));
    data.insert(data.end(), {0, 0, 0});  // deflate, adaptive filters, not interlaced
    return data;
}

Bytes deflated(const Bytes& raw) {
    uLongf size = compressBound(raw.size());
    Bytes out(size);
    EXPECT_EQ(compress(out.data(), &size, raw.data(), raw.size()), Z_OK);
    out.resize(size);
    return out;
}

Bytes buildPng(const PngParts& parts) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(out, "IHDR", ihdr(parts.width, parts.height, parts.bitDepth, parts.colorType));
    for (const auto& [type, data] : parts.beforeData)
        putChunk(out, type.c_str(), data);
    putChunk(out, "IDAT", deflated(parts.rows));
    putChunk(out, "IEND", {});
    return out;
}

Bytes headerOnlyPng(std::uint32_t width, std::uint32_t height) {
    PngParts parts;
    parts.width = width;
    parts.height = height;
    parts.rows = Bytes(64, 0);
    return buildPng(parts);
}

namespace {

Bytes pngWithCorruptedIhdrCrc() {
    Bytes bytes = headerOnlyPng(1, 1);
    bytes[29] ^= 0x01;  // last byte of the IHDR CRC
    return bytes;
}

Bytes pngWithoutIdat() {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(out, "IHDR", ihdr(1, 1, 8, 2));
    putChunk(out, "IEND", {});
    return out;
}

// A text chunk whose length claims 600 MB of a 60-byte file: must not be buffered.
Bytes pngWithHugeTextChunk() {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(out, "IHDR", ihdr(1, 1, 8, 2));
    putBigEndian32(out, 600'000'000);
    out.insert(out.end(), {'t', 'E', 'X', 't', 'a', 0, 'b'});
    return out;
}

Image smallPicture() {
    Image picture(16, 16, 24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            picture.at(x, y) = makeColor(x * 16, y * 16, 128);
    return picture;
}

Bytes cutInHalf(Bytes bytes) {
    bytes.resize(bytes.size() / 2);
    return bytes;
}

}  // namespace

Bytes jpegClaiming(int width, int height) {
    Bytes file = encodeJpeg(smallPicture()).value();
    // The baseline frame header: FF C0, length, precision, height, width.
    for (std::size_t i = 0; i + 8 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xC0) {
            file[i + 5] = static_cast<std::uint8_t>(height >> 8);
            file[i + 6] = static_cast<std::uint8_t>(height & 0xFF);
            file[i + 7] = static_cast<std::uint8_t>(width >> 8);
            file[i + 8] = static_cast<std::uint8_t>(width & 0xFF);
            return file;
        }
    }
    ADD_FAILURE() << "the encoder wrote no baseline frame header";
    return file;
}

Bytes bmpClaiming(int width, int height) {
    TestBmp bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.pixels = Bytes((static_cast<std::size_t>(width) * 3 + 3) / 4 * 4, 0x80);
    return bmp.bytes();
}

std::vector<HostileFile> hostilePngFiles() {
    return {
        {"png_signature_only", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, ""},
        {"png_side_over_limit", headerOnlyPng(100000, 100000),
         "100000 x 100000 pixels, over the 100-megapixel limit"},
        {"png_one_side_over_limit", headerOnlyPng(40000, 10),
         "40000 x 10 pixels, over the 100-megapixel limit"},
        {"png_pixels_over_limit", headerOnlyPng(30000, 30000),
         "30000 x 30000 pixels, over the 100-megapixel limit"},
        {"png_tiny_data_for_a_big_picture", headerOnlyPng(20000, 4000), "too short"},
        {"png_ihdr_crc", pngWithCorruptedIhdrCrc(), "CRC"},
        {"png_no_idat", pngWithoutIdat(), ""},
        {"png_huge_text_chunk", pngWithHugeTextChunk(), ""},
        {"png_cut_in_half", cutInHalf(encodePng(smallPicture()).value()), ""},
    };
}

std::vector<HostileFile> hostileJpegFiles() {
    return {
        {"jpeg_soi_eoi_only", {0xFF, 0xD8, 0xFF, 0xD9}, ""},
        {"jpeg_frame_65000_square", jpegClaiming(65000, 65000),
         "65000 x 65000 pixels, over the 100-megapixel limit"},
        {"jpeg_frame_over_pixel_limit", jpegClaiming(20000, 20000),
         "20000 x 20000 pixels, over the 100-megapixel limit"},
        {"jpeg_frame_height_zero", jpegClaiming(16, 0), ""},
        {"jpeg_frame_width_zero", jpegClaiming(0, 16), ""},
        {"jpeg_cut_in_half", cutInHalf(encodeJpeg(smallPicture()).value()), ""},
    };
}

std::vector<HostileFile> hostileBmpFiles() {
    return {
        {"bmp_over_pixel_limit", bmpClaiming(20000, 20000),
         "20000 x 20000 pixels, over the 100-megapixel limit"},
        {"bmp_side_over_limit", bmpClaiming(40000, 10),
         "40000 x 10 pixels, over the 100-megapixel limit"},
        {"bmp_cut_in_half", cutInHalf(encodeBmp(smallPicture()).value()), ""},
        {"bmp_header_only", {'B', 'M', 0, 0, 0, 0}, ""},
    };
}

std::vector<HostileFile> notPictures() {
    const std::string text = "This is a text file, not a picture.\n";
    return {
        {"empty", {}, ""},
        {"text", Bytes(text.begin(), text.end()), ""},
    };
}

std::vector<HostileFile> hostileFiles() {
    std::vector<HostileFile> files = notPictures();
    for (auto group : {hostilePngFiles(), hostileJpegFiles(), hostileBmpFiles()})
        files.insert(files.end(), group.begin(), group.end());
    return files;
}

}  // namespace vd::test

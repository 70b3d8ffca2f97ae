#pragma once

// Files a picture reader must refuse, built byte by byte: damaged, cut short, lying about
// their size, or no picture at all. The codec tests feed them to the decoders, the editor's
// scenario to Load.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace vd::test {

using Bytes = std::vector<std::uint8_t>;

struct HostileFile {
    std::string name;          // also the file name the scenario writes it under
    Bytes bytes;
    std::string errorMentions;  // empty: any refusal will do
};

// --- A small PNG writer of our own, for files libpng's writer would not make. ---
void putBigEndian32(Bytes& out, std::uint32_t value);
void putChunk(Bytes& out, const char* type, const Bytes& data);
Bytes ihdr(std::uint32_t width, std::uint32_t height, int bitDepth, int colorType);
Bytes deflated(const Bytes& raw);

struct PngParts {
    std::uint32_t width = 1, height = 1;
    int bitDepth = 8, colorType = 2;
    std::vector<std::pair<std::string, Bytes>> beforeData;  // PLTE, tRNS ...
    Bytes rows;  // filtered rows: a filter byte (0 here) then the packed samples
};
Bytes buildPng(const PngParts& parts);
// A whole PNG of a size whose pixel data is far too short for it.
Bytes headerOnlyPng(std::uint32_t width, std::uint32_t height);

// A JPEG of `width` x `height` made by the encoder, then its frame header rewritten.
Bytes jpegClaiming(int width, int height);
// A 24-bit BMP whose header claims `width` x `height` over one row of data.
Bytes bmpClaiming(int width, int height);

std::vector<HostileFile> hostilePngFiles();
std::vector<HostileFile> hostileJpegFiles();
std::vector<HostileFile> hostileBmpFiles();
// An empty file and a text file.
std::vector<HostileFile> notPictures();
// All of the above.
std::vector<HostileFile> hostileFiles();

inline void PrintTo(const HostileFile& file, std::ostream* os) { *os << file.name; }

}  // namespace vd::test

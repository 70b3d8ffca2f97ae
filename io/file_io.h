#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "io/result.h"

namespace vd {

// Image files larger than this are refused before they are read.
constexpr std::uint64_t kMaxImageFileBytes = 1ull << 30;

Result<std::vector<std::uint8_t>> readFileBytes(const std::string& path,
                                                std::uint64_t maxBytes = kMaxImageFileBytes);

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`. On any failure the temporary file is removed and whatever was at `path` stays.
Status writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace vd

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "io/result.h"
#include "platform/image/color.h"

namespace vd {

// Palette files as other painting programs exchange them. The format follows the name's
// extension, case ignored:
//   .gpl  GIMP palette: "GIMP Palette", then optional "Name:" and "Columns:" lines, then one
//         "R G B[ name]" line per colour; lines starting with '#' and blank lines are skipped.
//         Written as GIMP writes it: "%3d %3d %3d\t<rrggbb>".
//   .pal  JASC-PAL: "JASC-PAL", "0100", the count, then exactly that many "R G B" lines.
//         Written with CRLF line ends; read with CRLF or LF.
//   .act  Adobe colour table: 256 RGB triples (768 bytes), unused ones zero, then the colour
//         count and the transparent index as big-endian 16-bit numbers (0xFFFF: none). Read
//         also in the bare 768-byte form, which holds 256 colours; the transparent index is
//         not used. At most 256 colours.
//   .hex  one rrggbb per line.
//   .txt and any other extension: one #rrggbb per line.
// The .hex and text forms are read alike: each line a colour with or without '#' (hex digits
// in either case), surrounding blanks ignored; blank lines and lines starting with ';' or "//"
// are skipped.
//
// A palette holds 1 to kMaxPaletteColors colours. Colours are read with 0 in the fourth byte;
// it is ignored on writing.
enum class PaletteFormat { Gpl, JascPal, Act, Hex, Text };

inline constexpr std::size_t kMaxPaletteColors = 65536;
inline constexpr std::size_t kMaxActColors = 256;

PaletteFormat paletteFormatForPath(std::string_view path);

// The colours of a palette file's contents, or one line of reason that names where the file
// goes wrong: "line 7: ..." for the text forms, "byte 768: ..." for .act. Nothing is returned
// from a file that is refused.
Result<std::vector<Color>> parsePalette(std::span<const std::uint8_t> bytes, PaletteFormat format);

// Reads and parses the file at `path` in the format of its extension. The reason of a refusal
// does not name the file; the caller puts the name in front.
Result<std::vector<Color>> readPaletteFile(const std::string& path);

// The bytes of a palette file. `name` is the palette's title where the format keeps one
// (.gpl); it is written on one line, so line breaks in it become spaces. Refused: no colours,
// more than kMaxPaletteColors, or more than 256 for .act.
Result<std::vector<std::uint8_t>> formatPalette(std::span<const Color> colors, PaletteFormat format,
                                                std::string_view name);

}  // namespace vd

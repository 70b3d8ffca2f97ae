// Feeds arbitrary bytes to the palette file reader in every format: it must refuse or give
// 1 to 65536 colours (256 for .act), never crash or read outside the data; a palette it
// accepts must be written and read back to the same colours.

#include <cstddef>
#include <cstdint>
#include <span>

#include "io/palette_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using vd::PaletteFormat;
    const std::span<const std::uint8_t> bytes(data, size);
    for (PaletteFormat format : {PaletteFormat::Gpl, PaletteFormat::JascPal, PaletteFormat::Act,
                                 PaletteFormat::Hex, PaletteFormat::Text}) {
        const auto colors = vd::parsePalette(bytes, format);
        if (!colors) continue;
        const std::size_t count = colors.value().size();
        const std::size_t most =
            format == PaletteFormat::Act ? vd::kMaxActColors : vd::kMaxPaletteColors;
        if (count == 0 || count > most) __builtin_trap();
        const auto written = vd::formatPalette(colors.value(), format, "fuzz");
        if (!written) __builtin_trap();
        const auto again = vd::parsePalette(written.value(), format);
        if (!again || again.value() != colors.value()) __builtin_trap();
    }
    return 0;
}

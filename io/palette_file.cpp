#include "io/palette_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "io/file_io.h"

namespace vd {

namespace {

// Even a GIMP palette of the largest size with long colour names stays far below this; a
// larger file is not a palette, and reading it whole would only cost memory.
constexpr std::uint64_t kMaxPaletteFileBytes = 64ull << 20;

constexpr std::size_t kActColorBytes = 3 * kMaxActColors;
constexpr std::size_t kActTrailerBytes = 4;

const char* const kTooManyColors = "more than 65,536 colours";
const char* const kNoColors = "the file holds no colours";

Error lineError(std::size_t line, const std::string& reason) {
    return Error{"line " + std::to_string(line) + ": " + reason};
}

Error byteError(std::size_t offset, const std::string& reason) {
    return Error{"byte " + std::to_string(offset) + ": " + reason};
}

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The lines of a text file without their line ends (LF or CRLF); a last line without one
// counts too.
std::vector<std::string_view> splitLines(std::span<const std::uint8_t> bytes) {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // A byte order mark is what some editors put in front of a saved text; it is no content.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Reads a decimal number of at most `maxDigits` digits from the front of `text`, after any
// blanks; nullopt when there are no digits or too many.
std::optional<unsigned> takeNumber(std::string_view& text, std::size_t maxDigits) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    std::size_t digits = 0;
    unsigned value = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) {
        if (digits == maxDigits) return std::nullopt;
        value = value * 10 + static_cast<unsigned>(text[digits] - '0');
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    text.remove_prefix(digits);
    return value;
}

// "R G B" at the front of `text`, each 0..255 and followed by a blank or the end; the rest
// (a colour's name, for GIMP) is left in `text`.
std::optional<Color> takeRgb(std::string_view& text) {
    int channel[3];
    for (int& value : channel) {
        const auto number = takeNumber(text, 3);
        if (!number || *number > 255 || (!text.empty() && !isBlank(text.front()))) {
            return std::nullopt;
        }
        value = static_cast<int>(*number);
    }
    return makeColor(channel[0], channel[1], channel[2]);
}

int hexDigit(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

const char* const kExpectedRgb = "expected three numbers 0..255";

Result<std::vector<Color>> parseGpl(std::span<const std::uint8_t> bytes) {
    const std::vector<std::string_view> lines = splitLines(bytes);
    if (lines.empty() || trimmed(lines[0]) != "GIMP Palette") {
        return lineError(1, "not a GIMP palette (the first line must be \"GIMP Palette\")");
    }
    std::vector<Color> colors;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t number = i + 1;
        std::string_view line = trimmed(lines[i]);
        if (line.empty() || line.front() == '#') continue;
        // The header lines come before the first colour, as GIMP writes them.
        if (colors.empty() && line.starts_with("Name:")) continue;
        if (colors.empty() && line.starts_with("Columns:")) {
            std::string_view rest = line.substr(8);
            const auto columns = takeNumber(rest, 3);
            if (!columns || *columns > 256 || !trimmed(rest).empty()) {
                return lineError(number, "Columns must be a whole number 0..256");
            }
            continue;
        }
        const auto color = takeRgb(line);
        if (!color) return lineError(number, kExpectedRgb);
        if (colors.size() == kMaxPaletteColors) return lineError(number, kTooManyColors);
        colors.push_back(*color);
    }
    if (colors.empty()) return Error{kNoColors};
    return colors;
}

Result<std::vector<Color>> parseJasc(std::span<const std::uint8_t> bytes) {
    const std::vector<std::string_view> lines = splitLines(bytes);
    if (lines.empty() || trimmed(lines[0]) != "JASC-PAL") {
        return lineError(1, "not a JASC palette (the first line must be \"JASC-PAL\")");
    }
    if (lines.size() < 2 || trimmed(lines[1]) != "0100") {
        return lineError(2, "expected the version 0100");
    }
    std::string_view countText = lines.size() < 3 ? std::string_view() : trimmed(lines[2]);
    const auto count = takeNumber(countText, 6);
    if (!count || !countText.empty()) {
        return lineError(3, "expected the colour count, a whole number 1..65536");
    }
    if (*count == 0) return lineError(3, "the colour count is 0; a palette needs a colour");
    if (*count > kMaxPaletteColors) {
        return lineError(3, "the colour count " + std::to_string(*count) + " is " + kTooManyColors);
    }
    constexpr std::size_t kFirst = 3;  // index of the first colour line
    const std::size_t end = kFirst + *count;
    std::vector<Color> colors;
    colors.reserve(*count);
    for (std::size_t i = kFirst; i < end; ++i) {
        if (i >= lines.size()) {
            return lineError(i + 1, "the file ends after " + std::to_string(colors.size()) +
                                        " of the " + std::to_string(*count) +
                                        " colours line 3 announces");
        }
        std::string_view line = lines[i];
        const auto color = takeRgb(line);
        if (!color || !trimmed(line).empty()) return lineError(i + 1, kExpectedRgb);
        colors.push_back(*color);
    }
    for (std::size_t i = end; i < lines.size(); ++i) {
        if (!trimmed(lines[i]).empty()) {
            return lineError(
                i + 1, "more colours than the " + std::to_string(*count) + " line 3 announces");
        }
    }
    return colors;
}

Result<std::vector<Color>> parseAct(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kActColorBytes) {
        return byteError(bytes.size(), "the file ends inside the 768 bytes of colours");
    }
    std::size_t count = kMaxActColors;
    if (bytes.size() > kActColorBytes) {
        if (bytes.size() < kActColorBytes + kActTrailerBytes) {
            return byteError(bytes.size(),
                             "the file ends inside the colour count and transparent index");
        }
        if (bytes.size() > kActColorBytes + kActTrailerBytes) {
            return byteError(kActColorBytes + kActTrailerBytes,
                             "unexpected bytes after the colour count and transparent index");
        }
        count = static_cast<std::size_t>(bytes[kActColorBytes]) << 8 | bytes[kActColorBytes + 1];
        if (count == 0 || count > kMaxActColors) {
            return byteError(kActColorBytes,
                             "the colour count " + std::to_string(count) + " is not 1..256");
        }
        // The transparent index names an entry to leave see-through; a mapping has no use
        // for it, so whatever it holds is accepted.
    }
    std::vector<Color> colors(count);
    for (std::size_t i = 0; i < count; ++i) {
        colors[i] = makeColor(bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]);
    }
    return colors;
}

Result<std::vector<Color>> parseHexLines(std::span<const std::uint8_t> bytes) {
    const std::vector<std::string_view> lines = splitLines(bytes);
    std::vector<Color> colors;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = trimmed(lines[i]);
        if (line.empty() || line.starts_with(';') || line.starts_with("//")) continue;
        if (line.starts_with('#')) line.remove_prefix(1);
        Color color = 0;
        bool ok = line.size() == 6;
        for (std::size_t k = 0; ok && k < 6; ++k) {
            const int digit = hexDigit(line[k]);
            ok = digit >= 0;
            // rrggbb: the first pair is red, the colour's low byte.
            if (ok) color |= static_cast<Color>(digit) << (8 * (k / 2) + (k % 2 == 0 ? 4 : 0));
        }
        if (!ok) return lineError(i + 1, "expected a colour rrggbb or #rrggbb");
        if (colors.size() == kMaxPaletteColors) return lineError(i + 1, kTooManyColors);
        colors.push_back(color);
    }
    if (colors.empty()) return Error{kNoColors};
    return colors;
}

void append(std::vector<std::uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

PaletteFormat paletteFormatForPath(std::string_view path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    if (extension == ".gpl") return PaletteFormat::Gpl;
    if (extension == ".pal") return PaletteFormat::JascPal;
    if (extension == ".act") return PaletteFormat::Act;
    if (extension == ".hex") return PaletteFormat::Hex;
    return PaletteFormat::Text;
}

Result<std::vector<Color>> parsePalette(std::span<const std::uint8_t> bytes, PaletteFormat format) {
    switch (format) {
        case PaletteFormat::Gpl:
            return parseGpl(bytes);
        case PaletteFormat::JascPal:
            return parseJasc(bytes);
        case PaletteFormat::Act:
            return parseAct(bytes);
        case PaletteFormat::Hex:
        case PaletteFormat::Text:
            return parseHexLines(bytes);
    }
    return Error{"unknown palette format"};
}

Result<std::vector<Color>> readPaletteFile(const std::string& path) {
    auto bytes = readFileBytes(path, kMaxPaletteFileBytes);
    if (!bytes) return Error{bytes.error()};
    return parsePalette(bytes.value(), paletteFormatForPath(path));
}

Result<std::vector<std::uint8_t>> formatPalette(std::span<const Color> colors, PaletteFormat format,
                                                std::string_view name) {
    if (colors.empty()) return Error{"a palette needs at least one colour"};
    if (colors.size() > kMaxPaletteColors) {
        return Error{std::to_string(colors.size()) + " colours: a palette holds at most 65,536"};
    }
    if (format == PaletteFormat::Act && colors.size() > kMaxActColors) {
        return Error{std::to_string(colors.size()) + " colours: an .act palette holds at most 256"};
    }
    std::vector<std::uint8_t> out;
    char line[64];
    switch (format) {
        case PaletteFormat::Gpl: {
            std::string title(name);
            std::replace(title.begin(), title.end(), '\n', ' ');
            std::replace(title.begin(), title.end(), '\r', ' ');
            append(out, "GIMP Palette\nName: " + title + "\nColumns: 16\n#\n");
            for (Color c : colors) {
                std::snprintf(line, sizeof line, "%3d %3d %3d\t%02x%02x%02x\n", redOf(c),
                              greenOf(c), blueOf(c), redOf(c), greenOf(c), blueOf(c));
                append(out, line);
            }
            break;
        }
        case PaletteFormat::JascPal:
            append(out, "JASC-PAL\r\n0100\r\n" + std::to_string(colors.size()) + "\r\n");
            for (Color c : colors) {
                std::snprintf(line, sizeof line, "%d %d %d\r\n", redOf(c), greenOf(c), blueOf(c));
                append(out, line);
            }
            break;
        case PaletteFormat::Act: {
            out.assign(kActColorBytes + kActTrailerBytes, 0);
            for (std::size_t i = 0; i < colors.size(); ++i) {
                out[3 * i] = static_cast<std::uint8_t>(redOf(colors[i]));
                out[3 * i + 1] = static_cast<std::uint8_t>(greenOf(colors[i]));
                out[3 * i + 2] = static_cast<std::uint8_t>(blueOf(colors[i]));
            }
            out[kActColorBytes] = static_cast<std::uint8_t>(colors.size() >> 8);
            out[kActColorBytes + 1] = static_cast<std::uint8_t>(colors.size() & 0xFF);
            out[kActColorBytes + 2] = 0xFF;  // no transparent entry
            out[kActColorBytes + 3] = 0xFF;
            break;
        }
        case PaletteFormat::Hex:
        case PaletteFormat::Text:
            for (Color c : colors) {
                std::snprintf(line, sizeof line, "#%02x%02x%02x\n", redOf(c), greenOf(c),
                              blueOf(c));
                // .hex is the same line without the '#'.
                append(out, format == PaletteFormat::Hex ? line + 1 : line);
            }
            break;
    }
    return out;
}

}  // namespace vd

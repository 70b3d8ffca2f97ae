#include "tools/cli/stats.h"

#include <cmath>
#include <cstdio>
#include <mutex>

#include "quantize/count_colors.h"
#include "quantize/quality.h"

namespace vd::cli {

namespace {

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string jsonNumber(double value, const char* format) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

void printStats(const StatsLine& line, const Image& input, const Image& result) {
    const double milliseconds =
        std::chrono::duration<double, std::milli>(StatsClock::now() - line.start).count();
    const bool comparable = input.width() == result.width() && input.height() == result.height();
    const double figure = comparable ? psnr(input, result) : NAN;
    const std::string text =
        "{\"input\": " + jsonString(line.input) + ", \"output\": " + jsonString(line.output) +
        ", \"method\": " + jsonString(line.method) +
        ", \"limit\": " + (line.limit ? std::to_string(*line.limit) : "null") +
        ", \"dither\": " + (line.dither ? "true" : "false") +
        ", \"colors\": " + std::to_string(countColors(result)) +
        ", \"psnr\": " + jsonNumber(figure, "%.4f") +
        ", \"ms\": " + jsonNumber(milliseconds, "%.1f") + "}\n";
    static std::mutex printing;
    const std::lock_guard lock(printing);
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace vd::cli

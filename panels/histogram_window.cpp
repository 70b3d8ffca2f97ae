// The histogram window: per-level pixel counts of red, green and blue drawn as bars, and the
// average colour shown in the title, in a ratio line under the graph and as the window's
// background.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/commands.h"
#include "adjust/level_counts.h"
#include "platform/image/draw.h"

namespace vd {

namespace {

constexpr int kGraphWidth = 256;
constexpr int kGraphHeight = 128;
constexpr int kGraphBottom = kGraphHeight - 1;
constexpr gui::Size kWindowInner{350, 178};
constexpr gui::Rect kGraphRect{10, 10, kGraphWidth, kGraphHeight};
constexpr gui::Rect kRatioRect{10, 143, 256, 30};
// The panel holding the check boxes; the boxes' own rectangles are inside it.
constexpr gui::Point kBoxPanel{275, 10};
// Where the window opens relative to the main window's outer corner plus the scroll area.
constexpr gui::Point kOpenOffset{10, 32};

// Levels 0..4 and 251..255 stay out of the vertical scale when "ExEx" is ticked, so that
// large areas of pure black or white do not flatten the rest of the graph.
constexpr int kExtremeLow = 5;
constexpr int kExtremeHigh = 250;

// Bar and line colours of the three channels.
constexpr Color kRedLine = 0x0000FF;
constexpr Color kGreenLine = 0x00FF00;
constexpr Color kBlueLine = 0xFF0000;

// The strip (0, 0, 266, 10) above the graph, redrawn in the average colour with every update
// so that old dots vanish. Its picture is three columns wider so that a dot at level 255 is
// whole; those columns show the window's background, which is the average colour too.
constexpr int kStripWidth = 266;
constexpr int kStripHeight = 10;
constexpr int kDotRadius = 3;
constexpr int kDotY = 5;

constexpr const char* kInitialRatioText = "RGB ratio:";

struct ChannelBox {
    ControlNumber box;
    const char* label;
    gui::Rect place;  // inside the panel
};
constexpr std::array<ChannelBox, 5> kBoxes{{
    {GAD_HIST_RED, "RED", {5, 5, 55, 25}},
    {GAD_HIST_GREEN, "GRN", {5, 35, 55, 25}},
    {GAD_HIST_BLUE, "BLU", {5, 65, 55, 25}},
    {GAD_HIST_EXEX, "ExEx", {5, 95, 60, 25}},
    {GAD_HIST_AVG, "AVG", {5, 125, 60, 25}},
}};

// One channel as the display sees it.
struct Channel {
    bool ticked;
    Color line;
    const std::array<std::int32_t, 256>& counts;
    std::int32_t maximum;
    std::int32_t& average;
};

// ---- Counting

void storeCounts(const std::array<std::uint32_t, 256>& table,
                 std::array<std::int32_t, 256>& counts) {
    for (int level = 0; level < 256; ++level)
        counts[level] = static_cast<std::int32_t>(table[level]);
}

std::int32_t largestCount(const std::array<std::int32_t, 256>& counts, int first, int last) {
    return *std::max_element(counts.begin() + first, counts.begin() + last + 1);
}

bool isTicked(const gui::Gui& g, ControlNumber box) {
    return g.controlExists(box) && g.isChecked(box);
}

// ---- Opening and closing

void closeHistogramWindow(AppState& s) {
    if (!s.gui->windowExists(WIN_HISTOGRAM)) return;
    s.images.free(IMG_HISTOGRAM);
    s.gui->closeWindow(WIN_HISTOGRAM);
}

gui::Rect offsetBy(gui::Rect r, gui::Point by) {
    return {r.x + by.x, r.y + by.y, r.width, r.height};
}

void addHistogramControls(AppState& s) {
    gui::Gui& g = *s.gui;
    const Image blank(kGraphWidth, kGraphHeight, 24);
    s.histogramGraph = g.freshControlNumber();
    g.addPicture(WIN_HISTOGRAM, s.histogramGraph, kGraphRect, blank, false);
    for (const ChannelBox& entry : kBoxes) {
        g.addCheckBox(WIN_HISTOGRAM, entry.box, offsetBy(entry.place, kBoxPanel), entry.label);
        g.setChecked(entry.box, true);
    }
    g.setToolTip(GAD_HIST_EXEX, "Exclude Extremes");
    g.setToolTip(GAD_HIST_AVG, "Show RGB average lines");
    s.histogramRatio = g.freshControlNumber();
    g.addTextLabel(WIN_HISTOGRAM, s.histogramRatio, kRatioRect, kInitialRatioText, std::nullopt,
                   true);
}

bool openHistogramWindow(AppState& s) {
    gui::Gui& g = *s.gui;
    const gui::Point mainCorner = g.outerPosition(WIN_MAIN);
    const gui::Rect scroll = g.controlRect(GAD_SCROLL);
    const gui::Rect place{mainCorner.x + scroll.x + kOpenOffset.x,
                          mainCorner.y + scroll.y + kOpenOffset.y, kWindowInner.width,
                          kWindowInner.height};
    // The window only reports: the main window keeps the activation, so its shortcuts work.
    if (!g.openWindow(WIN_HISTOGRAM, place, "Histogram", gui::WindowStyle::Tool, WIN_MAIN, false))
        return false;
    // Esc does what the close box does.
    g.setDialogKeys(WIN_HISTOGRAM, {});
    addHistogramControls(s);
    if (!s.images.exists(IMG_HISTOGRAM))
        s.images.create(IMG_HISTOGRAM, kGraphWidth, kGraphHeight, 24, 0);
    return true;
}

// ---- Drawing

// Row of the top of a bar: 127 - count * scale in single precision, to the nearest integer
// with halves to even. Counts above the scale maximum (excluded extremes) would reach far
// above the graph; everything above row -1 is cut off anyway.
int barTop(std::int32_t count, float scale) {
    const float top = static_cast<float>(kGraphBottom) - static_cast<float>(count) * scale;
    return static_cast<int>(std::max(std::nearbyint(top), -1.0f));
}

void drawBars(DrawTarget& target, const std::array<Channel, 3>& channels, std::int32_t scaleMax) {
    // With nothing to scale by there is nothing to draw: no channel is ticked, or every pixel
    // of the ticked ones lies in the excluded extremes.
    if (scaleMax <= 0) return;
    const float scale = 128.0f / static_cast<float>(scaleMax);
    for (int x = 0; x < kGraphWidth; ++x) {
        for (const Channel& channel : channels) {
            if (channel.line == 0) continue;  // XOR with 0 leaves the graph unchanged
            target.line(x, kGraphBottom, x, barTop(channel.counts[x], scale), channel.line);
        }
    }
}

void drawAverageLines(DrawTarget& target, const std::array<Channel, 3>& channels, bool showAvg) {
    for (const Channel& channel : channels)
        if (channel.ticked && showAvg)
            target.line(channel.average, 0, channel.average, kGraphBottom, channel.line);
}

std::string ratioText(const std::array<Channel, 3>& channels) {
    int sum = 0;
    for (const Channel& channel : channels)
        sum += channel.average;
    if (sum == 0) sum = 1;
    const auto part = [&](int i) { return static_cast<double>(channels[i].average) / sum; };
    char text[96];
    std::snprintf(text, sizeof text, "RGB Ratio = (%.3f, %.3f, %.3f)", part(0), part(1), part(2));
    return text;
}

std::string titleText(const std::array<Channel, 3>& channels) {
    return "Histogram | RGB Average = (" + std::to_string(channels[0].average) + ", " +
           std::to_string(channels[1].average) + ", " + std::to_string(channels[2].average) + ")";
}

// Light text on a dark average, dark text on a light one.
Color ratioTextColor(Color average) {
    const int brightness = (2 * redOf(average) + 4 * greenOf(average) + blueOf(average)) / 7;
    return brightness < 128 ? 0xFFFFFFu : 0x000000u;
}

Image averageStrip(const std::array<Channel, 3>& channels, Color average, bool showAvg) {
    Image strip(kStripWidth + kDotRadius, kStripHeight, 24, average);
    if (!showAvg) return strip;
    DrawTarget target(strip);
    for (const Channel& channel : channels)
        if (channel.ticked)
            target.filledCircle(channel.average + kGraphRect.x, kDotY, kDotRadius, channel.line);
    return strip;
}

std::array<Channel, 3> channelsOf(AppState& s) {
    const gui::Gui& g = *s.gui;
    HistogramRecord& h = s.HistogramData;
    const bool red = isTicked(g, GAD_HIST_RED);
    const bool green = isTicked(g, GAD_HIST_GREEN);
    const bool blue = isTicked(g, GAD_HIST_BLUE);
    return {{
        {red, red ? kRedLine : 0, h.redCounts, h.redMaximum, h.redAverage},
        {green, green ? kGreenLine : 0, h.greenCounts, h.greenMaximum, h.greenAverage},
        {blue, blue ? kBlueLine : 0, h.blueCounts, h.blueMaximum, h.blueAverage},
    }};
}

// Unticked channels count as 0 in the averages, and so in everything that shows them.
Color dropUntickedChannels(std::array<Channel, 3>& channels, Color average) {
    constexpr std::array<Color, 3> kByteMasks{0x0000FFu, 0x00FF00u, 0xFF0000u};
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (channels[i].ticked) continue;
        average &= ~kByteMasks[i];
        channels[i].average = 0;
    }
    return average;
}

std::int32_t scaleMaximum(const std::array<Channel, 3>& channels) {
    std::int32_t m = 0;
    for (const Channel& channel : channels)
        if (channel.ticked) m = std::max(m, channel.maximum);
    return m;
}

void drawGraph(AppState& s, const std::array<Channel, 3>& channels, std::int32_t scaleMax,
               bool showAvg) {
    // Made when the window opened and freed when it closes.
    Image* graph = s.images.get(IMG_HISTOGRAM);
    if (graph == nullptr) return;
    DrawTarget target(*graph);
    target.filledBox(0, 0, kGraphWidth, kGraphHeight, 0);
    // XOR on black mixes overlapping bars: red and green give yellow, all three white.
    target.setMode(DrawMode::Xor);
    drawBars(target, channels, scaleMax);
    target.setMode(DrawMode::Default);
    drawAverageLines(target, channels, showAvg);
}

void showResults(AppState& s, const std::array<Channel, 3>& channels, Color average, bool showAvg) {
    gui::Gui& g = *s.gui;
    g.setTextStyle(s.histogramRatio, gui::FontChoice{}, ratioTextColor(average), average);
    g.setText(s.histogramRatio, ratioText(channels));
    g.setTitle(WIN_HISTOGRAM, titleText(channels));
    g.setBackground(WIN_HISTOGRAM, average);
    if (const Image* graph = s.images.get(IMG_HISTOGRAM)) g.setPicture(s.histogramGraph, *graph);
    g.setSurfacePicture(WIN_HISTOGRAM, {0, 0}, averageStrip(channels, average, showAvg));
}

}  // namespace

std::optional<Color> computeHistogram(AppState& s, ImageNumber n) {
    const Image* image = s.images.get(n);
    if (image == nullptr) return std::nullopt;
    HistogramRecord& h = s.HistogramData;

    const LevelCounts levels = countLevels(*image);
    storeCounts(levels.red, h.redCounts);
    storeCounts(levels.green, h.greenCounts);
    storeCounts(levels.blue, h.blueCounts);

    const std::uint64_t pixels = std::max<std::uint64_t>(image->pixelCount(), 1);
    h.redAverage = static_cast<std::int32_t>(levels.redSum / pixels);
    h.greenAverage = static_cast<std::int32_t>(levels.greenSum / pixels);
    h.blueAverage = static_cast<std::int32_t>(levels.blueSum / pixels);

    const bool excludeExtremes = isTicked(*s.gui, GAD_HIST_EXEX);
    const int first = excludeExtremes ? kExtremeLow : 0;
    const int last = excludeExtremes ? kExtremeHigh : 255;
    h.redMaximum = largestCount(h.redCounts, first, last);
    h.greenMaximum = largestCount(h.greenCounts, first, last);
    h.blueMaximum = largestCount(h.blueCounts, first, last);

    return makeColor(h.redAverage, h.greenAverage, h.blueAverage);
}

void showHistogram(AppState& s, int n) {
    gui::Gui& g = *s.gui;
    if (n < 0 || !g.isChecked(GAD_HISTOGRAM)) {
        closeHistogramWindow(s);
        return;
    }
    if (!g.windowExists(WIN_HISTOGRAM) && !openHistogramWindow(s)) return;
    const std::optional<Color> computed = computeHistogram(s, imageNumber(n));
    if (!computed) return;

    std::array<Channel, 3> channels = channelsOf(s);
    const std::int32_t scaleMax = scaleMaximum(channels);
    const Color average = dropUntickedChannels(channels, *computed);
    const bool showAvg = isTicked(g, GAD_HIST_AVG);
    drawGraph(s, channels, scaleMax, showAvg);
    showResults(s, channels, average, showAvg);
}

void refreshHistogram(AppState& s) {
    // A selection that cannot be copied out leaves the whole image to show.
    showHistogram(s, toInt(selectionOrImageInView(s).value_or(s.imageInView)));
}

}  // namespace vd

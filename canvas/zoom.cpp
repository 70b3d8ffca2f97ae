// Zoom: a way of looking at the picture, never a change of it. The canvas keeps the picture's
// size and everything the program does stays in picture pixels; only the scale at which the
// canvas is shown changes, by a ladder of steps or to fit the picture into the window.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/commands.h"

namespace vd {

namespace {

struct ZoomStep {
    double scale;
    const char* label;
};
constexpr std::array<ZoomStep, 14> kSteps{{
    {1.0 / 16, "6.25%"},
    {1.0 / 8, "12.5%"},
    {1.0 / 4, "25%"},
    {1.0 / 3, "33.3%"},
    {1.0 / 2, "50%"},
    {2.0 / 3, "66.7%"},
    {1.0, "100%"},
    {2.0, "200%"},
    {3.0, "300%"},
    {4.0, "400%"},
    {6.0, "600%"},
    {8.0, "800%"},
    {12.0, "1200%"},
    {16.0, "1600%"},
}};
// Scales closer than this are the same step (fit scales fall between the steps).
constexpr double kSameScale = 1e-9;

double currentScale(const AppState& s) {
    return s.gui->canvasScale(GAD_CANVAS);
}

std::string zoomText(const AppState& s) {
    const double scale = currentScale(s);
    if (s.zoomFitsView) {
        char text[32];
        std::snprintf(text, sizeof text, "Fit %.1f%%", scale * 100.0);
        return text;
    }
    for (const ZoomStep& step : kSteps)
        if (std::abs(step.scale - scale) < kSameScale) return step.label;
    return {};
}

void setZoom(AppState& s, double scale, gui::ZoomAnchor anchor, bool fits) {
    rescaleCanvas(s, scale, anchor);
    s.zoomFitsView = fits;
    showZoom(s);
}

// The next step in or out from the current scale, which may lie between two steps.
double nextStep(double scale, bool in) {
    if (in) {
        for (const ZoomStep& step : kSteps)
            if (step.scale > scale + kSameScale) return step.scale;
        return kSteps.back().scale;
    }
    for (auto step = kSteps.rbegin(); step != kSteps.rend(); ++step)
        if (step->scale < scale - kSameScale) return step->scale;
    return kSteps.front().scale;
}

}  // namespace

double fitScale(int pictureWidth, int pictureHeight, gui::Size visible) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || visible.width <= 0 || visible.height <= 0)
        return 1.0;
    const double scale = std::min(static_cast<double>(visible.width) / pictureWidth,
                                  static_cast<double>(visible.height) / pictureHeight);
    return std::min(1.0, scale);
}

void zoomStep(AppState& s, bool in, gui::ZoomAnchor anchor) {
    setZoom(s, nextStep(currentScale(s), in), anchor, false);
}

void zoomToFit(AppState& s) {
    const Image& canvas = s.gui->canvasPixels(GAD_CANVAS);
    const double scale =
        fitScale(canvas.width(), canvas.height(), s.gui->scrollViewportSize(GAD_SCROLL));
    setZoom(s, scale, gui::ZoomAnchor::Centre, true);
}

void zoomToActualSize(AppState& s) {
    setZoom(s, 1.0, gui::ZoomAnchor::Centre, false);
}

void zoomByWheel(AppState& s, const gui::Event& event) {
    for (int i = 0; i < std::abs(event.delta); ++i)
        zoomStep(s, event.delta > 0, gui::ZoomAnchor::Pointer);
}

void resetZoom(AppState& s) {
    if (currentScale(s) == 1.0 && !s.zoomFitsView) return;
    // The picture is about to be replaced: its outline need not be drawn onto the pixels.
    clearSelection(s);
    setZoom(s, 1.0, gui::ZoomAnchor::Centre, false);
}

void showZoom(AppState& s) {
    s.gui->setStatusText(WIN_MAIN, 2, zoomText(s));
}

}  // namespace vd

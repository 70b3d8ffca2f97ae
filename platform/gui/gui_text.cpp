// The clipboard, and text drawn onto images.

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "platform/gui/gui_impl.h"

namespace vd::gui {

// ---- Clipboard

std::optional<Image> imageFromQt(const QImage& picture, int depth) {
    if (picture.isNull() || !sizeIsAllowed(picture.width(), picture.height())) return std::nullopt;
    // Pictures without alpha come out opaque.
    const QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    Image image(rgba.width(), rgba.height(), depth == 24 ? 24 : 32);
    for (int y = 0; y < rgba.height(); ++y) {
        const auto* line = reinterpret_cast<const Color*>(rgba.constScanLine(y));
        Color* out = image.row(y);
        for (int x = 0; x < rgba.width(); ++x)
            out[x] = depth == 24 ? (line[x] | kAlphaMask) : line[x];
    }
    return image;
}

std::optional<Image> Gui::clipboardImage(int depth) const {
    return imageFromQt(QGuiApplication::clipboard()->image(), depth);
}

void Gui::setClipboardImage(const Image& image) {
    if (image.empty()) return;
    QImage picture(image.width(), image.height(),
                   image.hasAlpha() ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<Color*>(picture.scanLine(y));
        const Color* in = image.row(y);
        for (int x = 0; x < image.width(); ++x)
            line[x] = image.hasAlpha() ? in[x] : (in[x] | kAlphaMask);
    }
    QGuiApplication::clipboard()->setImage(picture);
}

void Gui::setClipboardText(const std::string& text) {
    QGuiApplication::clipboard()->setText(toQt(text));
}

std::string Gui::clipboardText() const {
    return fromQt(QGuiApplication::clipboard()->text());
}

// ---- Text

QFont fontOf(const FontChoice& choice) {
    QFont font(toQt(choice.name));
    // Points at 96 dots per inch, rounded as Windows does for a font height.
    font.setPixelSize(std::max(1, (choice.points * 96 + 36) / 72));
    font.setBold(isBold(choice.style));
    font.setItalic(isItalic(choice.style));
    font.setUnderline(choice.underline);
    font.setStrikeOut(choice.strikeOut);
    return font;
}

Size Gui::textSize(const std::string& text, const FontChoice& font) const {
    const QFontMetrics metrics(fontOf(font));
    return {metrics.horizontalAdvance(toQt(text)), metrics.height()};
}

namespace {
// How much of each pixel the glyphs cover, 0..255, for a box of the text's size.
QImage coverageOf(const QString& text, const QFont& font, QSize box) {
    QImage coverage(box, QImage::Format_Alpha8);
    coverage.fill(0);
    QPainter painter(&coverage);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(QColor(0, 0, 0, 255));
    painter.drawText(0, QFontMetrics(font).ascent(), text);
    return coverage;
}

int mix(int from, int to, int weight) {
    return (from * (255 - weight) + to * weight + 127) / 255;
}

Color mixColour(Color pixel, Color color, int weight, bool alphaToo) {
    Color out = 0;
    for (int shift = 0; shift < (alphaToo ? 32 : 24); shift += 8) {
        const int from = static_cast<int>((pixel >> shift) & 0xFFu);
        const int to = static_cast<int>((color >> shift) & 0xFFu);
        out |= static_cast<Color>(mix(from, to, weight)) << shift;
    }
    return alphaToo ? out : (out | (pixel & kAlphaMask));
}

// Source-over of a straight-alpha colour with coverage already applied to its alpha.
Color sourceOver(Color pixel, Color color, int alpha) {
    const int below = alphaOf(pixel);
    const int outAlpha = alpha + (below * (255 - alpha) + 127) / 255;
    if (outAlpha == 0) return 0;
    Color out = static_cast<Color>(outAlpha) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const int s = static_cast<int>((color >> shift) & 0xFFu);
        const int d = static_cast<int>((pixel >> shift) & 0xFFu);
        const int value =
            (s * alpha * 255 + d * below * (255 - alpha) + outAlpha * 255 / 2) / (outAlpha * 255);
        out |= static_cast<Color>(std::clamp(value, 0, 255)) << shift;
    }
    return out;
}

Color paint(Color pixel, Color color, int coverage, DrawMode mode) {
    switch (mode) {
        case DrawMode::Default:
            return mixColour(pixel, color, coverage, false);
        case DrawMode::AllChannels:
            return mixColour(pixel, color, coverage, true);
        case DrawMode::Xor:
            // Half covered or more counts as drawn, so the same text twice is no text.
            return coverage >= 128 ? pixel ^ (color & kRgbMask) : pixel;
        case DrawMode::AlphaBlend:
            return sourceOver(pixel, color, (alphaOf(color) * coverage + 127) / 255);
    }
    return pixel;
}
}  // namespace

bool Gui::drawText(Image& image, Point at, const std::string& text, const FontChoice& font,
                   Color color, std::optional<Color> background, DrawMode mode) {
    if (image.empty()) return false;
    const QFont qfont = fontOf(font);
    const Size size = textSize(text, font);
    if (size.width <= 0 || size.height <= 0) return false;
    const QImage coverage = coverageOf(toQt(text), qfont, QSize(size.width, size.height));
    const int x0 = std::max(at.x, 0), x1 = std::min(at.x + size.width, image.width());
    const int y0 = std::max(at.y, 0), y1 = std::min(at.y + size.height, image.height());
    if (x0 >= x1 || y0 >= y1) return false;
    for (int y = y0; y < y1; ++y) {
        Color* row = image.row(y);
        const uchar* cover = coverage.constScanLine(y - at.y);
        for (int x = x0; x < x1; ++x) {
            if (background) row[x] = paint(row[x], *background, 255, mode);
            const int c = cover[x - at.x];
            if (c > 0) row[x] = paint(row[x], color, c, mode);
        }
    }
    if (!image.hasAlpha())
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                image.at(x, y) |= kAlphaMask;  // a 24-bit image stays opaque
    return true;
}

}  // namespace vd::gui

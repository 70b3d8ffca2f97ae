// Pictures painted on a window's own surface, between its background and its controls.

#include <QPainter>

#include "platform/gui/gui_impl.h"

namespace vd::gui {

void Gui::Impl::paintSurface(const WindowRecord& record, const QRegion& dirty) {
    if (record.surface.isNull() || !record.widget) return;
    const QRect area(record.surfaceAt, record.surface.size());
    if (!dirty.intersects(area)) return;
    QPainter painter(record.widget.data());
    painter.setClipRegion(dirty);
    painter.drawImage(record.surfaceAt, record.surface);
}

void Gui::setSurfacePicture(WindowNumber n, Point at, const Image& picture) {
    WindowRecord& record = impl_->window(n);
    // Both the old and the new place need repainting: the old one shows the background again.
    const QRect old(record.surfaceAt, record.surface.size());
    record.surface = picture.empty() ? QImage() : opaqueCopy(picture);
    record.surfaceAt = QPoint(at.x, at.y);
    record.widget->update(old);
    record.widget->update(QRect(record.surfaceAt, record.surface.size()));
}

}  // namespace vd::gui

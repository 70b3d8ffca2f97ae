// Drops on a window that takes them: one picture file, or a picture another program drops,
// becomes an Open event; anything else is refused, so the pointer says so while it drags.

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <system_error>

#include "io/image_codec.h"
#include "platform/gui/gui_impl.h"

namespace vd::gui {

namespace {

const QString kPngType = QStringLiteral("image/png");

// Files are recognised by their first bytes, as the reader recognises them, whatever their
// names say.
bool startsLikePicture(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::array<char, 8> head{};
    std::ifstream file(path, std::ios::binary);
    file.read(head.data(), head.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.data());
    const auto length = static_cast<std::size_t>(file.gcount());
    return detectFormat(std::span(bytes, length)) != ImageFormat::Unknown;
}

// The path of the one local picture file the drop holds.
std::optional<std::string> pictureFile(const QMimeData& mime) {
    const QList<QUrl> urls = mime.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
    std::string path = fromQt(urls.front().toLocalFile());
    if (!startsLikePicture(path)) return std::nullopt;
    return path;
}

bool holdsPicture(const QMimeData& mime) {
    return mime.hasFormat(kPngType) || mime.hasImage();
}

bool isWanted(const QMimeData* mime) {
    return mime && (pictureFile(*mime) || holdsPicture(*mime));
}

// PNG data goes through the program's own decoder, with its size limits, as a file would; a
// picture Qt already holds is taken as it is.
std::shared_ptr<const Image> droppedPicture(const QMimeData& mime) {
    if (mime.hasFormat(kPngType)) {
        const QByteArray data = mime.data(kPngType);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
        Result<DecodedImage> decoded =
            decodeImage(std::span(bytes, static_cast<std::size_t>(data.size())));
        if (!decoded) return nullptr;
        return std::make_shared<const Image>(std::move(decoded.value().image));
    }
    std::optional<Image> picture = imageFromQt(qvariant_cast<QImage>(mime.imageData()), 32);
    return picture ? std::make_shared<const Image>(std::move(*picture)) : nullptr;
}

// The file of the drop, or else its picture; nothing when the picture cannot be read.
std::optional<Event> openEventOf(const QMimeData& mime, WindowNumber w) {
    Event event;
    event.kind = EventKind::Open;
    event.window = w;
    if (const auto path = pictureFile(mime)) {
        event.path = *path;
        return event;
    }
    event.picture = droppedPicture(mime);
    if (!event.picture) return std::nullopt;
    return event;
}

}  // namespace

bool Gui::Impl::takeDrop(const QWidget* receiver, QEvent* event) {
    const auto n = windowAround(receiver);
    if (!n || !window(*n).takesDrops) return false;
    // Not even a field of the window takes text dropped on it.
    if (event->type() == QEvent::DragLeave) return true;
    // DragEnter and DragMove events are drop events too.
    auto* drop = static_cast<QDropEvent*>(event);
    // Decided as the drag comes in, not again at every move of the pointer: a file is
    // opened to be judged.
    if (event->type() == QEvent::DragEnter || drop->mimeData() != dragMime) {
        dragMime = drop->mimeData();
        dragWanted = isWanted(dragMime);
    }
    if (!dragWanted) {
        drop->ignore();
        return true;
    }
    if (event->type() == QEvent::Drop)
        if (const auto open = openEventOf(*drop->mimeData(), *n)) pushEvent(*open);
    drop->acceptProposedAction();
    return true;
}

void Gui::takeDrops(WindowNumber w) {
    WindowRecord& record = impl_->window(w);
    record.takesDrops = true;
    record.widget->setAcceptDrops(true);
}

}  // namespace vd::gui

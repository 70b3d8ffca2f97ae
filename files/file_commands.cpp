#include <cstdint>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "app/commands.h"
#include "files/file_names.h"
#include "io/image_codec.h"

// Load, Save and Revert move pictures between files, the reference image and the base image
// that Revert restores. Load and Revert always act on the reference image whatever is in view;
// Save always writes the image in view.

namespace vd {

namespace {

constexpr const char* kLoadTitle = "Select image to process";
constexpr const char* kLoadFilters = "image (*.png, *.jpg, *.bmp)|*.png;*.jpg;*.bmp|image *.*|*.*";
constexpr const char* kSaveTitle = "Save image";
constexpr const char* kSaveFilters = "image *.png|*.png|image *.jpg|*.jpg|image *.bmp|*.bmp";

// True when anything at all (file, folder, link) is at `path`; an unreadable place counts
// too, so the user is asked rather than surprised.
bool somethingExistsAt(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    return status.type() != std::filesystem::file_type::not_found;
}

// The reference and the base image that Revert restores share the decoded pixels until
// either is changed.
void installLoadedImage(AppState& s, Image&& picture) {
    if (s.firstLoad) {
        // The start pattern is not worth an undo step.
        s.firstLoad = false;
    } else {
        saveUndo(s, s.imgReference);
    }
    s.images.put(s.imgReference, picture);
    s.images.put(IMG_ORIGINAL, std::move(picture));
    resetZoom(s);
}

// Where the user looks, without a question box: field 0 of the status bar, until the
// picture is next shown.
void reportUnreadableFile(AppState& s, const std::string& path, const std::string& reason) {
    const std::string name = std::filesystem::path(path).filename().string();
    s.gui->setStatusText(WIN_MAIN, 0, "cannot read " + name + ": " + reason);
    s.statusNamesUnreadFile = true;
}

// Asks for the name to save under; empty when the user cancelled or declined to overwrite.
std::string chooseSavePath(AppState& s, ImageFormat& format) {
    gui::Requesters& ask = s.gui->requesters();
    const std::string defaultName = s.loadedTitle + "_vd" + s.gui->text(GAD_UNIQUE_COUNT);
    const gui::FileChoice choice = ask.saveFile(kSaveTitle, defaultName, kSaveFilters);
    if (choice.path.empty()) return {};
    // The filter decides the format and the extension, whatever the user typed.
    std::string path = withFilterExtension(choice.path, choice.filterIndex);
    format = filterFormat(choice.filterIndex);
    if (somethingExistsAt(path) &&
        !ask.askYesNo("File Exists!", "Do you wish to overwrite?", gui::YesNoDefault::No))
        return {};
    return path;
}

}  // namespace

void loadImageFile(AppState& s) {
    const gui::FileChoice choice =
        s.gui->requesters().openFile(kLoadTitle, s.gui->desktop().picturesFolder(), kLoadFilters);
    if (choice.path.empty()) return;
    loadImagePath(s, choice.path);
}

void loadImagePath(AppState& s, const std::string& path) {
    std::error_code unknownSize;
    const std::uintmax_t bytes = std::filesystem::file_size(path, unknownSize);
    const BusyCursor busy(*s.gui, !unknownSize && bytes >= kBusyFileBytes);
    // Recognised by content, so the "*.*" filter opens any picture whatever its name.
    Result<DecodedImage> decoded = readImageFile(path);
    // An unreadable file leaves everything as it was, the remembered name included.
    if (!decoded) {
        reportUnreadableFile(s, path, decoded.error());
        return;
    }
    installLoadedImage(s, std::move(decoded.value().image));
    s.loadedPath = path;
    s.loadedTitle = fileTitle(path);
    switchView(s, GAD_VIEW_REFERENCE);
}

void saveImageFile(AppState& s) {
    const Image* picture = s.images.get(s.imageInView);
    if (picture == nullptr) return;
    ImageFormat format = ImageFormat::Png;
    const std::string path = chooseSavePath(s, format);
    if (path.empty()) return;
    // The write goes through a temporary file, so a failure keeps any old file intact.
    const Status written = [&] {
        const BusyCursor busy(*s.gui, isBigPicture(s, s.imageInView));
        return writeImageFile(*picture, path, format);
    }();
    if (!written) {
        s.gui->requesters().showError(kSaveTitle,
                                      "Could not save " + path + ": " + written.error());
    }
}

void revertImage(AppState& s) {
    // Right after a load (no undo or redo step on the reference) there is nothing to revert.
    const int referenceSteps = UNDO_REFERENCE | REDO_REFERENCE;
    if ((s.undoFlags & referenceSteps) == 0 || !s.images.exists(IMG_ORIGINAL)) return;
    saveUndo(s, s.imgReference);
    s.images.copy(IMG_ORIGINAL, s.imgReference);
    switchView(s, GAD_VIEW_REFERENCE);
}

}  // namespace vd

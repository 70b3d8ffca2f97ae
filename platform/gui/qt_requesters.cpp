#include "platform/gui/qt_requesters.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <chrono>

#include "platform/gui/gui_impl.h"

namespace vd::gui {

std::vector<std::string> qtNameFilters(const std::string& filters) {
    const QStringList parts = toQt(filters).split(QLatin1Char('|'));
    std::vector<std::string> result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns)
            pattern = pattern.trimmed();
        // Qt reads the patterns from the last parentheses, whatever the description says.
        result.push_back(fromQt(parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                                QLatin1Char(')')));
    }
    return result;
}

namespace {
// A requester is a modal window of its own; when it closes, the window that asked gets the
// keyboard back, as window managers do, so the program's shortcuts keep working even on a
// desktop without one.
class ActivationKeeper {
  public:
    ActivationKeeper() : window_(QApplication::activeWindow()) {}
    ~ActivationKeeper() {
        if (window_) window_->activateWindow();
    }
    ActivationKeeper(const ActivationKeeper&) = delete;
    ActivationKeeper& operator=(const ActivationKeeper&) = delete;
    QWidget* window() const { return window_; }

  private:
    QPointer<QWidget> window_;
};

QStringList toQtList(const std::vector<std::string>& items) {
    QStringList list;
    for (const auto& item : items)
        list << toQt(item);
    return list;
}

}  // namespace

void applyFileFilters(QFileDialog& dialog, const std::string& filters) {
    const QStringList names = toQtList(qtNameFilters(filters));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The descriptions name their patterns already; Qt's own copy of them stays hidden.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (!names.isEmpty()) {
        dialog.setNameFilters(names);
        dialog.selectNameFilter(names.front());
    }
}

int selectedFilterIndex(const QFileDialog& dialog) {
    // With the details hidden the requester may report a filter by its description alone.
    const QString selected = dialog.selectedNameFilter();
    const QStringList names = dialog.nameFilters();
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString description = names[i].left(names[i].lastIndexOf(QLatin1String(" (")));
        if (names[i] == selected || description == selected) return static_cast<int>(i);
    }
    return 0;
}

namespace {

FileChoice runFileDialog(QFileDialog& dialog, const std::string& filters) {
    applyFileFilters(dialog, filters);
    FileChoice choice;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return choice;
    choice.path = fromQt(QDir::toNativeSeparators(dialog.selectedFiles().front()));
    choice.filterIndex = selectedFilterIndex(dialog);
    return choice;
}
}  // namespace

FileChoice QtRequesters::openFile(const std::string& title, const std::string& folder,
                                  const std::string& filters) {
    const ActivationKeeper asker;
    QFileDialog dialog(asker.window(), toQt(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    QString start = toQt(folder);
    if (!QDir(start).exists()) start = QDir::homePath();
    dialog.setDirectory(start);
    return runFileDialog(dialog, filters);
}

FileChoice QtRequesters::saveFile(const std::string& title, const std::string& defaultName,
                                  const std::string& filters) {
    const ActivationKeeper asker;
    QFileDialog dialog(asker.window(), toQt(title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The program asks about overwriting itself, once it knows the final name.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDirectory(QDir::homePath());
    dialog.selectFile(toQt(defaultName));
    return runFileDialog(dialog, filters);
}

std::optional<Color> QtRequesters::chooseColor(Color initial) {
    const ActivationKeeper asker;
    const QColor chosen = QColorDialog::getColor(toQColor(initial), asker.window());
    if (!chosen.isValid()) return std::nullopt;
    return fromQColor(chosen);
}

namespace {
// The requester lists installed families only, so the font starts from the one that
// answers for the name.
QFont qtFontOf(const FontChoice& choice) {
    QFont font(QFontInfo(QFont(toQt(choice.name))).family(), choice.points);
    font.setBold(isBold(choice.style));
    font.setItalic(isItalic(choice.style));
    font.setUnderline(choice.underline);
    font.setStrikeOut(choice.strikeOut);
    return font;
}

FontChoice choiceOf(const QFont& font, Color color) {
    FontChoice choice;
    choice.name = fromQt(font.family());
    choice.points = std::max(1, font.pointSize());
    choice.style = fontStyle(font.bold(), font.italic());
    choice.underline = font.underline();
    choice.strikeOut = font.strikeOut();
    choice.color = color;
    return choice;
}

// Qt's font requester has no text colour: it sits inside this dialog, under a colour
// button, and its own OK and Cancel (Return and Esc too) answer for both.
class FontAndColorDialog : public QDialog {
  public:
    FontAndColorDialog(QWidget* parent, const FontChoice& initial)
        : QDialog(parent),
          fonts_(new QFontDialog(qtFontOf(initial), this)),
          colorButton_(new QPushButton(QStringLiteral("Color..."), this)),
          color_(initial.color & kRgbMask),
          initialName_(initial.name),
          startFamily_(fonts_->currentFont().family()) {
        setWindowTitle(QStringLiteral("Font"));
        fonts_->setOption(QFontDialog::DontUseNativeDialog);
        fonts_->setWindowFlags(Qt::Widget);
        connect(fonts_, &QDialog::accepted, this, &QDialog::accept);
        connect(fonts_, &QDialog::rejected, this, &QDialog::reject);
        connect(colorButton_, &QPushButton::clicked, this, [this] { pickColor(); });
        auto* row = new QHBoxLayout;
        row->addWidget(colorButton_);
        row->addStretch();
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(row);
        layout->addWidget(fonts_);
        fonts_->setVisible(true);
        showColor();
    }

    FontChoice choice() const {
        FontChoice chosen = choiceOf(fonts_->currentFont(), color_);
        // A name such as "Arial" is listed under the family that answers for it; unchanged,
        // it keeps the name it was asked for.
        if (chosen.name == fromQt(startFamily_)) chosen.name = initialName_;
        return chosen;
    }

  private:
    void pickColor() {
        const QColor chosen = QColorDialog::getColor(toQColor(color_), this);
        if (!chosen.isValid()) return;
        color_ = fromQColor(chosen) & kRgbMask;
        showColor();
    }
    void showColor() {
        QPixmap swatch(16, 16);
        swatch.fill(toQColor(color_));
        colorButton_->setIcon(QIcon(swatch));
    }

    QFontDialog* fonts_;
    QPushButton* colorButton_;
    Color color_;
    std::string initialName_;
    QString startFamily_;
};
}  // namespace

std::optional<FontChoice> QtRequesters::chooseFont(const FontChoice& initial) {
    const ActivationKeeper asker;
    FontAndColorDialog dialog(asker.window(), initial);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

bool QtRequesters::askYesNo(const std::string& title, const std::string& text,
                            YesNoDefault preselected) {
    const ActivationKeeper asker;
    const QMessageBox::StandardButton first =
        preselected == YesNoDefault::Yes ? QMessageBox::Yes : QMessageBox::No;
    return QMessageBox::question(asker.window(), toQt(title), toQt(text),
                                 QMessageBox::Yes | QMessageBox::No, first) == QMessageBox::Yes;
}

void QtRequesters::showError(const std::string& title, const std::string& text) {
    const ActivationKeeper asker;
    QMessageBox::warning(asker.window(), toQt(title), toQt(text));
}

std::int64_t SystemClock::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int QtDesktop::screenWidth() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 1024;
}

int QtDesktop::screenHeight() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 768;
}

std::string QtDesktop::homeFolder() const {
    return fromQt(QStandardPaths::writableLocation(QStandardPaths::HomeLocation));
}

std::string QtDesktop::picturesFolder() const {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty() || !QDir(pictures).exists()) return homeFolder();
    return fromQt(pictures);
}

}  // namespace vd::gui

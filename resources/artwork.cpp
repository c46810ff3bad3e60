#include "resources/artwork.h"

#include <QDir>
#include <QString>

namespace korvane {

namespace {

// The compiled pictures lie in one resource folder as <name>_<width>x<height>.png;
// the rendering script decides the sizes, so they are found, not listed here.
const QString kFolder = QStringLiteral(":/korvane/artwork/");

QString BaseName(Artwork picture) {
    switch (picture) {
    case Artwork::TrayActivated:
        return QStringLiteral("tray_activated");
    case Artwork::TrayStopped:
        return QStringLiteral("tray_stopped");
    case Artwork::Window:
        return QStringLiteral("window");
    case Artwork::Warning:
        return QStringLiteral("warning");
    }
    return {};
}

} // namespace

QIcon ArtworkIcon(Artwork picture) {
    QIcon icon;
    const QStringList files = QDir(kFolder).entryList({BaseName(picture) + QStringLiteral("_*.png")}, QDir::Files);
    for (const QString& file : files) {
        icon.addFile(kFolder + file);
    }
    return icon;
}

QPixmap WarningPicture() {
    return QPixmap(kFolder + QStringLiteral("warning_30x31.png"));
}

} // namespace korvane

#pragma once

#include <QIcon>
#include <QPixmap>

namespace korvane {

// The pictures drawn for Korvane, compiled into the program (SVG sources and the
// rendering script live beside this file).
enum class Artwork {
    TrayActivated, // tray image 0: the watch is activated
    TrayStopped,   // tray image 1: the watch is stopped
    Window,        // the main window's icon
    Warning,       // the picture of the floating panels
};

// The picture with every size drawn for it, for Qt to pick from. A picture that
// is not in the program gives a null icon.
QIcon ArtworkIcon(Artwork picture);

// The warning picture of the message, file-information and change-password
// panels, at its design size of 30 x 31.
QPixmap WarningPicture();

} // namespace korvane

#include <cstdio>
#include <memory>
#include <string>

#include <QApplication>

#include "platform/guard_client/guard_platform.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/xdg_autostart.h"
#include "store/program_layout.h"
#include "ui/main_form.h"
#include "widgets/font_substitutions.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    // The desktop entry's name: Wayland compositors match the window to its menu entry by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("korvane"));
    korvane::RegisterFontSubstitutions();

    korvane::PlatformServices platform = korvane::MakeLinuxPlatform();
    // The guard service, when it answers, sees and ends every process; without it the
    // window watches what its own user may read.
    korvane::UseGuardService(platform, korvane::GuardSocketPath());
    const korvane::ProgramLocation location =
        korvane::LocateProgram(QApplication::applicationFilePath().toStdString(),
                               {KORVANE_INSTALL_PROGRAM_DIR, KORVANE_INSTALL_RESOURCE_DIR}, korvane::UserDataHome());
    if (location.dataFolder != location.folder) {
        // Installed: the data live in the user's home, the session starts the command.
        if (const std::string problem = korvane::PrepareUserDataFolder(location.dataFolder, *platform.processes);
            !problem.empty()) {
            std::fprintf(stderr, "Korvane: %s\n", problem.c_str());
        }
        platform.startup =
            std::make_unique<korvane::XdgAutostart>(korvane::XdgAutostart::ForInstalledCommand("korvane"));
    }

    QApplication::setQuitOnLastWindowClosed(false);
    korvane::TForm1 form1(platform, location);
    // exit(), not quit(): quit() would ask the window to close again, and only a
    // confirmed quit may close it.
    QObject::connect(&form1, &korvane::TForm1::endProgram, &application, [] { QApplication::exit(0); });
    form1.show();
    const int result = QApplication::exec();
    if (!form1.isSecondInstance()) {
        form1.SaveSettings();
    }
    return result;
}

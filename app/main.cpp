#include <QApplication>

#include "platform/guard_client/guard_platform.h"
#include "platform/linux/linux_platform.h"
#include "ui/main_form.h"
#include "widgets/font_substitutions.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    korvane::RegisterFontSubstitutions();

    korvane::PlatformServices platform = korvane::MakeLinuxPlatform();
    // The guard service, when it answers, sees and ends every process; without it the
    // window watches what its own user may read.
    korvane::UseGuardService(platform, korvane::GuardSocketPath());
    const QString executable = QApplication::applicationFilePath();
    const korvane::ProgramLocation location{executable.toStdString(),
                                            QApplication::applicationDirPath().toStdString() + "/"};

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

#include <QApplication>

#include "platform/linux/linux_platform.h"
#include "ui/main_form.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));

    korvane::PlatformServices platform = korvane::MakeLinuxPlatform();
    const QString executable = QApplication::applicationFilePath();
    const korvane::ProgramLocation location{executable.toStdString(),
                                            QApplication::applicationDirPath().toStdString() + "/"};

    korvane::TForm1 form1(platform, location);
    form1.show();
    return QApplication::exec();
}

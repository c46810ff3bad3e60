#include "widgets/rx_tray_icon.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace korvane {
namespace {

using Events = std::vector<std::string>;

QIcon filled(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// A notification area in memory: counts what the shell would show.
class FakeShell : public TrayShell {
public:
    bool add(const QIcon& icon, const QString& tip) override {
        if (present) {
            ++duplicates;
        }
        present = true;
        ++adds;
        modify(icon, tip);
        return true;
    }
    void modify(const QIcon& icon, const QString& tip) override {
        shown = icon;
        shownTip = tip;
        history << icon.cacheKey();
    }
    void remove() override { present = false; }

    bool present = false;
    int adds = 0;
    int duplicates = 0;
    QIcon shown;
    QString shownTip;
    QList<qint64> history;
};

class TrayIconTest : public testing::Test {
protected:
    void SetUp() override {
        auto owned = std::make_unique<FakeShell>();
        shell = owned.get();
        tray = std::make_unique<TRxTrayIcon>(std::move(owned));
        auto name = [](Qt::MouseButton b) {
            return std::string(b == Qt::LeftButton ? "L" : b == Qt::RightButton ? "R" : "M");
        };
        QObject::connect(tray.get(), &TRxTrayIcon::click,
                         [this, name](Qt::MouseButton b) { events.push_back("click " + name(b)); });
        QObject::connect(tray.get(), &TRxTrayIcon::mouseDown, [this, name](Qt::MouseButton b, auto, bool twice) {
            events.push_back("down " + name(b) + (twice ? " double" : ""));
        });
        QObject::connect(tray.get(), &TRxTrayIcon::mouseUp,
                         [this, name](Qt::MouseButton b) { events.push_back("up " + name(b)); });
        QObject::connect(tray.get(), &TRxTrayIcon::mouseMove, [this] { events.push_back("move"); });
        QObject::connect(tray.get(), &TRxTrayIcon::dblClick, [this] { events.push_back("dblclick"); });
    }

    void feed(std::initializer_list<ShellReport> reports) {
        for (ShellReport report : reports) {
            tray->handleShellReport(report);
        }
    }

    FakeShell* shell = nullptr;
    std::unique_ptr<TRxTrayIcon> tray;
    std::vector<std::string> events;
};

TEST_F(TrayIconTest, ClickNeedsTheButtonToGoDownOnTheIcon) {
    feed({ShellReport::MouseMove, ShellReport::LeftDown, ShellReport::LeftUp, ShellReport::LeftUp});
    EXPECT_EQ(events, Events({"move", "down L", "click L", "up L", "up L"}));

    events.clear();
    feed({ShellReport::RightUp, ShellReport::RightDown, ShellReport::RightUp, ShellReport::MiddleDown,
          ShellReport::MiddleUp});
    EXPECT_EQ(events, Events({"up R", "down R", "click R", "up R", "down M", "up M"}));

    events.clear();
    feed({ShellReport::LeftDown, ShellReport::LeftUp, ShellReport::LeftDoubleClick, ShellReport::LeftUp,
          ShellReport::RightDoubleClick});
    EXPECT_EQ(events, Events({"down L", "click L", "up L", "dblclick", "down L double", "up L", "down R double"}));
}

TEST_F(TrayIconTest, LeavingTheTrayForgetsButtonsThatWentDown) {
    tray->setIcon(filled(Qt::red));
    feed({ShellReport::LeftDown});
    tray->deactivate();
    tray->activate();
    events.clear();
    feed({ShellReport::LeftUp});
    EXPECT_EQ(events, Events({"up L"}));
}

TEST_F(TrayIconTest, PopupMenuTakesTheRightClickAndItsDefaultTheDoubleClick) {
    QMenu menu;
    QAction* open = menu.addAction(QStringLiteral("Open"));
    int opened = 0;
    QObject::connect(open, &QAction::triggered, [&opened] { ++opened; });
    tray->setPopupMenu(&menu);

    feed({ShellReport::RightDown, ShellReport::RightUp, ShellReport::LeftDoubleClick});
    EXPECT_TRUE(menu.isVisible());
    menu.close();
    EXPECT_EQ(events, Events({"down R", "up R", "dblclick", "down L double"})) << "no default item yet";

    events.clear();
    menu.setDefaultAction(open);
    feed({ShellReport::LeftDoubleClick});
    EXPECT_EQ(opened, 1);
    open->setEnabled(false);
    feed({ShellReport::LeftDoubleClick});
    EXPECT_EQ(events, Events({"down L double", "dblclick", "down L double"}));

    tray->setActive(false);
    events.clear();
    feed({ShellReport::RightDown, ShellReport::RightUp});
    EXPECT_EQ(events, Events({"down R", "click R", "up R"})) << "an inactive icon shows no menu";
}

TEST_F(TrayIconTest, DisabledIconRaisesNothing) {
    tray->setEnabled(false);
    feed({ShellReport::MouseMove, ShellReport::LeftDown, ShellReport::LeftUp, ShellReport::LeftDoubleClick});
    EXPECT_TRUE(events.empty());
}

TEST_F(TrayIconTest, IconIsAddedOnceAndModifiedInPlace) {
    tray->setHint(QStringLiteral("Korvane guard %1|second part").arg(QString(60, u'x')));
    EXPECT_FALSE(tray->isAdded()) << "an empty icon shows nothing";
    EXPECT_EQ(shell->adds, 0);

    const QIcon activated = filled(Qt::yellow);
    const QIcon stopped = filled(Qt::red);
    tray->setIcon(activated);
    ASSERT_TRUE(shell->present);
    EXPECT_EQ(shell->shownTip, QStringLiteral("Korvane guard ") + QString(49, u'x'));

    tray->setIcon(stopped);
    EXPECT_EQ(shell->adds, 1) << "replaced without removing";
    EXPECT_EQ(shell->shown.cacheKey(), stopped.cacheKey());

    tray->deactivate();
    EXPECT_FALSE(shell->present);
    EXPECT_FALSE(tray->isAdded());
    tray->activate();
    tray->activate();
    EXPECT_TRUE(shell->present);
    EXPECT_EQ(shell->duplicates, 0);
    EXPECT_EQ(shell->shown.cacheKey(), stopped.cacheKey());

    tray->setIcon(QIcon());
    EXPECT_FALSE(shell->present);
}

TEST_F(TrayIconTest, AnimationCyclesTheIconsUntilSwitchedOff) {
    tray->setAnimated(true);
    EXPECT_FALSE(tray->isAnimated()) << "no frames";

    const QIcon frames[] = {filled(Qt::red), filled(Qt::green), filled(Qt::blue)};
    tray->icons()->beginUpdate();
    for (const QIcon& frame : frames) {
        tray->icons()->add(frame);
    }
    tray->icons()->endUpdate();
    tray->setIcon(filled(Qt::white));
    tray->setInterval(5);
    shell->history.clear();
    tray->setAnimated(true);

    const QDeadlineTimer deadline(10000);
    while (shell->history.size() < 5 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ASSERT_GE(shell->history.size(), 5);
    for (int step = 0; step < 5; ++step) {
        EXPECT_EQ(shell->history[step], frames[step % 3].cacheKey()) << "step " << step;
    }

    tray->icons()->clear();
    EXPECT_FALSE(tray->isAnimated());
    EXPECT_EQ(shell->shown.cacheKey(), tray->icon().cacheKey());
}

TEST(SystemTrayIcon, WithoutANotificationAreaItIsNotAddedAndStaysQuiet) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    static int warnings = 0;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
            if (type != QtDebugMsg && type != QtInfoMsg) {
                ++warnings;
            }
        });
    {
        TRxTrayIcon tray;
        tray.setIcon(filled(Qt::red));
        tray.deactivate();
        tray.activate();
        EXPECT_FALSE(tray.isAdded());
        EXPECT_TRUE(tray.isActive());
        int clicks = 0;
        QObject::connect(&tray, &TRxTrayIcon::click, [&clicks] { ++clicks; });
        tray.handleShellReport(ShellReport::LeftDown);
        tray.handleShellReport(ShellReport::LeftUp);
        EXPECT_EQ(clicks, 1);
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings, 0);
}

} // namespace
} // namespace korvane

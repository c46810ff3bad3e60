#include "widgets/rx_tray_icon.h"

#include <algorithm>
#include <chrono>

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

#include "widgets/system_tray_shell.h"

namespace korvane {

namespace {

// The part of a hint before "|", cut to what the shell's tooltip holds.
constexpr int kTipLength = 63;

} // namespace

TRxTrayIcon::TRxTrayIcon(QObject* parent) : TRxTrayIcon(std::make_unique<SystemTrayShell>(), parent) {}

TRxTrayIcon::TRxTrayIcon(std::unique_ptr<TrayShell> shell, QObject* parent)
    : QObject(parent), shell_(std::move(shell)) {
    connect(shell_.get(), &TrayShell::reported, this, &TRxTrayIcon::handleShellReport);
    connect(&icons_, &TIconList::changed, this, &TRxTrayIcon::updateShownIcon);
}

TRxTrayIcon::~TRxTrayIcon() {
    enabled_ = false;
    animator_.reset();
    removeFromTray();
}

void TRxTrayIcon::setActive(bool active) {
    if (active == active_) {
        return;
    }
    active_ = active;
    if (active) {
        addToTray();
    } else {
        removeFromTray();
    }
}

void TRxTrayIcon::setHint(const QString& hint) {
    if (hint == hint_) {
        return;
    }
    hint_ = hint;
    updateShownIcon();
}

void TRxTrayIcon::setIcon(const QIcon& icon) {
    icon_ = icon;
    updateShownIcon();
}

void TRxTrayIcon::setAnimated(bool animated) {
    if (animated == animated_ || (animated && icons_.isEmpty())) {
        return;
    }
    switchAnimation(animated);
    updateShownIcon();
}

void TRxTrayIcon::setInterval(quint16 interval) {
    interval_ = interval;
    if (animator_) {
        animator_->setInterval(std::chrono::milliseconds(interval));
    }
}

QIcon TRxTrayIcon::currentIcon() const {
    if (animated_ && !icons_.isEmpty()) {
        return icons_.at(std::clamp(animationIndex_, 0, icons_.count() - 1));
    }
    return icon_;
}

void TRxTrayIcon::handleShellReport(ShellReport report) {
    if (!enabled_) {
        return;
    }
    const QPoint pos = QCursor::pos();
    const Qt::KeyboardModifiers shift = QGuiApplication::queryKeyboardModifiers();
    for (const TrayMouseAction& action : tracker_.feed(report)) {
        switch (action.kind) {
        case TrayMouseAction::Kind::Move:
            emit mouseMove(shift, pos);
            break;
        case TrayMouseAction::Kind::Down:
            emit mouseDown(action.button, shift, action.doubleClick, pos);
            break;
        case TrayMouseAction::Kind::Up:
            emit mouseUp(action.button, shift, pos);
            break;
        case TrayMouseAction::Kind::Click:
            clickButton(action.button, shift, pos);
            break;
        case TrayMouseAction::Kind::DoubleClick:
            doubleClickAction();
            break;
        }
    }
}

void TRxTrayIcon::addToTray() {
    removeFromTray();
    const QIcon icon = currentIcon();
    if (icon.isNull()) {
        return;
    }
    added_ = shell_->add(icon, tip());
    if (animator_) {
        animator_->resume();
    }
}

void TRxTrayIcon::removeFromTray() {
    shell_->remove();
    added_ = false;
    tracker_.reset();
    if (animator_) {
        animator_->suspend();
    }
}

void TRxTrayIcon::updateShownIcon() {
    if (icons_.isEmpty() && animated_) {
        switchAnimation(false);
    }
    if (added_) {
        const QIcon icon = currentIcon();
        if (icon.isNull()) {
            removeFromTray();
        } else {
            shell_->modify(icon, tip());
        }
    } else if (active_) {
        addToTray();
    }
}

void TRxTrayIcon::switchAnimation(bool on) {
    animated_ = on;
    if (on) {
        // The shell is only touched on this thread: the animation thread hands each step over.
        auto post = [this] { QMetaObject::invokeMethod(this, &TRxTrayIcon::animationStep, Qt::QueuedConnection); };
        animator_ = std::make_unique<TrayAnimator>(post, std::chrono::milliseconds(interval_), !added_);
    } else {
        animator_.reset();
    }
    animationIndex_ = 0;
}

void TRxTrayIcon::animationStep() {
    if (!animated_ || icons_.isEmpty() || QCoreApplication::closingDown()) {
        return;
    }
    animationIndex_ = animationIndex_ + 1 < icons_.count() ? animationIndex_ + 1 : 0;
    updateShownIcon();
}

void TRxTrayIcon::clickButton(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos) {
    if (button == Qt::RightButton && active_ && popupMenu_) {
        popupMenu_->popup(pos);
        return;
    }
    emit click(button, shift, pos);
}

void TRxTrayIcon::doubleClickAction() {
    QAction* chosen = popupMenu_ ? popupMenu_->defaultAction() : nullptr;
    if (chosen != nullptr && chosen->isEnabled()) {
        chosen->trigger();
    } else {
        emit dblClick();
    }
}

QString TRxTrayIcon::tip() const {
    return hint_.section(u'|', 0, 0).left(kTipLength);
}

} // namespace korvane

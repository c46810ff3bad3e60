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
    : QObject(parent), m_shell(std::move(shell)) {
    connect(m_shell.get(), &TrayShell::reported, this, &TRxTrayIcon::handleShellReport);
    connect(&m_icons, &TIconList::changed, this, &TRxTrayIcon::updateShownIcon);
}

TRxTrayIcon::~TRxTrayIcon() {
    m_enabled = false;
    m_animator.reset();
    removeFromTray();
}

void TRxTrayIcon::setActive(bool active) {
    if (active == m_active) {
        return;
    }
    m_active = active;
    if (active) {
        addToTray();
    } else {
        removeFromTray();
    }
}

void TRxTrayIcon::setHint(const QString& hint) {
    if (hint == m_hint) {
        return;
    }
    m_hint = hint;
    updateShownIcon();
}

void TRxTrayIcon::setIcon(const QIcon& icon) {
    m_icon = icon;
    updateShownIcon();
}

void TRxTrayIcon::setAnimated(bool animated) {
    if (animated == m_animated || (animated && m_icons.isEmpty())) {
        return;
    }
    switchAnimation(animated);
    updateShownIcon();
}

void TRxTrayIcon::setInterval(quint16 interval) {
    m_interval = interval;
    if (m_animator) {
        m_animator->setInterval(std::chrono::milliseconds(interval));
    }
}

QIcon TRxTrayIcon::currentIcon() const {
    if (m_animated && !m_icons.isEmpty()) {
        return m_icons.at(std::clamp(m_animationIndex, 0, m_icons.count() - 1));
    }
    return m_icon;
}

void TRxTrayIcon::handleShellReport(ShellReport report) {
    if (!m_enabled) {
        return;
    }
    const QPoint pos = QCursor::pos();
    const Qt::KeyboardModifiers shift = QGuiApplication::queryKeyboardModifiers();
    for (const TrayMouseAction& action : m_tracker.feed(report)) {
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
    m_added = m_shell->add(icon, tip());
    if (m_animator) {
        m_animator->resume();
    }
}

void TRxTrayIcon::removeFromTray() {
    m_shell->remove();
    m_added = false;
    m_tracker.reset();
    if (m_animator) {
        m_animator->suspend();
    }
}

void TRxTrayIcon::updateShownIcon() {
    if (m_icons.isEmpty() && m_animated) {
        switchAnimation(false);
    }
    if (m_added) {
        const QIcon icon = currentIcon();
        if (icon.isNull()) {
            removeFromTray();
        } else {
            m_shell->modify(icon, tip());
        }
    } else if (m_active) {
        addToTray();
    }
}

void TRxTrayIcon::switchAnimation(bool on) {
    m_animated = on;
    if (on) {
        // The shell is only touched on this thread: the animation thread hands each step over.
        auto post = [this] { QMetaObject::invokeMethod(this, &TRxTrayIcon::animationStep, Qt::QueuedConnection); };
        m_animator = std::make_unique<TrayAnimator>(post, std::chrono::milliseconds(m_interval), !m_added);
    } else {
        m_animator.reset();
    }
    m_animationIndex = 0;
}

void TRxTrayIcon::animationStep() {
    if (!m_animated || m_icons.isEmpty() || QCoreApplication::closingDown()) {
        return;
    }
    m_animationIndex = m_animationIndex + 1 < m_icons.count() ? m_animationIndex + 1 : 0;
    updateShownIcon();
}

void TRxTrayIcon::clickButton(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos) {
    if (button == Qt::RightButton && m_active && m_popupMenu) {
        m_popupMenu->popup(pos);
        return;
    }
    emit click(button, shift, pos);
}

void TRxTrayIcon::doubleClickAction() {
    QAction* chosen = m_popupMenu ? m_popupMenu->defaultAction() : nullptr;
    if (chosen != nullptr && chosen->isEnabled()) {
        chosen->trigger();
    } else {
        emit dblClick();
    }
}

QString TRxTrayIcon::tip() const {
    return m_hint.section(u'|', 0, 0).left(kTipLength);
}

} // namespace korvane

#pragma once

#include <memory>

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include "widgets/icon_list.h"
#include "widgets/tray_animator.h"
#include "widgets/tray_click_tracker.h"
#include "widgets/tray_shell.h"

namespace korvane {

// One icon in the desktop's notification area, and the mouse actions on it as events.
// Reports from the shell go through handleShellReport, so any shell can feed it.
class TRxTrayIcon : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive WRITE setActive)
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(QString hint READ hint WRITE setHint)
    Q_PROPERTY(QIcon icon READ icon WRITE setIcon)
    Q_PROPERTY(bool animated READ isAnimated WRITE setAnimated)
    Q_PROPERTY(quint16 interval READ interval WRITE setInterval)

public:
    // On the desktop's notification area through QSystemTrayIcon.
    explicit TRxTrayIcon(QObject* parent = nullptr);
    explicit TRxTrayIcon(std::unique_ptr<TrayShell> shell, QObject* parent = nullptr);
    ~TRxTrayIcon() override;

    bool isActive() const { return m_active; }
    void setActive(bool active);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }
    QString hint() const { return m_hint; }
    void setHint(const QString& hint);
    QIcon icon() const { return m_icon; }
    void setIcon(const QIcon& icon);
    TIconList* icons() { return &m_icons; }
    const TIconList* icons() const { return &m_icons; }
    void setIcons(const TIconList& icons) { m_icons.assign(icons); }
    bool isAnimated() const { return m_animated; }
    // Stays off while icons() is empty.
    void setAnimated(bool animated);
    quint16 interval() const { return m_interval; }
    void setInterval(quint16 interval);
    // Shown on a right click instead of raising click; forgotten when it is destroyed.
    QMenu* popupMenu() const { return m_popupMenu; }
    void setPopupMenu(QMenu* menu) { m_popupMenu = menu; }

    // Whether the shell accepted the icon; false where there is no notification area.
    bool isAdded() const { return m_added; }
    // What the tray shows: the animation frame while animating, else icon().
    QIcon currentIcon() const;

public slots:
    void activate() { setActive(true); }
    void deactivate() { setActive(false); }
    void handleShellReport(korvane::ShellReport report);

signals:
    // Left or right button went down and up on the icon.
    void click(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
    void dblClick();
    void mouseMove(Qt::KeyboardModifiers shift, QPoint pos);
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, bool doubleClick, QPoint pos);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);

private:
    void addToTray();
    void removeFromTray();
    void updateShownIcon();
    void switchAnimation(bool on);
    void animationStep();
    void clickButton(Qt::MouseButton button, Qt::KeyboardModifiers shift, QPoint pos);
    void doubleClickAction();
    QString tip() const;

    std::unique_ptr<TrayShell> m_shell;
    TrayClickTracker m_tracker;
    TIconList m_icons;
    QIcon m_icon;
    QString m_hint;
    QPointer<QMenu> m_popupMenu;
    bool m_active = true;
    bool m_enabled = true;
    bool m_added = false;
    bool m_animated = false;
    int m_animationIndex = -1;
    quint16 m_interval = 150;
    std::unique_ptr<TrayAnimator> m_animator;
};

} // namespace korvane

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

    bool isActive() const { return active_; }
    void setActive(bool active);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    QString hint() const { return hint_; }
    void setHint(const QString& hint);
    QIcon icon() const { return icon_; }
    void setIcon(const QIcon& icon);
    TIconList* icons() { return &icons_; }
    const TIconList* icons() const { return &icons_; }
    void setIcons(const TIconList& icons) { icons_.assign(icons); }
    bool isAnimated() const { return animated_; }
    // Stays off while icons() is empty.
    void setAnimated(bool animated);
    quint16 interval() const { return interval_; }
    void setInterval(quint16 interval);
    // Shown on a right click instead of raising click; forgotten when it is destroyed.
    QMenu* popupMenu() const { return popupMenu_; }
    void setPopupMenu(QMenu* menu) { popupMenu_ = menu; }

    // Whether the shell accepted the icon; false where there is no notification area.
    bool isAdded() const { return added_; }
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

    std::unique_ptr<TrayShell> shell_;
    TrayClickTracker tracker_;
    TIconList icons_;
    QIcon icon_;
    QString hint_;
    QPointer<QMenu> popupMenu_;
    bool active_ = true;
    bool enabled_ = true;
    bool added_ = false;
    bool animated_ = false;
    int animationIndex_ = -1;
    quint16 interval_ = 150;
    std::unique_ptr<TrayAnimator> animator_;
};

} // namespace korvane

#pragma once

#include <QObject>
#include <QString>

namespace korvane {

// The central message panel as the rest of the window uses it: every notice and
// question of the main window goes through here, never a system message box.
class MessagePanel {
public:
    virtual ~MessagePanel() = default;
    // Appends the text to the panel; a text that begins with "<OK>" opens it as a notice.
    virtual void CentralMessagesRtn(const QString& text) = 0;
    // Closes the panel, forgetting its text and the question it asked.
    virtual void CloseMessagePanel() = 0;
    // Disables (true) or enables the window's panels; the preferences pane only while
    // "Lock Preferences" is not checked.
    virtual void LockPanels(bool lock) = 0;
};

// Controls whose first click event (the one raised while the saved settings are
// restored) is to be ignored.
class FirstEventRegistry {
public:
    virtual ~FirstEventRegistry() = default;
    // True when the control was not registered yet and now is.
    virtual bool RegisterFirstEvent(const QObject* control) = 0;
};

} // namespace korvane

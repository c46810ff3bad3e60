#pragma once

#include <array>

#include <QObject>
#include <QPointer>
#include <QString>

#include "ui/list_box_pane.h"
#include "ui/main_form_controls.h"
#include "ui/message_panel.h"

namespace korvane {

// What the answers to the panel's questions do beyond the panel.
class MessagePanelHost {
public:
    virtual ~MessagePanelHost() = default;
    // The watch is activated.
    virtual bool isActivated() const = 0;
    // The questionable-processes dialog is showing.
    virtual bool questionableDialogUp() const = 0;
    // "Auto Kill unknown processes without prompting." in force and painted red, or not
    // and painted beige.
    virtual void setAutoKillConfirmed(bool confirmed) = 0;
    // The Safe-list verification, at once.
    virtual void CheckSafeProcessesList() = 0;
    // Every Current entry to the Safe list with its digest; false when it stopped at an
    // entry whose file could not be digested.
    virtual bool CopyAllCurrentToSafe() = 0;
    // The user confirmed the quit: the window closes, which saves and ends the program.
    virtual void QuitConfirmedClose() = 0;
};

// The floating panel over the lists that shows every notice and asks every question
// of the main window. A question remembers the control that asked (the pending
// sender); its Yes or No is dispatched on that control's name.
class CentralMessagePanel : public QObject, public MessagePanel, public FirstEventRegistry {
    Q_OBJECT

public:
    static constexpr int kRegistrySlots = 100;

    // Connects the panel's buttons and the controls whose clicks ask its questions.
    CentralMessagePanel(MainFormControls& controls, ListBoxPane& safe, ListBoxPane& neverKill, MessagePanelHost& host,
                        QObject* parent);

    // MessagePanel
    void CentralMessagesRtn(const QString& text) override;
    void CloseMessagePanel() override;
    void LockPanels(bool lock) override;
    // FirstEventRegistry: false also when all slots are taken.
    bool RegisterFirstEvent(const QObject* control) override;

    // Opens the panel as a question, with Yes and No.
    void OpenQuestionPanel();
    // The one click handler of the panel's buttons and of the controls that ask.
    void CentralMessagesButtons(QObject* Sender);

    QObject* pendingSender() const { return PendingSender; }

private:
    // Composes the question a control asks; false when it closed the panel instead.
    bool composeQuestion(QObject* trigger);
    // Performs the answer to the pending question; true when the panel is to stay open.
    bool answer(bool yes);
    void askRemoval(const ListBoxPane& list, const QString& listName);
    void removeHighlighted(ListBoxPane& list, const ListPane& other);
    void layOut();

    MainFormControls& c_;
    ListBoxPane& safe_;
    ListBoxPane& neverKill_;
    MessagePanelHost& host_;
    QPointer<QObject> PendingSender;
    std::array<const QObject*, kRegistrySlots> FirstEventRegistry_{};
};

} // namespace korvane

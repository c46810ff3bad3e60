#pragma once

#include <memory>

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include "engine/watch_engine.h"
#include "platform/api/platform_services.h"
#include "ui/list_box_pane.h"
#include "ui/persistent_form.h"
#include "widgets/encarta_button.h"
#include "widgets/gauge_status_bar.h"
#include "widgets/rx_tray_icon.h"
#include "widgets/text_list_box.h"

namespace korvane {

class ProcessEventWatch;
class TForm2;

// The main window: the four lists side by side, the action bar, the preferences
// pane and the status line. It owns the watch timer and the watch engine, and is
// the engine's host: activation state, tray icon, Log button, preferences.
class TForm1 : public TPersistentForm, public WatchHost, public WatchPreferences {
    Q_OBJECT

public:
    TForm1(PlatformServices& platform, const ProgramLocation& location, QWidget* parent = nullptr);
    ~TForm1() override;

    // The watch timer's cycle.
    void Timer1Timer();
    // Runs the watch timer every `milliseconds`; 0 or less leaves it off.
    void setTimer1Interval(int milliseconds);
    // Runs the watch cycle now, as a tick would, while the watch timer runs.
    void runCycleNow();
    // The user toggled a Kill entry's "Bypass" mark.
    void CheckListBox3ClickCheck();

    // WatchHost
    bool isActivated() const override;
    void setTrayIconActive(bool active) override;
    void paintLogAlert() override;
    void hideMainWindow() override;

    // WatchPreferences
    bool autoKillUnknown() const override;
    bool autoKillUnknownChecksums() const override;
    bool alarmOnPopup() const override;
    bool uncheckBypassedKillsAtEoj() const override;

    WatchEngine& engine() { return *engine_; }
    PlatformServices& platform() { return platform_; }
    ListPane& killPane() { return *killPane_; }
    ListPane& safePane() { return *safePane_; }
    TForm2& questionableDialog() { return *form2_; }
    QTimer& timer1() { return Timer1; }
    // Set while the window was sent to the notification area.
    bool inTray() const { return InTray; }
    // "Auto Kill unknown processes without prompting." ticked, confirmed or not.
    bool autoKillTicked() const { return CheckBox1->isChecked(); }
    // "Auto Kill unknown processes without prompting." ticked but not confirmed is
    // taken back whenever the questionable dialog comes up.
    void dropUnconfirmedAutoKill();

protected:
    QObjectList DesignOrder() const override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildListPanes();
    void buildActionBar();
    void buildPreferences();
    void FormCreate();
    void setActivationLook(bool activated);
    void Timer1Timeout();
    // A confirmed "Auto Kill unknown processes without prompting." is in force and
    // painted red; an unconfirmed or cleared one is beige.
    void setAutoKillConfirmed(bool confirmed);

    PlatformServices& platform_;
    ProgramLocation location_;

    QFrame* Panel1;
    TTextListBox* TextListBox1;
    TTextListBox* TextListBox2;
    TTextListBox* CheckListBox3;
    QFrame* Panel15;
    TTextListBox* TextListBox4;
    QFrame* Panel13;
    TEncartaButton* EncartaButton5;
    TEncartaButton* EncartaButton7;
    QFrame* Panel4;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QCheckBox* CheckBox7;
    QCheckBox* CheckBox4;
    QCheckBox* CheckBox6;
    QCheckBox* CheckBox3;
    QCheckBox* CheckBox8;
    QCheckBox* CheckBox10;
    QLineEdit* Edit1;
    QLineEdit* ParmEdit;
    TGaugeStatusBar* GaugeStatusBar1;
    TRxTrayIcon* RxTrayIcon1;
    QTimer Timer1;

    std::unique_ptr<ListBoxPane> currentPane_;
    std::unique_ptr<ListBoxPane> safePane_;
    std::unique_ptr<ListBoxPane> killPane_;
    std::unique_ptr<ListBoxPane> neverKillPane_;
    bool InTray = false;
    bool autoKillConfirmed_ = false;
    bool cycleQueued_ = false; // a watch cycle waits in the event queue
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<WatchEngine> engine_;
    std::unique_ptr<ProcessEventWatch> eventWatch_;
};

} // namespace korvane

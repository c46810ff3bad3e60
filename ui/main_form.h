#pragma once

#include <memory>
#include <string>

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include "engine/watch_engine.h"
#include "platform/api/platform_services.h"
#include "store/data_store.h"
#include "store/flag_string.h"
#include "ui/list_box_pane.h"
#include "ui/message_panel.h"
#include "ui/persistent_form.h"
#include "widgets/encarta_button.h"
#include "widgets/gauge_status_bar.h"
#include "widgets/integer_edit.h"
#include "widgets/rx_tray_icon.h"
#include "widgets/text_list_box.h"

namespace korvane {

class ProcessEventWatch;
class TForm2;

// The main window: the four lists side by side, the action bar, the preferences
// pane and the status line. It owns the timers, the watch engine and the data store,
// and is their host: activation state, tray icon, Log button, preferences, tamper marks.
class TForm1 : public TPersistentForm, public WatchHost, public WatchPreferences, public DataStoreHost {
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

    // DataStoreHost
    void paintTampered(ListPane& pane) override;
    void startTamperAlarm() override;

    // The shutdown sequence: stops the timers, saves the lists, the seal and its
    // backup, and hands the interval, the start-up registration and the flag string
    // back to the controls the settings are saved from. False when the data files could
    // not be saved (the failure is in the log, with alert).
    bool HouseKeeping();
    // The end of the session (or a request to terminate): timers off and HouseKeeping,
    // whether or not a quit was confirmed. True when everything was saved.
    bool WMQueryEndSession();
    // Registers (true) or removes the start-up entry for this executable.
    void SetAutoStart(bool on);
    void CheckBox3Click();

    // Set by the quit question's Yes; until then every close request is refused.
    void setQuitConfirmed(bool confirmed) { QuitConfirmed = confirmed; }
    // The message panel and the first-event registry, once the window has them.
    void setMessagePanel(MessagePanel* panel) { messagePanel_ = panel; }
    void setFirstEventRegistry(FirstEventRegistry* registry) { firstEvents_ = registry; }

    WatchEngine& engine() { return *engine_; }
    DataStore& dataStore() { return *store_; }
    PlatformServices& platform() { return platform_; }
    ListPane& killPane() { return *killPane_; }
    ListPane& safePane() { return *safePane_; }
    TForm2& questionableDialog() { return *form2_; }
    QTimer& timer1() { return Timer1; }
    QTimer& timer2() { return Timer2; }
    QTimer& timer3() { return Timer3; }
    // Set until the first activation has loaded the lists.
    bool firstActivation() const { return FirstActivation; }
    // The lock password (MaskEdit1), as its bytes.
    std::string lockPassword() const;
    // Set while the window was sent to the notification area.
    bool inTray() const { return InTray; }
    // "Auto Kill unknown processes without prompting." ticked, confirmed or not.
    bool autoKillTicked() const { return CheckBox1->isChecked(); }
    // "Auto Kill unknown processes without prompting." ticked but not confirmed is
    // taken back whenever the questionable dialog comes up.
    void dropUnconfirmedAutoKill();

signals:
    // The program is to end now: the window closed after a confirmed quit, or the
    // system asked the program to terminate. The window has saved what it must.
    void endProgram();

protected:
    QObjectList DesignOrder() const override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildListPanes();
    void buildActionBar();
    void buildPreferences();
    void watchEndOfSession();
    void FormCreate();
    void FormActivate();
    void FormCloseQuery(bool& CanClose);
    void commitCheckInterval();
    void applyStartMode();
    void stopTimers();
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
    TIntegerEdit* IntegerEdit1;
    QLineEdit* MaskEdit1;
    QLineEdit* Edit1;
    QLineEdit* ParmEdit;
    TGaugeStatusBar* GaugeStatusBar1;
    TRxTrayIcon* RxTrayIcon1;
    QTimer Timer1;
    QTimer Timer2;
    QTimer Timer3;

    std::unique_ptr<ListBoxPane> currentPane_;
    std::unique_ptr<ListBoxPane> safePane_;
    std::unique_ptr<ListBoxPane> killPane_;
    std::unique_ptr<ListBoxPane> neverKillPane_;
    bool InTray = false;
    bool autoKillConfirmed_ = false;
    bool cycleQueued_ = false; // a watch cycle waits in the event queue
    bool FirstActivation = true;
    bool QuitConfirmed = false;
    FlagString flags_;
    MessagePanel* messagePanel_ = nullptr;
    FirstEventRegistry* firstEvents_ = nullptr;
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<WatchEngine> engine_;
    std::unique_ptr<DataStore> store_;
    std::unique_ptr<ProcessEventWatch> eventWatch_;
};

} // namespace korvane

#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QTimer>
#include <QWidget>

#include "engine/watch_engine.h"
#include "platform/api/platform_services.h"
#include "store/data_store.h"
#include "store/flag_string.h"
#include "ui/central_message_panel.h"
#include "ui/file_information_panel.h"
#include "ui/list_box_pane.h"
#include "ui/list_hints.h"
#include "ui/main_form_controls.h"
#include "ui/message_panel.h"
#include "ui/persistent_form.h"
#include "ui/preferences_panel.h"
#include "ui/queued_once.h"
#include "ui/tray_controls.h"

namespace korvane {

class ExecutionRefusalWatch;
class ProcessEventWatch;
class TForm2;

// The main window: the four lists side by side, the action bar, the preferences
// pane, the status line and the floating panels. It builds the controls, owns the
// timers, the watch engine and the data store, and wires the parts of the window:
// the message panel, the file-information panel and (each in its own class) the
// handlers of the other groups of controls.
class TForm1 : public TPersistentForm,
               protected MainFormControls,
               public WatchHost,
               public WatchPreferences,
               public DataStoreHost,
               public MessagePanelHost {
    Q_OBJECT

public:
    TForm1(PlatformServices& platform, const ProgramLocation& location, QWidget* parent = nullptr);
    ~TForm1() override;

    // The watch timer's cycle. Checks nothing before the first activation has loaded
    // the lists: every process would be questioned against empty ones.
    void Timer1Timer();
    // Runs the watch timer every `milliseconds`; 0 or less leaves it off.
    void setTimer1Interval(int milliseconds);
    // Runs the watch cycle now, as a tick would, while the watch timer runs.
    void runCycleNow();
    // Holds the programs the processes at `pids` have just started against the Kill
    // list at once, whenever a tick would check them.
    void checkNewcomers(const std::vector<int>& pids);

    // Folds or unfolds the preferences pane; the pointer stays on the button.
    void PrefButton2Click();

    // WatchHost and MessagePanelHost
    bool isActivated() const override;
    void setTrayIconActive(bool active) override;
    void paintLogAlert() override;
    void hideMainWindow() override;

    // WatchPreferences
    bool autoKillUnknown() const override;
    bool autoKillUnknownChecksums() const override;
    bool alarmOnPopup() const override;
    bool uncheckBypassedKillsAtEoj() const override;
    // Checked, and a package database exists to trust.
    bool trustInstalledPackages() const override;

    // DataStoreHost
    void paintTampered(ListPane& pane) override;
    void startTamperAlarm() override;

    // MessagePanelHost
    bool questionableDialogUp() const override;
    void setAutoKillConfirmed(bool confirmed) override;
    void CheckSafeProcessesList() override;
    bool CopyAllCurrentToSafe() override;
    void QuitConfirmedClose() override;

    // The shutdown sequence: stops the timers, saves the lists, the seal and its
    // backup, and hands the interval, the start-up registration and the flag string
    // back to the controls the settings are saved from. False when the data files could
    // not be saved (the failure is in the log, with alert).
    bool HouseKeeping();
    // The end of the session (or a request to terminate): timers off and HouseKeeping,
    // whether or not a quit was confirmed. True when everything was saved.
    bool WMQueryEndSession();
    // The session manager's request to save (a checkpoint, or a logout that may yet be
    // cancelled): the files are written as at the end, and the watch goes on as it ran.
    // True when everything was saved.
    bool CommitSessionData();
    // Saves without the quit question, and ends the program.
    void endWithTheSession();
    // Registers (true) or removes the start-up entry for this executable.
    void SetAutoStart(bool on);
    void CheckBox3Click();

    // The activation button: "Activated" in yellow, or "Stopped" in red.
    void setActivationLook(bool activated);

    MainFormControls& controls() { return *this; }
    MessagePanel& messagePanel() { return *messagePanel_; }
    FirstEventRegistry& firstEvents() { return *messagePanel_; }
    FileInformationPanel& fileInformation() { return *fileInformation_; }
    ListHints& listHints() { return *listHints_; }
    WatchEngine& engine() { return *engine_; }
    DataStore& dataStore() { return *store_; }
    PlatformServices& platform() { return platform_; }
    const ProgramLocation& location() const { return location_; }
    ListPane& killPane() { return *killPane_; }
    ListPane& safePane() { return *safePane_; }
    TForm2& questionableDialog() { return *form2_; }
    QTimer& timer1() { return Timer1; }
    QTimer& timer2() { return Timer2; }
    QTimer& timer3() { return Timer3; }
    // Set until the first activation has loaded the lists.
    bool firstActivation() const { return FirstActivation; }
    // The working preferences flag string.
    const FlagString& flags() const { return flags_; }
    FlagString& flags() { return flags_; }
    // The lock password (MaskEdit1), as its bytes.
    std::string lockPassword() const;
    // Set while the window was sent to the notification area.
    bool inTray() const { return InTray; }
    void setInTray(bool inTray) { InTray = inTray; }
    TrayControls& trayControls() { return *trayControls_; }
    // "Auto Kill unknown processes without prompting." ticked, confirmed or not.
    bool autoKillTicked() const { return CheckBox1->isChecked(); }
    // Trusted, and the package database has been read: its records stand in for an
    // empty Safe list.
    bool packagesVouch();
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
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Which timers ran before a save stopped them.
    struct RunningTimers {
        bool watch = false;
        bool blink = false;
        bool alarm = false;
    };

    void wirePopupMenus();
    // Says in the status line what the watch can see, and again whenever that changes.
    void showWatchScope();
    void FormCreate();
    void FormActivate();
    void FormPaint();
    void FormCloseQuery(bool& CanClose);
    void setOuterWidth(int outerWidth);
    void commitCheckInterval();
    void applyStartMode();
    void stopTimers();
    RunningTimers runningTimers() const;
    // After a save the program outlives: the locks on the files just written and the
    // timers that ran, as before the save.
    void resumeAfterSave(const RunningTimers& running);
    void Timer1Timeout();

    PlatformServices& platform_;
    ProgramLocation location_;

    QTimer Timer1;
    QTimer Timer2;
    QTimer Timer3;

    std::unique_ptr<ListBoxPane> currentPane_;
    std::unique_ptr<ListBoxPane> safePane_;
    std::unique_ptr<ListBoxPane> killPane_;
    std::unique_ptr<ListBoxPane> neverKillPane_;
    bool InTray = false;
    bool autoKillConfirmed_ = false;
    QueuedOnce cycle_{*this, [this] { Timer1Timer(); }}; // the watch cycle, queued by Timer1
    bool FirstActivation = true;
    bool FirstPaintDone = false;
    bool shownOnce_ = false;
    bool QuitConfirmed = false;
    FlagString flags_;
    CentralMessagePanel* messagePanel_ = nullptr;
    FileInformationPanel* fileInformation_ = nullptr;
    ListHints* listHints_ = nullptr;
    PreferencesPanel* preferences_ = nullptr;
    TrayControls* trayControls_ = nullptr;
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<WatchEngine> engine_;
    std::unique_ptr<DataStore> store_;
    std::unique_ptr<ProcessEventWatch> eventWatch_;
    ExecutionRefusalWatch* refusalWatch_ = nullptr; // none when no start is refused
};

} // namespace korvane

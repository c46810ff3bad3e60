#include "ui/main_form.h"

#include <utility>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "engine/copy_current_to_safe.h"
#include "resources/artwork.h"
#include "ui/control_colours.h"
#include "ui/execution_refusal_watch.h"
#include "ui/handler_guard.h"
#include "ui/hint_hide_pause.h"
#include "ui/list_editing.h"
#include "ui/list_hints.h"
#include "ui/main_form_geometry.h"
#include "ui/palette.h"
#include "ui/pointer_warp.h"
#include "ui/process_event_watch.h"
#include "ui/questionable_form.h"
#include "ui/session_end_watch.h"
#include "ui/window_placement.h"

namespace korvane {

namespace {

constexpr int kDefaultInterval = 1000;
constexpr int kBlinkInterval = 500;
constexpr int kAlarmInterval = 1000;
constexpr int kHintHidePause = 10000;

const QString kFirstRunNotice = QStringLiteral(
    "<OK>Note: It is EXTREMELY important that you read the setup and other instructions in the Help File before going "
    "further.  Do not click on any buttons or check boxes until after viewing the instructions.");
const QString kSaveFailedNotice =
    QStringLiteral("<OK>The Korvane data files could not be saved, so Korvane stays open.  The activity log names the "
                   "file that failed.  Correct the problem, then quit again.");
const QString kFolded = QStringLiteral("Preferences >>");
const QString kUnfolded = QStringLiteral("<< Preferences");

// A window timer's interval: 0 (or less) switches it off; a Qt timer of 0 would fire
// as fast as the event loop spins.
void SetInterval(QTimer& timer, int milliseconds) {
    if (milliseconds > 0) {
        timer.start(milliseconds);
    } else {
        timer.stop();
    }
}

} // namespace

TForm1::TForm1(PlatformServices& platform, const ProgramLocation& location, QWidget* parent)
    : TPersistentForm(*platform.instanceLock, location.dataFolder, QStringLiteral("Korvane"), parent),
      platform_(platform), location_(location) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Korvane"));
    setWindowIcon(ArtworkIcon(Artwork::Window));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    Paint(this, palette::kBeige, palette::kNavy);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setupControls(this);

    currentPane_ = std::make_unique<ListBoxPane>(*TextListBox1, false);
    safePane_ = std::make_unique<ListBoxPane>(*TextListBox2, false);
    killPane_ = std::make_unique<ListBoxPane>(*CheckListBox3, true);
    neverKillPane_ = std::make_unique<ListBoxPane>(*TextListBox4, false);
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer3.setObjectName(QStringLiteral("Timer3"));
    connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timeout);

    form2_ = std::make_unique<TForm2>(*this);
    const WatchPanes panes{*currentPane_, *safePane_, *killPane_, *neverKillPane_};
    engine_ = std::make_unique<WatchEngine>(platform_, location_, panes, *this, *this, *form2_);
    store_ = std::make_unique<DataStore>(DataFiles(location_.dataFolder, location_.folder),
                                         StorePanes{*safePane_, *killPane_, *neverKillPane_}, engine_->log(),
                                         *platform_.fileLocker, *this);

    // The parts of the window, each with its own handlers. All are wired before the
    // saved settings are restored: restoring a check box raises its click reaction,
    // which the first-event registry of the message panel lets the reaction ignore.
    messagePanel_ = new CentralMessagePanel(controls(), *safePane_, *neverKillPane_, *this, this);
    fileInformation_ = new FileInformationPanel(controls(), engine_->packages(), this);
    listHints_ = new ListHints(controls(), this);
    new ListEditing(controls(), panes, ListDrops(panes, location_, engine_->snapshot(), engine_->admissionReads()),
                    engine_->flags(), *messagePanel_, *listHints_, this);
    wirePopupMenus();
    connect(PrefButton2, &TEncartaButton::clicked, this, [this] { RunHandler([this] { PrefButton2Click(); }); });
    connect(CheckBox3, &QCheckBox::clicked, this, &TForm1::CheckBox3Click);
    preferences_ = new PreferencesPanel(*this, this);
    trayControls_ = new TrayControls(*this, this);
    eventWatch_ = std::make_unique<ProcessEventWatch>(*this);
    if (ExecutionRefusals* refusals = engine_->executionRefusals()) {
        refusalWatch_ = new ExecutionRefusalWatch(*refusals, platform_.executionGuard->descriptor(), *CheckListBox3,
                                                  *TextListBox4, this);
    }

    RestoreSettings();
    // A second instance only reports and ends: it must not watch, kill or touch
    // the running instance's files.
    if (!isSecondInstance()) {
        // Owned by the window (its QObject parent).
        new SessionEndWatch(*this, *platform_.endOfSession);
        showWatchScope();
        RunHandler([this] { FormCreate(); });
    }
}

void TForm1::showWatchScope() {
    WatchScope* scope = platform_.scope.get();
    if (scope == nullptr) {
        return;
    }
    const auto show = [this, scope] { GaugeStatusBar1->setSimpleText(u' ' + QString::fromStdString(scope->text())); };
    show();
    scope->setChangeHandler(show);
}

TForm1::~TForm1() = default;

void TForm1::wirePopupMenus() {
    const auto attach = [](QWidget* area, QWidget* owner, QMenu* menu) {
        connect(owner, &QWidget::customContextMenuRequested, menu,
                [area, menu](const QPoint& at) { menu->popup(area->mapToGlobal(at)); });
    };
    attach(TextListBox1->viewport(), TextListBox1, PopupMenu1);
    attach(TextListBox2->viewport(), TextListBox2, PopupMenu2);
    attach(CheckListBox3->viewport(), CheckListBox3, PopupMenu3);
    attach(TextListBox4->viewport(), TextListBox4, PopupMenu4);
    attach(Image3, Image3, PopupMenu5);
}

void TForm1::endWithTheSession() {
    WMQueryEndSession();
    Q_EMIT endProgram();
}

QObjectList TForm1::DesignOrder() const {
    return {Edit1,
            ParmEdit,
            CheckBox1,
            CheckBox2,
            CheckBox7,
            CheckBox4,
            CheckBox5,
            MaskEdit1,
            CheckBox3,
            CheckBox6,
            CheckBox8,
            CheckBox10,
            GaugeStatusBar1,
            MaskEdit3,
            MaskEdit2,
            CheckBox9,
            DeleteFocusedSafeProcess1,
            DisplayFileInformation2,
            CopyToClipboard2,
            DeleteFocusedKillProcess1,
            Stripdowntoexenameonly1,
            DisplayFileInformation3,
            CopyToClipboard3,
            DisplayFileInformation1,
            CopyToClipboard1,
            DeleteFocusedNeverKillProcess1,
            MenuItem2,
            CopyToClipboard4,
            RemoveTheseFilesFromSafeList1,
            Changepassword1};
}

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !isSecondInstance()) {
        RunHandler([this] { FormActivate(); });
    }
    return TPersistentForm::event(event);
}

void TForm1::showEvent(QShowEvent* event) {
    TPersistentForm::showEvent(event);
    // Without a window manager (and under some Wayland compositors) a shown window may
    // never be activated; the lists must be loaded all the same.
    if (!shownOnce_ && !isSecondInstance()) {
        shownOnce_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (FirstActivation) {
                    RunHandler([this] { FormActivate(); });
                }
            },
            Qt::QueuedConnection);
    }
}

void TForm1::paintEvent(QPaintEvent* event) {
    TPersistentForm::paintEvent(event);
    RunHandler([this] { FormPaint(); });
}

void TForm1::FormPaint() {
    if (FirstPaintDone) {
        return;
    }
    FirstPaintDone = true;
    // Locked and watching: the program starts in the notification area. Hidden once
    // this paint is over, not from inside it.
    if (CheckBox5->isChecked() && isActivated()) {
        QMetaObject::invokeMethod(trayControls_, &TrayControls::HideInTray, Qt::QueuedConnection);
    }
}

void TForm1::resizeEvent(QResizeEvent* event) {
    TPersistentForm::resizeEvent(event);
    // The status line runs along the whole bottom edge.
    GaugeStatusBar1->setGeometry(0, height() - GaugeStatusBar1->height(), width(), GaugeStatusBar1->height());
}

void TForm1::closeEvent(QCloseEvent* event) {
    bool canClose = false;
    RunHandler([this, &canClose] { FormCloseQuery(canClose); });
    if (!canClose) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    // The dialog and the tray outlive a hidden main window, so the program ends
    // when this window closes, not when the last visible window does.
    Q_EMIT endProgram();
}

void TForm1::FormCloseQuery(bool& CanClose) {
    CanClose = false;
    if (!QuitConfirmed) {
        return;
    }
    const RunningTimers running = runningTimers();
    stopTimers();
    CanClose = HouseKeeping();
    if (!CanClose) {
        // A failed save keeps the window open and everything as before the quit: the
        // watch goes on, and the next quit asks again.
        QuitConfirmed = false;
        resumeAfterSave(running);
        messagePanel_->CloseMessagePanel();
        messagePanel_->CentralMessagesRtn(kSaveFailedNotice);
    }
}

bool TForm1::WMQueryEndSession() {
    if (isSecondInstance()) {
        return true;
    }
    stopTimers();
    bool saved = false;
    RunHandler([this, &saved] { saved = HouseKeeping(); });
    return saved;
}

bool TForm1::CommitSessionData() {
    const RunningTimers running = runningTimers();
    bool saved = false;
    RunHandler([this, &saved] { saved = HouseKeeping(); });
    resumeAfterSave(running);
    return saved;
}

TForm1::RunningTimers TForm1::runningTimers() const {
    return {Timer1.isActive(), Timer2.isActive(), Timer3.isActive()};
}

void TForm1::resumeAfterSave(const RunningTimers& running) {
    store_->lockDataFiles();
    // A stopped timer keeps its interval.
    for (const auto& [timer, ran] :
         {std::pair{&Timer1, running.watch}, std::pair{&Timer2, running.blink}, std::pair{&Timer3, running.alarm}}) {
        if (ran) {
            timer->start();
        }
    }
}

void TForm1::stopTimers() {
    setTimer1Interval(0);
    SetInterval(Timer2, 0);
    SetInterval(Timer3, 0);
}

bool TForm1::HouseKeeping() {
    stopTimers();
    const bool saved = store_->SaveLists(lockPassword());
    // The settings are handed back even when the lists failed: they go to a file of
    // their own, which the program writes when it ends.
    Edit1->setText(QString::number(IntegerEdit1->value()));
    CheckBox3Click();
    ParmEdit->setText(QString::fromStdString(flags_.handedBack()));
    // The change-password fields are saved with the settings: they must not carry a
    // password into that file.
    MaskEdit2->clear();
    MaskEdit3->clear();
    return saved;
}

void TForm1::SetAutoStart(bool on) {
    platform_.startup->setAutoStart(location_.executable, on);
}

void TForm1::CheckBox3Click() {
    SetAutoStart(CheckBox3->isChecked());
    Panel14->setFocus();
}

std::string TForm1::lockPassword() const {
    return MaskEdit1->text().toLocal8Bit().toStdString();
}

void TForm1::FormCreate() {
    store_->VerifyDataSeal();
    platform_.priority->raiseToHigh();
    new HintHidePause(kHintHidePause, this);

    CentralMsgLabel->clear();
    CentralMsgLabelButtonOK->hide();
    setOuterWidth(geometry::kFoldedWidth);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize outer = geometry::OuterSize(*this);
        const QRect desktop = screen->availableGeometry();
        PlaceWindow(*this, {desktop.x() + (desktop.width() - outer.width()) / 2,
                            desktop.y() + (desktop.height() - outer.height()) / 2});
    }
    // A tick restored from the settings was confirmed when the user gave it.
    setAutoKillConfirmed(CheckBox1->isChecked());
    preferences_->setAutoKillChecksumsLook(CheckBox2->isChecked());
    TIconList images;
    images.add(ArtworkIcon(Artwork::TrayActivated));
    images.add(ArtworkIcon(Artwork::TrayStopped));
    RxTrayIcon1->setIcons(images);
    RxTrayIcon1->setIcon(images.at(0));

    commitCheckInterval();
    engine_->takeFirstSnapshot(); // also sets ForceCheck
    applyStartMode();
    flags_.take(ParmEdit->text().toStdString());
    preferences_->applyPackageTrust();
    SetAutoStart(CheckBox3->isChecked());
    Panel17->move(12, 129);
}

bool TForm1::packagesVouch() {
    return trustInstalledPackages() && engine_->packages().index() != nullptr;
}

void TForm1::commitCheckInterval() {
    if (const std::optional<qint32> interval = TIntegerEdit::parseInteger(Edit1->text())) {
        IntegerEdit1->setValue(*interval);
    } else {
        IntegerEdit1->setValue(kDefaultInterval);
        Edit1->setText(QString::number(kDefaultInterval));
    }
}

void TForm1::applyStartMode() {
    const bool stopped = CheckBox7->isChecked();
    setActivationLook(!stopped);
    setTimer1Interval(stopped ? 0 : IntegerEdit1->value());
    SetInterval(Timer2, stopped ? kBlinkInterval : 0);
}

void TForm1::FormActivate() {
    if (FirstActivation) {
        MaskEdit1->setText(QString::fromLocal8Bit(store_->LoadLists()));
        messagePanel_->RegisterFirstEvent(CheckBox9);
        messagePanel_->RegisterFirstEvent(CheckBox5);
        if (CheckBox5->isChecked() && !lockPassword().empty()) {
            preferences_->paintLockArea(true);
        }
        if (flags_.isOn(FlagString::kPreferencesUnfolded)) {
            PrefButton2Click();
            preferences_->applyListBackground();
        }
        if (flags_.takeFirstRunNotice()) {
            messagePanel_->CentralMessagesRtn(kFirstRunNotice);
        }
        if (CheckBox7->isChecked()) {
            RxTrayIcon1->setIcon(RxTrayIcon1->icons()->at(1));
        }
    }
    FirstActivation = false;
    messagePanel_->RegisterFirstEvent(CheckBox1);
}

// The client area is what the design's frame leaves of the outer width.
void TForm1::setOuterWidth(int outerWidth) {
    setFixedSize(geometry::ClientSize(outerWidth, geometry::kHeight));
}

void TForm1::PrefButton2Click() {
    if (PrefButton2->caption() == kFolded) {
        PrefButton2->setCaption(kUnfolded);
        PlaceWindow(*this, {geometry::kUnfoldedLeft, y()});
        setOuterWidth(geometry::kUnfoldedWidth);
        flags_.set(FlagString::kPreferencesUnfolded, true);
    } else {
        setOuterWidth(geometry::kFoldedWidth);
        Panel11->hide();
        messagePanel_->LockPanels(false);
        PrefButton2->setCaption(kFolded);
        PlaceWindow(*this, {geometry::kFoldedLeft, y()});
        flags_.set(FlagString::kPreferencesUnfolded, false);
        // An interval typed but not committed is discarded.
        commitCheckInterval();
    }
    WarpPointer(*PrefButton2, CentreOf(*PrefButton2));
}

void TForm1::setTimer1Interval(int milliseconds) {
    SetInterval(Timer1, milliseconds);
}

void TForm1::runCycleNow() {
    if (Timer1.isActive()) {
        Timer1Timeout();
    }
}

void TForm1::checkNewcomers(const std::vector<int>& pids) {
    if (pids.empty() || FirstActivation || !Timer1.isActive()) {
        return;
    }
    RunHandler([&] { engine_->CheckNewcomers(pids); });
}

// Qt never fires a timer again while its own timeout handler is on the stack, not
// even inside a modal loop that handler starts. So the timeout only queues the
// cycle and returns: ticks then go on inside the questionable dialog. At most one
// cycle waits in the queue; timeouts that come meanwhile add nothing.
void TForm1::Timer1Timeout() {
    cycle_.request();
}

void TForm1::Timer1Timer() {
    if (FirstActivation) {
        return;
    }
    RunHandler([this] { engine_->Timer1Timer(); });
}

void TForm1::setActivationLook(bool activated) {
    if (refusalWatch_ != nullptr) {
        refusalWatch_->requestSync();
    }
    if (activated) {
        EncartaButton5->setCaption(QStringLiteral("Activated"));
        EncartaButton5->setColor(palette::kYellow);
        EncartaButton5->setFontColor(palette::kNavy);
    } else {
        EncartaButton5->setCaption(QStringLiteral("Stopped"));
        EncartaButton5->setColor(palette::kRed);
        EncartaButton5->setFontColor(palette::kYellow);
    }
}

bool TForm1::isActivated() const {
    return EncartaButton5->caption() == QLatin1String("Activated");
}

void TForm1::setTrayIconActive(bool active) {
    RxTrayIcon1->setActive(active);
}

void TForm1::paintTampered(ListPane& pane) {
    if (auto* list = dynamic_cast<ListBoxPane*>(&pane)) {
        PaintList(&list->box(), palette::kRed, palette::kYellow);
    }
}

void TForm1::startTamperAlarm() {
    SetInterval(Timer3, kAlarmInterval);
}

void TForm1::paintLogAlert() {
    EncartaButton7->setColor(palette::kRed);
    EncartaButton7->setFontColor(palette::kYellow);
}

void TForm1::hideMainWindow() {
    // Sent to the tray, the window is out of the way already; where it was minimised
    // for want of a tray, hidden it could not be brought back.
    if (!InTray) {
        hide();
    }
}

bool TForm1::autoKillUnknown() const {
    return CheckBox1->isChecked() && autoKillConfirmed_;
}

bool TForm1::autoKillUnknownChecksums() const {
    return CheckBox2->isChecked();
}

bool TForm1::alarmOnPopup() const {
    return CheckBox6->isChecked();
}

bool TForm1::uncheckBypassedKillsAtEoj() const {
    return CheckBox8->isChecked();
}

bool TForm1::trustInstalledPackages() const {
    return flags_.isOn(FlagString::kTrustInstalledPackages) && engine_->packages().available();
}

bool TForm1::questionableDialogUp() const {
    return engine_->flags().DialogUp;
}

void TForm1::CheckSafeProcessesList() {
    engine_->verifier().CheckSafeProcessesList();
}

bool TForm1::CopyAllCurrentToSafe() {
    return korvane::CopyAllCurrentToSafe(*currentPane_, *safePane_, location_.executable, engine_->snapshot(),
                                         engine_->admissionReads());
}

void TForm1::QuitConfirmedClose() {
    QuitConfirmed = true;
    close();
}

void TForm1::setAutoKillConfirmed(bool confirmed) {
    autoKillConfirmed_ = confirmed;
    PaintInForce({CheckBox1, Label1, Panel6}, confirmed);
}

void TForm1::dropUnconfirmedAutoKill() {
    if (CheckBox1->isChecked() && !autoKillConfirmed_) {
        CheckBox1->setChecked(false);
    }
}

} // namespace korvane

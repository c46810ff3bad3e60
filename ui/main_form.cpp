#include "ui/main_form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSessionManager>
#include <QSocketNotifier>

#include "ui/handler_guard.h"
#include "ui/palette.h"
#include "ui/process_event_watch.h"
#include "ui/questionable_form.h"

namespace korvane {

namespace {

constexpr int kFoldedWidth = 785;
constexpr int kHeight = 542;
constexpr int kDefaultInterval = 1000;
constexpr int kBlinkInterval = 500;
constexpr int kAlarmInterval = 1000;

const QString kFirstRunNotice = QStringLiteral(
    "<OK>Note: It is EXTREMELY important that you read the setup and other instructions in the Help File before going "
    "further.  Do not click on any buttons or check boxes until after viewing the instructions.");

// A window timer's interval: 0 (or less) switches it off; a Qt timer of 0 would fire
// as fast as the event loop spins.
void SetInterval(QTimer& timer, int milliseconds) {
    if (milliseconds > 0) {
        timer.start(milliseconds);
    } else {
        timer.stop();
    }
}

void Paint(QWidget* widget, const QColor& background, const QColor& text) {
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::Base, background);
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::ButtonText, text);
    widget->setPalette(colours);
    widget->setAutoFillBackground(true);
}

QFrame* MakePanel(QWidget* parent, const char* name, const QRect& bounds, const QColor& colour) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setGeometry(bounds);
    Paint(panel, colour, palette::kNavy);
    return panel;
}

// A list's header: a raised panel with a centred caption.
QLabel* MakeHeader(QWidget* parent, const char* name, const QString& caption, const QRect& bounds, const QColor& colour,
                   const QColor& text) {
    auto* header = new QLabel(caption, parent);
    header->setObjectName(QLatin1String(name));
    header->setGeometry(bounds);
    header->setAlignment(Qt::AlignCenter);
    header->setFrameStyle(QFrame::Panel | QFrame::Raised);
    QFont font = header->font();
    font.setBold(true);
    header->setFont(font);
    Paint(header, colour, text);
    return header;
}

TTextListBox* MakeList(QWidget* parent, const char* name, const QRect& bounds, bool sorted) {
    auto* box = new TTextListBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(bounds);
    box->setSorted(sorted);
    box->setFont(QFont(QStringLiteral("Verdana"), 8));
    QPalette colours = box->palette();
    colours.setColor(QPalette::Text, palette::kNavy);
    colours.setColor(QPalette::Base, Qt::white);
    box->setPalette(colours);
    return box;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& caption, QPoint at) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->move(at);
    box->resize(194, 17);
    Paint(box, palette::kBeige, palette::kNavy);
    return box;
}

// The tray images: 0 while activated, 1 while stopped.
QIcon TrayImage(const QColor& face, const QColor& letter) {
    QPixmap image(32, 32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(face);
    painter.setPen(QPen(palette::kNavy, 2));
    painter.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
    painter.setPen(letter);
    QFont font(QStringLiteral("Arial"), 16);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("K"));
    return QIcon(image);
}

} // namespace

TForm1::TForm1(PlatformServices& platform, const ProgramLocation& location, QWidget* parent)
    : TPersistentForm(*platform.instanceLock, location.folder, QStringLiteral("Korvane"), parent), platform_(platform),
      location_(location) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Korvane"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    Paint(this, palette::kBeige, palette::kNavy);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    buildListPanes();
    buildActionBar();
    buildPreferences();
    GaugeStatusBar1 = new TGaugeStatusBar(this);
    GaugeStatusBar1->setObjectName(QStringLiteral("GaugeStatusBar1"));
    GaugeStatusBar1->setSizeGripEnabled(false);

    RxTrayIcon1 = new TRxTrayIcon(this);
    RxTrayIcon1->setObjectName(QStringLiteral("RxTrayIcon1"));

    Timer1.setObjectName(QStringLiteral("Timer1"));
    connect(&Timer1, &QTimer::timeout, this, &TForm1::Timer1Timeout);
    connect(CheckListBox3, &QListWidget::itemChanged, this,
            [this] { RunHandler([this] { CheckListBox3ClickCheck(); }); });
    Timer2.setObjectName(QStringLiteral("Timer2"));
    Timer3.setObjectName(QStringLiteral("Timer3"));

    form2_ = std::make_unique<TForm2>(*this);
    engine_ = std::make_unique<WatchEngine>(platform_, location_,
                                            WatchPanes{*currentPane_, *safePane_, *killPane_, *neverKillPane_}, *this,
                                            *this, *form2_);
    store_ = std::make_unique<DataStore>(location_.folder, StorePanes{*safePane_, *killPane_, *neverKillPane_},
                                         engine_->log(), *platform_.fileLocker, *this);
    connect(CheckBox3, &QCheckBox::clicked, this, &TForm1::CheckBox3Click);
    eventWatch_ = std::make_unique<ProcessEventWatch>(*this);
    RestoreSettings();
    // A second instance only reports and ends: it must not watch, kill or touch
    // the running instance's files.
    if (!isSecondInstance()) {
        watchEndOfSession();
        RunHandler([this] { FormCreate(); });
    }
}

void TForm1::watchEndOfSession() {
    // A request to terminate saves and ends the program, without the quit question.
    EndOfSession& requests = *platform_.endOfSession;
    if (const int descriptor = requests.startReceiving(); descriptor >= 0) {
        auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, &requests] {
            if (requests.takeRequests()) {
                WMQueryEndSession();
                Q_EMIT endProgram();
            }
        });
    }
    // The session manager asks before logging out; should the logout be cancelled,
    // the program goes on with its timers stopped and its files written.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { WMQueryEndSession(); });
}

QObjectList TForm1::DesignOrder() const {
    return {Edit1,     ParmEdit,  CheckBox1, CheckBox2,  CheckBox7,      CheckBox4,
            CheckBox3, CheckBox6, CheckBox8, CheckBox10, GaugeStatusBar1};
}

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !isSecondInstance()) {
        RunHandler([this] { FormActivate(); });
    }
    return TPersistentForm::event(event);
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
    stopTimers();
    // A failed save keeps the window open; the next close request tries again.
    CanClose = HouseKeeping();
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
    return saved;
}

void TForm1::SetAutoStart(bool on) {
    platform_.startup->setAutoStart(location_.executable, on);
}

void TForm1::CheckBox3Click() {
    SetAutoStart(CheckBox3->isChecked());
}

std::string TForm1::lockPassword() const {
    return MaskEdit1->text().toLocal8Bit().toStdString();
}

TForm1::~TForm1() = default;

void TForm1::buildListPanes() {
    Panel1 = MakePanel(this, "Panel1", QRect(2, 2, 775, 458), palette::kBeige);
    MakeHeader(Panel1, "Panel2", QStringLiteral("Current Processes"), QRect(7, 4, 257, 19), palette::kBeige,
               palette::kNavy);
    MakeHeader(Panel1, "Panel3", QStringLiteral("Safe Processes"), QRect(271, 4, 245, 19), palette::kLime,
               palette::kNavy);
    MakeHeader(Panel1, "Panel7", QStringLiteral("Kill Processes"), QRect(523, 4, 245, 19), palette::kRed,
               palette::kYellow);
    TextListBox1 = MakeList(Panel1, "TextListBox1", QRect(7, 24, 257, 426), true);
    TextListBox2 = MakeList(Panel1, "TextListBox2", QRect(271, 24, 245, 426), true);
    CheckListBox3 = MakeList(Panel1, "CheckListBox3", QRect(523, 24, 245, 426), false);
    CheckListBox3->setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    Panel15 = MakePanel(this, "Panel15", QRect(784, 320, 206, 139), palette::kBeige);
    MakeHeader(Panel15, "Panel8", QStringLiteral("Never Kill System Processes"), QRect(3, 0, 200, 18), palette::kYellow,
               palette::kNavy);
    TextListBox4 = MakeList(Panel15, "TextListBox4", QRect(3, 18, 200, 114), true);

    currentPane_ = std::make_unique<ListBoxPane>(*TextListBox1, false);
    safePane_ = std::make_unique<ListBoxPane>(*TextListBox2, false);
    killPane_ = std::make_unique<ListBoxPane>(*CheckListBox3, true);
    neverKillPane_ = std::make_unique<ListBoxPane>(*TextListBox4, false);
}

void TForm1::buildActionBar() {
    Panel13 = MakePanel(this, "Panel13", QRect(2, 461, 692, 31), palette::kBeige);
    EncartaButton5 = new TEncartaButton(Panel13);
    EncartaButton5->setObjectName(QStringLiteral("EncartaButton5"));
    EncartaButton5->setGeometry(284, 4, 72, 22);
    EncartaButton5->setColorBorder(palette::kNavy);
    EncartaButton5->setColorOverCaption(palette::kNavy);
    EncartaButton5->setCaption(QStringLiteral("Activated"));

    EncartaButton7 = new TEncartaButton(Panel13);
    EncartaButton7->setObjectName(QStringLiteral("EncartaButton7"));
    EncartaButton7->setGeometry(646, 4, 45, 17);
    EncartaButton7->setColor(palette::kBeige);
    EncartaButton7->setColorBorder(palette::kNavy);
    EncartaButton7->setColorOver(palette::kTan);
    EncartaButton7->setColorOverCaption(palette::kNavy);
    EncartaButton7->setFontColor(palette::kNavy);
    EncartaButton7->setCaption(QStringLiteral("Log"));
}

void TForm1::buildPreferences() {
    Panel4 = MakePanel(this, "Panel4", QRect(779, 2, 217, 458), palette::kBeige);
    MakeHeader(Panel4, "Panel5", QStringLiteral("Preferences"), QRect(4, 4, 209, 19), palette::kBeige, palette::kNavy);
    CheckBox1 = MakeCheckBox(Panel4, "CheckBox1", QStringLiteral("Auto Kill unknown processes without prompting."),
                             QPoint(13, 30));
    CheckBox2 = MakeCheckBox(Panel4, "CheckBox2", QStringLiteral("Auto Kill unknown checksums"), QPoint(13, 63));
    CheckBox7 = MakeCheckBox(Panel4, "CheckBox7", QStringLiteral("Start program in Stopped mode."), QPoint(13, 94));
    CheckBox4 = MakeCheckBox(Panel4, "CheckBox4", QStringLiteral("Beige background color"), QPoint(13, 111));
    CheckBox6 = MakeCheckBox(Panel4, "CheckBox6", QStringLiteral("Alarm on popup"), QPoint(13, 128));
    CheckBox3 = MakeCheckBox(Panel4, "CheckBox3", QStringLiteral("Run at Windows startup"), QPoint(13, 145));
    CheckBox8 = MakeCheckBox(Panel4, "CheckBox8", QStringLiteral("Uncheck Bypassed Kills at EOJ"), QPoint(13, 162));
    CheckBox10 = MakeCheckBox(Panel4, "CheckBox10", QStringLiteral("Activate upon Tray"), QPoint(13, 179));
    // A first start kills nothing before the user has filled the Safe list.
    CheckBox7->setChecked(true);

    IntegerEdit1 = new TIntegerEdit(Panel4);
    IntegerEdit1->setObjectName(QStringLiteral("IntegerEdit1"));
    IntegerEdit1->setGeometry(125, 223, 41, 21);
    IntegerEdit1->setMinValue(500);
    IntegerEdit1->setMaxValue(7000);
    IntegerEdit1->setValidate(false);
    IntegerEdit1->setMaxLength(4);
    IntegerEdit1->setValue(500);

    // The lock password: shown masked, never typed into.
    MaskEdit1 = new QLineEdit(Panel4);
    MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
    MaskEdit1->setGeometry(17, 290, 121, 21);
    MaskEdit1->setEchoMode(QLineEdit::Password);
    MaskEdit1->setStyleSheet(QStringLiteral("lineedit-password-character: 35"));
    MaskEdit1->setEnabled(false);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->hide();
    ParmEdit = new QLineEdit(QString(27, u'0'), this);
    ParmEdit->setObjectName(QStringLiteral("ParmEdit"));
    ParmEdit->hide();
}

void TForm1::FormCreate() {
    store_->VerifyDataSeal();
    platform_.priority->raiseToHigh();

    resize(kFoldedWidth, kHeight);
    setFixedSize(kFoldedWidth, kHeight);
    GaugeStatusBar1->setGeometry(0, kHeight - 19, kFoldedWidth, 19);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    TIconList images;
    images.add(TrayImage(palette::kYellow, palette::kNavy));
    images.add(TrayImage(palette::kRed, palette::kYellow));
    RxTrayIcon1->setIcons(images);
    RxTrayIcon1->setIcon(images.at(CheckBox7->isChecked() ? 1 : 0));
    // A tick restored from the settings was confirmed when the user gave it.
    setAutoKillConfirmed(CheckBox1->isChecked());

    commitCheckInterval();
    engine_->takeFirstSnapshot(); // also sets ForceCheck
    applyStartMode();
    flags_.take(ParmEdit->text().toStdString());
    SetAutoStart(CheckBox3->isChecked());
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
        if (messagePanel_ != nullptr && flags_.takeFirstRunNotice()) {
            messagePanel_->CentralMessagesRtn(kFirstRunNotice);
        }
    }
    FirstActivation = false;
    if (firstEvents_ != nullptr) {
        firstEvents_->RegisterFirstEvent(CheckBox1);
    }
}

void TForm1::setTimer1Interval(int milliseconds) {
    SetInterval(Timer1, milliseconds);
}

void TForm1::runCycleNow() {
    if (Timer1.isActive()) {
        Timer1Timeout();
    }
}

// Qt never fires a timer again while its own timeout handler is on the stack, not
// even inside a modal loop that handler starts. So the timeout only queues the
// cycle and returns: ticks then go on inside the questionable dialog. At most one
// cycle waits in the queue; timeouts that come meanwhile add nothing.
void TForm1::Timer1Timeout() {
    if (cycleQueued_) {
        return;
    }
    cycleQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            cycleQueued_ = false;
            Timer1Timer();
        },
        Qt::QueuedConnection);
}

void TForm1::setActivationLook(bool activated) {
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

void TForm1::Timer1Timer() {
    RunHandler([this] { engine_->Timer1Timer(); });
}

bool TForm1::isActivated() const {
    return EncartaButton5->caption() == QLatin1String("Activated");
}

void TForm1::setTrayIconActive(bool active) {
    RxTrayIcon1->setActive(active);
}

void TForm1::paintTampered(ListPane& pane) {
    auto* list = dynamic_cast<ListBoxPane*>(&pane);
    if (list == nullptr) {
        return;
    }
    QPalette colours = list->box().palette();
    colours.setColor(QPalette::Base, palette::kRed);
    colours.setColor(QPalette::Text, palette::kYellow);
    list->box().setPalette(colours);
}

void TForm1::startTamperAlarm() {
    SetInterval(Timer3, kAlarmInterval);
}

void TForm1::paintLogAlert() {
    EncartaButton7->setColor(palette::kRed);
    EncartaButton7->setFontColor(palette::kYellow);
}

void TForm1::hideMainWindow() {
    hide();
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

void TForm1::CheckListBox3ClickCheck() {
    engine_->flags().ForceCheck = true;
}

void TForm1::setAutoKillConfirmed(bool confirmed) {
    autoKillConfirmed_ = confirmed;
    if (confirmed) {
        Paint(CheckBox1, palette::kRed, palette::kYellow);
    } else {
        Paint(CheckBox1, palette::kBeige, palette::kNavy);
    }
}

void TForm1::dropUnconfirmedAutoKill() {
    if (CheckBox1->isChecked() && !autoKillConfirmed_) {
        CheckBox1->setChecked(false);
    }
}

} // namespace korvane

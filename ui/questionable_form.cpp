#include "ui/questionable_form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "engine/decision_record.h"
#include "engine/list_cleanup.h"
#include "engine/text_rules.h"
#include "ui/control_colours.h"
#include "ui/file_information_panel.h"
#include "ui/handler_guard.h"
#include "ui/main_form.h"
#include "ui/palette.h"
#include "ui/window_placement.h"

namespace korvane {

namespace {

constexpr int kEntryTextRole = Qt::UserRole + 1;
constexpr int kPathRole = Qt::UserRole + 2;
constexpr int kPidRole = Qt::UserRole + 3;
constexpr int kStartTimeRole = Qt::UserRole + 4;

TEncartaButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& bounds) {
    auto* button = new TEncartaButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(bounds);
    button->setColorBorder(palette::kNavy);
    button->setFont(QFont(QStringLiteral("Verdana"), 8));
    button->setCaption(caption);
    return button;
}

} // namespace

TForm2::TForm2(TForm1& mainForm) : QDialog(nullptr), mainForm_(mainForm) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Korvane (Questionable Processes)"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    setFixedSize(481, 166);
    Paint(this, palette::kBeige, palette::kNavy);
    // Hints stay up 10 seconds here too: the main window set that for the application.

    CheckListBox1 = new TTextListBox(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    CheckListBox1->setGeometry(0, 0, 481, 97);
    CheckListBox1->setFont(QFont(QStringLiteral("Verdana"), 8));
    PaintList(CheckListBox1, Qt::white, palette::kNavy);
    CheckListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(CheckListBox1, &TTextListBox::click, this, [this] { RunHandler([this] { CheckListBox1Click(); }); });

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    DisplayFileInformation1 = PopupMenu1->addAction(QStringLiteral("Display file information"));
    DisplayFileInformation1->setObjectName(QStringLiteral("DisplayFileInformation1"));
    connect(CheckListBox1, &QWidget::customContextMenuRequested, PopupMenu1,
            [this](const QPoint& at) { PopupMenu1->popup(CheckListBox1->viewport()->mapToGlobal(at)); });
    connect(DisplayFileInformation1, &QAction::triggered, this,
            [this] { RunHandler([this] { DisplayFileInformation1Click(); }); });

    // Takes the focus on activation, so that no button holds it.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(236, 99, 9, 7);
    Panel1->setFocusPolicy(Qt::StrongFocus);

    EncartaButton1 =
        MakeButton(this, "EncartaButton1", QStringLiteral("KILL CHECKED IMMEDIATELY"), QRect(7, 104, 466, 29));
    EncartaButton1->setColor(palette::kRed);
    EncartaButton1->setFontColor(palette::kYellow);
    EncartaButton1->setColorOver(palette::kRed);
    EncartaButton1->setColorOverCaption(palette::kYellow);
    EncartaButton1->setColorDown(palette::kTan);
    QFont bold = EncartaButton1->font();
    bold.setBold(true);
    EncartaButton1->setFont(bold);

    EncartaButton2 =
        MakeButton(this, "EncartaButton2", QStringLiteral("Continue executing checked and list in Safe Processes"),
                   QRect(8, 135, 465, 29));
    EncartaButton2->setColor(palette::kBeige);
    EncartaButton2->setFontColor(palette::kNavy);
    EncartaButton2->setColorOver(palette::kTan);
    EncartaButton2->setColorOverCaption(palette::kNavy);
    EncartaButton2->setColorDown(palette::kGold);

    connect(EncartaButton1, &TEncartaButton::clicked, this, [this] { RunHandler([this] { EncartaButton1Click(); }); });
    connect(EncartaButton2, &TEncartaButton::clicked, this, [this] { RunHandler([this] { EncartaButton2Click(); }); });

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        PlaceWindow(*this, screen->availableGeometry().center() - rect().center());
    }
}

std::size_t TForm2::count() const {
    return static_cast<std::size_t>(CheckListBox1->count());
}

std::string TForm2::item(std::size_t index) const {
    return CheckListBox1->text(static_cast<int>(index));
}

void TForm2::append(const std::string& line, const SnapshotEntry& entry) {
    QListWidgetItem* item = CheckListBox1->item(CheckListBox1->addText(line));
    item->setData(kEntryTextRole, QByteArray::fromStdString(entry.text));
    item->setData(kPathRole, QByteArray::fromStdString(entry.path));
    item->setData(kPidRole, entry.id.pid);
    item->setData(kStartTimeRole, QVariant::fromValue<qulonglong>(entry.id.startTime));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
}

SnapshotEntry TForm2::entry(std::size_t index) const {
    const QListWidgetItem* item = CheckListBox1->item(static_cast<int>(index));
    return {item->data(kEntryTextRole).toByteArray().toStdString(),
            item->data(kPathRole).toByteArray().toStdString(),
            {item->data(kPidRole).toInt(), item->data(kStartTimeRole).toULongLong()}};
}

std::string TForm2::StripBrackets(std::string_view line) {
    const std::size_t bracket = line.find('[');
    return bracket == std::string_view::npos ? std::string() : Trim(line.substr(0, bracket));
}

void TForm2::bringToFront() {
    raise();
}

void TForm2::showModal() {
    exec();
}

bool TForm2::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        RunHandler([this] { FormActivate(); });
    }
    return QDialog::event(event);
}

// Also when shown: a window system may show the dialog without activating it.
void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RunHandler([this] { FormActivate(); });
}

void TForm2::FormActivate() {
    MainFormControls& main = mainForm_.controls();
    main.Panel11->hide();
    main.Panel17->hide();
    // Hidden, its question forgotten and the main window's panels unlocked.
    mainForm_.messagePanel().CloseMessagePanel();
    CheckListBox1->setToolTip(QString());
    mainForm_.dropUnconfirmedAutoKill();
    Panel1->setFocus();
    // Kept on top by its window flags, which are not set again here: that would hide
    // the window and make it anew.
    raise();
}

void TForm2::CheckListBox1Click() {
    const int row = CheckListBox1->currentRow();
    if (row >= 0) {
        // A long line is readable in full as the list's hint.
        CheckListBox1->setToolTip(CheckListBox1->item(row)->text());
    }
}

QuestionableDecisions TForm2::decisions() {
    WatchEngine& engine = mainForm_.engine();
    return {engine.killer(), engine.log(), engine.admissionReads(), mainForm_.safePane(), mainForm_.killPane()};
}

void TForm2::decideCheckedLines(const std::function<void(const SnapshotEntry&)>& decide) {
    for (int row = CheckListBox1->count() - 1; row >= 0; --row) {
        if (CheckListBox1->item(row)->checkState() == Qt::Checked) {
            decide(entry(static_cast<std::size_t>(row)));
            delete CheckListBox1->takeItem(row);
        }
    }
}

void TForm2::EncartaButton1Click() {
    QuestionableDecisions decide = decisions();
    const LogPass pass(mainForm_.engine().log());
    decideCheckedLines([&decide](const SnapshotEntry& process) { decide.KillCheckedLine(process); });
    decide.EndKillPass();
    close();
}

void TForm2::EncartaButton2Click() {
    QuestionableDecisions decide = decisions();
    const LogPass pass(mainForm_.engine().log());
    decideCheckedLines([&decide](const SnapshotEntry& process) { decide.AdmitCheckedLine(process); });
    close();
}

void TForm2::DisplayFileInformation1Click() {
    const int row = CheckListBox1->currentRow();
    if (row < 0) {
        return;
    }
    ShowFileInformationMessage(StripBrackets(CheckListBox1->text(row)), this);
}

bool TForm2::FormCloseQuery() {
    if (!mainForm_.autoKillTicked() && CheckListBox1->count() > 0) {
        return false;
    }
    mainForm_.engine().flags().DialogUp = false;
    hide();
    if (!mainForm_.inTray()) {
        mainForm_.show();
    }
    DeleteDupesBlanks(mainForm_.safePane());
    mainForm_.controls().CentralMsgLabelPanel1->raise();
    return true;
}

void TForm2::closeEvent(QCloseEvent* event) {
    bool accepted = false;
    RunHandler([&] { accepted = FormCloseQuery(); });
    if (accepted) {
        QDialog::closeEvent(event);
        done(QDialog::Accepted);
    } else {
        event->ignore();
    }
}

// Escape goes through the same close check as the close box.
void TForm2::reject() {
    close();
}

} // namespace korvane

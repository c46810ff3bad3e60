#include "ui/questionable_form.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "engine/checksums.h"
#include "engine/decision_record.h"
#include "engine/list_cleanup.h"
#include "engine/path_rules.h"
#include "engine/safe_list_entry.h"
#include "engine/text_rules.h"
#include "ui/handler_guard.h"
#include "ui/main_form.h"
#include "ui/palette.h"

namespace korvane {

namespace {

constexpr int kBytesRole = Qt::UserRole;
constexpr int kEntryTextRole = Qt::UserRole + 1;
constexpr int kPathRole = Qt::UserRole + 2;
constexpr int kPidRole = Qt::UserRole + 3;
constexpr int kStartTimeRole = Qt::UserRole + 4;

// The program is terminated all the same; only its path cannot be listed.
const char kKilledNotListed[] = "Terminated by user.  It can not be listed in Kill Processes list.";
const char kNotSafeListed[] = "This program locked it's exe file.  It can not be listed in Safe Processes list.";

TEncartaButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& bounds) {
    auto* button = new TEncartaButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(bounds);
    button->setColorBorder(palette::kNavy);
    QFont font(QStringLiteral("Verdana"), 8);
    button->setFont(font);
    button->setCaption(caption);
    return button;
}

} // namespace

TForm2::TForm2(TForm1& mainForm) : QDialog(nullptr), mainForm_(mainForm) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Korvane (Questionable Processes)"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(481, 166);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, palette::kBeige);
    setPalette(colours);
    setAutoFillBackground(true);

    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    CheckListBox1->setGeometry(0, 0, 481, 97);
    CheckListBox1->setFont(QFont(QStringLiteral("Verdana"), 8));
    QPalette listColours = CheckListBox1->palette();
    listColours.setColor(QPalette::Text, palette::kNavy);
    CheckListBox1->setPalette(listColours);
    connect(CheckListBox1, &QListWidget::currentRowChanged, this, [this](int row) {
        // A long entry is readable in full as the list's hint.
        CheckListBox1->setToolTip(row >= 0 ? CheckListBox1->item(row)->text() : QString());
    });

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
}

std::size_t TForm2::count() const {
    return static_cast<std::size_t>(CheckListBox1->count());
}

std::string TForm2::item(std::size_t index) const {
    return CheckListBox1->item(static_cast<int>(index))->data(kBytesRole).toByteArray().toStdString();
}

void TForm2::append(const std::string& line, const SnapshotEntry& entry) {
    const QByteArray bytes = QByteArray::fromStdString(line);
    auto* item = new QListWidgetItem(QString::fromLocal8Bit(bytes), CheckListBox1);
    item->setData(kBytesRole, bytes);
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

void TForm2::bringToFront() {
    raise();
    activateWindow();
}

void TForm2::showModal() {
    exec();
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    RunHandler([this] { FormActivate(); });
}

void TForm2::FormActivate() {
    mainForm_.dropUnconfirmedAutoKill();
    Panel1->setFocus();
    bringToFront();
}

void TForm2::EncartaButton1Click() {
    WatchEngine& engine = mainForm_.engine();
    ListPane& kill = mainForm_.killPane();
    // From the end, so that deleting a line never moves one still to be handled.
    for (int row = CheckListBox1->count() - 1; row >= 0; --row) {
        if (CheckListBox1->item(row)->checkState() != Qt::Checked) {
            continue;
        }
        const SnapshotEntry process = entry(static_cast<std::size_t>(row));
        engine.killer().FileKill(process);
        if (ListablePath(process.path)) {
            RecordDecision(engine.log(), process, "Terminated by user, placed in Kill list.", false);
            kill.add(Trim(process.path));
        } else {
            RecordDecision(engine.log(), process, kKilledNotListed, false);
        }
        delete CheckListBox1->takeItem(row);
    }
    DeleteNeighbourDuplicates(kill);
    close();
}

void TForm2::EncartaButton2Click() {
    WatchEngine& engine = mainForm_.engine();
    ExecutableAccess& executables = *mainForm_.platform().executables;
    for (int row = CheckListBox1->count() - 1; row >= 0; --row) {
        if (CheckListBox1->item(row)->checkState() != Qt::Checked) {
            continue;
        }
        const SnapshotEntry process = entry(static_cast<std::size_t>(row));
        // The checksum of the image that runs, which later checks compare with; once
        // the process has ended, of the file at its path.
        const std::string image = executables.runningImage(process.id).value_or(process.path);
        if (!ListablePath(process.path) || !executables.probe(image)) {
            RecordDecision(engine.log(), process, kNotSafeListed, false);
        } else {
            AdmitToSafeList(mainForm_.safePane(), Trim(process.path), DigestText(FileDigest(image)));
            RecordDecision(engine.log(), process, "Continued execution, placed in Safe Processes list.", false);
        }
        delete CheckListBox1->takeItem(row);
    }
    close();
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

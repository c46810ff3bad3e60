#include <string>

#include <QApplication>
#include <QEnterEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "widgets/encarta_button.h"
#include "widgets/gauge_status_bar.h"
#include "widgets/integer_edit.h"
#include "widgets/rx_tray_icon.h"
#include "widgets/text_list_box.h"

namespace korvane {
namespace {

const QColor Beige(231, 223, 173);
const QColor Navy(0, 0, 128);

QLabel* note(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

QPixmap stateIcon(const QColor& fill, const QColor& mark) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(fill);
    painter.setPen(Navy);
    painter.drawEllipse(1, 1, 14, 14);
    painter.setBrush(mark);
    painter.drawEllipse(5, 5, 6, 6);
    return pixmap;
}

TEncartaButton* button(const QString& caption, const QColor& face, const QColor& text) {
    auto* result = new TEncartaButton;
    result->setCaption(caption);
    result->setColor(face);
    result->setFontColor(text);
    result->setColorBorder(Navy);
    result->setFixedSize(result->sizeHint());
    return result;
}

QGroupBox* buttons() {
    auto* box = new QGroupBox(QStringLiteral("TEncartaButton"));
    auto* grid = new QGridLayout(box);

    auto* normal = button(QStringLiteral("Quit"), Beige, Navy);
    auto* hover = button(QStringLiteral("Log"), Beige, Navy);
    auto* pressed = button(QStringLiteral("Tray"), Beige, Navy);
    auto* stopped = button(QStringLiteral("Stopped"), Qt::red, Qt::yellow);
    auto* activated = button(QStringLiteral("Activated"), Qt::yellow, Navy);
    auto* glyph = button(QStringLiteral("Help"), Beige, Navy);
    glyph->setGlyph(stateIcon(Qt::yellow, Navy));
    glyph->setFixedSize(100, 26);

    const QList<QPair<QWidget*, QString>> row = {
        {normal, QStringLiteral("normal")},         {hover, QStringLiteral("hover look")},
        {pressed, QStringLiteral("pressed look")},  {stopped, QStringLiteral("red lamp")},
        {activated, QStringLiteral("yellow lamp")}, {glyph, QStringLiteral("with glyph")}};
    for (int column = 0; column < row.size(); ++column) {
        grid->addWidget(row[column].first, 0, column, Qt::AlignHCenter);
        grid->addWidget(note(row[column].second), 1, column, Qt::AlignHCenter);
    }

    // The looks a pointer would give, held until a real pointer comes by.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(hover, &enter);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(pressed, &press);
    return box;
}

TGaugeStatusBar* gaugeBar(TGaugeStatusBar::TShowStyle style, TGaugeStatusBar::TGaugeStatusBarStyle barStyle,
                          int position, const QString& caption) {
    auto* bar = new TGaugeStatusBar;
    bar->setSizeGripEnabled(false);
    bar->addPanel(150, QStringLiteral("Processes: 87"));
    bar->addPanel(260);
    bar->addPanel(120, QStringLiteral("Activated"));
    bar->setPanelNumber(1);
    bar->setCaption(caption);
    bar->setCaptionStyle(style);
    bar->setBarStyle(barStyle);
    bar->setCenterText(true);
    bar->setPosition(position);
    bar->setMinimumHeight(22);
    return bar;
}

QGroupBox* statusBars() {
    auto* box = new QGroupBox(QStringLiteral("TGaugeStatusBar"));
    auto* column = new QVBoxLayout(box);
    using Bar = TGaugeStatusBar;
    const struct {
        Bar::TShowStyle style;
        Bar::TGaugeStatusBarStyle barStyle;
        int position;
        QString label;
    } bars[] = {
        {Bar::ssNone, Bar::gsbColor, 25, QStringLiteral("ssNone, 25 %")},
        {Bar::ssPercent, Bar::gsbColor, 50, QStringLiteral("ssPercent, 50 %")},
        {Bar::ssText, Bar::gsbColor, 65, QStringLiteral("ssText, 65 %")},
        {Bar::ssBoth, Bar::gsbEdged, 80, QStringLiteral("ssBoth, edged, 80 %")},
    };
    for (const auto& shown : bars) {
        column->addWidget(note(shown.label));
        column->addWidget(gaugeBar(shown.style, shown.barStyle, shown.position, QStringLiteral("Checking ")));
    }
    auto* simple = new TGaugeStatusBar;
    simple->setSizeGripEnabled(false);
    simple->setSimpleText(QStringLiteral("A simple text, no panels"));
    column->addWidget(note(QStringLiteral("simple text")));
    column->addWidget(simple);
    return box;
}

QGroupBox* listBox() {
    auto* box = new QGroupBox(QStringLiteral("TTextListBox (sorted, long items)"));
    auto* column = new QVBoxLayout(box);
    auto* list = new TTextListBox;
    list->setSorted(true);
    for (const char* path : {"/usr/lib/firefox-esr/firefox-esr", "/usr/bin/bash", "/usr/sbin/NetworkManager",
                             "/opt/very/long/vendor/installation/folder/with/many/levels/bin/updater-daemon-service",
                             "/usr/lib/systemd/systemd-journald", "/usr/bin/Xvfb", "/usr/lib/xorg/Xorg"}) {
        list->addText(path);
    }
    list->setFixedSize(300, 150);
    column->addWidget(list, 0, Qt::AlignTop | Qt::AlignLeft);
    return box;
}

QGroupBox* integerEdits() {
    auto* box = new QGroupBox(QStringLiteral("TIntegerEdit"));
    auto* grid = new QGridLayout(box);

    auto* interval = new TIntegerEdit;
    interval->setMinValue(500);
    interval->setMaxValue(7000);
    interval->setMaxLength(4);
    interval->setValue(1000);

    auto* clamped = new TIntegerEdit;
    clamped->setMinValue(500);
    clamped->setMaxValue(7000);
    clamped->setValidate(true);
    clamped->setValue(100);

    auto* partial = new TIntegerEdit;
    partial->setText(QStringLiteral("-"));

    auto* padded = new TIntegerEdit;
    padded->setFormatString(QStringLiteral("%05d"));
    padded->setValue(42);

    const QList<QPair<TIntegerEdit*, QString>> rows = {
        {interval, QStringLiteral("interval field, at most 4 characters")},
        {clamped, QStringLiteral("validate on, 100 clamped to 500 (warning colour)")},
        {partial, QStringLiteral("partial entry \"-\"")},
        {padded, QStringLiteral("format \"%05d\"")}};
    for (int row = 0; row < rows.size(); ++row) {
        rows[row].first->setFixedWidth(70);
        grid->addWidget(rows[row].first, row, 0);
        grid->addWidget(note(rows[row].second), row, 1);
    }
    return box;
}

QGroupBox* trayIcon(TRxTrayIcon* tray) {
    auto* box = new QGroupBox(QStringLiteral("TRxTrayIcon"));
    auto* grid = new QGridLayout(box);
    const QPixmap activated = stateIcon(Qt::yellow, Navy);
    const QPixmap stopped = stateIcon(Qt::red, Qt::yellow);
    tray->icons()->add(QIcon(activated));
    tray->icons()->add(QIcon(stopped));
    tray->setHint(QStringLiteral("Korvane"));
    tray->setIcon(tray->icons()->at(0));

    auto* first = new QLabel;
    first->setPixmap(activated.scaled(32, 32));
    auto* second = new QLabel;
    second->setPixmap(stopped.scaled(32, 32));
    grid->addWidget(first, 0, 0);
    grid->addWidget(note(QStringLiteral("icon 0, activated")), 0, 1);
    grid->addWidget(second, 1, 0);
    grid->addWidget(note(QStringLiteral("icon 1, stopped")), 1, 1);
    grid->addWidget(note(tray->isAdded() ? QStringLiteral("In the notification area now.")
                                         : QStringLiteral("No notification area here: the icon is not added.")),
                    2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    return box;
}

} // namespace
} // namespace korvane

int main(int argc, char** argv) {
    using namespace korvane;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane widget gallery"));

    QWidget window;
    window.setWindowTitle(QApplication::applicationName());
    QPalette colours = window.palette();
    colours.setColor(QPalette::Window, Beige);
    window.setPalette(colours);
    window.setAutoFillBackground(true);

    TRxTrayIcon tray;
    auto* grid = new QGridLayout(&window);
    grid->addWidget(buttons(), 0, 0, 1, 2);
    grid->addWidget(statusBars(), 1, 0, 2, 1);
    grid->addWidget(listBox(), 1, 1);
    grid->addWidget(integerEdits(), 2, 1);
    grid->addWidget(trayIcon(&tray), 3, 1);
    grid->setRowStretch(4, 1);
    window.resize(1024, 768);
    window.move(0, 0);
    window.show();
    return QApplication::exec();
}

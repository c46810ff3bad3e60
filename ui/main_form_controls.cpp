#include "ui/main_form_controls.h"

#include <algorithm>
#include <initializer_list>
#include <tuple>
#include <utility>

#include <QStyle>
#include <QStyleOptionButton>

#include "resources/artwork.h"
#include "ui/control_colours.h"
#include "ui/main_form_geometry.h"
#include "ui/palette.h"
#include "widgets/font_substitutions.h"

namespace korvane {

namespace {

template <class Control> Control* Named(Control* control, const char* name) {
    control->setObjectName(QLatin1String(name));
    return control;
}

QFont Font(const char* family, int points, bool bold = false) {
    QFont font{QLatin1String(family), points};
    font.setBold(bold);
    return font;
}

QFrame* MakePanel(QWidget* parent, const char* name, const QRect& bounds, const QColor& colour,
                  QFrame::Shadow bevel = QFrame::Raised) {
    auto* panel = Named(new QFrame(parent), name);
    panel->setGeometry(bounds);
    if (bevel != QFrame::Plain) {
        panel->setFrameStyle(QFrame::Panel | bevel);
    }
    Paint(panel, colour, palette::kNavy);
    return panel;
}

// A panel that shows its caption in its middle, as the list headers do.
QLabel* MakeHeader(QWidget* parent, const char* name, const QString& caption, const QRect& bounds, const QColor& colour,
                   const QColor& text) {
    auto* header = Named(new QLabel(caption, parent), name);
    header->setGeometry(bounds);
    header->setAlignment(Qt::AlignCenter);
    header->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Paint(header, colour, text);
    return header;
}

// A label sized to its text, on its parent's colour.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QPoint at,
                  const QColor& text = palette::kNavy) {
    auto* label = Named(new QLabel(caption, parent), name);
    label->move(at);
    PaintText(label, text);
    label->adjustSize();
    return label;
}

QLabel* MakePicture(QWidget* parent, const char* name, const QRect& bounds) {
    auto* picture = Named(new QLabel(parent), name);
    picture->setGeometry(bounds);
    return picture;
}

TTextListBox* MakeList(QWidget* parent, const char* name, const QRect& bounds, bool sorted, const char* font) {
    auto* box = Named(new TTextListBox(parent), name);
    box->setGeometry(bounds);
    box->setSorted(sorted);
    box->setFont(Font(font, 8));
    box->setItemHeight(13);
    PaintList(box, Qt::white, palette::kNavy);
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    return box;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& caption, const QRect& bounds) {
    auto* box = Named(new QCheckBox(caption, parent), name);
    box->setGeometry(bounds);
    Paint(box, palette::kBeige, palette::kNavy);
    return box;
}

// A check box whose caption is cut right after `shownPart` and goes on in a label below
// it: `designWidth` in the design's font, wider where the font used here needs it.
void ClipCaptionAfter(QCheckBox* box, const QString& shownPart, int designWidth) {
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const int textLeft = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).left();
    const int room = box->parentWidget()->contentsRect().right() - box->x();
    box->resize(std::min(room, std::max(designWidth, textLeft + box->fontMetrics().horizontalAdvance(shownPart) + 1)),
                box->height());
}

QCheckBox* MakePreference(QWidget* parent, const char* name, const QString& caption, int top) {
    return MakeCheckBox(parent, name, caption, QRect(13, top, 194, 17));
}

// The colours of a flat button's three looks.
struct ButtonColours {
    QColor face;
    QColor over;
    QColor overCaption;
    QColor down;
    QColor caption = palette::kNavy;
};

TEncartaButton* MakeButton(QWidget* parent, const char* name, const QString& caption, const QRect& bounds,
                           const ButtonColours& colours, const QFont& font = Font("Arial", 8)) {
    auto* button = Named(new TEncartaButton(parent), name);
    button->setGeometry(bounds);
    button->setFont(font);
    button->setColorBorder(palette::kNavy);
    button->setColor(colours.face);
    button->setColorOver(colours.over);
    button->setColorOverCaption(colours.overCaption);
    button->setColorDown(colours.down);
    button->setFontColor(colours.caption);
    button->setCaption(caption);
    return button;
}

const ButtonColours kPlainButton{palette::kBeige, palette::kTan, palette::kNavy, palette::kGold};
const ButtonColours kAlarmingButton{palette::kBeige, palette::kRed, palette::kYellow, palette::kGold};

struct MenuItem {
    QAction** action;
    const char* name;
    const char* caption;
};

QMenu* MakeMenu(QWidget* form, const char* name, std::initializer_list<MenuItem> items) {
    auto* menu = Named(new QMenu(form), name);
    for (const MenuItem& item : items) {
        *item.action = Named(menu->addAction(QLatin1String(item.caption)), item.name);
    }
    return menu;
}

// A floating panel: a navy frame with a beige panel inset in it, hidden until used.
std::pair<QFrame*, QFrame*> MakeFloatingPanel(QWidget* form, const char* outerName, const char* innerName,
                                              const QRect& bounds) {
    QFrame* outer = MakePanel(form, outerName, bounds, palette::kNavy, QFrame::Plain);
    QFrame* inner = MakePanel(outer, innerName, QRect(4, 4, bounds.width() - 7, bounds.height() - 7), palette::kBeige);
    outer->hide();
    return {outer, inner};
}

QLabel* MakeWarningPicture(QWidget* parent, const char* name) {
    QLabel* picture = MakePicture(parent, name, QRect(11, 9, 30, 31));
    picture->setPixmap(WarningPicture());
    return picture;
}

QLabel* MakeTitle(QWidget* parent, const char* name, const QString& caption, QPoint at, int points) {
    QLabel* title = MakeLabel(parent, name, caption, at);
    title->setFont(Font("MS Sans Serif", points, true));
    title->adjustSize();
    return title;
}

QLineEdit* MakeHolder(QWidget* form, const char* name, const QString& text = {}) {
    auto* holder = Named(new QLineEdit(text, form), name);
    holder->hide();
    return holder;
}

} // namespace

void MainFormControls::setupControls(QWidget* form) {
    setupListPanes(form);
    setupPreferences(form);
    setupActionBar(form);
    setupHolders(form);
    setupPopupMenus(form);
    // The floating panels lie over everything else, the message panel on top.
    setupFileInformationPanel(form);
    setupPasswordPanel(form);
    setupMessagePanel(form);
    RxTrayIcon1 = Named(new TRxTrayIcon(form), "RxTrayIcon1");
}

void MainFormControls::setupListPanes(QWidget* form) {
    Panel1 = MakePanel(form, "Panel1", QRect(2, 2, 775, 458), palette::kBeige);
    Panel2 = MakeHeader(Panel1, "Panel2", QStringLiteral("Current Processes"), QRect(7, 4, 257, 19), palette::kBeige,
                        palette::kNavy);
    Panel3 = MakeHeader(Panel1, "Panel3", QStringLiteral("Safe Processes"), QRect(271, 4, 245, 19), palette::kLime,
                        palette::kNavy);
    Panel7 = MakeHeader(Panel1, "Panel7", QStringLiteral("Kill Processes"), QRect(523, 4, 245, 19), palette::kRed,
                        palette::kYellow);
    // Over the check column of the Kill list: a tick and the word "Bypass".
    Label8 = MakeLabel(Panel7, "Label8", QString(kWingdingsTick), QPoint(5, 0), palette::kYellow);
    Label8->setFont(Font("Wingdings", 7));
    Label8->adjustSize();
    Label7 = MakeLabel(Panel7, "Label7", QStringLiteral("Bypass"), QPoint(2, 8), palette::kYellow);
    Label7->setFont(Font("MS Sans Serif", 6));
    Label7->adjustSize();
    TextListBox1 = MakeList(Panel1, "TextListBox1", QRect(7, 24, 257, 426), true, "Verdana");
    TextListBox2 = MakeList(Panel1, "TextListBox2", QRect(271, 24, 245, 426), true, "Verdana");
    CheckListBox3 = MakeList(Panel1, "CheckListBox3", QRect(523, 24, 245, 426), false, "MS Sans Serif");
}

void MainFormControls::setupPreferences(QWidget* form) {
    Panel4 = MakePanel(form, "Panel4", QRect(779, 2, 217, 458), palette::kBeige);
    Panel5 = MakeHeader(Panel4, "Panel5", QStringLiteral("Preferences"), QRect(4, 4, 209, 19), palette::kBeige,
                        palette::kNavy);
    Panel6 = MakePanel(Panel4, "Panel6", QRect(11, 30, 2, 29), palette::kBeige, QFrame::Plain);
    CheckBox1 =
        MakePreference(Panel4, "CheckBox1", QStringLiteral("Auto Kill unknown processes without prompting."), 30);
    ClipCaptionAfter(CheckBox1, QStringLiteral("Auto Kill unknown processes without"), 194);
    Label1 = MakeLabel(Panel4, "Label1", QStringLiteral("      prompting."), QPoint(13, 44));
    Panel9 = MakePanel(Panel4, "Panel9", QRect(11, 63, 2, 29), palette::kBeige, QFrame::Plain);
    CheckBox2 = MakePreference(Panel4, "CheckBox2", QStringLiteral("Auto Kill unknown checksums"), 63);
    Label3 = MakeLabel(Panel4, "Label3", QStringLiteral("      without prompting."), QPoint(12, 77));
    CheckBox7 = MakePreference(Panel4, "CheckBox7", QStringLiteral("Start program in Stopped mode."), 94);
    // A first start kills nothing before the user has filled the Safe list.
    CheckBox7->setChecked(true);
    CheckBox4 = MakePreference(Panel4, "CheckBox4", QStringLiteral("Beige background color"), 111);
    CheckBox6 = MakePreference(Panel4, "CheckBox6", QStringLiteral("Alarm on popup"), 128);
    CheckBox3 = MakePreference(Panel4, "CheckBox3", QStringLiteral("Run at Windows startup"), 145);
    CheckBox8 = MakePreference(Panel4, "CheckBox8", QStringLiteral("Uncheck Bypassed Kills at EOJ"), 162);
    CheckBox10 = MakePreference(Panel4, "CheckBox10", QStringLiteral("Activate upon Tray"), 179);

    Label2 = MakeLabel(Panel4, "Label2", QStringLiteral("Process check interval:\n(1000 = 1 second)"), QPoint(8, 222));
    IntegerEdit1 = Named(new TIntegerEdit(Panel4), "IntegerEdit1");
    IntegerEdit1->setGeometry(125, 223, 57, 21);
    IntegerEdit1->setMinValue(500);
    IntegerEdit1->setMaxValue(7000);
    IntegerEdit1->setValidate(false);
    IntegerEdit1->setMaxLength(4);
    IntegerEdit1->setValue(500);

    Panel10 = MakePanel(Panel4, "Panel10", QRect(11, 256, 196, 60), palette::kBeige, QFrame::Sunken);
    // The lock area is painted as a whole: these show the panel's colour.
    CheckBox5 = MakeCheckBox(Panel10, "CheckBox5", QStringLiteral("LOCK"), QRect(8, 3, 60, 17));
    CheckBox5->setAutoFillBackground(false);
    Label6 = MakeLabel(Panel10, "Label6", QStringLiteral("LOCK password:"), QPoint(8, 22));
    Image3 = MakePicture(Panel10, "Image3", QRect(8, 35, 180, 21));
    Image3->setContextMenuPolicy(Qt::CustomContextMenu);
    // The password: shown masked, never typed into. Its clicks go to the picture under it.
    MaskEdit1 = Named(new QLineEdit(Panel10), "MaskEdit1");
    MaskEdit1->setGeometry(Image3->geometry());
    MaskEdit1->setEchoMode(QLineEdit::Password);
    MaskEdit1->setStyleSheet(QStringLiteral("lineedit-password-character: 35"));
    MaskEdit1->setEnabled(false);
    MaskEdit1->setAttribute(Qt::WA_TransparentForMouseEvents);

    Panel16 = MakePanel(form, "Panel16", QRect(790, 199, 201, 15), palette::kBeige, QFrame::Plain);
    CheckBox9 = MakeCheckBox(Panel16, "CheckBox9", QStringLiteral("Lock Preferences"), QRect(2, 0, 190, 15));

    Panel15 = MakePanel(form, "Panel15", QRect(784, 320, 206, 139), palette::kBeige);
    Panel8 = MakeHeader(Panel15, "Panel8", QStringLiteral("Never Kill System Processes"), QRect(3, 2, 200, 16),
                        palette::kYellow, palette::kNavy);
    TextListBox4 = MakeList(Panel15, "TextListBox4", QRect(3, 18, 200, 114), true, "Verdana");
}

void MainFormControls::setupActionBar(QWidget* form) {
    Panel13 = MakePanel(form, "Panel13", QRect(2, 461, 692, 31), palette::kBeige, QFrame::Plain);
    EncartaButton1 = MakeButton(Panel13, "EncartaButton1", QStringLiteral("Copy all Current to Safe"),
                                QRect(2, 4, 132, 22), kPlainButton);
    EncartaButton5 = MakeButton(Panel13, "EncartaButton5", QStringLiteral("Activated"), QRect(284, 4, 72, 22),
                                {palette::kYellow, palette::kGold, palette::kNavy, palette::kGold});
    EncartaButton2 = MakeButton(Panel13, "EncartaButton2", QStringLiteral("Quit"), QRect(358, 4, 72, 22),
                                {palette::kTan, palette::kRed, palette::kYellow, palette::kGold});
    EncartaButton3 = MakeButton(Panel13, "EncartaButton3", QStringLiteral("Tray"), QRect(432, 4, 72, 22),
                                {palette::kTan, palette::kTan, palette::kNavy, palette::kGold});
    EncartaButton7 = MakeButton(Panel13, "EncartaButton7", QStringLiteral("Log"), QRect(646, 4, 45, 17), kPlainButton,
                                Font("MS Sans Serif", 8));

    PrefButton2 =
        MakeButton(form, "PrefButton2", QStringLiteral("Preferences >>"), QRect(695, 465, 80, 17), kPlainButton);
    HelpButton = MakeButton(form, "HelpButton", QStringLiteral("?"), QRect(977, 465, 17, 17), kPlainButton);
    GaugeStatusBar1 = Named(new TGaugeStatusBar(form), "GaugeStatusBar1");
    GaugeStatusBar1->setSizeGripEnabled(false);
    GaugeStatusBar1->setSimplePanel(true);
    const QSize client = geometry::ClientSize(geometry::kFoldedWidth, geometry::kHeight);
    GaugeStatusBar1->setGeometry(0, client.height() - 19, client.width(), 19);
    Panel14 = MakePanel(form, "Panel14", QRect(730, 482, 17, 9), palette::kBeige, QFrame::Plain);
    Panel14->setFocusPolicy(Qt::StrongFocus);
}

void MainFormControls::setupHolders(QWidget* form) {
    Edit1 = MakeHolder(form, "Edit1");
    ParmEdit = MakeHolder(form, "ParmEdit", QString(27, u'0'));
    Memo1 = Named(new QPlainTextEdit(form), "Memo1");
    Memo1->hide();
    TestWidth = Named(new QLabel(form), "TestWidth");
    TestWidth->setFont(Font("MS Sans Serif", 8));
    TestWidth->hide();
    Memo2 = Named(new QPlainTextEdit(form), "Memo2");
    Memo2->hide();
}

void MainFormControls::setupPopupMenus(QWidget* form) {
    const char* information = "Display file information";
    const char* clipboard = "Copy list to Clipboard";
    PopupMenu1 = MakeMenu(form, "PopupMenu1",
                          {{&DisplayFileInformation1, "DisplayFileInformation1", information},
                           {&CopyToClipboard1, "CopyToClipboard1", clipboard}});
    PopupMenu2 =
        MakeMenu(form, "PopupMenu2",
                 {{&DeleteFocusedSafeProcess1, "DeleteFocusedSafeProcess1", "Delete highlighted file from Safe list"},
                  {&DisplayFileInformation2, "DisplayFileInformation2", information},
                  {&CopyToClipboard2, "CopyToClipboard2", clipboard}});
    PopupMenu2->addSeparator();
    TrustInstalledPackages1 =
        Named(PopupMenu2->addAction(QStringLiteral("Trust installed packages")), "TrustInstalledPackages1");
    TrustInstalledPackages1->setCheckable(true);
    // The hint of a greyed-out item says why it is greyed out.
    PopupMenu2->setToolTipsVisible(true);
    PopupMenu3 =
        MakeMenu(form, "PopupMenu3",
                 {{&DeleteFocusedKillProcess1, "DeleteFocusedKillProcess1", "Delete highlighted file from Kill list"},
                  {&Stripdowntoexenameonly1, "Stripdowntoexenameonly1", "Strip down to exe name only"},
                  {&DisplayFileInformation3, "DisplayFileInformation3", information},
                  {&CopyToClipboard3, "CopyToClipboard3", clipboard}});
    PopupMenu4 = MakeMenu(
        form, "PopupMenu4",
        {{&DeleteFocusedNeverKillProcess1, "DeleteFocusedNeverKillProcess1", "Delete highlighted file from Never list"},
         {&MenuItem2, "MenuItem2", information},
         {&CopyToClipboard4, "CopyToClipboard4", clipboard},
         {&RemoveTheseFilesFromSafeList1, "RemoveTheseFilesFromSafeList1", "Remove these file from Safe list"}});
    PopupMenu5 = MakeMenu(form, "PopupMenu5", {{&Changepassword1, "Changepassword1", "Change password"}});
}

void MainFormControls::setupFileInformationPanel(QWidget* form) {
    std::tie(Panel17, Panel18) = MakeFloatingPanel(form, "Panel17", "Panel18", QRect(12, 129, 252, 235));
    Image4 = MakeWarningPicture(Panel18, "Image4");
    Label11 = MakeTitle(Panel18, "Label11", QStringLiteral("File Information"), QPoint(46, 8), 18);
    Label10 = MakeLabel(Panel18, "Label10", QString(), QPoint(9, 45));
    Label10->setFont(Font("Verdana", 8));
    Label10->setTextFormat(Qt::PlainText);
    EncartaButton10 =
        MakeButton(Panel18, "EncartaButton10", QStringLiteral("OK"), QRect(86, 200, 72, 22), kPlainButton);
}

void MainFormControls::setupPasswordPanel(QWidget* form) {
    std::tie(Panel11, Panel12) = MakeFloatingPanel(form, "Panel11", "Panel12", QRect(551, 160, 217, 170));
    Image1 = MakeWarningPicture(Panel12, "Image1");
    Label5 = MakeTitle(Panel12, "Label5", QStringLiteral("ChangePassword"), QPoint(46, 14), 12);
    Label4 = MakeLabel(Panel12, "Label4", QStringLiteral("Current password:"), QPoint(16, 47));
    MaskEdit2 = Named(new QLineEdit(Panel12), "MaskEdit2");
    MaskEdit2->setGeometry(16, 61, 177, 21);
    MaskEdit2->setFont(Font("Verdana", 8));
    Label9 = MakeLabel(Panel12, "Label9", QStringLiteral("New password:"), QPoint(16, 87));
    MaskEdit3 = Named(new QLineEdit(Panel12), "MaskEdit3");
    MaskEdit3->setGeometry(16, 101, 177, 21);
    MaskEdit3->setFont(Font("Verdana", 8));
    EncartaButton8 = MakeButton(Panel12, "EncartaButton8", QStringLiteral("OK"), QRect(32, 135, 72, 22), kPlainButton);
    EncartaButton4 =
        MakeButton(Panel12, "EncartaButton4", QStringLiteral("Cancel"), QRect(106, 135, 72, 22), kPlainButton);
}

void MainFormControls::setupMessagePanel(QWidget* form) {
    std::tie(CentralMsgLabelPanel1, CentralMsgLabelPanel2) =
        MakeFloatingPanel(form, "CentralMsgLabelPanel1", "CentralMsgLabelPanel2", QRect(233, 150, 310, 167));
    Image2 = MakeWarningPicture(CentralMsgLabelPanel2, "Image2");
    CentralMsgLabelLabelWarning =
        MakeTitle(CentralMsgLabelPanel2, "CentralMsgLabelLabelWarning", QStringLiteral("Warning"), QPoint(46, 8), 18);
    CentralMsgLabel = MakeLabel(CentralMsgLabelPanel2, "CentralMsgLabel", QString(), QPoint(9, 45));
    CentralMsgLabel->setFont(Font("Verdana", 8));
    CentralMsgLabel->setTextFormat(Qt::PlainText);
    CentralMsgLabel->setWordWrap(true);
    CentralMsgLabel->setFixedWidth(282);
    CentralMsgLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    CentralMsgLabelButtonYes = MakeButton(CentralMsgLabelPanel2, "CentralMsgLabelButtonYes", QStringLiteral("Yes"),
                                          QRect(78, 133, 72, 22), kAlarmingButton);
    CentralMsgLabelButtonNo = MakeButton(CentralMsgLabelPanel2, "CentralMsgLabelButtonNo", QStringLiteral("No"),
                                         QRect(152, 133, 72, 22), kPlainButton);
    CentralMsgLabelButtonOK = MakeButton(CentralMsgLabelPanel2, "CentralMsgLabelButtonOK", QStringLiteral("OK"),
                                         QRect(115, 133, 72, 22), kPlainButton);
}

} // namespace korvane

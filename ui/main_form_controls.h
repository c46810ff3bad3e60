#pragma once

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QWidget>

#include "widgets/encarta_button.h"
#include "widgets/gauge_status_bar.h"
#include "widgets/integer_edit.h"
#include "widgets/rx_tray_icon.h"
#include "widgets/text_list_box.h"

namespace korvane {

// Every control of the main window, by its design name, each created at its design
// position with its captions, colours and fonts. The window owns them (they are its
// children); this is where the parts of the window find them.
struct MainFormControls {
    // Builds every control on `form`, which already carries the window's font.
    void setupControls(QWidget* form);

    // The three list panes and their headers.
    QFrame* Panel1;
    QLabel* Panel2;
    TTextListBox* TextListBox1; // Current Processes
    QLabel* Panel3;
    TTextListBox* TextListBox2; // Safe Processes
    QLabel* Panel7;
    QLabel* Label8;              // the tick above the Bypass column
    QLabel* Label7;              // "Bypass"
    TTextListBox* CheckListBox3; // Kill Processes; the check marks are "Bypass"

    // The popup menus of the lists and of the password box.
    QMenu* PopupMenu1;
    QAction* DisplayFileInformation1;
    QAction* CopyToClipboard1;
    QMenu* PopupMenu2;
    QAction* DeleteFocusedSafeProcess1;
    QAction* DisplayFileInformation2;
    QAction* CopyToClipboard2;
    QAction* TrustInstalledPackages1; // checkable; kept in the flag string, not with the settings
    QMenu* PopupMenu3;
    QAction* DeleteFocusedKillProcess1;
    QAction* Stripdowntoexenameonly1;
    QAction* DisplayFileInformation3;
    QAction* CopyToClipboard3;
    QMenu* PopupMenu4;
    QAction* DeleteFocusedNeverKillProcess1;
    QAction* MenuItem2; // "Display file information" of the Never Kill list
    QAction* CopyToClipboard4;
    QAction* RemoveTheseFilesFromSafeList1;
    QMenu* PopupMenu5;
    QAction* Changepassword1;

    // The preferences pane.
    QFrame* Panel4;
    QLabel* Panel5;
    QFrame* Panel6; // the bar beside CheckBox1
    QCheckBox* CheckBox1;
    QLabel* Label1; // CheckBox1's caption, continued
    QFrame* Panel9; // the bar beside CheckBox2
    QCheckBox* CheckBox2;
    QLabel* Label3; // CheckBox2's caption, continued
    QCheckBox* CheckBox7;
    QCheckBox* CheckBox4;
    QCheckBox* CheckBox6;
    QCheckBox* CheckBox3;
    QCheckBox* CheckBox8;
    QCheckBox* CheckBox10;
    QLabel* Label2;
    TIntegerEdit* IntegerEdit1;
    QFrame* Panel10; // the lock area
    QCheckBox* CheckBox5;
    QLabel* Label6;
    QLabel* Image3; // lies under the password box and takes its right clicks
    QLineEdit* MaskEdit1;
    // Outside Panel4, so that it stays usable while the pane is locked.
    QFrame* Panel16;
    QCheckBox* CheckBox9;

    // The Never Kill pane, below the preferences.
    QFrame* Panel15;
    QLabel* Panel8;
    TTextListBox* TextListBox4;

    // The action bar and what lies around it.
    QFrame* Panel13;
    TEncartaButton* EncartaButton1; // "Copy all Current to Safe"
    TEncartaButton* EncartaButton5; // "Activated" / "Stopped"
    TEncartaButton* EncartaButton2; // "Quit"
    TEncartaButton* EncartaButton3; // "Tray"
    TEncartaButton* EncartaButton7; // "Log"
    TEncartaButton* PrefButton2;
    TEncartaButton* HelpButton;
    TGaugeStatusBar* GaugeStatusBar1;
    QFrame* Panel14; // takes the focus so that no check box keeps a focus frame

    // Hidden holders.
    QLineEdit* Edit1;    // the committed check interval
    QLineEdit* ParmEdit; // the preferences flag string
    QPlainTextEdit* Memo1;
    QLabel* TestWidth; // measures entries in the list font
    QPlainTextEdit* Memo2;

    // The file-information panel.
    QFrame* Panel17;
    QFrame* Panel18;
    QLabel* Image4;
    QLabel* Label11;
    QLabel* Label10;
    TEncartaButton* EncartaButton10;

    // The change-password panel.
    QFrame* Panel11;
    QFrame* Panel12;
    QLabel* Image1;
    QLabel* Label5;
    QLabel* Label4;
    QLineEdit* MaskEdit2;
    QLabel* Label9;
    QLineEdit* MaskEdit3;
    TEncartaButton* EncartaButton8; // "OK"
    TEncartaButton* EncartaButton4; // "Cancel"

    // The central message panel, above everything else.
    QFrame* CentralMsgLabelPanel1;
    QFrame* CentralMsgLabelPanel2;
    QLabel* Image2;
    QLabel* CentralMsgLabelLabelWarning;
    QLabel* CentralMsgLabel;
    TEncartaButton* CentralMsgLabelButtonYes;
    TEncartaButton* CentralMsgLabelButtonNo;
    TEncartaButton* CentralMsgLabelButtonOK;

    TRxTrayIcon* RxTrayIcon1;

private:
    void setupListPanes(QWidget* form);
    void setupPopupMenus(QWidget* form);
    void setupPreferences(QWidget* form);
    void setupActionBar(QWidget* form);
    void setupHolders(QWidget* form);
    void setupFileInformationPanel(QWidget* form);
    void setupPasswordPanel(QWidget* form);
    void setupMessagePanel(QWidget* form);
};

} // namespace korvane

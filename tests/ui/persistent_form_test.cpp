#include "ui/persistent_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include "store/settings_codec.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

// Stands in for the gauge status bar: an int "position" property.
class TestGauge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int position READ position WRITE setPosition)

public:
    using QWidget::QWidget;
    int position() const { return position_; }
    void setPosition(int position) { position_ = position; }

private:
    int position_ = 5;
};

// Stands in for the integer field: a line edit of its own kind.
class TestIntegerEdit : public QLineEdit {
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;
};

template <typename Control> Control* Named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

// A window shaped like the main one, built in a creation order that differs from the
// design order it reports.
class TestForm : public TPersistentForm {
public:
    TestForm(InstanceLock& lock, const std::string& folder, bool ownDesignOrder = true)
        : TPersistentForm(lock, folder, QStringLiteral("Korvane")), ownDesignOrder_(ownDesignOrder) {
        setObjectName(QStringLiteral("Form1"));
        CheckBox1 = Named(new QCheckBox(QStringLiteral("Auto Kill unknown processes"), this), "CheckBox1");
        Edit1 = Named(new QLineEdit(QStringLiteral("design"), this), "Edit1");
        CheckBox7 = Named(new QCheckBox(QStringLiteral("Start program in Stopped mode."), this), "CheckBox7");
        CheckBox7->setChecked(true);
        MaskEdit1 = Named(new QLineEdit(QStringLiteral("password"), this), "MaskEdit1");
        GaugeStatusBar1 = Named(new TestGauge(this), "GaugeStatusBar1");
        Named(new TestIntegerEdit(QStringLiteral("1000"), this), "IntegerEdit1");
        Named(new QSpinBox(this), "SpinBox1");
        Named(new QPushButton(QStringLiteral("Quit"), this), "EncartaButton2")->setCheckable(true);
        Named(new QLabel(QStringLiteral("Process check interval:"), this), "Label2");
        Named(new QPlainTextEdit(QStringLiteral("scratch"), this), "Memo1");
        Named(new QTimer(this), "Timer1");
        Changepassword1 = Named(new QAction(QStringLiteral("Change password"), this), "Changepassword1");
        Changepassword1->setCheckable(true);
        connect(CheckBox1, &QCheckBox::clicked, this, [this] { ++checkBox1Clicks; });
        connect(CheckBox7, &QCheckBox::clicked, this, [this] { ++checkBox7Clicks; });
        RestoreSettings();
    }

    QObjectList DesignOrder() const override {
        if (!ownDesignOrder_) {
            return TPersistentForm::DesignOrder();
        }
        return {Edit1, CheckBox1, CheckBox7, MaskEdit1, GaugeStatusBar1, Changepassword1};
    }

    QCheckBox* CheckBox1;
    QLineEdit* Edit1;
    QCheckBox* CheckBox7;
    QLineEdit* MaskEdit1;
    TestGauge* GaugeStatusBar1;
    QAction* Changepassword1;
    int checkBox1Clicks = 0;
    int checkBox7Clicks = 0;

private:
    bool ownDesignOrder_;
};

class PersistentFormTest : public testing::Test {
protected:
    // Puts a plain settings text into the file in its encoded form.
    void store(const std::string& plain) { test::WriteFileBytes(path, EncodeSettingsText(plain)); }
    std::string stored() const { return DecodeSettingsText(test::ReadFileBytes(path)); }

    test::TempFolder folder;
    test::FakeInstanceLock lock;
    const std::string path = folder.file("Korvane.ini");
};

TEST_F(PersistentFormTest, SavesGeometryThenPersistedPropertiesInDesignOrder) {
    TestForm form(lock, folder.folder());
    EXPECT_EQ(form.settingsFileName(), path);
    EXPECT_EQ(lock.titles, std::vector<std::string>{"Korvane"});
    EXPECT_FALSE(std::filesystem::exists(path)) << "a first start creates no file";
    form.move(120, 40);
    form.resize(785, 542);
    form.Edit1->setText(QStringLiteral("2500"));
    form.CheckBox1->setChecked(true);
    form.GaugeStatusBar1->setPosition(37);
    form.SaveSettings();

    const std::string encoded = test::ReadFileBytes(path);
    EXPECT_EQ(encoded.find_first_not_of(kSettingsAlphabet), encoded.size() - 2);
    EXPECT_EQ(stored(), "[Form1]\r\nTop=40\r\nLeft=120\r\nWidth=785\r\nHeight=542\r\nEdit1.Text=2500\r\n"
                        "CheckBox1.Checked=TRUE\r\nCheckBox7.Checked=TRUE\r\nGaugeStatusBar1.Position=37\r\n"
                        "Changepassword1.Checked=FALSE\r\n");
}

TEST_F(PersistentFormTest, RestoresWhatItSavedWithTheClickReaction) {
    {
        TestForm first(lock, folder.folder());
        first.move(30, 20);
        first.resize(700, 500);
        first.Edit1->setText(QStringLiteral(" 1500 "));
        first.CheckBox1->setChecked(true);
        first.CheckBox7->setChecked(false);
        first.GaugeStatusBar1->setPosition(-8);
        first.Changepassword1->setChecked(true);
        first.SaveSettings();
    }
    TestForm second(lock, folder.folder());
    EXPECT_EQ(second.pos(), QPoint(30, 20));
    EXPECT_EQ(second.size(), QSize(700, 500));
    EXPECT_EQ(second.Edit1->text(), QStringLiteral(" 1500 "));
    EXPECT_TRUE(second.CheckBox1->isChecked());
    EXPECT_FALSE(second.CheckBox7->isChecked());
    EXPECT_EQ(second.checkBox1Clicks, 1);
    EXPECT_EQ(second.checkBox7Clicks, 1);
    EXPECT_EQ(second.GaugeStatusBar1->position(), -8);
    EXPECT_TRUE(second.Changepassword1->isChecked());
    EXPECT_EQ(second.MaskEdit1->text(), QStringLiteral("password"));
    EXPECT_EQ(test::ReadFileBytes(path).find_first_not_of(kSettingsAlphabet), test::ReadFileBytes(path).size() - 2)
        << "encoded again after reading";
}

TEST_F(PersistentFormTest, LoadingAppliesOnlyExactValuesAndNonZeroGeometry) {
    store("[Form1]\r\nTop=0\r\nLeft=0\r\nWidth=640\r\nHeight=0\r\nCheckBox1.Checked=true\r\n"
          "CheckBox7.Checked=TRUE\r\nGaugeStatusBar1.Position=12x\r\nMaskEdit1.Text=secret\r\n");
    TestForm form(lock, folder.folder());
    const QWidget design;
    EXPECT_EQ(form.pos(), design.pos());
    EXPECT_EQ(form.size(), QSize(640, design.height()));
    EXPECT_FALSE(form.CheckBox1->isChecked()) << "lower-case true leaves the design value";
    EXPECT_TRUE(form.CheckBox7->isChecked());
    EXPECT_EQ(form.checkBox1Clicks + form.checkBox7Clicks, 0) << "no click without a change";
    EXPECT_EQ(form.GaugeStatusBar1->position(), 5);
    EXPECT_EQ(form.MaskEdit1->text(), QStringLiteral("password"));
    EXPECT_EQ(form.Edit1->text(), QString()) << "a missing text key empties the field";
}

TEST_F(PersistentFormTest, DefaultOrderIsCreationOrderWithoutQtInternals) {
    TestForm form(lock, folder.folder(), false);
    form.SaveSettings();
    const std::string text = stored();
    const std::string keys = text.substr(text.find("Height="));
    EXPECT_EQ(keys.substr(keys.find("\r\n") + 2), "CheckBox1.Checked=FALSE\r\nEdit1.Text=\r\nCheckBox7.Checked=TRUE\r\n"
                                                  "GaugeStatusBar1.Position=5\r\nChangepassword1.Checked=FALSE\r\n");
}

TEST_F(PersistentFormTest, SecondInstanceReportsQuitsAndLeavesTheFileAlone) {
    store("[Form1]\r\nEdit1.Text=2500\r\n");
    const std::string before = test::ReadFileBytes(path);
    lock.grant = false;
    QString shown;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    answer.start(10);

    TestForm form(lock, folder.folder());
    answer.stop();
    EXPECT_EQ(shown, QStringLiteral("You can only have one instance of [KORVANE] running at one time."));
    EXPECT_TRUE(form.isSecondInstance());
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("design"));
    form.show();
    EXPECT_FALSE(form.isVisible());
    form.SaveSettings();
    EXPECT_EQ(test::ReadFileBytes(path), before);

    // The queued quit request ends the event loop as soon as it runs.
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    giveUp.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

} // namespace
} // namespace korvane

#include "persistent_form_test.moc"

// A reading from the main window to the results frame and back: the press
// that passes the date check, Back with the choices kept, a second reading
// replacing the first, and the closes that end the program.

#include "AppShell.h"
#include "AppTestSupport.h"
#include "ConverterLibrary.h"
#include "FakeDialogs.h"
#include "FillResults.h"
#include "MDI.h"
#include "RecordedPanels.h"
#include "ResultsTestSupport.h"
#include "StartUp.h"
#include "Style.h"
#include "frmDisplay.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWindow>

#include <memory>
#include <tuple>

using namespace modFirdaria;
using namespace zorvane::test;
namespace app = zorvane::app;

namespace {

enum class Leave { CloseBox, ExitButton, FileExit, BackButton, FileBack };

// The results frames that exist and are not being deleted.
QList<MDI*> openFrames()
{
    QList<MDI*> frames;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* frame = qobject_cast<MDI*>(w); frame && frame->isVisible())
            frames << frame;
    return frames;
}

auto fieldsOf(const BirthData& birth)
{
    return std::tuple(birth.day, birth.month, birth.year, birth.timeOfBirth);
}

}  // namespace

Q_DECLARE_METATYPE(Leave)

class tst_ReadingFlow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void eachReadingReplacesTheLast_data();
    void eachReadingReplacesTheLast();

    void leavingTheFrame_data();
    void leavingTheFrame();

private:
    BirthData chosen() const;
    void pressNext();
    void leave(MDI& frame, Leave how);
    // The one frame open shows every caption of the reading of birth, its
    // rows named from the main window's SubPeriodNames as they stand.
    void compareReading(const BirthData& birth);

    ProgramFolder programFolder_;
    std::unique_ptr<app::StartUp> startUp_;
    frmMain* main_ = nullptr;
    FakeDialogs* fake_ = nullptr;
    std::unique_ptr<EndCounter> ends_;
};

void tst_ReadingFlow::initTestCase()
{
    zorvane::ui::installFontSubstitutes();
    QVERIFY(QDir(programFolder_.path()).exists(modSaveForm::ConverterFileName()));
}

void tst_ReadingFlow::init()
{
    fake_ = &FakeDialogs::install();
    ends_ = std::make_unique<EndCounter>();
    for (QString& text : ReadingTexts)
        text = QStringLiteral("left from before");

    // The program's own start-up, its lock and settings in its folder.
    startUp_ = std::make_unique<app::StartUp>(
        startUpOptions(programFolder_.path(), programFolder_.path(), QDate(2026, 1, 1), 0.0));
    QVERIFY(startUp_->run());
    main_ = startUp_->mainWindow();
    QVERIFY(main_->isVisible());
}

void tst_ReadingFlow::cleanup()
{
    // Deleting (not closing) leaves the end step out of it.
    for (MDI* frame : openFrames())
        delete frame;
    startUp_.reset();
    main_ = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ends_.reset();
    FakeDialogs::restore();
    fake_ = nullptr;
}

BirthData tst_ReadingFlow::chosen() const
{
    BirthData c;
    c.day = main_->findChild<QComboBox*>(QStringLiteral("cboDate"))->currentIndex() + 1;
    c.month = main_->findChild<QComboBox*>(QStringLiteral("cboMonth"))->currentIndex() + 1;
    c.year = main_->findChild<QComboBox*>(QStringLiteral("cboYear"))->currentText().toInt();
    c.timeOfBirth = main_->findChild<QRadioButton*>(QStringLiteral("optDay(0)"))->isChecked() ? TimeOfBirth::Day
                                                                                              : TimeOfBirth::Night;
    return c;
}

void tst_ReadingFlow::pressNext()
{
    main_->findChild<QPushButton*>(QStringLiteral("cmdNext"))->click();
}

void tst_ReadingFlow::leave(MDI& frame, Leave how)
{
    switch (how) {
    case Leave::CloseBox:
        frame.windowHandle()->close();
        break;
    case Leave::ExitButton:
        frame.findChild<QPushButton*>(QStringLiteral("cmdMdiExit"))->click();
        break;
    case Leave::FileExit:
        frame.findChild<QAction*>(QStringLiteral("mnuExit"))->trigger();
        break;
    case Leave::BackButton:
        frame.findChild<QPushButton*>(QStringLiteral("cmdBack"))->click();
        break;
    case Leave::FileBack:
        frame.findChild<QAction*>(QStringLiteral("mnuBack"))->trigger();
        break;
    }
}

void tst_ReadingFlow::compareReading(const BirthData& birth)
{
    QCOMPARE(openFrames().size(), 1);
    QVERIFY(!main_->isVisible());
    RecordedPanels expected;
    FillResults(ComputeFirdaria(birth, main_->SubPeriodNames), expected);
    const frmDisplay& display = *openFrames().first()->display();
    for (const QString& control : RecordedPanels::controlNames())
        QCOMPARE(captionOf(display, control), expected.captions.value(control));
}

void tst_ReadingFlow::eachReadingReplacesTheLast_data()
{
    QTest::addColumn<TimeOfBirth>("first");  // the second reading is by the other time of birth

    QTest::newRow("day then night") << TimeOfBirth::Day;
    QTest::newRow("night then day") << TimeOfBirth::Night;
}

// A reading replaces the main window with a frame showing it; Back brings
// the main window back as it was chosen, and the next press shows only the
// next reading, its rows named from SubPeriodNames as changed in between.
void tst_ReadingFlow::eachReadingReplacesTheLast()
{
    QFETCH(TimeOfBirth, first);
    const BirthData firstBirth{15, 3, 1980, first};
    const BirthData secondBirth{15, 3, 1980, first == TimeOfBirth::Day ? TimeOfBirth::Night : TimeOfBirth::Day};

    chooseBirth(*main_, firstBirth);
    pressNext();
    compareReading(firstBirth);
    // The interpretation texts are in place for the description buttons.
    for (int slot = 0; slot < RulerCount; ++slot)
        QCOMPARE_NE(ReadingTexts[static_cast<std::size_t>(slot)], QStringLiteral("left from before"));
    QVERIFY(fake_->messages.isEmpty());

    QPointer<MDI> firstFrame = openFrames().first();
    leave(*firstFrame, Leave::BackButton);
    QTRY_VERIFY(firstFrame.isNull());
    QVERIFY(main_->isVisible());
    QVERIFY(fieldsOf(chosen()) == fieldsOf(firstBirth));

    for (std::size_t i = 0; i < main_->SubPeriodNames.size(); ++i)
        main_->SubPeriodNames[i] = QStringLiteral("entry %1").arg(i);
    chooseBirth(*main_, secondBirth);
    pressNext();
    compareReading(secondBirth);
    QCOMPARE(ends_->ends, 0);
}

void tst_ReadingFlow::leavingTheFrame_data()
{
    QTest::addColumn<Leave>("how");
    QTest::addColumn<bool>("ends");

    // clang-format off
    QTest::newRow("close box")   << Leave::CloseBox << true;
    QTest::newRow("Exit button") << Leave::ExitButton << true;
    QTest::newRow("File > Exit") << Leave::FileExit << true;
    QTest::newRow("Back button") << Leave::BackButton << false;
    QTest::newRow("File > Back") << Leave::FileBack << false;
    // clang-format on
}

void tst_ReadingFlow::leavingTheFrame()
{
    QFETCH(Leave, how);
    QFETCH(bool, ends);

    pressNext();
    QCOMPARE(openFrames().size(), 1);
    QPointer<frmMain> mainWindow = main_;
    QPointer<MDI> frame = openFrames().first();
    QPointer<frmDisplay> panels = frame->display();

    leave(*frame, how);
    QCOMPARE(ends_->ends, ends ? 1 : 0);
    QCOMPARE(app::isEnding(), ends);
    QVERIFY(openFrames().isEmpty());
    // A closed frame is destroyed, the panels window with it.
    QTRY_VERIFY(frame.isNull());
    QVERIFY(panels.isNull());
    // Ending closes the hidden main window too; Back shows it.
    QCOMPARE(main_->isVisible(), !ends);
    QVERIFY(!mainWindow.isNull());
}

QTEST_MAIN(tst_ReadingFlow)
#include "tst_readingflow.moc"

// A reading from the main window to the results frame and back: the press
// that passes the date check, the rejected date, Back with the choices kept,
// a second reading replacing the first, and the closes that end the program.

#include "AppShell.h"
#include "AppTestSupport.h"
#include "ConverterLibrary.h"
#include "FakeDialogs.h"
#include "FillResults.h"
#include "MDI.h"
#include "ResultsTestSupport.h"
#include "RulerNames.h"
#include "StartUp.h"
#include "Style.h"
#include "frmDisplay.h"
#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QWindow>

#include <memory>

using namespace modFirdaria;
using namespace zorvane::test;
namespace app = zorvane::app;

namespace {

enum class Press { Button, Menu };
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

QStringList expectedCaptions(const BirthData& birth)
{
    frmDisplay display;
    FillResults(ComputeFirdaria(birth, subPeriodNamesByRule()), display);
    return readingCaptions(display);
}

}  // namespace

Q_DECLARE_METATYPE(Press)
Q_DECLARE_METATYPE(Leave)

class tst_ReadingFlow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void acceptedPressShowsTheReading_data();
    void acceptedPressShowsTheReading();

    void everyPressReadsTheMainWindowsNames_data();
    void everyPressReadsTheMainWindowsNames();

    void rejectedDateChangesNothing_data();
    void rejectedDateChangesNothing();

    void backKeepsTheChoicesAndANewReadingReplacesTheOld_data();
    void backKeepsTheChoicesAndANewReadingReplacesTheOld();

    void leavingTheFrame_data();
    void leavingTheFrame();

private:
    BirthData chosen() const;
    void press(Press how);
    void leave(MDI& frame, Leave how);

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

void tst_ReadingFlow::press(Press how)
{
    if (how == Press::Button)
        main_->findChild<QPushButton*>(QStringLiteral("cmdNext"))->click();
    else {
        main_->findChild<QAction*>(QStringLiteral("mnuNext"))->trigger();
        // The item's handler runs once the item has returned.
        QCoreApplication::sendPostedEvents(main_, QEvent::MetaCall);
    }
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

void tst_ReadingFlow::acceptedPressShowsTheReading_data()
{
    QTest::addColumn<Press>("how");
    QTest::addColumn<BirthData>("birth");
    QTest::addColumn<QString>("panel0");

    // clang-format off
    QTest::newRow("button day")    << Press::Button << BirthData{15, 3, 1980, TimeOfBirth::Day} << "The Sun :: 3/15/1980";
    QTest::newRow("button night")  << Press::Button << BirthData{15, 3, 1980, TimeOfBirth::Night} << "The Moon :: 3/15/1980";
    QTest::newRow("mnuNext day")   << Press::Menu << BirthData{15, 3, 1980, TimeOfBirth::Day} << "The Sun :: 3/15/1980";
    QTest::newRow("mnuNext night") << Press::Menu << BirthData{15, 3, 1980, TimeOfBirth::Night} << "The Moon :: 3/15/1980";
    // clang-format on
}

void tst_ReadingFlow::acceptedPressShowsTheReading()
{
    QFETCH(Press, how);
    QFETCH(BirthData, birth);
    QFETCH(QString, panel0);

    chooseBirth(*main_, birth);
    press(how);

    // The frame replaces the main window, showing this reading.
    const QList<MDI*> frames = openFrames();
    QCOMPARE(frames.size(), 1);
    QVERIFY(!main_->isVisible());
    const frmDisplay& display = *frames.first()->display();
    QCOMPARE(captionOf(display, QStringLiteral("fraPlanetName(0)")), panel0);
    QCOMPARE(readingCaptions(display), expectedCaptions(birth));

    // The interpretation texts are in place for the description buttons.
    for (int slot = 0; slot < RulerCount; ++slot)
        QCOMPARE_NE(ReadingTexts[static_cast<std::size_t>(slot)], QStringLiteral("left from before"));
    QVERIFY(fake_->messages.isEmpty());
    QCOMPARE(ends_->ends, 0);
}

void tst_ReadingFlow::everyPressReadsTheMainWindowsNames_data()
{
    QTest::addColumn<Press>("how");
    QTest::addColumn<TimeOfBirth>("time");
    QTest::addColumn<int>("firstName");  // of row 0: the Sun's names first by day, the Moon's by night

    // clang-format off
    QTest::newRow("button day")    << Press::Button << TimeOfBirth::Day << firstSubPeriodName(Ruler::Sun);
    QTest::newRow("mnuNext night") << Press::Menu << TimeOfBirth::Night << firstSubPeriodName(Ruler::Moon);
    // clang-format on
}

// The rows are named from the main window's SubPeriodNames as it stands at
// each press, here marked entry by entry and changed again between presses.
void tst_ReadingFlow::everyPressReadsTheMainWindowsNames()
{
    QFETCH(Press, how);
    QFETCH(TimeOfBirth, time);
    QFETCH(int, firstName);

    for (std::size_t i = 0; i < main_->SubPeriodNames.size(); ++i)
        main_->SubPeriodNames[i] = QStringLiteral("entry %1").arg(i);
    chooseBirth(*main_, BirthData{15, 3, 1980, time});
    press(how);
    QCOMPARE(openFrames().size(), 1);
    const frmDisplay& first = *openFrames().first()->display();
    for (int row = 0; row < PeriodPanels::RowCount; ++row)
        QCOMPARE(captionOf(first, QStringLiteral("lblPlanetCycleName(%1)").arg(row)),
                 QStringLiteral("entry %1").arg((firstName + row) % SubPeriodNameCount));

    leave(*openFrames().first(), Leave::BackButton);
    QTRY_VERIFY(main_->isVisible());
    main_->SubPeriodNames[static_cast<std::size_t>(firstName)] = QStringLiteral("changed");
    press(how);
    QCOMPARE(openFrames().size(), 1);
    QCOMPARE(captionOf(*openFrames().first()->display(), QStringLiteral("lblPlanetCycleName(0)")),
             QStringLiteral("changed"));
}

void tst_ReadingFlow::rejectedDateChangesNothing_data()
{
    QTest::addColumn<BirthData>("birth");
    QTest::addColumn<QString>("message");

    const QString february = QStringLiteral("Please Enter Correct Date Or Month!");
    const QString thirtyDays = QStringLiteral("Please Enter Correct Date Or Month !");
    // clang-format off
    QTest::newRow("31 April 1980")    << BirthData{31, 4, 1980, TimeOfBirth::Day} << thirtyDays;
    QTest::newRow("31 November 2050") << BirthData{31, 11, 2050, TimeOfBirth::Night} << thirtyDays;
    QTest::newRow("30 February 1980") << BirthData{30, 2, 1980, TimeOfBirth::Day} << february;
    QTest::newRow("29 February 1981") << BirthData{29, 2, 1981, TimeOfBirth::Night} << february;
    // clang-format on
}

void tst_ReadingFlow::rejectedDateChangesNothing()
{
    QFETCH(BirthData, birth);
    QFETCH(QString, message);

    chooseBirth(*main_, birth);
    press(Press::Button);

    QCOMPARE(fake_->messages.size(), 1);
    QCOMPARE(fake_->messages.first().text, message);
    QVERIFY(openFrames().isEmpty());
    QVERIFY(main_->isVisible());
    for (const QString& text : ReadingTexts)
        QCOMPARE(text, QStringLiteral("left from before"));
    const BirthData after = chosen();
    QCOMPARE(after.day, birth.day);
    QCOMPARE(after.month, birth.month);
    QCOMPARE(after.year, birth.year);
    QCOMPARE(after.timeOfBirth, birth.timeOfBirth);
}

void tst_ReadingFlow::backKeepsTheChoicesAndANewReadingReplacesTheOld_data()
{
    QTest::addColumn<Leave>("back");
    QTest::addColumn<BirthData>("first");
    QTest::addColumn<BirthData>("second");

    // clang-format off
    QTest::newRow("Back button night then day")
        << Leave::BackButton << BirthData{15, 3, 1980, TimeOfBirth::Night} << BirthData{15, 3, 1980, TimeOfBirth::Day};
    QTest::newRow("File > Back night then day")
        << Leave::FileBack << BirthData{15, 3, 1980, TimeOfBirth::Night} << BirthData{15, 3, 1980, TimeOfBirth::Day};
    QTest::newRow("Back button 2050 then 1910")
        << Leave::BackButton << BirthData{31, 12, 2050, TimeOfBirth::Day} << BirthData{1, 1, 1910, TimeOfBirth::Night};
    // clang-format on
}

void tst_ReadingFlow::backKeepsTheChoicesAndANewReadingReplacesTheOld()
{
    QFETCH(Leave, back);
    QFETCH(BirthData, first);
    QFETCH(BirthData, second);

    chooseBirth(*main_, first);
    press(Press::Button);
    QCOMPARE(openFrames().size(), 1);
    QPointer<MDI> firstFrame = openFrames().first();
    QVERIFY(!main_->isVisible());

    leave(*firstFrame, back);
    QVERIFY(main_->isVisible());
    QVERIFY(openFrames().isEmpty());
    QTRY_VERIFY(firstFrame.isNull());
    QCOMPARE(ends_->ends, 0);
    const BirthData kept = chosen();
    QCOMPARE(kept.day, first.day);
    QCOMPARE(kept.month, first.month);
    QCOMPARE(kept.year, first.year);
    QCOMPARE(kept.timeOfBirth, first.timeOfBirth);

    // A fresh frame and panels, showing only the second reading.
    chooseBirth(*main_, second);
    press(Press::Button);
    QCOMPARE(openFrames().size(), 1);
    QVERIFY(!main_->isVisible());
    QCOMPARE(readingCaptions(*openFrames().first()->display()), expectedCaptions(second));
    QVERIFY(expectedCaptions(second) != expectedCaptions(first));
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

    press(Press::Button);
    QCOMPARE(openFrames().size(), 1);
    QPointer<frmMain> mainWindow = main_;

    leave(*openFrames().first(), how);
    QCOMPARE(ends_->ends, ends ? 1 : 0);
    QCOMPARE(app::isEnding(), ends);
    QVERIFY(openFrames().isEmpty());
    // Ending closes the hidden main window too; Back shows it.
    QCOMPARE(main_->isVisible(), !ends);
    QVERIFY(!mainWindow.isNull());
}

QTEST_MAIN(tst_ReadingFlow)
#include "tst_readingflow.moc"

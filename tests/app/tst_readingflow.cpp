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

// Captions of a reading as the person reads them, by control name.
using Captions = QList<std::pair<QString, QString>>;

// The captions of 15 March 1980 that tell a day reading from a night one.
Captions captionsOf15March1980(TimeOfBirth time)
{
    if (time == TimeOfBirth::Day)
        return {{QStringLiteral("lblTimeOfBirth"), QStringLiteral("Day")},
                {QStringLiteral("fraPlanetName(0)"), QStringLiteral("The Sun :: 3/15/1980")},
                {QStringLiteral("lblPlanetCycleName(0)"), QStringLiteral("Sun/Venus -")},
                {QStringLiteral("lblPlanetCycle(0)"), QStringLiteral("8/18/1981")},
                {QStringLiteral("lblPlanetCycle(41)"), QStringLiteral("3/15/2049")},
                {QStringLiteral("lblNNodePlanetName"), QStringLiteral("North Node :: 3/15/2050")},
                {QStringLiteral("lblSNodePlanetName"), QStringLiteral("South Node :: 3/15/2053")}};
    return {{QStringLiteral("lblTimeOfBirth"), QStringLiteral("Night")},
            {QStringLiteral("fraPlanetName(0)"), QStringLiteral("The Moon :: 3/15/1980")},
            {QStringLiteral("lblPlanetCycleName(0)"), QStringLiteral("Moon/Saturn -")},
            {QStringLiteral("lblPlanetCycle(0)"), QStringLiteral("6/27/1981")},
            {QStringLiteral("fraPlanetName(4)"), QStringLiteral("The Sun :: 3/15/2024")},
            {QStringLiteral("lblNNodePlanetName"), QStringLiteral("North Node :: 3/15/2019")},
            {QStringLiteral("lblSNodePlanetName"), QStringLiteral("South Node :: 3/15/2022")}};
}

void compareCaptions(const frmDisplay& display, const Captions& expected)
{
    for (const auto& [control, caption] : expected)
        QCOMPARE(captionOf(display, control), caption);
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
    QTest::addColumn<TimeOfBirth>("time");

    // clang-format off
    QTest::newRow("button day")    << Press::Button << TimeOfBirth::Day;
    QTest::newRow("button night")  << Press::Button << TimeOfBirth::Night;
    QTest::newRow("mnuNext day")   << Press::Menu << TimeOfBirth::Day;
    QTest::newRow("mnuNext night") << Press::Menu << TimeOfBirth::Night;
    // clang-format on
}

void tst_ReadingFlow::acceptedPressShowsTheReading()
{
    QFETCH(Press, how);
    QFETCH(TimeOfBirth, time);

    chooseBirth(*main_, BirthData{15, 3, 1980, time});
    press(how);

    // The frame replaces the main window, showing this reading.
    const QList<MDI*> frames = openFrames();
    QCOMPARE(frames.size(), 1);
    QVERIFY(!main_->isVisible());
    compareCaptions(*frames.first()->display(), captionsOf15March1980(time));

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
    QTest::addColumn<TimeOfBirth>("first");

    // The second reading is of 15 March 1980 by the other time of birth.
    // clang-format off
    QTest::newRow("Back button night then day") << Leave::BackButton << TimeOfBirth::Night;
    QTest::newRow("File > Back night then day") << Leave::FileBack << TimeOfBirth::Night;
    QTest::newRow("Back button day then night") << Leave::BackButton << TimeOfBirth::Day;
    // clang-format on
}

void tst_ReadingFlow::backKeepsTheChoicesAndANewReadingReplacesTheOld()
{
    QFETCH(Leave, back);
    QFETCH(TimeOfBirth, first);
    const BirthData firstBirth{15, 3, 1980, first};
    const TimeOfBirth second = first == TimeOfBirth::Day ? TimeOfBirth::Night : TimeOfBirth::Day;

    chooseBirth(*main_, firstBirth);
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
    QCOMPARE(kept.day, firstBirth.day);
    QCOMPARE(kept.month, firstBirth.month);
    QCOMPARE(kept.year, firstBirth.year);
    QCOMPARE(kept.timeOfBirth, firstBirth.timeOfBirth);

    // A fresh frame and panels, showing only the second reading.
    chooseBirth(*main_, BirthData{15, 3, 1980, second});
    press(Press::Button);
    QCOMPARE(openFrames().size(), 1);
    QVERIFY(!main_->isVisible());
    compareCaptions(*openFrames().first()->display(), captionsOf15March1980(second));
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

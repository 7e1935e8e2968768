// The period panels window: where its controls stand, what they look like,
// and the description buttons, each opening its own ruler's text in a fresh
// modal reading window.

#include "FillResults.h"
#include "Style.h"
#include "Twips.h"
#include "frmDisplay.h"
#include "frmSave.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <functional>

using namespace modFirdaria;
namespace ui = zorvane::ui;

namespace {

struct ModalReading {
    bool opened = false;
    QString text;
    int readingWindowsShown = 0;
};

int shownReadingWindows()
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<frmSave*>(w) && w->isVisible())
            ++count;
    return count;
}

// Runs open(), which is expected to show a modal reading window; reads the
// window's box and closes it once it is up.
ModalReading readModal(const std::function<void()>& open)
{
    ModalReading seen;
    QTimer::singleShot(0, qApp, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* reading = qobject_cast<frmSave*>(modal)) {
            seen.opened = true;
            if (const auto* box = reading->findChild<QTextEdit*>(QStringLiteral("RTB")))
                seen.text = box->toPlainText();
            seen.readingWindowsShown = shownReadingWindows();
        }
        modal->close();
    });
    open();
    return seen;
}

// A distinct one-line text in every slot, so that a text shows which slot it
// came from.
void markReadingTexts()
{
    for (int slot = 0; slot < ReadingTextSlots; ++slot)
        ReadingTexts[static_cast<std::size_t>(slot)] = QStringLiteral("text of slot %1").arg(slot);
}

BirthData nightOf15March1980()
{
    BirthData data;
    data.day = 15;
    data.month = 3;
    data.year = 1980;
    data.timeOfBirth = TimeOfBirth::Night;
    return data;
}

}  // namespace

class TestFrmDisplay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void panelsStandOnTheGrid_data();
    void panelsStandOnTheGrid();

    void rowsBelongToTheirPanel_data();
    void rowsBelongToTheirPanel();

    void rightColumnReadsTopToBottom();

    void offViewControlsAreNeverSeen_data();
    void offViewControlsAreNeverSeen();

    void coloursAndFonts_data();
    void coloursAndFonts();

    void descriptionButtonOpensItsRulersText_data();
    void descriptionButtonOpensItsRulersText();

    void textsNeverPileUp_data();
    void textsNeverPileUp();

    void slotOutsideTheTableOpensAnEmptyWindow();
};

void TestFrmDisplay::initTestCase()
{
    ui::installFontSubstitutes();
}

void TestFrmDisplay::init()
{
    markReadingTexts();
}

void TestFrmDisplay::panelsStandOnTheGrid_data()
{
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");

    // Three columns; panel 6 heads the right column.
    QTest::newRow("panel 0") << 0 << 120 << 480;
    QTest::newRow("panel 1") << 1 << 120 << 3120;
    QTest::newRow("panel 2") << 2 << 120 << 5760;
    QTest::newRow("panel 3") << 3 << 3840 << 480;
    QTest::newRow("panel 4") << 4 << 3840 << 3120;
    QTest::newRow("panel 5") << 5 << 3840 << 5760;
    QTest::newRow("panel 6") << 6 << 7560 << 480;
}

void TestFrmDisplay::panelsStandOnTheGrid()
{
    QFETCH(int, panel);
    QFETCH(int, left);
    QFETCH(int, top);

    const frmDisplay display;
    const auto* frame = display.findChild<QGroupBox*>(QStringLiteral("fraPlanetName(%1)").arg(panel));
    QVERIFY(frame);
    QCOMPARE(frame->parentWidget(), display.Frame1);
    QCOMPARE(frame->geometry(), ui::twipRect(left, top, 3615, 2535));
    // Every panel lies wholly inside the visible container.
    QVERIFY(display.Frame1->rect().contains(frame->geometry()));
}

void TestFrmDisplay::rowsBelongToTheirPanel_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("top");

    // Row 6f + k is the k-th row (top 360 + 360 k) of panel f.
    for (int row = 0; row < frmDisplay::RowCount; ++row)
        QTest::addRow("row %02d", row) << row << row / 6 << 360 + 360 * (row % 6);
}

void TestFrmDisplay::rowsBelongToTheirPanel()
{
    QFETCH(int, row);
    QFETCH(int, panel);
    QFETCH(int, top);

    const frmDisplay display;
    const auto* name = display.findChild<QLabel*>(QStringLiteral("lblPlanetCycleName(%1)").arg(row));
    const auto* date = display.findChild<QLabel*>(QStringLiteral("lblPlanetCycle(%1)").arg(row));
    QVERIFY(name);
    QVERIFY(date);
    QCOMPARE(name, display.lblPlanetCycleName[static_cast<std::size_t>(row)]);
    QCOMPARE(date, display.lblPlanetCycle[static_cast<std::size_t>(row)]);

    const QWidget* frame = display.fraPlanetName[static_cast<std::size_t>(panel)];
    QCOMPARE(name->parentWidget(), frame);
    QCOMPARE(date->parentWidget(), frame);
    QCOMPARE(name->y(), ui::px(top));
    QCOMPARE(date->y(), ui::px(top));
    QCOMPARE(name->x(), ui::px(120));
    QCOMPARE(date->x(), ui::px(2040));
    // Side by side, not overlapping, and inside the panel.
    QVERIFY(name->geometry().right() < date->geometry().left());
    QVERIFY(frame->rect().contains(name->geometry()));
    QVERIFY(frame->rect().contains(date->geometry()));
}

void TestFrmDisplay::rightColumnReadsTopToBottom()
{
    // Below panel 6: the North Node line, the South Node line, then the nine
    // buttons in ruler order; neighbours at most share an edge.
    const frmDisplay display;
    QList<const QWidget*> column{display.fraPlanetName[6], display.lblNNodePlanetName, display.lblSNodePlanetName};
    for (int i = 0; i < frmDisplay::DescButtonCount; ++i) {
        const auto* button = display.findChild<QPushButton*>(QStringLiteral("cmdDesc(%1)").arg(i));
        QVERIFY(button);
        QCOMPARE(button, display.cmdDesc[static_cast<std::size_t>(i)]);
        QCOMPARE(button->geometry(), ui::twipRect(7560, 3960 + 480 * i, 3615, 495));
        column << button;
    }
    for (qsizetype i = 0; i + 1 < column.size(); ++i) {
        QCOMPARE(column[i]->x(), ui::px(7560));
        QVERIFY2(column[i]->geometry().bottom() <= column[i + 1]->geometry().top(),
                 qPrintable(column[i + 1]->objectName()));
    }
    QVERIFY(display.Frame1->rect().contains(column.last()->geometry()));
}

void TestFrmDisplay::offViewControlsAreNeverSeen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");

    QTest::newRow("Picture1")  << "Picture1"  << QRect(3240, 8760, 1575, 375);
    QTest::newRow("txtFolder") << "txtFolder" << QRect(5880, 11280, 2745, 315);
    QTest::newRow("txtFile")   << "txtFile"   << QRect(7680, 11280, 2745, 315);
}

void TestFrmDisplay::offViewControlsAreNeverSeen()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);

    const frmDisplay display;
    const auto* control = display.findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &display);
    QCOMPARE(control->geometry(), ui::twipRect(twips.x(), twips.y(), twips.width(), twips.height()));
    QVERIFY(!display.rect().intersects(control->geometry()));

    QCOMPARE(display.Picture1, display.findChild<QLabel*>(QStringLiteral("Picture1")));
    QCOMPARE(display.txtFolder, display.findChild<QLineEdit*>(QStringLiteral("txtFolder")));
    QCOMPARE(display.txtFile, display.findChild<QLineEdit*>(QStringLiteral("txtFile")));
}

void TestFrmDisplay::coloursAndFonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<double>("pointSize");

    const QColor cyan(0, 255, 255);
    const QColor white(255, 255, 255);
    QTest::newRow("Label1")                 << "Label1" << white << 9.0;
    QTest::newRow("lblTimeOfBirth")         << "lblTimeOfBirth" << QColor(128, 255, 255) << 9.0;
    QTest::newRow("lblNNodePlanetName")     << "lblNNodePlanetName" << cyan << 12.0;
    QTest::newRow("lblSNodePlanetName")     << "lblSNodePlanetName" << cyan << 12.0;
    QTest::newRow("lblPlanetCycleName(0)")  << "lblPlanetCycleName(0)" << white << 9.75;
    QTest::newRow("lblPlanetCycleName(41)") << "lblPlanetCycleName(41)" << white << 9.75;
    QTest::newRow("lblPlanetCycle(0)")      << "lblPlanetCycle(0)" << white << 9.75;
    QTest::newRow("lblPlanetCycle(41)")     << "lblPlanetCycle(41)" << white << 9.75;
}

void TestFrmDisplay::coloursAndFonts()
{
    QFETCH(QString, name);
    QFETCH(QColor, colour);
    QFETCH(double, pointSize);

    const frmDisplay display;
    const auto* label = display.findChild<QLabel*>(name);
    QVERIFY(label);
    QCOMPARE(label->palette().color(QPalette::WindowText), colour);
    QCOMPARE(label->font().pointSizeF(), pointSize);
    QVERIFY(label->font().bold());
    QCOMPARE(label->font().family(), QStringLiteral("Verdana"));
    QCOMPARE(display.palette().color(QPalette::Window), QColor(64, 0, 64));
    QCOMPARE(display.size(), ui::twipSize(15000, 8490));
}

void TestFrmDisplay::descriptionButtonOpensItsRulersText_data()
{
    QTest::addColumn<int>("index");

    // Also for a night birth, whose panel 0 shows the Moon: the buttons
    // follow the rulers, not the panels.
    for (int i = 0; i < frmDisplay::DescButtonCount; ++i)
        QTest::addRow("cmdDesc(%d)", i) << i;
}

void TestFrmDisplay::descriptionButtonOpensItsRulersText()
{
    QFETCH(int, index);

    frmDisplay display;
    FillResults(ComputeFirdaria(nightOf15March1980()), display);
    QVERIFY(display.fraPlanetName[0]->title().startsWith(QStringLiteral("The Moon")));

    const ModalReading seen = readModal([&] { display.cmdDesc[static_cast<std::size_t>(index)]->click(); });
    QVERIFY(seen.opened);
    QCOMPARE(seen.text, QStringLiteral("text of slot %1").arg(index));
    QCOMPARE(seen.readingWindowsShown, 1);
    QCOMPARE(shownReadingWindows(), 0);
}

void TestFrmDisplay::textsNeverPileUp_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");

    QTest::newRow("Sun then South Node")   << 0 << 8;
    QTest::newRow("South Node then Sun")   << 8 << 0;
    QTest::newRow("Moon twice")            << 3 << 3;
    QTest::newRow("North then South Node") << 7 << 8;
}

void TestFrmDisplay::textsNeverPileUp()
{
    QFETCH(int, first);
    QFETCH(int, second);

    frmDisplay display;
    const ModalReading before = readModal([&] { display.cmdDesc[static_cast<std::size_t>(first)]->click(); });
    QCOMPARE(before.text, QStringLiteral("text of slot %1").arg(first));
    const ModalReading after = readModal([&] { display.cmdDesc[static_cast<std::size_t>(second)]->click(); });
    QVERIFY(after.opened);
    QCOMPARE(after.text, QStringLiteral("text of slot %1").arg(second));
    QCOMPARE(after.readingWindowsShown, 1);
}

void TestFrmDisplay::slotOutsideTheTableOpensAnEmptyWindow()
{
    // No button gives such an index; the window still opens, empty.
    frmDisplay display;
    const ModalReading seen = readModal([&] { display.cmdDesc_Click(frmDisplay::DescButtonCount + 5); });
    QVERIFY(seen.opened);
    QCOMPARE(seen.text, QString());
}

QTEST_MAIN(TestFrmDisplay)
#include "tst_frmdisplay.moc"

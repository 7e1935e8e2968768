// The period panels window: panels and rows where they belong, and the
// description buttons, each opening its own ruler's text in a fresh modal
// reading window.

#include "FillResults.h"
#include "ResultsTestSupport.h"
#include "Style.h"
#include "Twips.h"
#include "frmDisplay.h"

#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace modFirdaria;
using zorvane::test::markReadingTexts;
using zorvane::test::ModalSeen;
using zorvane::test::seeModal;
namespace ui = zorvane::ui;

class TestFrmDisplay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void panelsStandOnTheGrid_data();
    void panelsStandOnTheGrid();

    void rowsBelongToTheirPanel_data();
    void rowsBelongToTheirPanel();

    void descriptionButtonOpensItsRulersText_data();
    void descriptionButtonOpensItsRulersText();

    void textsNeverPileUp_data();
    void textsNeverPileUp();

    void descriptionButtonsShowTheirFace_data();
    void descriptionButtonsShowTheirFace();

    void labelsShowTheirColour_data();
    void labelsShowTheirColour();

    void panelBorderBreaksForItsCaption_data();
    void panelBorderBreaksForItsCaption();
};

void TestFrmDisplay::initTestCase()
{
    ui::useProgramStyle();
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
    // clang-format off
    QTest::newRow("panel 0") << 0 << 120 << 480;
    QTest::newRow("panel 1") << 1 << 120 << 3120;
    QTest::newRow("panel 2") << 2 << 120 << 5760;
    QTest::newRow("panel 3") << 3 << 3840 << 480;
    QTest::newRow("panel 4") << 4 << 3840 << 3120;
    QTest::newRow("panel 5") << 5 << 3840 << 5760;
    QTest::newRow("panel 6") << 6 << 7560 << 480;
    // clang-format on
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
        // clang-format off
        QTest::addRow("row %02d", row) << row << row / 6 << 360 + 360 * (row % 6);
    // clang-format on
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

void TestFrmDisplay::descriptionButtonOpensItsRulersText_data()
{
    QTest::addColumn<int>("index");

    // Also for a night birth, whose panel 0 shows the Moon: the buttons
    // follow the rulers, not the panels.
    for (int i = 0; i < frmDisplay::DescButtonCount; ++i)
        // clang-format off
        QTest::addRow("cmdDesc(%d)", i) << i;
    // clang-format on
}

void TestFrmDisplay::descriptionButtonOpensItsRulersText()
{
    QFETCH(int, index);

    frmDisplay display;
    FillResults(ComputeFirdaria(modFirdaria::BirthData{15, 3, 1980, TimeOfBirth::Night}), display);
    QVERIFY(display.fraPlanetName[0]->title().startsWith(QStringLiteral("The Moon")));

    const ModalSeen seen = seeModal([&] { display.cmdDesc[static_cast<std::size_t>(index)]->click(); });
    QCOMPARE(seen.className, QStringLiteral("frmSave"));
    QCOMPARE(seen.text, QStringLiteral("text of slot %1").arg(index));
    QCOMPARE(seen.modalWindowsShown, 1);
}

void TestFrmDisplay::textsNeverPileUp_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");

    // clang-format off
    QTest::newRow("Sun then South Node")   << 0 << 8;
    QTest::newRow("South Node then Sun")   << 8 << 0;
    QTest::newRow("Moon twice")            << 3 << 3;
    QTest::newRow("North then South Node") << 7 << 8;
    // clang-format on
}

void TestFrmDisplay::textsNeverPileUp()
{
    QFETCH(int, first);
    QFETCH(int, second);

    frmDisplay display;
    const ModalSeen before = seeModal([&] { display.cmdDesc[static_cast<std::size_t>(first)]->click(); });
    QCOMPARE(before.text, QStringLiteral("text of slot %1").arg(first));
    const ModalSeen after = seeModal([&] { display.cmdDesc[static_cast<std::size_t>(second)]->click(); });
    QCOMPARE(after.className, QStringLiteral("frmSave"));
    QCOMPARE(after.text, QStringLiteral("text of slot %1").arg(second));
    QCOMPARE(after.modalWindowsShown, 1);
}

void TestFrmDisplay::descriptionButtonsShowTheirFace_data()
{
    descriptionButtonOpensItsRulersText_data();
}

void TestFrmDisplay::descriptionButtonsShowTheirFace()
{
    QFETCH(int, index);
    frmDisplay display;
    auto* button = display.findChild<QPushButton*>(QStringLiteral("cmdDesc(%1)").arg(index));
    QVERIFY(button);
    // The face as drawn, a few pixels in from the left edge at mid-height,
    // clear of the border and of the centred caption.
    const QImage face = button->grab().toImage();
    const QColor drawn = face.pixelColor(6, face.height() / 2);
    QCOMPARE(drawn, ui::colors::silver());
}

void TestFrmDisplay::labelsShowTheirColour_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("colour");
    // clang-format off
    QTest::newRow("time of birth caption") << "Label1" << ui::colors::white();
    QTest::newRow("time of birth") << "lblTimeOfBirth" << ui::colors::paleCyan();
    QTest::newRow("north node line") << "lblNNodePlanetName" << ui::colors::cyan();
    QTest::newRow("south node line") << "lblSNodePlanetName" << ui::colors::cyan();
    // The first and last row of every panel.
    for (int panel = 0; panel < frmDisplay::PanelCount; ++panel) {
        const int first = panel * frmDisplay::RowsPerPanel;
        for (const int row : {first, first + frmDisplay::RowsPerPanel - 1}) {
            QTest::addRow("row %d name", row) << QStringLiteral("lblPlanetCycleName(%1)").arg(row) << ui::colors::white();
            QTest::addRow("row %d date", row) << QStringLiteral("lblPlanetCycle(%1)").arg(row) << ui::colors::white();
        }
    }
    // clang-format on
}

void TestFrmDisplay::labelsShowTheirColour()
{
    QFETCH(QString, name);
    QFETCH(QColor, colour);
    frmDisplay display;
    const auto* label = display.findChild<QLabel*>(name);
    QVERIFY(label);
    QCOMPARE(label->palette().color(QPalette::WindowText), colour);
}

void TestFrmDisplay::panelBorderBreaksForItsCaption_data()
{
    panelsStandOnTheGrid_data();
}

void TestFrmDisplay::panelBorderBreaksForItsCaption()
{
    QFETCH(int, panel);
    // In pixels: the border's top edge runs 9 below the panel's top and
    // breaks for the caption, which starts 6 in from the left.
    constexpr int BorderTop = 9;
    constexpr int CaptionLeft = 6;
    constexpr int InCaption = 20;

    frmDisplay display;
    FillResults(ComputeFirdaria(BirthData{15, 3, 1990, TimeOfBirth::Day}), display);
    const QImage drawn = display.fraPlanetName[static_cast<std::size_t>(panel)]->grab().toImage();
    const int right = drawn.width() - 1;
    const int bottom = drawn.height() - 1;
    // A long caption may leave no top edge right of it: its corner is the
    // right edge's.
    const QList<QPoint> onBorder{{0, BorderTop},      {2, BorderTop},      {CaptionLeft - 1, BorderTop},
                                 {right, BorderTop},  {right, bottom / 2}, {right, bottom},
                                 {right / 2, bottom}, {0, bottom},         {0, bottom / 2}};
    for (const QPoint& point : onBorder)
        QVERIFY2(drawn.pixelColor(point) == ui::colors::silver(),
                 qPrintable(QStringLiteral("no border at %1, %2").arg(point.x()).arg(point.y())));
    QVERIFY2(drawn.pixelColor(InCaption, BorderTop) != ui::colors::silver(), "the border runs through the caption");
    // Where the caption starts, before its text: a glyph drawn over an
    // unbroken border would hide it at InCaption, never here.
    QVERIFY2(drawn.pixelColor(CaptionLeft, BorderTop) != ui::colors::silver(), "the border runs into the caption");
    // Nothing of the border above its top edge or inside it.
    QCOMPARE_NE(drawn.pixelColor(0, BorderTop - 1), ui::colors::silver());
    QCOMPARE_NE(drawn.pixelColor(1, BorderTop + 1), ui::colors::silver());
}

QTEST_MAIN(TestFrmDisplay)
#include "tst_frmdisplay.moc"

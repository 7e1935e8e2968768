// The period panels window: panels and rows where they belong, the captions
// a reading writes shown by the controls named for them and fitting them,
// the description buttons, each opening its own ruler's text in a fresh
// modal reading window, and the periods as the keyboard and assistive
// technology reach them, marked only when the keyboard moves the focus.

#include "OffscreenFonts.h"
#include "PeriodPanel.h"
#include "PictureDifference.h"
#include "RecordedPanels.h"
#include "ResultsTestSupport.h"
#include "SpokenCaptions.h"
#include "Style.h"
#include "frmDisplay.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace modFirdaria;
using zorvane::test::captionOf;
using zorvane::test::differingPixels;
using zorvane::test::fillWith;
using zorvane::test::markReadingTexts;
using zorvane::test::ModalSeen;
using zorvane::test::RecordedPanels;
using zorvane::test::seeModal;
using zorvane::test::subPeriodNamesByRule;
namespace ui = zorvane::ui;

Q_DECLARE_METATYPE(modFirdaria::BirthData)

namespace {

QGroupBox* panelOf(const frmDisplay& display, int panel)
{
    return display.findChild<QGroupBox*>(QStringLiteral("fraPlanetName(%1)").arg(panel));
}

QPushButton* descriptionButton(const frmDisplay& display, int index)
{
    return display.findChild<QPushButton*>(QStringLiteral("cmdDesc(%1)").arg(index));
}

// Fills the panels window with the reading of birth and shows it as the
// active window; false when it could not be made active.
bool showActive(frmDisplay& display, const BirthData& birth)
{
    fillWith(display, birth);
    display.show();
    display.activateWindow();
    return QTest::qWaitForWindowActive(&display);
}

// What assistive technology finds focused in a period panel: the row the
// keyboard stands on, or the panel itself, named by its heading.
QString focusedInPanel(PeriodPanel* panel)
{
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(panel);
    QAccessibleInterface* focused = list->focusChild() ? list->focusChild() : list;
    if (!focused->state().focused)
        return QStringLiteral("<nothing focused>");
    return focused->text(QAccessible::Name);
}

}  // namespace

class tst_frmDisplay : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void filledWindow_data();
    void filledWindow();

    void descriptionButtonOpensItsRulersText_data();
    void descriptionButtonOpensItsRulersText();

    void labelsShowTheirColour_data();
    void labelsShowTheirColour();

    void panelBorderBreaksForItsCaption_data();
    void panelBorderBreaksForItsCaption();

    void readAsOnePhrase_data();
    void readAsOnePhrase();

    void arrowKeysReadAPanel_data();
    void arrowKeysReadAPanel();
    void periodsTakeTheFocusFromTabOnly();

    void focusIsMarkedOnlyFromTheKeyboard_data();
    void focusIsMarkedOnlyFromTheKeyboard();
};

void tst_frmDisplay::initTestCase()
{
    zorvane::test::measureTextUnhinted();
    ui::useProgramStyle();
    ui::installFontSubstitutes();
}

void tst_frmDisplay::init()
{
    markReadingTexts();
}

void tst_frmDisplay::filledWindow_data()
{
    QTest::addColumn<BirthData>("birth");

    // Two-digit months and days give the widest dates.
    for (const TimeOfBirth time : {TimeOfBirth::Day, TimeOfBirth::Night}) {
        const char* t = time == TimeOfBirth::Day ? "day" : "night";
        // clang-format off
        QTest::addRow("%s 15 Mar 1980", t) << BirthData{15, 3, 1980, time};
        QTest::addRow("%s 29 Feb 2000", t) << BirthData{29, 2, 2000, time};
        QTest::addRow("%s 28 Dec 1999", t) << BirthData{28, 12, 1999, time};
        QTest::addRow("%s 31 Dec 2050", t) << BirthData{31, 12, 2050, time};
        QTest::addRow("%s 30 Nov 2048", t) << BirthData{30, 11, 2048, time};
        // clang-format on
    }
}

// Each of the 94 captions that the filling writes through PeriodPanels
// reaches the control of the window named for it and fits it; the
// description buttons keep their captions in the fixed ruler order.
void tst_frmDisplay::filledWindow()
{
    QFETCH(BirthData, birth);

    const FirdariaReading reading = ComputeFirdaria(birth, subPeriodNamesByRule());
    RecordedPanels written;
    FillResults(reading, written);
    const frmDisplay untouched;
    frmDisplay display;
    FillResults(reading, display);

    QCOMPARE(descriptionButton(display, index(Ruler::Sun))->text(), QStringLiteral("Click To Know More About The Sun"));
    QCOMPARE(descriptionButton(display, index(Ruler::SouthNode))->text(),
             QStringLiteral("Click To Know More About S. Node"));
    for (int i = 0; i < frmDisplay::DescButtonCount; ++i)
        QCOMPARE(descriptionButton(display, i)->text(), descriptionButton(untouched, i)->text());

    // Fitted ahead, the captions leave a reading nothing to narrow anew, nor
    // a glyph to draw for the first time: a narrowed caption is shown in a
    // font that fitting ahead gave, with characters it gave for that font.
    static const QHash<QFont, QString> ahead = frmDisplay::fitCaptionsAhead(subPeriodNamesByRule());
    const QStringList filled = RecordedPanels::controlNames();
    int narrowed = 0;
    for (const QString& name : filled + QStringList{QStringLiteral("Label1")}) {
        if (filled.contains(name))
            QCOMPARE(captionOf(display, name), written.captions.value(name));
        if (const auto* panel = display.findChild<QGroupBox*>(name)) {
            const int width = QFontMetrics(panel->font()).horizontalAdvance(panel->title());
            QVERIFY2(width < panel->width(), qPrintable(panel->title()));
            continue;
        }
        const auto* label = display.findChild<QLabel*>(name);
        QVERIFY2(label, qPrintable(name));
        const int width = QFontMetrics(label->font()).horizontalAdvance(label->text());
        QVERIFY2(width <= label->width(), qPrintable(label->text()));
        if (label->font().stretch() == QFont::AnyStretch)
            continue;
        ++narrowed;
        QVERIFY2(ahead.contains(label->font()), qPrintable(label->text() + u' ' + label->font().toString()));
        for (const QChar c : label->text())
            QVERIFY2(ahead.value(label->font()).contains(c), qPrintable(label->text()));
    }
    // "Mercury/Jupiter -" is narrowed in every reading.
    QVERIFY(narrowed > 0);
}

void tst_frmDisplay::descriptionButtonOpensItsRulersText_data()
{
    QTest::addColumn<int>("previous");
    QTest::addColumn<int>("index");

    // Each button pressed after the one before it (the Sun's after the
    // South Node's), by night, whose panel 0 shows the Moon: the buttons
    // follow the rulers, not the panels.
    for (int i = 0; i < frmDisplay::DescButtonCount; ++i) {
        const int previous = (i + frmDisplay::DescButtonCount - 1) % frmDisplay::DescButtonCount;
        QTest::addRow("cmdDesc(%d) after cmdDesc(%d)", i, previous) << previous << i;
    }
}

// A press opens the ruler's text alone in a fresh modal reading window,
// whatever was opened before; the button shows its silver face.
void tst_frmDisplay::descriptionButtonOpensItsRulersText()
{
    QFETCH(int, previous);
    QFETCH(int, index);

    frmDisplay display;
    fillWith(display, BirthData{15, 3, 1980, TimeOfBirth::Night});
    QVERIFY(panelOf(display, 0)->title().startsWith(QStringLiteral("The Moon")));

    const ModalSeen before = seeModal([&] { descriptionButton(display, previous)->click(); });
    QCOMPARE(before.text, QStringLiteral("text of slot %1").arg(previous));
    const ModalSeen seen = seeModal([&] { descriptionButton(display, index)->click(); });
    QCOMPARE(seen.className, QStringLiteral("frmSave"));
    QCOMPARE(seen.text, QStringLiteral("text of slot %1").arg(index));
    QCOMPARE(seen.modalWindowsShown, 1);

    // A few pixels in from the left edge at mid-height, clear of the border
    // and of the centred caption.
    const QImage face = descriptionButton(display, index)->grab().toImage();
    QCOMPARE(face.pixelColor(6, face.height() / 2), ui::colors::silver);
}

void tst_frmDisplay::labelsShowTheirColour_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QColor>("colour");
    // clang-format off
    QTest::newRow("time of birth caption") << "Label1" << ui::colors::white;
    QTest::newRow("time of birth") << "lblTimeOfBirth" << ui::colors::paleCyan;
    QTest::newRow("north node line") << "lblNNodePlanetName" << ui::colors::cyan;
    QTest::newRow("south node line") << "lblSNodePlanetName" << ui::colors::cyan;
    // The first and last row of every panel.
    for (int panel = 0; panel < PeriodPanels::PanelCount; ++panel) {
        const int first = panel * PeriodPanels::RowsPerPanel;
        for (const int row : {first, first + PeriodPanels::RowsPerPanel - 1}) {
            QTest::addRow("row %d name", row) << QStringLiteral("lblPlanetCycleName(%1)").arg(row) << ui::colors::white;
            QTest::addRow("row %d date", row) << QStringLiteral("lblPlanetCycle(%1)").arg(row) << ui::colors::white;
        }
    }
    // clang-format on
}

void tst_frmDisplay::labelsShowTheirColour()
{
    QFETCH(QString, name);
    QFETCH(QColor, colour);
    frmDisplay display;
    const auto* label = display.findChild<QLabel*>(name);
    QVERIFY(label);
    QCOMPARE(label->palette().color(QPalette::WindowText), colour);
}

void tst_frmDisplay::panelBorderBreaksForItsCaption_data()
{
    QTest::addColumn<int>("panel");
    for (int panel = 0; panel < PeriodPanels::PanelCount; ++panel)
        QTest::addRow("panel %d", panel) << panel;
}

void tst_frmDisplay::panelBorderBreaksForItsCaption()
{
    QFETCH(int, panel);
    // In pixels: the border's top edge runs 9 below the panel's top and
    // breaks for the caption, which starts 6 in from the left.
    constexpr int BorderTop = 9;
    constexpr int CaptionLeft = 6;
    constexpr int InCaption = 20;

    frmDisplay display;
    fillWith(display, BirthData{15, 3, 1990, TimeOfBirth::Day});
    const QImage drawn = panelOf(display, panel)->grab().toImage();
    const int right = drawn.width() - 1;
    const int bottom = drawn.height() - 1;
    // A long caption may leave no top edge right of it: its corner is the
    // right edge's.
    const QList<QPoint> onBorder{{0, BorderTop},      {2, BorderTop},      {CaptionLeft - 1, BorderTop},
                                 {right, BorderTop},  {right, bottom / 2}, {right, bottom},
                                 {right / 2, bottom}, {0, bottom},         {0, bottom / 2}};
    for (const QPoint& point : onBorder)
        QVERIFY2(drawn.pixelColor(point) == ui::colors::silver,
                 qPrintable(QStringLiteral("no border at %1, %2").arg(point.x()).arg(point.y())));
    QVERIFY2(drawn.pixelColor(InCaption, BorderTop) != ui::colors::silver, "the border runs through the caption");
    // Where the caption starts, before its text: a glyph drawn over an
    // unbroken border would hide it at InCaption, never here.
    QVERIFY2(drawn.pixelColor(CaptionLeft, BorderTop) != ui::colors::silver, "the border runs into the caption");
    // Nothing of the border above its top edge or inside it.
    QCOMPARE_NE(drawn.pixelColor(0, BorderTop - 1), ui::colors::silver);
    QCOMPARE_NE(drawn.pixelColor(1, BorderTop + 1), ui::colors::silver);
}

void tst_frmDisplay::readAsOnePhrase_data()
{
    QTest::addColumn<bool>("heading");  // else a row: its name, and its start
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("spoken");
    // Rows' names end in " -", two of them in a blank after it.
    // clang-format off
    QTest::newRow("planet heading") << true << "The Moon :: 3/15/1980" << "" << "The Moon, 3/15/1980";
    QTest::newRow("node heading") << true << "North Node :: 12/31/2049" << "" << "North Node, 12/31/2049";
    QTest::newRow("heading without a start") << true << "Venus :: " << "" << "Venus";
    QTest::newRow("heading never written") << true << "lblNNodePlanetName" << "" << "lblNNodePlanetName";
    QTest::newRow("empty heading") << true << "" << "" << "";
    QTest::newRow("row") << false << "Moon/Saturn -" << "6/27/1981" << "Moon/Saturn, 6/27/1981";
    QTest::newRow("row, blank after the hyphen") << false << "Mars/Mercury - " << "3/15/2015" << "Mars/Mercury, 3/15/2015";
    QTest::newRow("row without a hyphen") << false << "Moon/Saturn" << "jan/12/2006" << "Moon/Saturn, jan/12/2006";
    QTest::newRow("empty row") << false << "" << "" << "";
    // clang-format on
}

void tst_frmDisplay::readAsOnePhrase()
{
    QFETCH(bool, heading);
    QFETCH(QString, caption);
    QFETCH(QString, start);
    QFETCH(QString, spoken);
    QCOMPARE(heading ? zorvane::results::spokenHeading(caption) : zorvane::results::spokenRow(caption, start), spoken);
}

void tst_frmDisplay::arrowKeysReadAPanel_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QStringList>("heard");  // what is focused after each key
    QTest::addColumn<int>("row");            // where the keyboard stands at the end; -1 the heading

    const QString heading = QStringLiteral("The Moon, 3/15/1980");
    // The Moon's period of 15 March 1980 by night.
    const QStringList rows{QStringLiteral("Moon/Saturn, 6/27/1981"), QStringLiteral("Moon/Jupiter, 10/10/1982"),
                           QStringLiteral("Moon/Mars, 1/22/1984"),   QStringLiteral("Moon/Sun, 5/6/1985"),
                           QStringLiteral("Moon/Venus, 8/19/1986"),  QStringLiteral("Moon/Mercury, 12/1/1987")};
    const int down = Qt::Key_Down;
    const int up = Qt::Key_Up;
    // clang-format off
    QTest::newRow("down twice") << QList<int>{down, down} << rows.mid(0, 2) << 1;
    QTest::newRow("down past the last row") << QList<int>(7, down)
                                            << rows + QStringList{rows.at(5) + ". " + PeriodPanel::lastRowDescription()}
                                            << 5;
    QTest::newRow("up back to the heading") << QList<int>{down, up} << QStringList{rows.at(0), heading} << -1;
    QTest::newRow("up on the heading") << QList<int>{up} << QStringList{heading} << -1;
    QTest::newRow("end, then home") << QList<int>{int(Qt::Key_End), int(Qt::Key_Home)}
                                    << QStringList{rows.at(5), heading} << -1;
    QTest::newRow("left and right do nothing") << QList<int>{int(Qt::Key_Right), int(Qt::Key_Left)}
                                               << QStringList{heading, heading} << -1;
    // clang-format on
}

// A panel that has the focus starts on its heading; the keys move through
// its rows, and assistive technology finds each row focused in turn, named
// as one phrase.
void tst_frmDisplay::arrowKeysReadAPanel()
{
    QFETCH(QList<int>, keys);
    QFETCH(QStringList, heard);
    QFETCH(int, row);

    frmDisplay display;
    QVERIFY(showActive(display, BirthData{15, 3, 1980, TimeOfBirth::Night}));
    auto* panel = qobject_cast<PeriodPanel*>(panelOf(display, 0));
    QVERIFY(panel);
    panel->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(panel->hasFocus());
    QCOMPARE(focusedInPanel(panel), QStringLiteral("The Moon, 3/15/1980"));

    QStringList focused;
    for (int key : keys) {
        QTest::keyClick(panel, Qt::Key(key));
        focused << focusedInPanel(panel);
    }
    QCOMPARE(focused, heard);
    QCOMPARE(panel->currentRow(), row);
    QCOMPARE(QAccessible::queryAccessibleInterface(panel)->role(), QAccessible::List);

    // The next focus from outside starts on the heading again.
    panel->clearFocus();
    panel->setFocus(Qt::BacktabFocusReason);
    QTRY_VERIFY(panel->hasFocus());
    QCOMPARE(panel->currentRow(), -1);
}

// The panels and node lines take the focus from the keyboard alone: a click
// leaves the focus where it was.
void tst_frmDisplay::periodsTakeTheFocusFromTabOnly()
{
    frmDisplay display;
    QVERIFY(showActive(display, BirthData{15, 3, 1980, TimeOfBirth::Day}));
    QPushButton* focused = descriptionButton(display, 0);
    focused->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(focused->hasFocus());
    QList<QWidget*> periods = display.periods();
    QCOMPARE(periods.size(), RulerCount);
    for (QWidget* period : std::as_const(periods)) {
        QCOMPARE(period->focusPolicy(), Qt::TabFocus);
        QTest::mouseClick(period, Qt::LeftButton);
        QVERIFY2(focused->hasFocus(), qPrintable(period->objectName()));
    }
}

void tst_frmDisplay::focusIsMarkedOnlyFromTheKeyboard_data()
{
    QTest::addColumn<int>("row");  // -1: the heading
    // clang-format off
    QTest::newRow("heading") << -1;
    QTest::newRow("first row") << 0;
    QTest::newRow("last row") << 5;
    // clang-format on
}

// Focused from the program or by a click, a panel looks as it does without
// the focus, to the pixel; moved to with the keyboard, a thin mark shows
// around the heading or the row it stands on, and nowhere else.
void tst_frmDisplay::focusIsMarkedOnlyFromTheKeyboard()
{
    QFETCH(int, row);

    frmDisplay display;
    QVERIFY(showActive(display, BirthData{15, 3, 1980, TimeOfBirth::Night}));
    auto* panel = qobject_cast<PeriodPanel*>(panelOf(display, 0));
    QVERIFY(panel);

    panel->clearFocus();
    QVERIFY(!panel->hasFocus());
    const QImage unfocused = panel->grab().toImage();
    panel->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(panel->hasFocus());
    QCOMPARE(panel->grab().toImage(), unfocused);

    // Tab marks the focus window-wide, as it does for the program's buttons;
    // the arrow keys do the same, without a Tab first.
    if (row < 0)
        display.setAttribute(Qt::WA_KeyboardFocusChange);
    else
        QTest::keyClick(panel, Qt::Key_End);
    for (int up = 5; up > row && row >= 0; --up)
        QTest::keyClick(panel, Qt::Key_Up);
    QCOMPARE(panel->currentRow(), row);
    const QImage marked = panel->grab().toImage();

    int count = 0;
    const QRect where = differingPixels(unfocused, marked, &count);
    QVERIFY2(count > 0, "the focus is not marked");
    // The mark runs around its heading or row, a pixel wide: a fraction of
    // the pixels of the place it surrounds.
    const QRect place =
        row < 0 ? QRect(0, 0, panel->width(), panel->rowRect(0).top() - 2) : panel->rowRect(row).adjusted(-2, -2, 2, 2);
    QVERIFY2(place.contains(where), qPrintable(QStringLiteral("marked at %1,%2 %3x%4")
                                                   .arg(where.x())
                                                   .arg(where.y())
                                                   .arg(where.width())
                                                   .arg(where.height())));
    QVERIFY2(count <= 2 * (where.width() + where.height()), qPrintable(QString::number(count)));
}

QTEST_MAIN(tst_frmDisplay)
#include "tst_frmdisplay.moc"

// A fixed-size window larger than its screen fits it: its text box gives up
// the room the window lacks, and every other control keeps its place
// relative to the box. A window that fits is left alone.

#include "ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QWidget>

namespace ui = zorvane::ui;

namespace {

// Room around the box, in pixels, on each side.
constexpr int Margin = 40;
constexpr QSize ControlSize(60, 20);

enum class Place { AboveAtLeft, BelowAtRight, BelowAsWide, AboveCentred };

// A control's rectangle beside a box.
QRect placeBy(const QRect& box, Place place)
{
    switch (place) {
    case Place::AboveAtLeft:
        return QRect(QPoint(box.left(), 5), ControlSize);
    case Place::BelowAtRight:
        return QRect(QPoint(box.right() + 1 - ControlSize.width(), box.bottom() + 1), ControlSize);
    case Place::BelowAsWide:
        return QRect(box.left(), box.bottom() + 1, box.width(), ControlSize.height());
    case Place::AboveCentred:
        return QRect(QPoint(box.left() + (box.width() - ControlSize.width()) / 2, 5), ControlSize);
    }
    return {};
}

}  // namespace

Q_DECLARE_METATYPE(Place)

class tst_ScreenFit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void controlsKeepTheirPlaceByTheBox_data();
    void controlsKeepTheirPlaceByTheBox();
    void boxKeepsItsMinimum();
};

void tst_ScreenFit::controlsKeepTheirPlaceByTheBox_data()
{
    QTest::addColumn<Place>("place");
    QTest::addColumn<int>("overflow");      // pixels beyond the screen on each axis, < 0 if it fits
    QTest::addColumn<double>("movedLeft");  // share of the width the box loses
    QTest::addColumn<double>("movedUp");    // share of the height the box loses
    QTest::addColumn<bool>("narrowed");     // by the width the box loses

    // A centred control moves by half the loss, rounded to the nearest pixel
    // (an odd and an even overflow give an odd and an even loss).
    // clang-format off
    QTest::newRow("above the box, at its left")        << Place::AboveAtLeft << 100 << 0.0 << 0.0 << false;
    QTest::newRow("below the box, at its right")       << Place::BelowAtRight << 100 << 1.0 << 1.0 << false;
    QTest::newRow("below the box, as wide as it")      << Place::BelowAsWide << 100 << 0.0 << 1.0 << true;
    QTest::newRow("above the box, centred, overflow 100") << Place::AboveCentred << 100 << 0.5 << 0.0 << false;
    QTest::newRow("above the box, centred, overflow 101") << Place::AboveCentred << 101 << 0.5 << 0.0 << false;
    QTest::newRow("below the box, as wide as it, fits")   << Place::BelowAsWide << -100 << 0.0 << 1.0 << true;
    // clang-format on
}

// A window overflow pixels wider and higher than the screen's area, with a
// text box Margin pixels inside its edges and one control beside the box.
void tst_ScreenFit::controlsKeepTheirPlaceByTheBox()
{
    QFETCH(Place, place);
    QFETCH(int, overflow);
    QFETCH(double, movedLeft);
    QFETCH(double, movedUp);
    QFETCH(bool, narrowed);

    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    QWidget window;
    const QSize design = screen + QSize(overflow, overflow);
    window.setFixedSize(design);
    auto* box = new QTextEdit(&window);
    // An even width, so that a control can stand exactly in its middle.
    box->setGeometry(Margin, Margin, (window.width() - 2 * Margin) & ~1, window.height() - 2 * Margin);
    const QRect boxBefore = box->geometry();
    auto* control = new QWidget(&window);
    const QRect before = placeBy(boxBefore, place);
    control->setGeometry(before);

    ui::fitToScreen(&window, box);

    // The window loses what the box loses: at least the overflow, and the
    // frame the window system adds; nothing if it fits.
    const QSize lost = boxBefore.size() - box->size();
    if (overflow < 0)
        QCOMPARE(lost, QSize(0, 0));
    else
        QVERIFY(lost.width() >= overflow && lost.height() >= overflow);
    QCOMPARE(window.size(), design - lost);
    QCOMPARE(box->pos(), boxBefore.topLeft());
    QCOMPARE(control->pos(),
             before.topLeft() - QPoint(qRound(movedLeft * lost.width()), qRound(movedUp * lost.height())));
    QCOMPARE(control->size(), before.size() - QSize(narrowed ? lost.width() : 0, 0));
}

// A window far larger than the screen, its box small: the box gives up all
// it can spare and no more, and the window stays larger than the screen.
void tst_ScreenFit::boxKeepsItsMinimum()
{
    const QSize design = QGuiApplication::primaryScreen()->availableGeometry().size() * 3;
    QWidget window;
    window.setFixedSize(design);
    auto* box = new QTextEdit(&window);
    box->setGeometry(Margin, Margin, 200, 200);
    const QSize boxBefore = box->size();

    ui::fitToScreen(&window, box);

    QCOMPARE(box->size(), box->minimumSizeHint());
    QCOMPARE(window.size(), design - (boxBefore - box->minimumSizeHint()));
}

QTEST_MAIN(tst_ScreenFit)
#include "tst_screenfit.moc"

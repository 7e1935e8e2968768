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
// How far the window overflows the screen on each axis.
constexpr int Overflow = 100;
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
        return QRect(QPoint(box.center().x() - ControlSize.width() / 2, 5), ControlSize);
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
    void aWindowThatFitsIsLeftAlone();
};

void tst_ScreenFit::controlsKeepTheirPlaceByTheBox_data()
{
    QTest::addColumn<Place>("place");
    QTest::addColumn<double>("movedLeft");  // share of the width the box loses
    QTest::addColumn<double>("movedUp");    // share of the height the box loses
    QTest::addColumn<bool>("narrowed");     // by the width the box loses

    // clang-format off
    QTest::newRow("above the box, at its left") << Place::AboveAtLeft << 0.0 << 0.0 << false;
    QTest::newRow("below the box, at its right") << Place::BelowAtRight << 1.0 << 1.0 << false;
    QTest::newRow("below the box, as wide as it") << Place::BelowAsWide << 0.0 << 1.0 << true;
    QTest::newRow("above the box, centred over it") << Place::AboveCentred << 0.5 << 0.0 << false;
    // clang-format on
}

// A window Overflow pixels wider and higher than the screen's area, with a
// text box Margin pixels inside its edges and one control beside the box.
void tst_ScreenFit::controlsKeepTheirPlaceByTheBox()
{
    QFETCH(Place, place);
    QFETCH(double, movedLeft);
    QFETCH(double, movedUp);
    QFETCH(bool, narrowed);

    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    QWidget window;
    window.setFixedSize(screen + QSize(Overflow, Overflow));
    auto* box = new QTextEdit(&window);
    box->setGeometry(Margin, Margin, window.width() - 2 * Margin, window.height() - 2 * Margin);
    const QRect boxBefore = box->geometry();
    auto* control = new QWidget(&window);
    const QRect before = placeBy(boxBefore, place);
    control->setGeometry(before);

    ui::fitToScreen(&window, box);

    // The window loses what the box loses: at least the overflow, and the
    // frame the window system adds.
    const QSize lost = boxBefore.size() - box->size();
    QVERIFY(lost.width() >= Overflow && lost.height() >= Overflow);
    QCOMPARE(window.size(), screen + QSize(Overflow, Overflow) - lost);
    QCOMPARE(box->pos(), boxBefore.topLeft());

    // Within a pixel where a share of the loss is rounded.
    const QPoint expected =
        before.topLeft() - QPoint(qRound(movedLeft * lost.width()), qRound(movedUp * lost.height()));
    QVERIFY2((control->pos() - expected).manhattanLength() <= 1, qPrintable(QStringLiteral("at %1,%2, not %3,%4")
                                                                                .arg(control->x())
                                                                                .arg(control->y())
                                                                                .arg(expected.x())
                                                                                .arg(expected.y())));
    QCOMPARE(control->size(), before.size() - QSize(narrowed ? lost.width() : 0, 0));
}

void tst_ScreenFit::aWindowThatFitsIsLeftAlone()
{
    QWidget window;
    window.setFixedSize(300, 200);
    auto* box = new QTextEdit(&window);
    box->setGeometry(10, 10, 280, 150);
    ui::fitToScreen(&window, box);
    QCOMPARE(window.size(), QSize(300, 200));
    QCOMPARE(box->geometry(), QRect(10, 10, 280, 150));
}

QTEST_MAIN(tst_ScreenFit)
#include "tst_screenfit.moc"

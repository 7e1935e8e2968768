// Work that waits for a widget's first paint: it runs once, only after that
// paint, and never for a widget that is gone first.

#include "FirstPaint.h"

#include <QPaintEvent>
#include <QPointer>
#include <QTest>
#include <QWidget>

#include <memory>

namespace ui = zorvane::ui;

namespace {

class CountingWidget : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

}  // namespace

class tst_FirstPaint : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runsOnceAfterTheFirstPaint();
    void neverRunsForAWidgetGoneFirst();
};

void tst_FirstPaint::runsOnceAfterTheFirstPaint()
{
    CountingWidget widget;
    widget.resize(100, 100);
    int runs = 0;
    int paintsSeenByWork = 0;
    ui::afterFirstPaint(&widget, [&] {
        ++runs;
        paintsSeenByWork = widget.paints;
    });

    // Nothing before the widget is painted, however long events run.
    QCoreApplication::processEvents();
    QCOMPARE(runs, 0);

    widget.show();
    QTRY_COMPARE(runs, 1);
    QCOMPARE(paintsSeenByWork, 1);

    widget.repaint();
    QCoreApplication::processEvents();
    QTRY_COMPARE(widget.paints, 2);
    QCOMPARE(runs, 1);
}

void tst_FirstPaint::neverRunsForAWidgetGoneFirst()
{
    int runs = 0;
    auto widget = std::make_unique<CountingWidget>();
    widget->resize(100, 100);
    // Exposed first, so that repaint() paints at once: a widget not yet
    // exposed is not painted at all, and its work would never be queued.
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    ui::afterFirstPaint(widget.get(), [&] { ++runs; });
    const int paintsBefore = widget->paints;
    widget->repaint();
    // Painted before it goes: the work is queued, not merely never started.
    QCOMPARE(widget->paints, paintsBefore + 1);
    QCOMPARE(runs, 0);
    const QPointer<QWidget> gone = widget.get();
    widget.reset();
    QVERIFY(gone.isNull());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(runs, 0);
}

QTEST_MAIN(tst_FirstPaint)
#include "tst_firstpaint.moc"

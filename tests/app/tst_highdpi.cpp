// The windows at twice the usual scale (QT_SCALE_FACTOR=2, a 3840 x 2160
// screen, so 1920 x 1080 device-independent pixels): every control stays
// inside its containers, no widget overlaps its siblings, and the
// main window looks as it does at scale 1, only sharper. That every caption
// fits its control at this scale is tst_layout's.
//
// Run with --grab-main <file.png>, the program saves the main window as seen
// at the scale it was started with and ends; the test starts itself that way
// at scale 1 for its reference picture.

#include "AppTestSupport.h"
#include "FilesAndPictures.h"
#include "Style.h"
#include "frmDisplay.h"
#include "modFirdaria.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <memory>

using namespace zorvane::test;

namespace {

constexpr double ScaleFactor = 2;

// The design is laid out in twips and rounded to whole pixels one edge at a
// time, so neighbours may meet with one pixel (15 twips) of overlap.
constexpr int RoundingSlack = 1;

const QList<Window> AllWindows{Window::Main, Window::Results, Window::Reading};

// Controls placed out of sight on purpose: the main window's Exit button
// below its client area, and the picture export's holders off the panels.
bool outOfSightByDesign(const QWidget* w)
{
    if (w->objectName() == QLatin1String("cmdExit"))
        return qobject_cast<const frmMain*>(w->window()) != nullptr;
    static const QStringList exportHolders{QStringLiteral("Picture1"), QStringLiteral("txtFolder"),
                                           QStringLiteral("txtFile")};
    return exportHolders.contains(w->objectName()) && qobject_cast<const frmDisplay*>(w->parentWidget());
}

// Sibling pairs that share room on purpose, by objectName, and the overlap
// they may have in pixels either way (-1: any).
int allowedOverlap(const QWidget* a, const QWidget* b)
{
    const auto is = [a, b](const char* x, const char* y) {
        return (a->objectName() == QLatin1String(x) && b->objectName() == QLatin1String(y))
               || (a->objectName() == QLatin1String(y) && b->objectName() == QLatin1String(x));
    };
    // The main window's two offers take turns in one place.
    if (is("lblCobrand", "lblFullBrand"))
        return -1;
    return RoundingSlack;
}

// Overlap of two rectangles as the smaller of its width and height; 0 when
// they do not meet.
int overlapOf(const QRect& a, const QRect& b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : std::min(common.width(), common.height());
}

// --grab-main <file>: the main window's picture at the scale in use.
int grabMainWindow(const QString& path)
{
    zorvane::ui::installFontSubstitutes();
    ProgramFolder folder;
    EndCounter ends;
    const auto window = shownMainWindow(folder.path());
    return window && window->grab().save(path, "PNG") ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace

class tst_HighDpi : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void placesHold_data();
    void placesHold();

    void mainWindowLooksAsAtScaleOne();

private:
    QWidget* windowOf(Window window) const { return app_->window(window); }

    std::unique_ptr<AppWindows> app_;
};

void tst_HighDpi::initTestCase()
{
    zorvane::ui::installFontSubstitutes();
    app_ = std::make_unique<AppWindows>();

    QVERIFY(app_->openMain());
    // The platform honours the scale factor, and the screen is wide enough
    // for the results frame's design.
    QCOMPARE(app_->main->devicePixelRatio(), ScaleFactor);
    QCOMPARE(app_->main->screen()->geometry().size(), QSize(1920, 1080));

    // Dates late in the year give the widest short dates ("12/28/1989").
    QVERIFY(app_->openResults(modFirdaria::BirthData{28, 12, 1989, modFirdaria::TimeOfBirth::Night}));
    QVERIFY(app_->openComprehensiveReading());
}

void tst_HighDpi::cleanupTestCase()
{
    app_.reset();
}

void tst_HighDpi::placesHold_data()
{
    QTest::addColumn<QWidget*>("widget");

    // Every shown widget with a name, controls and containers alike, except
    // Qt's own parts.
    for (Window window : AllWindows)
        addShownRows<QWidget>(window, windowOf(window), [](const QWidget* w) {
            return !w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_"))
                   && !outOfSightByDesign(w);
        });
}

// A control, within a pixel, inside its parent and each container up to
// the window; and every widget overlapping none of the later of its shown, named
// siblings (the main window's menu bar and client are stacked by the window
// itself and have no name).
void tst_HighDpi::placesHold()
{
    QFETCH(QWidget*, widget);

    // The design's strips reach past the main window's client area.
    for (const QWidget* container = isControl(widget) ? widget->parentWidget() : nullptr; container;
         container = container->parentWidget()) {
        const QRect place(widget->mapTo(container, QPoint(0, 0)), widget->size());
        const QRect room = container->rect().adjusted(-RoundingSlack, -RoundingSlack, RoundingSlack, RoundingSlack);
        QVERIFY2(room.contains(place), qPrintable(QStringLiteral("outside %1: %2,%3 %4x%5 in %6x%7")
                                                      .arg(container->objectName())
                                                      .arg(place.x())
                                                      .arg(place.y())
                                                      .arg(place.width())
                                                      .arg(place.height())
                                                      .arg(container->width())
                                                      .arg(container->height())));
        if (container->isWindow())
            break;
    }

    const QWidget* top = widget->window();
    const QList<QWidget*> siblings = widget->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (qsizetype i = siblings.indexOf(widget) + 1; i < siblings.size(); ++i) {
        const QWidget* sibling = siblings.at(i);
        if (!sibling->isVisibleTo(top) || sibling->objectName().isEmpty()
            || sibling->objectName().startsWith(QLatin1String("qt_")) || outOfSightByDesign(sibling))
            continue;
        const int allowed = allowedOverlap(widget, sibling);
        const int overlap = overlapOf(widget->geometry(), sibling->geometry());
        QVERIFY2(allowed < 0 || overlap <= allowed,
                 qPrintable(QStringLiteral("%1 px over %2").arg(overlap).arg(sibling->objectName())));
    }
}

// The picture at scale 2 holds twice the pixels each way of the one at
// scale 1 and, brought down to that size, shows the same.
void tst_HighDpi::mainWindowLooksAsAtScaleOne()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString referencePath = dir.filePath(QStringLiteral("main-at-1.png"));
    QProcess reference;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("1"));
    reference.setProcessEnvironment(environment);
    reference.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reference.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--grab-main"), referencePath});
    QVERIFY(reference.waitForFinished(120000));
    QCOMPARE(reference.exitStatus(), QProcess::NormalExit);
    QCOMPARE(reference.exitCode(), EXIT_SUCCESS);
    const QImage atOne(referencePath);
    QVERIFY(!atOne.isNull());
    QCOMPARE(atOne.devicePixelRatio(), 1.0);

    const QPixmap grabbed = app_->main->grab();
    QCOMPARE(grabbed.devicePixelRatio(), ScaleFactor);
    QCOMPARE(grabbed.size(), app_->main->size() * ScaleFactor);
    QVERIFY(std::abs(grabbed.width() - ScaleFactor * atOne.width()) <= 1);
    QVERIFY(std::abs(grabbed.height() - ScaleFactor * atOne.height()) <= 1);

    const QImage atTwo = grabbed.toImage().scaled(atOne.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (qEnvironmentVariableIsSet("ZORVANE_KEEP_GRABS")) {
        grabbed.save(QDir(qEnvironmentVariable("ZORVANE_KEEP_GRABS")).filePath(QStringLiteral("main-at-2.png")));
        atOne.save(QDir(qEnvironmentVariable("ZORVANE_KEEP_GRABS")).filePath(QStringLiteral("main-at-1.png")));
    }
    // Text drawn at twice the resolution differs in its edges only; a
    // picture of another layout (here the reference mirrored) differs far more.
    constexpr double MostDifference = 6;
    const double difference = meanDifference(atTwo, atOne);
    const double mirroredDifference = meanDifference(atTwo, atOne.mirrored(true, false));
    qInfo("mean difference %.2f of 255, %.2f from the mirrored reference", difference, mirroredDifference);
    QVERIFY2(difference <= MostDifference, qPrintable(QString::number(difference)));
    QVERIFY2(mirroredDifference > 3 * MostDifference, qPrintable(QString::number(mirroredDifference)));
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--grab-main")); at >= 0 && at + 1 < arguments.size())
        return grabMainWindow(arguments.at(at + 1));
    QTEST_SET_MAIN_SOURCE_PATH
    tst_HighDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_highdpi.moc"

// Every window against its design: each control where the design's tables
// put it, within a pixel of its twips (15 twips a pixel at 96 dpi); every
// caption whole inside its control (ctest runs this at scale 1 and at scale
// 2); and the colours the design fixes, kept under a dark desktop palette.

#include "AppTestSupport.h"
#include "OffscreenFonts.h"
#include "Style.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>

#include <cmath>
#include <memory>
#include <vector>

#include <QRegularExpression>

using namespace zorvane::test;

namespace {

constexpr double TwipsPerPixel = 15;

// How a table gives a control's left: as written; centred on the screen's
// width, or rightOffset twips from the screen's right edge, as the results
// frame places them at its load; or a bar across its container's width.
enum class Across { Given, Centred, FromRight, Spanning };

struct Design {
    QString window;     // objectName of the window, or of the panels window
    QString control;    // objectName
    QString container;  // objectName of its parent; empty for an unnamed one (a client area, a viewport)
    double left, top, width, height;
    Across across = Across::Given;
    double rightOffset = 0;
    bool dockedBottom = false;  // top is then the container's height less the control's
};

// The design tables, in twips.
std::vector<Design> designTables()
{
    std::vector<Design> t{
        {"frmMain", "Frame2", "frmMainClient", 0, 0, 7455, 615},
        {"frmMain", "Label61", "Frame2", 120, 120, 7200, 465},
        {"frmMain", "Label1", "frmMainClient", 4220, 600, 3135, 2775},
        {"frmMain", "fraBirthDay", "frmMainClient", 120, 720, 4005, 1845},
        {"frmMain", "cboMonth", "fraBirthDay", 120, 360, 1455, 315},
        {"frmMain", "cboDate", "fraBirthDay", 1800, 360, 855, 315},
        {"frmMain", "cboYear", "fraBirthDay", 2880, 360, 975, 315},
        {"frmMain", "optDay(0)", "fraBirthDay", 120, 840, 3615, 375},
        {"frmMain", "optDay(1)", "fraBirthDay", 120, 1320, 3615, 375},
        {"frmMain", "cmdNext", "frmMainClient", 120, 2640, 4005, 525},
        {"frmMain", "Frame5", "frmMainClient", 0, 3360, 7455, 855},
        {"frmMain", "lblCobrand", "Frame5", 120, 160, 7185, 615},
        {"frmMain", "lblFullBrand", "Frame5", 120, 160, 7185, 615},
        {"frmMain", "cmdExit", "frmMainClient", 5040, 5640, 2085, 315},

        {"MDI", "Picture1", "", 0, 0, 0, 615, Across::Spanning},
        {"MDI", "Picture3", "", 0, 615, 0, 360, Across::Spanning},
        {"MDI", "Picture2", "", 0, 0, 0, 615, Across::Spanning, 0, true},
        {"MDI", "lblHalvidorBanner", "Picture1", 840, 0, 9480, 465, Across::Centred},
        {"MDI", "lblSoftwareName", "Picture3", 3600, -15, 5010, 345, Across::Centred},
        {"MDI", "Label8", "Picture2", 120, 120, 8535, 495},
        {"MDI", "cmdSavePicture", "Picture2", 5880, 120, 1335, 465, Across::FromRight, 4500},
        {"MDI", "cmdComprehensive", "Picture2", 7320, 120, 1740, 465, Across::FromRight, 2500},
        {"MDI", "cmdBack", "Picture2", 9120, 120, 900, 465, Across::FromRight, 1400},
        {"MDI", "cmdMdiExit", "Picture2", 10080, 120, 975, 495, Across::FromRight, 160},
        {"MDI", "frmDisplayWindow", "", 0, 0, 15000, 8490, Across::Centred},

        {"frmDisplay", "Frame1", "frmDisplay", 1440, 0, 11295, 8415},
        {"frmDisplay", "Label1", "Frame1", 120, 240, 2070, 210},
        {"frmDisplay", "lblTimeOfBirth", "Frame1", 2280, 240, 1530, 210},
        {"frmDisplay", "lblNNodePlanetName", "Frame1", 7560, 3240, 2775, 270},
        {"frmDisplay", "lblSNodePlanetName", "Frame1", 7560, 3600, 2745, 270},
        {"frmDisplay", "Picture1", "frmDisplay", 3240, 8760, 1575, 375},
        {"frmDisplay", "txtFolder", "frmDisplay", 5880, 11280, 2745, 315},
        {"frmDisplay", "txtFile", "frmDisplay", 7680, 11280, 2745, 315},

        {"frmSave", "Label14", "frmSave", 1747, 0, 4230, 195},
        {"frmSave", "Label1", "frmSave", 1867, 180, 3990, 195},
        {"frmSave", "RTB", "frmSave", 30, 390, 7665, 6135},
        {"frmSave", "cmdSave", "frmSave", 5400, 6570, 1125, 345},
        {"frmSave", "cmdPrint", "frmSave", 6555, 6570, 1125, 345},
        {"frmSave", "Label2", "frmSave", 30, 6960, 7665, 615},

        {"frmAbout", "Picture1", "frmAbout", 120, 120, 480, 480},
        {"frmAbout", "Label2", "frmAbout", 840, 240, 3915, 240},
        {"frmAbout", "Label1", "frmAbout", 240, 720, 6375, 855},
        {"frmAbout", "lblHomePage", "frmAbout", 2040, 1800, 4650, 195},
        {"frmAbout", "Label3", "frmAbout", 360, 2280, 6255, 615},
        {"frmAbout", "lblCoBrand", "frmAbout", 4080, 2880, 2670, 195},
        {"frmAbout", "cmdOK", "frmAbout", 5400, 3360, 1260, 345},
    };
    // The panels window's arrays, by the rules of its table: panel f in
    // column f div 3 and row f mod 3 of the grid, its six rows 360 twips
    // apart, the nine buttons below the node lines.
    const auto indexed = [](const char* name, int index) { return QStringLiteral("%1(%2)").arg(name).arg(index); };
    for (int f = 0; f < 7; ++f) {
        const QString panel = indexed("fraPlanetName", f);
        t.push_back({"frmDisplay", panel, "Frame1", 120 + 3720.0 * (f / 3), 480 + 2640.0 * (f % 3), 3615, 2535});
        for (int k = 0; k < 6; ++k) {
            t.push_back(
                {"frmDisplay", indexed("lblPlanetCycleName", 6 * f + k), panel, 120, 360 + 360.0 * k, 1440, 240});
            t.push_back({"frmDisplay", indexed("lblPlanetCycle", 6 * f + k), panel, 2040, 360 + 360.0 * k, 1425, 240});
        }
    }
    for (int i = 0; i < 9; ++i)
        t.push_back({"frmDisplay", indexed("cmdDesc", i), "Frame1", 7560, 3960 + 480.0 * i, 3615, 495});
    return t;
}

// The buttons of the results frame's bottom bar wrap their captions onto a
// second line, as the design's graphical buttons do.
bool wrapsItsCaption(const QWidget* control)
{
    static const QStringList wrapping{QStringLiteral("cmdSavePicture"), QStringLiteral("cmdComprehensive"),
                                      QStringLiteral("cmdBack"), QStringLiteral("cmdMdiExit")};
    return wrapping.contains(control->objectName());
}

QString withoutAccessKey(QString caption)
{
    return caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

// What the room of a control holds, and what its caption needs, in pixels.
struct Fit {
    QSize room;
    QSize needed;
};

Fit fitOf(const QWidget* control)
{
    const QFontMetrics metrics(control->font(), control);
    const auto wrapped = [&metrics](const QString& text, QSize room) {
        return QSize(
            room.width(),
            metrics.boundingRect(QRect(QPoint(), QSize(room.width(), 100000)), Qt::TextWordWrap, text).height());
    };
    const auto oneLine = [&metrics](const QString& text) {
        return QSize(metrics.horizontalAdvance(text), metrics.height());
    };
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        const QSize room = label->contentsRect().size();
        // A line may reach a pixel below its label, into the line spacing.
        return {room + QSize(0, 1), label->wordWrap() ? wrapped(label->text(), room) : oneLine(label->text())};
    }
    if (const auto* option = qobject_cast<const QRadioButton*>(control)) {
        QStyleOptionButton style;
        style.initFrom(option);
        const QRect room = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &style, option);
        return {room.size(), oneLine(option->text())};
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        // Inside the face's edge and a pixel clear of it.
        const QSize room = button->rect().adjusted(2, 1, -2, -1).size();
        const QString caption = withoutAccessKey(button->text());
        return {room, wrapsItsCaption(button) ? wrapped(caption, room) : oneLine(caption)};
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(control)) {
        // A heading stands in from the left, with room either side of it.
        constexpr int HeadingRoom = 12;
        return {QSize(frame->width() - HeadingRoom, frame->height()), oneLine(frame->title())};
    }
    if (const auto* list = qobject_cast<const QComboBox*>(control)) {
        QStyleOptionComboBox style;
        style.initFrom(list);
        const QRect room =
            list->style()->subControlRect(QStyle::CC_ComboBox, &style, QStyle::SC_ComboBoxEditField, list);
        QSize widest;
        for (int i = 0; i < list->count(); ++i)
            widest = widest.expandedTo(oneLine(list->itemText(i)));
        return {room.size() + QSize(0, 1), widest};
    }
    return {};
}

bool hasCaption(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return !label->text().isEmpty();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return !button->text().isEmpty();
    if (const auto* frame = qobject_cast<const QGroupBox*>(control))
        return !frame->title().isEmpty();
    return qobject_cast<const QComboBox*>(control) != nullptr;
}

// A desktop's dark scheme, as a dark theme gives Qt its palette.
QPalette darkDesktopPalette()
{
    const QColor window(45, 45, 45);
    const QColor text(230, 230, 230);
    QPalette palette(text, window, window.lighter(150), window.darker(150), window, text, text, QColor(30, 30, 30),
                     window);
    palette.setColor(QPalette::Highlight, QColor(52, 101, 164));
    return palette;
}

// Where a grab is sampled, and how its colour shows there.
enum class Sample { ClosedListFace, ClosedListEntry, OpenListFace, OpenListCurrentEntry, NameStrip };
enum class Seen { Everywhere, Mostly, AsText };

}  // namespace

class tst_Layout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void controlsStandWhereTheDesignPutsThem_data();
    void controlsStandWhereTheDesignPutsThem();

    void captionsFitTheirControls_data();
    void captionsFitTheirControls();

    void fixedColoursUnderADarkPalette_data();
    void fixedColoursUnderADarkPalette();

private:
    QWidget* windowNamed(const QString& name) const;

    std::unique_ptr<AppWindows> app_;
};

void tst_Layout::initTestCase()
{
    zorvane::test::measureTextUnhinted();
    QApplication::setPalette(darkDesktopPalette());
    zorvane::ui::useProgramStyle();
    zorvane::ui::installFontSubstitutes();
    app_ = std::make_unique<AppWindows>();
    QVERIFY(app_->openMain());
    // Late in the year, by night: the widest dates and node lines.
    QVERIFY(app_->openResults(modFirdaria::BirthData{28, 12, 1989, modFirdaria::TimeOfBirth::Night}));
    QVERIFY(app_->openComprehensiveReading());
    app_->about = std::make_unique<frmAbout>();
    app_->about->show();
    QVERIFY(QTest::qWaitForWindowExposed(app_->about.get()));
}

void tst_Layout::cleanupTestCase()
{
    app_.reset();
}

QWidget* tst_Layout::windowNamed(const QString& name) const
{
    if (name == QLatin1String("frmDisplay"))
        return app_->results->display();
    for (Window window : FourWindows)
        if (QWidget* w = app_->window(window); w && w->objectName() == name)
            return w;
    return nullptr;
}

void tst_Layout::controlsStandWhereTheDesignPutsThem_data()
{
    QTest::addColumn<QWidget*>("control");
    QTest::addColumn<QRectF>("twips");

    const double screenWidth = QGuiApplication::primaryScreen()->geometry().width() * TwipsPerPixel;
    for (const Design& d : designTables()) {
        QWidget* control = nullptr;
        const QWidget* window = windowNamed(d.window);
        for (QWidget* w : window ? window->findChildren<QWidget*>(d.control) : QList<QWidget*>())
            if (w->parentWidget()->objectName() == d.container)
                control = w;
        QRectF twips(d.left, d.top, d.width, d.height);
        if (control && d.across == Across::Spanning)
            twips.setWidth(control->parentWidget()->width() * TwipsPerPixel);
        if (d.across == Across::Centred)
            twips.moveLeft((screenWidth - d.width) / 2);
        if (d.across == Across::FromRight)
            twips.moveLeft(screenWidth - (d.width + d.rightOffset));
        if (control && d.dockedBottom)
            twips.moveTop(control->parentWidget()->height() * TwipsPerPixel - d.height);
        QTest::addRow("%s: %s", qPrintable(d.window), qPrintable(d.control)) << control << twips;
    }
}

// Edge by edge within a pixel of the design.
void tst_Layout::controlsStandWhereTheDesignPutsThem()
{
    QFETCH(QWidget*, control);
    QFETCH(QRectF, twips);

    QVERIFY2(control, "no such control in its container");
    const QRect r = control->geometry();
    const QRectF design(twips.topLeft() / TwipsPerPixel, twips.size() / TwipsPerPixel);
    const auto near = [](double pixels, double designed) { return std::abs(pixels - designed) <= 1.0; };
    QVERIFY2(near(r.x(), design.x()) && near(r.y(), design.y()) && near(r.width(), design.width())
                 && near(r.height(), design.height()),
             qPrintable(QStringLiteral("%1,%2 %3x%4 px, designed %5,%6 %7x%8")
                            .arg(r.x())
                            .arg(r.y())
                            .arg(r.width())
                            .arg(r.height())
                            .arg(design.x())
                            .arg(design.y())
                            .arg(design.width())
                            .arg(design.height())));
}

void tst_Layout::captionsFitTheirControls_data()
{
    QTest::addColumn<QWidget*>("control");

    for (Window window : FourWindows)
        addShownRows<QWidget>(window, app_->window(window),
                              [](const QWidget* w) { return isControl(w) && hasCaption(w); });
}

// A caption on one line takes no more than its control's width and height;
// one that wraps takes no more than its height at its width.
void tst_Layout::captionsFitTheirControls()
{
    QFETCH(QWidget*, control);

    const Fit fit = fitOf(control);
    QVERIFY2(!fit.room.isEmpty(), "not a control with a caption");
    QVERIFY2(fit.needed.width() <= fit.room.width() && fit.needed.height() <= fit.room.height(),
             qPrintable(QStringLiteral("%1x%2 px of caption in %3x%4 px")
                            .arg(fit.needed.width())
                            .arg(fit.needed.height())
                            .arg(fit.room.width())
                            .arg(fit.room.height())));
}

void tst_Layout::fixedColoursUnderADarkPalette_data()
{
    QTest::addColumn<Sample>("sample");
    QTest::addColumn<Seen>("seen");
    QTest::addColumn<QColor>("colour");

    const QColor purple(64, 0, 64);
    const QColor white(255, 255, 255);
    // clang-format off
    QTest::newRow("closed date list, face")        << Sample::ClosedListFace << Seen::Everywhere << purple;
    QTest::newRow("closed date list, entry")       << Sample::ClosedListEntry << Seen::AsText << white;
    QTest::newRow("open date list, face")          << Sample::OpenListFace << Seen::Everywhere << purple;
    QTest::newRow("open date list, current entry") << Sample::OpenListCurrentEntry << Seen::Mostly << white;
    QTest::newRow("results frame, name strip")     << Sample::NameStrip << Seen::Everywhere << white;
    // clang-format on
}

// The grab of the part sampled shows the colour: everywhere (a face without
// a gradient, a strip), on most of it (a highlight behind its text), or as
// text, smoothed into the dark purple face at its edges.
void tst_Layout::fixedColoursUnderADarkPalette()
{
    QFETCH(Sample, sample);
    QFETCH(Seen, seen);
    QFETCH(QColor, colour);

    auto* list = app_->main->findChild<QComboBox*>(QStringLiteral("cboMonth"));
    QVERIFY(list);
    QImage grab;
    QRect area;
    switch (sample) {
    case Sample::ClosedListFace:
    case Sample::ClosedListEntry: {
        grab = list->grab().toImage();
        QStyleOptionComboBox option;
        option.initFrom(list);
        area = list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
        if (sample == Sample::ClosedListFace)  // inside the edge, left of the entry, top to bottom
            area = QRect(1, 1, 2, list->height() - 2);
        break;
    }
    case Sample::OpenListFace:
    case Sample::OpenListCurrentEntry: {
        list->showPopup();
        QVERIFY(QTest::qWaitForWindowExposed(list->view()->window()));
        grab = list->view()->viewport()->grab().toImage();
        const QRect current = list->view()->visualRect(list->view()->currentIndex());
        const QRect later = list->view()->visualRect(list->model()->index(list->currentIndex() + 2, 0));
        // Right of a later entry's text.
        area = sample == Sample::OpenListFace ? QRect(grab.width() - 10, later.top() + 2, 8, later.height() - 4)
                                              : current.intersected(grab.rect());
        list->hidePopup();
        break;
    }
    case Sample::NameStrip: {
        QWidget* strip = app_->results->findChild<QWidget*>(QStringLiteral("Picture3"));
        QVERIFY(strip);
        grab = strip->grab().toImage();
        area = QRect(0, 0, 20, strip->height());  // left of the centred name
        break;
    }
    }
    if (qEnvironmentVariableIsSet("ZORVANE_KEEP_GRABS"))
        grab.save(QDir(qEnvironmentVariable("ZORVANE_KEEP_GRABS"))
                      .filePath(QTest::currentDataTag() + QStringLiteral(".png")));

    // How far each pixel goes from the face to the colour, 0 to 1; -1 off
    // the way between them.
    const QColor face(64, 0, 64);
    const auto towardColour = [&face, &colour](const QColor& pixel) {
        const double t = double(pixel.red() - face.red()) / (colour.red() - face.red());
        const auto on = [t](int p, int from, int to) { return std::abs(p - (from + t * (to - from))) <= 3; };
        return on(pixel.green(), face.green(), colour.green()) && on(pixel.blue(), face.blue(), colour.blue()) ? t : -1;
    };
    int matching = 0;
    int other = 0;
    double furthest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = grab.pixelColor(x, y);
            (pixel == colour ? matching : other) += 1;
            const double t = towardColour(pixel);
            QVERIFY2(seen != Seen::AsText || t >= 0, qPrintable(pixel.name() + QStringLiteral(" in the text")));
            furthest = std::max(furthest, t);
        }
    const QString counts = QStringLiteral("%1 of %2 pixels in the colour").arg(matching).arg(matching + other);
    if (seen == Seen::Everywhere)
        QVERIFY2(other == 0, qPrintable(counts));
    if (seen == Seen::Mostly)
        QVERIFY2(matching > other, qPrintable(counts));
    if (seen == Seen::AsText)
        QVERIFY2(furthest > 0.5, qPrintable(QString::number(furthest)));
}

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"

// The program style: Fusion's standard icons, each read from its files once.

#include "Style.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTest>

#include <memory>

namespace ui = zorvane::ui;

namespace {

// The icon's picture at a title bar's size, for comparing two icons by what
// they show.
QImage pictureOf(const QIcon& icon)
{
    constexpr int TitleBarIconSize = 16;
    return icon.pixmap(TitleBarIconSize).toImage().convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

class tst_Style : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void standardIconIsReadOnce_data();
    void standardIconIsReadOnce();

    void faceButtonHasAFlatFaceAndADarkEdge_data();
    void faceButtonHasAFlatFaceAndADarkEdge();

private:
    std::unique_ptr<QStyle> fusion_;
};

void tst_Style::initTestCase()
{
    ui::useProgramStyle();
    fusion_.reset(QStyleFactory::create(QStringLiteral("Fusion")));
    QVERIFY(fusion_);
}

void tst_Style::standardIconIsReadOnce_data()
{
    QTest::addColumn<QStyle::StandardPixmap>("icon");

    // The icons an MDI sub-window asks for as it is created, and two that
    // dialogs use.
    // clang-format off
    QTest::newRow("title bar menu")     << QStyle::SP_TitleBarMenuButton;
    QTest::newRow("title bar normal")   << QStyle::SP_TitleBarNormalButton;
    QTest::newRow("title bar minimize") << QStyle::SP_TitleBarMinButton;
    QTest::newRow("title bar maximize") << QStyle::SP_TitleBarMaxButton;
    QTest::newRow("title bar close")    << QStyle::SP_TitleBarCloseButton;
    QTest::newRow("message question")   << QStyle::SP_MessageBoxQuestion;
    QTest::newRow("dialog save")        << QStyle::SP_DialogSaveButton;
    // clang-format on
}

void tst_Style::standardIconIsReadOnce()
{
    QFETCH(QStyle::StandardPixmap, icon);
    QStyle* style = QApplication::style();

    const QIcon first = style->standardIcon(icon);
    const QIcon again = style->standardIcon(icon);
    QCOMPARE(again.cacheKey(), first.cacheKey());
    // Kept, but still Fusion's own picture.
    QVERIFY(!first.isNull());
    QCOMPARE(pictureOf(first), pictureOf(fusion_->standardIcon(icon)));

    // An icon asked for with a style option may depend on that option: it
    // is read afresh, and shows the same picture here.
    QStyleOption option;
    const QIcon withOption = style->standardIcon(icon, &option);
    QCOMPARE_NE(withOption.cacheKey(), first.cacheKey());
    QCOMPARE(pictureOf(withOption), pictureOf(first));
}

void tst_Style::faceButtonHasAFlatFaceAndADarkEdge_data()
{
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<int>("edge");  // pixels

    // clang-format off
    QTest::newRow("up")      << false << 1;
    QTest::newRow("pressed") << true << 2;
    // clang-format on
}

void tst_Style::faceButtonHasAFlatFaceAndADarkEdge()
{
    QFETCH(bool, pressed);
    QFETCH(int, edge);
    const QColor face(192, 192, 192);
    const QColor dark(64, 64, 64);

    QPushButton button;  // no caption: nothing drawn over the face
    ui::styleFaceButton(&button, face);
    button.resize(90, 31);
    button.setDown(pressed);
    const QImage drawn = button.grab().toImage();
    const int right = drawn.width() - 1;
    const int bottom = drawn.height() - 1;

    // Every corner and the middle of every side, edge pixels deep.
    for (int depth = 0; depth < edge; ++depth) {
        const QList<QPoint> onEdge{
            {depth, depth},     {right - depth, depth},      {depth, bottom - depth}, {right - depth, bottom - depth},
            {right / 2, depth}, {right / 2, bottom - depth}, {depth, bottom / 2},     {right - depth, bottom / 2}};
        for (const QPoint& point : onEdge)
            QVERIFY2(drawn.pixelColor(point) == dark,
                     qPrintable(QStringLiteral("no edge at %1, %2").arg(point.x()).arg(point.y())));
    }
    for (const QPoint& point : {QPoint(edge, edge), QPoint(right - edge, bottom - edge), QPoint(right / 2, bottom / 2)})
        QVERIFY2(drawn.pixelColor(point) == face,
                 qPrintable(QStringLiteral("no face at %1, %2").arg(point.x()).arg(point.y())));
}

QTEST_MAIN(tst_Style)
#include "tst_style.moc"

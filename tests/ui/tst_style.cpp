// The program style: flat coloured button faces with a dark edge.

#include "Style.h"

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QStyle>
#include <QTest>

namespace ui = zorvane::ui;

class tst_Style : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void faceButtonHasAFlatFaceAndADarkEdge_data();
    void faceButtonHasAFlatFaceAndADarkEdge();
};

void tst_Style::initTestCase()
{
    ui::useProgramStyle();
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

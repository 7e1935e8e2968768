// The program style: Fusion's standard icons, each read from its files once.

#include "Style.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
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

class TestStyle : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void standardIconIsReadOnce_data();
    void standardIconIsReadOnce();

private:
    std::unique_ptr<QStyle> fusion_;
};

void TestStyle::initTestCase()
{
    ui::useProgramStyle();
    fusion_.reset(QStyleFactory::create(QStringLiteral("Fusion")));
    QVERIFY(fusion_);
}

void TestStyle::standardIconIsReadOnce_data()
{
    QTest::addColumn<QStyle::StandardPixmap>("icon");

    // The icons an MDI sub-window asks for as it is created, and two that
    // dialogs use.
    QTest::newRow("title bar menu")    << QStyle::SP_TitleBarMenuButton;
    QTest::newRow("title bar normal")  << QStyle::SP_TitleBarNormalButton;
    QTest::newRow("title bar minimize") << QStyle::SP_TitleBarMinButton;
    QTest::newRow("title bar maximize") << QStyle::SP_TitleBarMaxButton;
    QTest::newRow("title bar close")   << QStyle::SP_TitleBarCloseButton;
    QTest::newRow("message question")  << QStyle::SP_MessageBoxQuestion;
    QTest::newRow("dialog save")       << QStyle::SP_DialogSaveButton;
}

void TestStyle::standardIconIsReadOnce()
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
    QVERIFY(withOption.cacheKey() != first.cacheKey());
    QCOMPARE(pictureOf(withOption), pictureOf(first));
}

QTEST_MAIN(TestStyle)
#include "tst_style.moc"

// A link label shows its text exactly as a plain label of the same text,
// font, size and alignment does: on one line or wrapped, aligned as asked.
// Assistive technology presses it, and moves the keyboard focus to it while
// it takes the focus. It makes no text document, which a QLabel that takes
// the focus would.

#include "LinkLabel.h"
#include "Style.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTextDocument>

namespace ui = zorvane::ui;

class tst_LinkLabel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void drawnAsAPlainLabel_data();
    void drawnAsAPlainLabel();

    void accessibleActions_data();
    void accessibleActions();

    void makesNoTextDocument();
};

void tst_LinkLabel::drawnAsAPlainLabel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<Qt::Alignment>("alignment");
    QTest::addColumn<bool>("wordWrap");

    const QString banner = QStringLiteral("Visit our online astrology forum and our web site - click here");
    const QString offer = QStringLiteral("Home Business Opportunity. Start your own Internet business and make "
                                         "money online. Get this software fully branded for your website.");
    const auto left = Qt::Alignment(Qt::AlignLeft | Qt::AlignTop);
    const auto centred = Qt::Alignment(Qt::AlignCenter);

    // clang-format off
    QTest::newRow("one line, top left")    << banner << QSize(640, 30) << left << false;
    QTest::newRow("one line, centred")     << banner << QSize(640, 30) << centred << false;
    QTest::newRow("wrapped, top left")     << offer << QSize(300, 80) << left << true;
    QTest::newRow("wrapped, centred")      << offer << QSize(300, 80) << centred << true;
    QTest::newRow("too long, not wrapped") << offer << QSize(300, 80) << left << false;
    // clang-format on
}

void tst_LinkLabel::drawnAsAPlainLabel()
{
    QFETCH(QString, text);
    QFETCH(QSize, size);
    QFETCH(Qt::Alignment, alignment);
    QFETCH(bool, wordWrap);

    QFont font = ui::verdana(9.75, ui::Weight::Bold);
    ui::LinkLabel link(QStringLiteral("link"), text, QStringLiteral("Opens a page"), font);
    font.setUnderline(true);
    QLabel label(text);
    label.setTextFormat(Qt::PlainText);
    label.setFont(font);
    for (QLabel* shown : {static_cast<QLabel*>(&link), &label}) {
        shown->setAlignment(alignment);
        shown->setWordWrap(wordWrap);
        shown->resize(size);
    }

    QLabel blank;
    blank.resize(size);

    const QImage drawn = link.grab().toImage();
    const QImage expected = label.grab().toImage();
    QCOMPARE(drawn.size(), expected.size());
    QVERIFY2(drawn == expected, "the link's text differs from the label's");
    QVERIFY2(drawn != blank.grab().toImage(), "no text drawn");
}

void tst_LinkLabel::accessibleActions_data()
{
    QTest::addColumn<Qt::FocusPolicy>("policy");
    QTest::addColumn<QStringList>("actions");

    const QString press = QAccessibleActionInterface::pressAction();
    const QString setFocus = QAccessibleActionInterface::setFocusAction();
    // clang-format off
    QTest::newRow("takes the focus") << Qt::StrongFocus << QStringList{press, setFocus};
    // As the offer covered by the other one.
    QTest::newRow("takes no focus") << Qt::NoFocus << QStringList{press};
    // clang-format on
}

// Press clicks the link; set-focus, offered while the label takes the
// focus, gives it the keyboard focus as Tab does, without a click.
void tst_LinkLabel::accessibleActions()
{
    QFETCH(Qt::FocusPolicy, policy);
    QFETCH(QStringList, actions);

    QWidget window;
    auto* before = new QLabel(QStringLiteral("before"), &window);
    before->setFocusPolicy(Qt::StrongFocus);
    auto* link = new ui::LinkLabel(QStringLiteral("link"), QStringLiteral("Visit us"), QStringLiteral("Opens a page"),
                                   ui::verdana(8.25), &window);
    link->move(0, 40);
    link->setFocusPolicy(policy);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    before->setFocus();
    QTRY_VERIFY(before->hasFocus());

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(link);
    QVERIFY(accessible);
    QAccessibleActionInterface* actionInterface = accessible->actionInterface();
    QVERIFY(actionInterface);
    QCOMPARE(actionInterface->actionNames(), actions);

    int clicks = 0;
    connect(link, &ui::LinkLabel::clicked, this, [&clicks] { ++clicks; });
    if (actions.contains(QAccessibleActionInterface::setFocusAction())) {
        actionInterface->doAction(QAccessibleActionInterface::setFocusAction());
        QTRY_VERIFY(link->hasFocus());
        QVERIFY(accessible->state().focused);
        QCOMPARE(clicks, 0);
    }
    actionInterface->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(clicks, 1);
}

// Polished, shown, focused and given another text.
void tst_LinkLabel::makesNoTextDocument()
{
    ui::LinkLabel link(QStringLiteral("link"), QStringLiteral("A page"), QStringLiteral("Opens a page"),
                       ui::verdana(9.75, ui::Weight::Bold));
    link.show();
    link.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&link));
    link.setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(link.hasFocus());
    QCOMPARE(link.findChild<QTextDocument*>(), nullptr);
    link.setPlainText(QStringLiteral("Another page"));
    QCOMPARE(link.text(), QStringLiteral("Another page"));
    QCOMPARE(link.findChild<QTextDocument*>(), nullptr);
}

QTEST_MAIN(tst_LinkLabel)
#include "tst_linklabel.moc"

// A link label shows its text exactly as a plain label of the same text,
// font, size and alignment does: on one line or wrapped, aligned as asked.

#include "LinkLabel.h"
#include "Style.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTest>

namespace ui = zorvane::ui;

class tst_LinkLabel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void drawnAsAPlainLabel_data();
    void drawnAsAPlainLabel();
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

QTEST_MAIN(tst_LinkLabel)
#include "tst_linklabel.moc"

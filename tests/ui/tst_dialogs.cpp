// The Qt dialogs behind ui/Dialogs, run for real on the offscreen platform:
// Save As takes no name in a folder that does not exist, and the print
// dialog offers neither a range of pages nor the current page.

#include "Dialogs.h"
#include "FakeDialogs.h"
#include "ModalWindows.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using zorvane::test::FakeDialogs;
using zorvane::test::handleModal;
namespace ui = zorvane::ui;

class tst_Dialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void saveAsTakesOnlyAnExistingFolder_data();
    void saveAsTakesOnlyAnExistingFolder();

    void printDialogOffersNoPageNumbers_data();
    void printDialogOffersNoPageNumbers();

private:
    FakeDialogs* fake_ = nullptr;
};

void tst_Dialogs::init()
{
    // The messages that the real dialogs show go to the fake.
    fake_ = &FakeDialogs::install();
}

void tst_Dialogs::cleanup()
{
    FakeDialogs::restore();
}

void tst_Dialogs::saveAsTakesOnlyAnExistingFolder_data()
{
    QTest::addColumn<QString>("name");  // typed, relative to a folder that exists
    QTest::addColumn<bool>("taken");

    // clang-format off
    QTest::newRow("in the folder")         << "reading.rtf" << true;
    QTest::newRow("in a missing folder")   << "missing/reading.rtf" << false;
    QTest::newRow("two folders missing")   << "missing/deeper/reading.rtf" << false;
    QTest::newRow("below a file")          << "file.txt/reading.rtf" << false;
    // clang-format on
}

// A name in a folder that does not exist is refused with a message that names
// the folder, and the dialog stays open; one in a folder that exists is taken.
void tst_Dialogs::saveAsTakesOnlyAnExistingFolder()
{
    QFETCH(QString, name);
    QFETCH(bool, taken);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile file(folder.filePath(QStringLiteral("file.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    ui::QtDialogs dialogs;
    ui::SaveFileRequest request;
    request.title = QStringLiteral("Zorvane");
    request.filter = QStringLiteral("Rich Text Format | *.rtf ");
    request.defaultSuffix = QStringLiteral("rtf");
    request.initialName = folder.filePath(QStringLiteral("first.rtf"));
    std::optional<QString> chosen;
    bool stayedOpen = false;
    QVERIFY(
        handleModal([&] { chosen = dialogs.saveFileName(nullptr, request); },
                    [&](QWidget* modal) {
                        QVERIFY(qobject_cast<QFileDialog*>(modal));
                        auto* dialog = static_cast<QDialog*>(modal);
                        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(folder.filePath(name));
                        dialog->accept();
                        stayedOpen = dialog->isVisible();
                        if (stayedOpen)
                            dialog->reject();
                    }));
    QTRY_VERIFY(!QApplication::activeModalWidget());

    QCOMPARE(stayedOpen, !taken);
    QCOMPARE(chosen.has_value(), taken);
    if (taken) {
        QCOMPARE(*chosen, folder.filePath(name));
        QVERIFY(fake_->messages.isEmpty());
    } else {
        QCOMPARE(fake_->messages.size(), 1);
        const QString missing = QDir::toNativeSeparators(QFileInfo(folder.filePath(name)).absolutePath());
        QVERIFY2(fake_->messages.constFirst().text.startsWith(missing), qPrintable(fake_->messages.constFirst().text));
    }
}

void tst_Dialogs::printDialogOffersNoPageNumbers_data()
{
    QTest::addColumn<bool>("selectionChosen");

    QTest::newRow("without a selection") << false;
    QTest::newRow("with a selection") << true;
}

// With its options shown, the print dialog has no "Pages from" nor "Current
// Page" to choose; "Selection" is there, and chosen, when the reading has one.
void tst_Dialogs::printDialogOffersNoPageNumbers()
{
#if defined(Q_OS_WIN)
    QSKIP("Windows shows its own print dialog, whose controls are no widgets of Qt's to look into");
#endif
    QFETCH(bool, selectionChosen);

    ui::QtDialogs dialogs;
    QPrinter printer;
    QStringList offered;
    QVERIFY(handleModal([&] { dialogs.setUpPrinter(nullptr, printer, ui::PrintRequest{selectionChosen}); },
                        [&](QWidget* modal) {
                            QVERIFY(qobject_cast<QPrintDialog*>(modal));
                            for (QAbstractButton* button : modal->findChildren<QAbstractButton*>())
                                if (button->text() == QLatin1String("&Options >>"))
                                    button->click();
                            for (QAbstractButton* button : modal->findChildren<QAbstractButton*>())
                                if (button->isVisible())
                                    offered << button->text()
                                                   + (button->isChecked() ? QStringLiteral(" (chosen)") : QString());
                            modal->close();
                        }));
    QVERIFY2(!offered.contains(QStringLiteral("Pages from"))
                 && !offered.contains(QStringLiteral("Pages from (chosen)")),
             qPrintable(offered.join(QStringLiteral(", "))));
    QVERIFY2(!offered.contains(QStringLiteral("Current Page"))
                 && !offered.contains(QStringLiteral("Current Page (chosen)")),
             qPrintable(offered.join(QStringLiteral(", "))));
    QVERIFY2(offered.contains(QStringLiteral("Print all")) || offered.contains(QStringLiteral("Print all (chosen)")),
             qPrintable(offered.join(QStringLiteral(", "))));
    QCOMPARE(offered.contains(QStringLiteral("Selection (chosen)")), selectionChosen);
}

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"

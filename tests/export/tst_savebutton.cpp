// The results frame's "Save as JPG" button saves the panels window it frames.

#include "FakeDialogs.h"
#include "FilesAndPictures.h"
#include "MDI.h"
#include "frmDisplay.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using zorvane::test::FakeDialogs;
using zorvane::test::filesUnder;
using zorvane::test::readJpeg;

class tst_SaveButton : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void savesPanelsWindow_data();
    void savesPanelsWindow();
};

void tst_SaveButton::savesPanelsWindow_data()
{
    QTest::addColumn<QString>("chosen");  // below the folder; empty: the dialog is cancelled
    QTest::addColumn<QStringList>("written");

    // clang-format off
    QTest::newRow("name chosen") << "reading.png" << QStringList{"reading.jpg"};
    QTest::newRow("cancelled")   << "" << QStringList{};
    // clang-format on
}

void tst_SaveButton::savesPanelsWindow()
{
    QFETCH(QString, chosen);
    QFETCH(QStringList, written);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeDialogs& fake = FakeDialogs::install();
    // Restored on every way out, a failed check included.
    const auto restore = qScopeGuard([] { FakeDialogs::restore(); });
    if (!chosen.isEmpty())
        fake.savePaths.push_back(dir.filePath(chosen));
    const auto frame = std::make_unique<MDI>();
    frame->show();
    frmDisplay* panels = frame->display();
    QVERIFY(panels);
    auto* button = frame->findChild<QPushButton*>(QStringLiteral("cmdSavePicture"));
    QVERIFY(button);

    button->click();

    QCOMPARE(fake.saveRequests.size(), 1);
    QVERIFY2(fake.messages.isEmpty(), qPrintable(fake.messages.value(0).text));
    QCOMPARE(filesUnder(dir.path()), written);
    // The capture is taken before the dialog, whatever the answer.
    const modSaveForm::PanelsWindow holders = panels->exportHolders();
    const QImage capture = holders.Picture1->pixmap().toImage();
    QCOMPARE(capture.size(), panels->size());
    if (!written.isEmpty()) {
        // A file in another format reads as a null picture.
        QCOMPARE(readJpeg(dir.filePath(written.first())).size(), panels->size());
        QCOMPARE(holders.txtFile->text(), written.first());
        QCOMPARE(holders.txtFolder->text(), dir.path());
    }
}

QTEST_MAIN(tst_SaveButton)
#include "tst_savebutton.moc"

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
    void savesPanelsWindow();
};

void tst_SaveButton::savesPanelsWindow()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeDialogs& fake = FakeDialogs::install();
    // Restored on every way out, a failed check included.
    const auto restore = qScopeGuard([] { FakeDialogs::restore(); });
    fake.savePaths.push_back(dir.filePath(QStringLiteral("reading.png")));
    const auto frame = std::make_unique<MDI>();
    frame->show();
    frmDisplay* panels = frame->display();
    QVERIFY(panels);
    auto* button = frame->findChild<QPushButton*>(QStringLiteral("cmdSavePicture"));
    QVERIFY(button);

    button->click();

    QCOMPARE(fake.saveRequests.size(), 1);
    QVERIFY2(fake.messages.isEmpty(), qPrintable(fake.messages.value(0).text));
    QCOMPARE(filesUnder(dir.path()), QStringList{QStringLiteral("reading.jpg")});
    const modSaveForm::PanelsWindow holders = panels->exportHolders();
    // A file in another format reads as a null picture.
    QCOMPARE(readJpeg(dir.filePath(QStringLiteral("reading.jpg"))).size(), panels->size());
    QCOMPARE(holders.txtFile->text(), QStringLiteral("reading.jpg"));
    QCOMPARE(holders.txtFolder->text(), dir.path());
}

QTEST_MAIN(tst_SaveButton)
#include "tst_savebutton.moc"

// A step that fails ends only its own handler: nothing reaches the event
// loop, the window stays open, and the next press runs the handler again. A
// dialog that throws stands for the failing step.

#include "AppTestSupport.h"

#include <QAbstractButton>
#include <QTest>

#include <memory>

using namespace zorvane::test;

namespace {
enum class Dialog { Message, SaveAs, Print };
}  // namespace

Q_DECLARE_METATYPE(Dialog)

class tst_FailingHandlers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void failingDialogEndsOnlyItsHandler_data();
    void failingDialogEndsOnlyItsHandler();

private:
    qsizetype asked(Dialog dialog) const;

    std::unique_ptr<AppWindows> app_;
};

void tst_FailingHandlers::init()
{
    app_ = std::make_unique<AppWindows>();
    QVERIFY(app_->openMain());
    // A date the check turns down, with a message.
    chooseBirth(*app_->main, {31, 2, 1990, modFirdaria::TimeOfBirth::Day});
    QVERIFY(app_->openResults({15, 3, 1990, modFirdaria::TimeOfBirth::Day}));
    QVERIFY(app_->openComprehensiveReading());
}

void tst_FailingHandlers::cleanup()
{
    app_.reset();
}

qsizetype tst_FailingHandlers::asked(Dialog dialog) const
{
    switch (dialog) {
    case Dialog::Message:
        return app_->fake.messages.size();
    case Dialog::SaveAs:
        return app_->fake.saveRequests.size();
    case Dialog::Print:
        return app_->fake.printRequests.size();
    }
    return -1;
}

void tst_FailingHandlers::failingDialogEndsOnlyItsHandler_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QString>("button");
    QTest::addColumn<Dialog>("dialog");

    // clang-format off
    QTest::newRow("main window: a turned-down date") << Window::Main << "cmdNext" << Dialog::Message;
    QTest::newRow("results frame: Save as JPG")      << Window::Results << "cmdSavePicture" << Dialog::SaveAs;
    QTest::newRow("reading window: Save")            << Window::Reading << "cmdSave" << Dialog::SaveAs;
    QTest::newRow("reading window: Print")           << Window::Reading << "cmdPrint" << Dialog::Print;
    // clang-format on
}

void tst_FailingHandlers::failingDialogEndsOnlyItsHandler()
{
    QFETCH(Window, window);
    QFETCH(QString, button);
    QFETCH(Dialog, dialog);

    QWidget* shown = app_->window(window);
    auto* press = shown->findChild<QAbstractButton*>(button);
    QVERIFY(press);

    app_->fake.failNext = true;
    QVERIFY_THROWS_NO_EXCEPTION(press->click());
    QCOMPARE(asked(dialog), 1);
    QVERIFY(shown->isVisible());

    // The dialog answers this time (a message with OK, the others cancelled).
    QVERIFY_THROWS_NO_EXCEPTION(press->click());
    QCOMPARE(asked(dialog), 2);
    QVERIFY(shown->isVisible());
    QCOMPARE(app_->ends.ends, 0);
}

QTEST_MAIN(tst_FailingHandlers)
#include "tst_failinghandlers.moc"

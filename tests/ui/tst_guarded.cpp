// A handler connected through guarded() ends at a failing step, nothing
// reaches the signal's sender, and the next signal runs the handler again.

#include "Guarded.h"

#include <QObject>
#include <QTest>

#include <functional>
#include <new>
#include <stdexcept>

namespace {

struct OwnFailure {};

// Two steps, with a failure, if any, between them.
struct Handler {
    std::function<void()> failure;
    int steps = 0;
    QString lastName;

    void nameChanged(const QString& name)
    {
        lastName = name;
        ++steps;
        if (failure)
            failure();
        ++steps;
    }
};

}  // namespace

class GuardedTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void memberHandlerEndsAtItsFailure_data();
    void memberHandlerEndsAtItsFailure();
    void functionHandlerEndsAtItsFailure_data();
    void functionHandlerEndsAtItsFailure();

private:
    static void addFailures();
};

void GuardedTest::addFailures()
{
    QTest::addColumn<std::function<void()>>("failure");
    QTest::addColumn<int>("stepsEach");  // steps run per signal

    QTest::newRow("no failure        ") << std::function<void()>() << 2;
    QTest::newRow("std::runtime_error") << std::function<void()>([] { throw std::runtime_error("step failed"); }) << 1;
    QTest::newRow("std::bad_alloc    ") << std::function<void()>([] { throw std::bad_alloc(); }) << 1;
    QTest::newRow("an int            ") << std::function<void()>([] { throw 7; }) << 1;
    QTest::newRow("a type of its own ") << std::function<void()>([] { throw OwnFailure(); }) << 1;
}

void GuardedTest::memberHandlerEndsAtItsFailure_data() { addFailures(); }

void GuardedTest::memberHandlerEndsAtItsFailure()
{
    QFETCH(std::function<void()>, failure);
    QFETCH(int, stepsEach);

    QObject sender;
    Handler handler;
    handler.failure = failure;
    QObject::connect(&sender, &QObject::objectNameChanged, &sender,
                     zorvane::ui::guarded(&handler, &Handler::nameChanged));

    QVERIFY_THROWS_NO_EXCEPTION(sender.setObjectName(QStringLiteral("first")));
    QCOMPARE(handler.steps, stepsEach);
    QCOMPARE(handler.lastName, QStringLiteral("first"));

    QVERIFY_THROWS_NO_EXCEPTION(sender.setObjectName(QStringLiteral("second")));
    QCOMPARE(handler.steps, 2 * stepsEach);
    QCOMPARE(handler.lastName, QStringLiteral("second"));
}

void GuardedTest::functionHandlerEndsAtItsFailure_data() { addFailures(); }

void GuardedTest::functionHandlerEndsAtItsFailure()
{
    QFETCH(std::function<void()>, failure);
    QFETCH(int, stepsEach);

    QObject sender;
    Handler handler;
    handler.failure = failure;
    // A handler that takes none of the signal's arguments.
    QObject::connect(&sender, &QObject::objectNameChanged, &sender,
                     zorvane::ui::guarded([&handler] { handler.nameChanged(QStringLiteral("fixed")); }));

    for (int signal = 1; signal <= 2; ++signal) {
        QVERIFY_THROWS_NO_EXCEPTION(sender.setObjectName(QString::number(signal)));
        QCOMPARE(handler.steps, signal * stepsEach);
    }
}

QTEST_GUILESS_MAIN(GuardedTest)
#include "tst_guarded.moc"

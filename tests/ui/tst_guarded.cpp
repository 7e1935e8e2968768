// A handler connected through guarded() ends at a failing step, nothing
// reaches the signal's sender, and the next signal runs the handler again.

#include "Guarded.h"

#include <QObject>
#include <QTest>

#include <functional>
#include <new>
#include <stdexcept>
#include <utility>

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
    void handlerEndsAtItsFailure_data();
    void handlerEndsAtItsFailure();
};

void GuardedTest::handlerEndsAtItsFailure_data()
{
    // A member handler given the signal's argument, or a function given none.
    QTest::addColumn<bool>("member");
    QTest::addColumn<std::function<void()>>("failure");
    QTest::addColumn<int>("stepsEach");  // steps run per signal

    const std::pair<const char*, std::function<void()>> failures[]{
        {"no failure", {}},
        {"std::runtime_error", [] { throw std::runtime_error("step failed"); }},
        {"std::bad_alloc", [] { throw std::bad_alloc(); }},
        {"an int", [] { throw 7; }},
        {"a type of its own", [] { throw OwnFailure(); }},
    };
    for (const bool member : {true, false})
        for (const auto& [name, failure] : failures)
            // clang-format off
            QTest::addRow("%s, %s", member ? "member" : "function", name) << member << failure << (failure ? 1 : 2);
    // clang-format on
}

void GuardedTest::handlerEndsAtItsFailure()
{
    QFETCH(bool, member);
    QFETCH(std::function<void()>, failure);
    QFETCH(int, stepsEach);

    QObject sender;
    Handler handler;
    handler.failure = failure;
    if (member)
        QObject::connect(&sender, &QObject::objectNameChanged, &sender,
                         zorvane::ui::guarded(&handler, &Handler::nameChanged));
    else
        QObject::connect(&sender, &QObject::objectNameChanged, &sender,
                         zorvane::ui::guarded([&handler] { handler.nameChanged(QStringLiteral("fixed")); }));

    const QStringList names{QStringLiteral("first"), QStringLiteral("second")};
    for (qsizetype signal = 0; signal < names.size(); ++signal) {
        QVERIFY_THROWS_NO_EXCEPTION(sender.setObjectName(names.at(signal)));
        QCOMPARE(handler.steps, (signal + 1) * stepsEach);
        QCOMPARE(handler.lastName, member ? names.at(signal) : QStringLiteral("fixed"));
    }
}

QTEST_GUILESS_MAIN(GuardedTest)
#include "tst_guarded.moc"

// A handler connected through guarded() ends at a failing step, nothing
// reaches the signal's sender, the next signal runs the handler again, and
// what ended it is logged under the program's category.

#include "Guarded.h"

#include <QObject>
#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <new>
#include <stdexcept>
#include <tuple>

namespace {

struct OwnFailure {};

// A failure of the program's own, known to the standard library only as one
// of its exceptions.
struct RulerMissing : std::logic_error {
    using std::logic_error::logic_error;
};

const QString Ended = QStringLiteral("A handler ended at a failing step: ");

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

class tst_Guarded : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void handlerEndsAtItsFailure_data();
    void handlerEndsAtItsFailure();
};

void tst_Guarded::handlerEndsAtItsFailure_data()
{
    // A member handler given the signal's argument, or a function given none.
    QTest::addColumn<bool>("member");
    QTest::addColumn<std::function<void()>>("failure");
    QTest::addColumn<QString>("logged");  // after Ended; empty for none

    // What was caught is logged by its own type, not the type it was caught
    // as, with its message; only that it was caught when its type is unknown.
    const QString unknown = QStringLiteral("an exception of unknown type");
    const std::tuple<const char*, std::function<void()>, QString> failures[]{
        {"no failure", {}, {}},
        {"std::runtime_error", [] { throw std::runtime_error("disk full"); },
         QStringLiteral("std::runtime_error: disk full")},
        {"std::bad_alloc", [] { throw std::bad_alloc(); }, QStringLiteral("std::bad_alloc: std::bad_alloc")},
        {"an exception type of its own", [] { throw RulerMissing("no ruler 9"); },
         QStringLiteral("(anonymous namespace)::RulerMissing: no ruler 9")},
        {"an int", [] { throw 7; }, unknown},
        {"a type of its own", [] { throw OwnFailure(); }, unknown},
    };
    for (const bool member : {true, false})
        for (const auto& [name, failure, logged] : failures) {
            // clang-format off
            QTest::addRow("%s, %s", member ? "member" : "function", name) << member << failure << logged;
            // clang-format on
        }
}

void tst_Guarded::handlerEndsAtItsFailure()
{
    QFETCH(bool, member);
    QFETCH(std::function<void()>, failure);
    QFETCH(QString, logged);

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
    if (failure) {
        for (qsizetype signal = 0; signal < names.size(); ++signal)
            QTest::ignoreMessage(QtWarningMsg, qPrintable(Ended + logged));
    } else {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    }
    const int stepsEach = failure ? 1 : 2;
    for (qsizetype signal = 0; signal < names.size(); ++signal) {
        QVERIFY_THROWS_NO_EXCEPTION(sender.setObjectName(names.at(signal)));
        QCOMPARE(handler.steps, (signal + 1) * stepsEach);
        QCOMPARE(handler.lastName, member ? names.at(signal) : QStringLiteral("fixed"));
    }
}

QTEST_GUILESS_MAIN(tst_Guarded)
#include "tst_guarded.moc"

#pragma once

// Every handler runs so that no exception leaves it: a step that fails ends
// the handler, and the program goes on with the next event. The person using
// the program sees nothing of it; what was caught is logged as a warning
// under the program's logging category (Logging.h), so that a maintainer can
// see why a press did nothing. Qt's own code is not exception safe, so an
// exception must be caught before it reaches a Qt frame: connections go
// through guarded(), and the overridden event handlers (closeEvent,
// eventFilter) wrap their bodies in runGuarded().

#include <exception>
#include <utility>

namespace zorvane::ui {

// Log what ended a handler: the exception's type and message, or that its
// type is unknown. Nothing leaves them.
void logCaught(const std::exception& caught) noexcept;
void logCaughtUnknown() noexcept;

template <typename F>
void runGuarded(F&& body) noexcept
{
    try {
        body();
    } catch (const std::exception& caught) {
        logCaught(caught);
    } catch (...) {
        logCaughtUnknown();
    }
}

// A slot for connect() that runs body() under runGuarded.
template <typename F>
auto guarded(F body)
{
    return [body = std::move(body)] { runGuarded(body); };
}

// A slot for connect() that runs (object->*handler)(arguments) under
// runGuarded; it takes the handler's parameters from the signal.
template <typename Object, typename... Args>
auto guarded(Object* object, void (Object::*handler)(Args...))
{
    return [object, handler](Args... args) { runGuarded([&] { (object->*handler)(std::forward<Args>(args)...); }); };
}

}  // namespace zorvane::ui

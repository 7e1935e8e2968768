#pragma once

// Every handler runs so that no exception leaves it: a step that fails ends
// the handler silently and the program goes on with the next event. Qt's own
// code is not exception safe, so an exception must be caught before it
// reaches a Qt frame: connections go through guarded(), and the overridden
// event handlers (closeEvent, eventFilter) wrap their bodies in runGuarded().

#include <utility>

namespace zorvane::ui {

template <typename F>
void runGuarded(F&& body) noexcept
{
    try {
        body();
    } catch (...) {
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

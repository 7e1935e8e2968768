#include "Guarded.h"

#include "Logging.h"

#include <QByteArray>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#if defined(__GNUG__)
#  include <cxxabi.h>
#endif

namespace zorvane::ui {

namespace {

// The type's name as written in the source ("std::runtime_error") where the
// compiler's runtime can tell it, otherwise as the compiler names it.
QByteArray readableTypeName(const std::type_info& type)
{
#if defined(__GNUG__)
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                      std::free);
    if (status == 0 && name)
        return QByteArray(name.get());
#endif
    return QByteArray(type.name());
}

}  // namespace

void logCaught(const std::exception& caught) noexcept
{
    try {
        qCWarning(lcProgram, "A handler ended at a failing step: %s: %s", readableTypeName(typeid(caught)).constData(),
                  caught.what());
    } catch (...) {
    }
}

void logCaughtUnknown() noexcept
{
    try {
        qCWarning(lcProgram, "A handler ended at a failing step: an exception of unknown type");
    } catch (...) {
    }
}

}  // namespace zorvane::ui

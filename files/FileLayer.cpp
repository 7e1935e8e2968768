#include "FileLayer.h"

#include <random>

namespace zorvane::files {

namespace {

#ifdef _WIN32
constexpr std::string_view separators = "/\\";
#else
constexpr std::string_view separators = "/";
#endif

constexpr std::string_view partPrefix = ".zorvane-";
constexpr std::string_view partSuffix = ".part";

}  // namespace

PathParts splitPath(std::string_view path)
{
    const std::size_t last = path.find_last_of(separators);
    if (last == std::string_view::npos)
        return {".", std::string(path)};
    std::string_view folder = path.substr(0, last);
    // "/" and "C:\" name a root folder; "C:" alone would be a drive's current one.
    if (folder.empty() || folder.back() == ':')
        folder = path.substr(0, last + 1);
    return {std::string(folder), std::string(path.substr(last + 1))};
}

namespace detail {

std::string newPartName()
{
    static constexpr std::string_view alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    // Twelve letters from 64 random bits: 36^12 is just below 2^64.
    constexpr int letters = 12;
    std::uint64_t noise = 0;
    try {
        // Seeded once per thread from the system's random numbers: a name
        // only has to be hard to guess ahead, as its file is made exclusively.
        thread_local std::mt19937_64 generator = [] {
            std::random_device device;
            return std::mt19937_64((std::uint64_t(device()) << 32) | device());
        }();
        noise = generator();
    } catch (...) {
        return {};
    }
    std::string name(partPrefix);
    for (int i = 0; i < letters; ++i, noise /= alphabet.size())
        name += alphabet[noise % alphabet.size()];
    return name.append(partSuffix);
}

bool isPartName(std::string_view name)
{
    return name.size() > partPrefix.size() + partSuffix.size() && name.starts_with(partPrefix)
           && name.ends_with(partSuffix);
}

}  // namespace detail

}  // namespace zorvane::files

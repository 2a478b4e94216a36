#pragma once
// A style module's library as both hosts use it: loaded by path, its entry
// points resolved by name, unloaded when it goes. Also finds the module
// files in a folder and reads the texts modules hand back.

#include <QLibrary>

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace styles {

class ModuleLibrary {
public:
    explicit ModuleLibrary(const std::string& path);
    ~ModuleLibrary();
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    bool load() { return library_.load(); }
    // Frees the library; false when it stays loaded (another user still
    // holds it). Either way nothing may be called through it afterwards.
    bool unload();

    // Resolves every entry point of `names`, then calls `assign` with a
    // `next(pointer)` that stores them in the same order; false, and nothing
    // assigned, when one is missing.
    template <std::size_t N, typename Assign>
    bool resolve(const char* const (&names)[N], Assign&& assign)
    {
        std::array<QFunctionPointer, N> found {};
        for (std::size_t i = 0; i < N; ++i) {
            found[i] = library_.resolve(names[i]);
            if (!found[i])
                return false;
        }
        std::size_t i = 0;
        auto next = [&](auto& into) { into = reinterpret_cast<std::remove_reference_t<decltype(into)>>(found[i++]); };
        assign(next);
        return true;
    }

private:
    QLibrary library_;
};

// The regular files (not links) in `folder` whose names `isModule` accepts, sorted so
// that modules load in the same order every time. None when the folder
// cannot be read.
std::vector<std::string> findModuleFiles(const std::string& folder,
                                         const std::function<bool(const std::string& fileName)>& isModule);

// A module's answer from a text buffer it filled; the last byte is forced to
// end the text whatever the module wrote.
bool textFromBuffer(char* buffer, std::size_t size, std::string& utf8);

template <std::size_t N>
bool fromBuffer(std::array<char, N>& buffer, std::string& utf8)
{
    return textFromBuffer(buffer.data(), N, utf8);
}

} // namespace styles

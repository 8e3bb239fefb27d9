#pragma once
// A system library opened the first time a reader needs it, so that starting a program does
// not load it and everything it depends on (an SVG renderer brings in some forty libraries).
#include <string>

namespace vexilo {

class SharedLibrary {
public:
    // soname: "libheif.so.1". Never closed: its functions may be in use until the end.
    explicit SharedLibrary(const char* soname);
    bool loaded() const { return m_handle != nullptr; }
    // What the system said when opening failed.
    const std::string& error() const { return m_error; }
    // Null when the library or the symbol is missing.
    void* symbol(const char* name) const;

private:
    void* m_handle = nullptr;
    std::string m_error;
};

// Declares a table of a library's functions, each as a pointer of the function's own type, and
// fills it from the library: VEXILO_LIBRARY_TABLE(Api, X) with X(name) listed in a macro.
#define VEXILO_TABLE_FIELD(f) decltype(&::f) f = nullptr;
#define VEXILO_TABLE_FILL(f)                                        \
    table.f = reinterpret_cast<decltype(&::f)>(library.symbol(#f)); \
    table.complete = table.complete && table.f != nullptr;

}  // namespace vexilo

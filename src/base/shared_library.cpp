#include "base/shared_library.h"

#include <dlfcn.h>

namespace vexilo {

SharedLibrary::SharedLibrary(const char* soname) : m_handle(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {
    if (!m_handle) {
        const char* why = ::dlerror();
        m_error = why ? why : soname;
    }
}

void* SharedLibrary::symbol(const char* name) const {
    return m_handle ? ::dlsym(m_handle, name) : nullptr;
}

}  // namespace vexilo

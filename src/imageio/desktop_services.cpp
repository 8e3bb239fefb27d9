#include "imageio/desktop_services.h"

#include <mutex>
#include <utility>

namespace vexilo {

namespace {
std::mutex g_servicesMutex;
DesktopServices g_services;  // guarded by g_servicesMutex
}  // namespace

DesktopServices installDesktopServices(DesktopServices services) {
    std::lock_guard lock(g_servicesMutex);
    std::swap(g_services, services);
    return services;
}

DesktopServices desktopServices() {
    std::lock_guard lock(g_servicesMutex);
    return g_services;
}

}  // namespace vexilo

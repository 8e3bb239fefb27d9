#include "cli/desktop_loader.h"

#include <dlfcn.h>

#include <filesystem>
#include <iostream>
#include <mutex>
#include <utility>

#include "base/file_io.h"
#include "cli/desktop/desktop_module.h"
#include "imageio/desktop_services.h"
#include "lang/program_folder.h"

namespace vexilo::cli {
namespace {

std::string g_programPath;
std::once_flag g_loadOnce;
DesktopServices g_loaded;
DesktopStop g_stop = nullptr;

// Qt starts in the thread of the first call; today's commands ask from their one thread.
const DesktopServices& loaded() {
    std::call_once(g_loadOnce, [] {
        const std::string path = desktopModulePath();
        void* module = path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        const auto start =
            module ? reinterpret_cast<DesktopStart>(::dlsym(module, "vexilo_cli_desktop_start")) : nullptr;
        g_stop = module ? reinterpret_cast<DesktopStop>(::dlsym(module, "vexilo_cli_desktop_stop")) : nullptr;
        DesktopServices services;
        if (start && g_stop && start(g_programPath.c_str(), &services)) {
            g_loaded = std::move(services);
            return;
        }
        g_stop = nullptr;
        const char* why = path.empty() ? "not found" : ::dlerror();
        std::cerr << "vexilo-cli: the desktop module cannot be loaded (" << (why ? why : "Qt did not start")
                  << "); plain icons and the built-in metafile drawing are used\n";
    });
    return g_loaded;
}

}  // namespace

std::string desktopModulePath() {
    const std::string bin = executableFolder();
    // The build tree keeps it beside the executable; an install tree in its library folder,
    // found from the executable first so that a moved tree finds its own.
    for (const std::string& candidate :
         {bin.empty() ? std::string() : bin + kDesktopModuleName,
          bin.empty() ? std::string() : bin + VEXILO_CLI_MODULE_FROM_BIN + "/" + kDesktopModuleName,
          std::string(VEXILO_CLI_MODULE_DIR) + "/" + kDesktopModuleName})
        if (!candidate.empty() && fileExists(candidate))
            return std::filesystem::path(candidate).lexically_normal().string();
    return {};
}

void installLoadingDesktopServices(const char* programPath) {
    g_programPath = programPath ? programPath : "";
    DesktopServices services;
    services.associatedIcon = [](const std::string& path, int size) -> std::optional<Icon> {
        const auto& desktop = loaded().associatedIcon;
        return desktop ? desktop(path, size) : std::nullopt;
    };
    services.metafileCanvas = [](int width, int height) -> std::unique_ptr<MetafileCanvas> {
        const auto& desktop = loaded().metafileCanvas;
        return desktop ? desktop(width, height) : nullptr;
    };
    installDesktopServices(std::move(services));
}

void stopDesktopServices() {
    if (!g_stop) return;
    // The services hold the module's code: none may be called once Qt is gone.
    installDesktopServices({});
    g_loaded = {};
    g_stop();
    g_stop = nullptr;
}

}  // namespace vexilo::cli

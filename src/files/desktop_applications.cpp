#include "files/desktop_applications.h"

#include <gio/gio.h>

#include <algorithm>
#include <memory>

#include "base/text.h"

namespace vexilo {

namespace {

struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
template <class T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};

std::string orEmpty(const char* s) {
    return s ? s : "";
}

DesktopApplication describe(GAppInfo* info) {
    DesktopApplication app{orEmpty(g_app_info_get_id(info)), orEmpty(g_app_info_get_display_name(info)), {}};
    if (GIcon* icon = g_app_info_get_icon(info)) {
        if (G_IS_THEMED_ICON(icon)) {
            const gchar* const* names = g_themed_icon_get_names(G_THEMED_ICON(icon));
            if (names && names[0]) app.icon = names[0];
        } else if (G_IS_FILE_ICON(icon)) {
            std::unique_ptr<char, GFreeDeleter> path(
                g_file_get_path(g_file_icon_get_file(G_FILE_ICON(icon))));
            app.icon = orEmpty(path.get());
        }
    }
    return app;
}

std::string contentType(const std::string& mimeType) {
    std::unique_ptr<char, GFreeDeleter> type(g_content_type_from_mime_type(mimeType.c_str()));
    return type ? type.get() : mimeType;
}

}  // namespace

std::optional<DesktopApplication> defaultApplicationFor(const std::string& mimeType) {
    GPtr<GAppInfo> info(g_app_info_get_default_for_type(contentType(mimeType).c_str(), FALSE));
    if (!info) return std::nullopt;
    return describe(info.get());
}

std::vector<DesktopApplication> applicationsFor(const std::string& mimeType) {
    std::vector<DesktopApplication> apps;
    GList* list = g_app_info_get_all_for_type(contentType(mimeType).c_str());
    for (GList* l = list; l; l = l->next) apps.push_back(describe(G_APP_INFO(l->data)));
    g_list_free_full(list, g_object_unref);
    const auto preferred = defaultApplicationFor(mimeType);
    std::stable_sort(apps.begin(), apps.end(), [&](const DesktopApplication& a, const DesktopApplication& b) {
        const bool aFirst = preferred && a.id == preferred->id, bFirst = preferred && b.id == preferred->id;
        if (aFirst != bFirst) return aFirst;
        return foldCase(a.name) < foldCase(b.name);
    });
    return apps;
}

bool launchApplication(const std::string& id, const std::string& path) {
    GList* all = g_app_info_get_all();
    GAppInfo* chosen = nullptr;
    for (GList* l = all; l && !chosen; l = l->next)
        if (id == orEmpty(g_app_info_get_id(G_APP_INFO(l->data)))) chosen = G_APP_INFO(l->data);
    bool started = false;
    if (chosen) {
        GPtr<GFile> file(g_file_new_for_path(path.c_str()));
        std::unique_ptr<char, GFreeDeleter> uri(g_file_get_uri(file.get()));
        GList uris{uri.get(), nullptr, nullptr};
        GError* error = nullptr;
        started = g_app_info_launch_uris(chosen, &uris, nullptr, &error);
        if (error) g_error_free(error);
    }
    g_list_free_full(all, g_object_unref);
    return started;
}

}  // namespace vexilo

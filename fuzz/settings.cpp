// Fuzzes the settings file reader and the operations on the key tree it yields.
// seeds:
#include <cstdint>
#include <deque>
#include <span>
#include <string>

#include "settings/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        vexilo::SettingsStore store =
            vexilo::SettingsStore::fromBytes(std::span<const std::uint8_t>(data, size));
        std::deque<std::string> pending{""};
        int visited = 0;
        while (!pending.empty() && ++visited < 256) {
            const std::string key = pending.front();
            pending.pop_front();
            for (const auto& name : store.valueNames(key)) {
                try {
                    (void)store.readInteger(key, name, 0);
                    (void)store.readBool(key, name, false);
                    store.writeValue(key, name, store.readString(key, name, ""));
                } catch (const vexilo::SettingsError&) {
                    store.writeInteger(key, name, 1);  // mends a value that is not text
                }
            }
            for (const auto& sub : store.subKeyNames(key))
                pending.push_back(key.empty() ? sub : key + "\\" + sub);
        }
        for (const auto& sub : store.subKeyNames("")) store.deleteKey(sub);
    } catch (const vexilo::SettingsError&) {
    }
    return 0;
}

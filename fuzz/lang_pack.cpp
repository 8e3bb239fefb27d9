// Fuzzes the language pack reader: lines, names, the 255-character cut and the numbered lists.
// seeds:
#include "lang/lang_pack.h"

#include <cstdint>
#include <span>
#include <string>

#include "base/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const vexilo::LangPack pack = vexilo::LangPack::parse(bytes);
    const std::string program = pack.value("Program").value_or("");
    const std::string language = pack.value("Language").value_or("");
    (void)vexilo::equalsIgnoreCase(language, "English");
    for (char prefix : {'I', 'M'}) {
        try {
            const vexilo::LangTextList list = pack.numberedList(prefix, "fuzz.lng");
            for (std::int64_t k : {std::int64_t{-1}, std::int64_t{0}, std::int64_t{1}, std::int64_t{117},
                                   list.last(), list.last() + 1})
                (void)vexilo::formatLangText(list.at(k), {program});
        } catch (const vexilo::LangError&) {
        }
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)vexilo::cutToChars(text, 255);
    (void)vexilo::foldCase(text);
    (void)vexilo::stripAmpersands(text);
    return 0;
}

#include "support/test_util.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <utility>
#include <vector>

#include "base/errors.h"

namespace vexilo::test {

std::filesystem::path corpusDir() {
    if (const char* env = std::getenv("VEXILO_CORPUS_DIR"); env && *env) return env;
    std::filesystem::path p = VEXILO_CORPUS_DIR;
    std::error_code ec;
    return std::filesystem::is_directory(p, ec) ? std::filesystem::canonical(p, ec) : std::filesystem::path();
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TempDir::TempDir() {
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() /
             ("vexilo-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

Bitmap makeBitmap(int width, int height, PixelFormat format, const std::function<Color(int, int)>& colour,
                  std::vector<Color> palette) {
    Bitmap b(width, height, format);
    if (!palette.empty()) b.setPalette(std::move(palette));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) b.setPixel(x, y, colour(x, y));
    return b;
}

Color patternColor(int x, int y) {
    return {static_cast<std::uint8_t>(x * 37 + y * 11), static_cast<std::uint8_t>(x * 5 + y * 59),
            static_cast<std::uint8_t>((x ^ y) * 23)};
}

bool sameColours(const Bitmap& a, const Bitmap& b, std::string* why) {
    if (a.width() != b.width() || a.height() != b.height()) {
        if (why)
            *why = "size " + std::to_string(a.width()) + "x" + std::to_string(a.height()) + " vs " +
                   std::to_string(b.width()) + "x" + std::to_string(b.height());
        return false;
    }
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const Color p = a.pixel(x, y), q = b.pixel(x, y);
            if (p != q) {
                if (why)
                    *why = "pixel (" + std::to_string(x) + "," + std::to_string(y) +
                           "): " + std::to_string(p.r) + "," + std::to_string(p.g) + "," +
                           std::to_string(p.b) + " vs " + std::to_string(q.r) + "," + std::to_string(q.g) +
                           "," + std::to_string(q.b);
                return false;
            }
        }
    return true;
}

void corruptionSweep(std::span<const std::uint8_t> valid,
                     const std::function<void(std::span<const std::uint8_t>)>& decode, std::size_t step) {
    // Every attempt decodes its own buffer of exactly the length under test, so AddressSanitizer
    // reports any read past the end instead of it landing in the rest of a larger buffer.
    auto attempt = [&](std::vector<std::uint8_t> bytes, const std::string& what) {
        try {
            decode(bytes);
        } catch (const ImageError&) {
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": unexpected exception " << e.what();
        }
    };
    for (std::size_t i = 0; i < valid.size(); i += step)
        for (std::uint8_t flip : {std::uint8_t{0xFF}, std::uint8_t{0x80}, std::uint8_t{0x01}}) {
            std::vector<std::uint8_t> corrupted(valid.begin(), valid.end());
            corrupted[i] = static_cast<std::uint8_t>(corrupted[i] ^ flip);
            attempt(std::move(corrupted), "byte " + std::to_string(i) + " xor " + std::to_string(flip));
        }
    for (std::size_t n = 0; n < valid.size(); n += step)
        attempt(std::vector<std::uint8_t>(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(n)),
                "truncated to " + std::to_string(n));
}

}  // namespace vexilo::test

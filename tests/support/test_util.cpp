#include "support/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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

std::vector<Color> pixelsAt(const Bitmap& b, std::initializer_list<std::pair<int, int>> points) {
    std::vector<Color> out;
    for (auto [x, y] : points) out.push_back(b.pixel(x, y));
    return out;
}

std::vector<std::uint32_t> rawAt(const Bitmap& b, std::initializer_list<std::pair<int, int>> points) {
    std::vector<std::uint32_t> out;
    for (auto [x, y] : points) out.push_back(b.raw(x, y));
    return out;
}

std::vector<Color> colours(const Bitmap& b) {
    std::vector<Color> v;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) v.push_back(b.pixel(x, y));
    return v;
}

std::vector<std::uint8_t> indexValues(const Bitmap& b) {
    std::vector<std::uint8_t> v;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) v.push_back(static_cast<std::uint8_t>(b.raw(x, y)));
    return v;
}

AlphaImage readRgba(const std::filesystem::path& path, int width) {
    const auto rgba = readFile(path);
    const int pixels = static_cast<int>(rgba.size() / 4);
    AlphaImage r{Bitmap(width, pixels / width), {}};
    for (int i = 0; i < pixels; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * 4;
        r.color.setPixel(i % width, i / width, {rgba[at], rgba[at + 1], rgba[at + 2]});
        r.alpha.push_back(rgba[at + 3]);
    }
    return r;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name) {
    const char* old = std::getenv(name);
    m_had = old != nullptr;
    if (m_had) m_old = old;
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (m_had)
        ::setenv(m_name.c_str(), m_old.c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

Color patternColor(int x, int y) {
    return {static_cast<std::uint8_t>(x * 37 + y * 11), static_cast<std::uint8_t>(x * 5 + y * 59),
            static_cast<std::uint8_t>((x ^ y) * 23)};
}

Color gradientColor(int x, int y) {
    return {static_cast<std::uint8_t>(std::min(x * 4, 255)), static_cast<std::uint8_t>(std::min(y * 4, 255)),
            std::uint8_t{128}};
}

::testing::AssertionResult samePixels(const Bitmap& actual, const Bitmap& reference, int tolerance,
                                      std::span<const std::uint8_t> referenceAlpha) {
    auto size = [](const Bitmap& b) { return std::to_string(b.width()) + "x" + std::to_string(b.height()); };
    auto rgb = [](Color c) {
        return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
    };
    if (actual.width() != reference.width() || actual.height() != reference.height())
        return ::testing::AssertionFailure() << "size " << size(actual) << ", reference " << size(reference);
    const std::size_t pixels =
        static_cast<std::size_t>(reference.width()) * static_cast<std::size_t>(reference.height());
    if (!referenceAlpha.empty() && referenceAlpha.size() != pixels)
        return ::testing::AssertionFailure()
               << "reference alpha of " << referenceAlpha.size() << " bytes for " << pixels << " pixels";
    std::size_t differing = 0;
    std::string first;
    for (int y = 0; y < reference.height(); ++y)
        for (int x = 0; x < reference.width(); ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(reference.width()) +
                                  static_cast<std::size_t>(x);
            if (!referenceAlpha.empty() && referenceAlpha[i] == 0) continue;
            const Color a = actual.pixel(x, y), b = reference.pixel(x, y);
            if (std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
                std::abs(a.b - b.b) <= tolerance)
                continue;
            if (differing++ == 0)
                first = "(" + std::to_string(x) + "," + std::to_string(y) + ") is " + rgb(a) +
                        ", reference " + rgb(b);
        }
    if (differing == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differing << " of " << pixels << " pixels differ by more than "
                                         << tolerance << "; first " << first;
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

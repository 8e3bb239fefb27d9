#pragma once
// Helpers shared by the test programs.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "raster/alpha_image.h"
#include "raster/bitmap.h"

namespace vexilo {
// Failures name colours as r,g,b instead of dumping their bytes.
inline void PrintTo(const Color& c, std::ostream* os) {
    *os << "{" << int(c.r) << "," << int(c.g) << "," << int(c.b) << "}";
}
}  // namespace vexilo

namespace vexilo::test {

// The shared conformance corpus, or an empty path when it is not checked out beside us.
std::filesystem::path corpusDir();
// Skips the current test, saying so, when the corpus subfolder is missing.
#define VEXILO_REQUIRE_CORPUS(sub)                                                 \
    do {                                                                           \
        if (::vexilo::test::corpusDir().empty() ||                                 \
            !std::filesystem::exists(::vexilo::test::corpusDir() / (sub)))         \
            GTEST_SKIP() << "conformance corpus folder " << (sub) << " is absent"; \
    } while (0)

std::vector<std::uint8_t> readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
// The same for text.
inline std::string readText(const std::filesystem::path& path) {
    const auto bytes = readFile(path);
    return {bytes.begin(), bytes.end()};
}
inline void writeText(const std::filesystem::path& path, const std::string& text) {
    writeFile(path, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

// A fresh empty folder under the system temp folder, removed when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// A raster whose pixels are set from a function of (x, y).
Bitmap makeBitmap(int width, int height, PixelFormat format, const std::function<Color(int, int)>& colour,
                  std::vector<Color> palette = {});
// The colours at the given points, to compare several pixels in one expectation:
//     EXPECT_EQ(test::pixelsAt(b, {{0, 0}, {3, 1}}), (std::vector<Color>{kRed, kBlue}));
std::vector<Color> pixelsAt(const Bitmap& b, std::initializer_list<std::pair<int, int>> points);
// The same for the stored values (palette indices, mask bits).
std::vector<std::uint32_t> rawAt(const Bitmap& b, std::initializer_list<std::pair<int, int>> points);
// Width and height, to compare a size in one expectation.
inline std::pair<int, int> sizeOf(const Bitmap& b) {
    return {b.width(), b.height()};
}
// Every pixel's colour row by row, to compare a small picture whole.
std::vector<Color> colours(const Bitmap& b);
// The stored pixel values (palette indices) row by row.
std::vector<std::uint8_t> indexValues(const Bitmap& b);
// An RGBA reference file (four bytes a pixel, row by row) of the given width.
AlphaImage readRgba(const std::filesystem::path& path, int width);
// Sets an environment variable for the life of the object, then restores it (or unsets it).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name, m_old;
    bool m_had;
};
// Points XDG_CACHE_HOME, and with it the desktop's thumbnail cache, at a fresh folder for the
// object's lifetime: scans never write the user's own cache.
class ScopedCacheHome {
public:
    const std::filesystem::path& path() const { return m_home.path(); }

private:
    TempDir m_home;
    ScopedEnv m_env{"XDG_CACHE_HOME", m_home.path().c_str()};
};
// A colour pattern that differs per pixel, good at exposing row and column mistakes.
Color patternColor(int x, int y);
// Smooth colours, which survive lossy compression closely, unlike the per-pixel pattern.
Color gradientColor(int x, int y);

// The one comparison of a decoded picture with its reference: the same size, and every RGB
// channel within `tolerance` (pixel formats may differ). Pixels whose `referenceAlpha` entry
// (one byte a pixel, row by row; empty when the reference is opaque) is 0 carry no colour and
// are not compared. A failure names the first differing pixel and how many differ.
//     EXPECT_TRUE(test::samePixels(decoded, reference, 7)) << name;
::testing::AssertionResult samePixels(const Bitmap& actual, const Bitmap& reference, int tolerance = 0,
                                      std::span<const std::uint8_t> referenceAlpha = {});

// Calls decode on every single-byte corruption and every truncation of `valid`; decode must
// either succeed or throw ImageError. Anything else fails the calling test.
void corruptionSweep(std::span<const std::uint8_t> valid,
                     const std::function<void(std::span<const std::uint8_t>)>& decode, std::size_t step = 1);

}  // namespace vexilo::test

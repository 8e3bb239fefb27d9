#pragma once
// Helpers shared by the test programs.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "raster/bitmap.h"

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
std::string readText(const std::filesystem::path& path);
void writeText(const std::filesystem::path& path, const std::string& text);

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

// vexilo-cli run as a user and as scripts would: convert and its icon options (every image
// listed, the largest size, transparency kept, all-sizes icon files that other programs read
// back), what probe prints and writes, rows that stay whole, machine-readable formats, file lists
// on standard input, help texts and exit statuses.
#include <gtest/gtest.h>
#include <utime.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "base/file_io.h"
#include "codecs/bmp_codec.h"
#include "codecs/metafile/metafile_writer.h"
#include "codecs/pe_icons.h"
#include "codecs/png_codec.h"
#include "imageio/loaders.h"
#include "support/file_fixture.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;
using test::q;
using test::runCli;

using CliConvert = test::CliTest;

TEST_F(CliConvert, NamesSizesAndIcons) {
    const std::string a = png("a.png", 40, 20), b = png("b.png", 10, 10);
    auto r = runCli("convert --to bmp --percent 50 --out half " + q(a) + " " + q(b), true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Converted: 2;\nNot loaded: 0;\nFailed: 0.\n");  // on standard error
    EXPECT_EQ(load(dir.file("half/a.bmp")).width(), 20);
    // --fit keeps the aspect inside the box; --quiet drops the summary.
    // (The sizes in both directions: BatchJob.NamesAndPaths.)
    r = runCli("convert --to bmp --width 30 --height 30 --fit --quiet " + q(a), true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(test::sizeOf(load(dir.file("a.bmp"))), std::pair(30, 15));

    // A plain library converts every icon, numbered; FILE#N one icon, unnumbered when alone.
    const std::string dll = dir.file("tools.dll");
    test::writeFile(dll, test::oneIconPerGroupLibrary({test::solidIconDib(32, 32, {255, 0, 0}),
                                                       test::solidIconDib(32, 32, {0, 0, 255})}));
    EXPECT_EQ(runCli("convert --to png " + q(dll)).status, 0);
    EXPECT_TRUE(fs::exists(dir.path() / "0_tools.png"));
    EXPECT_EQ(load(dir.file("1_tools.png")).pixel(5, 5), (Color{0, 0, 255}));
    EXPECT_EQ(runCli("convert --to tga --jobs 1 " + q(dll + "#1")).status, 0);
    EXPECT_EQ(load(dir.file("tools.tga")).pixel(5, 5), (Color{0, 0, 255}));

    // "tiff" is another name for "tif"; WebP is lossy unless asked otherwise.
    EXPECT_EQ(runCli("convert --to tiff " + q(b)).status, 0);
    EXPECT_EQ(runCli("convert --to webp --lossless " + q(b)).status, 0);
    EXPECT_TRUE(test::samePixels(load(dir.file("b.tif")), load(b)));
    EXPECT_TRUE(test::samePixels(load(dir.file("b.webp")), load(b)));
}

TEST_F(CliConvert, ExistingOutputsFilesNotConvertedAndExitStatuses) {
    const std::string a = png("a.png", 4, 4);
    test::writeFile(dir.path() / "a.jpg", std::vector<std::uint8_t>{7});
    // Without a terminal an existing output is skipped; so it is with --skip-existing.
    for (const char* how : {"", "--skip-existing "}) {
        const auto r = runCli(std::string("convert --to jpg ") + how + q(a), true);
        EXPECT_EQ(r.status, 0) << how;
        EXPECT_EQ(r.out, "vexilo-cli convert: Skipped, the file exists: " + dir.file("a.jpg") +
                             "\nConverted: 0;\nNot loaded: 0;\nFailed: 0.\n");
        EXPECT_EQ(test::readFile(dir.path() / "a.jpg"), std::vector<std::uint8_t>{7});
    }
    EXPECT_EQ(runCli("convert --to jpg --overwrite " + q(a)).status, 0);
    EXPECT_EQ(load(dir.file("a.jpg")).width(), 4);

    // Every file not converted is named and fails the run (which files do not load, and the
    // clashes: BatchRun.AFileNoDecoderReadsIsNotLoadedUnlessItsIconWasAskedFor and
    // BatchRun.OutputsAreKnownBeforeAnythingIsWritten).
    auto r = runCli("convert --to tga " + q(dir.file("none.png")) + " " + q(a), true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "vexilo-cli convert: Not loaded: " + dir.file("none.png") +
                         "\nConverted: 1;\nNot loaded: 1;\nFailed: 0.\n");
    r = runCli("convert --to png --overwrite " + q(dir.file("a.jpg")) + " " + q(a), true);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(dir.file("a.jpg") + " -> " + a), std::string::npos) << r.out;
    test::writeFile(dir.path() / "notes.txt", std::vector<std::uint8_t>{'h', 'i'});
    EXPECT_EQ(runCli("convert --to png --associated-icons " + q(dir.file("notes.txt"))).status, 0);

    for (const char* bad : {"--to xyz", "--to png --quality 0", "--to png --width 5", "--to png --frob",
                            "--to png --percent 5 --width 2 --height 2",
                            "--to png --overwrite --skip-existing", "--quality", "--to png --fit"}) {
        r = runCli(std::string("convert ") + bad + " " + q(a), true);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.out.find("vexilo-cli convert: "), std::string::npos) << bad << r.out;
    }
    EXPECT_EQ(runCli("convert --to png").status, 2);  // no file
}

TEST_F(CliConvert, AKilledRunLeavesNoDamagedOutputAndTheNextRunNoLeftover) {
    // exec: the shell's background job is the tool itself, which the kill then hits.
    std::string run =
        "exec " + q(test::cliPath().string()) + " convert --to png --overwrite --jobs 2 --out out";
    for (int i = 0; i < 16; ++i) {
        const std::string name = "p" + std::to_string(i) + ".png";
        run += " " + q(png(name, 300, 200));
        test::writeFile(dir.path() / "out" / name,
                        encodePng(test::makeBitmap(3, 3, PixelFormat::Bpp24, test::patternColor)));
    }
    run += " </dev/null >/dev/null 2>&1";
    // Kills spread over the time a whole run takes.
    const auto started = std::chrono::steady_clock::now();
    test::runShell(run);
    const std::chrono::duration<double> whole = std::chrono::steady_clock::now() - started;
    constexpr int kMoments = 12;
    for (int moment = 0; moment < kMoments; ++moment) {
        const std::string pause = std::to_string(whole.count() * moment / kMoments);
        test::runShell("{ " + run + "; } & sleep " + pause + "; kill -9 $! 2>/dev/null; wait");
        for (const auto& e : fs::directory_iterator(dir.path() / "out")) {
            if (isTemporaryName(e.path().filename().string())) continue;
            Bitmap b;
            FileKind k = 0;
            LoadRequest own;
            own.associatedIcon = false;
            ASSERT_TRUE(ProbeImageKind(e.path().string(), &b, k, own)) << e.path() << " after " << moment;
            EXPECT_TRUE(b.width() == 3 || b.width() == 300) << e.path();
        }
    }
    EXPECT_EQ(test::runShell(run).status, 0);
    for (const auto& e : fs::directory_iterator(dir.path() / "out"))
        EXPECT_FALSE(isTemporaryName(e.path().filename().string())) << e.path();
}

TEST_F(CliConvert, IconImagesLargestSizeTransparencyAndAllSizes) {
    // A 256 PNG entry at alpha 200, a 48-pixel 32-bit image and a 16-pixel 8-bit one.
    const std::string ico = dir.file("app.ico");
    test::writeFile(ico, test::makeIcoFile({{0, test::makeRgbaPng(256, 256, {10, 20, 30}, 200)},
                                            {0, test::solidIconDib(48, 32, {0, 0, 255})},
                                            {0, test::solidIconDib(16, 8, {255, 0, 0})}}));

    EXPECT_EQ(runCli("icons " + q(ico)).out, "1\n0\t32x32\n256x256\t32\n48x48\t32\n16x16\t8\n");
    EXPECT_EQ(runCli("probe " + q(ico)).out, "ico\t32x32\t32\t" + ico + "\n");
    EXPECT_EQ(runCli("probe --icon-size largest " + q(ico)).out, "ico\t256x256\t32\t" + ico + "\n");

    // The default image (by colour word the first entry, the PNG, at 32 x 32) keeps its alpha
    // only when asked to.
    const std::string out = dir.file("out");
    ASSERT_EQ(runCli("convert --to png --keep-transparency --out " + q(out) + " " + q(ico)).status, 0);
    const PngAlphaImage kept = readPngWithAlpha(test::readFile(fs::path(out) / "app.png"));
    ASSERT_EQ(kept.alpha.size(), 32u * 32u);
    EXPECT_EQ(kept.alpha[0], 200);
    ASSERT_EQ(runCli("convert --to png --overwrite --out " + q(out) + " " + q(ico)).status, 0);
    EXPECT_TRUE(readPngWithAlpha(test::readFile(fs::path(out) / "app.png")).alpha.empty());

    // Seven sizes (the entries themselves: IconSizes.AllSizesFileReadsBack...), made from the
    // largest image: the 256 entry keeps its alpha of 200.
    ASSERT_EQ(runCli("convert --to ico --icon-colors 32 --out " + q(out) + " " + q(ico)).status, 0);
    const std::string written = (fs::path(out) / "app.ico").string();
    EXPECT_EQ(
        runCli("icons " + q(written)).out,
        "1\n0\t32x32\n16x16\t32\n24x24\t32\n32x32\t32\n48x48\t32\n64x64\t32\n128x128\t32\n256x256\t32\n");
    const auto big =
        extractFileIcon(test::readFile(written), 0, 256, kDefaultDecodeLimits, IconImageChoice::Largest);
    ASSERT_TRUE(big && big->hasAlpha());
    EXPECT_EQ(big->alpha[5000], 200);

    // Other programs read all seven entries, when they are installed.
    if (test::runShell("command -v identify-im6.q16").status == 0) {
        EXPECT_EQ(test::runShell("identify-im6.q16 -format '%wx%h,' " + q(written) + " 2>/dev/null").out,
                  "16x16,24x24,32x32,48x48,64x64,128x128,256x256,");
    }
    if (test::runShell("command -v icotool").status == 0) {
        const std::string listed = test::runShell("icotool -l " + q(written)).out;
        EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 7) << listed;
        EXPECT_NE(listed.find("--width=256"), std::string::npos) << listed;
    }
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

using CliScripting = test::CliTest;

TEST_F(CliScripting, ProbePrintsKindSizeAndDepthAndWritesPpm) {
    const Bitmap picture = test::makeBitmap(3, 2, PixelFormat::Bpp24, test::patternColor);
    const std::string a = png("a.png", 3, 2), photo = dir.file("photo.jpg"), missing = dir.file("missing");
    test::writeFile(photo, writeBmp(picture));  // a BMP under another name

    const test::CliResult r =
        runCli("probe --ppm " + q(dir.file("ppm")) + " " + q(a) + " " + q(photo) + " " + q(missing));
    EXPECT_EQ(r.status, 1);  // one file did not load
    EXPECT_EQ(r.out, "png\t3x2\t32\t" + a + "\nbmp\t3x2\t24\t" + photo + "\n-\t-\t-\t" + missing + "\n");

    std::string ppm = "P6\n3 2\n255\n";
    for (const Color& c : test::colours(picture)) ppm += {char(c.r), char(c.g), char(c.b)};
    EXPECT_EQ(test::readText(dir.path() / "ppm" / "a.png.ppm"), ppm);
    EXPECT_TRUE(fs::exists(dir.path() / "ppm" / "photo.jpg.ppm"));

    EXPECT_EQ(runCli("probe").status, 2);
    EXPECT_EQ(runCli("probe --ppm").status, 2);

    // A TIFF stored 16 x 12 with EXIF orientation 6 stands upright unless told otherwise.
    const std::string turned = q((fs::path(VEXILO_TEST_DATA_DIR) / "formats/turned6.tif").string());
    EXPECT_NE(runCli("probe " + turned).out.find("\t12x16\t"), std::string::npos);
    EXPECT_NE(runCli("probe --no-orientation " + turned).out.find("\t16x12\t"), std::string::npos);

    // The tool links no Qt; a metafile brings in the desktop module, which draws it with Qt, and
    // nothing goes to standard error.
    test::writeFile(dir.path() / "a.wmf", writeMetafile(picture, false));
    const test::CliResult wmf = runCli("probe " + q(dir.file("a.wmf")), true);
    EXPECT_EQ(wmf.status, 0);
    EXPECT_EQ(wmf.out, "wmf\t3x2\t32\t" + dir.file("a.wmf") + "\n");
}

TEST_F(CliScripting, RowsStayWholeInEveryFormat) {
    const std::string awkward = png("f/a\tb\nc\\d.png", 3, 2);
    png("f/z\xff.png", 1, 1);  // not UTF-8
    std::tm local{};
    local.tm_year = 124, local.tm_mon = 1, local.tm_mday = 29, local.tm_hour = 13, local.tm_min = 45;
    local.tm_sec = 30, local.tm_isdst = -1;
    const utimbuf times{std::mktime(&local), std::mktime(&local)};
    ASSERT_EQ(::utime(awkward.c_str(), &times), 0);
    const std::string scan = "scan --no-cache --sort name " + q(dir.file("f"));

    // Default output: one line a row, the count on standard error.
    auto r = runCli(scan);
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(lines(r.out).size(), 2u) << r.out;
    EXPECT_EQ(r.out.rfind("a\\tb\\nc\\\\d.png\t", 0), 0u) << r.out;
    EXPECT_NE(runCli(scan, true).out.find("2 rows\n"), std::string::npos);
    EXPECT_EQ(runCli(scan + " --quiet", true).out, r.out);

    r = runCli(scan + " --format tsv");
    ASSERT_EQ(lines(r.out).size(), 3u) << r.out;
    EXPECT_EQ(lines(r.out)[0], "name\tsize\tdate\ttime\tfolder\tkind\ticon");
    EXPECT_EQ(lines(r.out)[1].rfind("a\\tb\\nc\\\\d.png\t", 0), 0u);
    const std::string tail = "\t2024-02-29\t13:45:30\t" + dir.file("f") + "/\tpng\t";  // no icon number
    EXPECT_EQ(lines(r.out)[1].substr(lines(r.out)[1].size() - tail.size()), tail);
    EXPECT_EQ(lines(r.out)[2].rfind("z\xff.png\t", 0), 0u);  // TSV keeps every byte

    r = runCli(scan + " --format json");
    const auto rows = lines(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out;
    auto first = nlohmann::json::parse(rows[0]);
    first.erase("size");
    EXPECT_EQ(first, (nlohmann::json{{"name", "a\tb\nc\\d.png"},
                                     {"date", "2024-02-29"},
                                     {"time", "13:45:30"},
                                     {"folder", dir.file("f") + "/"},
                                     {"kind", "png"},
                                     {"icon", nullptr}}));
    EXPECT_EQ(nlohmann::json::parse(rows[1])["name"], "z\xef\xbf\xbd.png");

    // A kind by name or number picks that kind's files only.
    png("f/x.bmp.png", 1, 1);
    test::writeFile(dir.path() / "f" / "y.gif", std::vector<std::uint8_t>{'G', 'I', 'F'});
    for (const char* kind : {"png", "PNG", "11"})
        EXPECT_EQ(lines(runCli(scan + " --format tsv --mask " + kind).out).size(), 4u) << kind;
    EXPECT_EQ(lines(runCli(scan + " --format tsv --mask gif").out).size(), 2u);
}

TEST_F(CliScripting, FileListsFromStandardInput) {
    const auto input = [&](const std::string& text) {
        test::writeText(dir.path() / "input.txt", text);
        return dir.file("input.txt");
    };
    const std::string a = png("a b.png", 3, 2), b = png("new\nline.png", 2, 2);
    const std::string expected =
        "png\t3x2\t32\t" + a + "\npng\t2x2\t32\t" + dir.file("new\\nline.png") + "\n";
    auto r = runCli("probe -", false, input(a + "\n\n"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "png\t3x2\t32\t" + a + "\n");
    r = runCli("probe -0 -", false, input(a + '\0' + b + '\0'));
    EXPECT_EQ(r.out, expected);
    r = runCli("probe --format json -0 -", false, input(a + '\0' + dir.file("none") + '\0'));
    ASSERT_EQ(lines(r.out).size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(lines(r.out)[0])["width"], 3);
    EXPECT_TRUE(nlohmann::json::parse(lines(r.out)[1])["kind"].is_null());

    r = runCli("convert --to bmp -0 -", true, input(a + '\0' + b + '\0'));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(dir.path() / "new\nline.bmp"));
    EXPECT_TRUE(fs::exists(dir.path() / "a b.bmp"));

    for (const std::string& bad : {"probe - " + q(a), "probe -0 " + q(a), "convert --to bmp " + q(a) + " -"})
        EXPECT_EQ(runCli(bad, false, input(a)).status, 2) << bad;
}

// Every command named in the main help answers --help with status 0, a description of each
// option its synopsis names, and its exit statuses.
TEST_F(CliScripting, EveryHelpNamesItsOptionsAndExitStatuses) {
    const auto main = runCli("--help");
    EXPECT_EQ(main.status, 0);
    const std::regex synopsis("^  ([a-z-]+) (.*)$"), option("(^|[ [|])(--?[a-z0-9][a-z0-9-]*)");
    int commands = 0;
    for (const std::string& line : lines(main.out)) {
        std::smatch m;
        if (!std::regex_match(line, m, synopsis)) continue;
        ++commands;
        const std::string command = m[1], options = m[2];
        const auto help = runCli(command + " --help");
        EXPECT_EQ(help.status, 0) << command;
        const std::size_t described = help.out.find("\nOptions:\n");
        ASSERT_NE(described, std::string::npos) << command;
        EXPECT_NE(help.out.find("Exit status: 0 "), std::string::npos) << command;
        for (std::sregex_iterator it(options.begin(), options.end(), option), end; it != end; ++it)
            EXPECT_NE(help.out.find((*it)[2], described), std::string::npos) << command << " " << (*it)[2];
        EXPECT_EQ(runCli(command + " --frob", true).status, 2) << command;
    }
    EXPECT_GE(commands, 6);
    EXPECT_EQ(runCli("scan --format xml " + q(dir.file(""))).status, 2);
    EXPECT_EQ(runCli("probe --format").status, 2);
    EXPECT_EQ(runCli("").status, 2);
    EXPECT_EQ(runCli("frob").status, 2);
    EXPECT_EQ(runCli("scan /no/such/folder").status, 1);
    EXPECT_EQ(runCli("icons " + q(dir.file("none.dll"))).status, 1);
    EXPECT_EQ(runCli("bmp-info " + q(dir.file("none.bmp"))).status, 1);
    EXPECT_EQ(runCli("probe " + q(png("a.png", 1, 1)) + " >/dev/full").status, 1);  // results lost
}

}  // namespace
}  // namespace vexilo

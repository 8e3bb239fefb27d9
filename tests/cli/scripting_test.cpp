// vexilo-cli as scripts use it: what probe prints and writes, rows that stay whole,
// machine-readable formats, file lists on standard input, help texts and exit statuses.
#include <gtest/gtest.h>
#include <utime.h>

#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "codecs/bmp_codec.h"
#include "codecs/metafile/metafile_writer.h"
#include "support/file_fixture.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;
using test::q;
using test::runCli;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

class CliScripting : public test::CliTest {
protected:
    std::string input(const std::string& bytes) {
        test::writeFile(dir.path() / "input.txt", std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        return dir.file("input.txt");
    }
};

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
    const std::string a = png("a b.png", 3, 2), b = png("new\nline.png", 2, 2);
    const std::string expected =
        "png\t3x2\t32\t" + a + "\npng\t2x2\t32\t" + dir.file("new\\nline.png") + "\n";
    auto r = runCli("probe -", false, input(a + "\n\n"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "png\t3x2\t32\t" + a + "\n");
    r = runCli("probe -0 -", false, input(a + '\0' + b + '\0'));
    EXPECT_EQ(r.out, expected);
    r = runCli("probe --format json -0 -", false, input(a + '\0' + dir.file("none") + '\0'));
    EXPECT_EQ(r.status, 1);
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

// The page in a real browser: headless Chromium renders it to a PNG, which must have the window's
// size and show something, and dumps the DOM it built, which must hold the charts. Without a
// browser on the machine the test is skipped, saying so.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "report_fixture.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

constexpr int kWidth = 1000;
constexpr int kHeight = 1400;

std::string browser() {
    for (const char* candidate : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (fs::exists(candidate)) return candidate;
    return "";
}

// Runs the browser on the page with one more option; its own chatter goes to a log file. A fresh
// profile and no background networking keep it from reaching out; the timeout bounds a hang.
int runBrowser(const std::string& binary, const TempDir& dir, const std::string& option, const std::string& output) {
    static int runs = 0;
    const std::string command = "timeout -k 5 90 '" + binary +
                                "' --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
                                "--disable-background-networking --disable-component-update --disable-sync "
                                "--hide-scrollbars --user-data-dir='" +
                                dir.file("profile" + std::to_string(++runs)) + "' " + option + " 'file://" +
                                dir.file("report.html") + "' >'" + output + "' 2>>'" + dir.file("browser.log") + "'";
    return std::system(command.c_str());
}

struct Image {
    std::uint32_t width = 0, height = 0;
    int channels = 0;
    std::vector<std::uint8_t> pixels;  // rows of width x channels bytes
};

std::uint32_t bigEndian(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

int paeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// An 8-bit RGB or RGBA PNG, not interlaced (what Chromium writes); an empty image otherwise.
Image decodePng(const std::string& file) {
    const std::string bytes = testing_support::readFile(file);
    Image image;
    if (bytes.size() < 33 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return image;
    std::string compressed;
    for (std::size_t at = 8; at + 8 <= bytes.size();) {
        const std::uint32_t length = bigEndian(bytes, at);
        const std::string type = bytes.substr(at + 4, 4);
        if (type == "IHDR") {
            image.width = bigEndian(bytes, at + 8);
            image.height = bigEndian(bytes, at + 12);
            const int colourType = static_cast<std::uint8_t>(bytes[at + 17]);
            if (bytes[at + 16] != 8 || bytes[at + 20] != 0 || (colourType != 2 && colourType != 6)) return {};
            image.channels = colourType == 2 ? 3 : 4;
        }
        if (type == "IDAT") compressed += bytes.substr(at + 8, length);
        at += 12 + length;
    }
    const std::size_t stride = static_cast<std::size_t>(image.width) * image.channels;
    std::vector<std::uint8_t> raw((stride + 1) * image.height);
    uLongf size = raw.size();
    if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(compressed.data()), compressed.size()) != Z_OK ||
        size != raw.size())
        return {};
    image.pixels.assign(stride * image.height, 0);
    for (std::size_t y = 0; y < image.height; ++y) {
        const int filter = raw[y * (stride + 1)];
        for (std::size_t x = 0; x < stride; ++x) {
            const int a = x >= static_cast<std::size_t>(image.channels) ? image.pixels[y * stride + x - image.channels] : 0;
            const int b = y > 0 ? image.pixels[(y - 1) * stride + x] : 0;
            const int c = x >= static_cast<std::size_t>(image.channels) && y > 0
                              ? image.pixels[(y - 1) * stride + x - image.channels]
                              : 0;
            const int predictor = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? paeth(a, b, c) : 0;
            image.pixels[y * stride + x] = static_cast<std::uint8_t>(raw[y * (stride + 1) + 1 + x] + predictor);
        }
    }
    return image;
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

TEST(ReportInBrowser, ChromiumRendersThePageAndBuildsItsCharts) {
    const std::string binary = browser();
    if (binary.empty()) GTEST_SKIP() << "No headless Chromium (/usr/bin/chromium): the page was not rendered.";
    TempDir dir;
    report_testing::copyExample("jobshop", dir.path());
    ASSERT_EQ(report_testing::runReport(dir.path(), "--sets 0,1").status, 0);

    const std::string size = "--window-size=" + std::to_string(kWidth) + "," + std::to_string(kHeight);
    ASSERT_EQ(runBrowser(binary, dir, "--screenshot='" + dir.file("page.png") + "' " + size, dir.file("shot.out")), 0)
        << testing_support::readFile(dir.file("browser.log"));
    const Image image = decodePng(dir.file("page.png"));
    ASSERT_EQ(image.width, static_cast<std::uint32_t>(kWidth));
    ASSERT_EQ(image.height, static_cast<std::uint32_t>(kHeight));
    // A blank page is one colour; the summary table, the charts and the text give hundreds.
    std::set<std::uint32_t> colours;
    std::size_t inked = 0;
    for (std::size_t i = 0; i < image.pixels.size(); i += static_cast<std::size_t>(image.channels)) {
        const std::uint32_t rgb = image.pixels[i] << 16 | image.pixels[i + 1] << 8 | image.pixels[i + 2];
        colours.insert(rgb);
        if (rgb != 0xffffff) ++inked;
    }
    EXPECT_GT(colours.size(), 100u);
    EXPECT_GT(inked, image.pixels.size() / static_cast<std::size_t>(image.channels) / 20);

    ASSERT_EQ(runBrowser(binary, dir, "--dump-dom", dir.file("dom.html")), 0)
        << testing_support::readFile(dir.file("browser.log"));
    const std::string dom = testing_support::readFile(dir.file("dom.html"));
    // Seven rules and GP for each of the two sets; one bar per operation: 9 in set 0, 8 in set 1.
    EXPECT_EQ(occurrences(dom, "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"gantt\""), 16u);
    EXPECT_EQ(occurrences(dom, "class=\"per-set\""), 1u);
    EXPECT_EQ(occurrences(dom, "class=\"distribution\""), 1u);
    EXPECT_EQ(occurrences(dom, "<g class=\"bar"), 8u * (9 + 8));
    EXPECT_EQ(occurrences(dom, "<tr class=\"gp\">"), 1u);
}

}  // namespace

// `plotlet render` on the sample map: the three formats, size, resolution and extent, progress,
// and bad arguments ending with a message and the right exit code, with no picture left behind.
#include <gtest/gtest.h>

#include <fstream>

#include "support/RunCli.h"
#include "support/TempFolder.h"

namespace {

const std::string sampleMap = std::string(PLOTLET_EXAMPLES) + "/nc/nc.pmx";

std::string head(const std::filesystem::path& path, std::size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    return bytes.substr(0, static_cast<std::size_t>(in.gcount()));
}

TEST(CliRender, WritesPngSvgAndPdfOfTheSampleMap) {
    testing_support::TempFolder folder;
    for (const auto& [name, magic] :
         std::vector<std::pair<std::string, std::string>>{{"nc.png", "\x89PNG"}, {"nc.svg", "<?xml"}, {"nc.pdf", "%PDF"}}) {
        const auto result = testing_support::runCli({"render", sampleMap, "--out", (folder / name).string(), "--width", "600"});
        ASSERT_EQ(result.code, 0) << result.err;
        EXPECT_EQ(head(folder / name, magic.size()), magic) << name;
        EXPECT_NE(result.out.find("600 x "), std::string::npos) << result.out;
    }
}

TEST(CliRender, ResolutionExtentAndProgress) {
    testing_support::TempFolder folder;
    // 200 km at the map's 1 : 1,600,000 is 12.5 cm, at 127 dpi 625 pixels.
    const auto result = testing_support::runCli({"render", sampleMap, "-o", (folder / "part.png").string(), "--dpi", "127",
                                                 "--extent", "400000,100000,600000,200000", "--progress"});
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_NE(result.out.find("625 x 313 pixels at 127 dpi, scale 1:1600000"), std::string::npos) << result.out;
    EXPECT_NE(result.err.find("drawing 100% (200 of 200)"), std::string::npos) << result.err;
}

TEST(CliRender, BadArgumentsAreReportedWithTheirExitCode) {
    testing_support::TempFolder folder;
    const std::string png = (folder / "x.png").string();
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"render", sampleMap, "-o", png, "--width", "0"}, 1, "at least 1 pixel"},
        {{"render", sampleMap, "-o", png, "--width", "-5"}, 1, "at least 1 pixel"},
        {{"render", sampleMap, "-o", png, "--dpi", "0"}, 1, "resolution"},
        {{"render", sampleMap, "-o", png, "--extent", "1,2,3"}, 1, "--extent needs"},
        {{"render", sampleMap, "-o", png, "--extent", "5,0,5,10"}, 1, "--extent needs"},
        {{"render", sampleMap, "-o", png, "--extent", "0,0,nan,10"}, 1, "--extent needs"},
        {{"render", sampleMap, "-o", (folder / "x.gif").string()}, 1, ".png, .svg or .pdf"},
        {{"render", sampleMap, "-o", png, "--width", "100000"}, 1, "at most 32767"},
        {{"render", (folder / "missing.pmx").string(), "-o", png}, 2, "missing.pmx"},
        {{"render", sampleMap, "-o", (folder / "no" / "x.png").string()}, 2, "does not exist"},
        {{"render", sampleMap}, 1, "--out"},
    };
    for (const Case& c : cases) {
        const auto result = testing_support::runCli(c.args);
        EXPECT_EQ(result.code, c.code) << c.args.back() << ": " << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "no picture, whole or partial, is left";
}

}  // namespace

// Only a process that ends after its command leaves its map to the system; commands run in a
// process that goes on (tests, a host) free theirs.
TEST(CliExit, MapsAreLeftToTheSystemOnlyWhenTheProcessEnds) {
    auto freed = std::make_shared<int>(1);
    const std::weak_ptr<int> watchFreed = freed;
    plotlet::cli::keepUntilExit(std::move(freed));
    EXPECT_TRUE(watchFreed.expired());

    plotlet::cli::setFreeMapsAtExit(true);
    auto kept = std::make_shared<int>(2);
    const std::weak_ptr<int> watchKept = kept;
    plotlet::cli::keepUntilExit(std::move(kept));
    plotlet::cli::setFreeMapsAtExit(false);
    EXPECT_FALSE(watchKept.expired());
}

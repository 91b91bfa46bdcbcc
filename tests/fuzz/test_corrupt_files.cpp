// Every reader against damaged copies of a small file of its kind (every truncation, a sweep of
// byte flips) and against the inputs that once broke it: each is read or refused with a typed
// error naming the file (feed() aborts otherwise), and a refused map document leaves the open
// one in place.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fuzz/FuzzReaders.h"
#include "host/Application.h"
#include "host/gdal/DocumentOpen.h"
#include "runtime/Error.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;
using plotlet::fuzz::Reader;

namespace {

// The damaged copies: every truncation, and at every position the byte flipped and, in turn,
// replaced by one of the characters that matter to the formats.
std::vector<std::string> damagedCopies(const std::string& good) {
    std::vector<std::string> copies;
    for (std::size_t n = 0; n < good.size(); ++n) copies.push_back(good.substr(0, n));
    const char special[] = {'"', '{', ']', '9', '-', '\0', ','};
    for (std::size_t at = 0; at < good.size(); ++at) {
        for (const char c : {static_cast<char>(good[at] ^ 0xFF), special[at % sizeof special]}) {
            if (c == good[at]) continue;
            std::string copy = good;
            copy[at] = c;
            copies.push_back(std::move(copy));
        }
    }
    return copies;
}

std::string seedOf(Reader reader, std::string& name) {
    const auto seeds = plotlet::fuzz::seeds(reader);
    name = seeds.front().first;
    std::string bytes = seeds.front().second;
    if (reader == Reader::DataSource) bytes.erase(0, 1);  // the fuzzer's format selector
    return bytes;
}

}  // namespace

TEST(CorruptFiles, EveryReaderRefusesDamagedFilesByName) {
    for (const Reader reader : plotlet::fuzz::allReaders()) {
        std::string name;
        const std::string good = seedOf(reader, name);
        ASSERT_TRUE(plotlet::fuzz::feed(reader, good, name).read) << plotlet::fuzz::readerName(reader);
        std::size_t refused = 0, total = 0;
        for (const auto& copy : damagedCopies(good)) {
            ++total;
            if (!plotlet::fuzz::feed(reader, copy, name).read) ++refused;
        }
        // Most damage is noticed; what is not still reads as a sound file.
        EXPECT_GT(refused, total / 2) << plotlet::fuzz::readerName(reader);
    }
}

TEST(CorruptFiles, ARefusedMapDocumentLeavesTheOpenOneInPlace) {
    testing_support::TempFolder folder;
    std::string name;
    const std::string good = seedOf(Reader::MapDocument, name);
    const std::string path = folder.write("open.pmx", good).string();
    host::Application app;
    host::gdal::openInApplication(app, path);
    const auto open = app.document();
    ASSERT_TRUE(open);
    const auto copies = damagedCopies(good);
    for (std::size_t i = 0; i < copies.size(); i += 7) {
        const std::string bad = folder.write("bad.pmx", copies[i]).string();
        try {
            host::gdal::openInApplication(app, bad);
            app.setDocument(open);  // it read: put the first one back for the next copy
        } catch (const runtime::Error& e) {
            ASSERT_NE(e.description().find(bad), std::string::npos) << e.description();
            ASSERT_EQ(app.document(), open) << e.description();
        }
    }
}

TEST(CorruptFiles, InputsThatOnceBrokeAReaderAreRefused) {
    std::size_t replayed = 0;
    for (const Reader reader : plotlet::fuzz::allReaders()) {
        const fs::path folder = fs::path(PLOTLET_FUZZ_REGRESSIONS) / plotlet::fuzz::readerName(reader);
        if (!fs::is_directory(folder)) continue;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (!entry.is_regular_file() || entry.path().filename().string().front() == '.') continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes(std::istreambuf_iterator<char>(in), {});
            SCOPED_TRACE(entry.path().string());
            plotlet::fuzz::feed(reader, bytes);  // aborts on a fault; hangs are the test's timeout
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0u);
}

// Saving leaves nothing behind and replaces only what it may: links are written through, read-only
// files are refused, and an interrupted save removes its temporary file (or the next save of the
// same target does).
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "host/AtomicFile.h"
#include "support/RuntimeErrors.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;
using testing_support::descriptionOf;

namespace {

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(AtomicFile, ASymbolicLinkIsWrittenThroughAndStaysALink) {
    testing_support::TempFolder folder;
    fs::create_directory(folder / "real");
    folder.write("real/doc.pmx", "old");
    fs::create_symlink("real/doc.pmx", folder / "link.pmx");
    fs::create_symlink("link.pmx", folder / "link2.pmx");  // a chain of links

    host::writeFileAtomically((folder / "link2.pmx").string(), "new");
    EXPECT_TRUE(fs::is_symlink(folder / "link.pmx"));
    EXPECT_TRUE(fs::is_symlink(folder / "link2.pmx"));
    EXPECT_EQ(contents(folder / "real/doc.pmx"), "new");
    EXPECT_EQ(entries(folder / "real"), std::vector<std::string>{"doc.pmx"});

    // A dangling link makes its target.
    fs::create_symlink("real/later.pmx", folder / "dangling.pmx");
    host::writeFileAtomically((folder / "dangling.pmx").string(), "made");
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.pmx"));
    EXPECT_EQ(contents(folder / "real/later.pmx"), "made");
}

TEST(AtomicFile, AReadOnlyTargetIsRefusedAndKept) {
    testing_support::TempFolder folder;
    const fs::path target = folder.write("keep.par", "old");
    ::chmod(target.c_str(), 0444);
    const std::string message = descriptionOf([&] { host::writeFileAtomically(target.string(), "new"); });
    EXPECT_EQ(message, "File " + target.string() + ": is read-only; it was left as it is");
    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(entries(folder.path()), std::vector<std::string>{"keep.par"});
    ::chmod(target.c_str(), 0644);
    host::writeFileAtomically(target.string(), "new");
    EXPECT_EQ(contents(target), "new");
}

TEST(AtomicFile, ASaveRemovesTheStaleTemporariesOfItsTarget) {
    testing_support::TempFolder folder;
    folder.write("map.pmx", "old");
    folder.write(".map.pmx.tmp-a1B2c3", std::string(1000, 'x'));  // a save killed outright
    folder.write(".other.pmx.tmp-a1B2c3", "x");                    // another target's: kept
    folder.write(".map.pmx.tmp-toolong", "x");                     // not one of ours: kept
    // A save in progress in another process holds a lock on its temporary file: kept.
    const fs::path busy = folder.write(".map.pmx.tmp-BUSY00", "x");
    int pipeFd[2];
    ASSERT_EQ(::pipe(pipeFd), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open(busy.c_str(), O_RDONLY);
        ::flock(fd, LOCK_EX);
        char c = 0;
        (void)::write(pipeFd[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(pipeFd[0], &c, 1), 1);

    host::writeFileAtomically((folder / "map.pmx").string(), "new");
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(pipeFd[0]);
    ::close(pipeFd[1]);
    EXPECT_EQ(entries(folder.path()),
              (std::vector<std::string>{".map.pmx.tmp-BUSY00", ".map.pmx.tmp-toolong", ".other.pmx.tmp-a1B2c3", "map.pmx"}));
    EXPECT_EQ(contents(folder / "map.pmx"), "new");
}

TEST(AtomicFile, AnInterruptedSaveRemovesItsTemporaryFile) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        testing_support::TempFolder folder;
        const fs::path target = folder.write("map.pmx", "old");
        const pid_t child = ::fork();
        if (child == 0) {
            // A fresh process: the default actions, as in the command-line host.
            ::signal(signal, SIG_DFL);
            host::AtomicFileWriter writer(target.string());
            const std::string block(1 << 16, 'x');
            writer.write(block.data(), block.size());
            ::raise(signal);
            ::_exit(0);  // not reached
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal << ", status " << status;
        EXPECT_EQ(entries(folder.path()), std::vector<std::string>{"map.pmx"}) << "signal " << signal;
        EXPECT_EQ(contents(target), "old");
    }
}

namespace {
// Resident pages of this process, in bytes.
std::size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}
}  // namespace

// A map document is read in two passes (its outline, then its elements): the second pass must
// let go of the pages behind it as the first does, or a large document stays resident whole.
TEST(MappedFile, EachPassReleasesThePagesBehindIt) {
    const auto folder = std::filesystem::temp_directory_path() / ("plotlet-mapped-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "big.txt").string();
    constexpr std::size_t size = 96u << 20;
    {
        std::ofstream out(path, std::ios::binary);
        const std::string block(1u << 20, 'x');
        for (std::size_t i = 0; i < size / block.size(); ++i) out << block;
    }
    {
        host::MappedFile file(path);
        const std::size_t before = residentBytes();
        auto pass = [&] {
            std::size_t sum = 0;
            const std::string_view text = file.text();
            for (std::size_t i = 0; i < text.size(); i += 4096) {
                sum += static_cast<unsigned char>(text[i]);
                if (i % (1u << 20) == 0) file.release(i);
            }
            return sum;
        };
        EXPECT_GT(pass(), 0u);
        EXPECT_LT(residentBytes(), before + (32u << 20));
        file.releaseAll();
        EXPECT_GT(pass(), 0u);
        EXPECT_LT(residentBytes(), before + (32u << 20));
    }
    std::filesystem::remove_all(folder);
}

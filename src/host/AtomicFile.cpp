#include "host/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/Error.h"

namespace host {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void fileError(const std::string& path, const std::string& what, int code = 80) {
    raiseHost(code, "Plotlet.File", "File " + path + ": " + what);
}

// ---- temporary files removed when the process is interrupted ---------------------------------
//
// A save cut short by Ctrl-C or a termination request would leave its temporary file (as large
// as the document) beside the target. The handlers below remove the temporary files of the
// saves in progress and then let the signal take its usual course. They are installed only for
// signals whose action is still the default: a host that handles a signal itself ends its saves
// through the writers' own clean-up. A slot table of fixed size keeps the handler to calls that
// are safe in a signal handler.

constexpr std::size_t kSlots = 64;
constexpr std::size_t kSlotPath = 4096;
struct Slot {
    std::atomic<bool> used{false};
    std::atomic<bool> ready{false};
    char path[kSlotPath];
};
Slot slots[kSlots];
constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void removeTemporariesAndDie(int signal) {
    for (Slot& slot : slots) {
        if (slot.ready.load()) ::unlink(slot.path);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Looked at on every save, not once: a host may set or reset its signal actions at any time.
void installSignalCleanup() {
    for (int sig : kCleanedSignals) {
        struct sigaction current {};
        if (::sigaction(sig, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
            current.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = removeTemporariesAndDie;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(sig, &action, nullptr);
    }
}

int claimSlot(const std::string& path) {
    if (path.size() >= kSlotPath) return -1;
    for (std::size_t i = 0; i < kSlots; ++i) {
        bool expected = false;
        if (slots[i].used.compare_exchange_strong(expected, true)) {
            std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
            slots[i].ready.store(true);
            return static_cast<int>(i);
        }
    }
    return -1;  // more saves at once than slots: this one is merely not cleaned on a signal
}

void releaseSlot(int i) {
    if (i < 0) return;
    slots[i].ready.store(false);
    slots[i].used.store(false);
}

// The file a save really replaces: a symbolic link is followed (a chain of them too) so that the
// linked file gets the new content and the link stays a link.
fs::path resolveLinks(const std::string& path) {
    fs::path p(path);
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return p;
}

// Temporary files of earlier saves of the same target that were killed before they could clean
// up. A save in progress holds a lock on its temporary file, so a file whose lock can be taken
// belongs to no living process.
void removeStaleTemporaries(const fs::path& folder, const std::string& prefix, const std::string& own) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string candidate = it->path().string();
        if (candidate == own) continue;
        const int fd = ::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(candidate.c_str());
        ::close(fd);
    }
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
    if (path_.empty()) fileError(path_, "no file name was given");
    const fs::path target = resolveLinks(path_);
    target_ = target.string();
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) fileError(path_, "the folder " + folder.string() + " does not exist");
    if (fs::is_directory(target, ec)) fileError(path_, "a folder of that name exists");
    // A file its owner made read-only is not to be replaced behind their back (rename would
    // do it, as the folder is writable; the superuser passes access() whatever the mode).
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0 &&
        ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target_.c_str(), W_OK) != 0))
        fileError(path_, "is read-only; it was left as it is");
    installSignalCleanup();
    const std::string prefix = "." + target.filename().string() + ".tmp-";
    temporary_ = (folder / (prefix + "XXXXXX")).string();
    // The signals wait until the temporary file is in the table: a signal arriving in between
    // would otherwise leave it behind.
    sigset_t block, previous;
    sigemptyset(&block);
    for (int sig : kCleanedSignals) sigaddset(&block, sig);
    ::pthread_sigmask(SIG_BLOCK, &block, &previous);
    fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);
    const int saved = errno;
    if (fd_ >= 0) slot_ = claimSlot(temporary_);
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (fd_ < 0) fileError(path_, std::string("cannot write in its folder (") + std::strerror(saved) + ")");
    // The lock lives on a duplicate so that closing the written file (before the rename, which
    // reports late write errors) does not let another save take the file for a stale one.
    ::flock(fd_, LOCK_EX | LOCK_NB);
    lockFd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    removeStaleTemporaries(folder, prefix, temporary_);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (!committed_) discard();
    releaseSlot(slot_);
}

void AtomicFileWriter::discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
    releaseSlot(slot_);
    slot_ = -1;
}

void AtomicFileWriter::write(const void* data, std::size_t size) {
    if (fd_ < 0 || committed_) fileError(path_, "is already closed");
    const char* bytes = static_cast<const char*>(data);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd_, bytes + written, size - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int saved = errno;
            discard();
            fileError(path_, std::string("could not be written (") + std::strerror(saved) + ")");
        }
        written += static_cast<std::size_t>(n);
    }
}

void AtomicFileWriter::commit() {
    if (fd_ < 0 || committed_) fileError(path_, "is already closed");
    int savedErrno = 0;
    bool ok = ::fsync(fd_) == 0;
    if (!ok) savedErrno = errno;
    // Keep the permissions of a file being replaced; new files get the usual 0644 less umask.
    struct stat st {};
    if (ok && ::stat(target_.c_str(), &st) == 0) ::fchmod(fd_, st.st_mode & 07777);
    else if (ok) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        discard();
        fileError(path_, std::string("could not be written (") + std::strerror(savedErrno) + ")");
    }
    committed_ = true;
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
    releaseSlot(slot_);
    slot_ = -1;
}

void writeFileAtomically(const std::string& path, const std::string& bytes) {
    AtomicFileWriter file(path);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

namespace {

void checkSize(const std::string& path, std::uintmax_t size, std::size_t maxBytes) {
    if (size > maxBytes)
        fileError(path, "is too large (" + std::to_string(size) + " bytes; at most " + std::to_string(maxBytes) + " are read)");
}

}  // namespace

std::string readFileLimited(const std::string& path, std::size_t maxBytes) {
    std::error_code ec;
    const fs::path p(path);
    if (!fs::exists(p, ec)) {
        raiseRuntime(runtime::err::FileNotFound, "Plotlet.File", "File " + path + ": the file does not exist");
    }
    if (fs::is_directory(p, ec)) fileError(path, "this is a folder, not a file");
    const auto size = fs::file_size(p, ec);
    if (ec) fileError(path, "cannot be read (" + ec.message() + ")");
    checkSize(path, size, maxBytes);
    std::ifstream in(p, std::ios::binary);
    if (!in) fileError(path, std::string("cannot be opened (") + std::strerror(errno) + ")");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (in.gcount() != static_cast<std::streamsize>(size)) fileError(path, "could not be read completely");
    return bytes;
}

MappedFile::MappedFile(const std::string& path, std::size_t maxBytes) {
    std::error_code ec;
    const fs::path p(path);
    if (!fs::exists(p, ec)) {
        raiseRuntime(runtime::err::FileNotFound, "Plotlet.File", "File " + path + ": the file does not exist");
    }
    if (fs::is_directory(p, ec)) fileError(path, "this is a folder, not a file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fileError(path, std::string("cannot be opened (") + std::strerror(errno) + ")");
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fileError(path, "cannot be read (not a regular file)");
    }
    size_ = static_cast<std::size_t>(st.st_size);
    if (size_ > maxBytes) {
        ::close(fd);
        checkSize(path, size_, maxBytes);
    }
    if (size_ > 0) {
        void* mapped = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        const int saved = errno;
        ::close(fd);
        if (mapped == MAP_FAILED) fileError(path, std::string("cannot be read (") + std::strerror(saved) + ")");
        ::madvise(mapped, size_, MADV_SEQUENTIAL);
        data_ = static_cast<const char*>(mapped);
    } else {
        ::close(fd);
    }
}

MappedFile::~MappedFile() {
    if (data_) ::munmap(const_cast<char*>(data_), size_);
}

void MappedFile::release(std::size_t offset) {
    constexpr std::size_t step = 8u << 20;
    if (!data_ || offset > size_) return;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t end = offset == size_ ? size_ : offset / page * page;
    if (end <= released_ || (end - released_ < step && end != size_)) return;
    const std::size_t from = released_ / page * page;
    ::madvise(const_cast<char*>(data_) + from, end - from, MADV_DONTNEED);
    released_ = end;
}

}  // namespace host

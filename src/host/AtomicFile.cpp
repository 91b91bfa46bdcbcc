#include "host/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "host/Error.h"

namespace host {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void fileError(const std::string& path, const std::string& what, int code = 80) {
    raiseHost(code, "Plotlet.File", "File " + path + ": " + what);
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
    if (path_.empty()) fileError(path_, "no file name was given");
    const fs::path target(path_);
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) fileError(path_, "the folder " + folder.string() + " does not exist");
    if (fs::is_directory(target, ec)) fileError(path_, "a folder of that name exists");
    temporary_ = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0) fileError(path_, std::string("cannot write in its folder (") + std::strerror(errno) + ")");
}

AtomicFileWriter::~AtomicFileWriter() {
    if (!committed_) discard();
}

void AtomicFileWriter::discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
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
    if (ok && ::stat(path_.c_str(), &st) == 0) ::fchmod(fd_, st.st_mode & 07777);
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
    if (ok && std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        discard();
        fileError(path_, std::string("could not be written (") + std::strerror(savedErrno) + ")");
    }
    committed_ = true;
}

void writeFileAtomically(const std::string& path, const std::string& bytes) {
    AtomicFileWriter file(path);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

std::string readFileLimited(const std::string& path, std::size_t maxBytes) {
    std::error_code ec;
    const fs::path p(path);
    if (!fs::exists(p, ec)) {
        raiseRuntime(runtime::err::FileNotFound, "Plotlet.File", "File " + path + ": the file does not exist");
    }
    if (fs::is_directory(p, ec)) fileError(path, "this is a folder, not a file");
    const auto size = fs::file_size(p, ec);
    if (ec) fileError(path, "cannot be read (" + ec.message() + ")");
    if (size > maxBytes)
        fileError(path, "is too large (" + std::to_string(size) + " bytes; at most " + std::to_string(maxBytes) + " are read)");
    std::ifstream in(p, std::ios::binary);
    if (!in) fileError(path, std::string("cannot be opened (") + std::strerror(errno) + ")");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    if (in.gcount() != static_cast<std::streamsize>(size)) fileError(path, "could not be read completely");
    return bytes;
}

}  // namespace host

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

void writeFileAtomically(const std::string& path, const std::string& bytes) {
    if (path.empty()) fileError(path, "no file name was given");
    const fs::path target(path);
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) fileError(path, "the folder " + folder.string() + " does not exist");
    if (fs::is_directory(target, ec)) fileError(path, "a folder of that name exists");
    std::string tmpl = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) fileError(path, std::string("cannot write in its folder (") + std::strerror(errno) + ")");
    bool ok = true;
    int savedErrno = 0;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            savedErrno = errno;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        savedErrno = errno;
    }
    // Keep the permissions of a file being replaced; new files get the usual 0644 less umask.
    struct stat st {};
    if (ok && ::stat(path.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
    else if (ok) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && std::rename(tmpl.c_str(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(tmpl.c_str());
        fileError(path, std::string("could not be written (") + std::strerror(savedErrno) + ")");
    }
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

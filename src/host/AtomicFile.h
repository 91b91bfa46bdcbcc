#pragma once
// Files users keep are written to a temporary file beside the target and renamed over it, so a
// failure leaves the old file intact; files read are bounded in size. A symbolic link is written
// through (its target is replaced, atomically, and the link stays); a read-only target is
// refused. Temporary files are removed when the process is interrupted (SIGINT, SIGTERM,
// SIGHUP, SIGQUIT with their default action), and a save removes those of earlier saves of the
// same target that were killed outright.
#include <cstddef>
#include <string>
#include <string_view>

namespace host {

// Writes `bytes` to `path` atomically. Host errors name the file and the reason (a missing
// folder, no permission, a full disk); the target is then unchanged.
void writeFileAtomically(const std::string& path, const std::string& bytes);

// The same for a file produced in pieces (a picture streamed out by its encoder): the pieces
// go to a temporary file beside the target, and commit() renames it over the target. Destroyed
// without a commit (a failure on the way), it removes the temporary file and the target stays
// as it was. Errors are host errors naming the file, as above.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(const void* data, std::size_t size);
    // Flushes to the disk, keeps the permissions of a file being replaced and renames.
    void commit();
    const std::string& path() const { return path_; }

private:
    void discard() noexcept;
    std::string path_;    // as given: what messages name
    std::string target_;  // the file replaced: the path with symbolic links followed
    std::string temporary_;
    int fd_ = -1;
    int lockFd_ = -1;  // holds the lock that marks the temporary file as in use until the rename
    int slot_ = -1;  // the temporary file's entry in the table cleaned on an interrupting signal
    bool committed_ = false;
};

// Reads the whole file; host errors name the file: missing (error 53), unreadable, a folder,
// or larger than `maxBytes`.
std::string readFileLimited(const std::string& path, std::size_t maxBytes);

// A file read through a read-only memory mapping, for documents too large to copy into memory
// beside what is built from them: the reader walks the text front to back and lets go of the
// pages it has passed (release), so the resident text stays a window, not the whole file.
// Opening fails with the messages of readFileLimited (missing: error 53, larger than
// `maxBytes`); an empty file gives an empty text.
class MappedFile {
public:
    explicit MappedFile(const std::string& path, std::size_t maxBytes = static_cast<std::size_t>(-1));
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::string_view text() const { return {data_, size_}; }
    // The pages before `offset` are not needed for now (they are read again from the file if
    // they are). Cheap to call often: it acts in steps of several megabytes.
    void release(std::size_t offset);
    // Everything read so far is released, and a new pass over the text starts: the pages it
    // reads again are released behind it as the first pass's were.
    void releaseAll() {
        release(size_);
        released_ = 0;
    }

private:
    const char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t released_ = 0;
};

}  // namespace host

#pragma once
// Files users keep are written to a temporary file beside the target and renamed over it, so a
// failure leaves the old file intact; files read are bounded in size.
#include <cstddef>
#include <string>

namespace host {

// Writes `bytes` to `path` atomically. Host errors name the file and the reason (a missing
// folder, no permission, a full disk); the target is then unchanged.
void writeFileAtomically(const std::string& path, const std::string& bytes);

// Reads the whole file; host errors name the file: missing (error 53), unreadable, a folder,
// or larger than `maxBytes`.
std::string readFileLimited(const std::string& path, std::size_t maxBytes);

}  // namespace host

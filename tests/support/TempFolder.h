#pragma once
// A fresh folder under the test temporary directory, removed with everything in it at the end.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace testing_support {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::path(::testing::TempDir()) / "plotlet-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

    // Writes `bytes` into the file `name` of the folder and returns its path.
    std::filesystem::path write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(path_ / name, std::ios::binary);
        out << bytes;
        return path_ / name;
    }
    // Copies `source` into the folder under `name` and returns the copy's path.
    std::filesystem::path copy(const std::filesystem::path& source, const std::string& name) const {
        std::filesystem::copy_file(source, path_ / name);
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

}  // namespace testing_support

#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace vx470::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh directory for the files a test writes, removed afterwards.
class TempDir {
    std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                  ("vx470-test-" + std::to_string(std::random_device{}()));

  public:
    TempDir() { std::filesystem::create_directories(path_); }
    ~TempDir() {
        std::error_code e;
        std::filesystem::remove_all(path_, e);
    }
    const std::filesystem::path& path() const { return path_; }
    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(path_), {}));
    }
};

inline Bytes readFile(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

// False when the file could not be written.
inline bool writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    return f.good();
}

}  // namespace vx470::test

// Test helpers for the file tests: a temporary folder, byte-exact file access, a scripted Asker.
#pragma once

#include "numerics/errorreport.h"
#include "support/scriptedasker.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace gyro::test {

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> counter{0};
        m_path = std::filesystem::temp_directory_path() /
                 ("gyro_cases_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// Installs an Asker on the error report for the life of the object, with a clean log.
class AskerScope {
public:
    explicit AskerScope(Asker* asker) {
        ErrorReport::instance().reset();
        ErrorReport::instance().setAsker(asker);
    }
    ~AskerScope() {
        ErrorReport::instance().setAsker(nullptr);
        ErrorReport::instance().reset();
    }
    AskerScope(const AskerScope&) = delete;
    AskerScope& operator=(const AskerScope&) = delete;
};

} // namespace gyro::test

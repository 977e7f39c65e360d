// A fresh folder for one test's files, removed with everything in it when the
// test ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    // The full path of name inside the folder.
    std::string Path(const std::string& name) const;
    // Writes bytes to name and returns its full path.
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    std::string Write(const std::string& name, const std::string& text) const;

private:
    std::filesystem::path dir_;
};

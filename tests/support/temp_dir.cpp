#include "tests/support/temp_dir.h"

#include <atomic>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

TTempDir::TTempDir()
{
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::to_string(fs::file_time_type::clock::now().time_since_epoch().count());
    dir_ = fs::temp_directory_path() / ("purvane-test-" + stamp + "-" + std::to_string(counter++));
    fs::create_directories(dir_);
}

TTempDir::~TTempDir()
{
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (const auto& entry : fs::recursive_directory_iterator(dir_, ec))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
}

std::string TTempDir::Path(const std::string& name) const { return (dir_ / name).string(); }

std::string TTempDir::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
{
    const std::string path = Path(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

std::string TTempDir::Write(const std::string& name, const std::string& text) const
{
    return Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

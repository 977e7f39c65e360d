#include "fuzz/fuzz_file.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// One scratch file per process, in memory, removed when the process ends.
struct TScratchFile {
    std::string Path = "/dev/shm/purvane-fuzz-" + std::to_string(::getpid());
    ~TScratchFile() { std::remove(Path.c_str()); }
};

} // namespace

const std::string& WriteFuzzFile(const std::uint8_t* data, std::size_t size)
{
    static const TScratchFile scratch;
    std::FILE* f = std::fopen(scratch.Path.c_str(), "wb");
    if (!f || (size && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) std::abort();
    return scratch.Path;
}

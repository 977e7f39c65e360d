#include "fuzz/fuzz_file.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

const std::string& WriteFuzzFile(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/dev/shm/purvane-fuzz-" + std::to_string(::getpid());
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || (size && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) std::abort();
    return path;
}

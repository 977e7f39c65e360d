#include "common/system_random.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

bool SystemRandomBytes(std::span<std::uint8_t> bytes)
{
    const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    close(fd);
    return done == bytes.size();
}

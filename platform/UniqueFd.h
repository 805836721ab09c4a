#pragma once

#include <unistd.h>

#include <utility>

namespace platform {

// A file descriptor of ours, closed on every way out of the scope that holds it.
struct UniqueFd {
    int fd = -1;
    UniqueFd() = default;
    explicit UniqueFd(int f) : fd(f) {}
    ~UniqueFd() {
        if (fd >= 0)
            ::close(fd);
    }
    UniqueFd(UniqueFd&& o) noexcept : fd(o.fd) { o.fd = -1; }
    UniqueFd& operator=(UniqueFd&& o) noexcept {
        std::swap(fd, o.fd);
        return *this;
    }
    void reset(int f) {
        if (fd >= 0)
            ::close(fd);
        fd = f;
    }
};

} // namespace platform

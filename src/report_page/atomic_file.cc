// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace strandel {

bool replace_file(const std::string& path, std::string_view content, std::string* error) {
    std::string temporary = path + ".tmp-XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        *error = path + ": cannot create a temporary file beside it: " + std::strerror(errno);
        return false;
    }
    temporary = name.data();
    // mkstemp makes the file private; a page is as readable as any new file.
    const mode_t mask = umask(0);
    umask(mask);
    int failure = fchmod(fd, 0666 & ~mask) == 0 ? 0 : errno;
    for (std::size_t done = 0; !failure && done < content.size();) {
        const ssize_t wrote = write(fd, content.data() + done, content.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) failure = errno;
        else done += static_cast<std::size_t>(wrote);
    }
    if (close(fd) != 0 && !failure) failure = errno;
    if (!failure && std::rename(temporary.c_str(), path.c_str()) != 0) failure = errno;
    if (failure) {
        unlink(temporary.c_str());
        *error = path + ": cannot write: " + std::strerror(failure);
        return false;
    }
    return true;
}

}  // namespace strandel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/temporary_files.h"

namespace strandel {

bool replace_file(const std::string& path, std::string_view content, std::string* error) {
    temporary_file temporary(path + ".tmp-");
    if (!temporary.ok()) {
        *error = path + ": cannot create a temporary file beside it: " + temporary.error();
        return false;
    }
    int failure = 0;
    for (std::size_t done = 0; !failure && done < content.size();) {
        const ssize_t wrote = write(temporary.fd(), content.data() + done, content.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) failure = errno;
        else done += static_cast<std::size_t>(wrote);
    }
    if (failure) {
        *error = path + ": cannot write: " + std::strerror(failure);
        return false;
    }
    if (!temporary.rename_to(path)) {
        *error = path + ": cannot write: " + std::strerror(temporary.error_number());
        return false;
    }
    return true;
}

}  // namespace strandel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <time.h>
#include <string>

namespace strandel {

namespace {

// The temporary files a signal must remove. A signal handler may only read
// plain memory, so the names live in fixed slots: free, being filled, or
// holding a name. A file whose name does not fit, or that finds no free
// slot, is still written, only not removed by a signal.
constexpr int slot_count = 64;
constexpr std::size_t slot_bytes = 4096;
enum slot_state : int { slot_free = 0, slot_filling = 1, slot_named = 2 };
std::atomic<int> slot_states[slot_count];
char slot_names[slot_count][slot_bytes];

int remember(const std::string& path) {
    if (path.size() >= slot_bytes) return -1;
    for (int i = 0; i < slot_count; ++i) {
        int expected = slot_free;
        if (!slot_states[i].compare_exchange_strong(expected, slot_filling)) continue;
        std::memcpy(slot_names[i], path.c_str(), path.size() + 1);
        slot_states[i].store(slot_named);
        return i;
    }
    return -1;
}

void forget(int slot) {
    if (slot >= 0) slot_states[slot].store(slot_free);
}

// The process's umask, read once: setting it to read it back would, for a
// moment, let files other threads create meanwhile be writable by all, and
// two threads doing so at once could leave it at 0 for good.
mode_t process_umask() {
    static const mode_t mask = [] {
        if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
            char line[256];
            unsigned value = 0;
            bool found = false;
            while (!found && std::fgets(line, sizeof line, status))
                found = std::sscanf(line, "Umask: %o", &value) == 1;
            std::fclose(status);
            if (found) return static_cast<mode_t>(value);
        }
        const mode_t current = umask(0);
        umask(current);
        return current;
    }();
    return mask;
}

std::string random_suffix() {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[6];
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // Without the kernel's generator: the clock, the process and a count.
        static std::atomic<unsigned long long> calls{0};
        const unsigned long long mixed = (static_cast<unsigned long long>(std::clock()) << 20) ^
                                         static_cast<unsigned long long>(getpid()) ^
                                         static_cast<unsigned long long>(std::time(nullptr)) * 2654435761ULL ^
                                         ++calls * 0x9E3779B97F4A7C15ULL;
        for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(mixed >> (8 * i));
    }
    std::string suffix;
    for (unsigned char b : bytes) suffix += letters[b % (sizeof letters - 1)];
    return suffix;
}

// A signal ending the process, and the temporary files being created
// meanwhile: the handler waits until none is half made (between its name's
// slot and the file), and none is begun after it looked.
std::atomic<bool> ending{false};
std::atomic<int> creating{0};

// The signals the tools end by, blocked on a thread while it creates a
// temporary file: their handler then runs on another thread, or here once
// the file is remembered.
sigset_t ending_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, signal_number);
    return set;
}

extern "C" void remove_temporaries_and_end(int signal_number) {
    const int saved_errno = errno;
    ending.store(true);
    // At most a second: a file system that hangs does not keep the process.
    for (int waited = 0; creating.load() != 0 && waited < 1000; ++waited) {
        const timespec millisecond{0, 1000000};
        nanosleep(&millisecond, nullptr);
    }
    for (int i = 0; i < slot_count; ++i)
        if (slot_states[i].load() == slot_named) unlink(slot_names[i]);
    errno = saved_errno;
    // The handler was installed with SA_RESETHAND | SA_NODEFER: the signal's
    // own action ends the process now, with the status a caller expects.
    raise(signal_number);
}

}  // namespace

temporary_file::temporary_file(const std::string& folder_prefix) {
    // The name is remembered before the file exists, with the ending
    // signals blocked on this thread, so that a signal's handler, on another
    // thread or here once they are unblocked, finds the file; one that
    // looks before the file is made unlinks a name nobody uses. Six random
    // letters or digits, as mkstemp makes them.
    const sigset_t blocked = ending_signals();
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &blocked, &before);
    creating.fetch_add(1);
    if (ending.load()) {
        // A handler is removing the files and ending the process: nothing
        // new is made.
        creating.fetch_sub(1);
        for (;;) pause();
    }
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_path = folder_prefix + random_suffix();
        m_slot = remember(m_path);
        m_fd = open(m_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        m_errno = errno;
        if (m_fd >= 0) break;
        forget(m_slot);
        m_slot = -1;
        if (m_errno != EEXIST) break;
    }
    creating.fetch_sub(1);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (m_fd < 0) {
        m_error = folder_prefix + "XXXXXX: cannot create a temporary file: " + std::strerror(m_errno);
        return;
    }
    m_errno = 0;
    // Held until the file is renamed or removed: a later run sees that
    // somebody still writes it.
    flock(m_fd, LOCK_EX);
    // The file is made private; the finished file is as readable as any
    // new file of the user's.
    fchmod(m_fd, 0666 & ~process_umask());
}

temporary_file::~temporary_file() {
    if (!m_done && m_fd >= 0 && !m_path.empty()) unlink(m_path.c_str());
    forget(m_slot);
    if (m_fd >= 0) close(m_fd);
}

int temporary_file::release_fd() {
    // The caller closes what it is given; a duplicate keeps the lock (it
    // belongs to the open file, shared by both) until the rename.
    const int given = m_fd;
    m_fd = dup(given);
    return given;
}

bool temporary_file::named() {
    m_done = true;
    forget(m_slot);
    m_slot = -1;
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
    return true;
}

bool temporary_file::rename_to(const std::string& target) {
    if (std::rename(m_path.c_str(), target.c_str()) != 0) {
        m_errno = errno;
        m_error = target + ": cannot rename '" + m_path + "' over it: " + std::strerror(errno);
        return false;
    }
    return named();
}

bool temporary_file::rename_to_new(const std::string& target) {
    // The descriptor, and with it the lock, is held until the file has its
    // name: until then a later run's cleaning must leave it alone.
    int moved = renameat2(AT_FDCWD, m_path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
    // File systems that cannot rename without replacing can still link.
    if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
        moved = link(m_path.c_str(), target.c_str());
        if (moved == 0) unlink(m_path.c_str());
    }
    if (moved != 0) {
        const int err = errno;
        m_errno = err;
        m_error = err == EEXIST ? target + ": exists already"
                                : target + ": cannot rename '" + m_path + "' to it: " + std::strerror(err);
        errno = err;
        return false;  // the destructor removes the file
    }
    return named();
}

int remove_stale_temporaries(const std::string& folder, const std::string& prefix, int min_age_seconds) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return 0;
    const std::string base = folder.empty() ? std::string() : folder + "/";
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string path = base + name;
        const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info;
        const bool old_file = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && now - info.st_mtime >= min_age_seconds;
        // Whoever writes such a file holds its lock: one we can take is
        // one nobody writes any more.
        if (old_file && flock(fd, LOCK_EX | LOCK_NB) == 0 && unlink(path.c_str()) == 0) ++removed;
        close(fd);
    }
    closedir(dir);
    return removed;
}

void install_tool_signal_handling() {
    process_umask();  // read while the tool has a single thread
    struct sigaction action {};
    action.sa_handler = remove_temporaries_and_end;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        struct sigaction old {};
        // A signal the caller ignores (nohup, a shell's background job)
        // stays ignored.
        if (sigaction(signal_number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(signal_number, &action, nullptr);
    }
    signal(SIGXFSZ, SIG_IGN);
}

}  // namespace strandel

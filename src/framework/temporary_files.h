// SPDX-License-Identifier: GPL-3.0-or-later
// Files written under a temporary name and renamed into place when whole.
// Such a file must never outlive the process that made it: a catchable
// signal removes every one still open, and a later run removes the ones a
// killed process (SIGKILL, a power cut) left, once it can prove that nobody
// writes them any more.
#pragma once

#include <string>

namespace strandel {

// A temporary file made beside its final place: created exclusively (no
// other file is ever opened through the name), locked (flock) for as long
// as it is open, and removed by a catchable signal until it is renamed or
// removed here.
class temporary_file {
public:
    // Makes `folder_prefix` + six random characters ("out/.strandel-label-"
    // gives "out/.strandel-label-a8Zk3q"), readable as any new file is
    // (the umask decides). Check ok(); error() names the file and why.
    explicit temporary_file(const std::string& folder_prefix);
    ~temporary_file();  // removes the file unless it was renamed
    temporary_file(const temporary_file&) = delete;
    temporary_file& operator=(const temporary_file&) = delete;

    bool ok() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    const std::string& path() const { return m_path; }
    const std::string& error() const { return m_error; }
    int error_number() const { return m_errno; }  // the system's errno behind error()

    // Hands the descriptor over (to fdopen): whoever takes it closes it;
    // the lock goes with it.
    int release_fd();
    // Closes the descriptor, when still held, then renames the file to
    // `target`. False with `error()` set when either fails (the temporary
    // file is then removed).
    bool rename_to(const std::string& target);
    // The same, but never over an existing `target`: false with error()
    // saying that it exists (errno EEXIST) when one is there.
    bool rename_to_new(const std::string& target);

private:
    bool named();  // the file has its final name: no longer ours to remove
    std::string m_path, m_error;
    int m_fd = -1;
    int m_slot = -1;
    int m_errno = 0;
    bool m_done = false;
};

// Removes from `folder` the files named `prefix` + six characters that are
// at least `min_age_seconds` old and that no process holds locked (the
// writer of a temporary_file holds its lock until it closes it): leftovers
// of a process that was killed. Returns how many were removed.
int remove_stale_temporaries(const std::string& folder, const std::string& prefix, int min_age_seconds = 60);

// What every tool sets up first, before any thread starts: SIGINT, SIGTERM,
// SIGHUP and SIGQUIT remove the open temporary files and then end the
// process as the signal would have (a handler installed later, such as the
// GIMP engine's, takes over until it restores this one); SIGXFSZ is
// ignored, so that a file size limit is a failed write the tool reports and
// cuts back to whole lines instead of a kill in the middle of a line.
void install_tool_signal_handling();

}  // namespace strandel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/thumbnail_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "framework/temporary_files.h"
#include "report_page/atomic_file.h"

namespace strandel {
namespace {

namespace fs = std::filesystem;

const char index_name[] = "thumbnails.tsv";
const char index_heading[] = "strandel-report thumbnails 1";
const char temporary_prefix[] = ".strandel-thumb-";

class embedding : public thumbnail_store {
public:
    thumbnail get(const std::string&, const std::string&, const thumbnail_maker& make) override {
        return embedded(make());
    }
};

// FNV-1a, 64 bits: stable across runs and machines (std::hash is not).
std::uint64_t fnv1a(const std::string& text, std::uint64_t hash = 14695981039346656037ull) {
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

bool is_thumbnail_name(const std::string& name) {
    if (name.size() != 20 || name.compare(16, 4, ".png") != 0) return false;
    for (int i = 0; i < 16; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i])) || std::isupper(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

bool write_all(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::unique_ptr<thumbnail_store> embedding_store() { return std::make_unique<embedding>(); }

bool identify_source(const std::string& path, source_identity* identity) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (ok) {
        identity->size = info.st_size;
        identity->modified_ns = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
        const long long span = 4096;
        std::vector<unsigned char> buffer(static_cast<std::size_t>(span));
        unsigned long crc = crc32(0L, Z_NULL, 0);
        const auto add = [&](long long offset, long long length) {
            const ssize_t n = ::pread(fd, buffer.data(), static_cast<std::size_t>(length), offset);
            if (n < 0) return false;
            crc = crc32(crc, buffer.data(), static_cast<uInt>(n));
            return true;
        };
        const long long size = info.st_size;
        ok = add(0, std::min(size, span)) && (size <= span || add(std::max(span, size - span), std::min(span, size - span)));
        identity->check = crc;
    }
    ::close(fd);
    return ok;
}

void remove_page_folder(const std::string& folder) {
    std::error_code failure;
    const fs::path root(folder), thumbs = root / "thumbs";
    if (!fs::is_regular_file(root / index_name, failure)) return;
    for (fs::directory_iterator it(thumbs, failure), end; !failure && it != end; it.increment(failure))
        if (is_thumbnail_name(it->path().filename().string())) fs::remove(it->path(), failure);
    fs::remove(thumbs, failure);  // only when empty
    fs::remove(root / "data.js", failure);
    fs::remove(root / index_name, failure);
    fs::remove(root, failure);
}

std::string thumbnail_file_name(const std::string& source, const std::string& recipe) {
    char name[24];
    std::snprintf(name, sizeof name, "%016llx.png",
                  static_cast<unsigned long long>(fnv1a(source, fnv1a(recipe + '\n'))));
    return name;
}

std::string url_path(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string url;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_' || c == '~') {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

bool folder_store::open(const std::string& folder, const std::string& url_prefix, std::string* error) {
    m_folder = folder;
    m_thumbs = (fs::path(folder) / "thumbs").string();
    m_url = url_prefix + "thumbs/";
    std::error_code failure;
    fs::create_directories(m_thumbs, failure);
    if (failure || !fs::is_directory(m_thumbs)) {
        *error = m_thumbs + ": cannot make the thumbnail folder" + (failure ? ": " + failure.message() : "");
        return false;
    }
    remove_stale_temporaries(m_thumbs, temporary_prefix);
    read_index();
    return true;
}

void folder_store::read_index() {
    std::ifstream in(fs::path(m_folder) / index_name);
    std::string line;
    if (!std::getline(in, line) || line != index_heading) return;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name;
        entry e;
        if (!(std::getline(fields, name, '\t') && fields >> e.identity.size >> e.identity.modified_ns >>
              e.identity.check >> e.width >> e.height && fields.get() == '\t' && std::getline(fields, e.source)))
            continue;
        if (is_thumbnail_name(name)) m_earlier[name] = e;
    }
}

thumbnail folder_store::get(const std::string& source, const std::string& recipe, const thumbnail_maker& make) {
    const std::string name = thumbnail_file_name(source, recipe);
    const std::string path = (fs::path(m_thumbs) / name).string();
    entry e;
    e.source = source;
    const bool known = identify_source(source, &e.identity);
    const auto earlier = m_earlier.find(name);
    thumbnail t;
    if (known && earlier != m_earlier.end() && earlier->second.source == source &&
        earlier->second.identity == e.identity && access(path.c_str(), R_OK) == 0) {
        t.src = m_url + name;
        t.width = earlier->second.width;
        t.height = earlier->second.height;
        std::lock_guard<std::mutex> hold(m_lock);
        m_used[name] = earlier->second;
        m_shown.insert(name);
        ++m_reused;
        return t;
    }
    encoded_thumbnail made = make();
    t.problem = made.problem;
    t.reason = made.reason;
    if (!made.ok()) return t;
    temporary_file file((fs::path(m_thumbs) / temporary_prefix).string());
    if (!file.ok() || !write_all(file.fd(), made.png) || !file.rename_to(path)) {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_error.empty()) m_error = file.error().empty() ? path + ": cannot write: " + std::strerror(errno) : file.error();
        t.problem = t.reason = "could not write the thumbnail";
        return t;
    }
    t.src = m_url + name;
    t.width = e.width = made.width;
    t.height = e.height = made.height;
    std::lock_guard<std::mutex> hold(m_lock);
    // A source that could not be identified is made again next time.
    if (known) m_used[name] = e;
    m_shown.insert(name);
    ++m_made;
    return t;
}

bool folder_store::finish(std::string* error) {
    if (!m_error.empty()) {
        *error = m_error;
        return false;
    }
    std::string index = std::string(index_heading) + "\n";
    for (const auto& [name, e] : m_used)
        index += name + "\t" + std::to_string(e.identity.size) + "\t" + std::to_string(e.identity.modified_ns) + "\t" +
                 std::to_string(e.identity.check) + "\t" + std::to_string(e.width) + "\t" +
                 std::to_string(e.height) + "\t" + e.source + "\n";
    if (!replace_file((fs::path(m_folder) / index_name).string(), index, error)) return false;
    // Thumbnails of earlier runs that this page does not show. Only files
    // named as this store names them: anything else in the folder stays.
    std::error_code failure;
    for (fs::directory_iterator it(m_thumbs, failure), end; !failure && it != end; it.increment(failure)) {
        const std::string name = it->path().filename().string();
        if (is_thumbnail_name(name) && !m_shown.count(name)) fs::remove(it->path(), failure);
    }
    return true;
}

}  // namespace strandel

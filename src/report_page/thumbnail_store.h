// SPDX-License-Identifier: GPL-3.0-or-later
// Where the page's thumbnails go: embedded in the page as data: URIs, or
// as PNG files in a folder beside it (OUT_files/thumbs/), made once and
// reused by a later report over the same files.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "report_page/thumbnails.h"

namespace strandel {

// What makes a thumbnail when the store has none to reuse.
using thumbnail_maker = std::function<encoded_thumbnail()>;

class thumbnail_store {
public:
    virtual ~thumbnail_store() = default;
    // The thumbnail of `source` made by `recipe` (the kind of thumbnail and
    // its colours: another recipe is another thumbnail). Safe to call from
    // several threads at once.
    virtual thumbnail get(const std::string& source, const std::string& recipe, const thumbnail_maker& make) = 0;
    // After the last get(): false with `error` when the store could not
    // be written.
    virtual bool finish(std::string* error) { (void)error; return true; }
};

// Every thumbnail as a data: URI in the page; nothing is reused.
std::unique_ptr<thumbnail_store> embedding_store();

// What identifies a file's content without decoding it: its size, its
// modification time and a CRC-32 of its first and last 4 KiB (the bytes a
// change of content that keeps size and time still shows in: the header
// and the end of the data).
struct source_identity {
    long long size = -1, modified_ns = 0;
    unsigned long check = 0;
    bool operator==(const source_identity& o) const {
        return size == o.size && modified_ns == o.modified_ns && check == o.check;
    }
};
// False when the file cannot be read.
bool identify_source(const std::string& path, source_identity* identity);

// Thumbnails as files in `folder`/thumbs, named by a hash of their source
// and recipe, shown to the page as `url_prefix` + "thumbs/NAME.png". The
// folder's index (thumbnails.tsv) says which source (by its identity)
// each file was made from: a thumbnail whose source has the same identity
// is reused, any other is made again and replaces its file (a temporary
// file renamed in place). finish() writes the index and removes the
// thumbnails of earlier runs that this one did not use.
class folder_store : public thumbnail_store {
public:
    // False with `error` when the folder cannot be made.
    bool open(const std::string& folder, const std::string& url_prefix, std::string* error);
    thumbnail get(const std::string& source, const std::string& recipe, const thumbnail_maker& make) override;
    bool finish(std::string* error) override;
    int reused() const { return m_reused; }
    int made() const { return m_made; }

private:
    struct entry {
        std::string source;
        source_identity identity;
        int width = 0, height = 0;
    };
    void read_index();
    std::string m_folder, m_thumbs, m_url;
    std::map<std::string, entry> m_earlier;  // by file name, read once before any get()
    std::mutex m_lock;                       // guards what follows
    std::map<std::string, entry> m_used;     // what the index lists next time
    std::set<std::string> m_shown;           // every file the page shows
    std::string m_error;
    int m_reused = 0, m_made = 0;
};

// Removes what a page written into `folder` left there (its index, data.js,
// its thumbnails; never other files, and the folders only when empty): a
// page that is one file now needs none of it. Only a folder holding the
// index is touched.
void remove_page_folder(const std::string& folder);

// The name of a thumbnail file: 16 hex digits of a hash of source and
// recipe, then ".png".
std::string thumbnail_file_name(const std::string& source, const std::string& recipe);

// Percent-escapes what a relative URL path cannot hold as it is.
std::string url_path(const std::string& path);

}  // namespace strandel

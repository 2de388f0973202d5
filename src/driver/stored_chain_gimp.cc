// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/stored_chain_gimp.h"

#include <libgimp/gimp.h>

#include <cstdio>
#include <string>
#include <vector>

#include "batch/chain_format.h"
#include "batch/chain_syntax.h"

namespace strandel {

void restore_chain(const char* key, chain& passes) {
    passes.clear();
    const gint size = gimp_procedural_db_get_data_size(key);
    if (size > 0) {
        std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
        gimp_procedural_db_get_data(key, bytes.data());
        std::string error;
        if (deserialize_algo(passes, bytes, &error) && !passes.empty()) return;
        std::fprintf(stderr, "strandel: the chain stored under '%s' cannot be read (%s); using one %s pass\n", key,
                     error.empty() ? "it holds no pass" : error.c_str(), default_pass_label);
        passes.clear();
    }
    std::string error;
    if (!parse_chain("", passes, &error)) std::fprintf(stderr, "strandel: %s\n", error.c_str());
}

void store_chain(const char* key, const chain& passes) {
    std::vector<unsigned char> bytes;
    serialize_algo(passes, bytes);
    gimp_procedural_db_set_data(key, bytes.data(), static_cast<guint32>(bytes.size()));
}

}  // namespace strandel

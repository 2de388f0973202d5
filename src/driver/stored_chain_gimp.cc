#include "driver/stored_chain_gimp.h"

#include <libgimp/gimp.h>

#include <cstdio>
#include <string>

#include "driver/chain_format.h"
#include "driver/chain_syntax.h"

namespace strandel {

void delete_chain(std::vector<pass*>& chain) {
    for (pass* p : chain) delete p;
    chain.clear();
}

void restore_chain(const char* key, std::vector<pass*>& chain) {
    delete_chain(chain);
    const gint size = gimp_procedural_db_get_data_size(key);
    if (size > 0) {
        std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
        gimp_procedural_db_get_data(key, bytes.data());
        std::string error;
        if (deserialize_algo(chain, bytes, &error) && !chain.empty()) return;
        std::fprintf(stderr, "strandel: the chain stored under '%s' cannot be read (%s); using one %s pass\n", key,
                     error.empty() ? "it holds no pass" : error.c_str(), default_pass_label);
        delete_chain(chain);
    }
    std::string error;
    if (!parse_chain("", chain, &error)) std::fprintf(stderr, "strandel: %s\n", error.c_str());
}

void store_chain(const char* key, const std::vector<pass*>& chain) {
    std::vector<unsigned char> bytes;
    serialize_algo(chain, bytes);
    gimp_procedural_db_set_data(key, bytes.data(), static_cast<guint32>(bytes.size()));
}

}  // namespace strandel

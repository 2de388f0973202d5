// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/chain_format.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "batch/registration.h"
#include "framework/number_text.h"

namespace strandel {

namespace {

constexpr std::size_t record_head = 8;
constexpr std::size_t image_size = 16;

void put_u32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

void put_u64(std::vector<unsigned char>& bytes, std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) bytes[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint32_t get_u32(const std::vector<unsigned char>& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(bytes[at + i]) << (8 * i);
    return v;
}

std::uint64_t get_u64(const std::vector<unsigned char>& bytes, std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= std::uint64_t(bytes[at + i]) << (8 * i);
    return v;
}

// Two's complement reinterpretation without relying on implementation-defined
// narrowing of out-of-range unsigned values.
std::int32_t to_signed(std::uint32_t v) {
    std::int32_t s;
    std::memcpy(&s, &v, sizeof s);
    return s;
}

std::uint32_t to_unsigned(std::int32_t s) {
    std::uint32_t v;
    std::memcpy(&v, &s, sizeof v);
    return v;
}

std::uint64_t double_bits(double d) {
    static_assert(sizeof(double) == 8, "doubles are stored as IEEE 754 binary64");
    std::uint64_t v;
    std::memcpy(&v, &d, sizeof v);
    return v;
}

double bits_double(std::uint64_t v) {
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
}

// A chain holds clones of registered prototypes only, so a label that no
// prototype has is a bug; writing some other index would corrupt the stored
// chain, hence a stop even in builds without assertions.
[[noreturn]] void unknown_label(const char* label) {
    std::fprintf(stderr, "%s:%d: pass \"%s\" is not in the repertoire\n", __FILE__, __LINE__, label);
    std::abort();
}

const char* type_name(std::int32_t tag) {
    return tag == param_int ? "integer" : tag == param_double ? "double" : "unknown";
}

bool within_range(const param_info& info, const param& value) {
    if (info.type() == param_int) return value.int_value() >= info.int_start() && value.int_value() <= info.int_end();
    // Written so that NaN is out of range.
    return value.double_value() >= info.double_start() && value.double_value() <= info.double_end();
}

bool fail(chain& passes, std::string* error, const std::string& why) {
    passes.clear();
    if (error) *error = "stored chain: " + why;
    return false;
}

}  // namespace

int pass_index(const char* label) {
    const pass_repertoire* rep = pass_repertoire::instance();
    int index = 0;
    for (const pass* p : *rep) {
        if (std::strcmp(p->label(), label) == 0) return index;
        ++index;
    }
    unknown_label(label);
}

std::unique_ptr<pass> get_pass_by_index(int index) {
    return std::unique_ptr<pass>(pass_repertoire::instance()->at(static_cast<std::size_t>(index))->clone());
}

void serialize_chain(const chain& passes, const std::vector<pass*>& prototypes, std::vector<unsigned char>& bytes) {
    bytes.clear();
    for (const pass& stored : passes) {
        const pass* p = &stored;
        std::size_t index = 0;
        while (index < prototypes.size() && std::strcmp(prototypes[index]->label(), p->label()) != 0)
            ++index;
        if (index == prototypes.size()) unknown_label(p->label());

        const std::size_t at = bytes.size();
        const unsigned n = p->nr_parameters();
        bytes.resize(at + record_head + image_size * n, 0);
        put_u32(bytes, at, to_unsigned(static_cast<std::int32_t>(index)));
        for (unsigned i = 0; i < n; ++i) {
            const param& value = p->parameter_value(i);
            const std::size_t image = at + record_head + image_size * i;
            put_u32(bytes, image, to_unsigned(value.type()));
            if (value.type() == param_int)
                put_u32(bytes, image + 8, to_unsigned(value.int_value()));
            else if (value.type() == param_double)
                put_u64(bytes, image + 8, double_bits(value.double_value()));
        }
    }
}

bool deserialize_chain(chain& passes, const std::vector<pass*>& prototypes, const std::vector<unsigned char>& bytes,
                       std::string* error) {
    passes.clear();
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::string where =
            "record " + std::to_string(passes.size() + 1) + " at byte " + std::to_string(at);
        const std::size_t left = bytes.size() - at;
        if (left < 4)
            return fail(passes, error,
                        where + ": truncated, " + std::to_string(left) +
                            " byte(s) left where a 4-byte pass index belongs");
        const std::int32_t index = to_signed(get_u32(bytes, at));
        if (index < 0 || static_cast<std::size_t>(index) >= prototypes.size())
            return fail(passes, error,
                        where + ": pass index " + std::to_string(index) +
                            " is outside the repertoire (0 to " +
                            std::to_string(static_cast<long>(prototypes.size()) - 1) + ")");

        const pass* prototype = prototypes[static_cast<std::size_t>(index)];
        const unsigned n = prototype->nr_parameters();
        const std::size_t length = record_head + image_size * n;
        if (left < length)
            return fail(passes, error,
                        where + ": truncated " + prototype->label() + " record, " +
                            std::to_string(length) + " bytes needed, " + std::to_string(left) +
                            " left");

        passes.append_clone(*prototype);
        pass* restored = &passes[passes.size() - 1];
        for (unsigned i = 0; i < n; ++i) {
            const std::size_t image = at + record_head + image_size * i;
            const std::int32_t tag = to_signed(get_u32(bytes, image));
            const std::int32_t expected = prototype->parameter_info(i).type();
            if (tag != expected)
                return fail(passes, error,
                            where + ": parameter \"" + prototype->parameter_info(i).label() +
                                "\" of " + prototype->label() + " has type tag " +
                                std::to_string(tag) + " (" + type_name(tag) + "), expected " +
                                std::to_string(expected) + " (" + type_name(expected) + ")");
            param& value = restored->parameter_value(i);
            if (tag == param_int)
                value = param(static_cast<int>(to_signed(get_u32(bytes, image + 8))));
            else
                value = param(bits_double(get_u64(bytes, image + 8)));
            // The passes rely on their parameters' ranges (a zero Sigma_S
            // would let AiNet's network grow on every pixel), and every
            // other way into a chain (the chain editor, the chain syntax)
            // keeps to them.
            if (!within_range(prototype->parameter_info(i), value))
                return fail(passes, error,
                            where + ": parameter \"" + prototype->parameter_info(i).label() + "\" of " +
                                prototype->label() + " is " + param_text(value) + "; it must be " +
                                describe_range(prototype->parameter_info(i)));
        }
        at += length;
    }
    return true;
}

void serialize_algo(const chain& passes, std::vector<unsigned char>& bytes) {
    serialize_chain(passes, registered_prototypes(), bytes);
}

bool deserialize_algo(chain& passes, const std::vector<unsigned char>& bytes, std::string* error) {
    return deserialize_chain(passes, registered_prototypes(), bytes, error);
}

}  // namespace strandel

// SPDX-License-Identifier: GPL-3.0-or-later
// What every fuzz target shares: a property that does not hold stops the
// run with a message (libFuzzer then keeps the input that broke it).
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                           \
    do {                                                                                \
        if (!(condition)) {                                                             \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                               \
        }                                                                               \
    } while (0)

// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/registration.h"

#include <mutex>

#include "evaluation/fitness_function.h"
#include "evaluation/turi.h"
#include "framework/pass.h"
#include "passes/ainet_pass.h"
#include "passes/fcm_pass.h"
#include "passes/kmeans_pass.h"
#include "passes/multi_otsu_pass.h"
#include "passes/pso_pass.h"

namespace strandel {

// Registering twice would list every algorithm twice in the chooser and
// every measure twice in the report, so only the first call counts.

void register_passes() {
    static std::once_flag done;
    std::call_once(done, [] {
        pass_repertoire* rep = pass_repertoire::instance();
        rep->add(new ainet_pass());
        rep->add(new pso_pass());
        rep->add(new fcm_pass());
        rep->add(new kmeans_pass());
        rep->add(new multi_otsu_pass());
    });
}

void register_fitness_functions() {
    static std::once_flag done;
    std::call_once(done, [] {
        fitness_function_repertoire* rep = fitness_function_repertoire::instance();
        rep->add(new turi_fitness());
        rep->add(new dunn_fitness());
        rep->add(new amrane_fitness());
        rep->add(new liu_yang_fitness());
    });
}

std::vector<pass*> registered_prototypes() {
    const pass_repertoire* rep = pass_repertoire::instance();
    return std::vector<pass*>(rep->begin(), rep->end());
}

measure_list registered_measures() {
    const fitness_function_repertoire* repertoire = fitness_function_repertoire::instance();
    return measure_list(repertoire->begin(), repertoire->end());
}

}  // namespace strandel

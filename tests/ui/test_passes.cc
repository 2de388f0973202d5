// SPDX-License-Identifier: GPL-3.0-or-later
#include "test_passes.h"

#include <memory>

#include "framework/template_pass.h"

namespace strandel {
namespace testing_ui {
namespace {

const param_info alpha_params[] = {
    param_info(1, 10, "Iterations", "How often to refine"),
    param_info(0.0, 1.0, "Weight", "Weight of the new centres"),
};
const param_info gamma_params[] = {
    param_info(0, 255, "Level", "A gray level"),
    param_info(0.5, 2.0, "Scale", "A factor"),
    param_info(2, 8, "Classes", "Number of classes"),
};

}  // namespace

counted_pass* new_alpha() {
    auto* p = new counted_pass("Alpha", alpha_params, 2);
    p->parameter_value(0).int_value() = 4;
    return p;
}

counted_pass* new_gamma() {
    auto* p = new counted_pass("Gamma", gamma_params, 3);
    p->parameter_value(0).int_value() = 128;
    p->parameter_value(1).double_value() = 1.0;
    return p;
}

void register_test_passes() {
    pass_repertoire* repertoire = pass_repertoire::instance();
    if (repertoire->size() != 0) return;
    repertoire->add(new_alpha());
    repertoire->add(new template_pass());
    repertoire->add(new_gamma());
}

chain chain_of(std::initializer_list<pass*> fresh) {
    chain made;
    for (pass* p : fresh) made.append(std::unique_ptr<pass>(p));
    return made;
}

}  // namespace testing_ui
}  // namespace strandel

// SPDX-License-Identifier: GPL-3.0-or-later
// Unsupervised measures of a segmentation, and their registry. Every measure
// is oriented so that a larger value means a better segmentation.
#pragma once

#include <vector>

#include "evaluation/classification.h"
#include "framework/histogram.h"
#include "framework/registry.h"

namespace strandel {

class fitness_function {
public:
    explicit fitness_function(const char* label) : m_label(label) {}
    virtual double operator()(const histogram& h, const std::vector<double>& centres,
                              const class_map& classes) const = 0;
    virtual ~fitness_function() = default;
    const char* label() const { return m_label; }

private:
    const char* m_label;
};

// Registry of the measures; its order is the order of the report's columns.
class fitness_function_repertoire : public registry<fitness_function_repertoire, fitness_function> {
    friend class registry<fitness_function_repertoire, fitness_function>;
};

// Weights of the Amrane criterion's two terms.
extern double w1;
extern double w2;

// The unnormalised Amrane criterion (lower is better), also the particle
// swarm's objective, and its two parts.
double max_intra_distance(const std::vector<double>& centres, const histogram& h);
double min_inter_distance(const std::vector<double>& centres);
double amrane_fitness_impl(const std::vector<double>& centres, const histogram& h);

class dunn_fitness : public fitness_function {
public:
    dunn_fitness() : fitness_function("Dunn Index") {}
    double operator()(const histogram& h, const std::vector<double>& centres,
                      const class_map& classes) const override;
};

class amrane_fitness : public fitness_function {
public:
    amrane_fitness() : fitness_function("Amrane (2005)") {}
    double operator()(const histogram& h, const std::vector<double>& centres,
                      const class_map& classes) const override;
};

class liu_yang_fitness : public fitness_function {
public:
    liu_yang_fitness() : fitness_function("Liu & Yang (inverted)") {}
    double operator()(const histogram& h, const std::vector<double>& centres,
                      const class_map& classes) const override;
};

}  // namespace strandel

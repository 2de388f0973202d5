// SPDX-License-Identifier: GPL-3.0-or-later
#include "passes/dyn_pso_pass.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <utility>

#include "passes/pso_pass.h"

namespace strandel {

namespace {

bool contains(const std::vector<double>& values, double v) {
    return std::find(values.begin(), values.end(), v) != values.end();
}

template <class T>
void print_line(const std::vector<T>& values) {
    for (T v : values) std::cout << v << ' ';
    std::cout << '\n';
}

}  // namespace

void generate_centroids(int d, std::vector<double>& pool, std::vector<cluster>& clusters) {
    pool.clear();
    std::vector<double> present;
    for (std::size_t g = 0; g < clusters.size() && g < 256; ++g)
        if (clusters[g].count != 0) present.push_back(static_cast<double>(g));
    // Only 256 distinct gray levels exist; asking for more would never end.
    const std::size_t wanted = static_cast<std::size_t>(std::clamp(d, 0, 256));
    const std::size_t p = present.size();
    while (pool.size() < wanted) {
        double candidate;
        do {
            candidate = pool.size() < p ? present[::rand() % p] : ::rand() % 256;
        } while (contains(pool, candidate));
        pool.push_back(candidate);
    }
}

dyn_particle::dyn_particle(int d, double seed, int R) : m_seed(seed) {
    const std::size_t size = static_cast<std::size_t>(std::max(d, 0));
    myrandom unit(0);
    for (std::size_t i = 0; i < size; ++i) m_current.push_back(unit() < seed);
    myrandom velocity_draw(R);
    for (std::size_t i = 0; i < size; ++i) m_velocity.push_back(velocity_draw());
    m_best = m_current;
}

void dyn_particle::print() const {
    std::cout << "Current position: \n";
    print_line(std::vector<int>(m_current.begin(), m_current.end()));
    std::cout << "current position cost: " << m_cost << '\n';
    std::cout << "Best position: \n";
    print_line(std::vector<int>(m_best.begin(), m_best.end()));
    std::cout << "Best position cost: " << m_best_cost << '\n';
    std::cout << "Velocity: \n";
    print_line(m_velocity);
    std::cout << std::string(54, '-') << '\n';
}

dyn_pso_swarm::dyn_pso_swarm(double W, double C1, double C2, int n, int d, double seed, int R,
                             std::vector<double>& pool, std::vector<cluster>& clusters,
                             turi_objective objective)
    : m_W(W), m_C1(C1), m_C2(C2), m_n(n), m_d(std::max(d, 0)), m_seed(seed), m_R(R),
      m_best_cost(0), m_pool(&pool), m_clusters(&clusters), m_objective(objective) {
    for (int i = 0; i < n; ++i) {
        dyn_particle p(m_d, seed, R);
        p.set_cost(m_objective(p.get_current_position(), pool, clusters));
        p.set_best_cost(p.get_cost());
        m_particles.push_back(std::move(p));
    }
    myrandom factor(0);
    for (int i = 0; i < m_d; ++i) m_r1.push_back(factor());
    for (int i = 0; i < m_d; ++i) m_r2.push_back(factor());

    if (m_particles.empty()) {
        // No population to search with: the best mask is all off.
        m_best_position.assign(m_d, false);
        m_best_cost = m_objective(m_best_position, pool, clusters);
        return;
    }
    m_best_cost = m_particles[0].get_best_cost();
    m_best_position = m_particles[0].get_best_position();
    for (const dyn_particle& p : m_particles)
        if (p.get_best_cost() < m_best_cost) {
            m_best_cost = p.get_best_cost();
            m_best_position = p.get_best_position();
        }
}

void dyn_pso_swarm::update_dyn_particle(dyn_particle& p) {
    std::vector<bool>& x = p.get_current_position();
    std::vector<double>& v = p.get_velocity();
    const std::vector<bool>& b = p.get_best_position();
    const std::vector<bool>& g = m_best_position;
    for (int i = 0; i < m_d; ++i) {
        const int xi = x[i], bi = b[i], gi = g[i];
        v[i] = (gi - xi) * (m_C2 * m_r2[i]) + ((bi - xi) * (m_C1 * m_r1[i]) + m_W * v[i]);
    }
    myrandom unit(0);
    for (int i = 0; i < m_d; ++i) {
        const double s = 1 / (1 + std::exp(-v[i]));
        x[i] = unit() < s;
    }
    p.set_cost(m_objective(x, *m_pool, *m_clusters));
    if (p.get_cost() < p.get_best_cost()) {
        p.get_best_position() = x;
        p.set_best_cost(p.get_cost());
    }
}

void dyn_pso_swarm::update_swarm() {
    for (dyn_particle& p : m_particles) update_dyn_particle(p);
    for (const dyn_particle& p : m_particles)
        if (p.get_best_cost() < m_best_cost) {
            m_best_cost = p.get_best_cost();
            m_best_position = p.get_best_position();
        }
}

std::vector<double> centres_from_mask(const std::vector<bool>& mask, const std::vector<double>& pool) {
    std::printf(" mask_size: %d centroid_size: %d \n", static_cast<int>(mask.size()),
                static_cast<int>(pool.size()));
    std::vector<double> centres;
    for (std::size_t j = 0; j < mask.size() && j < pool.size(); ++j)
        if (mask[j]) {
            std::printf("pushing %d\n", static_cast<int>(j));
            centres.push_back(pool[j]);
        }
    if (centres.empty()) {
        std::printf("EMPTY!!!!!!!!!\n");
        centres = {255.0, 128.0, 0.0};
    }
    return centres;
}

const param_info dyn_pso_pass::m_param_info[8] = {
    param_info(1, 100, "Number of Iterations", "Number of passes to apply"),
    param_info(0.1, 1.0, "W", "Inertia"),
    param_info(0.1, 3.0, "C1", "First constant"),
    param_info(0.1, 3.0, "C2", "Second constant"),
    param_info(5, 100, "Swarm Size", "Swarm size"),
    param_info(5, 60, "Particle Size", "Particle size"),
    param_info(0.1, 1.0, "Seed", "Seed to initialize dyn_particles"),
    param_info(1, 10, "Velocity Range", "Velocity Range"),
};

dyn_pso_pass::dyn_pso_pass() : pass("Dynamic Particle Swarm Optimization", m_param_info, 8) {}

void dyn_pso_pass::operator()(const histogram& h, std::vector<double>& centres,
                              progress_indicator* progress) const {
    const int iterations = parameter_value(0).int_value();
    const double W = parameter_value(1).double_value();
    const double C1 = parameter_value(2).double_value();
    const double C2 = parameter_value(3).double_value();
    const int n = parameter_value(4).int_value();
    const int particle_size = parameter_value(5).int_value();
    const double seed = parameter_value(6).double_value();
    const int R = parameter_value(7).int_value();

    std::vector<double> pool(centres);
    std::vector<cluster> clusters(256);
    for (unsigned g = 0; g < 256; ++g) clusters[g].count = h[g];
    if (pool.empty()) generate_centroids(particle_size, pool, clusters);
    // Masks need one bit per candidate, so a handed-over list sets their size.
    const int d = static_cast<int>(pool.size());

    dyn_pso_swarm population(W, C1, C2, n, d, seed, R, pool, clusters, fitness_turi);
    for (int i = 0; i < iterations; ++i) {
        population.update_swarm();
        if (progress) (*progress)(static_cast<double>(i) / iterations);
    }
    std::cout << "the best position: " << population.get_best_dyn_particle_cost() << std::endl;
    centres = centres_from_mask(population.get_best_dyn_particle_position(), pool);
}

}  // namespace strandel

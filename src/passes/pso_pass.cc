// SPDX-License-Identifier: GPL-3.0-or-later
#include "passes/pso_pass.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <utility>

#include "evaluation/fitness_function.h"
#include "passes/seeding.h"

namespace strandel {

namespace {

double draw(int range) {
    if (range == 0) return (::rand() % 101) / 100.0;
    const int sign = ::rand();
    const int magnitude = ::rand() % (100 * range + 1);
    return sign % 2 == 1 ? magnitude / 100.0 : magnitude / -100.0;
}

void print_line(const std::vector<double>& values) {
    for (double v : values) std::cout << v << ' ';
    std::cout << '\n';
}

}  // namespace

double random::operator()() const { return draw(m_range); }
double myrandom::operator()() const { return draw(m_range); }

particle::particle(int d, int R, const histogram& h) {
    std::vector<double> present;
    for (unsigned g = 0; g < 256; ++g)
        if (h[g] != 0) present.push_back(g);
    // Written out rather than std::shuffle so that the sequence of rand()
    // calls, and thus every run, is the same on every platform.
    for (std::size_t i = 1; i < present.size(); ++i)
        std::swap(present[i], present[::rand() % (i + 1)]);
    if (d < 0) d = 0;
    const std::size_t size = static_cast<std::size_t>(d);
    present.resize(std::min(size, present.size()));
    // An earlier pass may hand over more centres than the image has gray
    // levels: the remaining coordinates get further distinct gray levels
    // (and repeat only once all 256 are taken).
    while (present.size() < size) {
        const double g = ::rand() % 256;
        if (present.size() >= 256 || std::find(present.begin(), present.end(), g) == present.end())
            present.push_back(g);
    }
    m_current = std::move(present);

    random velocity_draw(R);
    m_velocity.reserve(size);
    for (std::size_t i = 0; i < size; ++i) m_velocity.push_back(velocity_draw());
    m_best = m_current;
}

void particle::print() const {
    std::cout << "Current position: \n";
    print_line(m_current);
    std::cout << "current position cost: " << m_cost << '\n';
    std::cout << "Best position: \n";
    print_line(m_best);
    std::cout << "Best position cost: " << m_best_cost << '\n';
    std::cout << "Velocity: \n";
    print_line(m_velocity);
    std::cout << std::string(54, '-') << '\n';
}

swarm::swarm(double W, double C1, double C2, int n, int /*particle_size*/, int R,
             std::vector<double>& centres, const histogram& h)
    : m_W(W), m_C1(C1), m_C2(C2), m_n(n), m_d(static_cast<int>(centres.size())), m_R(R),
      m_best_cost(110000.0), m_histogram(&h) {
    for (int i = 0; i < n - 1; ++i) {
        particle p(m_d, R, h);
        p.set_cost(amrane_fitness_impl(p.get_current_position(), h));
        p.set_best_cost(p.get_cost());
        m_particles.push_back(std::move(p));
    }
    // The last particle starts at the centres handed over, so the result can
    // never be worse than they are.
    particle last(m_d, R, h);
    last.get_current_position() = centres;
    last.get_best_position() = centres;
    last.set_cost(amrane_fitness_impl(centres, h));
    last.set_best_cost(last.get_cost());
    m_particles.push_back(std::move(last));

    random factor(0);
    for (int i = 0; i < m_d; ++i) m_r1.push_back(factor());
    for (int i = 0; i < m_d; ++i) m_r2.push_back(factor());

    std::size_t best_index = 0;
    for (std::size_t i = 0; i < m_particles.size(); ++i)
        if (m_particles[i].get_cost() < m_best_cost) {
            best_index = i;
            m_best_cost = m_particles[i].get_cost();
        }
    m_best_position = m_particles[best_index].get_best_position();
}

void swarm::update_particle(particle& p) {
    std::vector<double>& x = p.get_current_position();
    std::vector<double>& v = p.get_velocity();
    const std::vector<double>& b = p.get_best_position();
    const std::vector<double>& g = m_best_position;
    for (int i = 0; i < m_d; ++i)
        v[i] = (g[i] - x[i]) * (m_C2 * m_r2[i]) + ((b[i] - x[i]) * (m_C1 * m_r1[i]) + m_W * v[i]);
    for (int i = 0; i < m_d; ++i) x[i] += v[i];
    p.set_cost(amrane_fitness_impl(x, *m_histogram));
    if (p.get_cost() < p.get_best_cost()) {
        p.get_best_position() = x;
        p.set_best_cost(p.get_cost());
    }
}

void swarm::update_swarm() {
    for (particle& p : m_particles) update_particle(p);
    const particle* best = nullptr;
    for (const particle& p : m_particles)
        if (p.get_best_cost() < m_best_cost) {
            m_best_cost = p.get_best_cost();
            best = &p;
        }
    if (best) m_best_position = best->get_best_position();
}

const param_info pso_pass::m_param_info[7] = {
    param_info(1, 100, "Number of Iterations", "Number of passes to apply"),
    param_info(0.1, 1.0, "W", "Inertia"),
    param_info(0.1, 3.0, "C1", "First constant"),
    param_info(0.1, 3.0, "C2", "Second constant"),
    param_info(5, 100, "Swarm Size", "Swarm size"),
    param_info(5, 60, "Particle Size", "Partical size"),
    param_info(1, 10, "Velocity Range", "Velocity Range"),
};

pso_pass::pso_pass() : pass("Particle Swarm Optimization", m_param_info, 7) {
    parameter_value(0).int_value() = 10;
    parameter_value(1).double_value() = 0.47;
    parameter_value(2).double_value() = 1.49;
    parameter_value(3).double_value() = 1.49;
    parameter_value(4).int_value() = 20;
    parameter_value(5).int_value() = 10;
    parameter_value(6).int_value() = 5;
}

void pso_pass::operator()(const histogram& h, std::vector<double>& centres,
                          progress_indicator* progress) const {
    const int iterations = parameter_value(0).int_value();
    const double W = parameter_value(1).double_value();
    const double C1 = parameter_value(2).double_value();
    const double C2 = parameter_value(3).double_value();
    const int n = parameter_value(4).int_value();
    const int classes = parameter_value(5).int_value();
    const int R = parameter_value(6).int_value();
    seed_empty_centres(h, classes, centres);

    swarm population(W, C1, C2, n, classes, R, centres, h);
    for (int i = 0; i < iterations; ++i) {
        population.update_swarm();
        if (progress) (*progress)(static_cast<double>(i) / iterations);
    }
    centres = population.get_best_particle_position();
}

}  // namespace strandel

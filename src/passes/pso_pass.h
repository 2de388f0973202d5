// SPDX-License-Identifier: GPL-3.0-or-later
// Particle Swarm Optimization over centre lists, minimising the Amrane
// criterion, and the random-number function objects the swarms share.
#pragma once

#include <vector>

#include "framework/pass.h"

namespace strandel {

// One draw from the C library generator: with range 0 a multiple of 0.01 in
// [0, 1] (one rand() call); with range R a multiple of 0.01 in [-R, R] (two
// calls: the sign first, then the magnitude).
class random {
public:
    explicit random(int range) : m_range(range) {}
    double operator()() const;

private:
    int m_range;
};

// The same draw, for the dynamic swarm.
class myrandom {
public:
    explicit myrandom(int range) : m_range(range) {}
    double operator()() const;

private:
    int m_range;
};

// One candidate centre list with its memory and velocity.
class particle {
public:
    // A random particle: distinct present gray levels in random order (made
    // up to d with further distinct random gray levels when the image has
    // fewer), and d random velocity components in [-R, R].
    particle(int d, int R, const histogram& h);

    std::vector<double>& get_current_position() { return m_current; }
    std::vector<double>& get_best_position() { return m_best; }
    std::vector<double>& get_velocity() { return m_velocity; }
    const std::vector<double>& get_current_position() const { return m_current; }
    const std::vector<double>& get_best_position() const { return m_best; }
    const std::vector<double>& get_velocity() const { return m_velocity; }
    double get_cost() const { return m_cost; }
    void set_cost(double cost) { m_cost = cost; }
    double get_best_cost() const { return m_best_cost; }
    void set_best_cost(double cost) { m_best_cost = cost; }

    void print() const;

private:
    std::vector<double> m_current;
    std::vector<double> m_best;
    std::vector<double> m_velocity;
    double m_cost = 0;
    double m_best_cost = 0;
};

class swarm {
public:
    // n - 1 random particles and, last, one that starts at `centres`; the
    // number of coordinates is the length of `centres` (`particle_size` is
    // not used). `h` must outlive the swarm.
    swarm(double W, double C1, double C2, int n, int particle_size, int R,
          std::vector<double>& centres, const histogram& h);

    void update_particle(particle& p);
    void update_swarm();

    std::vector<double>& get_best_particle_position() { return m_best_position; }
    double get_best_cost() const { return m_best_cost; }
    int psize() const { return m_d; }
    const std::vector<particle>& particles() const { return m_particles; }

private:
    std::vector<particle> m_particles;
    std::vector<double> m_best_position;
    std::vector<double> m_r1;
    std::vector<double> m_r2;
    double m_W;
    double m_C1;
    double m_C2;
    int m_n;
    int m_d;
    int m_R;
    double m_best_cost;
    const histogram* m_histogram;
};

class pso_pass : public pass {
public:
    pso_pass();
    void operator()(const histogram& h, std::vector<double>& centres,
                    progress_indicator* progress) const override;
    pass* clone() const override { return new pso_pass(*this); }

    static const param_info m_param_info[7];
};

}  // namespace strandel

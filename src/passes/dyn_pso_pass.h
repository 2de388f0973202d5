// SPDX-License-Identifier: GPL-3.0-or-later
// A particle swarm over activity masks: it picks, from a pool of candidate
// centroids, the subset that minimises the Turi objective, and so chooses
// the number of classes by itself.
#pragma once

#include <vector>

#include "evaluation/turi.h"
#include "framework/pass.h"

namespace strandel {

// Fills `pool` with min(d, 256) distinct gray levels in drawing order: the
// image's present gray levels first (in random order), then, once all are
// used, further gray levels from 0..255. Reads only the counts of `clusters`.
void generate_centroids(int d, std::vector<double>& pool, std::vector<cluster>& clusters);

class dyn_particle {
public:
    // d random bits, each on when a draw in [0, 1] falls below `seed`, and d
    // velocity components in [-R, R].
    dyn_particle(int d, double seed, int R);

    std::vector<bool>& get_current_position() { return m_current; }
    std::vector<bool>& get_best_position() { return m_best; }
    std::vector<double>& get_velocity() { return m_velocity; }
    const std::vector<bool>& get_current_position() const { return m_current; }
    const std::vector<bool>& get_best_position() const { return m_best; }
    const std::vector<double>& get_velocity() const { return m_velocity; }
    double get_cost() const { return m_cost; }
    void set_cost(double cost) { m_cost = cost; }
    double get_best_cost() const { return m_best_cost; }
    void set_best_cost(double cost) { m_best_cost = cost; }

    void print() const;

private:
    std::vector<bool> m_current;
    std::vector<bool> m_best;
    std::vector<double> m_velocity;
    double m_seed;
    double m_cost = 0;
    double m_best_cost = 0;
};

class dyn_pso_swarm {
public:
    // `pool` and `clusters` are borrowed and must outlive the swarm; every
    // mask has d bits, one per pool entry.
    dyn_pso_swarm(double W, double C1, double C2, int n, int d, double seed, int R,
                  std::vector<double>& pool, std::vector<cluster>& clusters, turi_objective objective);

    void update_dyn_particle(dyn_particle& p);
    void update_swarm();

    std::vector<bool>& get_best_dyn_particle_position() { return m_best_position; }
    double get_best_dyn_particle_cost() const { return m_best_cost; }
    int psize() const { return m_d; }
    std::vector<dyn_particle>& particles() { return m_particles; }

private:
    std::vector<dyn_particle> m_particles;
    std::vector<bool> m_best_position;
    std::vector<double> m_r1;
    std::vector<double> m_r2;
    double m_W;
    double m_C1;
    double m_C2;
    int m_n;
    int m_d;
    double m_seed;
    int m_R;
    double m_best_cost;
    std::vector<double>* m_pool;
    std::vector<cluster>* m_clusters;
    turi_objective m_objective;
};

// The candidates switched on in `mask`, in pool order, with the traces of a
// finished run; the fixed centres 255, 128, 0 when none is on.
std::vector<double> centres_from_mask(const std::vector<bool>& mask, const std::vector<double>& pool);

class dyn_pso_pass : public pass {
public:
    dyn_pso_pass();
    void operator()(const histogram& h, std::vector<double>& centres,
                    progress_indicator* progress) const override;
    pass* clone() const override { return new dyn_pso_pass(*this); }

    static const param_info m_param_info[8];
};

}  // namespace strandel

// SPDX-License-Identifier: GPL-3.0-or-later
#include "passes/ainet_pass.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "passes/immune_system.h"

namespace strandel {

namespace {

using gray_network = immune_system<unsigned char, antibody_traits<unsigned char> >;

enum ainet_parameter { iterations_param, sigma_s_param, sigma_d_param, best_param, zeta_param };

// The thresholds are narrowed to 8 bits and N is used as an unsigned count,
// so a value outside its range would silently become another one (a "Sigma_S"
// of 256 would let the network grow on every pixel).
void check_parameters(const pass& p) {
    for (unsigned i = 0; i < p.nr_parameters(); ++i) {
        const param_info& info = p.parameter_info(i);
        const param& value = p.parameter_value(i);
        std::ostringstream error;
        error << p.label() << ": parameter \"" << info.label() << "\" ";
        if (value.type() != info.type()) {
            error << "holds a value of type " << value.type() << "; it takes type " << info.type();
            throw std::invalid_argument(error.str());
        }
        if (info.type() == param_int) {
            const int v = value.int_value();
            if (v >= info.int_start() && v <= info.int_end()) continue;
            error << "is " << v << "; it must be from " << info.int_start() << " to " << info.int_end();
        } else {
            const double v = value.double_value();
            if (v >= info.double_start() && v <= info.double_end()) continue;
            error << "is " << v << "; it must be from " << info.double_start() << " to " << info.double_end();
        }
        throw std::invalid_argument(error.str());
    }
}

void check_histogram(const char* label, const histogram& h) {
    for (unsigned g = 0; g < 256; ++g) {
        if (h[g] >= 0) continue;
        std::ostringstream error;
        error << label << ": the histogram count of gray level " << g << " is " << h[g]
              << "; a pixel count cannot be negative";
        throw std::invalid_argument(error.str());
    }
}

// Runs the pass with `present(network, gray, count)` standing for the
// presentation of `count` pixels of gray level `gray`.
template <class Presenter>
void run_ainet(const ainet_pass& p, const histogram& h, std::vector<double>& centres,
               progress_indicator* progress, Presenter present) {
    check_parameters(p);
    check_histogram(p.label(), h);
    const int iterations = p.parameter_value(iterations_param).int_value();
    gray_network network(static_cast<unsigned char>(p.parameter_value(sigma_s_param).int_value()),
                         static_cast<unsigned char>(p.parameter_value(sigma_d_param).int_value()),
                         static_cast<std::uint32_t>(p.parameter_value(best_param).int_value()),
                         p.parameter_value(zeta_param).double_value());

    double total = 0;
    for (std::int32_t count : h) total += count;

    for (double centre : centres) network.insert(ainet_seed_antibody(centre));

    for (int i = 0; i < iterations; ++i) {
        std::int64_t done = 0;
        for (unsigned g = 0; g < 256; ++g) {
            if (h[g] > 0) present(network, static_cast<unsigned char>(g), static_cast<std::uint32_t>(h[g]));
            done += h[g];
            // An image without pixels leaves nothing to do: report it done
            // rather than 0 / 0.
            if (progress) (*progress)(total > 0 ? static_cast<double>(done) / total : 1.0);
        }
    }

    centres.assign(network.begin(), network.end());
}

}  // namespace

const param_info ainet_pass::m_param_info[5] = {
    param_info(1, 10, "Number of Iterations", "Number of passes to apply"),
    param_info(10, 255, "Sigma_S", "Threshold for network suppression"),
    param_info(10, 255, "Sigma_D", "Threshold for clonal suppression"),
    param_info(3, 10, "N", "Number of best responsive antibodies to select"),
    param_info(0.3, 1.0, "Zeta (%)", "Percentage of reselected best antibodies"),
};

ainet_pass::ainet_pass() : pass("AiNet", m_param_info, 5) {
    parameter_value(sigma_s_param).int_value() = 30;
}

void ainet_pass::print() const {
    std::printf("%s %d,%d,%d,%d,%f \n", label(), parameter_value(iterations_param).int_value(),
                parameter_value(sigma_s_param).int_value(), parameter_value(sigma_d_param).int_value(),
                parameter_value(best_param).int_value(), parameter_value(zeta_param).double_value());
}

unsigned char ainet_seed_antibody(double centre) {
    // Converting a double outside the range of int is undefined, and a
    // particle swarm can hand on centres far outside it. fmod is exact, so
    // the low 8 bits of the truncated value come out right at any size:
    // from 2^61 up every double is a multiple of 256 and gives 0.
    if (!std::isfinite(centre)) return 0;
    double low = std::fmod(std::trunc(centre), 256.0);  // exact, in (-256, 256)
    if (low < 0) low += 256.0;  // two's complement, as the C cast keeps it
    return static_cast<unsigned char>(low);
}

void ainet_pass::operator()(const histogram& h, std::vector<double>& centres,
                            progress_indicator* progress) const {
    run_ainet(*this, h, centres, progress, [](gray_network& network, unsigned char gray, std::uint32_t count) {
        network.stimulate_repeatedly(gray, count);
    });
}

void ainet_present_every_pixel(const ainet_pass& pass, const histogram& h,
                               std::vector<double>& centres, progress_indicator* progress) {
    run_ainet(pass, h, centres, progress, [](gray_network& network, unsigned char gray, std::uint32_t count) {
        network.stimulate(clone_iterator<unsigned char>(gray, count), clone_iterator<unsigned char>(gray, 0));
    });
}

}  // namespace strandel

// SPDX-License-Identifier: GPL-3.0-or-later
// Built when libmatio is missing: the reader exists and says why it reads
// nothing.
#include "decoding/matlab_ground_truth.h"

namespace strandel {

matlab_ground_truth read_matlab_ground_truth(const std::string& path) {
    matlab_ground_truth result;
    result.error = "'" + path + "': this build reads no MATLAB files (it was built without libmatio; install "
                   "libmatio-dev and build again)";
    return result;
}

}  // namespace strandel

#pragma once
// Percentiles of measured times (nearest rank on the sorted sample).
#include <algorithm>
#include <cmath>
#include <vector>

namespace probe {

inline double Percentile(std::vector<double> sample, double p) {
    if (sample.empty())
        return -1;
    std::sort(sample.begin(), sample.end());
    double rank = std::ceil(p / 100.0 * static_cast<double>(sample.size()));
    size_t i = rank < 1 ? 0 : static_cast<size_t>(rank) - 1;
    return sample[std::min(i, sample.size() - 1)];
}

} // namespace probe

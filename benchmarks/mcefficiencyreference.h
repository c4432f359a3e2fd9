// The references of the efficiency table (mcefficiency.cpp) that have no closed form: long runs
// of the library with Sobol draws and control variates, each the mean of independent replicates
// at seeds 1001 .. 1000 + R, its error the replicates' standard deviation / sqrt(R):
//   ASIANAARECO T T 100 100 100 0.2 0.05 0.02, T = 499/360, 500 steps, R = 16 of 250,000 paths
//     (262,144 asked, cut by the memory limit)
//   RAINBOWMAXECO and EVERESTEO on the five assets of fiveassets.h (spots 100, 95, 105, 110, 90
//     and K = 100; notional 100), T = 1, r = 0.05, R = 32 of 1,048,576 paths
// made by
//   kzr price CODE ROWS... --sobol --control --seed S --paths N
#ifndef KZR_BENCHMARKS_MCEFFICIENCYREFERENCE_H
#define KZR_BENCHMARKS_MCEFFICIENCYREFERENCE_H

namespace mcefficiencyreference {

constexpr double asianT = 499.0 / 360;
constexpr double asian = 6.163819312591084, asianerror = 2.167944454507677e-05;
constexpr double rainbow = 29.106454371962577, rainbowerror = 1.733617357807122e-05;
constexpr double everest = 79.42726024825033, everesterror = 1.9252911861092325e-05;

}  // namespace mcefficiencyreference

#endif  // KZR_BENCHMARKS_MCEFFICIENCYREFERENCE_H

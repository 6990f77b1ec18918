#pragma once

// Timing for a machine shared with other work: CPU time of this thread (time
// spent waiting for a core does not count), the candidates of one comparison
// taking turns round by round, and the median of the rounds.

#include <time.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace Timing {

inline double ThreadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Keeps a value alive as far as the optimiser can tell.
template <typename T>
inline void Keep(const T& value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

struct Candidate {
    std::string name;
    // One run of the work; answers the bytes of its output (or input).
    std::function<size_t()> run;

    size_t bytes = 0;
    double seconds = 0;  // median CPU seconds of one run
};

// Runs every candidate once untimed, then in turns until `budget` CPU seconds
// are spent (at least `minRounds` rounds). Runs shorter than 20 ms are
// repeated within one sample.
inline void Compare(std::vector<Candidate>& candidates, double budget, int minRounds = 5) {
    std::vector<int> repeats;
    double perRound = 0;
    for (Candidate& c : candidates) {
        const double start = ThreadSeconds();
        c.bytes = c.run();
        const double once = std::max(ThreadSeconds() - start, 1e-6);
        const int n = std::max(1, static_cast<int>(0.02 / once));
        repeats.push_back(n);
        perRound += once * n;
    }
    const int rounds = std::max(minRounds, std::min(25, static_cast<int>(budget / perRound)));
    std::vector<std::vector<double>> samples(candidates.size());
    for (int r = 0; r < rounds; ++r) {
        for (size_t i = 0; i < candidates.size(); ++i) {
            const double start = ThreadSeconds();
            for (int k = 0; k < repeats[i]; ++k) Keep(candidates[i].run());
            samples[i].push_back((ThreadSeconds() - start) / repeats[i]);
        }
    }
    for (size_t i = 0; i < candidates.size(); ++i) {
        std::vector<double>& s = samples[i];
        std::nth_element(s.begin(), s.begin() + static_cast<long>(s.size() / 2), s.end());
        candidates[i].seconds = s[s.size() / 2];
    }
}

}  // namespace Timing

#include "bench/Interleave.h"

#include <algorithm>
#include <chrono>
#include <numeric>

namespace tallowby::bench {

namespace {

using Clock = std::chrono::steady_clock;

// A turn lasts this long, or its number of calls: long enough to settle,
// short enough that a noisy moment touches every contender alike.
constexpr auto kTurn = std::chrono::milliseconds(2);

double Median(std::vector<double> samples)
{
    const auto middle = samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

} // namespace

std::vector<double> Interleave(const std::vector<Contender *> &contenders,
                               const std::function<double(Contender &)> &timed, const Turns &turns,
                               std::mt19937 &random)
{
    std::vector<std::vector<double>> samples(contenders.size());
    std::vector<std::size_t> order(contenders.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto end = Clock::now() + std::chrono::duration<double>(turns.seconds);
    auto enough = [&] {
        return std::all_of(samples.begin(), samples.end(),
                           [&](const auto &kept) { return kept.size() >= static_cast<std::size_t>(turns.minimum); });
    };
    while (!enough() || Clock::now() < end) {
        std::shuffle(order.begin(), order.end(), random);
        for (const std::size_t i : order) {
            const auto start = Clock::now();
            for (int call = 0; call < turns.calls; ++call) {
                const double time = timed(*contenders[i]);
                const bool kept = call > 0 || !turns.dropFirst;
                if (kept)
                    samples[i].push_back(time);
                if (kept && Clock::now() - start >= kTurn)
                    break;
            }
        }
    }
    std::vector<double> medians;
    for (auto &kept : samples)
        medians.push_back(Median(std::move(kept)));
    return medians;
}

} // namespace tallowby::bench

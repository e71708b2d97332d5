// Times calls from another process into the running window: COM on
// Windows, the session bus on Linux. Prints the median and the spread of
// `ProfileSettingGet` round trips, in microseconds.
// usage: window_call_bench [CALLS]   (default 100; a window must be running)

#include "tools/WindowClient.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char **argv)
{
    using Clock = std::chrono::steady_clock;
    const int calls = argc > 1 ? std::atoi(argv[1]) : 100;
    if (calls <= 0) {
        std::fprintf(stderr, "usage: window_call_bench [CALLS]\n");
        return 2;
    }
    const tallowby::WindowConnection connection = tallowby::ConnectToRunningWindow();
    if (!connection.window) {
        std::fprintf(stderr, "window_call_bench: %s\n", connection.error.c_str());
        return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < calls; ++i) {
        const auto start = Clock::now();
        const tallowby::TextResult result = connection.window->ProfileSettingGet(u"BenchKey", u"default");
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (result.status.failed()) {
            std::fprintf(stderr, "window_call_bench: call %d failed: %s\n", i + 1,
                         tallowby::DescribeStatus(result.status).c_str());
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("%d calls of ProfileSettingGet: median %.0f us, 10th percentile %.0f us, 90th percentile %.0f us\n",
                calls, times[times.size() / 2], times[times.size() / 10], times[times.size() * 9 / 10]);
    return 0;
}

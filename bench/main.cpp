// Times the settings store against the file system's floor for files of a
// given number of keys. Prints one tab-separated line per figure:
//   keys  figure  value
// Times are medians in microseconds; memory is in bytes.
// usage: settings_bench [KEYS,KEYS,...] [SECONDS_PER_FIGURE]
//        settings_bench --memory KEYS

#include "bench/Floor.h"
#include "platform/HostPath.h"
#include "settings/BoundEntry.h"
#include "settings/Form1Operations.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tallowby::bench {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsPerFigure = 0.3;

double Since(Clock::time_point start) { return std::chrono::duration<double, std::micro>(Clock::now() - start).count(); }

// The median of what `timed(i)` reports, over as many runs as fit the time
// given.
double Median(const std::function<double(int)> &timed, int minimum, int maximum)
{
    std::vector<double> times;
    const auto end = Clock::now() + std::chrono::duration<double>(SecondsPerFigure);
    for (int i = 0; i < maximum && (i < minimum || Clock::now() < end); ++i)
        times.push_back(timed(i));
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

// The median time of one call, in microseconds.
double MedianMicroseconds(const std::function<void(int)> &call, int minimum = 5, int maximum = 20000)
{
    return Median([&](int i) {
        const auto start = Clock::now();
        call(i);
        return Since(start);
    }, minimum, maximum);
}

std::u16string Text(const std::string &ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string MakeFile(int keys)
{
    std::string bytes = "[ExcelData]\r\n";
    for (int i = 0; i < keys; ++i)
        bytes += "Key" + std::to_string(i) + "=Value number " + std::to_string(i) + "\r\n";
    return bytes;
}

void Print(int keys, const char *figure, double value) { std::printf("%d\t%s\t%.3f\n", keys, figure, value); }

// Writes the file of `keys` keys piece by piece, so that the benchmark holds
// no copy of it that would count against the store's memory.
void WriteFile(const std::filesystem::path &path, int keys)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[ExcelData]\r\n";
    for (int i = 0; i < keys; ++i)
        out << "Key" << i << "=Value number " << i << "\r\n";
}

// Peak memory of a get, a save, a get after a peer's change and a save of a
// new key, in a process that does nothing else.
void MeasureMemory(int keys)
{
    const auto path = platform::HostPath("C:\\MyExcelSettings.ini");
    std::filesystem::create_directories(path.parent_path());
    WriteFile(path, keys);
    const auto window = CreateWindowlessOperations();
    const std::size_t baseline = PeakMemory();
    window->ProfileSettingGet(u"Key1", u"none");
    window->ProfileSettingSave(u"Key1", u"Value Number 1");
    {
        std::fstream peer(path, std::ios::binary | std::ios::in | std::ios::out);
        peer.seekp(-3, std::ios::end);
        peer.put('X');
    }
    window->ProfileSettingGet(u"Key2", u"none");
    window->ProfileSettingSave(u"NewKey", u"Value new");
    Print(keys, "file_bytes", static_cast<double>(std::filesystem::file_size(path)));
    Print(keys, "memory_above_baseline", static_cast<double>(PeakMemory() - baseline));
}

void Measure(int keys)
{
    const auto path = platform::HostPath("C:\\MyExcelSettings.ini");
    std::filesystem::create_directories(path.parent_path());
    const std::string bytes = MakeFile(keys);
    { std::ofstream(path, std::ios::binary) << bytes; }

    const auto window = CreateWindowlessOperations();
    std::mt19937 random(keys);
    auto randomKey = [&] { return std::uniform_int_distribution<int>(0, keys - 1)(random); };

    Print(keys, "floor_stat", MedianMicroseconds([&](int) { StatFile(path); }));
    Print(keys, "floor_read", MedianMicroseconds([&](int) { ReadWholeFile(path); }));

    Print(keys, "get", MedianMicroseconds([&](int) {
              window->ProfileSettingGet(Text("Key" + std::to_string(randomKey())), u"none");
          }));

    // The bare platform call, for the store's own share of a get.
    BoundEntry<platform::GetPrivateProfileStringAFn> raw("kernel32", "GetPrivateProfileStringA");
    platform::GetPrivateProfileStringAFn get = nullptr;
    raw.Get(get);
    Print(keys, "get_raw", MedianMicroseconds([&](int) {
              char buffer[255];
              const std::string key = "Key" + std::to_string(randomKey());
              get("ExcelData", key.c_str(), "none", buffer, sizeof buffer, "C:\\MyExcelSettings.ini");
          }));

    // A get right after another process's change: the file is rewritten
    // between calls, as a peer would.
    std::string changed = bytes;
    changed[changed.size() - 3] = 'X'; // same size, other content
    Print(keys, "get_after_change", Median([&](int i) {
              { std::ofstream(path, std::ios::binary) << (i % 2 ? bytes : changed); }
              const auto start = Clock::now();
              window->ProfileSettingGet(Text("Key" + std::to_string(randomKey())), u"none");
              return Since(start);
          }, 5, 200));

    // Each save changes its key's value, keeping the file's size.
    std::vector<bool> flipped(static_cast<std::size_t>(keys));
    Print(keys, "save_existing", MedianMicroseconds([&](int) {
              const int key = randomKey();
              const bool flip = !flipped[static_cast<std::size_t>(key)];
              flipped[static_cast<std::size_t>(key)] = flip;
              window->ProfileSettingSave(Text("Key" + std::to_string(key)),
                                         Text((flip ? "Value Number " : "Value number ") + std::to_string(key)));
          }, 5, 2000));
    Print(keys, "save_new", MedianMicroseconds([&](int i) {
              window->ProfileSettingSave(Text("New" + std::to_string(i)), u"Value new");
          }, 5, 2000));

    const std::string current = ReadWholeFile(path);
    Print(keys, "floor_replace", MedianMicroseconds([&](int) { DurableReplace(path, current); }, 5, 2000));
}

} // namespace
} // namespace tallowby::bench

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "--memory") {
        tallowby::bench::MeasureMemory(std::atoi(argv[2]));
        return 0;
    }
    std::vector<int> sizes = {10, 1000, 10000, 100000};
    if (argc > 1) {
        sizes.clear();
        std::stringstream list(argv[1]);
        for (std::string item; std::getline(list, item, ',');)
            sizes.push_back(std::atoi(item.c_str()));
    }
    if (argc > 2)
        tallowby::bench::SecondsPerFigure = std::atof(argv[2]);
    for (const int keys : sizes)
        tallowby::bench::Measure(keys);
    return 0;
}

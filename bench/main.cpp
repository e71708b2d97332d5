// Times the settings store side by side with the INI libraries a user might
// pick instead and with the file system's floor, for a file of a given
// number of keys. Prints one tab-separated line per figure and contender:
//   keys  figure  contender  value
// Times are medians in microseconds; memory is in bytes.
// usage: settings_bench [KEYS,KEYS,...] [SECONDS_PER_FIGURE_AND_CONTENDER]
//        settings_bench --startup [SECONDS_PER_CONTENDER]   program start, on 50 keys
//        settings_bench --memory KEYS [CONTENDER]
//        settings_bench --repeat KEYS CONTENDER CALLS   unchanged gets alone, to count under callgrind

#include "bench/Contender.h"
#include "bench/Floor.h"
#include "bench/Interleave.h"
#include "tests/support/HostPath.h"
#ifdef TALLOWBY_BENCH_PEERS
#include "bench/peers/Peers.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tallowby::bench {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsPerFigure = 0.3;

// Past the moment in which a keeper would distrust a just-changed file, and
// the store's wait for a file another program has just written.
constexpr auto kAged = std::chrono::milliseconds(50);

// A program's use of its settings: it reads this many of a file of
// kStartupKeys and saves one.
constexpr int kStartupKeys = 50;
constexpr int kStartupGets = 20;

double Since(Clock::time_point start) { return std::chrono::duration<double, std::micro>(Clock::now() - start).count(); }

std::string MakeFile(int keys)
{
    std::string bytes = "[ExcelData]\r\n";
    for (int i = 0; i < keys; ++i)
        bytes += "Key" + std::to_string(i) + "=Value number " + std::to_string(i) + "\r\n";
    return bytes;
}

// Writes the file in place, as a program that truncates and rewrites it.
void WriteInPlace(const std::filesystem::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Writes the file of `keys` keys piece by piece, so that the benchmark holds
// no copy of it that would count against a contender's memory.
void WriteFile(const std::filesystem::path &path, int keys)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "[ExcelData]\r\n";
    for (int i = 0; i < keys; ++i)
        out << "Key" << i << "=Value number " << i << "\r\n";
}

void Print(int keys, const char *figure, const std::string &contender, double value)
{
    std::printf("%d\t%s\t%s\t%.3f\n", keys, figure, contender.c_str(), value);
}

std::filesystem::path SettingsFile() { return test::SettingsPath(); }

std::vector<std::string> ContenderNames()
{
#ifdef TALLOWBY_BENCH_PEERS
    return {"ours", "bare", "qsettings", "simpleini", "inih", "floor"};
#else
    return {"ours", "bare", "floor"};
#endif
}

// Each contender keeps its own file beside the settings file; ours and the
// bare call beneath it share the settings file itself.
std::filesystem::path OwnFile(const std::string &name)
{
    return name == "ours" || name == "bare" ? SettingsFile() : SettingsFile().parent_path() / (name + ".ini");
}

std::unique_ptr<Contender> MakeContender(const std::string &name)
{
    const auto file = OwnFile(name);
    if (name == "ours")
        return MakeOurs(file);
    if (name == "bare")
        return MakeBare(file);
    if (name == "floor")
        return MakeFloor(file);
#ifdef TALLOWBY_BENCH_PEERS
    if (name == "qsettings")
        return MakeQSettingsPeer(file);
    if (name == "simpleini")
        return MakeSimpleIniPeer(file);
    if (name == "inih")
        return MakeInihPeer(file);
#endif
    throw std::invalid_argument("no contender " + name);
}

// Touches more memory than the CPU's caches hold, so that the next call
// finds none of its own data there: twice the largest cache, at least 64 MiB
// and at most 512 MiB, which a 32-bit process can still allocate.
class CacheFlusher {
public:
    std::size_t Bytes() const { return junk_.size(); }

    void operator()()
    {
        unsigned sum = 0;
        for (std::size_t i = 0; i < junk_.size(); i += 64)
            sum += ++junk_[i];
        sink_ = sum;
    }

private:
    std::vector<unsigned char> junk_ =
        std::vector<unsigned char>(std::clamp<std::size_t>(2 * LargestCacheBytes(), 64u << 20, 512u << 20));
    volatile unsigned sink_ = 0;
};

// Peak memory of a get, a save, a get after another program's change and a
// save of a new key, in a process that does nothing else.
void MeasureMemory(int keys, const std::string &name)
{
    const auto path = OwnFile(name);
    std::filesystem::create_directories(path.parent_path());
    WriteFile(path, keys);
    Print(keys, "file_bytes", name, static_cast<double>(std::filesystem::file_size(path)));
    const auto contender = MakeContender(name);
    const std::size_t baseline = PeakMemory();
    contender->Get("Key1");
    if (contender->Saves())
        contender->Save("Key1", "Value Number 1");
    {
        std::fstream peer(path, std::ios::binary | std::ios::in | std::ios::out);
        peer.seekp(-3, std::ios::end);
        peer.put('X');
    }
    contender->Get("Key2");
    if (contender->Saves())
        contender->Save("NewKey", "Value new");
    Print(keys, "memory", name, static_cast<double>(PeakMemory() - baseline));
}

// Unchanged gets of one contender and nothing else, to count their
// instructions under callgrind: the count with CALLS gets less the count
// with none is theirs.
void RepeatGets(int keys, const std::string &name, int calls)
{
    const auto path = OwnFile(name);
    std::filesystem::create_directories(path.parent_path());
    WriteFile(path, keys);
    std::this_thread::sleep_for(kAged);
    const auto contender = MakeContender(name);
    const std::string key = "Key" + std::to_string(keys / 2);
    const std::string expected = "Value number " + std::to_string(keys / 2);
    int wrong = contender->Get(key) != expected; // the read of the file
    for (int i = 0; i < calls; ++i)
        wrong += contender->Get(key) != expected;
    if (wrong != 0)
        throw std::runtime_error(name + " read another value for " + key);
}

class Race {
public:
    explicit Race(int keys) : keys_(keys), bytes_(MakeFile(keys)), random_(static_cast<unsigned>(keys))
    {
        std::filesystem::create_directories(SettingsFile().parent_path());
        for (const auto &name : ContenderNames()) {
            WriteInPlace(OwnFile(name), bytes_);
            all_.push_back(MakeContender(name));
        }
        // The other program's change, detectable by size: the last value
        // gains a letter.
        changed_ = bytes_.substr(0, bytes_.size() - 2) + "X\r\n";
    }

    void Run()
    {
        Figure("get", Pick([](const Contender &) { return true; }), [&](Contender &c) { return TimedGet(c); });
        Figure("get_changed", Pick([](const Contender &c) { return c.kind() != Contender::Kind::Bare; }),
               [&](Contender &c) { return TimedGetChanged(c); });
        Stale();
        const auto saving = Pick([](const Contender &c) { return c.Saves(); });
        for (Contender *c : saving)
            Print(keys_, "flushes", c->Name(), c->Flushes() ? 1 : 0);
        Figure("save_existing", saving, [&](Contender &c) { return TimedSave(c); });
        CacheFlusher flush;
        Print(keys_, "flush_bytes", "all", static_cast<double>(flush.Bytes()));
        Figure("save_cold", saving, [&](Contender &c) {
            flush();
            return TimedSave(c);
        }, false);
        int added = 0;
        Figure("save_new", saving, [&](Contender &c) {
            const auto start = Clock::now();
            c.Save("New" + std::to_string(++added), "Value new");
            return Since(start);
        });
    }

    // A program starts (a fresh contender on a file it has not read), reads
    // settings spread over the file and saves one of them, in turns of one
    // start each. Before its next start, the contender's file is written
    // again by another program and left to age. inih cannot save: it only
    // reads. The floor, values aside, reads the file once and writes it
    // durably as it reads it.
    void StartupUse()
    {
        std::vector<std::string> names, expected;
        for (int i = 0; i < kStartupGets; ++i) {
            const int key = i * keys_ / kStartupGets;
            names.push_back("Key" + std::to_string(key));
            expected.push_back("Value number " + std::to_string(key));
        }
        const std::string saved = names[kStartupGets / 2];
        const std::string value = "Value Number " + saved.substr(3);
        const auto starting = Pick([](const Contender &c) { return c.kind() != Contender::Kind::Bare; });
        for (Contender *c : starting) {
            Print(keys_, "startup_saves", c->Name(), c->Saves() ? 1 : 0);
            if (c->Saves())
                Print(keys_, "flushes", c->Name(), c->Flushes() ? 1 : 0);
        }
        Reset();
        std::map<const Contender *, Clock::time_point> aged;
        std::vector<std::string> got(names.size());
        const Turns turns{SecondsPerFigure * static_cast<double>(starting.size()), 5, false, 1};
        const auto medians = Interleave(starting, [&](Contender &c) {
            std::this_thread::sleep_until(aged[&c]);
            const auto start = Clock::now();
            if (c.kind() == Contender::Kind::Floor) {
                CopyDurably(c.File());
            } else {
                auto fresh = MakeContender(c.Name());
                for (std::size_t i = 0; i < names.size(); ++i)
                    got[i] = fresh->Get(names[i]);
                if (fresh->Saves())
                    fresh->Save(saved, value);
                fresh.reset();
            }
            const double time = Since(start);
            for (std::size_t i = 0; i < names.size(); ++i)
                Expect(c, got[i], expected[i]);
            WriteInPlace(c.File(), bytes_);
            aged[&c] = Clock::now() + kAged;
            return time;
        }, turns, random_);
        for (std::size_t i = 0; i < starting.size(); ++i)
            Print(keys_, "startup_use", starting[i]->Name(), medians[i]);
    }

private:
    template <typename Filter>
    std::vector<Contender *> Pick(Filter keep)
    {
        std::vector<Contender *> picked;
        for (const auto &c : all_)
            if (keep(*c))
                picked.push_back(c.get());
        return picked;
    }

    // Puts every file back as it was and lets it age past the moment in
    // which a keeper would distrust a just-changed file.
    void Reset()
    {
        for (const auto &name : ContenderNames())
            WriteInPlace(OwnFile(name), bytes_);
        flipped_.clear(); // each save must change its value again
        std::this_thread::sleep_for(kAged);
    }

    void Figure(const char *figure, const std::vector<Contender *> &contenders,
                const std::function<double(Contender &)> &timed, bool dropFirst = true)
    {
        Reset();
        for (Contender *c : contenders)
            c->Get("Key0"); // each reads the file as it now is, untimed
        const Turns turns{SecondsPerFigure * static_cast<double>(contenders.size()), 5, dropFirst};
        const auto medians = Interleave(contenders, timed, turns, random_);
        for (std::size_t i = 0; i < contenders.size(); ++i)
            Print(keys_, figure, contenders[i]->Name(), medians[i]);
    }

    int RandomKey() { return std::uniform_int_distribution<int>(0, keys_ - 1)(random_); }

    static void Expect(const Contender &c, const std::string &got, const std::string &expected)
    {
        if (c.kind() != Contender::Kind::Floor && got != expected)
            throw std::runtime_error(c.Name() + " read \"" + got + "\" for \"" + expected + "\"");
    }

    double TimedGet(Contender &c)
    {
        const int key = RandomKey();
        const std::string name = "Key" + std::to_string(key);
        const auto start = Clock::now();
        const std::string value = c.Get(name);
        const double time = Since(start);
        Expect(c, value, "Value number " + std::to_string(key));
        return time;
    }

    // Another program changes the file, then the contender reads the value
    // that changed.
    double TimedGetChanged(Contender &c)
    {
        const bool grow = (flips_[&c] ^= true);
        WriteInPlace(c.File(), grow ? changed_ : bytes_);
        const std::string last = "Key" + std::to_string(keys_ - 1);
        const auto start = Clock::now();
        const std::string value = c.GetChanged(last);
        const double time = Since(start);
        Expect(c, value, "Value number " + std::to_string(keys_ - 1) + (grow ? "X" : ""));
        return time;
    }

    // How many gets return the old value right after another program
    // changed the file in place, keeping its size.
    void Stale()
    {
        Reset();
        const std::string last = "Key" + std::to_string(keys_ - 1);
        const std::size_t at = bytes_.size() - 2 - ("Value number " + std::to_string(keys_ - 1)).size();
        for (const auto &c : all_) {
            if (c->kind() != Contender::Kind::Store)
                continue;
            std::string bytes = bytes_;
            int trials = 0, missed = 0;
            const auto end = Clock::now() + std::chrono::duration<double>(SecondsPerFigure);
            for (; trials < 200 && (trials < 10 || Clock::now() < end); ++trials) {
                c->Get(last);
                bytes[at] = static_cast<char>('A' + trials % 26);
                WriteInPlace(c->File(), bytes);
                if (c->Get(last) != bytes.substr(at, bytes.size() - 2 - at))
                    ++missed;
            }
            Print(keys_, "stale", c->Name(), missed);
            Print(keys_, "stale_trials", c->Name(), trials);
        }
    }

    // Changes a random key's value, keeping the file's size.
    double TimedSave(Contender &c)
    {
        auto &flipped = flipped_[&c];
        flipped.resize(static_cast<std::size_t>(keys_));
        const int key = RandomKey();
        const bool flip = !flipped[static_cast<std::size_t>(key)];
        flipped[static_cast<std::size_t>(key)] = flip;
        const std::string value = (flip ? "Value Number " : "Value number ") + std::to_string(key);
        const auto start = Clock::now();
        c.Save("Key" + std::to_string(key), value);
        return Since(start);
    }

    int keys_;
    std::string bytes_;
    std::string changed_;
    std::mt19937 random_;
    std::vector<std::unique_ptr<Contender>> all_;
    std::map<const Contender *, bool> flips_;
    std::map<const Contender *, std::vector<bool>> flipped_;
};

} // namespace
} // namespace tallowby::bench

int main(int argc, char **argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--memory") {
        tallowby::bench::MeasureMemory(std::atoi(argv[2]), argc > 3 ? argv[3] : "ours");
        return 0;
    }
    const bool startup = argc > 1 && std::string(argv[1]) == "--startup";
    std::vector<int> sizes = {10, 1000, 10000, 100000};
    if (startup) {
        sizes = {tallowby::bench::kStartupKeys};
    } else if (argc > 1) {
        sizes.clear();
        std::stringstream list(argv[1]);
        for (std::string item; std::getline(list, item, ',');)
            sizes.push_back(std::atoi(item.c_str()));
    }
    if (argc > 2)
        tallowby::bench::SecondsPerFigure = std::atof(argv[2]);
    try {
        if (argc >= 5 && std::string(argv[1]) == "--repeat") {
            tallowby::bench::RepeatGets(std::atoi(argv[2]), argv[3], std::atoi(argv[4]));
            return 0;
        }
        for (const int keys : sizes) {
            tallowby::bench::Race race(keys);
            if (startup)
                race.StartupUse();
            else
                race.Run();
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "settings_bench: %s\n", error.what());
        return 1;
    }
    return 0;
}

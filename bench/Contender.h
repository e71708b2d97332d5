#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace tallowby::bench {

// One keeper of the settings file, timed side by side with the others: our
// store, a library a user might pick instead (a peer), or the file system
// alone (the floor). Each keeps its own copy of the file, which the
// benchmark changes as another program would.
class Contender {
public:
    enum class Kind {
        Store, // reads values and keeps them as fresh as it can
        Bare,  // the private-profile call beneath our store: gets only
        Floor, // the file system's cost of the same work, values aside
    };

    Contender(std::string name, Kind kind, std::filesystem::path file)
        : name_(std::move(name)), kind_(kind), file_(std::move(file))
    {
    }
    virtual ~Contender() = default;
    Contender(const Contender &) = delete;
    Contender &operator=(const Contender &) = delete;

    const std::string &Name() const { return name_; }
    Kind kind() const { return kind_; }
    const std::filesystem::path &File() const { return file_; }

    // The value under `key` in section ExcelData, or "none". The floor
    // stats the file and returns "".
    virtual std::string Get(const std::string &key) = 0;
    // The first get after another program changed the file; the floor reads
    // the file through one reused buffer.
    virtual std::string GetChanged(const std::string &key) { return Get(key); }
    // Stores `value` under `key` and writes the file; only when Saves().
    // Throws when the write fails.
    virtual void Save(const std::string &key, const std::string &value);
    virtual bool Saves() const { return false; }
    // Whether a save has flushed the file's bytes to disk when it returns.
    virtual bool Flushes() const { return false; }

private:
    std::string name_;
    Kind kind_;
    std::filesystem::path file_;
};

// Our store through the window's operations; its file is the settings file,
// whose host path is `file`.
std::unique_ptr<Contender> MakeOurs(const std::filesystem::path &file);
// GetPrivateProfileStringA on the settings file, without the store around it.
std::unique_ptr<Contender> MakeBare(const std::filesystem::path &file);
// Stat, read and durable replace of `file`, which must exist (bench/Floor.h).
std::unique_ptr<Contender> MakeFloor(const std::filesystem::path &file);

} // namespace tallowby::bench

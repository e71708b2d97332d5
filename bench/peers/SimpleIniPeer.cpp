#include "bench/peers/Peers.h"

// Debian builds SimpleIni with ICU's converter.
#define SI_CONVERT_ICU
#include <SimpleIni.h>

#include <stdexcept>
#include <sys/stat.h>

namespace tallowby::bench {
namespace {

bool SameTime(const timespec &a, const timespec &b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

class SimpleIniPeer final : public Contender {
public:
    explicit SimpleIniPeer(const std::filesystem::path &file) : Contender("simpleini", Kind::Store, file) {}

    std::string Get(const std::string &key) override
    {
        Refresh();
        return ini_.GetValue("ExcelData", key.c_str(), "none");
    }

    void Save(const std::string &key, const std::string &value) override
    {
        Refresh();
        ini_.SetValue("ExcelData", key.c_str(), value.c_str());
        if (ini_.SaveFile(File().c_str()) < 0 || ::stat(File().c_str(), &seen_) != 0)
            throw std::runtime_error("simpleini: save failed");
    }
    bool Saves() const override { return true; }
    // SaveFile truncates the file and writes it in place, unflushed.
    bool Flushes() const override { return false; }

private:
    // What a user who wants other programs' changes does: load the file
    // again when its identity, size or times differ from the last load.
    void Refresh()
    {
        struct stat now {};
        if (::stat(File().c_str(), &now) != 0)
            throw std::runtime_error("simpleini: stat failed");
        if (loaded_ && now.st_ino == seen_.st_ino && now.st_size == seen_.st_size &&
            SameTime(now.st_mtim, seen_.st_mtim) && SameTime(now.st_ctim, seen_.st_ctim))
            return;
        ini_.Reset();
        if (ini_.LoadFile(File().c_str()) < 0)
            throw std::runtime_error("simpleini: load failed");
        seen_ = now;
        loaded_ = true;
    }

    CSimpleIniA ini_;
    struct stat seen_ {};
    bool loaded_ = false;
};

} // namespace

std::unique_ptr<Contender> MakeSimpleIniPeer(const std::filesystem::path &file)
{
    return std::make_unique<SimpleIniPeer>(file);
}

} // namespace tallowby::bench

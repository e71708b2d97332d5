#include "bench/Contender.h"

#include "bench/Floor.h"
#include "settings/BoundEntry.h"
#include "settings/Form1Operations.h"
#include "tests/support/HostPath.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tallowby::bench {

void Contender::Save(const std::string &, const std::string &) { throw std::logic_error(name_ + " cannot save"); }

namespace {

std::u16string Wide(const std::string &ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::string Narrow(const std::u16string &ascii)
{
    std::string text(ascii.size(), '\0');
    for (std::size_t i = 0; i < ascii.size(); ++i)
        text[i] = static_cast<char>(ascii[i]);
    return text;
}

class Ours final : public Contender {
public:
    explicit Ours(const std::filesystem::path &file)
        : Contender("ours", Kind::Store, file), window_(CreateWindowlessOperations())
    {
    }

    std::string Get(const std::string &key) override
    {
        return Narrow(window_->ProfileSettingGet(Wide(key), u"none").text);
    }

    void Save(const std::string &key, const std::string &value) override
    {
        if (window_->ProfileSettingSave(Wide(key), Wide(value)).failed())
            throw std::runtime_error("our save failed");
    }
    bool Saves() const override { return true; }
    bool Flushes() const override { return true; }

private:
    Ref<Form1Interface> window_;
};

class Bare final : public Contender {
public:
    explicit Bare(const std::filesystem::path &file) : Contender("bare", Kind::Bare, file)
    {
        if (entry_.Get(get_).failed())
            throw std::runtime_error("cannot bind GetPrivateProfileStringA");
    }

    std::string Get(const std::string &key) override
    {
        char buffer[255];
        const auto count =
            get_("ExcelData", key.c_str(), "none", buffer, sizeof buffer, test::SettingsFileName().c_str());
        return std::string(buffer, count);
    }

private:
    BoundEntry<platform::GetPrivateProfileStringAFn> entry_{"kernel32", "GetPrivateProfileStringA"};
    platform::GetPrivateProfileStringAFn get_ = nullptr;
};

// Bytes of the file as they are now, for a floor that holds them as a store
// would after its read.
std::string ReadBytes(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FloorOnly final : public Contender {
public:
    explicit FloorOnly(const std::filesystem::path &file)
        : Contender("floor", Kind::Floor, file), bytes_(ReadBytes(file))
    {
    }

    std::string Get(const std::string &) override
    {
        StatFile(File());
        return {};
    }
    std::string GetChanged(const std::string &) override
    {
        ReadThrough(File());
        return {};
    }
    // Any save writes the whole file once from what the floor holds, as a
    // store that has read the file need not read it again.
    void Save(const std::string &, const std::string &) override { DurableReplace(File(), bytes_); }
    bool Saves() const override { return true; }
    bool Flushes() const override { return true; }

private:
    std::string bytes_;
};

} // namespace

std::unique_ptr<Contender> MakeOurs(const std::filesystem::path &file) { return std::make_unique<Ours>(file); }
std::unique_ptr<Contender> MakeBare(const std::filesystem::path &file) { return std::make_unique<Bare>(file); }
std::unique_ptr<Contender> MakeFloor(const std::filesystem::path &file) { return std::make_unique<FloorOnly>(file); }

} // namespace tallowby::bench

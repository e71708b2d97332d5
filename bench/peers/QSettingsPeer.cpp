#include "bench/peers/Peers.h"

#include <QSettings>
#include <QString>

#include <stdexcept>

namespace tallowby::bench {
namespace {

class QSettingsPeer final : public Contender {
public:
    explicit QSettingsPeer(const std::filesystem::path &file)
        : Contender("qsettings", Kind::Store, file),
          settings_(QString::fromStdString(file.string()), QSettings::IniFormat)
    {
    }

    std::string Get(const std::string &key) override
    {
        // Reads the file again when its size or modification time changed.
        settings_.sync();
        return settings_.value(Name(key), QStringLiteral("none")).toString().toStdString();
    }

    void Save(const std::string &key, const std::string &value) override
    {
        settings_.setValue(Name(key), QString::fromStdString(value));
        settings_.sync();
        if (settings_.status() != QSettings::NoError)
            throw std::runtime_error("qsettings: save failed");
    }
    bool Saves() const override { return true; }
    // QSaveFile: fdatasync, then rename over the file.
    bool Flushes() const override { return true; }

private:
    static QString Name(const std::string &key) { return QStringLiteral("ExcelData/") + QString::fromStdString(key); }

    QSettings settings_;
};

} // namespace

std::unique_ptr<Contender> MakeQSettingsPeer(const std::filesystem::path &file)
{
    return std::make_unique<QSettingsPeer>(file);
}

} // namespace tallowby::bench

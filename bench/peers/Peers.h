#pragma once

#include "bench/Contender.h"

namespace tallowby::bench {

// The INI libraries a user might pick instead of our store, each on its own
// copy of the file at `file`, used through its public interface as its
// documentation suggests.

// QSettings in IniFormat, synced before each read so that it reads another
// program's change; a save is setValue and sync.
std::unique_ptr<Contender> MakeQSettingsPeer(const std::filesystem::path &file);
// SimpleIni's CSimpleIniA, loaded again whenever the file's stat changed; a
// save is SetValue and SaveFile.
std::unique_ptr<Contender> MakeSimpleIniPeer(const std::filesystem::path &file);
// inih's ini_parse, streaming the file on every get; it cannot save.
std::unique_ptr<Contender> MakeInihPeer(const std::filesystem::path &file);

} // namespace tallowby::bench

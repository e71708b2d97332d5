#pragma once

#include <filesystem>
#include <string>

namespace tallowby::bench {

// What the file system alone costs for the settings file: the floor any
// store of it stands on.
void StatFile(const std::filesystem::path &path);
std::string ReadWholeFile(const std::filesystem::path &path);
// Writes `bytes` beside `path`, flushes them to disk and renames them over it.
void DurableReplace(const std::filesystem::path &path, const std::string &bytes);

// Peak resident memory of the process so far, in bytes (0 where unknown).
std::size_t PeakMemory();

// Size of the CPU's largest cache, in bytes (0 where unknown).
std::size_t LargestCacheBytes();

} // namespace tallowby::bench

#pragma once

#include <filesystem>
#include <string>

namespace tallowby::bench {

// What the file system alone costs for the settings file: the floor any
// store of it stands on. Each throws when the file system refuses.
void StatFile(const std::filesystem::path &path);
// Reads the file through one buffer used again and again, keeping nothing.
void ReadThrough(const std::filesystem::path &path);
// Writes `bytes` beside `path`, flushes them to disk, renames them over it
// and flushes the folder where the platform can.
void DurableReplace(const std::filesystem::path &path, const std::string &bytes);
// The same with the file's own bytes, each chunk written as it is read
// through one reused buffer: the least a save by a new reader costs.
void CopyDurably(const std::filesystem::path &path);

// Peak resident memory of the process so far, in bytes (0 where unknown).
std::size_t PeakMemory();

// Size of the CPU's largest cache, in bytes (0 where unknown).
std::size_t LargestCacheBytes();

} // namespace tallowby::bench

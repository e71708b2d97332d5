#include "bench/Floor.h"

#include "bench/floor_calls.h"

#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallowby::bench {

void StatFile(const std::filesystem::path &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw std::runtime_error("stat failed");
}

void ReadThrough(const std::filesystem::path &path)
{
    if (floor_read(path.c_str(), -1) != 0)
        throw std::system_error(errno, std::generic_category(), "floor read");
}

void DurableReplace(const std::filesystem::path &path, const std::string &bytes)
{
    if (floor_replace(path.c_str(), bytes.data(), bytes.size()) != 0)
        throw std::system_error(errno, std::generic_category(), "floor replace");
}

void CopyDurably(const std::filesystem::path &path)
{
    if (floor_copy(path.c_str()) != 0)
        throw std::system_error(errno, std::generic_category(), "floor copy");
}

std::size_t PeakMemory()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

std::size_t LargestCacheBytes()
{
    const long bytes = ::sysconf(_SC_LEVEL3_CACHE_SIZE);
    return bytes > 0 ? static_cast<std::size_t>(bytes) : 0;
}

} // namespace tallowby::bench

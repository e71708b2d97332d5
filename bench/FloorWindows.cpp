#include "bench/Floor.h"

#include "platform/windows/KernelHandle.h"

#include <windows.h>
#include <psapi.h>

#include <stdexcept>
#include <vector>

namespace tallowby::bench {

void StatFile(const std::filesystem::path &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        throw std::runtime_error("stat failed");
}

namespace {

using platform::UniqueFileHandle;

// As the C floor's chunk: large enough that a read costs little more than
// its copy, small enough to stay in the caches.
constexpr DWORD kChunk = 64 * 1024;

UniqueFileHandle OpenToRead(const std::filesystem::path &path)
{
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    if (!file)
        throw std::runtime_error("open failed");
    return file;
}

// Has `fill` write the new bytes into a copy beside `path`, then flushes the
// copy and moves it over `path`.
template <typename Fill>
void ReplaceWith(const std::filesystem::path &path, Fill fill)
{
    const std::wstring temporary = path.wstring() + L".floor";
    {
        UniqueFileHandle copy(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!copy)
            throw std::runtime_error("create failed");
        if (!fill(copy.get()) || !::FlushFileBuffers(copy.get()) || !::CloseHandle(copy.release()))
            throw std::runtime_error("write failed");
    }
    if (!::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw std::runtime_error("durable replace failed");
}

bool WriteAll(HANDLE file, const char *bytes, std::size_t size)
{
    DWORD written = 0;
    return ::WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

} // namespace

void ReadThrough(const std::filesystem::path &path)
{
    char buffer[kChunk];
    const UniqueFileHandle file = OpenToRead(path);
    DWORD read = 0;
    do {
        if (!::ReadFile(file.get(), buffer, kChunk, &read, nullptr))
            throw std::runtime_error("read failed");
    } while (read > 0);
}

void DurableReplace(const std::filesystem::path &path, const std::string &bytes)
{
    ReplaceWith(path, [&](HANDLE copy) { return WriteAll(copy, bytes.data(), bytes.size()); });
}

void CopyDurably(const std::filesystem::path &path)
{
    ReplaceWith(path, [&](HANDLE copy) {
        // Closed before the move, which a handle without delete sharing blocks.
        const UniqueFileHandle file = OpenToRead(path);
        char buffer[kChunk];
        for (;;) {
            DWORD read = 0;
            if (!::ReadFile(file.get(), buffer, kChunk, &read, nullptr))
                return false;
            if (read == 0)
                return true;
            if (!WriteAll(copy, buffer, read))
                return false;
        }
    });
}

std::size_t PeakMemory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return counters.PeakWorkingSetSize;
}

std::size_t LargestCacheBytes()
{
    DWORD bytes = 0;
    ::GetLogicalProcessorInformation(nullptr, &bytes);
    std::vector<SYSTEM_LOGICAL_PROCESSOR_INFORMATION> entries(bytes / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION));
    if (entries.empty() || !::GetLogicalProcessorInformation(entries.data(), &bytes))
        return 0;
    std::size_t largest = 0;
    for (const auto &entry : entries)
        if (entry.Relationship == RelationCache && entry.Cache.Size > largest)
            largest = entry.Cache.Size;
    return largest;
}

} // namespace tallowby::bench

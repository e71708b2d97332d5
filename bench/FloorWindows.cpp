#include "bench/Floor.h"

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

std::string ReadWholeFile(const std::filesystem::path &path)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("open failed");
    std::string bytes(static_cast<std::size_t>(::GetFileSize(file, nullptr)), '\0');
    DWORD read = 0;
    const BOOL ok = ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    ::CloseHandle(file);
    if (!ok)
        throw std::runtime_error("read failed");
    bytes.resize(read);
    return bytes;
}

void DurableReplace(const std::filesystem::path &path, const std::string &bytes)
{
    const std::wstring temporary = path.wstring() + L".floor";
    HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("create failed");
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    ::FlushFileBuffers(file);
    ::CloseHandle(file);
    if (!ok || !::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw std::runtime_error("durable replace failed");
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

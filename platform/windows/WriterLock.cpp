#include "platform/windows/WriterLock.h"

#include "platform/Win32Error.h"
#include "platform/windows/KernelHandle.h"

#include <string>
#include <utility>

namespace tallowby::platform {

namespace {

using Clock = std::chrono::steady_clock;

// One mutex per settings file among the programs of the user's logon
// (the Local\ namespace): the path with ASCII letters upper-cased, as the
// file system compares them, and backslashes turned to slashes, which a
// kernel object's name may not hold.
std::string MutexName(const char *ansiPath)
{
    std::string name = "Local\\Tallowby.SettingsWriter:";
    for (const char *c = ansiPath; *c != '\0'; ++c)
        name += *c == '\\' ? '/' : (*c >= 'a' && *c <= 'z') ? static_cast<char>(*c - 'a' + 'A') : *c;
    return name;
}

DWORD Remaining(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

bool SameFile(HANDLE a, HANDLE b)
{
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return ::GetFileInformationByHandle(a, &first) && ::GetFileInformationByHandle(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

OVERLAPPED LockedRange()
{
    OVERLAPPED range{};
    range.Offset = static_cast<DWORD>(kWriterLockOffset & 0xFFFFFFFFu);
    range.OffsetHigh = static_cast<DWORD>(kWriterLockOffset >> 32);
    return range;
}

} // namespace

struct WriterLock::Held {
    UniqueKernelHandle mutex;
    bool owned = false;
    UniqueFileHandle file;
    bool locked = false;

    ~Held()
    {
        Unlock();
        if (owned)
            ::ReleaseMutex(mutex.get());
    }

    void Unlock()
    {
        if (locked) {
            OVERLAPPED range = LockedRange();
            ::UnlockFileEx(file.get(), 0, 1, 0, &range);
            locked = false;
        }
        file.reset();
    }

    // The lock on the file now at `ansiPath`. A Linux writer replaces the
    // file by renaming a new one over it, so a lock won on the file this
    // handle opened counts only while that file is still the one at the path.
    Error LockFile(const char *ansiPath, Clock::time_point deadline)
    {
        for (;;) {
            // Made when missing, so that a Linux writer finds it to lock;
            // a file the platform could not write either is left to the
            // platform's own refusal.
            file.reset(::CreateFileA(ansiPath, GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file)
                return {};
            OVERLAPPED range = LockedRange();
            while (!::LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                                 &range)) {
                const DWORD error = ::GetLastError();
                if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING)
                    return {}; // a file system without locks: the mutex alone stands
                if (Remaining(deadline) == 0)
                    return win32_error::Timeout;
                ::Sleep(2);
                range = LockedRange();
            }
            locked = true;
            const UniqueFileHandle current(::CreateFileA(ansiPath, 0,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (current && SameFile(file.get(), current.get()))
                return {};
            Unlock();
        }
    }
};

WriterLock::WriterLock() = default;
WriterLock::~WriterLock() = default;

Error WriterLock::Acquire(const char *ansiPath)
{
    const Clock::time_point deadline = Clock::now() + kWriterLockTimeout;
    auto held = std::make_unique<Held>();
    held->mutex.reset(::CreateMutexA(nullptr, FALSE, MutexName(ansiPath).c_str()));
    if (!held->mutex)
        return ::GetLastError();
    // A writer killed while it held the mutex leaves it abandoned; the file
    // is then the old one or the new one, and ours goes on.
    switch (::WaitForSingleObject(held->mutex.get(), Remaining(deadline))) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
        held->owned = true;
        break;
    case WAIT_TIMEOUT:
        return win32_error::Timeout;
    default:
        return ::GetLastError();
    }
    TALLOWBY_RETURN_IF_FAILED(held->LockFile(ansiPath, deadline));
    held_ = std::move(held);
    return {};
}

Error WriterLock::MoveToCopy(const char *ansiCopyPath)
{
    if (!held_)
        return win32_error::InvalidParameter;
    auto copy = std::make_unique<Held>();
    TALLOWBY_RETURN_IF_FAILED(copy->LockFile(ansiCopyPath, Clock::now() + kWriterLockTimeout));
    held_->Unlock();
    held_->file = std::move(copy->file);
    held_->locked = std::exchange(copy->locked, false);
    return {};
}

Error WriterLock::MoveBack(const char *ansiPath)
{
    if (!held_)
        return win32_error::InvalidParameter;
    held_->Unlock();
    return held_->LockFile(ansiPath, Clock::now() + kWriterLockTimeout);
}

} // namespace tallowby::platform

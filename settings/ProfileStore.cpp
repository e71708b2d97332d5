#include "settings/ProfileStore.h"

#include "platform/CodePage.h"
#include "platform/ProfileSave.h"
#include "settings/GrowingRead.h"

namespace tallowby {

namespace {

bool BreaksTheLine(std::u16string_view text)
{
    return text.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos;
}

} // namespace

ProfileStore::ProfileStore(const char *library, std::uint32_t initialReadSize)
    : write_(library, "WritePrivateProfileStringA"), read_(library, "GetPrivateProfileStringA"),
      initialReadSize_(initialReadSize)
{
}

void ProfileStore::ConvertConstants()
{
    if (ansiFile_.empty()) {
        ansiSection_ = platform::ToAnsi(kSettingsSection);
        ansiFile_ = platform::ToAnsi(kSettingsFile);
    }
}

ProfileStore &ProfileStore::Process()
{
    static ProfileStore store;
    return store;
}

Status ProfileStore::Save(std::u16string_view key, std::u16string_view value)
{
    if (BreaksTheLine(key) || BreaksTheLine(value) || key.find(u'=') != std::u16string_view::npos)
        return kInvalidArgument;

    platform::WritePrivateProfileStringAFn write = nullptr;
    if (const Status bound = write_.Get(write); bound.failed())
        return bound;

    ConvertConstants();
    const std::string ansiValue = platform::ToAnsi(value);
    const std::string ansiKey = platform::ToAnsi(key);
    using platform::kLongestProfileString;
    if (ansiKey.size() > kLongestProfileString || ansiValue.size() > kLongestProfileString)
        return kInvalidArgument;

    return Status::FromWin32(
        platform::SaveProfileEntry(write, ansiSection_.c_str(), ansiKey.c_str(), ansiValue.c_str(), ansiFile_.c_str())
            .code());
}

Status ProfileStore::Get(std::u16string_view key, std::u16string_view defaultValue,
                         std::u16string &value)
{
    value.clear();
    // A NUL would cut the name or default short at the C boundary.
    if (key.find(u'\0') != std::u16string_view::npos ||
        defaultValue.find(u'\0') != std::u16string_view::npos)
        return kInvalidArgument;

    platform::GetPrivateProfileStringAFn read = nullptr;
    if (const Status bound = read_.Get(read); bound.failed())
        return bound;

    ConvertConstants();
    const std::string ansiDefault = platform::ToAnsi(defaultValue);
    const std::string ansiKey = platform::ToAnsi(key);
    // The platform hands back nothing at all for a longer default, as if
    // the value were empty.
    if (ansiDefault.size() > platform::kLongestProfileString)
        return kInvalidArgument;

    value = platform::FromAnsi(ReadWhole(read, ansiKey.c_str(), ansiDefault.c_str()));
    return kSuccess;
}

std::string ProfileStore::ReadWhole(platform::GetPrivateProfileStringAFn read, const char *ansiKey,
                                    const char *ansiDefault)
{
    return ReadGrowing(initialReadSize_, [&](char *buffer, std::uint32_t size) {
        return static_cast<std::uint32_t>(
            read(ansiSection_.c_str(), ansiKey, ansiDefault, buffer, size, ansiFile_.c_str()));
    });
}

Status ProfileStore::Delete(std::u16string_view key)
{
    if (BreaksTheLine(key) || key.find(u'=') != std::u16string_view::npos)
        return kInvalidArgument;

    platform::WritePrivateProfileStringAFn write = nullptr;
    platform::GetPrivateProfileStringAFn read = nullptr;
    if (const Status bound = write_.Get(write); bound.failed())
        return bound;
    if (const Status bound = read_.Get(read); bound.failed())
        return bound;

    ConvertConstants();
    const std::string ansiKey = platform::ToAnsi(key);
    if (ansiKey.size() > platform::kLongestProfileString)
        return kInvalidArgument;

    // Asked to remove a key from a file that is not there, the platform
    // makes an empty one; a section without keys has nothing to remove.
    if (ReadWhole(read, nullptr, "").empty())
        return kSuccess;
    return Status::FromWin32(
        platform::SaveProfileEntry(write, ansiSection_.c_str(), ansiKey.c_str(), nullptr, ansiFile_.c_str()).code());
}

Status ProfileStore::List(std::vector<Setting> &settings)
{
    settings.clear();
    platform::GetPrivateProfileStringAFn read = nullptr;
    if (const Status bound = read_.Get(read); bound.failed())
        return bound;

    ConvertConstants();
    // The keys come each followed by a NUL, the list by one more.
    const std::string keys = ReadWhole(read, nullptr, "");
    for (std::size_t start = 0; start < keys.size();) {
        std::size_t end = keys.find('\0', start);
        if (end == std::string::npos)
            end = keys.size();
        const std::string ansiKey = keys.substr(start, end - start);
        // Read by the bytes the platform listed, which a round trip through
        // UTF-16 need not give back.
        settings.push_back({platform::FromAnsi(ansiKey), platform::FromAnsi(ReadWhole(read, ansiKey.c_str(), ""))});
        start = end + 1;
    }
    return kSuccess;
}

} // namespace tallowby

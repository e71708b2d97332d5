// Binding the platform entries by library and entry name.

#include "settings/BoundEntry.h"
#include "settings/Form1Operations.h"
#include "tests/support/SettingsFileBytes.h"

#include <gtest/gtest.h>

namespace tallowby::test {
namespace {

using WriteFn = platform::WritePrivateProfileStringAFn;

TEST(BindingTest, ReportsAMissingLibraryOrEntry)
{
    BoundEntry<WriteFn> noLibrary("no-such-library", "WritePrivateProfileStringA");
    BoundEntry<WriteFn> noEntry("kernel32", "NoSuchEntryA");
    BoundEntry<WriteFn> wrongCase("kernel32", "writeprivateprofilestringa");
    WriteFn fn = nullptr;
    EXPECT_EQ(noLibrary.Get(fn), Status::FromWin32(platform::win32_error::ModNotFound));
    EXPECT_EQ(noEntry.Get(fn), Status::FromWin32(platform::win32_error::ProcNotFound));
    EXPECT_EQ(wrongCase.Get(fn), Status::FromWin32(platform::win32_error::ProcNotFound));
    EXPECT_EQ(fn, nullptr);

    BoundEntry<WriteFn> anyCase("KERNEL32.DLL", "WritePrivateProfileStringA");
    EXPECT_EQ(anyCase.Get(fn), kSuccess);
    EXPECT_NE(fn, nullptr);
}

TEST(BindingTest, FailedOperationsReportTheBindingAndWriteNothing)
{
    RemoveSettingsFile();
    ProfileStore unbound("no-such-library");
    const auto window = CreateWindowlessOperations(unbound);
    EXPECT_EQ(window->ProfileSettingSave(u"k", u"v"), Status::FromWin32(platform::win32_error::ModNotFound));
    const TextResult read = window->ProfileSettingGet(u"k", u"fallback");
    EXPECT_EQ(read.status, Status::FromWin32(platform::win32_error::ModNotFound));
    EXPECT_EQ(read.text, u"");
    EXPECT_FALSE(ReadSettingsFile());
}

// A loader that fails until told otherwise, and counts its attempts.
struct FlakyLibrary {
    static inline int opens = 0;
    static inline bool available = false;
    static platform::Error Open(const char *, FlakyLibrary &)
    {
        ++opens;
        return available ? 0 : platform::win32_error::ModNotFound;
    }
    platform::Error Find(const char *, void *&address) const
    {
        address = reinterpret_cast<void *>(&Entry);
        return {};
    }
    static int Entry() { return 7; }
};

TEST(BindingTest, RetriesAFailedBindingAndKeepsAGoodOne)
{
    using EntryFn = int (*)();
    BoundEntry<EntryFn, FlakyLibrary> entry("flaky", "Entry");
    EntryFn fn = nullptr;
    EXPECT_TRUE(entry.Get(fn).failed());
    EXPECT_TRUE(entry.Get(fn).failed());
    EXPECT_EQ(FlakyLibrary::opens, 2);

    FlakyLibrary::available = true;
    ASSERT_EQ(entry.Get(fn), kSuccess);
    EXPECT_EQ(fn(), 7);
    FlakyLibrary::available = false;
    EXPECT_EQ(entry.Get(fn), kSuccess) << "a binding once made is kept";
    EXPECT_EQ(FlakyLibrary::opens, 3);
}

} // namespace
} // namespace tallowby::test

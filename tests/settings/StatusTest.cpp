// What other programs read of a status: its description with the code, and
// its cause, each of which stands for the status again.

#include "settings/Status.h"

#include <gtest/gtest.h>

namespace tallowby::test {
namespace {

TEST(StatusTest, EveryDescriptionReadsBackAsItsStatus)
{
    for (const Status status : {kOutOfMemory, kInvalidArgument, kUnexpected, Status::FromWin32(platform::win32_error::AccessDenied),
                                Status::FromWin32(platform::win32_error::DiskFull), Status::FromWin32(1234),
                                Status(0x80041234u), Status(0xFFFFFFFFu)}) {
        const std::string description = DescribeStatus(status);
        EXPECT_EQ(ParseStatusDescription(description), status) << description;
    }
    EXPECT_EQ(DescribeStatus(Status::FromWin32(platform::win32_error::AccessDenied)), "access denied (0x80070005)");
}

TEST(StatusTest, TextWithoutAFailureCodeStandsForNothing)
{
    for (const char *text : {"", "access denied", "(0x80070005", "access denied 0x80070005)",
                             "access denied (0x8007000G)", "access denied (0x80070005) ", "success (0x00000000)"})
        EXPECT_EQ(ParseStatusDescription(text), std::nullopt) << text;
}

TEST(StatusTest, KnownCausesStandForTheirStatus)
{
    for (const Status status : {kInvalidArgument, kUnexpected, Status::FromWin32(platform::win32_error::AccessDenied),
                                Status::FromWin32(platform::win32_error::DiskFull), Status::FromWin32(platform::win32_error::Timeout)})
        EXPECT_EQ(StatusFromCause(StatusCause(status)), status) << StatusCause(status);
    // Two codes share the cause; it stands for the first.
    EXPECT_EQ(StatusCause(Status::FromWin32(platform::win32_error::NotEnoughMemory)), "OutOfMemory");
    EXPECT_EQ(StatusFromCause("OutOfMemory"), kOutOfMemory);
    // Causes that many codes share, or none.
    for (const char *cause : {"SystemError", "Failed", "Success", "", "accessdenied"})
        EXPECT_EQ(StatusFromCause(cause), std::nullopt) << cause;
}

} // namespace
} // namespace tallowby::test

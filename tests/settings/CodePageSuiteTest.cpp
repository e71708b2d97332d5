// The store in the ANSI code page of the locale it runs under. Every case
// takes its expectations from the code page in force, so the same cases run
// in each locale the suite is registered for (see tests/CMakeLists.txt).

#include "tests/support/CodePageInForce.h"
#include "tests/support/SettingsTest.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tallowby::test {
namespace {

// What one code page does with text, as the platform does it.
struct PageCase {
    std::uint32_t page;
    // Text in the page's own script, and its bytes in the page.
    std::u16string script;
    std::string scriptBytes;
    // The same mixed text in every page, and what it reads back as: each
    // UTF-16 unit the page lacks becomes one "?", never a look-alike.
    std::u16string mixedReadBack;
    // A character of the page, and how many bytes it takes there; in a
    // double-byte page one whose trail byte is "\".
    std::u16string unit;
    std::size_t unitBytes;
    // Two keys that differ only in case outside ASCII, which the platform
    // keeps apart; in a double-byte page, in the case of a trail byte.
    std::u16string lowerKey;
    std::u16string upperKey;
    // Double-byte pages: characters whose trail bytes are "\", "[", "]" and
    // ASCII letters, with their bytes; a file line holding an invalid
    // sequence, the line the platform writes back for it, and its value.
    std::u16string trails;
    std::string trailsBytes;
    std::string invalidLine;
    std::string rewrittenLine;
    std::u16string invalidValue;
};

const std::u16string kMixed = u"Zo\u00eb \u65e5\u672c \u041c\u043e\u0441\u043a\u0432\u0430 \u03a9\u03bc\u03ad\u03b3\u03b1";

const std::vector<PageCase> &Pages()
{
    static const std::vector<PageCase> pages = {
        {1252, u"Cl\u00e9 \u00c6r\u00f8 \u20ac", "Cl\xe9 \xc6r\xf8 \x80", u"Zo\u00eb ?? ?????? ?????", u"\u00e9", 1,
         u"cl\u00e9", u"CL\u00c9", {}, {}, {}, {}, {}},
        {1251, u"\u041c\u043e\u0441\u043a\u0432\u0430", "\xcc\xee\xf1\xea\xe2\xe0",
         u"Zo? ?? \u041c\u043e\u0441\u043a\u0432\u0430 ?????", u"\u0416", 1, u"\u041a\u043b\u044e\u0447",
         u"\u041a\u041b\u042e\u0427", {}, {}, {}, {}, {}},
        {1253, u"\u03a9\u03bc\u03ad\u03b3\u03b1", "\xd9\xec\xdd\xe3\xe1",
         u"Zo? ?? ?????? \u03a9\u03bc\u03ad\u03b3\u03b1", u"\u03a9", 1, u"\u03ba\u03bb\u03b5\u03b9\u03b4\u03b9",
         u"\u039a\u039b\u0395\u0399\u0394\u0399", {}, {}, {}, {}, {}},
        // テ and キ have the trail bytes "e" and "L".
        {932, u"\u65e5\u672c\u8a9e\u30c6\u30ad\u30b9\u30c8", "\x93\xfa\x96\x7b\x8c\xea\x83\x65\x83\x4c\x83\x58\x83\x67",
         u"Zo? \u65e5\u672c \u041c\u043e\u0441\u043a\u0432\u0430 \u03a9\u03bc?\u03b3\u03b1", u"\u30bd", 2,
         u"\u30c2", u"\u30a2", u"\u30bd\u8868\u30fc\u2010\u30a2\u30c2",
         "\x83\x5c\x95\x5c\x81\x5b\x81\x5d\x83\x41\x83\x61", "x=\x81 z", "x=\x81\x45z", u"\u30fbz"},
        {936, u"\u4e2d\u6587\u5b57", "\xd6\xd0\xce\xc4\xd7\xd6",
         u"Zo? \u65e5\u672c \u041c\u043e\u0441\u043a\u0432\u0430 \u03a9\u03bc?\u03b3\u03b1", u"\u4e57", 2,
         u"\u4e64", u"\u4e04", u"\u4e57\u4e55\u4e5a\u4e04\u4e64", "\x81\x5c\x81\x5b\x81\x5d\x81\x41\x81\x61",
         "x=\x81 z", "x=?z", u"?z"},
    };
    return pages;
}

// The page's case, once the run is known to be in the code page it was
// registered for.
const PageCase *PageInForce()
{
    const std::uint32_t page = CodePageInForce();
    if (const auto expected = ExpectedCodePage(); expected && *expected != page) {
        ADD_FAILURE() << "the code page in force is " << page << ", not " << *expected
                      << ": is the locale generated (tests/codepage/make_locales.sh), and does the"
                         " build follow it?";
        return nullptr;
    }
    const auto &pages = Pages();
    const auto found = std::find_if(pages.begin(), pages.end(), [&](const PageCase &c) { return c.page == page; });
    if (found == pages.end()) {
        ADD_FAILURE() << "no cases for code page " << page;
        return nullptr;
    }
    return &*found;
}

std::u16string Repeat(const std::u16string &text, std::size_t times)
{
    std::u16string out;
    out.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

std::string Line(const std::string &key, const std::string &value) { return key + "=" + value + "\r\n"; }

class CodePageSuite : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        page_ = PageInForce();
        if (page_ == nullptr)
            GTEST_FAIL() << "no cases without the code page";
    }
    bool DoubleByte() const { return page_->unitBytes == 2; }

    const PageCase *page_ = nullptr;
};

TEST_F(CodePageSuite, OwnScriptRoundTripsAndOtherScriptsBecomeQuestionMarks)
{
    ASSERT_EQ(Save(u"Mixed", kMixed), kSuccess);
    EXPECT_EQ(Get(u"Mixed"), page_->mixedReadBack);
    ASSERT_EQ(Save(u"Pair", u"a\U0001F600b"), kSuccess);
    EXPECT_EQ(Get(u"Pair"), u"a??b") << "one \"?\" for each UTF-16 unit";

    RemoveSettingsFile();
    ASSERT_EQ(Save(page_->script, page_->script), kSuccess);
    EXPECT_EQ(Get(page_->script), page_->script);
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\n" + Line(page_->scriptBytes, page_->scriptBytes))
        << "the file holds the code page's bytes";
    EXPECT_EQ(Get(u"Other" + page_->script, page_->script), page_->script) << "a default in the script";
}

TEST_F(CodePageSuite, LimitCountsBytes)
{
    const std::size_t most = platform::kLongestProfileString / page_->unitBytes;
    const std::u16string longest = Repeat(page_->unit, most);
    ASSERT_EQ(Save(u"Long", longest), kSuccess);
    EXPECT_TRUE(Get(u"Long") == longest) << "a value of " << most * page_->unitBytes << " bytes";
    EXPECT_EQ(Save(u"Long", u"a" + longest), kInvalidArgument) << "one byte more";
    EXPECT_TRUE(Get(u"Long") == longest) << "a refused save keeps the old value";

    ASSERT_EQ(Save(longest, u"k"), kSuccess);
    EXPECT_EQ(Get(longest), u"k") << "a key of " << most * page_->unitBytes << " bytes";
    EXPECT_EQ(Save(u"a" + longest, u"k"), kInvalidArgument);

    // What the page lacks takes one byte, as its "?".
    const std::u16string lacking(platform::kLongestProfileString, u'\u0100');
    ASSERT_EQ(Save(u"Lacking", lacking), kSuccess);
    EXPECT_TRUE(Get(u"Lacking") == std::u16string(lacking.size(), u'?'));
    EXPECT_EQ(Save(u"Lacking", lacking + u"\u0100"), kInvalidArgument);
}

TEST_F(CodePageSuite, CaseFoldingTouchesOnlyWholeAsciiCharacters)
{
    ASSERT_EQ(Save(page_->lowerKey, u"lower"), kSuccess);
    ASSERT_EQ(Save(page_->upperKey, u"upper"), kSuccess);
    EXPECT_EQ(Get(page_->lowerKey), u"lower");
    EXPECT_EQ(Get(page_->upperKey), u"upper");

    ASSERT_EQ(Save(u"Key" + page_->unit, u"first"), kSuccess);
    ASSERT_EQ(Save(u"KEY" + page_->unit, u"second"), kSuccess);
    EXPECT_EQ(Get(u"key" + page_->unit), u"second") << "ASCII letters still fold";
}

TEST_F(CodePageSuite, TrailBytesThatAreAsciiPassInKeysAndValues)
{
    if (!DoubleByte())
        GTEST_SKIP() << "code page " << page_->page << " has no trail bytes";
    const std::u16string &trails = page_->trails;
    const std::u16string value = u"[" + trails + u"]\\" + trails;
    ASSERT_EQ(Save(trails, value), kSuccess);
    ASSERT_EQ(Save(trails + u"]", trails), kSuccess);
    EXPECT_EQ(Get(trails), value);
    EXPECT_EQ(Get(trails + u"]"), trails);
    const std::string &bytes = page_->trailsBytes;
    EXPECT_EQ(ReadSettingsFile(),
              "[ExcelData]\r\n" + Line(bytes, "[" + bytes + "]\\" + bytes) + Line(bytes + "]", bytes));
    // Quotes around the value go, whatever its last trail byte.
    ASSERT_EQ(Save(u"Quoted", u"\"" + trails + u"\""), kSuccess);
    EXPECT_EQ(Get(u"Quoted"), trails);
}

TEST_F(CodePageSuite, InvalidSequencesAreRewrittenAsThePlatformWritesThem)
{
    if (!DoubleByte())
        GTEST_SKIP() << "every byte of code page " << page_->page << " is a character";
    WriteSettingsFile("[ExcelData]\r\n" + page_->invalidLine + "\r\n");
    EXPECT_EQ(Get(u"x"), page_->invalidValue);
    ASSERT_EQ(Save(u"y", u"1"), kSuccess);
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\n" + page_->rewrittenLine + "\r\ny=1\r\n");
    EXPECT_EQ(Get(u"x"), page_->invalidValue);
}

// Values around each size the read buffer takes as it grows, in bytes of
// both parities: a double-byte page can end a full buffer inside a
// character, and the value must still read back whole.
class CodePageBufferEdge : public CodePageSuite, public testing::WithParamInterface<std::uint32_t> {
protected:
    CodePageBufferEdge() { window_ = CreateWindowlessOperations(store_); }

    ProfileStore store_{"kernel32", GetParam()};
};

TEST_P(CodePageBufferEdge, ValuesReadBackWhole)
{
    std::vector<std::size_t> lengths;
    for (std::size_t size = std::max<std::uint32_t>(GetParam(), 3); size <= 2 * platform::kLongestProfileString;
         size *= 4) {
        for (std::size_t length = size > 4 ? size - 4 : 1; length <= size + 1; ++length)
            lengths.push_back(length);
    }
    for (const std::size_t bytes : lengths) {
        if (bytes > platform::kLongestProfileString)
            continue;
        // An odd length in a double-byte page starts with one ASCII byte.
        const std::size_t characters = bytes / page_->unitBytes;
        const std::u16string value =
            std::u16string(bytes - characters * page_->unitBytes, u'a') + Repeat(page_->unit, characters);
        ASSERT_EQ(Save(u"Edge", value), kSuccess) << bytes;
        const std::u16string read = Get(u"Edge");
        EXPECT_EQ(read.size(), value.size()) << "a value of " << bytes << " bytes";
        EXPECT_TRUE(read == value) << "a value of " << bytes << " bytes differs";
        ASSERT_EQ(Save(u"Quoted", u"\"" + value + u"\""), kSuccess) << bytes;
        EXPECT_TRUE(Get(u"Quoted") == value) << "a quoted value of " << bytes << " bytes differs";
    }
}

INSTANTIATE_TEST_SUITE_P(FirstBuffer, CodePageBufferEdge, testing::Values(kReadBufferSize, 3u),
                         [](const auto &test) { return "Of" + std::to_string(test.param); });

} // namespace
} // namespace tallowby::test

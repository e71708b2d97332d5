// The settings file as the platform keeps it: each case gives the file
// before, one operation, its result and the file after.

#include "tests/support/SettingsTest.h"

namespace tallowby::test {
namespace {

struct FormatCase {
    const char *name;
    std::string before;     // empty: no file
    std::u16string key;
    std::u16string value;   // saved when `save`, else the default of a get
    bool save;
    std::u16string read;    // what a get returns
    std::string after;      // the file after
};

class FileFormatTest : public SettingsTest, public testing::WithParamInterface<FormatCase> {};

TEST_P(FileFormatTest, Case)
{
    const FormatCase &c = GetParam();
    if (!c.before.empty())
        WriteSettingsFile(c.before);
    if (c.save) {
        ASSERT_EQ(Save(c.key, c.value), kSuccess);
        EXPECT_EQ(Get(c.key, u"<absent>"), c.read);
    } else {
        EXPECT_EQ(Get(c.key, c.value), c.read);
    }
    EXPECT_EQ(ReadSettingsFile().value_or("<no file>"), c.after);
}

using namespace std::string_literals;

// `text` as the bytes of a UTF-16 file with its byte-order mark.
std::string Utf16File(std::u16string_view text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xfe\xff" : "\xff\xfe";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}
std::string Le(std::u16string_view text) { return Utf16File(text, false); }
std::string Be(std::u16string_view text) { return Utf16File(text, true); }

const FormatCase kCases[] = {
    // Creating and replacing.
    {"NewFile", "", u"Key", u"Value", true, u"Value", "[ExcelData]\r\nKey=Value\r\n"},
    {"AddsKeyAtEndOfSection", "[ExcelData]\r\na=1\r\n[Next]\r\nb=2\r\n", u"Key", u"V", true, u"V",
     "[ExcelData]\r\na=1\r\nKey=V\r\n[Next]\r\nb=2\r\n"},
    {"AddsSectionAtEnd", "[Other]\r\na=1\r\n", u"Key", u"V", true, u"V", "[Other]\r\na=1\r\n[ExcelData]\r\nKey=V\r\n"},
    {"ReplacesInPlace", "[ExcelData]\r\na=1\r\nKey=old\r\nb=2\r\n", u"Key", u"new", true, u"new",
     "[ExcelData]\r\na=1\r\nKey=new\r\nb=2\r\n"},
    {"EmptyValue", "", u"Key", u"", true, u"", "[ExcelData]\r\nKey=\r\n"},
    {"RewritesInThePlatformLayout",
     "; comment\r\n\r\n[ ExcelData ] junk\r\n  spaced  =  x  \r\nno equals\r\n\r\nKey=old\r\n\r\n[B]\r\n", u"Key", u"new",
     true, u"new", "; comment\r\n[ExcelData]\r\nspaced=x\r\nno equals\r\nKey=new\r\n[B]\r\n"},
    {"UnchangedSaveLeavesTheFile", "[ExcelData]\r\n Key = 1 \r\n\r\n", u"Key", u" 1", true, u"1",
     "[ExcelData]\r\n Key = 1 \r\n\r\n"},
    // Names.
    {"SectionAndKeyAnyCase", "[exceldata]\r\nKEY=old\r\n", u"key", u"new", true, u"new", "[exceldata]\r\nKEY=new\r\n"},
    {"OnlyAsciiIgnoresCase", "[ExcelData]\r\n\xc9t\xe9=old\r\n", u"\u00e9T\u00c9", u"d", false, u"d",
     "[ExcelData]\r\n\xc9t\xe9=old\r\n"},
    {"KeyMatchesDespiteBlanks", "[ExcelData]\r\nKey=1\r\n", u"key  ", u"2", true, u"2", "[ExcelData]\r\nKey=2\r\n"},
    {"FirstDuplicateSectionOnly", "[ExcelData]\r\nk=1\r\n[ExcelData]\r\nKey=2\r\n", u"Key", u"d", false, u"d",
     "[ExcelData]\r\nk=1\r\n[ExcelData]\r\nKey=2\r\n"},
    {"FirstDuplicateKeyOnly", "[ExcelData]\r\nKey=1\r\nKey=2\r\n", u"Key", u"X", true, u"X",
     "[ExcelData]\r\nKey=X\r\nKey=2\r\n"},
    {"BareNameIsAKeyWithoutValue", "[ExcelData]\r\nKey\r\nKey=2\r\n", u"Key", u"d", false, u"d",
     "[ExcelData]\r\nKey\r\nKey=2\r\n"},
    {"BareNameTakesAValue", "[ExcelData]\r\nKey\r\n", u"Key", u"X", true, u"X", "[ExcelData]\r\nKey=X\r\n"},
    {"UnclosedBracketIsAnEntry", "[ExcelData]\r\n[B\r\nKey=9\r\n", u"Key", u"d", false, u"9",
     "[ExcelData]\r\n[B\r\nKey=9\r\n"},
    {"KeysBeforeAnySectionIgnored", "Key=out\r\n[ExcelData]\r\n", u"Key", u"d", false, u"d",
     "Key=out\r\n[ExcelData]\r\n"},
    {"SemicolonStartsNoComment", "[ExcelData]\r\n;Key=c\r\n", u";Key", u"d", false, u"c", "[ExcelData]\r\n;Key=c\r\n"},
    // Blanks and quotes.
    {"LeadingBlanksGoOnWrite", "", u"  Key\t ", u" \tV V\t ", true, u"V V", "[ExcelData]\r\nKey\t =V V\t \r\n"},
    {"BlanksGoOnRead", "[ExcelData]\r\n \v Key \f =  V V \t \r\n", u"Key", u"", false, u"V V",
     "[ExcelData]\r\n \v Key \f =  V V \t \r\n"},
    {"StripsDoubleQuotes", "[ExcelData]\r\nKey= \"  q  \" \r\n", u"Key", u"", false, u"  q  ",
     "[ExcelData]\r\nKey= \"  q  \" \r\n"},
    {"StripsSingleQuotes", "[ExcelData]\r\nKey='q'\r\n", u"Key", u"", false, u"q", "[ExcelData]\r\nKey='q'\r\n"},
    {"KeepsUnpairedQuote", "[ExcelData]\r\nKey=\"q\r\n", u"Key", u"", false, u"\"q", "[ExcelData]\r\nKey=\"q\r\n"},
    {"KeepsMixedQuotes", "[ExcelData]\r\nKey=\"q'\r\n", u"Key", u"", false, u"\"q'", "[ExcelData]\r\nKey=\"q'\r\n"},
    {"StoresQuotesAsGiven", "", u"Key", u"\"q\"", true, u"q", "[ExcelData]\r\nKey=\"q\"\r\n"},
    {"EmptyQuotes", "[ExcelData]\r\nKey=\"\"\r\n", u"Key", u"d", false, u"", "[ExcelData]\r\nKey=\"\"\r\n"},
    {"DefaultLosesTrailingSpaces", "", u"Key", u"  d  ", false, u"  d", "<no file>"},
    {"DefaultKeepsTrailingTab", "", u"Key", u"d \t", false, u"d \t", "<no file>"},
    {"DefaultOfSpacesKeepsOne", "", u"Key", u"   ", false, u" ", "<no file>"},
    {"DefaultLosesQuotes", "", u"Key", u"'d d'  ", false, u"d d", "<no file>"},
    {"ValueHoldsEquals", "[ExcelData]\r\nKey=a=b\r\n", u"Key", u"", false, u"a=b", "[ExcelData]\r\nKey=a=b\r\n"},
    {"NamelessSectionHasNoHeader", "[ExcelData]\r\na=1\r\n[ ]\r\nb=2\r\n", u"Key", u"V", true, u"V",
     "[ExcelData]\r\na=1\r\nKey=V\r\nb=2\r\n"},
    {"OneNamelessEntryASection", "[ExcelData]\r\n=e\r\n=f\r\n", u"Key", u"V", true, u"V",
     "[ExcelData]\r\n=e\r\nKey=V\r\n"},
    // Line ends and odd bytes.
    {"ReadsLf", "[ExcelData]\nKey=lf\n", u"Key", u"", false, u"lf", "[ExcelData]\nKey=lf\n"},
    {"ReadsCr", "[ExcelData]\rKey=cr\r", u"Key", u"", false, u"cr", "[ExcelData]\rKey=cr\r"},
    {"ReadsNoFinalLineEnd", "[ExcelData]\r\nKey=end", u"Key", u"", false, u"end", "[ExcelData]\r\nKey=end"},
    {"WritesCrLfIntoLfFile", "[ExcelData]\na=1\n", u"Key", u"V", true, u"V", "[ExcelData]\r\na=1\r\nKey=V\r\n"},
    {"WritesCrLfIntoCrFile", "[ExcelData]\ra=1", u"Key", u"V", true, u"V", "[ExcelData]\r\na=1\r\nKey=V\r\n"},
    {"KeepsUtf8ByteOrderMark", "\xef\xbb\xbf[ExcelData]\r\na=1\r\n", u"Key", u"V", true, u"V",
     "\xef\xbb\xbf[ExcelData]\r\na=1\r\nKey=V\r\n"},
    // Files with a byte-order mark are text in that form: read through the
    // code page, and written back in the form they came in.
    {"Utf8FileReadsThroughCodePage", "\xef\xbb\xbf[ExcelData]\r\nKey=caf\xc3\xa9 \xe2\x82\xac \xe4\xb8\xad\r\n", u"Key",
     u"", false, u"caf\u00e9 \u20ac ?", "\xef\xbb\xbf[ExcelData]\r\nKey=caf\xc3\xa9 \xe2\x82\xac \xe4\xb8\xad\r\n"},
    {"Utf8FileTakesUtf8", "\xef\xbb\xbf[ExcelData]\r\na=\xe4\xb8\xad\r\n", u"Key", u"na\u00efve \u20ac\u0081", true,
     u"na\u00efve \u20ac\u0081", "\xef\xbb\xbf[ExcelData]\r\na=\xe4\xb8\xad\r\nKey=na\xc3\xafve \xe2\x82\xac\xc2\x81\r\n"},
    {"Utf8FileMatchesNonAsciiKey", "\xef\xbb\xbf[ExcelData]\r\n\xc3\xa9t\xc3\xa9=old\r\n", u"\u00e9t\u00e9", u"new", true,
     u"new", "\xef\xbb\xbf[ExcelData]\r\n\xc3\xa9t\xc3\xa9=new\r\n"},
    {"Utf8FileOnlyAsciiIgnoresCase", "\xef\xbb\xbf[ExcelData]\r\n\xc3\xa9T=old\r\n", u"\u00c9t", u"d", false, u"d",
     "\xef\xbb\xbf[ExcelData]\r\n\xc3\xa9T=old\r\n"},
    {"Utf8FileMalformedRunsReadAsQuestionMarks",
     "\xef\xbb\xbf[ExcelData]\r\nKey=a\xe2\x82 \xed\xa0\x80 \xc0\xaf \xf4\x90\x80\x80 \xf0\x9f\x98\x80 \xe0\x80\x80 \xc3\r\n", u"Key",
     u"", false, u"a? ?? ?? ??? ?? ?? ?",
     "\xef\xbb\xbf[ExcelData]\r\nKey=a\xe2\x82 \xed\xa0\x80 \xc0\xaf \xf4\x90\x80\x80 \xf0\x9f\x98\x80 \xe0\x80\x80 \xc3\r\n"},
    {"Utf8MarkOnly", "\xef\xbb\xbf", u"Key", u"V", true, u"V", "\xef\xbb\xbf[ExcelData]\r\nKey=V\r\n"},
    {"Utf16LeReadsThroughCodePage", Le(u"[ExcelData]\r\nKey=caf\u00e9 \u20ac \U0001F600\r\n"), u"Key", u"", false,
     u"caf\u00e9 \u20ac ??", Le(u"[ExcelData]\r\nKey=caf\u00e9 \u20ac \U0001F600\r\n")},
    {"Utf16LeWrittenBackAsUtf16Le", Le(u"; c\n\n[ExcelData]\n  a  =  \u4e2d  \n\n"), u"Key", u"na\u00efve", true,
     u"na\u00efve", Le(u"; c\r\n[ExcelData]\r\na=\u4e2d\r\nKey=na\u00efve\r\n")},
    {"Utf16BeWrittenBackAsUtf16Be", Be(u"[ExcelData]\r\na=\U0001F600\r\n"), u"Key", u"\u20ac", true, u"\u20ac",
     Be(u"[ExcelData]\r\na=\U0001F600\r\nKey=\u20ac\r\n")},
    {"Utf16KeepsUnpairedSurrogates", Le(u"[ExcelData]\r\na=x\xD800y\r\nb=\xDC00\r\nKey=x\xDBFFy\r\n"), u"Key", u"", false,
     u"x?y", Le(u"[ExcelData]\r\na=x\xD800y\r\nb=\xDC00\r\nKey=x\xDBFFy\r\n")},
    {"Utf16UnpairedSurrogatesSurviveAWrite", Le(u"[ExcelData]\r\na=x\xD800y\r\nb=\xDC00\r\n"), u"Key", u"V", true, u"V",
     Le(u"[ExcelData]\r\na=x\xD800y\r\nb=\xDC00\r\nKey=V\r\n")},
    {"Utf16NulEndsItsLine", Le(u"[ExcelData]\r\na=x\0y\r\nb=2\r\n"s), u"Key", u"V", true, u"V",
     Le(u"[ExcelData]\r\na=x\r\nb=2\r\nKey=V\r\n")},
    {"Utf16LeMarkOnly", "\xff\xfe", u"Key", u"V", true, u"V", Le(u"[ExcelData]\r\nKey=V\r\n")},
    {"Utf16BeMarkOnly", "\xfe\xff", u"Key", u"V", true, u"V", Be(u"[ExcelData]\r\nKey=V\r\n")},
    {"NulEndsItsLine", "[ExcelData]\r\na=x\0y\r\nb=2\r\n"s, u"Key", u"V", true, u"V",
     "[ExcelData]\r\na=x\r\nb=2\r\nKey=V\r\n"},
};

// A section without a name is written without its header; read back, its
// lines are the section before it.
TEST_F(SettingsTest, NamelessSectionJoinsTheOneBeforeOnceWritten)
{
    WriteSettingsFile("[ExcelData]\r\na=1\r\n[ ]\r\nOld=1\r\n");
    EXPECT_EQ(Get(u"Old", u"d"), u"d");
    ASSERT_EQ(Save(u"Key", u"V"), kSuccess);
    EXPECT_EQ(Get(u"Old", u"d"), u"1");
    EXPECT_EQ(ReadSettingsFile(), "[ExcelData]\r\na=1\r\nKey=V\r\nOld=1\r\n");
}

INSTANTIATE_TEST_SUITE_P(Settings, FileFormatTest, testing::ValuesIn(kCases),
                         [](const auto &test) { return std::string(test.param.name); });

} // namespace
} // namespace tallowby::test

// The stand-in's model of an INI file and its index of names, on their own.

#include "platform/linux/ini/IniDocument.h"
#include "platform/linux/ini/NameIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tallowby::platform {
namespace {

// The index beside the search it stands in for: the first name that
// SameName matches, in order.
class IndexedNames {
public:
    std::optional<std::size_t> Find(std::string_view name) const
    {
        return index_.Find(name, names_.size(), [&](std::size_t i) { return std::string_view(names_[i]); });
    }
    std::optional<std::size_t> Search(std::string_view name) const
    {
        const auto found =
            std::find_if(names_.begin(), names_.end(), [&](const auto &n) { return SameName(n, name); });
        return found == names_.end() ? std::nullopt : std::optional<std::size_t>(found - names_.begin());
    }
    // Adds `name` as a document does: only a name no entry has yet.
    void Add(const std::string &name)
    {
        if (Search(name))
            return;
        names_.push_back(name);
        index_.Added(name, names_.size());
    }
    void Remove(std::size_t i)
    {
        names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(i));
        index_.Clear();
    }
    std::size_t size() const { return names_.size(); }

private:
    std::vector<std::string> names_;
    NameIndex index_;
};

TEST(NameIndexTest, FindsTheFirstOfEqualNamesBeforeAndAfterIndexing)
{
    for (const std::size_t count : {4u, 1000u}) {
        std::vector<std::string> names;
        for (std::size_t i = 0; i < count; ++i)
            names.push_back("key" + std::to_string(i));
        names[count / 2] = " Twin";
        names.back() = "TWIN ";
        NameIndex index;
        auto nameAt = [&](std::size_t i) { return std::string_view(names[i]); };
        // The first look-up searches in order, the second uses the index.
        for (int look = 0; look < 2; ++look) {
            EXPECT_EQ(index.Find("twin", names.size(), nameAt), count / 2) << count << " names, look " << look;
            EXPECT_EQ(index.Find("KEY1", names.size(), nameAt), 1u);
            EXPECT_EQ(index.Find("key", names.size(), nameAt), std::nullopt);
        }
    }
}

TEST(NameIndexTest, AgreesWithASearchInOrderThroughAddsAndRemovals)
{
    // Few distinct names in many spellings, so that equal names, growth
    // past half full and removals all occur.
    std::mt19937 random(11);
    auto name = [&] {
        std::string text = "n" + std::to_string(random() % 300);
        if (random() % 3 == 0)
            text[0] = 'N';
        return random() % 4 == 0 ? " " + text + "\t" : text;
    };
    IndexedNames names;
    for (int step = 0; step < 5000; ++step) {
        if (random() % 10 == 0 && names.size() > 0)
            names.Remove(random() % names.size());
        else
            names.Add(name());
        const std::string wanted = name();
        ASSERT_EQ(names.Find(wanted), names.Search(wanted)) << "step " << step << ", name '" << wanted << "'";
    }
}

// A first look-up reads only the lines that hold the names it looks for;
// it must answer as the whole document does.
TEST(IniDocumentTest, FirstLookUpAnswersAsTheWholeDocument)
{
    struct Case {
        std::string text;
        std::string section, key;
        std::optional<std::string> value;
    };
    using namespace std::string_literals;
    const std::vector<Case> cases = {
        {"[ExcelData]\r\nKey=1\r\n"s, "ExcelData", "Key", "1"},
        {"[exceldata]\r\n  KEY  =  \"1 \"  \r\n"s, " ExcelData ", "key", "\"1 \""},
        {"[Other]\r\nKey=0\r\n[ExcelData]\r\nKey=1\r\n"s, "ExcelData", "Key", "1"},
        {"[ExcelData]\r\nA=1\r\n[ExcelData]\r\nKey=2\r\n"s, "ExcelData", "Key", std::nullopt},
        {"[ExcelData]\r\nA=[x]\r\nB=x[y]\r\n  [Next] junk\r\nKey=2\r\n"s, "ExcelData", "Key", std::nullopt},
        {"[ExcelData]\r\nA=[x]\r\nKey=2\r\n"s, "ExcelData", "Key", "2"},
        {"[ExcelData]\rKey=lone CR\rNext=1"s, "ExcelData", "Key", "lone CR"},
        {"[ExcelData]\nKey\nKey=2\n"s, "ExcelData", "Key", std::nullopt},
        {"[ExcelData]\nX=1\0Key=2\nKey=3\n"s, "ExcelData", "Key", "3"},
        {"[Excel\0Data]\nKey=1\n[ExcelData]\nKey=2\n"s, "ExcelData", "Key", "2"},
        {"X=[ExcelData]\nKey=1\n"s, "ExcelData", "Key", std::nullopt},
        {"[ExcelData] trailing\nKeyed=1\nKey =2\n"s, "ExcelData", "Key", "2"},
        {"[ExcelData]\nMyKey=1\nKey2=2\nKey=3"s, "ExcelData", "Key", "3"},
        {"[ExcelData]\n[Key]=1\nKey=3"s, "ExcelData", "[Key]", std::nullopt},
        {"[ExcelData]\nKey=1"s, "Excel", "Key", std::nullopt},
        {""s, "ExcelData", "Key", std::nullopt},
    };
    for (const Case &c : cases) {
        IniDocument whole = IniDocument::FromText(c.text);
        whole.SectionNames(); // reads every line
        EXPECT_EQ(whole.Find(c.section, c.key), c.value) << testing::PrintToString(c.text);
        EXPECT_EQ(IniDocument::FromText(c.text).Find(c.section, c.key), c.value) << testing::PrintToString(c.text);
    }
}

// A save splices its one change into a text already in the layout; what it
// writes, and the document after, must be as if every line were laid out.
TEST(IniDocumentTest, SplicedChangeWritesWhatTheLayoutWould)
{
    IniDocument document = IniDocument::FromText("[ExcelData]\r\nA=1\r\nBare\r\n[Other]\r\nB=2\r\n");
    document.Set("ExcelData", "A", "1"); // no change: no splice needed
    document.SettleLaidOut(document.LayOut());
    struct Step {
        std::string section, key, value;
        bool spliced;
    };
    const std::vector<Step> steps = {
        {"ExcelData", "a", "longer value", true}, // a value replaced
        {"ExcelData", "Bare", "now set", true},   // a bare name given a value
        {"ExcelData", "New", "v", true},          // an entry added mid-file
        {"Third", "C", "3", true},                // a section added
        {"Other", "B", "trailing  ", true},       // written with blanks...
        {"Other", "B", "x", false},               // ...so the text is no longer in the layout
        {"Other", "B", "y", true},
    };
    for (const Step &step : steps) {
        ASSERT_TRUE(document.Set(step.section, step.key, step.value));
        std::string laidOut = document.LayOut();
        const auto splice = document.SpliceChange();
        ASSERT_EQ(splice.has_value(), step.spliced) << step.key << "=" << step.value;
        if (!splice) {
            document.SettleLaidOut(std::move(laidOut));
            continue;
        }
        std::string spliced = document.Text();
        spliced.replace(splice->at, splice->removed, splice->inserted);
        EXPECT_EQ(spliced, laidOut);
        document.SettleSpliced(*splice);
        EXPECT_EQ(document.Text(), laidOut);
        EXPECT_EQ(document.LayOut(), IniDocument::FromText(laidOut).LayOut());
    }
    // A text read is spliced into only when every line is as the layout
    // writes it, whether the change comes before its lines are read or
    // after.
    for (const auto &[text, inLayout] : std::vector<std::pair<std::string, bool>>{
             {"[S]\r\nA=1\r\nBare\r\n=x\r\n", true},
             {"=x\r\n[S]\r\n=y\r\nB=x = y\r\n[z=1\r\nA=1\r\n[T]\r\nA=0\r\n", true},
             {"[S]\r\nA\r\n", true},
             {"[T]\r\nB=1\r\n", true},
             {"[S]\r\nA = 1\r\n", false},
             {"[S]\r\nA= 1\r\n", false},
             {"[S]\nA=1\n", false},
             {"[S]\r\n\r\nA=1\r\n", false},
             {"[S]\r\nA=1", false},
             {"[S]\r\nA=1\r", false},
             {"[S] \r\nA=1\r\n", false},
             {"[S]x\r\nA=1\r\n", false},
             {" [S]\r\nA=1\r\n", false},
             {"[S]\r\n=x\r\n=y\r\n", false},
             {"[S]\r\nB=1\rA=1\r\n", false},
             {std::string("[S]\r\nA=1\r\n\0\r\n", 12), false},
         }) {
        for (const bool linesFirst : {false, true}) {
            IniDocument read = IniDocument::FromText(text);
            if (linesFirst)
                read.SectionNames();
            ASSERT_TRUE(read.Set("S", "A", "2"));
            const auto splice = read.SpliceChange();
            ASSERT_EQ(splice.has_value(), inLayout) << testing::PrintToString(text) << linesFirst;
            if (splice) {
                EXPECT_EQ(std::string(text).replace(splice->at, splice->removed, splice->inserted), read.LayOut());
            }
        }
    }

    EXPECT_EQ(document.Find("ExcelData", "bare"), "now set");
    EXPECT_EQ(document.Find("Third", "C"), "3");
    EXPECT_EQ(document.Text(), "[ExcelData]\r\nA=longer value\r\nBare=now set\r\nNew=v\r\n[Other]\r\nB=y\r\n"
                               "[Third]\r\nC=3\r\n");
}

TEST(IniDocumentTest, AnswersAndTheTextReadOutliveLaterChanges)
{
    const std::string read = "[ExcelData]\r\nKey=\"quoted\" \r\n";
    IniDocument document = IniDocument::FromText(read);
    const std::string &text = document.Text();
    const auto value = document.Find("exceldata", "KEY");
    const auto sections = document.SectionNames();
    ASSERT_EQ(value, "\"quoted\"");

    // Enough added text that its storage moves.
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(document.Set("ExcelData", "Key" + std::to_string(i), std::string(100, 'v')));
    ASSERT_TRUE(document.Set("ExcelData", "Key", "changed"));
    ASSERT_TRUE(document.RemoveKey("ExcelData", "Key0"));
    std::string written = document.LayOut();

    EXPECT_EQ(value, "\"quoted\"");
    EXPECT_EQ(sections, std::vector<std::string>{"ExcelData"});
    EXPECT_EQ(text, read) << "changes do not show in the text read";
    EXPECT_EQ(document.Find("ExcelData", "Key"), "changed");

    document.SettleLaidOut(written);
    EXPECT_EQ(document.Text(), written);
    EXPECT_EQ(document.Find("ExcelData", "Key"), "changed");
    EXPECT_EQ(document.Find("ExcelData", "Key0"), std::nullopt);
    EXPECT_EQ(document.Find("ExcelData", "Key199"), std::string(100, 'v'));
    EXPECT_EQ(document.LayOut(), written) << "a settled document lays out as it was written";
}

} // namespace
} // namespace tallowby::platform

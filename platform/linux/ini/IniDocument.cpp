#include "platform/linux/ini/IniDocument.h"

#include "platform/linux/ini/IniLayout.h"
#include "platform/linux/ini/IniLexer.h"
#include "platform/linux/ini/FirstLookUp.h"

#include <algorithm>
#include <utility>

namespace tallowby::platform {

IniDocument IniDocument::FromText(std::string read, IniSpeedUps speedUps)
{
    IniDocument document;
    document.speedUps_ = speedUps;
    document.text_ = std::move(read);
    document.state_ = State::Unread;
    return document;
}

void IniDocument::ReadLines()
{
    if (LinesRead())
        return;
    const std::string_view text = text_;
    sections_.clear();
    sections_.push_back(Section{{}, false, {}, {}});

    auto span = [&](std::string_view part) {
        return Span{static_cast<std::uint32_t>(part.data() - text.data()), static_cast<std::uint32_t>(part.size())};
    };
    // Lines of a settings file run some 30 bytes; a close guess spares the
    // entries' vector its growth, and its peak with it.
    sections_.back().entries.reserve(text.size() / 24);
    // Whether every line is as LayOut writes it, so that a change can be
    // spliced in (see SpliceChange).
    bool inLayout = true;
    for (std::size_t start = 0; start < text.size();) {
        const std::string_view raw = NextLine(text, start);
        const IniLine line = ReadLine(raw);
        const std::size_t rawEnd = static_cast<std::size_t>(raw.data() - text.data()) + raw.size();
        inLayout = inLayout && ini_layout::IsLaidOut(raw, text.substr(rawEnd, start - rawEnd), line);
        if (line.kind == IniLine::Kind::Blank)
            continue;
        if (line.kind == IniLine::Kind::Header) {
            sections_.push_back(Section{span(line.name), true, {}, {}});
            continue;
        }
        const Entry entry{span(line.name), line.value ? span(*line.value) : Span{kNoValue, 0}};
        auto &entries = sections_.back().entries;
        // The platform drops an entry without a name that follows another.
        if (entry.name.length == 0 && !entries.empty() && entries.back().name.length == 0) {
            inLayout = false;
            continue;
        }
        if (entries.empty() && sections_.size() > 1 && sections_.front().entries.capacity() > 0 &&
            sections_.front().entries.empty()) {
            // The guess was for the section that holds the lines.
            entries.swap(sections_.front().entries);
        }
        entries.push_back(entry);
    }
    state_ = inLayout ? State::LaidOut : State::NotLaidOut;
}

void IniDocument::NoteChange(bool readsBack)
{
    if (!readsBack)
        state_ = State::ReadsBackOtherwise;
    else if (state_ == State::LaidOut)
        state_ = State::OneChangeSinceLaidOut;
    else if (state_ == State::OneChangeSinceLaidOut)
        state_ = State::NotLaidOut;
}

void IniDocument::NoteRemoval()
{
    if (state_ != State::ReadsBackOtherwise)
        state_ = State::NotLaidOut;
}

std::string IniDocument::Release()
{
    std::string text = std::move(text_);
    *this = FromText({}, speedUps_);
    state_ = State::NotLaidOut;
    return text;
}

// Unchecked: every span lies within its text.
std::string_view IniDocument::View(Span span) const
{
    if (span.offset & kAdded)
        return std::string_view(added_.data() + (span.offset & ~kAdded), span.length);
    return std::string_view(text_.data() + span.offset, span.length);
}

IniDocument::Span IniDocument::Add(std::string_view text)
{
    const Span span{kAdded | static_cast<std::uint32_t>(added_.size()), static_cast<std::uint32_t>(text.size())};
    added_.append(text);
    return span;
}

const IniDocument::Section *IniDocument::FindSection(std::string_view name) const
{
    name = TrimBlanks(name);
    const auto found = std::find_if(sections_.begin(), sections_.end(),
                                    [&](const Section &s) { return SameAsTrimmed(View(s.name), name); });
    return found == sections_.end() ? nullptr : &*found;
}

IniDocument::Section *IniDocument::FindSection(std::string_view name)
{
    return const_cast<Section *>(std::as_const(*this).FindSection(name));
}

std::optional<std::size_t> IniDocument::FindEntry(const Section &section, std::string_view name) const
{
    auto nameAt = [&](std::size_t i) { return View(section.entries[i].name); };
    if (speedUps_.nameIndex)
        return section.index.Find(name, section.entries.size(), nameAt);
    name = TrimBlanks(name);
    for (std::size_t i = 0; i < section.entries.size(); ++i) {
        if (SameAsTrimmed(nameAt(i), name))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key)
{
    const auto value = FindView(section, key);
    return value ? std::optional<std::string>(*value) : std::nullopt;
}

std::optional<std::string_view> IniDocument::FindView(std::string_view section, std::string_view key)
{
    // One look-up is cheaper in the text than reading all its lines; the
    // next ones pay for them. Blank names are left to the lines.
    if (speedUps_.firstLookUp && state_ == State::Unread && !TrimBlanks(section).empty() &&
        !TrimBlanks(key).empty()) {
        state_ = State::Scanned;
        return ScanForValue(text_, section, key);
    }
    ReadLines();
    const Section *found = FindSection(section);
    if (found == nullptr)
        return std::nullopt;
    // The first entry of that name decides, even when it has no value.
    const auto index = FindEntry(*found, key);
    if (!index || !found->entries[*index].hasValue())
        return std::nullopt;
    // Values this process wrote keep their trailing blanks until settled.
    return TrimBlanks(View(found->entries[*index].value));
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value)
{
    value = TrimLeadingBlanks(value);
    ReadLines();
    Section *found = FindSection(section);
    bool readsBack = true;
    if (found == nullptr) {
        readsBack = ini_layout::HeaderReadsBack(TrimLeadingBlanks(section));
        sections_.push_back(Section{Add(TrimLeadingBlanks(section)), true, {}, {}});
        found = &sections_.back();
        unsettled_.push_back({sections_.size() - 1, kHeader});
    }
    const std::size_t sectionNumber = static_cast<std::size_t>(found - sections_.data());
    if (const auto index = FindEntry(*found, key)) {
        Entry &entry = found->entries[*index];
        if (entry.hasValue() && View(entry.value) == value)
            return false;
        replaced_ = entry.value;
        entry.value = Add(value); // the stored spelling of the name stays
        unsettled_.push_back({sectionNumber, *index});
        NoteChange(readsBack && ini_layout::EntryReadsBack({}, value));
        return true;
    }
    const std::string_view name = TrimLeadingBlanks(key);
    found->entries.push_back(Entry{Add(name), Add(value)});
    unsettled_.push_back({sectionNumber, found->entries.size() - 1});
    found->index.Added(name, found->entries.size());
    NoteChange(readsBack && ini_layout::EntryReadsBack(name, value));
    return true;
}

// Unlike a look-up, a removal takes the names as given: blanks around them
// are part of them, as on the platform.
bool IniDocument::SameAsGiven(Span span, std::string_view name) const
{
    return span.length == name.size() && SameName(View(span), name);
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key)
{
    ReadLines();
    // The platform looks for the key through every section of that name,
    // and removes the first it finds.
    for (Section &found : sections_) {
        if (!SameAsGiven(found.name, section))
            continue;
        const auto entry = std::find_if(found.entries.begin(), found.entries.end(),
                                        [&](const Entry &e) { return SameAsGiven(e.name, key); });
        if (entry == found.entries.end())
            continue;
        const auto index = entry - found.entries.begin();
        TrimWritten(); // numbers are about to move; blanks are no longer news
        NoteRemoval();
        found.entries.erase(found.entries.begin() + index);
        found.index.Clear();
        // The platform drops an entry without a name that follows another,
        // and the removal may have brought two together.
        const auto &entries = found.entries;
        if (index > 0 && static_cast<std::size_t>(index) < entries.size() && entries[index - 1].name.length == 0 &&
            entries[index].name.length == 0)
            state_ = State::ReadsBackOtherwise;
        return true;
    }
    return false;
}

bool IniDocument::RemoveSection(std::string_view section)
{
    ReadLines();
    const auto found = std::find_if(sections_.begin(), sections_.end(),
                                    [&](const Section &s) { return SameAsGiven(s.name, section); });
    if (found == sections_.end())
        return false;
    TrimWritten(); // numbers are about to move; blanks are no longer news
    NoteRemoval();
    // The lines before the first header go, but their place stays first, as
    // on the platform: a later key of the section "" lands there again.
    if (!found->headed) {
        found->entries.clear();
        found->index.Clear();
        return true;
    }
    sections_.erase(found);
    return true;
}

std::vector<std::string> IniDocument::SectionNames()
{
    ReadLines();
    std::vector<std::string> names;
    for (const Section &section : sections_) {
        if (section.headed && section.name.length > 0)
            names.emplace_back(View(section.name));
    }
    return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section)
{
    ReadLines();
    std::vector<std::string> names;
    const auto found = std::find_if(sections_.begin(), sections_.end(),
                                    [&](const Section &s) { return SameAsGiven(s.name, section); });
    if (found == sections_.end())
        return names;
    // The platform lists no name that starts as a comment does.
    for (const Entry &entry : found->entries) {
        if (entry.hasValue() && !View(entry.name).starts_with(';'))
            names.emplace_back(View(entry.name));
    }
    return names;
}

} // namespace tallowby::platform

#include "platform/linux/IniDocument.h"

#include "platform/linux/IniLayout.h"
#include "platform/linux/IniLexer.h"
#include "platform/linux/IniScan.h"

#include <algorithm>
#include <utility>

namespace tallowby::platform {

namespace {

// Whether `raw`, a line as NextLine gives it, is what LayOut writes for
// `line`, what ReadLine reads in it.
bool InLayout(std::string_view raw, const IniLine &line)
{
    const char *end = raw.data() + raw.size();
    switch (line.kind) {
    case IniLine::Kind::Blank:
        return false;
    case IniLine::Kind::Header:
        return !line.name.empty() && line.name.data() == raw.data() + 1 && line.name.size() + 2 == raw.size();
    case IniLine::Kind::Entry:
        break;
    }
    if (line.name.data() != raw.data())
        return false;
    if (!line.value)
        return line.name.size() == raw.size();
    return line.value->data() == raw.data() + line.name.size() + 1 && line.value->data() + line.value->size() == end;
}

} // namespace

IniDocument IniDocument::FromText(std::string read)
{
    IniDocument document;
    document.text_ = std::move(read);
    document.parsed_ = false;
    return document;
}

void IniDocument::EnsureParsed()
{
    if (parsed_)
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
        inLayout = inLayout && InLayout(raw, line) && start <= text.size() &&
                   raw.data() + raw.size() + 2 == text.data() + start && text.substr(start - 2, 2) == "\r\n";
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
    inLayout_ = inLayout && changes_ == 0;
    parsed_ = true;
}

std::string IniDocument::Release()
{
    std::string text = std::move(text_);
    *this = IniDocument();
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
    const auto found = std::find_if(sections_.begin(), sections_.end(),
                                    [&](const Section &s) { return SameName(View(s.name), name); });
    return found == sections_.end() ? nullptr : &*found;
}

IniDocument::Section *IniDocument::FindSection(std::string_view name)
{
    return const_cast<Section *>(std::as_const(*this).FindSection(name));
}

std::optional<std::size_t> IniDocument::FindEntry(const Section &section, std::string_view name) const
{
    return section.index.Find(name, section.entries.size(),
                              [&](std::size_t i) { return View(section.entries[i].name); });
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key)
{
    // One look-up is cheaper in the text than reading all its lines; the
    // next ones pay for them. Blank names are left to the lines.
    if (!parsed_ && !scanned_ && !TrimBlanks(section).empty() && !TrimBlanks(key).empty()) {
        scanned_ = true;
        const auto value = ScanForValue(text_, section, key);
        return value ? std::optional<std::string>(*value) : std::nullopt;
    }
    EnsureParsed();
    const Section *found = FindSection(section);
    if (found == nullptr)
        return std::nullopt;
    // The first entry of that name decides, even when it has no value.
    const auto index = FindEntry(*found, key);
    if (!index || !found->entries[*index].hasValue())
        return std::nullopt;
    // Values this process wrote keep their trailing blanks until settled.
    return std::string(TrimBlanks(View(found->entries[*index].value)));
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value)
{
    EnsureParsed();
    value = TrimLeadingBlanks(value);
    Section *found = FindSection(section);
    if (found == nullptr) {
        readsBack_ = readsBack_ && ini_layout::HeaderReadsBack(TrimLeadingBlanks(section));
        sections_.push_back(Section{Add(TrimLeadingBlanks(section)), true, {}, {}});
        found = &sections_.back();
        unsettled_.push_back({sections_.size() - 1, kHeader});
    }
    const std::size_t sectionNumber = static_cast<std::size_t>(found - sections_.data());
    if (const auto index = FindEntry(*found, key)) {
        Entry &entry = found->entries[*index];
        if (entry.hasValue() && View(entry.value) == value)
            return false;
        readsBack_ = readsBack_ && ini_layout::EntryReadsBack({}, value);
        replaced_ = entry.value;
        entry.value = Add(value); // the stored spelling of the name stays
        unsettled_.push_back({sectionNumber, *index});
        ++changes_;
        return true;
    }
    const std::string_view name = TrimLeadingBlanks(key);
    readsBack_ = readsBack_ && ini_layout::EntryReadsBack(name, value);
    found->entries.push_back(Entry{Add(name), Add(value)});
    unsettled_.push_back({sectionNumber, found->entries.size() - 1});
    found->index.Added(name, found->entries.size());
    ++changes_;
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
    EnsureParsed();
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
        inLayout_ = false;
        found.entries.erase(found.entries.begin() + index);
        found.index.Clear();
        // The platform drops an entry without a name that follows another,
        // and the removal may have brought two together.
        const auto &entries = found.entries;
        if (index > 0 && static_cast<std::size_t>(index) < entries.size() && entries[index - 1].name.length == 0 &&
            entries[index].name.length == 0)
            readsBack_ = false;
        return true;
    }
    return false;
}

bool IniDocument::RemoveSection(std::string_view section)
{
    EnsureParsed();
    const auto found = std::find_if(sections_.begin(), sections_.end(),
                                    [&](const Section &s) { return SameAsGiven(s.name, section); });
    if (found == sections_.end())
        return false;
    TrimWritten(); // numbers are about to move; blanks are no longer news
    inLayout_ = false;
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
    EnsureParsed();
    std::vector<std::string> names;
    for (const Section &section : sections_) {
        if (section.headed && section.name.length > 0)
            names.emplace_back(View(section.name));
    }
    return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section)
{
    EnsureParsed();
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

template <typename Self, typename Placed>
std::size_t IniDocument::Place(Self &self, Placed placed)
{
    std::size_t at = 0;
    for (auto &section : self.sections_) {
        // The lines before the first header have no header line.
        if (section.headed) {
            const auto line = ini_layout::Header(section.name.length);
            placed(section.name, at + line.name);
            at += line.length;
        }
        for (auto &entry : section.entries) {
            const bool hasValue = entry.hasValue();
            const std::optional<std::size_t> valueLength =
                hasValue ? std::optional<std::size_t>(entry.value.length) : std::nullopt;
            const auto line = ini_layout::Entry(entry.name.length, valueLength);
            placed(entry.name, at + line.name);
            if (hasValue)
                placed(entry.value, at + line.value);
            at += line.length;
        }
    }
    return at;
}

std::string IniDocument::LayOut()
{
    EnsureParsed();
    std::string text;
    text.reserve(Place(*this, [](const Span &, std::size_t) {}));
    for (const Section &section : sections_) {
        if (section.headed)
            ini_layout::AppendHeader(text, View(section.name));
        for (const Entry &entry : section.entries)
            ini_layout::AppendEntry(text, View(entry.name),
                                    entry.hasValue() ? std::optional(View(entry.value)) : std::nullopt);
    }
    return text;
}

void IniDocument::SettleLaidOut(std::string written)
{
    EnsureParsed();
    // A section without a name was written without its header, so its
    // lines now belong to the section before it, and a piece that does not
    // read back as itself makes other lines; only reading the text again
    // tells what they make.
    const bool nameless = std::any_of(sections_.begin(), sections_.end(), [](const Section &section) {
        return section.headed && section.name.length == 0;
    });
    if (nameless || !readsBack_) {
        *this = FromText(std::move(written));
        return;
    }
    // Every name and value now lies where LayOut put it.
    Place(*this, [](Span &span, std::size_t at) { span.offset = static_cast<std::uint32_t>(at); });
    text_ = std::move(written);
    added_.clear();
    added_.shrink_to_fit();
    // Blanks written after a name or value are not read back, so a text
    // that had them is no longer what LayOut gives.
    inLayout_ = !TrimWritten();
    changes_ = 0;
}

std::optional<IniDocument::Splice> IniDocument::SpliceChange() const
{
    if (!parsed_ || !inLayout_ || changes_ != 1 || !readsBack_)
        return std::nullopt;
    auto lineEnd = [](const Entry &entry) {
        return entry.hasValue() ? entry.value.offset + entry.value.length + 2 : entry.name.offset + entry.name.length + 2;
    };
    Splice splice;
    if (unsettled_.size() == 2 && unsettled_[0].entry == kHeader) {
        // A new section, with its one entry, at the end.
        const Section &section = sections_[unsettled_[0].section];
        if (section.name.length == 0)
            return std::nullopt;
        splice.at = text_.size();
        ini_layout::AppendHeader(splice.inserted, View(section.name));
        ini_layout::AppendEntry(splice.inserted, View(section.entries[0].name), View(section.entries[0].value));
        return splice;
    }
    if (unsettled_.size() != 1 || unsettled_[0].entry == kHeader)
        return std::nullopt;
    const Section &section = sections_[unsettled_[0].section];
    const Entry &entry = section.entries[unsettled_[0].entry];
    if ((entry.name.offset & kAdded) == 0) {
        // A new value of a name the text holds.
        if (replaced_.offset == kNoValue) {
            splice.at = entry.name.offset + entry.name.length;
            splice.inserted = '=';
        } else {
            splice.at = replaced_.offset;
            splice.removed = replaced_.length;
        }
        splice.inserted += View(entry.value);
        return splice;
    }
    // A new entry, after the section's last line.
    const std::size_t count = section.entries.size();
    if (count >= 2)
        splice.at = lineEnd(section.entries[count - 2]);
    else if (section.headed)
        splice.at = section.name.offset + section.name.length + 3;
    else
        splice.at = 0;
    ini_layout::AppendEntry(splice.inserted, View(entry.name), View(entry.value));
    return splice;
}

void IniDocument::SettleSpliced(const Splice &splice)
{
    text_.replace(splice.at, splice.removed, splice.inserted);
    const auto delta = static_cast<std::ptrdiff_t>(splice.inserted.size()) - static_cast<std::ptrdiff_t>(splice.removed);
    if (delta != 0)
        ShiftSpans(splice.at + splice.removed, delta);
    // The changed pieces now lie in the text, where the splice put them.
    for (const Written &written : unsettled_) {
        Section &section = sections_[written.section];
        std::size_t at = splice.at;
        if (written.entry == kHeader) {
            section.name = Span{static_cast<std::uint32_t>(at + 1), section.name.length};
            continue;
        }
        Entry &entry = section.entries[written.entry];
        if (entry.name.offset & kAdded) {
            if (unsettled_.size() == 2)
                at += section.name.length + 4; // after the new header's line
            entry.name = Span{static_cast<std::uint32_t>(at), entry.name.length};
            at += entry.name.length + 1;
        } else if (replaced_.offset == kNoValue) {
            at += 1; // after the "=" put in
        }
        entry.value = Span{static_cast<std::uint32_t>(at), entry.value.length};
    }
    added_.clear();
    inLayout_ = !TrimWritten();
    changes_ = 0;
}

void IniDocument::ShiftSpans(std::size_t from, std::ptrdiff_t delta)
{
    auto shift = [&](Span &span) {
        if ((span.offset & kAdded) == 0 && span.offset != kNoValue && span.offset >= from)
            span.offset = static_cast<std::uint32_t>(static_cast<std::ptrdiff_t>(span.offset) + delta);
    };
    for (Section &section : sections_) {
        shift(section.name);
        for (Entry &entry : section.entries) {
            shift(entry.name);
            shift(entry.value);
        }
    }
}

bool IniDocument::TrimWritten()
{
    bool trimmed = false;
    auto trim = [this, &trimmed](Span &span) {
        const std::string_view text = View(span);
        const std::string_view cut = TrimBlanks(text);
        trimmed = trimmed || cut.size() != text.size();
        span.offset += static_cast<std::uint32_t>(cut.data() - text.data());
        span.length = static_cast<std::uint32_t>(cut.size());
    };
    for (const Written &written : unsettled_) {
        Section &section = sections_[written.section];
        if (written.entry == kHeader) {
            trim(section.name);
            continue;
        }
        Entry &entry = section.entries[written.entry];
        trim(entry.name);
        if (entry.hasValue())
            trim(entry.value);
    }
    unsettled_.clear();
    return trimmed;
}

} // namespace tallowby::platform

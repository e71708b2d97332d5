#include "platform/linux/IniDocument.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tallowby::platform {

namespace {

// Sections this small are searched in order; an index would cost more.
constexpr std::size_t kIndexFrom = 16;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

std::uint32_t HashName(std::string_view name)
{
    name = TrimBlanks(name);
    std::uint32_t hash = 2166136261u;
    for (const char c : name)
        hash = (hash ^ static_cast<unsigned char>(FoldAscii(c))) * 16777619u;
    return hash;
}

} // namespace

std::string_view StripQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string_view TrimLeadingBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

std::string_view TrimBlanks(std::string_view text)
{
    text = TrimLeadingBlanks(text);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b)
{
    a = TrimBlanks(a);
    b = TrimBlanks(b);
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

IniDocument IniDocument::Parse(std::string read)
{
    IniDocument document;
    document.text_ = std::move(read);
    std::size_t start = 0;
    const std::string_view text = document.text_;
    document.sections_.push_back(Section{{}, false, {}, {}});

    auto span = [&](std::string_view part) {
        return Span{static_cast<std::uint32_t>(part.data() - text.data()), static_cast<std::uint32_t>(part.size())};
    };
    // Lines of a settings file run some 30 bytes; a close guess spares the
    // entries' vector its growth, and its peak with it.
    document.sections_.back().entries.reserve(text.size() / 24);
    while (start < text.size()) {
        const void *newline = std::memchr(text.data() + start, '\n', text.size() - start);
        const std::size_t end = newline ? static_cast<const char *>(newline) - text.data() : text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        // A lone CR ends a line too; a NUL ends the line's text, and the
        // next line still starts after the line end.
        if (const auto cr = line.find('\r'); cr != std::string_view::npos && cr + 1 < line.size()) {
            start = static_cast<std::size_t>(line.data() - text.data()) + cr + 1;
            line = line.substr(0, cr);
        }
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (const auto nul = line.find('\0'); nul != std::string_view::npos)
            line = line.substr(0, nul);

        line = TrimBlanks(line);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (const auto close = line.find(']'); close != std::string_view::npos) {
                document.sections_.push_back(Section{span(TrimBlanks(line.substr(1, close - 1))), true, {}, {}});
                continue;
            }
        }
        Entry entry{span(line), Span{kNoValue, 0}};
        if (const auto equals = line.find('='); equals != std::string_view::npos) {
            entry.name = span(TrimBlanks(line.substr(0, equals)));
            entry.value = span(TrimBlanks(line.substr(equals + 1)));
        }
        auto &entries = document.sections_.back().entries;
        // The platform drops an entry without a name that follows another.
        if (entry.name.length == 0 && !entries.empty() && entries.back().name.length == 0)
            continue;
        if (entries.empty() && document.sections_.size() > 1 && document.sections_.front().entries.capacity() > 0 &&
            document.sections_.front().entries.empty()) {
            // The guess was for the section that holds the lines.
            entries.swap(document.sections_.front().entries);
        }
        entries.push_back(entry);
    }
    return document;
}

std::string_view IniDocument::View(Span span) const
{
    if (span.offset & kAdded)
        return std::string_view(added_).substr(span.offset & ~kAdded, span.length);
    return std::string_view(text_).substr(span.offset, span.length);
}

IniDocument::Span IniDocument::Add(std::string_view text)
{
    const Span span{kAdded | static_cast<std::uint32_t>(added_.size()), static_cast<std::uint32_t>(text.size())};
    added_.append(text);
    changed_ = true;
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

void IniDocument::BuildIndex(const Section &section) const
{
    std::size_t capacity = 16;
    while (capacity < section.entries.size() * 2)
        capacity *= 2;
    section.index.assign(capacity, 0);
    for (std::size_t i = 0; i < section.entries.size(); ++i) {
        const std::string_view name = View(section.entries[i].name);
        for (std::size_t slot = HashName(name) & (capacity - 1);; slot = (slot + 1) & (capacity - 1)) {
            if (section.index[slot] == 0) {
                section.index[slot] = static_cast<std::uint32_t>(i + 1);
                break;
            }
            // The first of equal names is the one that counts.
            if (SameName(View(section.entries[section.index[slot] - 1].name), name))
                break;
        }
    }
}

std::optional<std::size_t> IniDocument::FindEntry(const Section &section, std::string_view name) const
{
    // The first look-up after reading goes through the entries in order: a
    // file read for one get is then not worth indexing yet.
    if (section.entries.size() < kIndexFrom || (section.index.empty() && !section.searched)) {
        section.searched = true;
        for (std::size_t i = 0; i < section.entries.size(); ++i) {
            if (SameName(View(section.entries[i].name), name))
                return i;
        }
        return std::nullopt;
    }
    if (section.index.empty())
        BuildIndex(section);
    const std::size_t mask = section.index.size() - 1;
    for (std::size_t slot = HashName(name) & mask; section.index[slot] != 0; slot = (slot + 1) & mask) {
        const std::size_t i = section.index[slot] - 1;
        if (SameName(View(section.entries[i].name), name))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string_view> IniDocument::FindQuoted(std::string_view section, std::string_view key) const
{
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

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const
{
    const auto value = FindQuoted(section, key);
    return value ? std::optional<std::string_view>(StripQuotes(*value)) : std::nullopt;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value)
{
    value = TrimLeadingBlanks(value);
    Section *found = FindSection(section);
    if (found == nullptr) {
        sections_.push_back(Section{Add(TrimLeadingBlanks(section)), true, {}, {}});
        found = &sections_.back();
        unsettled_.push_back({sections_.size() - 1, kHeader});
    }
    const std::size_t sectionNumber = static_cast<std::size_t>(found - sections_.data());
    if (const auto index = FindEntry(*found, key)) {
        Entry &entry = found->entries[*index];
        if (entry.hasValue() && View(entry.value) == value)
            return false;
        entry.value = Add(value); // the stored spelling of the name stays
        unsettled_.push_back({sectionNumber, *index});
        return true;
    }
    const Span name = Add(TrimLeadingBlanks(key));
    found->entries.push_back(Entry{name, Add(value)});
    unsettled_.push_back({sectionNumber, found->entries.size() - 1});
    // The name is new to the section, so it takes a free slot of the index;
    // past half full the index is rebuilt, larger, at the next look-up.
    if (!found->index.empty()) {
        if (found->entries.size() * 2 > found->index.size()) {
            found->index.clear();
        } else {
            const std::size_t mask = found->index.size() - 1;
            std::size_t slot = HashName(key) & mask;
            while (found->index[slot] != 0)
                slot = (slot + 1) & mask;
            found->index[slot] = static_cast<std::uint32_t>(found->entries.size());
        }
    }
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
        found.entries.erase(found.entries.begin() + index);
        found.index.clear();
        changed_ = true;
        return true;
    }
    return false;
}

bool IniDocument::RemoveSection(std::string_view section)
{
    const auto found = std::find_if(sections_.begin(), sections_.end(),
                                    [&](const Section &s) { return SameAsGiven(s.name, section); });
    if (found == sections_.end())
        return false;
    TrimWritten(); // numbers are about to move; blanks are no longer news
    sections_.erase(found);
    changed_ = true;
    return true;
}

std::vector<std::string> IniDocument::SectionNames() const
{
    std::vector<std::string> names;
    for (const Section &section : sections_) {
        if (section.headed)
            names.emplace_back(View(section.name));
    }
    return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const
{
    std::vector<std::string> names;
    if (const Section *found = FindSection(section)) {
        for (const Entry &entry : found->entries) {
            if (entry.hasValue())
                names.emplace_back(View(entry.name));
        }
    }
    return names;
}

// Writes the platform's layout and points every name and value into it, so
// the text added by changes is dropped again.
void IniDocument::Rebase()
{
    std::size_t size = 0;
    for (const Section &section : sections_) {
        size += section.headed ? section.name.length + 4 : 0;
        for (const Entry &entry : section.entries)
            size += entry.name.length + (entry.hasValue() ? entry.value.length + 1 : 0) + 2;
    }
    std::string bytes;
    bytes.reserve(size);
    auto put = [&](Span &span) {
        const std::string_view text = View(span);
        span = Span{static_cast<std::uint32_t>(bytes.size()), span.length};
        bytes.append(text);
    };
    for (Section &section : sections_) {
        // A section without a name is written without its header, as the
        // platform writes it.
        if (section.headed && section.name.length > 0) {
            bytes += '[';
            put(section.name);
            bytes += "]\r\n";
        } else {
            section.name = Span{};
        }
        for (Entry &entry : section.entries) {
            put(entry.name);
            if (entry.hasValue()) {
                bytes += '=';
                put(entry.value);
            }
            bytes += "\r\n";
        }
    }
    if (!keptBefore_) {
        before_ = std::move(text_);
        keptBefore_ = true;
    }
    text_ = std::move(bytes);
    added_.clear();
    added_.shrink_to_fit();
    changed_ = false;
}

void IniDocument::Settle()
{
    before_.clear();
    before_.shrink_to_fit();
    keptBefore_ = false;
    // A section without a name was written without its header, so its
    // lines now belong to the section before it; only reading the bytes
    // again tells what they make.
    const bool nameless = std::any_of(sections_.begin(), sections_.end(), [](const Section &section) {
        return section.headed && section.name.length == 0;
    });
    if (nameless) {
        *this = Parse(std::string(Text()));
        return;
    }
    TrimWritten();
}

void IniDocument::TrimWritten()
{
    auto trim = [this](Span &span) {
        const std::string_view text = View(span);
        const std::string_view trimmed = TrimBlanks(text);
        span.offset += static_cast<std::uint32_t>(trimmed.data() - text.data());
        span.length = static_cast<std::uint32_t>(trimmed.size());
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
}

const std::string &IniDocument::Text()
{
    if (changed_)
        Rebase();
    return text_;
}

const std::string &IniDocument::TextBeforeChanges()
{
    if (changed_)
        Rebase(); // keeps the text before the changes
    return keptBefore_ ? before_ : text_;
}

} // namespace tallowby::platform

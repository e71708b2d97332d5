#include "platform/linux/IniDocument.h"

#include <algorithm>
#include <utility>

namespace tallowby::platform {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

std::string_view StripQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

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

IniDocument IniDocument::Parse(std::string_view bytes)
{
    IniDocument document;
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        document.byteOrderMark_ = true;
        bytes.remove_prefix(kUtf8Mark.size());
    }
    document.sections_.push_back(Section{{}, false, {}});

    std::size_t start = 0;
    while (start < bytes.size()) {
        auto end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (end < bytes.size() && bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n')
            ++start;

        line = TrimBlanks(line.substr(0, line.find('\0')));
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (const auto close = line.find(']'); close != std::string_view::npos) {
                document.sections_.push_back(Section{std::string(TrimBlanks(line.substr(1, close - 1))), true, {}});
                continue;
            }
        }
        Entry entry;
        if (const auto equals = line.find('='); equals != std::string_view::npos) {
            entry.name = TrimBlanks(line.substr(0, equals));
            entry.value = std::string(TrimBlanks(line.substr(equals + 1)));
        } else {
            entry.name = line;
        }
        document.sections_.back().entries.push_back(std::move(entry));
    }
    return document;
}

const IniDocument::Section *IniDocument::FindSection(std::string_view name) const
{
    const auto found = std::find_if(sections_.begin(), sections_.end(),
                                    [&](const Section &s) { return s.headed && SameName(s.name, name); });
    return found == sections_.end() ? nullptr : &*found;
}

IniDocument::Section *IniDocument::FindSection(std::string_view name)
{
    return const_cast<Section *>(std::as_const(*this).FindSection(name));
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const
{
    const Section *found = FindSection(section);
    if (found == nullptr)
        return std::nullopt;
    // The first entry of that name decides, even when it has no value.
    for (const Entry &entry : found->entries) {
        if (SameName(entry.name, key)) {
            if (!entry.value)
                return std::nullopt;
            return std::string(StripQuotes(*entry.value));
        }
    }
    return std::nullopt;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value)
{
    value = TrimLeadingBlanks(value);
    Section *found = FindSection(section);
    if (found == nullptr) {
        sections_.push_back(Section{std::string(TrimLeadingBlanks(section)), true, {}});
        found = &sections_.back();
    }
    for (Entry &entry : found->entries) {
        if (SameName(entry.name, key)) {
            if (entry.value == value)
                return false;
            entry.value = std::string(value); // the stored spelling of the name stays
            return true;
        }
    }
    found->entries.push_back(Entry{std::string(TrimLeadingBlanks(key)), std::string(value)});
    return true;
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key)
{
    Section *found = FindSection(section);
    if (found == nullptr)
        return false;
    const auto entry = std::find_if(found->entries.begin(), found->entries.end(),
                                    [&](const Entry &e) { return SameName(e.name, key); });
    if (entry == found->entries.end())
        return false;
    found->entries.erase(entry);
    return true;
}

bool IniDocument::RemoveSection(std::string_view section)
{
    const Section *found = FindSection(section);
    if (found == nullptr)
        return false;
    sections_.erase(sections_.begin() + (found - sections_.data()));
    return true;
}

std::vector<std::string> IniDocument::SectionNames() const
{
    std::vector<std::string> names;
    for (const Section &section : sections_) {
        if (section.headed)
            names.push_back(section.name);
    }
    return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const
{
    std::vector<std::string> names;
    if (const Section *found = FindSection(section)) {
        for (const Entry &entry : found->entries) {
            if (entry.value)
                names.push_back(entry.name);
        }
    }
    return names;
}

std::string IniDocument::Serialize() const
{
    std::string bytes(byteOrderMark_ ? kUtf8Mark : std::string_view());
    for (const Section &section : sections_) {
        if (section.headed)
            bytes.append("[").append(section.name).append("]\r\n");
        for (const Entry &entry : section.entries) {
            bytes += entry.name;
            if (entry.value)
                bytes.append("=").append(*entry.value);
            bytes += "\r\n";
        }
    }
    return bytes;
}

} // namespace tallowby::platform

#include "platform/linux/IniDocument.h"

namespace tallowby::platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Windows-1252 letters fold to their lower-case partner.
unsigned char Fold(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return static_cast<unsigned char>(c + 0x20);
    switch (c) {
    case 0x8A: return 0x9A; // S with caron
    case 0x8C: return 0x9C; // OE
    case 0x8E: return 0x9E; // Z with caron
    case 0x9F: return 0xFF; // Y with diaeresis
    default: return c;
    }
}

enum class LineKind { Other, Section, Entry };

struct Line {
    LineKind kind = LineKind::Other;
    std::string_view name;
    std::string_view value;
};

Line Classify(std::string_view text)
{
    const std::string_view trimmed = TrimBlanks(text);
    if (!trimmed.empty() && trimmed.front() == '[') {
        std::string_view name = trimmed.substr(1);
        name = name.substr(0, name.find(']'));
        return {LineKind::Section, TrimBlanks(name), {}};
    }
    const auto equals = trimmed.find('=');
    if (equals == std::string_view::npos)
        return {LineKind::Other, trimmed, {}};
    return {LineKind::Entry, TrimBlanks(trimmed.substr(0, equals)), TrimBlanks(trimmed.substr(equals + 1))};
}

std::string_view StripQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

IniDocument IniDocument::Parse(std::string_view bytes)
{
    IniDocument document;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            document.lines_.emplace_back(bytes.substr(start));
            break;
        }
        document.lines_.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n')
            ++start;
    }
    return document;
}

std::optional<IniDocument::Section> IniDocument::FindSection(std::string_view name) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line line = Classify(lines_[i]);
        if (line.kind != LineKind::Section || !SameName(line.name, name))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && Classify(lines_[end]).kind != LineKind::Section)
            ++end;
        return Section{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniDocument::FindKey(const Section &section, std::string_view key) const
{
    for (std::size_t i = section.header + 1; i < section.end; ++i) {
        const Line line = Classify(lines_[i]);
        if (line.kind == LineKind::Entry && SameName(line.name, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const
{
    const auto found = FindSection(section);
    if (!found)
        return std::nullopt;
    const auto index = FindKey(*found, TrimBlanks(key));
    if (!index)
        return std::nullopt;
    return std::string(StripQuotes(Classify(lines_[*index]).value));
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value)
{
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    value = TrimBlanks(value);
    const auto found = FindSection(section);
    if (!found) {
        if (!lines_.empty() && !TrimBlanks(lines_.back()).empty())
            lines_.emplace_back();
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::string(key) + "=" + std::string(value));
        return;
    }
    if (const auto index = FindKey(*found, key)) {
        // The stored spelling of the name stays.
        const Line line = Classify(lines_[*index]);
        lines_[*index] = std::string(line.name) + "=" + std::string(value);
        return;
    }
    // After the section's last non-blank line, before the blank lines that
    // part it from the next section.
    std::size_t at = found->end;
    while (at > found->header + 1 && TrimBlanks(lines_[at - 1]).empty())
        --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::string(key) + "=" + std::string(value));
}

void IniDocument::RemoveKey(std::string_view section, std::string_view key)
{
    if (const auto found = FindSection(TrimBlanks(section))) {
        if (const auto index = FindKey(*found, TrimBlanks(key)))
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*index));
    }
}

void IniDocument::RemoveSection(std::string_view section)
{
    if (const auto found = FindSection(TrimBlanks(section)))
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(found->header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(found->end));
}

std::vector<std::string> IniDocument::SectionNames() const
{
    std::vector<std::string> names;
    for (const auto &text : lines_) {
        if (const Line line = Classify(text); line.kind == LineKind::Section)
            names.emplace_back(line.name);
    }
    return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const
{
    std::vector<std::string> names;
    if (const auto found = FindSection(TrimBlanks(section))) {
        for (std::size_t i = found->header + 1; i < found->end; ++i) {
            if (const Line line = Classify(lines_[i]); line.kind == LineKind::Entry)
                names.emplace_back(line.name);
        }
    }
    return names;
}

std::string IniDocument::Serialize() const
{
    std::string bytes;
    for (const auto &line : lines_) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace tallowby::platform

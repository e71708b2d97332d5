#include "platform/linux/ini/StreamedSet.h"

#include "platform/linux/ini/IniLexer.h"
#include "platform/linux/ini/LayoutCheck.h"

namespace tallowby::platform {

StreamedSet::StreamedSet(std::string_view section, std::string_view key, std::string_view value,
                         std::size_t buffer)
    : lookUp_(section, key, buffer), section_(section), key_(key), value_(TrimLeadingBlanks(value))
{
    // As IniDocument::Set takes a value.
}

bool StreamedSet::LaidOut(std::string_view lines)
{
    if (lines.empty())
        return true;
    // Pieces end at an LF, so each checks as a text of its own, but for the
    // one rule that looks across lines: no entry without a name follows
    // another.
    if (lines.back() != '\n' || (lastLineNameless_ && lines.front() == '=') || !IsInLayout(lines))
        return false;
    const std::size_t lastLine = lines.size() < 2 ? 0 : lines.rfind('\n', lines.size() - 2);
    lastLineNameless_ = lines[lastLine == std::string_view::npos ? 0 : lastLine + 1] == '=';
    return true;
}

std::array<std::string_view, 3> StreamedSet::Took(std::size_t size)
{
    if (outcome_ != Outcome::Copying)
        return {};
    lookUp_.Took(size);
    const std::string_view lines = lookUp_.Lines();
    if (!LaidOut(lines)) {
        outcome_ = Outcome::LaidOut;
        return {};
    }
    if (!splice_ && lookUp_.Done()) {
        if (lookUp_.Site().kind == IniDocument::SetSite::Kind::Value && lookUp_.Value() == value_) {
            outcome_ = Outcome::Unchanged;
            return {};
        }
        splice_ = IniDocument::SpliceSet(lookUp_.Site(), section_, key_, value_);
        if (!splice_) {
            outcome_ = Outcome::LaidOut;
            return {};
        }
        // Its place lies in these lines or at their end: lines are handed
        // over whole, and the site is known once its lines are.
        const std::size_t cut = splice_->at - lookUp_.LinesAt();
        if (size == 0)
            outcome_ = Outcome::Written;
        return {lines.substr(0, cut), splice_->inserted, lines.substr(cut + splice_->removed)};
    }
    if (size == 0)
        outcome_ = Outcome::Written;
    return {lines, {}, {}};
}

} // namespace tallowby::platform

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tallowby::platform {

// The layout in which the platform writes a settings file back: a line
// "[name]" per section, then a line "name=value" per entry ("name" alone for
// a bare name), each line ending in CR LF, and no blank lines. A section
// without a name gets no header line, so its lines join the section before
// it when the file is read again.
class IniLayout {
public:
    // Lays the lines out at the end of `out`; with none, only counts, to
    // tell where each piece would land.
    explicit IniLayout(std::string *out = nullptr) : out_(out) {}

    // Where a name and value landed, from the start of the layout.
    struct Placed {
        std::size_t name = 0;
        std::size_t value = 0;
    };

    // Lays out a section's header; returns where its name lands.
    std::size_t Header(std::string_view name);
    // Lays out an entry, with `value` or as a bare name.
    Placed Entry(std::string_view name, std::optional<std::string_view> value);

    // The length of the text laid out so far.
    std::size_t size() const { return size_; }

private:
    void Put(std::string_view text);

    std::string *out_;
    std::size_t size_ = 0;
};

} // namespace tallowby::platform

#pragma once
// A text file of "[section]" headers and "key=value" lines, read and edited in
// place. Editing touches only the line of the key being set (or adds one line,
// or a header and a line); every other byte of the file, including comments,
// blank lines, lines we do not understand and the file's own line endings,
// comes back out of Text() unchanged, so a file that the user edited by hand
// survives the program writing its own keys into it.
//
// Reading rules:
// - Lines end at "\n" or "\r\n". A lone "\r" is not a line end; it is an
//   ordinary byte of the line (and a blank when it stands at either end).
// - Names and values are compared and returned without the blanks (space,
//   tab, CR, VT, FF) around them. Names match ASCII letters without regard to
//   case; other bytes match exactly.
// - A header is a line whose first non-blank character is '['; the name is
//   what lies between it and the first ']'. A '[' without any ']' still starts
//   a section, but one whose name matches nothing, so the keys under a broken
//   header are never taken for keys of the section above it.
// - A key line holds '='; the key is the text before the first '=', the value
//   the text after it. Lines starting with ';' or '#' are comments. Lines
//   before the first header belong to no section and are never matched.
// - A section that appears more than once is one section spread over several
//   places: a key is looked for in all of them, in file order, and the first
//   occurrence wins. A key that appears twice is read from, and set at, its
//   first occurrence; the later ones are kept untouched.
// - A UTF-8 byte-order mark at the start of the file is kept and skipped.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace earloop {

class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view text);

    // Value of the first occurrence of the key in the section, blanks around
    // it removed; nullopt when the section or the key is missing.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Replaces the value of the key's first occurrence (the key's spelling and
    // everything before the value stay as the file had them); otherwise adds
    // "key=value" after the last non-blank line of the section's first
    // occurrence; otherwise adds the section header and the key at the end of
    // the file. Line breaks in the value would split the line, so they are
    // dropped from it.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // The whole file.
    std::string Text() const;

private:
    struct Line {
        std::string text;  // without the line end
        std::string end;   // "\n", "\r\n", or "" for a last line without one
    };

    // A key line found in the file.
    struct KeyHit {
        std::size_t line = 0;
        std::size_t valueStart = 0;  // offset of the value in the line's text
    };

    std::optional<KeyHit> FindKey(std::string_view section, std::string_view key) const;
    std::string_view Content(std::size_t line) const;  // text without a leading BOM
    std::size_t ContentOffset(std::size_t line) const;
    void InsertLine(std::size_t before, std::string text);

    std::vector<Line> lines_;
    std::string newline_ = "\n";  // used for the lines we add
};

}  // namespace earloop

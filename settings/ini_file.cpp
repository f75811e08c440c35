#include "settings/ini_file.h"

#include <algorithm>
#include <utility>

namespace earloop {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

enum class Kind { Blank, Comment, Header, Key, Other };

// What one line of the file is. For a header, `name` is its section name and
// `named` tells whether the header was closed by ']'. For a key line, `name`
// is the key and `valueStart` the offset of the value's first non-blank byte.
struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;
    bool named = false;
    std::size_t valueStart = 0;
};

Parsed ParseLine(std::string_view content) {
    Parsed p;
    const std::string_view trimmed = Trim(content);
    if (trimmed.empty()) {
        p.kind = Kind::Blank;
        return p;
    }
    if (trimmed.front() == '[') {
        p.kind = Kind::Header;
        const std::size_t close = trimmed.find(']', 1);
        if (close != std::string_view::npos) {
            p.name = Trim(trimmed.substr(1, close - 1));
            p.named = true;
        }
        return p;
    }
    if (trimmed.front() == ';' || trimmed.front() == '#') {
        p.kind = Kind::Comment;
        return p;
    }
    const std::size_t eq = content.find('=');
    if (eq == std::string_view::npos) return p;
    p.name = Trim(content.substr(0, eq));
    if (p.name.empty()) return p;  // "=value" has no key anything could ask for
    p.kind = Kind::Key;
    std::size_t start = eq + 1;
    while (start < content.size() && IsBlank(content[start])) ++start;
    p.valueStart = start;
    return p;
}

}  // namespace

IniDocument::IniDocument(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lf = text.find('\n', pos);
        if (lf == std::string_view::npos) {
            lines_.push_back({std::string(text.substr(pos)), std::string()});
            break;
        }
        std::size_t contentEnd = lf;
        if (contentEnd > pos && text[contentEnd - 1] == '\r') --contentEnd;
        lines_.push_back({std::string(text.substr(pos, contentEnd - pos)),
                          std::string(text.substr(contentEnd, lf + 1 - contentEnd))});
        pos = lf + 1;
    }
    // Lines we add follow the file's own convention, judged by its first line end.
    for (const Line& line : lines_) {
        if (!line.end.empty()) {
            newline_ = line.end;
            break;
        }
    }
}

std::size_t IniDocument::ContentOffset(std::size_t line) const {
    if (line == 0 && std::string_view(lines_[0].text).starts_with(kBom)) return kBom.size();
    return 0;
}

std::string_view IniDocument::Content(std::size_t line) const {
    return std::string_view(lines_[line].text).substr(ContentOffset(line));
}

std::optional<IniDocument::KeyHit> IniDocument::FindKey(std::string_view section,
                                                        std::string_view key) const {
    section = Trim(section);
    key = Trim(key);
    bool inSection = false;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Parsed p = ParseLine(Content(i));
        if (p.kind == Kind::Header) {
            inSection = p.named && SameName(p.name, section);
        } else if (inSection && p.kind == Kind::Key && SameName(p.name, key)) {
            return KeyHit{i, p.valueStart};
        }
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    const std::optional<KeyHit> hit = FindKey(section, key);
    if (!hit) return std::nullopt;
    return std::string(Trim(Content(hit->line).substr(hit->valueStart)));
}

void IniDocument::InsertLine(std::size_t before, std::string text) {
    // A last line without a line end gets one, or the new line would run on
    // from it.
    if (before > 0 && lines_[before - 1].end.empty()) lines_[before - 1].end = newline_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(before),
                  Line{std::move(text), newline_});
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string clean;
    clean.reserve(value.size());
    for (char c : value) {
        if (c != '\r' && c != '\n') clean.push_back(c);
    }

    if (const std::optional<KeyHit> hit = FindKey(section, key)) {
        Line& line = lines_[hit->line];
        line.text.resize(ContentOffset(hit->line) + hit->valueStart);
        line.text += clean;
        return;
    }

    section = Trim(section);
    key = Trim(key);
    std::string keyLine = std::string(key) + "=" + clean;

    // First occurrence of the section: the key goes after its last non-blank
    // line, so blank lines that separate it from the next section stay there.
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Parsed p = ParseLine(Content(i));
        if (p.kind != Kind::Header || !p.named || !SameName(p.name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && ParseLine(Content(end)).kind != Kind::Header) ++end;
        std::size_t last = end - 1;
        while (last > i && Trim(Content(last)).empty()) --last;
        InsertLine(last + 1, std::move(keyLine));
        return;
    }

    std::string header = "[";
    header.append(section).append("]");
    InsertLine(lines_.size(), std::move(header));
    InsertLine(lines_.size(), std::move(keyLine));
}

std::string IniDocument::Text() const {
    std::size_t size = 0;
    for (const Line& line : lines_) size += line.text.size() + line.end.size();
    std::string out;
    out.reserve(size);
    for (const Line& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

}  // namespace earloop

#pragma once
// The program speaks UTF-8; the toolkit's strings are converted at the edge.

#include <wx/string.h>

#include <string>

namespace earloop {

inline wxString FromUtf8(const std::string& utf8) { return wxString::FromUTF8(utf8.data(), utf8.size()); }

}  // namespace earloop

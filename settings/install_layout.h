#pragma once
// Where the program finds the files it ships with: its picture modules and
// its help. Beside the program first (a build folder, a portable copy), then
// where an install puts them, found from the program's own folder so that
// any prefix works: <prefix>/bin/earloop looks in <prefix>/lib/earloop/ and
// <prefix>/share/earloop/. The install rules (packaging/CMakeLists.txt) use
// the same three folders.

#include <string>
#include <vector>

#include "ports/file_system.h"

namespace earloop {

enum class ShippedFiles { PictureModules, Help };

// From the installed program's folder to its modules and to its help.
inline constexpr const char* kInstalledModulesFromProgram = "../lib/earloop/";
inline constexpr const char* kInstalledHelpFromProgram = "../share/earloop/";

// The folders that may hold `kind`, each ending with '/', in the order they
// are tried: `programFolder`, then the installed one ("/usr/bin/" gives
// "/usr/lib/earloop/"). An unknown (empty) program folder has no installed
// counterpart.
std::vector<std::string> ShippedFolders(const std::string& programFolder, ShippedFiles kind);

// Whether the program runs from an install: its prefix holds the installed
// help folder. An installed program keeps the user's files in the user's
// folders even where it could write beside itself (run as root from /usr/bin).
bool RunsFromInstall(FileSystem& fs, const std::string& programFolder);

// The first of ShippedFolders that holds `fileName`; `programFolder` when
// none does, so that a missing file is reported where it belongs.
std::string ShippedFolderHolding(FileSystem& fs, const std::string& programFolder, ShippedFiles kind,
                                 const std::string& fileName);

}  // namespace earloop

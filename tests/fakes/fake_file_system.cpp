#include "fakes/fake_file_system.h"

#include <utility>

namespace earloop {

void FakeFileSystem::Add(const std::string& path, std::string contents, bool readOnly) {
    files[path] = File{std::move(contents), readOnly};
}

std::optional<std::string> FakeFileSystem::Contents(const std::string& path) const {
    const auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second.contents;
}

std::optional<std::string> FakeFileSystem::ProgramPath() { return programPath; }

bool FakeFileSystem::Exists(const std::string& path) { return files.count(path) != 0; }

std::optional<std::string> FakeFileSystem::ReadFile(const std::string& path) { return Contents(path); }

bool FakeFileSystem::WriteFile(const std::string& path, std::string_view contents) {
    if (failWrites) return false;
    File& file = files[path];
    if (file.readOnly) return false;
    file.contents = std::string(contents);
    ++writes;
    return true;
}

void FakeFileSystem::ClearReadOnly(const std::string& path) {
    const auto it = files.find(path);
    if (it != files.end()) it->second.readOnly = false;
}

}  // namespace earloop

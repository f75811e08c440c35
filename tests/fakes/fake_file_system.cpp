#include "fakes/fake_file_system.h"

#include <algorithm>
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

namespace {
class FakeInputFile : public InputFile {
public:
    FakeInputFile(FakeFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}

    std::optional<std::uint64_t> Size() override {
        if (fs_.failSize[path_]) return std::nullopt;
        const auto contents = fs_.Contents(path_);
        return contents ? std::optional<std::uint64_t>(contents->size()) : std::nullopt;
    }

    std::optional<std::size_t> Read(std::uint8_t* into, std::size_t bytes) override {
        auto& calls = fs_.readCalls[path_];
        const auto fail = fs_.failReadCall.find(path_);
        const bool failing = fail != fs_.failReadCall.end() && fail->second == static_cast<int>(calls.size());
        calls.push_back(bytes);
        const auto contents = fs_.Contents(path_);
        if (failing || !contents) return std::nullopt;
        const std::size_t available = position_ < contents->size() ? contents->size() - position_ : 0;
        const std::size_t count = std::min(bytes, available);
        std::copy_n(contents->data() + position_, count, into);
        position_ += count;
        return count;
    }

private:
    FakeFileSystem& fs_;
    std::string path_;
    std::size_t position_ = 0;
};
}  // namespace

std::unique_ptr<InputFile> FakeFileSystem::OpenForReading(const std::string& path) {
    if (!files.count(path)) return nullptr;
    return std::make_unique<FakeInputFile>(*this, path);
}

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

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

// A folder (a path ending in '/') exists while it holds a file.
bool FakeFileSystem::Exists(const std::string& path) {
    if (!path.empty() && path.back() == '/') {
        const auto next = files.lower_bound(path);
        return next != files.end() && next->first.compare(0, path.size(), path) == 0;
    }
    return files.count(path) != 0;
}

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

bool FakeFileSystem::InReadOnlyFolder(const std::string& path) const {
    return readOnlyFolders.count(path.substr(0, path.rfind('/') + 1)) != 0;
}

bool FakeFileSystem::WriteFile(const std::string& path, std::string_view contents) {
    if (failWrites || InReadOnlyFolder(path)) return false;
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

namespace {
// Writes straight into the file's entry, so a test sees every byte at once.
class FakeOutputFile : public OutputFile {
public:
    FakeOutputFile(FakeFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}

    bool Write(const std::uint8_t* data, std::size_t bytes) override {
        const std::size_t stored = Store(position_, data, bytes);
        position_ += stored;
        return stored == bytes;
    }
    bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t bytes) override {
        return Store(static_cast<std::size_t>(offset), data, bytes) == bytes;
    }
    bool Truncate(std::uint64_t size) override {
        std::string* contents = Contents();
        if (!contents) return false;
        contents->resize(static_cast<std::size_t>(size));
        return true;
    }

private:
    std::string* Contents() {
        const auto it = fs_.files.find(path_);
        return it == fs_.files.end() ? nullptr : &it->second.contents;
    }
    // What fits in the free space is stored; the count stored.
    std::size_t Store(std::size_t at, const std::uint8_t* data, std::size_t bytes) {
        std::string* contents = Contents();
        if (!contents) return 0;
        const std::size_t growth = at + bytes > contents->size() ? at + bytes - contents->size() : 0;
        std::size_t count = bytes;
        if (fs_.freeSpace && growth > *fs_.freeSpace) count -= growth - *fs_.freeSpace;
        if (fs_.freeSpace) *fs_.freeSpace -= std::min(growth, *fs_.freeSpace);
        if (contents->size() < at + count) contents->resize(at + count);
        std::copy_n(data, count, contents->begin() + static_cast<std::ptrdiff_t>(at));
        return count;
    }

    FakeFileSystem& fs_;
    std::string path_;
    std::size_t position_ = 0;
};
}  // namespace

std::unique_ptr<OutputFile> FakeFileSystem::CreateForWriting(const std::string& path) {
    const auto it = files.find(path);
    if (failWrites || InReadOnlyFolder(path) || (it != files.end() && it->second.readOnly)) return nullptr;
    files[path] = File{};
    log.push_back("create " + path);
    return std::make_unique<FakeOutputFile>(*this, path);
}

bool FakeFileSystem::MoveFile(const std::string& from, const std::string& to) {
    const auto it = files.find(from);
    if (it == files.end() || files.count(to) || failMovesFrom.count(from)) return false;
    files[to] = std::move(it->second);
    files.erase(from);
    log.push_back("move " + from + " " + to);
    return true;
}

bool FakeFileSystem::DeleteFile(const std::string& path) {
    if (!files.erase(path)) return false;
    log.push_back("delete " + path);
    return true;
}

bool FakeFileSystem::CanCreateFilesIn(const std::string& folder) { return readOnlyFolders.count(folder) == 0; }

void FakeFileSystem::CreateFolders(const std::string& folder) { createdFolders.push_back(folder); }

std::optional<std::string> FakeFileSystem::Environment(const std::string& name) {
    const auto it = environment.find(name);
    if (it == environment.end()) return std::nullopt;
    return it->second;
}

}  // namespace earloop

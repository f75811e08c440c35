#pragma once
// The file system port over POSIX calls.

#include "ports/file_system.h"

namespace earloop {

class PosixFileSystem : public FileSystem {
public:
    // Read from /proc/self/exe.
    std::optional<std::string> ProgramPath() override;
    // True for anything at the path (file, folder, device), as a name clash
    // counts as much as a file would.
    bool Exists(const std::string& path) override;
    // Only regular files (or links to them) are read.
    std::optional<std::string> ReadFile(const std::string& path) override;
    std::unique_ptr<InputFile> OpenForReading(const std::string& path) override;
    // Writes a new file beside the old one and renames it over, so a write
    // that fails at any point (full disk, size limit, a crash) leaves the old
    // file whole. A folder that refuses new files fails the write, even when
    // the file itself is writable. A symbolic link is followed and its target
    // replaced; the old file's permission bits are kept.
    bool WriteFile(const std::string& path, std::string_view contents) override;
    // Adds the owner's write permission, keeping the other permission bits.
    void ClearReadOnly(const std::string& path) override;
    std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) override;
    // A rename that refuses to replace; across file systems a copy made with
    // O_EXCL, then the source deleted (a failed copy is removed again).
    bool MoveFile(const std::string& from, const std::string& to) override;
    bool DeleteFile(const std::string& path) override;
    // The superuser passes every permission check; for them a folder whose
    // permission bits refuse writing counts as read-only too, so that an
    // installed copy made read-only behaves the same under sudo.
    bool CanCreateFilesIn(const std::string& folder) override;
    // New folders get mode 0700.
    void CreateFolders(const std::string& folder) override;
    std::optional<std::string> Environment(const std::string& name) override;

protected:
    // Called by WriteFile once the new contents are safely in `temporary`,
    // just before it is renamed over the file: where a test stops the writer.
    virtual void BeforeReplacing(const std::string& /*temporary*/) {}
};

}  // namespace earloop

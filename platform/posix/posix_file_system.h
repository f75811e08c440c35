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
    // that fails half-way (full disk, size limit) leaves the old file whole.
    // When the folder refuses new files but the file itself is writable, the
    // file is rewritten in place instead. A symbolic link is followed and its
    // target replaced; the old file's permission bits are kept.
    bool WriteFile(const std::string& path, std::string_view contents) override;
    // Adds the owner's write permission, keeping the other permission bits.
    void ClearReadOnly(const std::string& path) override;
    std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) override;
    // A rename that refuses to replace; across file systems a copy made with
    // O_EXCL, then the source deleted (a failed copy is removed again).
    bool MoveFile(const std::string& from, const std::string& to) override;
    bool DeleteFile(const std::string& path) override;
};

}  // namespace earloop

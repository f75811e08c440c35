#pragma once
// An in-memory file system for tests: files are entries of a map, each with a
// read-only flag, and the program path and the success of writes are set by
// the test.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ports/file_system.h"

namespace earloop {

class FakeFileSystem : public FileSystem {
public:
    struct File {
        std::string contents;
        bool readOnly = false;
    };

    // What ProgramPath() reports; nullopt makes it fail.
    std::optional<std::string> programPath = "/opt/earloop/earloop";
    std::map<std::string, File> files;
    // When true every WriteFile fails and changes nothing.
    bool failWrites = false;
    // Number of successful WriteFile calls.
    int writes = 0;
    // Faults of files opened for reading, by path: the size query fails, or
    // the read call with this index (0 for the first) fails.
    std::map<std::string, bool> failSize;
    std::map<std::string, int> failReadCall;
    // Read calls made on files opened for reading, by path.
    std::map<std::string, std::vector<std::size_t>> readCalls;

    // Bytes that files written through CreateForWriting may still take; a
    // write beyond it stores what fits and fails (a full disk).
    std::optional<std::size_t> freeSpace;
    // Moves of these files fail and change nothing.
    std::set<std::string> failMovesFrom;
    // "create P", "move A B", "delete P" as they succeed, in order.
    std::vector<std::string> log;

    // What Environment() reports.
    std::map<std::string, std::string> environment;
    // Folders (ending with '/') that take no new files: WriteFile and
    // CreateForWriting fail there. Every other folder takes them.
    std::set<std::string> readOnlyFolders;
    // The folders CreateFolders was asked for, in order.
    std::vector<std::string> createdFolders;

    void Add(const std::string& path, std::string contents, bool readOnly = false);
    // Contents of a file; nullopt when there is none.
    std::optional<std::string> Contents(const std::string& path) const;

    std::optional<std::string> ProgramPath() override;
    bool Exists(const std::string& path) override;
    std::optional<std::string> ReadFile(const std::string& path) override;
    // Reads see the file as it is at each call, so a test can change it
    // between reads.
    std::unique_ptr<InputFile> OpenForReading(const std::string& path) override;
    // Fails when writes are switched off, or the file or its folder is read-only.
    bool WriteFile(const std::string& path, std::string_view contents) override;
    void ClearReadOnly(const std::string& path) override;
    std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) override;
    bool MoveFile(const std::string& from, const std::string& to) override;
    bool DeleteFile(const std::string& path) override;
    bool CanCreateFilesIn(const std::string& folder) override;
    void CreateFolders(const std::string& folder) override;
    std::optional<std::string> Environment(const std::string& name) override;

private:
    bool InReadOnlyFolder(const std::string& path) const;
};

}  // namespace earloop

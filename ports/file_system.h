#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace earloop {

// A file opened for reading only, read from its start on.
class InputFile {
public:
    virtual ~InputFile() = default;  // closes the file
    // Size in bytes; nullopt when it cannot be had.
    virtual std::optional<std::uint64_t> Size() = 0;
    // Reads up to `bytes` at the current position and moves past them: the
    // count read (less than asked only at the end of the file), nullopt when
    // the read failed.
    virtual std::optional<std::size_t> Read(std::uint8_t* into, std::size_t bytes) = 0;
};

// A file created for writing; closing it (destruction) keeps what was written.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    // Appends at the current position; false when not every byte could be
    // written (a full disk, a failing medium).
    virtual bool Write(const std::uint8_t* data, std::size_t bytes) = 0;
    // Overwrites `bytes` at `offset`, leaving the append position as it was.
    virtual bool WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t bytes) = 0;
    // Cuts the file to `size` bytes (or extends it with zeros).
    virtual bool Truncate(std::uint64_t size) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Full path of the running program file; nullopt when it cannot be had.
    virtual std::optional<std::string> ProgramPath() = 0;
    virtual bool Exists(const std::string& path) = 0;
    virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
    // nullptr when the file cannot be opened for reading.
    virtual std::unique_ptr<InputFile> OpenForReading(const std::string& path) = 0;
    // Creates or replaces the file; false when it cannot be written.
    virtual bool WriteFile(const std::string& path, std::string_view contents) = 0;
    // Makes the file writable by its owner, keeping its other attributes.
    virtual void ClearReadOnly(const std::string& path) = 0;
    // Creates the file for writing, replacing an old one; nullptr when it
    // cannot be created.
    virtual std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) = 0;
    // Moves a file, also onto another file system. Never replaces a file at
    // `to`: false then, and when the move failed (nothing has moved).
    virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
    // False when there was no file or it could not be deleted.
    virtual bool DeleteFile(const std::string& path) = 0;

    // Whether new files can be made in the folder (it exists and neither its
    // permissions nor its medium refuse them).
    virtual bool CanCreateFilesIn(const std::string& folder) = 0;
    // Makes the folder and any missing folder above it, for the user alone. A
    // folder that could not be made shows when its first file is written.
    virtual void CreateFolders(const std::string& folder) = 0;
    // The value of an environment variable; nullopt when it is not set.
    virtual std::optional<std::string> Environment(const std::string& name) = 0;
};

}  // namespace earloop

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
};

}  // namespace earloop

#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace earloop {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Full path of the running program file; nullopt when it cannot be had.
    virtual std::optional<std::string> ProgramPath() = 0;
    virtual bool Exists(const std::string& path) = 0;
    virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
    // Creates or replaces the file; false when it cannot be written.
    virtual bool WriteFile(const std::string& path, std::string_view contents) = 0;
    // Makes the file writable by its owner, keeping its other attributes.
    virtual void ClearReadOnly(const std::string& path) = 0;
};

}  // namespace earloop

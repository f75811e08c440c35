#pragma once
// The recorder's capture file: a provisional WAV header, then every block as
// it arrives; completed with its real sizes when recording finishes.

#include <cstdint>
#include <memory>
#include <string>

#include "ports/file_system.h"

namespace earloop {

class CaptureFile {
public:
    // Creates (or replaces) `path` and writes the provisional header; nullptr
    // when the file cannot be made or the header not written.
    static std::unique_ptr<CaptureFile> Create(FileSystem& fs, const std::string& path);
    explicit CaptureFile(std::unique_ptr<OutputFile> file) : file_(std::move(file)) {}

    // Appends one block. After a write fails (a full disk) nothing more is
    // written, so the take holds exactly the blocks before the failure.
    void Append(const std::uint8_t* data, std::size_t bytes);
    // Sample bytes written so far.
    std::uint64_t CapturedBytes() const { return capturedBytes_; }
    bool WriteFailed() const { return writeFailed_; }
    // Cuts the file after the last whole frame and writes the real RIFF and
    // data sizes; false when the file could not be changed (it then keeps
    // its provisional header).
    bool Complete();

private:
    std::unique_ptr<OutputFile> file_;
    std::uint64_t capturedBytes_ = 0;
    bool writeFailed_ = false;
};

}  // namespace earloop

#include "record/capture_file.h"

#include "wave/wav_format.h"

namespace earloop {

std::unique_ptr<CaptureFile> CaptureFile::Create(FileSystem& fs, const std::string& path) {
    auto file = fs.CreateForWriting(path);
    if (!file) return nullptr;
    const auto header = RecorderHeader(kProvisionalDataBytes);
    if (!file->Write(header.data(), header.size())) return nullptr;
    return std::make_unique<CaptureFile>(std::move(file));
}

void CaptureFile::Append(const std::uint8_t* data, std::size_t bytes) {
    // Past the largest size a WAV header can state, further samples could
    // never be read back.
    if (writeFailed_ || capturedBytes_ + bytes > kMaxRecordedDataBytes) return;
    if (!file_->Write(data, bytes)) {
        writeFailed_ = true;
        return;
    }
    capturedBytes_ += bytes;
}

bool CaptureFile::Complete() {
    const std::uint32_t dataBytes = CompletedDataBytes(capturedBytes_);
    const auto header = RecorderHeader(dataBytes);
    return file_->Truncate(kRecorderHeaderBytes + dataBytes) && file_->WriteAt(0, header.data(), header.size());
}

}  // namespace earloop

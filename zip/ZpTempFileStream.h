// A stream on a new, uniquely named file in the system's temporary folder
// (prefix "VMS"), opened for reading and writing, not shared. The file is
// deleted when the stream is destroyed.
#pragma once

#include <memory>
#include <string>

#include "platform/Stream.h"

class TZpTempFileStream : public TStream {
public:
    TZpTempFileStream();
    ~TZpTempFileStream() override;

    size_t Read(std::span<uint8_t> buffer) override { return file_->Read(buffer); }
    size_t Write(std::span<const uint8_t> buffer) override { return file_->Write(buffer); }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return file_->Seek(offset, origin); }
    int64_t Size() override { return file_->Size(); }
    void SetSize(int64_t size) override { file_->SetSize(size); }

    // Closes the file (its data is then on disk); the stream cannot be used
    // afterwards except to be destroyed.
    void Close();
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    std::unique_ptr<TStream> file_;
};

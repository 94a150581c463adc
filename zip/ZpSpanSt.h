// TZpSpanStream: one archive carried over several media. On a removable
// drive every disk holds a file of the same name; on a fixed drive (with a
// byte threshold) the pieces are numbered image files. Writing fills a
// medium and asks for the next one; reading asks for the next one when a
// read reaches the end of the current file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/FileStream.h"
#include "platform/Stream.h"
#include "zip/ZpUtilsFs.h"

enum TZpMediaKind { mkRemovable, mkLocal };
enum TZpSpanState { ssWriting, ssReading };

class TZpSpanStream;
// (stream, image number, var cancelled, var image name)
using TZpSpanImageRequest = std::function<void(TZpSpanStream& stream, int imageNumber, bool& cancel, std::string& imageName)>;
using TZpSpanProgress = std::function<void(int percent, bool& abort)>;

class TZpSpanStream : public TStream {
public:
    // name must be a full path ("Full Path Required" otherwise). fmCreate
    // and fmOpenWrite make a writing stream, anything else a reading one. A
    // writing stream whose medium cannot be checked, for a file that exists
    // already, raises "Invalid Media".
    TZpSpanStream(const std::string& name, int64_t threshold, TZpMediaKind kind, TFileMode mode,
                  TZpShare share = fsShareDenyNone, int firstDiskIndex = 0);
    ~TZpSpanStream() override;

    size_t Read(std::span<uint8_t> buffer) override;
    size_t Write(std::span<const uint8_t> buffer) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    // The size of the current medium's file.
    int64_t Size() override;
    void SetSize(int64_t size) override;

    TZpSpanState State() const { return state_; }
    TZpMediaKind MediaKind() const { return kind_; }
    int64_t Threshold() const { return threshold_; }
    int ChangeCount() const { return changeCount_; }
    int FirstDiskIndex() const { return firstDiskIndex_; }
    const std::string& ImageName() const { return imageName_; }
    bool Cancelled() const { return cancelled_; }

    // While suspended the stream is a plain stream over its current file.
    bool Suspended() const { return suspended_; }
    void SetSuspended(bool value) { suspended_ = value; }

    // The bytes the archive layout gives every medium (0: none). Every
    // medium then receives exactly that many bytes, never more, and a
    // medium offering less free space is refused and asked for again, so
    // the pieces always match the records written for them.
    void SetDiskBudget(int64_t bytes) { budget_ = bytes; }
    int64_t DiskBudget() const { return budget_; }
    // For write progress.
    void SetTotalSize(int64_t bytes) { totalSize_ = bytes; }

    TZpSpanImageRequest OnImageRequest;
    TZpSpanProgress OnProgress;

    // The name of image number n of a local set (n >= 2): the name with
    // everything from its first "." replaced by ".z02", ".z03", ... ; ""
    // beyond 99.
    static std::string LocalImageName(const std::string& name, int n);

private:
    int64_t SpaceLeft();
    void NextMedium();
    void OpenFile();
    bool MediaAccepted(const std::string& name) const;

    TZpSpanState state_;
    TZpMediaKind kind_;
    int64_t threshold_;
    TFileMode mode_;
    TZpShare share_;
    int changeCount_ = 0;
    int firstDiskIndex_ = 0;
    std::string imageName_;
    int64_t writtenOnMedium_ = 0;
    bool cancelled_ = false;
    int64_t totalWritten_ = 0;
    int64_t totalSize_ = 0;
    int64_t budget_ = 0;
    bool suspended_ = false;
    std::unique_ptr<TStream> file_;
};

// The media check: the free space of the medium is known, or no file of
// that name exists.
bool ZpMediaCheck(const std::string& name, int64_t& freeBytes);
// Sets the volume label (cut to 11 characters) of the drive's root; a
// failure is ignored.
void SetDiskLabel(const std::string& label, char driveLetter);
// "PKBACK# 001" for disk number 1.
std::string ZpSpanDiskLabel(int diskNumber);
// Automatic image names: 'SET.zip' and n = 0 gives 'SET.z01', n = 1 'SET.z02'.
std::string ImageNameFor(const std::string& name, int n);

// Suspends a span stream's disk switching for a scope (any other stream is
// left alone) and puts the previous state back.
class TZpSpanSuspend {
public:
    explicit TZpSpanSuspend(TStream& stream)
        : span_(dynamic_cast<TZpSpanStream*>(&stream)), previous_(span_ && span_->Suspended())
    {
        if (span_)
            span_->SetSuspended(true);
    }
    ~TZpSpanSuspend()
    {
        if (span_)
            span_->SetSuspended(previous_);
    }
    TZpSpanSuspend(const TZpSpanSuspend&) = delete;
    TZpSpanSuspend& operator=(const TZpSpanSuspend&) = delete;

private:
    TZpSpanStream* span_;
    bool previous_;
};

// The component side shared by the zipper and the extractor: settings held
// while no archive is open and passed on when one is, and the events the
// archive's reports are dispatched to.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/UiPort.h"
#include "zip/ZpArchive.h"

// A link component that receives progress reports (percent).
class TZpBaseMeterLink {
public:
    virtual ~TZpBaseMeterLink() = default;
    virtual void DoProgress(int percent) = 0;
};

class TZpBaseComponent {
public:
    virtual ~TZpBaseComponent() = default;
    std::string Version() const { return "1.20"; }
};

class TZpBaseBrowser : public TZpBaseComponent {
public:
    using TItemProgressEvent = std::function<void(TZpBaseBrowser& sender, TZpArchiveItem& item, int progress, bool& abort)>;
    using TProgressEvent = std::function<void(TZpBaseBrowser& sender, int progress, bool& abort)>;
    using TItemFailureEvent = std::function<void(TZpBaseBrowser& sender, TZpArchiveItem& item, TZpProcessType processType,
                                                 TZpErrorClass errorClass, int errorCode)>;
    using TItemConfirmEvent =
        std::function<void(TZpBaseBrowser& sender, TZpArchiveItem& item, TZpProcessType processType, bool& confirm)>;
    using TNotifyEvent = std::function<void(TZpBaseBrowser& sender)>;

    TZpBaseBrowser();
    ~TZpBaseBrowser() override;
    TZpBaseBrowser(const TZpBaseBrowser&) = delete;
    TZpBaseBrowser& operator=(const TZpBaseBrowser&) = delete;

    const std::string& FileName() const { return fileName_; }
    virtual void SetFileName(const std::string& name) = 0;
    void Close() { SetFileName({}); }

    TZpArchive* Archive() const { return archive_.get(); }
    int Count() const { return archive_ ? archive_->Items.Count() : 0; }
    TZpArchiveItem& Item(int index) const { return archive_->Items[index]; }

    std::string BaseDirectory() const { return baseDirectory_; }
    void SetBaseDirectory(const std::string& dir);
    std::string TempDirectory() const { return tempDirectory_; }
    void SetTempDirectory(const std::string& dir);
    std::string LogFile;
    bool Logging = false;

    TZpBaseMeterLink* ItemProgressMeter = nullptr;
    TZpBaseMeterLink* ArchiveProgressMeter = nullptr;

    TItemProgressEvent OnArchiveItemProgress;
    TProgressEvent OnArchiveProgress;
    TItemFailureEvent OnProcessItemFailure;
    TItemConfirmEvent OnConfirmProcessItem;
    TNotifyEvent OnLoad;
    TNotifyEvent OnChange;
    // The disk and image handlers are handed to an archive when it is
    // opened; set them before setting FileName.
    TZpRequestImageEvent OnRequestImage;
    TZpRequestDiskEvent OnRequestLastDisk;
    TZpRequestNthDiskEvent OnRequestNthDisk;
    // Where the default disk prompts are shown (none: requests without a
    // handler go unanswered).
    TUiPort* UiPort = nullptr;

protected:
    // Connects the archive's hooks to this component's dispatchers and
    // passes the shared settings.
    virtual void Attach(TZpArchive& archive);
    void DoChange()
    {
        if (OnChange)
            OnChange(*this);
    }

    std::unique_ptr<TZpArchive> archive_;
    std::string fileName_;
    std::string baseDirectory_;
    std::string tempDirectory_;
};

// Base of every network object: keeps the socket stack up while it lives,
// and reports status and byte counts (work) through optional events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "net/NetStack.h"

enum TNetStatus {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText,
    ftpTransfer,
    ftpReady,
    ftpAborted
};

enum TWorkMode { wmRead, wmWrite };

class TNetComponent;
using TNetStatusEvent = std::function<void(TNetComponent& sender, TNetStatus status, const std::string& text)>;
using TWorkBeginEvent = std::function<void(TNetComponent& sender, TWorkMode mode, int64_t max)>;
using TWorkEvent = std::function<void(TNetComponent& sender, TWorkMode mode, int64_t count)>;
using TWorkEndEvent = std::function<void(TNetComponent& sender, TWorkMode mode)>;
using TNotifyEvent = std::function<void(TNetComponent& sender)>;

class TNetBaseComponent {
public:
    TNetBaseComponent() = default;
    virtual ~TNetBaseComponent() = default;
    TNetBaseComponent(const TNetBaseComponent&) = delete;
    TNetBaseComponent& operator=(const TNetBaseComponent&) = delete;

private:
    TNetStackUser stack_;
};

// The text each status value carries; arg fills its one "%s".
std::string NetStatusText(TNetStatus status, const std::string& arg);

class TNetComponent : public TNetBaseComponent {
public:
    TNetStatusEvent OnStatus;
    TWorkBeginEvent OnWorkBegin;
    TWorkEvent OnWork;
    TWorkEndEvent OnWorkEnd;
    // When set, work is counted and reported there instead of here.
    TNetComponent* WorkTarget = nullptr;

    void DoStatus(TNetStatus status, const std::string& arg = {});
    // Begins nest: only the outermost begin resets and fires, only the outermost end fires.
    void BeginWork(TWorkMode mode, int64_t max = 0);
    void DoWork(TWorkMode mode, int64_t count);
    void EndWork(TWorkMode mode);
    int64_t WorkCount(TWorkMode mode) const { return work_[mode].count; }

private:
    struct TWorkInfo {
        int64_t count = 0;
        int64_t max = 0;
        int32_t level = 0;
    };
    TWorkInfo work_[2];
};

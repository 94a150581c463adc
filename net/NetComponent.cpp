#include "net/NetComponent.h"

std::string NetStatusText(TNetStatus status, const std::string& arg)
{
    switch (status) {
    case hsResolving: return "Resolving hostname " + arg + ".";
    case hsConnecting: return "Connecting to " + arg + ".";
    case hsConnected: return "Connected.";
    case hsDisconnecting: return "Disconnecting.";
    case hsDisconnected: return "Disconnected.";
    default: return arg;
    }
}

void TNetComponent::DoStatus(TNetStatus status, const std::string& arg)
{
    if (OnStatus)
        OnStatus(*this, status, NetStatusText(status, arg));
}

void TNetComponent::BeginWork(TWorkMode mode, int64_t max)
{
    if (WorkTarget) {
        WorkTarget->BeginWork(mode, max);
        return;
    }
    TWorkInfo& w = work_[mode];
    if (w.level++ == 0) {
        w.count = 0;
        w.max = max;
        if (OnWorkBegin)
            OnWorkBegin(*this, mode, max);
    }
}

void TNetComponent::DoWork(TWorkMode mode, int64_t count)
{
    if (WorkTarget) {
        WorkTarget->DoWork(mode, count);
        return;
    }
    TWorkInfo& w = work_[mode];
    if (w.level > 0) {
        w.count += count;
        if (OnWork)
            OnWork(*this, mode, w.count);
    }
}

void TNetComponent::EndWork(TWorkMode mode)
{
    if (WorkTarget) {
        WorkTarget->EndWork(mode);
        return;
    }
    TWorkInfo& w = work_[mode];
    if (w.level > 0 && --w.level == 0 && OnWorkEnd)
        OnWorkEnd(*this, mode);
}

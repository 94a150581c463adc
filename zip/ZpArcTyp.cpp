#include "zip/ZpArcTyp.h"

#include <algorithm>

#include "zip/ZpExcept.h"

void TZpPadLock::Lock()
{
    section_.lock();
    ++count_;
}

void TZpPadLock::Unlock()
{
    if (count_ > 0) {
        --count_;
        section_.unlock();
    }
}

void TZpArchiveItem::SetUncompressedSize(int64_t value)
{
    uncompressedSize_ = value;
    if (value > SizeLimit())
        throw EZpFileTooLarge();
}

void TZpArchiveList::Add(std::unique_ptr<TZpArchiveItem> item)
{
    const uint32_t h = ZpElfHash(item->FileName());
    item->nextInBucket_ = buckets_[h];
    buckets_[h] = item.get();
    items_.push_back(std::move(item));
}

int TZpArchiveList::IndexOf(const std::string& name) const
{
    for (TZpArchiveItem* p = buckets_[ZpElfHash(name)]; p; p = p->nextInBucket_) {
        if (ZpSameText(p->FileName(), name)) {
            auto it = std::find_if(items_.begin(), items_.end(), [p](const auto& u) { return u.get() == p; });
            return static_cast<int>(it - items_.begin());
        }
    }
    return -1;
}

bool TZpArchiveList::IsActiveDuplicate(const std::string& name) const
{
    for (TZpArchiveItem* p = buckets_[ZpElfHash(name)]; p; p = p->nextInBucket_)
        if (p->Action != ItemAction::Delete && ZpSameText(p->FileName(), name))
            return true;
    return false;
}

void TZpArchiveList::Delete(int index)
{
    TZpArchiveItem* item = items_.at(static_cast<size_t>(index)).get();
    // The item was hashed under the name it had when added; a rename since
    // then would leave it in another chain, so look in every chain if the
    // expected one does not hold it.
    auto unlink = [item](TZpArchiveItem*& head) {
        for (TZpArchiveItem** link = &head; *link; link = &(*link)->nextInBucket_) {
            if (*link == item) {
                *link = item->nextInBucket_;
                return true;
            }
        }
        return false;
    };
    if (!unlink(buckets_[ZpElfHash(item->FileName())]))
        for (auto& head : buckets_)
            if (unlink(head))
                break;
    items_.erase(items_.begin() + index);
}

void TZpArchiveList::Clear()
{
    buckets_.fill(nullptr);
    items_.clear();
}

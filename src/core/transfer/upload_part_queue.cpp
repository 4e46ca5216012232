#include "transfer/upload_part_queue.h"

#include <algorithm>

namespace zym {
namespace {

// As a confirmation stores it: a double quote, 32 upper-case hexadecimal digits, a double
// quote. Anything else in a record is damage, and the part is sent again rather than named
// in the completion with an ETag the service never gave.
bool WellFormedEtag(const std::string& etag)
{
    if (etag.size() != kPartEtagSize || etag.front() != '"' || etag.back() != '"') {
        return false;
    }
    return std::all_of(etag.begin() + 1, etag.end() - 1,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

} // namespace

UploadPartQueue::UploadPartQueue(std::int64_t fileSize, std::int64_t blockSize, bool multipart)
{
    if (!multipart) {
        layout_.push_back({0, 0, fileSize});
    } else {
        std::int32_t number = 1;
        for (std::int64_t start = 0; start < fileSize; start += blockSize, ++number) {
            layout_.push_back({number, start, std::min(blockSize, fileSize - start)});
        }
    }
    confirmed_.assign(layout_.size(), false);
    for (std::size_t i = 0; i < layout_.size(); ++i) {
        waiting_.push_back(i);
    }
}

std::size_t UploadPartQueue::Seed(const std::vector<PartRecord>& records)
{
    std::lock_guard g(lock_);
    std::size_t taken = 0;
    for (const PartRecord& r : records) {
        if (r.number < 1 || static_cast<std::size_t>(r.number) > layout_.size() || !WellFormedEtag(r.etag)) {
            continue;
        }
        const std::size_t index = static_cast<std::size_t>(r.number) - 1;
        const PartJob& part = layout_[index];
        if (part.start != r.start || part.length != r.length || confirmed_[index]) {
            continue;
        }
        confirmed_[index] = true;
        confirmedBytes_ += part.length;
        records_.push_back(r);
        waiting_.erase(std::remove(waiting_.begin(), waiting_.end(), index), waiting_.end());
        ++taken;
    }
    return taken;
}

void UploadPartQueue::Forget()
{
    std::lock_guard g(lock_);
    confirmed_.assign(layout_.size(), false);
    confirmedBytes_ = 0;
    records_.clear();
    waiting_.clear();
    for (std::size_t i = 0; i < layout_.size(); ++i) {
        waiting_.push_back(i);
    }
}

std::optional<PartJob> UploadPartQueue::Take()
{
    std::unique_lock g(lock_);
    changed_.wait(g, [this] { return failed_ || stopped_ || !waiting_.empty() || out_ == 0; });
    if (failed_ || stopped_ || waiting_.empty()) {
        return std::nullopt;
    }
    const std::size_t index = waiting_.front();
    waiting_.pop_front();
    ++out_;
    return layout_[index];
}

void UploadPartQueue::Confirm(const PartJob& part, const std::string& etag)
{
    {
        std::lock_guard g(lock_);
        --out_;
        const std::size_t index = part.number == 0 ? 0 : static_cast<std::size_t>(part.number) - 1;
        if (!confirmed_[index]) {
            confirmed_[index] = true;
            confirmedBytes_ += part.length;
            records_.push_back({part.number, part.start, part.length, etag});
        }
    }
    changed_.notify_all();
}

void UploadPartQueue::Return(const PartJob& part)
{
    {
        std::lock_guard g(lock_);
        --out_;
        waiting_.push_front(part.number == 0 ? 0 : static_cast<std::size_t>(part.number) - 1);
    }
    changed_.notify_all();
}

void UploadPartQueue::GiveBack(const PartJob& part, int code, const std::string& text)
{
    {
        std::lock_guard g(lock_);
        --out_;
        const std::size_t index = part.number == 0 ? 0 : static_cast<std::size_t>(part.number) - 1;
        waiting_.push_front(index);
        if (++failures_[part.number] > kMaxFailures && !failed_) {
            failed_ = true;
            halted_ = true;
            failCode_ = code;
            failText_ = text;
        }
    }
    changed_.notify_all();
}

void UploadPartQueue::Fail(int code, const std::string& text)
{
    {
        std::lock_guard g(lock_);
        if (!failed_) {
            failed_ = true;
            halted_ = true;
            failCode_ = code;
            failText_ = text;
        }
    }
    changed_.notify_all();
}

void UploadPartQueue::Stop()
{
    {
        std::lock_guard g(lock_);
        stopped_ = true;
        halted_ = true;
    }
    changed_.notify_all();
}

bool UploadPartQueue::SettledLocked() const
{
    return out_ == 0 && (failed_ || stopped_ || waiting_.empty());
}

void UploadPartQueue::WaitUntilSettled()
{
    std::unique_lock g(lock_);
    changed_.wait(g, [this] { return SettledLocked(); });
}

bool UploadPartQueue::Failed(int& code, std::string& text) const
{
    std::lock_guard g(lock_);
    code = failCode_;
    text = failText_;
    return failed_;
}

bool UploadPartQueue::Stopped() const
{
    std::lock_guard g(lock_);
    return stopped_;
}

bool UploadPartQueue::AllConfirmed() const
{
    std::lock_guard g(lock_);
    return std::all_of(confirmed_.begin(), confirmed_.end(), [](bool b) { return b; });
}

std::int64_t UploadPartQueue::ConfirmedBytes() const
{
    std::lock_guard g(lock_);
    return confirmedBytes_;
}

std::vector<PartRecord> UploadPartQueue::Confirmed() const
{
    std::lock_guard g(lock_);
    return records_;
}

} // namespace zym

#include "transfer/upload_part_info_saver.h"

#include "transfer/upload_part_info.h"

namespace zym {

PartInfoSaver::PartInfoSaver(std::string path, const UploadPartQueue& queue,
                             std::function<void()> onWriteFailed)
    : path_(std::move(path)), queue_(queue), onWriteFailed_(std::move(onWriteFailed)),
      thread_([this] { Loop(); })
{}

PartInfoSaver::~PartInfoSaver()
{
    Finish();
}

void PartInfoSaver::Changed()
{
    {
        std::lock_guard g(lock_);
        dirty_ = true;
    }
    wake_.notify_one();
}

void PartInfoSaver::Finish()
{
    {
        std::lock_guard g(lock_);
        done_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void PartInfoSaver::Forget()
{
    std::lock_guard w(writeLock_);
    gone_ = true;
    RemovePartInfo(path_);
}

void PartInfoSaver::Loop()
{
    std::unique_lock g(lock_);
    for (;;) {
        wake_.wait(g, [this] { return dirty_ || done_; });
        if (dirty_) {
            dirty_ = false;
            g.unlock();
            WriteNow();
            g.lock();
            continue;
        }
        return; // done, nothing pending
    }
}

void PartInfoSaver::WriteNow()
{
    std::lock_guard w(writeLock_);
    if (gone_) {
        return;
    }
    const std::vector<PartRecord> records = queue_.Confirmed();
    if (!records.empty() && !WritePartInfo(path_, records) && !failureReported_) {
        failureReported_ = true;
        if (onWriteFailed_) {
            onWriteFailed_();
        }
    }
}

} // namespace zym

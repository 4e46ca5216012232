#pragma once
// A transfer engine on a real queue file in a scratch folder whose upload tasks are fakes the
// test controls: each one publishes a live offset and byte count, then waits until it is
// stopped and ends with the outcome the test chose for its object (Stopped unless told).
#include "../store/trans_fixture.h"
#include "ops/page_reply.h"
#include "transfer/progress_reporter.h"
#include "transfer/transfer_engine.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace zym::testing {

inline constexpr std::int64_t kFakeNow = 1'000'000;

class FakeUploads
{
public:
    TransferTaskFactory Factory()
    {
        return [this](const TransferRow& row, TransferContext context) -> TransferTaskPtr {
            return std::make_unique<Task>(*this, row, std::move(context));
        };
    }
    // Waits until `count` tasks have started in all.
    bool WaitStarted(int count)
    {
        std::unique_lock g(lock_);
        return cv_.wait_for(g, std::chrono::seconds(20), [&] { return started_ >= count; });
    }
    void EndWith(const std::string& object, TaskOutcome outcome, std::string errormsg = {})
    {
        std::lock_guard g(lock_);
        outcomes_[object] = {outcome, outcome == TaskOutcome::Failed ? 10 : 0, std::move(errormsg)};
    }
    // From now on a stopped task ends only once `count` tasks have been told to stop (or after
    // 5 s); a stop that waits for each task before telling the next never gets there.
    void EndTogether(int count)
    {
        std::lock_guard g(lock_);
        barrier_ = count;
    }
    // Waits until `count` tasks have seen their stop request.
    bool WaitStopped(int count)
    {
        std::unique_lock g(lock_);
        return cv_.wait_for(g, std::chrono::seconds(20), [&] { return stopped_ >= count; });
    }
    int EndedTogether()
    {
        std::lock_guard g(lock_);
        return together_;
    }
    std::set<std::string> Discarded()
    {
        std::lock_guard g(lock_);
        return discarded_;
    }

private:
    class Task : public TransferTask
    {
    public:
        Task(FakeUploads& owner, TransferRow row, TransferContext context)
            : owner_(owner), row_(std::move(row)), context_(std::move(context))
        {}
        TaskResult Run() override
        {
            context_.progress->offset.store(row_.filesize / 2);
            context_.progress->bytesDone.store(3000);
            context_.progress->startTime.store(kFakeNow - 3);
            {
                std::lock_guard g(owner_.lock_);
                ++owner_.started_;
            }
            owner_.cv_.notify_all();
            context_.stop->Token()->WaitFor(std::chrono::seconds(60));
            std::unique_lock g(owner_.lock_);
            ++owner_.stopped_;
            owner_.cv_.notify_all();
            if (owner_.barrier_ > 0 && owner_.cv_.wait_for(g, std::chrono::seconds(5), [&] {
                    return owner_.stopped_ >= owner_.barrier_;
                })) {
                ++owner_.together_;
            }
            if (context_.stop->Discard()) {
                owner_.discarded_.insert(row_.object);
            }
            const auto it = owner_.outcomes_.find(row_.object);
            return it == owner_.outcomes_.end() ? TaskResult{} : it->second;
        }

    private:
        FakeUploads& owner_;
        TransferRow row_;
        TransferContext context_;
    };

    std::mutex lock_;
    std::condition_variable cv_;
    int started_ = 0;
    int stopped_ = 0;
    int barrier_ = 0;
    int together_ = 0;
    std::map<std::string, TaskResult> outcomes_;
    std::set<std::string> discarded_;
};

// Collects what a page callback would receive (as a page call's reply target or as a
// reporter's target).
class CollectingTarget : public ReplyTarget, public ReportTarget
{
public:
    void Deliver(const std::string& text) const override
    {
        {
            std::lock_guard g(lock_);
            texts_.push_back(text);
        }
        cv_.notify_all();
    }
    std::vector<std::string> Texts() const
    {
        std::lock_guard g(lock_);
        return texts_;
    }
    bool WaitCount(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10)) const
    {
        std::unique_lock g(lock_);
        return cv_.wait_for(g, limit, [&] { return texts_.size() >= count; });
    }

private:
    mutable std::mutex lock_;
    mutable std::condition_variable cv_;
    mutable std::vector<std::string> texts_;
};

class EngineFixture : public ScratchFolder
{
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        TaskServices services;
        services.clock = [] {
            return kFakeNow;
        };
        engine_ = std::make_unique<CTransferEngine>(services, fakes_.Factory());
        ASSERT_TRUE(engine_->Database().Open(Path("queue.db"), false));
    }
    void TearDown() override
    {
        engine_.reset();
        ScratchFolder::TearDown();
    }
    // Lets the schedulers start rows.
    void Run()
    {
        ASSERT_TRUE(engine_->Start());
        engine_->Conditions().SetMainWindowReady(true);
        engine_->Conditions().SetLoggedIn(true);
        engine_->Conditions().SetPageLoaded(true);
    }

    FakeUploads fakes_;
    std::unique_ptr<CTransferEngine> engine_;
};

} // namespace zym::testing

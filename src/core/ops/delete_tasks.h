#pragma once
// Deleting objects (deleteObject) and whole buckets (deleteBucket). Every key is gathered
// first (folders by listing them), then deleted one request per key when there is one, in
// multi-object deletes of at most 1,000 keys otherwise. A bucket also loses its unfinished
// multipart uploads (all of them, page by page) before the bucket itself goes.
#include "ops/operation_progress.h"
#include "ops/ops_services.h"
#include "ops/page_reply.h"
#include "service/session.h"

#include <functional>
#include <memory>
#include <vector>

namespace zym {

// Shared steps of both tasks.
class CDeleteTaskBase : public CPageTask
{
public:
    CDeleteTaskBase(OpsServices services, std::string argument, ReplyTargetPtr target,
                    std::shared_ptr<OperationProgress> progress)
        : CPageTask(std::move(argument), std::move(target)), services_(std::move(services)),
          progress_(std::move(progress))
    {}
    void Run() override { Reply(Execute()); }
    virtual std::string Execute() = 0;

protected:
    // Appends every key under `prefix`; "" when done, "{}" when the dialog was closed, else the
    // failure reply (the dialog is then closed).
    std::string ListKeys(const ServiceCall& call, const std::string& bucket, const std::string& prefix,
                         std::vector<std::string>& keys);
    // "" when every key is deleted, else the reply to end with.
    std::string DeleteKeys(const ServiceCall& call, const std::string& bucket,
                           const std::vector<std::string>& keys);

    OpsServices services_;
    std::shared_ptr<OperationProgress> progress_;
};

class CDeleteObjectTask : public CDeleteTaskBase
{
public:
    using CDeleteTaskBase::CDeleteTaskBase;
    std::string Execute() override;
};

struct BucketDeletion
{
    std::string reply; // not empty: answer this at once, open no dialog
    std::string bucket;
    std::string location;
};

// The deleteBucket handler's checks: the argument parses and the typed key pair is exactly the
// signed-in one.
BucketDeletion CheckBucketDeletion(const std::string& argument, const AccessKeys& signedIn,
                                   const LanguageDocument& language);

class CDeleteBucketTask : public CDeleteTaskBase
{
public:
    // `discardBucket` drops the bucket's queued transfers and cancels its running ones.
    CDeleteBucketTask(OpsServices services, std::string bucket, std::string location, ReplyTargetPtr target,
                      std::shared_ptr<OperationProgress> progress,
                      std::function<void(const std::string& bucket)> discardBucket)
        : CDeleteTaskBase(std::move(services), "", std::move(target), std::move(progress)),
          bucket_(std::move(bucket)), location_(std::move(location)), discardBucket_(std::move(discardBucket))
    {}
    std::string Execute() override;

private:
    std::string AbortUploads(const ServiceCall& call);

    std::string bucket_;
    std::string location_;
    std::function<void(const std::string&)> discardBucket_;
};

} // namespace zym

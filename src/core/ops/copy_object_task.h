#pragma once
// Server-side copy of objects and folders (copyObject). The task first builds the whole list
// of copies, asking about targets that already exist, then sends one copy request per object,
// or a multipart copy of ranged parts for objects of at least the part size.
#include "ops/operation_progress.h"
#include "ops/ops_services.h"
#include "ops/page_arguments.h"
#include "ops/page_reply.h"

#include <memory>

namespace zym {

struct CopyWorkItem
{
    std::string sourceKey;
    std::int64_t size = 0;
    std::string targetKey;
};

class CCopyObjectTask : public CPageTask
{
public:
    CCopyObjectTask(OpsServices services, std::string argument, ReplyTargetPtr target,
                    std::shared_ptr<OperationProgress> progress)
        : CPageTask(std::move(argument), std::move(target)), services_(std::move(services)),
          progress_(std::move(progress))
    {}
    void Run() override { Reply(Execute()); }
    // The whole operation; returns the reply text.
    std::string Execute();

private:
    struct Hosts
    {
        ServiceCall source;
        ServiceCall target;
        std::string sourceBucket;
        std::string targetBucket;
    };
    std::string Collect(const Hosts& hosts, const std::string& targetFolder,
                        const std::vector<ObjectItem>& items, std::vector<CopyWorkItem>& work);
    std::string ListFolder(const Hosts& hosts, const std::string& prefix, const std::string& targetPrefix,
                           std::vector<CopyWorkItem>& work);
    std::string CopyOne(const Hosts& hosts, const CopyWorkItem& item);
    std::string CopyInParts(const Hosts& hosts, const CopyWorkItem& item);

    OpsServices services_;
    std::shared_ptr<OperationProgress> progress_;
};

} // namespace zym

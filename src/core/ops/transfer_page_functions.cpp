#include "ops/transfer_page_functions.h"

#include "platform/task_pool.h"
#include "transfer/list_page.h"
#include "transfer/transfer_engine.h"

namespace zym {

namespace {

// The page's callback as a reporter's target.
class CallbackReports : public ReportTarget
{
public:
    explicit CallbackReports(ReplyTargetPtr reply) : reply_(std::move(reply)) {}
    void Deliver(const std::string& text) const override { reply_->Deliver(text); }

private:
    ReplyTargetPtr reply_;
};

ReportTargetPtr Reports(ReplyTargetPtr reply)
{
    return reply ? std::make_shared<CallbackReports>(std::move(reply)) : nullptr;
}

} // namespace

TransferPageFunctions::TransferPageFunctions(CTransferEngine& engine,
                                             std::function<TransferStatistics()> statistics,
                                             CTaskPool& operationPool, ControlServices control,
                                             std::chrono::milliseconds reportPeriod)
    : engine_(engine), statistics_(std::move(statistics)), operationPool_(operationPool),
      control_(std::move(control)),
      downloads_(TransferKind::Download, engine.Downloads(), statistics_, reportPeriod),
      uploads_(TransferKind::Upload, engine.Uploads(), statistics_, reportPeriod)
{
    control_.engine = &engine_;
}

TransferPageFunctions::~TransferPageFunctions()
{
    Stop();
}

void TransferPageFunctions::Start()
{
    downloads_.Start();
    uploads_.Start();
}

void TransferPageFunctions::Stop()
{
    downloads_.Stop();
    uploads_.Stop();
}

std::string TransferPageFunctions::GetDownload(std::string_view text)
{
    return ListPage(TransferKind::Download, text, engine_.Database(), engine_.Downloads(),
                    statistics_ ? statistics_() : TransferStatistics{});
}

std::string TransferPageFunctions::GetUpload(std::string_view text)
{
    return ListPage(TransferKind::Upload, text, engine_.Database(), engine_.Uploads(),
                    statistics_ ? statistics_() : TransferStatistics{});
}

void TransferPageFunctions::ChangeDownload(ReplyTargetPtr target, std::string_view text)
{
    downloads_.RegisterCallback(Reports(std::move(target)), text);
}

void TransferPageFunctions::ChangeUpload(ReplyTargetPtr target, std::string_view text)
{
    uploads_.RegisterCallback(Reports(std::move(target)), text);
}

bool TransferPageFunctions::Control(std::string_view action, std::string argument, ReplyTargetPtr target)
{
    if (!IsControlAction(action)) {
        return false;
    }
    return operationPool_.Post(std::make_unique<CHandlerTask>(std::string(action), std::move(argument),
                                                              std::move(target), control_));
}

} // namespace zym

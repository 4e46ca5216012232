#include "ops/page_reply.h"

namespace zym {

bool DeliverReply(const ReplyTargetPtr& target, const std::string& text)
{
    if (!target || text.empty())
        return false;
    target->Deliver(text);
    return true;
}

} // namespace zym

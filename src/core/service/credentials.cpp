#include "service/credentials.h"

#include <utility>

namespace zym {

void SessionCredentials::Set(AccessKeys keys)
{
    std::lock_guard<std::mutex> lock(mutex_);
    keys_ = std::move(keys);
}

AccessKeys SessionCredentials::Get() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return keys_;
}

} // namespace zym

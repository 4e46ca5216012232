#include "bridge/handler_registry.h"

namespace zym {

bool HandlerRegistry::AddDirect(std::string_view name, DirectHandler handler)
{
    const BridgeFunction* function = FindFunction(name);
    if (!function || function->route != Route::Direct || !handler)
        return false;
    direct_.insert_or_assign(std::string(name), std::move(handler));
    return true;
}

bool HandlerRegistry::AddAsync(std::string_view name, AsyncHandler handler)
{
    const BridgeFunction* function = FindFunction(name);
    if (!function || function->route == Route::Direct || !handler)
        return false;
    async_.insert_or_assign(std::string(name), std::move(handler));
    return true;
}

const DirectHandler* HandlerRegistry::FindDirect(std::string_view name) const
{
    auto it = direct_.find(name);
    return it == direct_.end() ? nullptr : &it->second;
}

const AsyncHandler* HandlerRegistry::FindAsync(std::string_view name) const
{
    auto it = async_.find(name);
    return it == async_.end() ? nullptr : &it->second;
}

} // namespace zym

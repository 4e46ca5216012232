#pragma once
// One registry of the page's ZYMClient functions, keyed by catalogue name. Each module
// registers the functions it owns next to their code, through one function of its own:
//
//     void RegisterSessionFunctions(HandlerRegistry& registry, Session& session, Log& log);
//
// A direct function (Route::Direct) answers at once; its value is formatted by the
// catalogue's answer kind:
//
//     registry.AddDirect("getAccessID", [&session](const ReadArguments&) {
//         return session.Current()->accessId;
//     });
//
// An asynchronous function (Route::Message, Task or Reporter) gets the call and answers
// through call.reply when it likes, from any thread (DeliverReply). Message-route handlers
// run on the main thread once the hosting window's message arrives; the others run on the
// main thread at the page's call. call.host is the hosting window: core handlers ignore it,
// shell handlers turn it back into their window class (shell/bridge/host_window.h).
//
//     registry.AddAsync("loginByKey", [&pool, &session](PageCall& call) {
//         pool.Post(std::make_unique<CLoginByKeyTask>(session, call.args.text, call.reply));
//     });
//
// A catalogue function nobody registered answers the unbuilt error (unbuilt_functions.h).
#include "bridge/catalogue.h"
#include "ops/page_reply.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace zym {

// The window hosting the calling page, as core sees it: nothing but its identity. The shell's
// page windows derive from it.
class HostWindow
{
public:
    virtual ~HostWindow() = default;
};

struct PageCall
{
    ReadArguments args;         // as the catalogue's argument rule read them
    ReplyTargetPtr reply;       // the page's callback; empty when the call carried none
    HostWindow* host = nullptr; // the hosting window; valid for the handler's run only
};

using DirectHandler = std::function<std::string(const ReadArguments& args)>;
using AsyncHandler = std::function<void(PageCall& call)>;

class HandlerRegistry
{
public:
    // Replaces any handler of the same name. Refused (false): names outside the catalogue and
    // a handler kind that does not match the function's route.
    bool AddDirect(std::string_view name, DirectHandler handler);
    bool AddAsync(std::string_view name, AsyncHandler handler);

    const DirectHandler* FindDirect(std::string_view name) const;
    const AsyncHandler* FindAsync(std::string_view name) const;
    bool Has(std::string_view name) const { return FindDirect(name) || FindAsync(name); }
    std::size_t Size() const { return direct_.size() + async_.size(); }

private:
    std::map<std::string, DirectHandler, std::less<>> direct_;
    std::map<std::string, AsyncHandler, std::less<>> async_;
};

} // namespace zym

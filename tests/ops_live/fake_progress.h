#pragma once
// A progress dialog for the copy and delete tasks: records every call, answers clash questions
// from a script, and can be "closed by the user" when a chosen progress step is reached.
#include "ops/operation_progress.h"

#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zymtest {

struct FakeProgress : zym::OperationProgress
{
    std::vector<std::string> calls;
    std::deque<zym::ClashAnswer> answers;
    bool visible = true;
    int closeAfterProgress = -1; // close the dialog when this many Progress calls were seen
    int progressSeen = 0;
    zym::CancelTokenPtr token = std::make_shared<zym::CancelToken>();

    void Ready() override { calls.push_back("ready"); }
    void Counted(std::int64_t total) override { calls.push_back("counted " + std::to_string(total)); }
    void Progress(std::int64_t done, std::int64_t total) override
    {
        calls.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
        if (++progressSeen == closeAfterProgress) {
            token->Cancel();
        }
    }
    void Finished(std::int64_t total) override { calls.push_back("finished " + std::to_string(total)); }
    void Close() override { calls.push_back("close"); }
    bool Visible() const override { return visible; }
    zym::CancelTokenPtr ClosedToken() const override { return token; }
    zym::ClashAnswer Ask(const std::string& name, bool folder, bool several) override
    {
        calls.push_back("ask " + name + (folder ? " folder" : "") + (several ? " several" : ""));
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question about " << name;
            return {};
        }
        zym::ClashAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
};

} // namespace zymtest

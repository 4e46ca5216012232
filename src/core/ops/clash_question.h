#pragma once
// The question asked when a target name already exists (a local file or folder for a download,
// an object for a copy). The shell answers it with its native dialog; core tests with a fake.
#include <optional>
#include <string>

namespace zym {

enum class ClashButton
{
    Replace = 0,
    KeepBoth = 1,
    Close = 2,
};

struct ClashAnswer
{
    ClashButton button = ClashButton::Close;
    bool all = false; // apply the same answer to every later clash of this call
};

class ClashQuestion
{
public:
    virtual ~ClashQuestion() = default;
    // `several`: the call named two or more items (only then is the "all" box offered).
    virtual ClashAnswer Ask(const std::string& name, bool folder, bool several) = 0;
};

// One call's clashes: asks until an answer comes with "all" ticked, then repeats that answer.
class ClashMemory
{
public:
    ClashMemory(ClashQuestion& question, bool several) : question_(question), several_(several) {}
    // True while no answer has been kept: the next clash asks the user.
    bool WillAsk() const { return !kept_; }
    ClashAnswer Settle(const std::string& name, bool folder)
    {
        if (kept_) {
            return *kept_;
        }
        ClashAnswer answer = question_.Ask(name, folder, several_);
        if (!several_) {
            answer.all = false; // the box is hidden: it cannot have been ticked
        }
        if (answer.all) {
            kept_ = answer;
        }
        return answer;
    }

private:
    ClashQuestion& question_;
    bool several_;
    std::optional<ClashAnswer> kept_;
};

// "name(n).ext": the number goes before the last "." of the name, or at the end when the name
// has no "." or its only "." is the first character (".profile(2)").
std::string NumberedName(const std::string& name, int n);

} // namespace zym

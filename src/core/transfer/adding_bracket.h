#pragma once
// What a queueing operation needs of the transfer manager it feeds: while rows are being
// inserted the manager's scheduler must not start any of them (its fill pass would commit the
// queueing transaction half-way), and once the rows are in it must wake at once.
namespace zym {

class AddingBracket
{
public:
    virtual ~AddingBracket() = default;
    virtual void BeginAdding() = 0;
    // Also wakes the manager's scheduler.
    virtual void EndAdding() = 0;
};

// Holds the bracket open for one scope, so every way out of a queueing operation closes it.
class AddingScope
{
public:
    explicit AddingScope(AddingBracket& bracket) : bracket_(bracket) { bracket_.BeginAdding(); }
    ~AddingScope() { bracket_.EndAdding(); }
    AddingScope(const AddingScope&) = delete;
    AddingScope& operator=(const AddingScope&) = delete;

private:
    AddingBracket& bracket_;
};

} // namespace zym

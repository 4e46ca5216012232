#include "shell/bridge/engine_queueing.h"

#include "bridge/program_engine.h"
#include "shell/app/main_dialog.h"
#include "shell/bridge/queueing_operations.h"
#include "shell/bridge/web_dialogs.h"
#include "transfer/adding_bracket.h"

#include <QMetaObject>
#include <QPointer>

namespace zym::shell {

namespace {

// One manager's BeginAdding/EndAdding, so its scheduler waits while rows are being added.
class EngineBracket : public AddingBracket
{
public:
    EngineBracket(CTransferEngine& engine, TransferKind kind) : engine_(engine), kind_(kind) {}
    void BeginAdding() override { engine_.BeginAdding(kind_); }
    void EndAdding() override { engine_.EndAdding(kind_); }

private:
    CTransferEngine& engine_;
    TransferKind kind_;
};

// The brackets live as long as the registered handlers that hold the parts.
struct EngineQueueingParts
{
    EngineQueueingParts(CTransferEngine& engine, ProgramEngine& program, StopLoadFlags& stopLoad,
                        MainDialog& main)
        : uploads(engine, TransferKind::Upload), downloads(engine, TransferKind::Download),
          parts{engine.Database(),
                [&program] { return program.OpenQueue() != nullptr; },
                uploads,
                downloads,
                stopLoad,
                [&main](const std::string& script) {
                    // Any thread: the script runs on the main thread in the launchpad, if it
                    // still exists then.
                    QMetaObject::invokeMethod(
                        &main,
                        [&main, text = QString::fromStdString(script)] {
                            if (CLaunchpad* launchpad = main.Launchpad()) {
                                launchpad->RunScript(text);
                            }
                        },
                        Qt::QueuedConnection);
                }}
    {}

    EngineBracket uploads;
    EngineBracket downloads;
    QueueingParts parts;
};

} // namespace

void RegisterEngineQueueing(HandlerRegistry& registry, ProgramEngine& engine, StopLoadFlags& stopLoad,
                            MainDialog& main)
{
    auto holder = std::make_shared<EngineQueueingParts>(engine.Engine(), engine, stopLoad, main);
    // The parts share the holder's lifetime.
    RegisterQueueingOperations(registry, std::shared_ptr<QueueingParts>(holder, &holder->parts));
}

} // namespace zym::shell

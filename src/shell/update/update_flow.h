#pragma once
// The update flow of one run: the usage report at start, the version check on the operation
// pool, the question to the user, the download dialog, and the verified package handed to the
// desktop's installer, after which the program ends so that the package can replace it.
#include "update/update_check.h"

#include <QObject>

namespace zym::shell {

struct ShellContext;

class UpdateFlow : public QObject, public UpdateUi
{
    Q_OBJECT
public:
    explicit UpdateFlow(ShellContext& context) : context_(context) {}

    // Queues the report and the check; called once the main window has started.
    void Start();
    // From the check, on a pool thread: the question runs on the main thread.
    void OfferUpdate(const VersionOffer& offer) override;

private:
    void Ask(const VersionOffer& offer);
    void OpenInstaller(const QString& path);

    ShellContext& context_;
    UpdateState state_;
};

} // namespace zym::shell

#pragma once
// setTransInfo's limits applied to the running transfer managers.
#include "bridge/settings_functions.h"
#include "transfer/transfer_engine.h"

namespace zym {

class EngineLimits : public TransferLimits
{
public:
    explicit EngineLimits(CTransferEngine& engine) : engine_(engine) {}
    void SetDownloadTaskMax(int value) override { engine_.Downloads().SetTaskMax(value); }
    void SetUploadTaskMax(int value) override { engine_.Uploads().SetTaskMax(value); }
    void SetDownloadPeerMax(int value) override { engine_.Downloads().SetPeerMax(value); }
    void SetUploadPeerMax(int value) override { engine_.Uploads().SetPeerMax(value); }

private:
    CTransferEngine& engine_;
};

} // namespace zym

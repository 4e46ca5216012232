#pragma once
// The engine's side of a login and of setServerLocation: the session snapshot every transfer
// signs with, the account's own queue opened, and the logged-in condition that lets the
// schedulers start.
#include "service/session.h"
#include "transfer/transfer_engine.h"

#include <string>

namespace zym {

class SettingsStore;

// "<data folder>/<40 hex digits of the SHA-1 of the access key id>/transdb.db".
std::string AccountQueuePath(const std::string& dataFolder, const std::string& accessId);

// The signed call of the session's current login for a row: its keys, and the login's host
// override when set, else the host the row was queued with.
std::function<ServiceCall(const TransferRow& row)> SessionServiceCall(const Session& session);

class TransferLogin
{
public:
    TransferLogin(CTransferEngine& engine, Session& session, const SettingsStore& settings,
                  std::string dataFolder)
        : engine_(engine), session_(session), settings_(settings), dataFolder_(std::move(dataFolder))
    {}

    // The last steps of every login: new snapshot (the host override stays), the account's
    // queue opened with its limits and rules, logged in. False when the queue cannot be opened
    // (the login still counts; the page then sees an empty list).
    bool CompleteLogin(const std::string& accessId, const std::string& secret, const std::string& location);
    // The account's own endpoint host for every later request.
    void SetServerLocation(const std::string& host);

private:
    CTransferEngine& engine_;
    Session& session_;
    const SettingsStore& settings_;
    std::string dataFolder_;
};

} // namespace zym

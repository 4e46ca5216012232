#pragma once
// What an upload task needs from the engine that runs it, and what it hands back. The engine
// builds one context per task; everything in it outlives the task's Run.
#include "app/log.h"
#include "platform/cancel_token.h"
#include "service/service_operations.h"
#include "store/trans_database.h"
#include "store/transfer_row.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace zym {

class CallbackRules;

// Live figures the progress reports read while the task runs (no lock: plain atomics).
struct UploadProgress
{
    std::atomic<std::int64_t> offset{0};    // bytes of the file on the service (or on their way)
    std::atomic<std::int64_t> bytesDone{0}; // bytes sent since the task started
};

struct UploadContext
{
    CTransDatabase* database = nullptr;
    // The signed call for a host, built from the session snapshot of the moment.
    std::function<ServiceCall(const std::string& host)> makeCall;
    CancelTokenPtr cancel; // stop, delete or shutdown
    UploadProgress* progress = nullptr;
    Log* log = nullptr;
    const CallbackRules* rules = nullptr; // may be null: no callbacks
    std::string dataFolder;               // the part-info files live in its "transcache" folder
    int peerMax = 5;
    std::int64_t blockSize = 0; // 0: the task's own rule (5 MiB, or size / 5,000 rounded up)
    bool sendDisposition = false;
    std::string createFileInfoErrorText = "CreateFileInfoError"; // language text, section "prompt"
    // True when the task is being deleted: a multipart upload is aborted on the service.
    std::function<bool()> discard;
};

enum class UploadOutcome
{
    Finished,
    Failed,
    Stopped,
};

struct UploadResult
{
    UploadOutcome outcome = UploadOutcome::Stopped;
    int errornum = 0;
    std::string errormsg;
};

} // namespace zym

#pragma once
// What the program hands the engine for its tasks: the log, the session's signed calls, the
// interface-language texts, the data folder and the VerifyDownloads and Disposition settings.
#include "service/session.h"
#include "transfer/task_manager.h"

namespace zym {

class SettingsStore;

// DWORD setting; 0 switches the MD5 check of downloads off. Missing reads as 1.
inline constexpr const char* kVerifyDownloadsSetting = "VerifyDownloads";

bool VerifyDownloads(const SettingsStore& settings);

TaskServices MakeTaskServices(Log& log, const Session& session, const SettingsStore& settings,
                              std::function<std::string(std::string_view word)> promptText,
                              std::string dataFolder = {});

} // namespace zym

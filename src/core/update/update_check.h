#pragma once
// The version check run once per start on the operation pool, and the download task its dialog
// starts. Core decides; the shell asks the user, shows the dialog and opens the package.
#include "platform/base_task.h"
#include "update/installer_download.h"
#include "update/version_offer.h"

#include <atomic>
#include <memory>
#include <string>

namespace zym {

// Process-wide state of the update flow.
struct UpdateState
{
    std::atomic<bool> dialogOpen{false}; // set while the download dialog is up; no further prompt
    std::atomic<bool> cancelled{false};  // read by the running download
};

struct UpdateConfig
{
    std::string base;    // the update server's base address
    std::string source;  // "res"
    std::string version; // the running program's version
    std::string tempFolder;
};

// The user-facing side of the check. Called on the checking thread; it hands the offer to the
// user interface and returns at once (the question and the dialog run there).
class UpdateUi
{
public:
    virtual ~UpdateUi() = default;
    virtual void OfferUpdate(const VersionOffer& offer) = 0;
};

// The usage report, sent once per start; its result is not used.
class CSendReport : public CBaseTask
{
public:
    CSendReport(std::string base, std::string uuid, std::string source, std::string version)
        : base_(std::move(base)), uuid_(std::move(uuid)), source_(std::move(source)),
          version_(std::move(version))
    {}
    void Run() override;

private:
    std::string base_, uuid_, source_, version_;
};

// The check: ask the server, and when it offers a usable version and no download dialog is
// open, offer it to the user.
class CCheckUpdate : public CBaseTask
{
public:
    CCheckUpdate(UpdateConfig config, UpdateState& state, UpdateUi& ui)
        : config_(std::move(config)), state_(state), ui_(ui)
    {}
    void Run() override;

private:
    UpdateConfig config_;
    UpdateState& state_;
    UpdateUi& ui_;
};

// What the download dialog hears from its task (on the downloading thread).
class UpdateDownloadEvents : public InstallerDownloadEvents
{
public:
    virtual void OnTempFileFailed(int errorCode) = 0;
    virtual void OnReady(const std::string& path) = 0;
    virtual void OnFailed() = 0;
};

// The download behind the dialog. A package already in the temporary folder that matches the
// offer's size and SHA-1 is ready at once, without a download.
class CUpDateExe : public CBaseTask
{
public:
    CUpDateExe(VersionOffer offer, std::string tempFolder, UpdateState& state,
               std::shared_ptr<UpdateDownloadEvents> events)
        : offer_(std::move(offer)), tempFolder_(std::move(tempFolder)), state_(state),
          events_(std::move(events))
    {}
    void Run() override;

private:
    VersionOffer offer_;
    std::string tempFolder_;
    UpdateState& state_;
    std::shared_ptr<UpdateDownloadEvents> events_;
};

} // namespace zym

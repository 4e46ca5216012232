#include "update/update_check.h"

#include "update/update_request.h"

namespace zym {

void CCheckUpdate::Run()
{
    std::string body;
    if (!CheckVersion(config_.base, config_.source, config_.version, body, StopToken().get())) {
        return;
    }
    // The server answers an empty body when nothing newer exists; garbage offers nothing either.
    const std::optional<VersionOffer> offer = ParseVersionOffer(body, config_.version);
    if (!offer || !IsUsableOffer(*offer) || state_.dialogOpen.load()) {
        return;
    }
    ui_.OfferUpdate(*offer);
}

void CSendReport::Run()
{
    SendReport(base_, uuid_, source_, version_, StopToken().get());
}

void CUpDateExe::Run()
{
    const std::string existing = InstallerPath(tempFolder_, offer_.version);
    if (MatchesOffer(existing, offer_)) {
        events_->OnReady(existing);
        return;
    }
    const InstallerDownloadResult result =
        DownloadInstaller(offer_, tempFolder_, events_.get(), &state_.cancelled);
    switch (result.outcome) {
    case InstallerDownloadResult::Outcome::Ready:
        events_->OnReady(result.path);
        break;
    case InstallerDownloadResult::Outcome::TempFileFailed:
        events_->OnTempFileFailed(result.errorCode);
        break;
    case InstallerDownloadResult::Outcome::Failed:
        events_->OnFailed();
        break;
    }
}

} // namespace zym

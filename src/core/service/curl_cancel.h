#pragma once
// Ties a transfer to a cancel token: libcurl's progress callback, called often while bytes move
// and about once a second while the peer is silent, aborts the transfer once the token is
// cancelled (CURLE_ABORTED_BY_CALLBACK), so a stop never waits for a request's time limit.
#include "platform/cancel_token.h"

#include <atomic>
#include <curl/curl.h>

namespace zym {

// The token must outlive the transfer; a null token leaves the handle as it is.
void WatchCancel(CURL* handle, const CancelToken* token);
// The same for a plain stop flag (the update installer's).
void WatchCancel(CURL* handle, const std::atomic<bool>* flag);

} // namespace zym

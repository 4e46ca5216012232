// Feeds arbitrary bytes to every reply model and to the status-line reader.
#include "service/http_transport.h"
#include "service/reply_models.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    zym::CZymRet plain;
    zym::CZymCopyRet copy;
    zym::CZymInitiateMultipartUploadRet init;
    zym::CZymListMultipartUploadRet uploads;
    zym::CZymListObjectRet list;
    for (zym::CZymRet* model : {static_cast<zym::CZymRet*>(&plain), static_cast<zym::CZymRet*>(&copy),
                                static_cast<zym::CZymRet*>(&init), static_cast<zym::CZymRet*>(&uploads),
                                static_cast<zym::CZymRet*>(&list)}) {
        zym::ParseReply(*model, body);
    }
    (void)zym::StatusFromHeaders(body);
    return 0;
}

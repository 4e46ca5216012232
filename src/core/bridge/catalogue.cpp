#include "bridge/catalogue.h"

#include <array>

namespace zym {
namespace {

using A = ArgRule;
using K = AnswerKind;
using R = Route;

constexpr std::array<BridgeFunction, 55> kCatalogue{{
    {"getAccessID", A::None, 0, K::Quoted, R::Direct, ""},
    {"getRamSignature", A::TextAndText2, 0, K::Quoted, R::Direct, ""},
    {"getSignature", A::TextRequired, 0, K::Quoted, R::Direct, ""},
    {"addFile", A::TextRequired, 2, K::Later, R::Message, "msgaddFile"},
    {"saveFile", A::TextRequired, 2, K::Later, R::Message, "msgsaveFile"},
    {"saveFileDlg", A::OnlyCallback, 1, K::Later, R::Message, "msgsaveFileDlg"},
    {"selectFileDlg", A::TextRequired, 2, K::Later, R::Message, "msgselectFileDlg"},
    {"getUpload", A::Text, 0, K::Text, R::Direct, ""},
    {"getDownload", A::Text, 0, K::Text, R::Direct, ""},
    {"startUpload", A::TextRequired, 2, K::Later, R::Task, ""},
    {"startDownload", A::TextRequired, 2, K::Later, R::Task, ""},
    {"stopUpload", A::TextRequired, 2, K::Later, R::Task, ""},
    {"stopDownload", A::TextRequired, 2, K::Later, R::Task, ""},
    {"deleteUpload", A::TextRequired, 2, K::Later, R::Task, ""},
    {"deleteDownload", A::TextRequired, 2, K::Later, R::Task, ""},
    {"getClipboardData", A::None, 0, K::Text, R::Direct, ""},
    {"getDragFiles", A::None, 0, K::Text, R::Direct, ""},
    {"deleteObject", A::TextRequired, 2, K::Later, R::Message, "msgdeleteObject"},
    {"copyObject", A::TextRequired, 2, K::Later, R::Message, "msgcopyObject"},
    {"changeUpload", A::Text, 2, K::None, R::Reporter, ""},
    {"changeDownload", A::Text, 2, K::None, R::Reporter, ""},
    {"getErrorLog", A::None, 0, K::Text, R::Direct, ""},
    {"loginByKey", A::TextRequired, 2, K::Later, R::Message, "msgloginByKey"},
    {"loginByFile", A::TextRequired, 2, K::Later, R::Message, "msgloginByFile"},
    {"setPassword", A::TextRequired, 2, K::Later, R::Message, "msgsetPassword"},
    {"loginPassword", A::TextRequired, 2, K::Later, R::Message, "msgloginPassword"},
    {"setServerLocation", A::TextRequired, 2, K::Later, R::Message, "msgsetServerLocation"},
    {"saveAuthorization", A::TextRequired, 2, K::Later, R::Message, "msgsaveAuthorization"},
    {"getDeviceEncoding", A::None, 0, K::Quoted, R::Direct, ""},
    {"showLaunchpad", A::None, 0, K::None, R::Direct, ""},
    {"setClipboardData", A::TextRequired, 0, K::None, R::Direct, ""},
    {"closeWnd", A::None, 0, K::None, R::Message, "msgcloseWnd"},
    {"showWnd", A::TextRequired, 2, K::None, R::Message, "msgMain"},
    {"clearPassword", A::None, 0, K::None, R::Direct, ""},
    {"showAuthorizationDlg", A::Text, 2, K::None, R::Message, "msgshowAuthorizationDlg"},
    {"getUIPath", A::None, 0, K::Quoted, R::Direct, ""},
    {"openLogFolder", A::None, 0, K::None, R::Direct, ""},
    {"deleteBucket", A::TextRequired, 2, K::Later, R::Message, "msgdeleteBucket"},
    {"changeHost", A::TextRequired, 0, K::Quoted, R::Direct, ""},
    {"loadFinish", A::None, 0, K::None, R::Direct, ""},
    {"configInfo", A::None, 0, K::Text, R::Direct, ""},
    {"setTransInfo", A::TextRequired, 0, K::None, R::Direct, ""},
    {"getTransInfo", A::None, 0, K::Text, R::Direct, ""},
    {"getCurrentLocation", A::None, 0, K::QuotedOrEmpty, R::Direct, ""},
    {"getCurrentHost", A::None, 0, K::QuotedOrEmpty, R::Direct, ""},
    {"setMetaObject", A::TextRequired, 2, K::Later, R::Task, ""},
    {"stopLoadDownload", A::TextRequired, 0, K::None, R::Direct, ""},
    {"openUrl", A::TextRequired, 0, K::None, R::Direct, ""},
    {"getCallFunctionInfo", A::TextRequired, 0, K::Text, R::Direct, ""},
    {"setCallFunctionInfo", A::TextRequired, 0, K::None, R::Direct, ""},
    {"gChangeLanguage", A::Text, 0, K::None, R::Direct, ""},
    {"gGetLanguage", A::None, 0, K::Text, R::Direct, ""},
    {"gAccountAction", A::TextAndText2, 0, K::Text, R::Direct, ""},
    {"setDefaultContentDisposition", A::Text, 0, K::None, R::Direct, ""},
    {"getDefaultContentDisposition", A::None, 0, K::Text, R::Direct, ""},
}};

} // namespace

std::span<const BridgeFunction> Catalogue()
{
    return kCatalogue;
}

const BridgeFunction* FindFunction(std::string_view name)
{
    for (const BridgeFunction& f : kCatalogue) {
        if (f.name == name)
            return &f;
    }
    return nullptr;
}

std::optional<std::string> FormatAnswer(AnswerKind kind, const std::string& value)
{
    switch (kind) {
    case AnswerKind::Text:
        return value;
    case AnswerKind::Quoted:
        return "\"" + value + "\"";
    case AnswerKind::QuotedOrEmpty:
        return value.empty() ? std::string() : "\"" + value + "\"";
    case AnswerKind::None:
    case AnswerKind::Later:
        break;
    }
    return std::nullopt;
}

ReadArguments ReadCallArguments(const BridgeFunction& function, const std::vector<CallArgument>& args)
{
    ReadArguments read;
    const bool firstIsText = !args.empty() && args[0].has_value();
    switch (function.args) {
    case ArgRule::OnlyCallback:
        if (args.size() != 1)
            return read;
        read.proceed = true;
        read.callbackIndex = 0;
        return read;
    case ArgRule::TextRequired:
        if (!firstIsText)
            return read;
        break;
    case ArgRule::TextAndText2:
        if (args.size() >= 2 && args[1].has_value())
            read.text2 = *args[1];
        break;
    case ArgRule::None:
    case ArgRule::Text:
        break;
    }
    if (firstIsText && function.args != ArgRule::None)
        read.text = *args[0];
    read.proceed = true;
    if (function.callbackPosition > 0 && args.size() >= static_cast<std::size_t>(function.callbackPosition))
        read.callbackIndex = function.callbackPosition - 1;
    return read;
}

} // namespace zym

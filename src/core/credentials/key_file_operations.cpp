#include "credentials/key_file_operations.h"

#include "app/language_document.h"
#include "app/log.h"
#include "credentials/key_file.h"
#include "platform/json_text.h"
#include "service/error_text.h"

#include <cstring>

namespace zym {
namespace {

std::string AppReply(const LanguageDocument& language, int code)
{
    return ReplyText(code, AppErrorText(language, code));
}

// "[text][path][code,system message]": the path and the system's reason, never file contents.
void LogFileFailure(Log& log, const LanguageDocument& language, const char* word, const std::string& path,
                    int code)
{
    log.WriteLog("[" + language.String("prompt", word) + "][" + path + "][" + std::to_string(code) + "," +
                     std::strerror(code) + "]",
                 true);
}

// A key file that opened but cannot be used: what is wrong with it, never its contents.
void LogUnusableKeyFile(Log& log, const std::string& path, const std::string& reason)
{
    log.WriteLog("[keyfile][" + path + "][" + reason + "]", true);
}

} // namespace

std::string SaveAuthorization(const std::string& argument, const std::string& path,
                              const LanguageDocument& language, Log& log)
{
    const std::optional<JsonArgs> args = JsonArgs::Parse(argument);
    if (!args) {
        return AppReply(language, kErrorJson);
    }
    const std::optional<KeyPairBlocks> blocks =
        EncryptKeyPair(args->Text("keyid").value_or(""), args->Text("keysecret").value_or(""),
                       args->Text("encoding").value_or(""));
    if (!blocks) {
        return AppReply(language, kErrorEncrypt);
    }
    if (const int err = WriteKeyFile(path, FormatKeyFile(*blocks)); err != 0) {
        LogFileFailure(log, language, "FileCreateError", path, err);
        return AppReply(language, kErrorFileSave);
    }
    return std::string(kSuccessReply);
}

KeyFileLogin ReadKeyFileLogin(const std::string& argument, const std::string& path,
                              const std::string& deviceKey, const LanguageDocument& language, Log& log)
{
    KeyFileLogin result;
    if (const std::optional<JsonArgs> args = JsonArgs::Parse(argument)) {
        result.location = args->Text("location").value_or("");
    }
    std::string bytes;
    int err = 0;
    switch (ReadKeyFile(path, bytes, err)) {
    case KeyFileRead::OpenFailed:
        LogFileFailure(log, language, "FileOpenError", path, err);
        result.reply = AppReply(language, kErrorFileOpen);
        return result;
    case KeyFileRead::BadSize:
        LogUnusableKeyFile(log, path, "not a key file: its size is outside 21 to 1048576 bytes");
        result.reply = AppReply(language, kErrorFile);
        return result;
    case KeyFileRead::Ok:
        break;
    }
    const std::optional<KeyPairBlocks> blocks = ParseKeyFile(bytes);
    if (!blocks) {
        LogUnusableKeyFile(log, path, "damaged: no key file header or a block past the end");
        result.reply = AppReply(language, kErrorFile);
        return result;
    }
    std::optional<PlainKeyPair> keys = DecryptKeyPair(*blocks, deviceKey);
    if (!keys) {
        LogUnusableKeyFile(log, path, "damaged, or saved on another device: its check does not verify");
        result.reply = AppReply(language, kErrorDecrypt);
        return result;
    }
    result.keys = std::move(*keys);
    return result;
}

} // namespace zym

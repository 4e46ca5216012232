#include "credentials/password_lock.h"

#include "platform/digest.h"
#include "platform/json_text.h"
#include "platform/protected_text.h"
#include "service/error_text.h"
#include "store/user_database.h"

namespace zym {

std::string PasswordLock::SetPassword(const std::string& argument, const PlainKeyPair& current,
                                      const std::string& area, const std::string& host,
                                      const LanguageDocument& language)
{
    const std::optional<JsonArgs> args = JsonArgs::Parse(argument);
    if (!args) {
        return ReplyText(kErrorJson, AppErrorText(language, kErrorJson));
    }
    const std::optional<KeyPairBlocks> blocks = EncryptKeyPair(current.id, current.secret, machineId_);
    if (!blocks) {
        return ReplyText(kErrorEncrypt, AppErrorText(language, kErrorEncrypt));
    }
    AccountRecord row{Base64Encode(blocks->id), Base64Encode(blocks->secret), area, host,
                      PasswordDigest(identifier_, args->Text("password").value_or(""))};
    database_.SaveAccount(row);
    return std::string(kSuccessReply);
}

PasswordLock::Unlocked PasswordLock::LoginPassword(const std::string& argument,
                                                   const LanguageDocument& language)
{
    Unlocked result;
    const std::optional<JsonArgs> args = JsonArgs::Parse(argument);
    if (!args) {
        result.reply = ReplyText(kErrorJson, AppErrorText(language, kErrorJson));
        return result;
    }
    const std::string digest = PasswordDigest(identifier_, args->Text("password").value_or(""));
    AccountRecord row;
    // A missing row behaves as a wrong password.
    if (!database_.LoadAccount(row) || row.password != digest) {
        result.reply = ReplyText(kErrorPassword, AppErrorText(language, kErrorPassword));
        return result;
    }
    const std::optional<std::string> id = Base64Decode(row.accessid);
    const std::optional<std::string> secret = Base64Decode(row.accesskey);
    std::optional<PlainKeyPair> keys;
    if (id && secret) {
        keys = DecryptKeyPair({"", *id, *secret}, machineId_);
    }
    if (!keys) {
        result.reply = ReplyText(kErrorDecrypt, AppErrorText(language, kErrorDecrypt));
        return result;
    }
    result.keys = std::move(*keys);
    result.area = row.area;
    result.host = row.host;
    return result;
}

void PasswordLock::ClearPassword()
{
    database_.ClearAccount();
}

} // namespace zym

#include "service/error_text.h"

#include "app/language_document.h"
#include "platform/json_text.h"

#include <array>
#include <cstdio>
#include <utility>

namespace zym {
namespace {

// Service error words and their Chinese texts.
constexpr std::array<std::pair<std::string_view, std::string_view>, 30> kServiceTexts{{
    {"AccessDenied", "拒绝访问"},
    {"BucketAlreadyExists", "Bucket已经存在"},
    {"BucketNotEmpty", "Bucket不为空"},
    {"EntityTooLarge", "实体过大"},
    {"EntityTooSmall", "实体过小"},
    {"FileGroupTooLarge", "文件组过大"},
    {"FilePartNotExist", "文件Part不存在"},
    {"FilePartStale", "文件Part过时"},
    {"InvalidArgument", "参数格式错误"},
    {"InvalidAccessKeyId", "Access Key ID不存在"},
    {"InvalidBucketName", "无效的Bucket名字"},
    {"InvalidDigest", "无效的摘要"},
    {"InvalidObjectName", "无效的Object名字"},
    {"InvalidPart", "无效的Part"},
    {"InvalidPartOrder", "无效的part顺序"},
    {"InvalidTargetBucketForLogging", "Logging操作中有无效的目标bucket"},
    {"InternalError", "ZYM内部发生错误"},
    {"MalformedXML", "XML格式非法"},
    {"MethodNotAllowed", "不支持的方法"},
    {"MissingArgument", "缺少参数"},
    {"MissingContentLength", "缺少内容长度"},
    {"NoSuchBucket", "Bucket不存在"},
    {"NoSuchKey", "文件不存在"},
    {"NoSuchUpload", "Multipart Upload ID不存在"},
    {"NotImplemented", "无法处理的方法"},
    {"PreconditionFailed", "预处理错误"},
    {"RequestTimeTooSkewed", "发起请求的时间和服务器时间超出15分钟"},
    {"RequestTimeout", "请求超时"},
    {"SignatureDoesNotMatch", "签名错误"},
    {"TooManyBuckets", "Bucket数目超过限制"},
}};

struct TransferText
{
    long result;
    std::string_view chinese;
    std::string_view english;
};

// libcurl results with a text of their own; 84-88 read the same in every language.
constexpr std::array<TransferText, 63> kTransferTexts{{
    {1, "错误的协议", "CURLE_UNSUPPORTED_PROTOCOL"},
    {2, "初始化代码失败", "CURLE_FAILED_INIT"},
    {3, "URL格式不正确", "CURLE_URL_MALFORMAT"},
    {4, "请求协议错误", "CURLE_NOT_BUILT_IN"},
    {5, "无法解析代理", "CURLE_COULDNT_RESOLVE_PROXY"},
    {6, "无法解析主机地址", "CURLE_COULDNT_RESOLVE_HOST"},
    {7, "无法连接到主机", "CURLE_COULDNT_CONNECT"},
    {8, "远程服务器不可用", "CURLE_FTP_WEIRD_SERVER_REPLY"},
    {9, "访问资源错误", "CURLE_REMOTE_ACCESS_DENIED"},
    {10, "FTP访问被拒绝", "CURLE_FTP_ACCEPT_FAILED"},
    {11, "FTP密码错误", "CURLE_FTP_WEIRD_PASS_REPLY"},
    {12, "FTP访问超时", "CURLE_FTP_ACCEPT_TIMEOUT"},
    {21, "quote 命令从服务器返回错误", "CURLE_QUOTE_ERROR"},
    {25, "服务器拒绝了用于FTP 上传的STOR 操作", "CURLE_UPLOAD_FAILED"},
    {26, "读错误", "CURLE_READ_ERROR"},
    {28, "访问超时", "CURLE_OPERATION_TIMEDOUT"},
    {30, "FTP端口错误", "CURLE_FTP_PORT_FAILED"},
    {31, "FTP错误", "CURLE_FTP_COULDNT_USE_REST"},
    {33, "HTTP range 错误", "CURLE_RANGE_ERROR"},
    {35, "SSL 连接错误", "CURLE_SSL_CONNECT_ERROR"},
    {36, "下载无法恢复", "CURLE_BAD_DOWNLOAD_RESUME"},
    // Also the result of a request refused because a header held a line break or NUL.
    {43, "请求头含有换行或空字符", "CURLE_BAD_FUNCTION_ARGUMENT"},
    {45, "接口错误", "CURLE_INTERFACE_FAILED"},
    {47, "过多的重定向", "CURLE_TOO_MANY_REDIRECTS"},
    {48, "无法识别选项", "CURLE_UNKNOWN_OPTION"},
    {49, "TELNET格式错误", "CURLE_TELNET_OPTION_SYNTAX"},
    {51, "远程服务器的SSL证书", "CURLE_PEER_FAILED_VERIFICATION"},
    {52, "服务器无返回内容", "CURLE_GOT_NOTHING"},
    {53, "加密引擎未找到", "CURLE_SSL_ENGINE_NOTFOUND"},
    {54, "设定默认SSL加密失败", "CURLE_SSL_ENGINE_SETFAILED"},
    {55, "无法发送网络数据", "CURLE_SEND_ERROR"},
    {56, "无法接收网络数据", "CURLE_RECV_ERROR"},
    {58, "本地证书有问题", "CURLE_SSL_CERTPROBLEM"},
    {59, "无法使用密码", "CURLE_SSL_CIPHER"},
    {60, "凭证无法验证", "CURLE_SSL_CACERT"},
    {61, "无法识别的传输编码", "CURLE_BAD_CONTENT_ENCODING"},
    {62, "无效的LDAP URL", "CURLE_LDAP_INVALID_URL"},
    {63, "超过最大文件尺寸", "CURLE_FILESIZE_EXCEEDED"},
    {64, "要求的FTP 的SSL 失败", "CURLE_USE_SSL_FAILED"},
    {65, "发送此数据需要的回卷(rewind)失败", "CURLE_SEND_FAIL_REWIND"},
    {66, "SSL引擎失败", "CURLE_SSL_ENGINE_INITFAILED"},
    {67, "服务器拒绝登录", "CURLE_LOGIN_DENIED"},
    {68, "未找到文件", "CURLE_TFTP_NOTFOUND"},
    {69, "TFTP 服务器权限有问题", "CURLE_TFTP_PERM"},
    {70, "超出服务器磁盘空间", "CURLE_REMOTE_DISK_FULL"},
    {71, "非法TFTP操作", "CURLE_TFTP_ILLEGAL"},
    {72, "未知TFTP传输的ID", "CURLE_TFTP_UNKNOWNID"},
    {73, "文件已经存在", "CURLE_REMOTE_FILE_EXISTS"},
    {74, "错误TFTP服务器", "CURLE_TFTP_NOSUCHUSER"},
    {75, "字符转换失败", "CURLE_CONV_FAILED"},
    {76, "需要字符转换功能", "CURLE_CONV_REQD"},
    {77, "读SSL 证书出现问题", "CURLE_SSL_CACERT_BADFILE"},
    {78, "URL中引用资源不存在", "CURLE_REMOTE_FILE_NOT_FOUND"},
    {79, "错误发生在SSH会话", "CURLE_SSH"},
    {80, "无法关闭SSL连接", "CURLE_SSL_SHUTDOWN_FAILED"},
    {81, "服务未准备", "CURLE_AGAIN"},
    {82, "无法载入CRL文件", "CURLE_SSL_CRL_BADFILE"},
    {83, "发行人检查失败", "CURLE_SSL_ISSUER_ERROR"},
    {84, "curl error:[a PRET command failed]", "curl error:[a PRET command failed]"},
    {85, "curl error:[mismatch of RTSP CSeq numbers]", "curl error:[mismatch of RTSP CSeq numbers]"},
    {86, "curl error:[mismatch of RTSP Session Ids]", "curl error:[mismatch of RTSP Session Ids]"},
    {87, "curl error:[unable to parse FTP file list]", "curl error:[unable to parse FTP file list]"},
    {88, "curl error:[chunk callback reported error]", "curl error:[chunk callback reported error]"},
}};

constexpr std::array<std::string_view, 8> kAppErrorWords{"JsonError",      "FileOpenError", "FileSaveError",
                                                         "AccessKeyError", "FileError",     "PasswordError",
                                                         "EncryptError",   "DecryptError"};

} // namespace

std::string ReplyText(int code, std::string_view message)
{
    std::string reply = "{\"error\":";
    reply += std::to_string(code);
    reply += ",\"message\":\"";
    reply += JsonEscape(message);
    reply += "\"}";
    return reply;
}

std::string_view AppErrorWord(int code)
{
    if (code < 1 || code > static_cast<int>(kAppErrorWords.size())) {
        return {};
    }
    return kAppErrorWords[static_cast<std::size_t>(code - 1)];
}

std::string AppErrorText(const LanguageDocument& language, int code)
{
    const std::string_view word = AppErrorWord(code);
    if (word.empty()) {
        return {};
    }
    return language.String("prompt", std::string(word));
}

std::string ServiceErrorText(int language, std::string_view code)
{
    if (language == 1) {
        for (const auto& [word, text] : kServiceTexts) {
            if (word == code) {
                return std::string(text);
            }
        }
    }
    return std::string(code);
}

std::string TransferErrorText(int language, long result)
{
    for (const TransferText& t : kTransferTexts) {
        if (t.result == result) {
            return std::string(language == 1 ? t.chinese : t.english);
        }
    }
    char buf[48];
    std::snprintf(buf, sizeof buf, "curl error:[%ld]", result);
    return buf;
}

} // namespace zym

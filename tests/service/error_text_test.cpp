// Reply texts and the three error-text tables in Chinese and English.
#include "app/language_document.h"
#include "service/error_text.h"
#include "test_paths.h"

#include <cjson/cJSON.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace zym {
namespace {

TEST(ReplyTextTest, FormatsAndEscapes)
{
    EXPECT_EQ(kSuccessReply, "{\"error\":0,\"message\":\"\"}");
    EXPECT_EQ(ReplyText(9, "CURLE_OPERATION_TIMEDOUT"),
              "{\"error\":9,\"message\":\"CURLE_OPERATION_TIMEDOUT\"}");
    EXPECT_EQ(ReplyText(10, ""), "{\"error\":10,\"message\":\"\"}");
    EXPECT_EQ(ReplyText(1000000, "x"), "{\"error\":1000000,\"message\":\"x\"}");

    // A message with quotes and backslashes still parses as JSON and keeps its text.
    const std::string message = "bad \"name\" in C:\\dir\nline";
    const std::string reply = ReplyText(3, message);
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> json(cJSON_Parse(reply.c_str()), &cJSON_Delete);
    ASSERT_NE(json, nullptr) << reply;
    EXPECT_EQ(cJSON_GetObjectItemCaseSensitive(json.get(), "error")->valueint, 3);
    EXPECT_STREQ(cJSON_GetObjectItemCaseSensitive(json.get(), "message")->valuestring, message.c_str());
}

TEST(TransferErrorTextTest, ChineseEnglishAndUnknownCodes)
{
    struct Case
    {
        long result;
        const char* chinese;
        const char* english;
    };
    const Case cases[] = {
        {1, "错误的协议", "CURLE_UNSUPPORTED_PROTOCOL"},
        {6, "无法解析主机地址", "CURLE_COULDNT_RESOLVE_HOST"},
        {7, "无法连接到主机", "CURLE_COULDNT_CONNECT"},
        {12, "FTP访问超时", "CURLE_FTP_ACCEPT_TIMEOUT"},
        {28, "访问超时", "CURLE_OPERATION_TIMEDOUT"},
        {52, "服务器无返回内容", "CURLE_GOT_NOTHING"},
        {65, "发送此数据需要的回卷(rewind)失败", "CURLE_SEND_FAIL_REWIND"},
        {83, "发行人检查失败", "CURLE_SSL_ISSUER_ERROR"},
        {43, "请求头含有换行或空字符", "CURLE_BAD_FUNCTION_ARGUMENT"},
        {84, "curl error:[a PRET command failed]", "curl error:[a PRET command failed]"},
        {88, "curl error:[chunk callback reported error]", "curl error:[chunk callback reported error]"},
        {17, "curl error:[17]", "curl error:[17]"},
        {13, "curl error:[13]", "curl error:[13]"},
        {57, "curl error:[57]", "curl error:[57]"},
        {89, "curl error:[89]", "curl error:[89]"},
        {0, "curl error:[0]", "curl error:[0]"},
        {-3, "curl error:[-3]", "curl error:[-3]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TransferErrorText(1, c.result), c.chinese) << c.result;
        EXPECT_EQ(TransferErrorText(2, c.result), c.english) << c.result;
        EXPECT_EQ(TransferErrorText(4, c.result), c.english) << c.result;
    }
    EXPECT_EQ(ReplyText(9, TransferErrorText(2, 28)),
              "{\"error\":9,\"message\":\"CURLE_OPERATION_TIMEDOUT\"}");
}

TEST(ServiceErrorTextTest, TranslatesOnlyKnownWordsInChinese)
{
    struct Case
    {
        const char* code;
        const char* chinese;
    };
    const Case cases[] = {
        {"NoSuchKey", "文件不存在"},
        {"AccessDenied", "拒绝访问"},
        {"RequestTimeTooSkewed", "发起请求的时间和服务器时间超出15分钟"},
        {"TooManyBuckets", "Bucket数目超过限制"},
        {"InvalidTargetBucketForLogging", "Logging操作中有无效的目标bucket"},
        {"nosuchkey", "nosuchkey"}, // exact, case-sensitive
        {"NoSuchKeyX", "NoSuchKeyX"},
        {"SlowDown", "SlowDown"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ServiceErrorText(1, c.code), c.chinese) << c.code;
        for (int language : {2, 3, 4, 0}) {
            EXPECT_EQ(ServiceErrorText(language, c.code), c.code) << c.code << " in " << language;
        }
    }
}

TEST(AppErrorTextTest, ReadsThePromptWordOfEachCode)
{
    const auto folder = std::filesystem::temp_directory_path() / ("zym-apperr-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto file = folder / "lang.xml";
    std::ofstream(file)
        << "<dialog><prompt><string JsonError=\"t1\" FileOpenError=\"t2\" FileSaveError=\"t3\" "
           "AccessKeyError=\"t4\" FileError=\"t5\" PasswordError=\"t6\" EncryptError=\"t7\" "
           "DecryptError=\"t8\" MaxUploadError=\"tm\"/></prompt></dialog>";
    LanguageDocument doc;
    ASSERT_TRUE(doc.Load(file.string()));
    for (int code = 1; code <= 8; ++code) {
        EXPECT_EQ(AppErrorText(doc, code), "t" + std::to_string(code));
    }
    for (int code : {0, 9, 10, 1000000, -1}) {
        EXPECT_EQ(AppErrorText(doc, code), "") << code;
        EXPECT_EQ(AppErrorWord(code), "") << code;
    }
    EXPECT_EQ(AppErrorWord(1), "JsonError");
    EXPECT_EQ(AppErrorWord(8), "DecryptError");

    LanguageDocument empty;
    EXPECT_EQ(AppErrorText(empty, 1), "");
    std::filesystem::remove_all(folder);
}

TEST(AppErrorTextTest, ShippedFilesGiveTheWordsInEachLanguage)
{
    LanguageDocument doc;
    ASSERT_TRUE(doc.Load(LanguageFilePath(zymtest::SourceDir(), 1)));
    EXPECT_EQ(AppErrorText(doc, kErrorPassword), "密码不正确");
    ASSERT_TRUE(doc.Load(LanguageFilePath(zymtest::SourceDir(), 2)));
    EXPECT_EQ(AppErrorText(doc, kErrorPassword), "The password is not correct");
    EXPECT_EQ(ReplyText(kErrorJson, AppErrorText(doc, kErrorJson)),
              "{\"error\":1,\"message\":\"The request is not in the expected format\"}");
    for (int language = 1; language <= 4; ++language) {
        ASSERT_TRUE(doc.Load(LanguageFilePath(zymtest::SourceDir(), language)));
        for (int code = 1; code <= 8; ++code) {
            EXPECT_FALSE(AppErrorText(doc, code).empty()) << language << " " << code;
        }
    }
}

} // namespace
} // namespace zym

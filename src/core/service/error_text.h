#pragma once
// The reply every long operation sends to its page callback, and the texts it carries:
//   {"error":N,"message":"TEXT"}
// N: 0 success, 1-8 application errors (texts from the "prompt" section of the language
// document), 9 transport failures (libcurl result), 10 service failures (the service's error
// Code), 1000000 too many files in one upload request.
//
// Language numbers: 1 simplified Chinese, 2 English, 3 traditional Chinese, 4 Korean. The
// service and transport tables translate only for language 1; other languages get the code
// word or the libcurl name.
#include <string>
#include <string_view>

namespace zym {

class LanguageDocument;

inline constexpr int kErrorSuccess = 0;
inline constexpr int kErrorJson = 1;
inline constexpr int kErrorFileOpen = 2;
inline constexpr int kErrorFileSave = 3;
inline constexpr int kErrorAccessKey = 4;
inline constexpr int kErrorFile = 5;
inline constexpr int kErrorPassword = 6;
inline constexpr int kErrorEncrypt = 7;
inline constexpr int kErrorDecrypt = 8;
inline constexpr int kErrorTransport = 9;
inline constexpr int kErrorService = 10;
inline constexpr int kErrorTooManyFiles = 1000000;

// The fixed success reply: {"error":0,"message":""}
inline constexpr std::string_view kSuccessReply = "{\"error\":0,\"message\":\"\"}";

// {"error":code,"message":"message"}. The message is escaped with JsonEscape so that a quote or
// backslash in a service or language text cannot break the page's JSON.parse.
std::string ReplyText(int code, std::string_view message);

// The "prompt" word of application error 1-8 ("JsonError", "FileOpenError", ...); "" otherwise.
std::string_view AppErrorWord(int code);

// The current language's text of application error 1-8: the "prompt" string of its word;
// "" for any other code or when the document lacks it.
std::string AppErrorText(const LanguageDocument& language, int code);

// The service's error Code word, translated when language is 1 and the word is in the table
// (exact, case-sensitive); otherwise returned unchanged.
std::string ServiceErrorText(int language, std::string_view code);

// A libcurl result code as text: the Chinese text (language 1) or the CURLE_ name (any other
// language) for known codes; "curl error:[<n>]" for codes not in the table.
std::string TransferErrorText(int language, long result);

} // namespace zym

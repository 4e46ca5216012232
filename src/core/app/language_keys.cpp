#include "app/language_keys.h"

#include <array>

namespace zym {
namespace {

using K = LanguageKind;

constexpr LanguageKey kKeys[] = {
    {"prompt", K::String, "prompt", ""},
    {"prompt", K::String, "logout", ""},
    {"prompt", K::String, "selectpath", ""},
    {"prompt", K::String, "Copying", "%d%d"},
    {"prompt", K::String, "Deleting", "%d"},
    {"prompt", K::String, "ReadyCopy", ""},
    {"prompt", K::String, "ReadyDelete", ""},
    {"prompt", K::String, "Copy", ""},
    {"prompt", K::String, "Delete", ""},
    {"prompt", K::String, "MergerCreateFileError", ""},
    {"prompt", K::String, "MergerFileSizeError", ""},
    {"prompt", K::String, "DownloadCheckError", ""},
    {"prompt", K::String, "MergerTempFileError", ""},
    {"prompt", K::String, "MergerMemError", ""},
    {"prompt", K::String, "CreateDirError", ""},
    {"prompt", K::String, "CreateEmptyError", ""},
    {"prompt", K::String, "DownloadDir", ""},
    {"prompt", K::String, "DownloadFileError", ""},
    {"prompt", K::String, "CreateFileInfoError", ""},
    {"prompt", K::String, "MaxUploadError", ""},
    {"prompt", K::String, "ChangeError", ""},
    {"prompt", K::String, "DeleteFileError", ""},
    {"prompt", K::String, "DeleteFileInfoError", ""},
    {"prompt", K::String, "DeleteBucketError", ""},
    {"prompt", K::String, "FileInfoError", ""},
    {"prompt", K::String, "CopyFileError", ""},
    {"prompt", K::String, "CopyBigFileError", ""},
    {"prompt", K::String, "AccessKeyError", ""},
    {"prompt", K::String, "FileOpenError", ""},
    {"prompt", K::String, "FileSaveError", ""},
    {"prompt", K::String, "FileCreateError", ""},
    {"prompt", K::String, "JsonError", ""},
    {"prompt", K::String, "EncryptError", ""},
    {"prompt", K::String, "DecryptError", ""},
    {"prompt", K::String, "FileError", ""},
    {"prompt", K::String, "PasswordError", ""},
    {"prompt", K::String, "ZymFile", ""},
    {"prompt", K::String, "Update", ""},
    {"prompt", K::String, "UpdateMessage", "%s"},
    {"selectdlg", K::String, "window", ""},
    {"selectdlg", K::String, "ok", ""},
    {"copymessage", K::String, "window", ""},
    {"copymessage", K::String, "text", "%s"},
    {"copymessage", K::String, "all", ""},
    {"copymessage", K::String, "replace", ""},
    {"copymessage", K::String, "savemore", ""},
    {"copymessage", K::String, "close", ""},
    {"launchpad", K::Rect, "window", ""},
    {"authorization", K::Rect, "window", ""},
    {"weblogin", K::Rect, "window", ""},
    {"copyfiledlg", K::Rect, "title", ""},
    {"copyfiledlg", K::Rect, "progress", ""},
    {"copymessage", K::Rect, "icon", ""},
    {"copymessage", K::Rect, "text", ""},
    {"copymessage", K::Rect, "all", ""},
    {"copymessage", K::Rect, "replace", ""},
    {"copymessage", K::Rect, "savemore", ""},
    {"copymessage", K::Rect, "close", ""},
    {"launchpad", K::Html, "path", ""},
    {"authorization", K::Html, "path", ""},
    {"weblogin", K::Html, "path", ""},
    {"copyfiledlg", K::Width, "", ""},
    {"copyfiledlg", K::Height, "", ""},
    {"copymessage", K::Width, "", ""},
    {"copymessage", K::Height, "", ""},
    {"copymessage", K::Image, "fileicon", ""},
    {"skindlg", K::Color, "bkg", ""},
    {"skindlg", K::Color, "text", ""},
};

} // namespace

std::span<const LanguageKey> LanguageKeys()
{
    return kKeys;
}

} // namespace zym

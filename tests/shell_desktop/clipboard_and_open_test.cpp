// The clipboard functions and the address rule, with the application's own clipboard and a
// recording opener.
#include "app/log.h"
#include "shell/desktop/clipboard_functions.h"
#include "shell/desktop/desktop_opener.h"
#include "shell/desktop/open_functions.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

namespace zym::shell {
namespace {

class RecordingOpener : public DesktopOpener
{
public:
    bool Open(const QUrl& url) override
    {
        opened.push_back(url.toString());
        return true;
    }
    QStringList opened;
};

TEST(Clipboard, TextGoesOnWithoutItsQuotesAndIsNeverAnsweredAsFiles)
{
    SetClipboardData("\"a \\\"b\\\" c\"");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "a \\\"b\\\" c");
    SetClipboardData("ab");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "ab");
    // Text that looks like a path is still not a file.
    SetClipboardData("\"/etc/passwd\"");
    EXPECT_EQ(GetClipboardData(), "{}");
}

TEST(Clipboard, FilesAsAFileManagerCopiesThemLocalOnlyInOrder)
{
    auto* data = new QMimeData;
    data->setUrls(
        {QUrl::fromLocalFile("/tmp/z y.txt"), QUrl("https://example.com/a"), QUrl::fromLocalFile("/tmp/a")});
    data->setText("/tmp/z y.txt\n/tmp/a");
    QGuiApplication::clipboard()->setMimeData(data);
    EXPECT_EQ(ClipboardFiles(), (std::vector<std::string>{"/tmp/z y.txt", "/tmp/a"}));
    EXPECT_EQ(GetClipboardData(), "{\"list\":[{\"path\":\"\\/tmp\\/z y.txt\"},{\"path\":\"\\/tmp\\/a\"}]}");
}

TEST(OpenUrl, WebAndMailOpenedOthersRefusedAndLogged)
{
    RecordingOpener opener;
    Log log;
    OpenUrl("{\"url\":\"https://example.com/x\"}", opener, log);
    OpenUrl("{\"url\":\"file:///etc/passwd\"}", opener, log);
    OpenUrl("{\"url\":\"javascript:alert(1)\"}", opener, log);
    OpenUrl("https://not-json.example/", opener, log);
    OpenUrl("{}", opener, log);
    OpenUrl("{\"url\":\"mailto:a@b.c\"}", opener, log);
    EXPECT_EQ(opener.opened, (QStringList{"https://example.com/x", "mailto:a@b.c"}));
    const std::string errors = log.GetErrorLog();
    EXPECT_NE(errors.find("[openUrl][file:\\/\\/\\/etc\\/passwd][refused"), std::string::npos) << errors;
    EXPECT_NE(errors.find("[openUrl][javascript:alert(1)][refused"), std::string::npos);
    EXPECT_NE(errors.find("[openUrl][][refused"), std::string::npos) << "a missing url is refused too";
}

TEST(OpenLogFolder, OpensTheDataFoldersLogFolder)
{
    RecordingOpener opener;
    OpenLogFolder("/home/u/.local/share/ZYMClient", opener);
    EXPECT_EQ(opener.opened, QStringList{"file:///home/u/.local/share/ZYMClient/log"});
}

} // namespace
} // namespace zym::shell

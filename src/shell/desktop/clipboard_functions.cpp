#include "shell/desktop/clipboard_functions.h"

#include "bridge/desktop_answers.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace zym::shell {

void SetClipboardData(const std::string& text)
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(StripOuterCharacters(text)));
}

std::vector<std::string> ClipboardFiles()
{
    std::vector<std::string> files;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            files.push_back(url.toLocalFile().toStdString());
    }
    return files;
}

std::string GetClipboardData()
{
    const std::vector<std::string> files = ClipboardFiles();
    return files.empty() ? std::string(kNothingAnswer) : FileListAnswer(files);
}

} // namespace zym::shell

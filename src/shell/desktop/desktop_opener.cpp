#include "shell/desktop/desktop_opener.h"

#include <QDesktopServices>
#include <QFile>

namespace zym::shell {
namespace {

class SystemOpener : public DesktopOpener
{
public:
    bool Open(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

#ifdef ZYM_TEST_HOOKS
// Appends each address, one a line, to a file the test reads.
class RecordingOpener : public DesktopOpener
{
public:
    explicit RecordingOpener(QString path) : path_(std::move(path)) {}
    bool Open(const QUrl& url) override
    {
        QFile file(path_);
        if (!file.open(QIODevice::Append | QIODevice::Text))
            return false;
        return file.write(url.toString(QUrl::FullyEncoded).toUtf8() + '\n') > 0;
    }

private:
    QString path_;
};
#endif

} // namespace

std::unique_ptr<DesktopOpener> MakeDesktopOpener()
{
#ifdef ZYM_TEST_HOOKS
    const QString record = qEnvironmentVariable("ZYM_TEST_OPENER");
    if (!record.isEmpty())
        return std::make_unique<RecordingOpener>(record);
#endif
    return std::make_unique<SystemOpener>();
}

} // namespace zym::shell

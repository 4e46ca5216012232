// CUpdateDlg against the local update server: a verified package closes it as accepted and
// goes to the opener; a refused one keeps it open with the error; Cancel stops a stalled
// download at once.
#include "app/language_document.h"
#include "platform/digest.h"
#include "platform/task_pool.h"
#include "service/http_transport.h"
#include "shell/update/desktop_opener.h"
#include "shell/update/update_dialog.h"
#include "test_paths.h"
#include "update/update_request.h"

#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zym::shell {
namespace {

const std::string kState = zymtest::BinaryDir() + "/zym-update";

std::string Base()
{
    std::ifstream in(kState + "/endpoint");
    std::string line;
    std::getline(in, line);
    return line;
}

class UpdateDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(Base().empty()) << "the zym_update_server fixture is not running";
        char pattern[] = "/tmp/zym-updlg-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        temp_ = pattern;
        ASSERT_TRUE(language_.Load(zymtest::SourceDir() + "/language/default-en.xml"));
        res_ = std::string("dlg-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        file_ = res_ + ".deb";
        package_.assign(200000, '\0');
        for (std::size_t i = 0; i < package_.size(); ++i)
            package_[i] = static_cast<char>(i * 31 + (i >> 9));
        std::ofstream(kState + "/files/" + file_, std::ios::binary) << package_;
        ASSERT_TRUE(pool_.Start(3));
    }
    void TearDown() override
    {
        Control("/control/offer?res=" + res_);
        pool_.Stop();
        std::filesystem::remove_all(temp_);
        std::filesystem::remove(kState + "/files/" + file_);
    }
    static void Control(const std::string& path)
    {
        int status = 0;
        std::string body;
        ASSERT_TRUE(FetchText(Base() + path, status, body));
        ASSERT_EQ(status, 200);
    }
    VersionOffer OfferOf(const std::string& extra)
    {
        Control("/control/offer?res=" + res_ + "&version=7.0.0.1&file=" + file_ + extra);
        std::string body;
        EXPECT_TRUE(CheckVersion(Base(), res_, "1.0.0.1", body));
        return ParseVersionOffer(body, "1.0.0.1").value_or(VersionOffer{});
    }
    std::unique_ptr<CUpdateDlg> Dialog(const VersionOffer& offer)
    {
        return std::make_unique<CUpdateDlg>(language_, pool_, state_, offer, QStringLiteral("1.0.0.1"),
                                            temp_);
    }

    std::string temp_, res_, file_, package_;
    LanguageDocument language_;
    CTaskPool pool_;
    UpdateState state_;
};

TEST_F(UpdateDialogTest, VerifiedPackageClosesTheDialogAndReachesTheOpener)
{
    auto dialog = Dialog(OfferOf(""));
    EXPECT_EQ(dialog->findChild<QLabel*>("currentVersion")->text(), "1.0.0.1");
    EXPECT_EQ(dialog->findChild<QLabel*>("newVersion")->text(), "7.0.0.1");
    EXPECT_EQ(dialog->exec(), QDialog::Accepted);
    EXPECT_TRUE(state_.dialogOpen.load()); // no further offer in this run
    EXPECT_EQ(dialog->Percentage(), 100);
    EXPECT_EQ(dialog->findChild<QLabel*>("percentage")->text(), "100%");
    const QString path = dialog->PackagePath();
    EXPECT_EQ(path.toStdString(), temp_ + "/Zym_Update_7.0.0.1.deb");
    EXPECT_EQ(FileSha1(path.toStdString()), Sha1Hex(package_));

    // The stub opener writes the path it was given into a pipe; reading it waits for the stub.
    const std::string fifo = temp_ + "/opened";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string stub = zymtest::SourceDir() + "/tests/shell_update/stub_opener.sh";
    qputenv("ZYM_INSTALLER_OPENER", QByteArray::fromStdString(stub));
    qputenv("ZYM_STUB_OPENER_OUT", QByteArray::fromStdString(fifo));
    ASSERT_TRUE(OpenWithDesktop(path));
    std::ifstream in(fifo);
    std::string received;
    std::getline(in, received);
    EXPECT_EQ(received, path.toStdString());
    qunsetenv("ZYM_INSTALLER_OPENER");
}

TEST_F(UpdateDialogTest, RefusedPackageShowsTheErrorAndKeepsTheDialog)
{
    auto dialog = Dialog(OfferOf("&filehash=" + Sha1Hex("another package")));
    QString shown;
    QEventLoop loop;
    QObject::connect(dialog.get(), &CUpdateDlg::downloadFailed, [&](const QString& text) {
        shown = text;
        loop.quit();
    });
    dialog->show();
    loop.exec();
    EXPECT_EQ(shown.toStdString(), language_.String("prompt", "DownloadFileError"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_NE(dialog->findChild<QMessageBox*>("updateError"), nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(temp_)) << "a refused package is deleted";
    dialog->reject();
    EXPECT_FALSE(state_.dialogOpen.load());
}

TEST_F(UpdateDialogTest, CancelStopsAStalledDownload)
{
    auto dialog = Dialog(OfferOf("&mode=stall"));
    QEventLoop loop;
    QObject::connect(dialog.get(), &CUpdateDlg::progressed, [&](qint64) { loop.quit(); });
    dialog->show();
    loop.exec(); // the first half of the package has started to arrive; the server then stalls
    EXPECT_GT(dialog->Percentage(), 0);
    EXPECT_LT(dialog->Percentage(), 100);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    EXPECT_TRUE(state_.cancelled.load());
    EXPECT_FALSE(dialog->isVisible());
    pool_.Stop(); // returns once the download task has ended: only the cancel can end it
    EXPECT_TRUE(std::filesystem::is_empty(temp_));
}

} // namespace
} // namespace zym::shell

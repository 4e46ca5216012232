// The upload selection dialog over a real folder: view order, keyboard use, the typed-name rule.
#include "shell/desktop/select_files_dialog.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace zym::shell {
namespace {

class SelectFilesDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        for (const char* folder : {"zeta", "alpha", "alpha/inner"})
            ASSERT_TRUE(QDir(dir_.path()).mkpath(folder));
        for (const char* file : {"b.txt", "A.txt", "c.txt", "alpha/in.txt"}) {
            QFile f(Path(file));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        dialog_ = std::make_unique<CSelectFilesDialog>(dir_.path(), "title", "Upload");
        dialog_->show();
        // Keys go to the active window's focus widget, as for a user.
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
        ASSERT_TRUE(Shows({"alpha", "zeta", "A.txt", "b.txt", "c.txt"}));
        view_ = dialog_->findChild<QTreeView*>();
        ASSERT_NE(view_, nullptr);
        view_->setFocus();
    }

    QString Path(const QString& name) const { return dir_.path() + '/' + name; }
    // The folder model lists and then sorts asynchronously: wait for the rows in view order.
    bool Shows(const QStringList& names)
    {
        return QTest::qWaitFor([&] { return dialog_->Names() == names; }, 5000);
    }
    QStringList Accept()
    {
        dialog_->accept();
        return dialog_->Chosen();
    }

    QTemporaryDir dir_;
    std::unique_ptr<CSelectFilesDialog> dialog_;
    QTreeView* view_ = nullptr;
};

TEST_F(SelectFilesDialogTest, FoldersFirstThenFilesByName)
{
    EXPECT_EQ(dialog_->Folder(), QDir::cleanPath(dir_.path()));
    // Folders first, then files by name whatever their case (the set-up waited for this order).
    EXPECT_EQ(dialog_->OkButton()->text(), "Upload");
}

TEST_F(SelectFilesDialogTest, KeyboardSelectionAnswersInViewOrder)
{
    QTest::keyClick(view_, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(dialog_->NameField()->text().toStdString(), "\"alpha\" \"zeta\" \"A.txt\" \"b.txt\" \"c.txt\"");
    EXPECT_EQ(Accept(),
              (QStringList{Path("alpha"), Path("zeta"), Path("A.txt"), Path("b.txt"), Path("c.txt")}));
}

TEST_F(SelectFilesDialogTest, EnterOpensAFolderAndBackspaceGoesUp)
{
    view_->setFocus();
    QTest::keyClick(view_, Qt::Key_Home);
    QTest::keyClick(view_, Qt::Key_Return);
    EXPECT_EQ(dialog_->Folder(), Path("alpha"));
    EXPECT_TRUE(dialog_->isVisible()) << "Enter on a folder opens it, it does not accept";
    EXPECT_TRUE(Shows({"inner", "in.txt"})) << dialog_->Names().join(',').toStdString();
    QTest::keyClick(view_, Qt::Key_Backspace);
    EXPECT_EQ(dialog_->Folder(), QDir::cleanPath(dir_.path()));
}

TEST_F(SelectFilesDialogTest, TypedNameRule)
{
    const struct
    {
        QStringList selected;
        QString typed;
        QStringList chosen;
    } cases[] = {
        // Another existing item replaces the selection.
        {{"b.txt"}, "A.txt", {"A.txt"}},
        {{"b.txt", "c.txt"}, "alpha/in.txt", {"alpha/in.txt"}},
        // The selection's own name, a name that does not exist, or quoted names keep it.
        {{"b.txt"}, "b.txt", {"b.txt"}},
        {{"b.txt"}, "nothing-here", {"b.txt"}},
        {{"b.txt", "zeta"}, "\"A.txt\"", {"zeta", "b.txt"}},
        // Nothing selected and nothing typed: OK with an empty list.
        {{}, "", {}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(dialog_->SelectNames(c.selected));
        dialog_->NameField()->setText(c.typed);
        QStringList expected;
        for (const QString& name : c.chosen)
            expected.push_back(Path(name));
        EXPECT_EQ(Accept(), expected) << c.typed.toStdString();
    }
}

TEST_F(SelectFilesDialogTest, AbsoluteTypedPathAndFolderPathWithSlash)
{
    QTemporaryDir other;
    QFile elsewhere(other.path() + "/x.bin");
    ASSERT_TRUE(elsewhere.open(QIODevice::WriteOnly));
    dialog_->NameField()->setText(elsewhere.fileName());
    EXPECT_EQ(Accept(), QStringList{elsewhere.fileName()});

    // A path ending in "/" and Enter opens the folder instead.
    dialog_->show();
    dialog_->NameField()->setFocus();
    dialog_->NameField()->setText("zeta/");
    QTest::keyClick(dialog_->NameField(), Qt::Key_Return);
    EXPECT_EQ(dialog_->Folder(), Path("zeta"));
    EXPECT_TRUE(dialog_->isVisible());
}

TEST(SelectFilesDialogStart, MissingStartFolderFallsBackToHome)
{
    CSelectFilesDialog dialog("/no/such/folder", "t", "ok");
    EXPECT_EQ(dialog.Folder(), QDir::cleanPath(QDir::homePath()));
}

} // namespace
} // namespace zym::shell

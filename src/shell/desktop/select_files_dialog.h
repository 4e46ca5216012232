#pragma once
// The upload selection dialog: files and folders chosen together from one folder view, in the
// view's order. A small dialog over QFileSystemModel, since Qt's file dialog picks either files
// or one folder.
//
// Keyboard: arrows and Shift/Ctrl select in the view, Enter opens a folder (or takes a file),
// Backspace goes up; the name field takes a typed name or path: Enter on a path ending in "/"
// opens that folder, otherwise it is the typed-name rule of accept().
#include <QDialog>
#include <QString>
#include <QStringList>

class QFileSystemModel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace zym::shell {

class CSelectFilesDialog : public QDialog
{
    Q_OBJECT
public:
    CSelectFilesDialog(const QString& startFolder, const QString& title, const QString& okText,
                       QWidget* parent = nullptr);

    // The chosen paths once the dialog was left with OK (may be empty).
    const QStringList& Chosen() const { return chosen_; }
    QString Folder() const { return folder_; }
    void SetFolder(const QString& folder);
    // Names of the shown folder's items in view order (those loaded so far).
    QStringList Names() const;
    // Selects exactly the named items of the shown folder; false when one is missing.
    bool SelectNames(const QStringList& names);
    QLineEdit* NameField() const { return name_; }
    QPushButton* OkButton() const { return ok_; }

public slots:
    // The selected items in view order, unless the typed name names another existing item:
    // then that one alone.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnActivated(const QModelIndex& index);
    void OnSelectionChanged();
    void OnNameEntered();
    QStringList SelectedInViewOrder() const;
    QString FullPath(const QString& typed) const;

    QFileSystemModel* model_;
    QTreeView* view_;
    QLineEdit* name_;
    QPushButton* ok_;
    QString folder_;
    QStringList chosen_;
};

} // namespace zym::shell

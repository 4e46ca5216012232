#include "shell/desktop/select_files_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace zym::shell {

CSelectFilesDialog::CSelectFilesDialog(const QString& startFolder, const QString& title,
                                       const QString& okText, QWidget* parent)
    : QDialog(parent), model_(new QFileSystemModel(this)), view_(new QTreeView(this)),
      name_(new QLineEdit(this))
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("selectFilesDialog"));
    model_->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::AllDirs);
    model_->setReadOnly(true);
    model_->setRootPath(QStringLiteral("/"));

    view_->setModel(model_);
    view_->setRootIsDecorated(false);
    view_->setItemsExpandable(false);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSortingEnabled(true);
    view_->sortByColumn(0, Qt::AscendingOrder); // folders first, then by name
    view_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    view_->installEventFilter(this);
    connect(view_, &QTreeView::activated, this, &CSelectFilesDialog::OnActivated);
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CSelectFilesDialog::OnSelectionChanged);

    auto* up = new QToolButton(this);
    up->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    up->setAutoRaise(true);
    connect(up, &QToolButton::clicked, this, [this] { SetFolder(QFileInfo(folder_).absolutePath()); });
    auto* location = new QLineEdit(this);
    location->setReadOnly(true);
    location->setFocusPolicy(Qt::NoFocus);

    // Neither button takes Enter by itself: Enter belongs to the view (open a folder) and to the
    // name field (its own rule). A button box would make OK the default button when shown.
    ok_ = new QPushButton(okText, this);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    for (QPushButton* push : {ok_, cancel}) {
        push->setAutoDefault(false);
        push->setDefault(false);
    }
    connect(ok_, &QPushButton::clicked, this, &CSelectFilesDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CSelectFilesDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    connect(name_, &QLineEdit::returnPressed, this, &CSelectFilesDialog::OnNameEntered);

    auto* top = new QHBoxLayout;
    top->addWidget(up);
    top->addWidget(location, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    layout->addWidget(name_);
    layout->addLayout(buttons);
    resize(640, 420);

    connect(model_, &QFileSystemModel::rootPathChanged, location,
            [location](const QString& path) { location->setText(path); });
    const QFileInfo start(startFolder);
    SetFolder(!startFolder.isEmpty() && start.isDir() ? start.absoluteFilePath() : QDir::homePath());
    view_->setFocus();
}

void CSelectFilesDialog::SetFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        return;
    folder_ = QDir::cleanPath(info.absoluteFilePath());
    view_->setRootIndex(model_->setRootPath(folder_));
    view_->selectionModel()->clearSelection();
    name_->clear();
}

QStringList CSelectFilesDialog::Names() const
{
    QStringList names;
    const QModelIndex root = view_->rootIndex();
    for (int row = 0; row < model_->rowCount(root); ++row)
        names.push_back(model_->fileName(model_->index(row, 0, root)));
    return names;
}

bool CSelectFilesDialog::SelectNames(const QStringList& names)
{
    QItemSelectionModel* selection = view_->selectionModel();
    selection->clearSelection();
    const QModelIndex root = view_->rootIndex();
    int found = 0;
    for (int row = 0; row < model_->rowCount(root); ++row) {
        const QModelIndex index = model_->index(row, 0, root);
        if (names.contains(model_->fileName(index))) {
            selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
            selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            ++found;
        }
    }
    return found == names.size();
}

QStringList CSelectFilesDialog::SelectedInViewOrder() const
{
    QStringList paths;
    const QItemSelectionModel* selection = view_->selectionModel();
    const QModelIndex root = view_->rootIndex();
    for (int row = 0; row < model_->rowCount(root); ++row) {
        const QModelIndex index = model_->index(row, 0, root);
        if (selection->isSelected(index))
            paths.push_back(model_->filePath(index));
    }
    return paths;
}

QString CSelectFilesDialog::FullPath(const QString& typed) const
{
    if (QDir::isAbsolutePath(typed))
        return QDir::cleanPath(typed);
    return QDir::cleanPath(folder_ + (folder_.endsWith('/') ? "" : "/") + typed);
}

void CSelectFilesDialog::accept()
{
    chosen_ = SelectedInViewOrder();
    // A typed name (the field shows quoted names while several items are selected) counts when
    // it names an existing item other than the selected ones.
    const QString typed = name_->text().trimmed();
    if (!typed.isEmpty() && !typed.contains('"')) {
        const QString full = FullPath(typed);
        bool selected = false;
        for (const QString& path : chosen_)
            selected = selected || path.toLower() == full.toLower();
        if (QFileInfo::exists(full) && !selected)
            chosen_ = QStringList{full};
    }
    QDialog::accept();
}

void CSelectFilesDialog::OnActivated(const QModelIndex& index)
{
    const QString path = model_->filePath(index);
    if (QFileInfo(path).isDir()) {
        SetFolder(path);
        return;
    }
    accept();
}

void CSelectFilesDialog::OnSelectionChanged()
{
    QStringList names;
    for (const QString& path : SelectedInViewOrder())
        names.push_back(QFileInfo(path).fileName());
    if (names.size() == 1)
        name_->setText(names.front());
    else if (names.size() > 1)
        name_->setText('"' + names.join(QStringLiteral("\" \"")) + '"');
}

void CSelectFilesDialog::OnNameEntered()
{
    const QString typed = name_->text().trimmed();
    if (typed.endsWith('/') && QFileInfo(FullPath(typed)).isDir()) {
        SetFolder(FullPath(typed));
        view_->setFocus();
        return;
    }
    accept();
}

bool CSelectFilesDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Backspace) {
            SetFolder(QFileInfo(folder_).absolutePath());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace zym::shell

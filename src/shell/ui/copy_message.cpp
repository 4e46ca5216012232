#include "shell/ui/copy_message.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace zym {
#ifdef ZYM_TEST_HOOKS
namespace {

// A test hook (test builds only): tests of the real program answer the question through its own controls: the
// environment variable ZYM_CLASH_ANSWERS, set by whoever starts the program (pages cannot reach it), lists
// the answers in order, comma-separated: "replace", "keepboth", "close" (the button) or
// "closebox" (the caption's close box), each optionally followed by "+all" (tick the box first).
QStringList& ScriptedAnswers()
{
    static QStringList answers =
        QString::fromUtf8(qgetenv("ZYM_CLASH_ANSWERS")).split(',', Qt::SkipEmptyParts);
    return answers;
}

} // namespace
#endif

CCopyMessage::CCopyMessage(const LanguageDocument& language, const QString& name, bool folder, bool several,
                           QWidget* parent)
    : CSkinDlg(language, parent), folder_(folder), several_(several),
      replace_(new QPushButton(QStringLiteral("替换"), this)),
      keepBoth_(new QPushButton(QStringLiteral("保留这两个文件"), this)),
      close_(new QPushButton(QStringLiteral("取消"), this)),
      all_(new QCheckBox(QStringLiteral("全部应用"), this))
{
    int width = kDefaultWidth;
    int height = kDefaultHeight;
    QString text = QStringLiteral("%s");
    if (SkinLoaded()) {
        const auto str = [&](const char* key) {
            return QString::fromStdString(language.String("copymessage", key));
        };
        width = language.Width("copymessage");
        height = language.Height("copymessage");
        iconRect_ = language.Rect("copymessage", "icon");
        textRect_ = language.Rect("copymessage", "text");
        allRect_ = language.Rect("copymessage", "all");
        replaceRect_ = language.Rect("copymessage", "replace");
        keepBothRect_ = language.Rect("copymessage", "savemore");
        closeRect_ = language.Rect("copymessage", "close");
        if (const std::string image = language.Image("copymessage", "fileicon"); !image.empty()) {
            icon_ = QImage(QString::fromStdString(image));
        }
        all_->setText(str("all"));
        replace_->setText(str("replace"));
        keepBoth_->setText(str("savemore"));
        close_->setText(str("close"));
        setWindowTitle(str("window"));
        text = str("text");
    }
    displayText_ = QString::fromStdString(FillPlaceholders(text.toStdString(), {name.toStdString()}));
    all_->setVisible(several);
    all_->setChecked(false);
    for (QPushButton* button : {replace_, keepBoth_, close_}) {
        button->setAutoDefault(false); // Enter must not press a button
    }
    connect(replace_, &QPushButton::clicked, this, [this] { Choose(ClashButton::Replace); });
    connect(keepBoth_, &QPushButton::clicked, this, [this] { Choose(ClashButton::KeepBoth); });
    connect(close_, &QPushButton::clicked, this, [this] { Choose(ClashButton::Close); });

    // A name that needs more lines than the text box holds makes the dialog taller; the
    // controls anchored to the bottom move down with it.
    const QRect box = Anchor(textRect_, QRect(0, 0, width, height));
    const QRect needed =
        QFontMetrics(TextFont()).boundingRect(box, Qt::TextWordWrap | Qt::AlignTop, displayText_);
    if (needed.height() > box.height()) {
        height += needed.height() - box.height();
    }
    SetClientSize(width, height);
    const QRect area = parent != nullptr
                           ? parent->window()->geometry()
                           : (screen() != nullptr ? screen()->geometry() : QRect(0, 0, width, height));
    move(area.center() - QPoint(width / 2, height / 2));
}

void CCopyMessage::LayoutControls(int width, int height)
{
    const QRect client(0, 0, width, height);
    all_->setGeometry(Anchor(allRect_, client));
    replace_->setGeometry(Anchor(replaceRect_, client));
    keepBoth_->setGeometry(Anchor(keepBothRect_, client));
    close_->setGeometry(Anchor(closeRect_, client));
}

void CCopyMessage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Background());
    const QRect icon = IconBox();
    if (!icon_.isNull()) {
        // The image holds the file icon and then the folder icon, each as wide as the box.
        painter.drawImage(icon.topLeft(), icon_,
                          QRect(folder_ ? icon.width() : 0, 0, icon.width(), icon.height()));
    }
    painter.setFont(TextFont());
    painter.setPen(TextColour());
    painter.drawText(TextBox(), Qt::TextWordWrap | Qt::AlignTop | Qt::AlignLeft, displayText_);
}

void CCopyMessage::Choose(ClashButton button)
{
    answer_ = {button, several_ && all_->isChecked()};
    accept();
}

void CCopyMessage::closeEvent(QCloseEvent* event)
{
    if (result() != QDialog::Accepted) {
        answer_ = {ClashButton::Close, false};
    }
    QDialog::closeEvent(event);
}

void CCopyMessage::showEvent(QShowEvent* event)
{
    CSkinDlg::showEvent(event);
#ifdef ZYM_TEST_HOOKS
    if (ScriptedAnswers().isEmpty()) {
        return;
    }
    const QString answer = ScriptedAnswers().takeFirst();
    QTimer::singleShot(0, this, [this, answer] {
        if (answer.endsWith(QStringLiteral("+all")) && all_->isVisible()) {
            all_->click();
        }
        const QString button = answer.section('+', 0, 0);
        if (button == QStringLiteral("replace")) {
            replace_->click();
        } else if (button == QStringLiteral("keepboth")) {
            keepBoth_->click();
        } else if (button == QStringLiteral("close")) {
            close_->click();
        } else {
            close();
        }
    });
#endif
}

void CCopyMessage::reject()
{
    answer_ = {ClashButton::Close, false};
    QDialog::reject();
}

ClashAnswer CCopyMessage::AskModal(const LanguageDocument& language, const std::string& name, bool folder,
                                   bool several, QWidget* parent)
{
    CCopyMessage question(language, QString::fromStdString(name), folder, several, parent);
    question.exec();
    return question.Answer();
}

} // namespace zym

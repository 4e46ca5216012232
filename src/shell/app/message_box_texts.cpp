#include "shell/app/message_box_texts.h"

#include "shell/app/shell_context.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace zym::shell {

void UseInterfaceLanguage(QMessageBox& box, const ShellContext& context)
{
    const std::pair<QMessageBox::StandardButton, const char*> texts[] = {
        {QMessageBox::Yes, "ButtonYes"}, {QMessageBox::No, "ButtonNo"}, {QMessageBox::Ok, "ButtonOK"}};
    for (const auto& [which, key] : texts) {
        QAbstractButton* button = box.button(which);
        const QString text = context.PromptText(key);
        // A language file without the key keeps Qt's own text.
        if (button && !text.isEmpty())
            button->setText(text);
    }
}

} // namespace zym::shell

#pragma once
// selectFileDlg and saveFileDlg: the two dialogs a page opens through its window, each answering
// the call once it closes.
#include "ops/page_reply.h"

class QWidget;

namespace zym::shell {

struct ShellContext;

// Files and folders to upload; starts at UploadPath and moves it to the folder of the first
// choice. Answers the file list (OK, even when nothing was chosen) or "{}" (cancelled).
void RunSelectFileDlg(ShellContext& context, QWidget* parent, const ReplyTargetPtr& reply);
// The download folder; starts at SavePath and stores the choice with a trailing "/". Answers
// {"path":"<folder>/"} or {"path":""} when cancelled.
void RunSaveFileDlg(ShellContext& context, QWidget* parent, const ReplyTargetPtr& reply);

} // namespace zym::shell

#include "shell/bridge/window_report.h"

#include "shell/bridge/web_base_dlg.h"
#include "shell/bridge/web_page.h"

#include <QApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QSaveFile>
#include <QScreen>

namespace zym::shell {

namespace {

const QString& ReportPath()
{
    static const QString path = qEnvironmentVariable("ZYM_WINDOW_REPORT");
    return path;
}

bool writeScheduled = false;

const char* KindName(CWebBaseDlg::Kind kind)
{
    switch (kind) {
    case CWebBaseDlg::Kind::Normal:
        return "normal";
    case CWebBaseDlg::Kind::Sole:
        return "sole";
    case CWebBaseDlg::Kind::Single:
        return "single";
    case CWebBaseDlg::Kind::Child:
        return "child";
    case CWebBaseDlg::Kind::Login:
        return "login";
    case CWebBaseDlg::Kind::Launchpad:
        return "launchpad";
    }
    return "";
}

QJsonObject RectJson(const QRect& r)
{
    return {{"x", r.x()}, {"y", r.y()}, {"width", r.width()}, {"height", r.height()}};
}

void WriteReport()
{
    writeScheduled = false;
    QJsonArray windows;
    const QWidget* modal = QApplication::activeModalWidget();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<CWebBaseDlg*>(widget);
        if (!window)
            continue;
        QJsonObject item = RectJson(window->geometry());
        item["kind"] = KindName(window->WindowKind());
        item["url"] = window->Page() ? window->Page()->url().toString() : QString();
        item["client"] = RectJson(window->ClientRectangle());
        item["visible"] = window->isVisible();
        item["icon"] = !window->windowIcon().isNull();
        item["maximised"] = window->isMaximized();
        item["resizable"] = window->IsResizable();
        item["minimumWidth"] = window->minimumWidth();
        item["minimumHeight"] = window->minimumHeight();
        item["modal"] = window == modal;
        windows.append(item);
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QJsonObject report{{"screen", RectJson(screen ? screen->availableGeometry() : QRect())},
                             {"windows", windows}};
    QSaveFile file(ReportPath());
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(report).toJson(QJsonDocument::Compact));
        file.commit();
    }
}

} // namespace

void NoteWindowsChanged()
{
    if (ReportPath().isEmpty() || writeScheduled || !QCoreApplication::instance())
        return;
    writeScheduled = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), &WriteReport, Qt::QueuedConnection);
}

} // namespace zym::shell

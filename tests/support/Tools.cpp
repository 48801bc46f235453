#include "support/Tools.h"

#include <QCoreApplication>

QString ToolPath(const QString &name) {
    return QCoreApplication::applicationDirPath() + '/' + name;
}

ToolRun RunTool(const QString &name, const QStringList &arguments, int timeoutMs,
                const std::function<void(QProcess &)> &prepare) {
    QProcess tool;
    if (prepare)
        prepare(tool);
    tool.start(ToolPath(name), arguments);
    if (!tool.waitForStarted(timeoutMs))
        return {-1, {}, tool.errorString().toUtf8()};
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        return {-1, tool.readAllStandardOutput(), tool.readAllStandardError() + "(did not end)"};
    }
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            tool.readAllStandardOutput(), tool.readAllStandardError()};
}

#include "ui/file_opener.h"

#include <QProcess>

namespace pardovane {

FileOpener::FileOpener(QObject* parent) : QObject(parent)
{
}

FileOpener::~FileOpener()
{
    // Without a desktop, xdg-open runs the editor and waits for it. Ending
    // xdg-open leaves the editor open, as the user expects; a QProcess
    // destroyed while running would warn and do the same.
    for (QProcess* process : findChildren<QProcess*>()) {
        process->disconnect();
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(1000);
        }
    }
}

void FileOpener::Open(const QString& path, const std::function<void()>& onFailure)
{
    auto* process = new QProcess(this);
    process->setProgram(command_.value(0));
    process->setArguments(command_.mid(1) << path);
    // The opener's own words about a failure stay where the user started us.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, &QProcess::errorOccurred, this, [process, onFailure](QProcess::ProcessError error) {
        // A crash also ends in finished(), which reports it.
        if (error != QProcess::FailedToStart)
            return;
        onFailure();
        process->deleteLater();
    });
    connect(process, &QProcess::finished, this,
            [process, onFailure](int exitCode, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || exitCode != 0)
            onFailure();
        process->deleteLater();
    });
    process->start();
}

}  // namespace pardovane

#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

namespace pardovane {

// Opens a file in the program the desktop has for it, and says so when
// nothing did: the opener could not start, or ended in failure (xdg-open
// does when no program is registered for the file's type).
class FileOpener : public QObject {
    Q_OBJECT

public:
    explicit FileOpener(QObject* parent = nullptr);
    ~FileOpener() override;

    // The command the file's path is added to; xdg-open unless set.
    void SetCommand(QStringList command) { command_ = std::move(command); }

    // Returns at once; onFailure runs later, at most once, if opening failed.
    void Open(const QString& path, const std::function<void()>& onFailure);

private:
    QStringList command_{QStringLiteral("xdg-open")};
};

}  // namespace pardovane

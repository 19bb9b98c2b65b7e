#pragma once

#include <QPlainTextEdit>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QDialog;
class QMenu;

namespace pardovane {

// The report as the last run left it. The user may read, search and save it
// but not change it; a saved report holds exactly the bytes pardovane-check
// writes for the same run.
class ReportBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit ReportBox(QWidget* parent = nullptr);

    // The report with CR LF line ends; each shows as one line break.
    void SetReport(const std::u16string& report);

    // Runs a prepared dialog and returns once it is answered. Tests replace
    // it to answer without a user; the default runs it modally.
    using DialogRunner = std::function<void(QDialog& dialog)>;
    void SetDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
    // Tells the user something went wrong (a save failed, a search found nothing).
    using Notifier = std::function<void(const std::u16string& text)>;
    void SetNotifier(Notifier notify) { notify_ = std::move(notify); }

    // Off while a run has the window.
    void SetCommandsEnabled(bool enabled);
    // The standard editing menu with the report's own commands below it.
    std::unique_ptr<QMenu> CreateContextMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void SaveAs();
    void Find();
    bool FindFromCursorOrTop(const QString& text);

    std::u16string report_;
    QString lastSearch_;
    QAction* save_ = nullptr;
    QAction* find_ = nullptr;
    DialogRunner runDialog_;
    Notifier notify_;
};

}  // namespace pardovane

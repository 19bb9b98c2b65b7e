#include "ui/report_box.h"

#include "engine/page/utf_convert.h"
#include "ui/qt_text.h"
#include "ui/window_texts.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QPalette>
#include <QSaveFile>
#include <QTextCursor>

namespace pardovane {
namespace {

// Characters of the report laid out between two turns of the event loop.
constexpr qsizetype kPartChars = 128 * 1024;

// Where the part that starts at `at` ends: after a line, so no part splits
// a line (or a surrogate pair), or at the end.
qsizetype PartEnd(const QString& text, qsizetype at)
{
    if (text.size() - at <= kPartChars)
        return text.size();
    const qsizetype lineEnd = text.indexOf(u'\n', at + kPartChars);
    return lineEnd < 0 ? text.size() : lineEnd + 1;
}

}  // namespace

ReportBox::ReportBox(QWidget* parent)
    : QPlainTextEdit(parent), runDialog_([](QDialog& dialog) { dialog.exec(); }),
      notify_([](const std::u16string&) {})
{
    setReadOnly(true);
    // Nothing here is undone, and a long report's undo steps cost as much
    // memory as its text.
    document()->setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);

    save_ = new QAction(ToQString(texts::kSaveReport), this);
    save_->setShortcut(QKeySequence::Save);
    find_ = new QAction(ToQString(texts::kFind), this);
    find_->setShortcut(QKeySequence::Find);
    // Window-wide, so they work whichever control has the focus.
    for (QAction* action : {save_, find_}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(save_, &QAction::triggered, this, &ReportBox::SaveAs);
    connect(find_, &QAction::triggered, this, &ReportBox::Find);
}

void ReportBox::SetReport(const std::u16string& report)
{
    report_ = report;
    QString shown = ToQString(report);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    // A long report is laid out a part at a time, the window's events
    // handled between parts: a crawl's report of a megabyte would otherwise
    // freeze the window for a good part of a second.
    const qsizetype first = PartEnd(shown, 0);
    setPlainText(shown.first(first));
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    for (qsizetype at = first; at < shown.size();) {
        QCoreApplication::processEvents();
        const qsizetype next = PartEnd(shown, at);
        end.insertText(shown.sliced(at, next - at));
        at = next;
    }
}

void ReportBox::SetCommandsEnabled(bool enabled)
{
    save_->setEnabled(enabled);
    find_->setEnabled(enabled);
}

std::unique_ptr<QMenu> ReportBox::CreateContextMenu()
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    menu->addSeparator();
    menu->addAction(find_);
    menu->addAction(save_);
    return menu;
}

void ReportBox::contextMenuEvent(QContextMenuEvent* event)
{
    CreateContextMenu()->exec(event->globalPos());
}

void ReportBox::SaveAs()
{
    QFileDialog dialog(this, ToQString(texts::kSaveReport));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({ToQString(texts::kTextFiles), ToQString(texts::kAllFiles)});
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setDirectory(QDir::home());
    dialog.selectFile(ToQString(texts::kReportFileName));
    runDialog_(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;

    // Written whole or not at all: a failed save leaves an older file as it was.
    const QString path = dialog.selectedFiles().constFirst();
    const std::string bytes = Utf16ToUtf8(report_);
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly)
        && file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size())
        && file.commit();
    if (!saved)
        notify_(std::u16string(texts::kSaveFailed) + u'\n' + path.toStdU16String() + u'\n'
                + file.errorString().toStdU16String());
}

void ReportBox::Find()
{
    QInputDialog dialog(this);
    dialog.setWindowTitle(ToQString(texts::kFind));
    dialog.setLabelText(ToQString(texts::kFindPrompt));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(lastSearch_);
    runDialog_(dialog);
    if (dialog.result() != QDialog::Accepted || dialog.textValue().isEmpty())
        return;
    lastSearch_ = dialog.textValue();
    if (!FindFromCursorOrTop(lastSearch_))
        notify_(std::u16string(texts::kNotFoundBefore) + lastSearch_.toStdU16String()
                + std::u16string(texts::kNotFoundAfter));
}

// The next match after the selection, going round to the top once.
bool ReportBox::FindFromCursorOrTop(const QString& text)
{
    if (find(text))
        return true;
    const QTextCursor before = textCursor();
    moveCursor(QTextCursor::Start);
    if (find(text))
        return true;
    setTextCursor(before);
    return false;
}

}  // namespace pardovane

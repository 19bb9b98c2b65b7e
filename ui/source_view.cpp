#include "ui/source_view.h"

#include "ui/qt_text.h"
#include "ui/workbench_texts.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>

namespace pardovane {
namespace {

// 1-based; the first line when the link is not found.
int LineOfLink(const QStringList& lines, const QString& link)
{
    for (qsizetype i = 0; i < lines.size() && !link.isEmpty(); ++i)
        if (lines[i].contains(link))
            return static_cast<int>(i) + 1;
    return 1;
}

}  // namespace

SourceView::SourceView(const std::u16string& source, const std::u16string& link, int line, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(ToQString(texts::kSourceTitle));
    QString text = ToQString(source);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n');
    const int marked
        = line > 0 ? std::min<int>(line, static_cast<int>(lines.size())) : LineOfLink(lines, ToQString(link));
    const int first = std::max(1, marked - kContext);
    const int last = std::min(static_cast<int>(lines.size()), marked + kContext);
    const int width = static_cast<int>(QString::number(last).size());

    QString shown;
    for (int number = first; number <= last; ++number) {
        shown += (number == marked ? QStringLiteral("> ") : QStringLiteral("  "));
        shown += QString::number(number).rightJustified(width) + QStringLiteral(" | ");
        shown += lines[number - 1] + u'\n';
    }
    auto* view = new QPlainTextEdit(this);
    view->setObjectName(QStringLiteral("SourceText"));
    view->setAccessibleName(ToQString(texts::kSourceName));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setPlainText(shown);

    // The link's line stands out, and the view opens on it.
    QTextEdit::ExtraSelection mark;
    mark.format.setBackground(QColor(255, 240, 160));
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    mark.cursor = QTextCursor(view->document()->findBlockByNumber(marked - first));
    view->setExtraSelections({mark});
    view->setTextCursor(mark.cursor);
    view->centerCursor();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view);
    layout->addWidget(buttons);
    resize(720, 480);
}

}  // namespace pardovane

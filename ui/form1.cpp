#include "ui/form1.h"

#include "engine/list_location.h"
#include "engine/ui_texts.h"
#include "engine/utf_convert.h"
#include "engine/version.h"
#include "ui/anchor_layout.h"
#include "ui/japanese_font.h"
#include "ui/qt_text.h"
#include "ui/run_input_guard.h"
#include "ui/window_texts.h"
#include "ui/wrapping_button.h"

#include <QApplication>
#include <QBackingStore>
#include <QDesktopServices>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QUrl>

#include <cstdio>

namespace pardovane {
namespace {

// The window was designed in twips; at 96 dpi fifteen make a pixel, and Qt
// scales pixels for other displays. A position that is no whole number of
// pixels does not compile.
consteval int Pixels(int twips)
{
    if (twips % 15 != 0)
        throw "not a whole number of pixels";
    return twips / 15;
}

consteval QRect Design(int left, int top, int width, int height)
{
    return QRect(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

constexpr QSize kClientSize(Pixels(9015), Pixels(7020));

using Edge = AnchorLayout::Edge;
constexpr AnchorLayout::Edges kTopLeft = Edge::Left | Edge::Top;
constexpr AnchorLayout::Edges kTopRow = Edge::Left | Edge::Top | Edge::Right;
constexpr AnchorLayout::Edges kAllEdges = Edge::Left | Edge::Top | Edge::Right | Edge::Bottom;
constexpr AnchorLayout::Edges kBottomRow = Edge::Left | Edge::Right | Edge::Bottom;

QLabel* CreateLabel(const char* name, std::u16string_view text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    // URLs are shown as they are, never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(ToQString(text));
    return label;
}

// The user answers a message with the ordinary pointer even in the middle of
// a run; the busy one comes back when the box is gone.
class ArrowPointerScope {
public:
    explicit ArrowPointerScope(bool active) : active_(active)
    {
        if (active_)
            QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowPointerScope()
    {
        if (active_)
            QApplication::restoreOverrideCursor();
    }
    ArrowPointerScope(const ArrowPointerScope&) = delete;
    ArrowPointerScope& operator=(const ArrowPointerScope&) = delete;

private:
    bool active_;
};

}  // namespace

Form1::Form1(QWidget* parent) : Form1(DefaultListFilePath(), parent)
{
}

Form1::Form1(std::filesystem::path listFile, QWidget* parent)
    : QWidget(parent),
      engine_(*this, http_, std::move(listFile)),
      messageBoxRunner_([](QMessageBox& box) { box.exec(); }),
      desktopOpener_([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("Form1"));
    engine_.AddObserver(http_);  // a listed page's probe is its download too
    setWindowTitle(ToQString(texts::kProgramName));
    setWindowIcon(QIcon(QStringLiteral(":/pardovane/pardovane.png")));
    setFont(JapaneseCapableFont(font()));
    CreateControls();
    resize(kClientSize);
    ShowVersionInTitle();
}

Form1::~Form1()
{
    SetDefaultPointer();
}

void Form1::CreateControls()
{
    command2_ = new WrappingButton(ToQString(texts::kEditButton), this);
    command2_->setObjectName(QStringLiteral("Command2"));
    command1_ = new QPushButton(ToQString(texts::kCheckButton), this);
    command1_->setObjectName(QStringLiteral("Command1"));

    text1_ = new QPlainTextEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setReadOnly(true);
    text1_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text1_->setTabChangesFocus(true);
    text1_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette colours = text1_->palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    text1_->setPalette(colours);

    progressBar1_ = new QProgressBar(this);
    progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar1_->setRange(0, 100);
    progressBar1_->setValue(0);
    progressBar1_->setTextVisible(false);

    label2_ = CreateLabel("Label2", {}, this);
    label1_ = CreateLabel("Label1", texts::kInstruction, this);

    auto* layout = new AnchorLayout(kClientSize, this);
    layout->addWidget(command2_, Design(120, 120, 1695, 495), kTopLeft);
    layout->addWidget(command1_, Design(1920, 120, 6975, 495), kTopRow);
    layout->addWidget(text1_, Design(120, 720, 8775, 5295), kAllEdges);
    layout->addWidget(progressBar1_, Design(120, 6120, 8775, 255), kBottomRow);
    layout->addWidget(label2_, Design(120, 6480, 8655, 255), kBottomRow);
    layout->addWidget(label1_, Design(120, 6720, 8655, 255), kBottomRow);

    setTabOrder(command1_, text1_);
    setTabOrder(text1_, command2_);
    command1_->setFocus();

    connect(command1_, &QPushButton::clicked, this, &Form1::RunCheckFromButton);
    connect(command2_, &QPushButton::clicked, this, &Form1::EditUrlList);
}

void Form1::SetMessageBoxRunner(MessageBoxRunner runner)
{
    messageBoxRunner_ = std::move(runner);
}

void Form1::SetDesktopOpener(DesktopOpener opener)
{
    desktopOpener_ = std::move(opener);
}

void Form1::ShowVersionInTitle()
{
    setWindowTitle(windowTitle() + u' ' + QString::number(PARDOVANE_VERSION_MAJOR) + u'.'
                   + QString::number(PARDOVANE_VERSION_MINOR) + u'.'
                   + QString::number(PARDOVANE_VERSION_PATCH));
}

void Form1::EditUrlList()
{
    try {
        if (!CreateListIfMissing()) {
            ShowMessageWithListPath(texts::kListCreateFailed);
            return;
        }
        const QString path = ToQString(Utf8ToUtf16(engine_.listFile().string()));
        if (!desktopOpener_(QUrl::fromLocalFile(path)))
            ShowMessageWithListPath(texts::kNoEditor);
    } catch (...) {
    }
}

// An editor asked to open a file that is not there may refuse, or save
// elsewhere; an empty list to fill in is what the user wants.
bool Form1::CreateListIfMissing()
{
    const std::filesystem::path& list = engine_.listFile();
    std::error_code error;
    return std::filesystem::exists(list, error) || CreateListFile(list, {});
}

void Form1::ShowMessageWithListPath(std::u16string_view text)
{
    std::u16string message(text);
    message += u'\n';
    message += Utf8ToUtf16(engine_.listFile().string());
    ShowMessage(message);
}

void Form1::ReportMissingJapaneseFont()
{
    if (JapaneseFontInstalled())
        return;
    std::fputs(texts::kNoJapaneseFontLog, stderr);
    std::fputc('\n', stderr);
    ShowMessage(std::u16string(texts::kNoJapaneseFont));
}

void Form1::RunCheckFromButton()
{
    // The engine turns the failures it knows into messages; anything else
    // must not unwind through Qt's event dispatch.
    try {
        const RunInputGuard guard(*this, {command1_, command2_});
        engine_.RunCheck();
    } catch (const std::exception& error) {
        RecoverFromFailedRun(Utf8ToUtf16(error.what()));
    } catch (...) {
        RecoverFromFailedRun({});
    }
}

void Form1::RecoverFromFailedRun(const std::u16string& reason) noexcept
{
    try {
        SetDefaultPointer();
        label1_->setText(ToQString(texts::kInstruction));
        if (!reason.empty())
            ShowMessage(reason);
    } catch (...) {
    }
}

void Form1::SetStatusLabel(const std::u16string& text)
{
    label1_->setText(ToQString(text));
}

void Form1::RepaintStatusLabel()
{
    label1_->repaint();
}

void Form1::SetPageLabel(const std::u16string& text)
{
    label2_->setText(ToQString(text));
    label2_->repaint();
}

void Form1::SetBusyPointer()
{
    if (busy_)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busy_ = true;
}

void Form1::SetDefaultPointer()
{
    if (!busy_)
        return;
    QApplication::restoreOverrideCursor();
    busy_ = false;
}

void Form1::SetProgressMax(int blocks)
{
    progressBar1_->setMaximum(blocks);
    progressBar1_->repaint();
}

void Form1::SetProgressValue(int blocks)
{
    progressBar1_->setValue(blocks);
    progressBar1_->repaint();
}

void Form1::SetReportText(const std::u16string& text)
{
    // The report ends its lines in CR LF; the box shows one break for each.
    QString shown = ToQString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text1_->setPlainText(shown);
}

void Form1::ShowMessage(const std::u16string& text)
{
    {
        QMessageBox box(this);
        box.setWindowTitle(ToQString(texts::kProgramName));
        box.setIcon(QMessageBox::NoIcon);
        box.setTextFormat(Qt::PlainText);
        box.setText(ToQString(text));
        box.setStandardButtons(QMessageBox::Ok);
        box.setWindowModality(Qt::ApplicationModal);
        const ArrowPointerScope arrow(busy_);
        messageBoxRunner_(box);
    }
    // During a run no paint event is handled, so the window puts its image
    // back over the place of the closed box itself. repaint() would leave
    // out opaque children such as the report, and they are whole in the
    // backing store anyway.
    if (QBackingStore* store = backingStore(); store != nullptr && windowHandle() != nullptr)
        store->flush(QRegion(rect()), windowHandle());
}

std::optional<DownloadedPage> Form1::DownloadPage(const std::u16string& url)
{
    return http_.DownloadText(url);
}

}  // namespace pardovane

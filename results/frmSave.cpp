#include "frmSave.h"

#include "Accessibility.h"
#include "ChosenFile.h"
#include "Dialogs.h"
#include "Guarded.h"
#include "LinkLabel.h"
#include "OpenWindows.h"
#include "RtfWriter.h"
#include "ScreenFit.h"
#include "SpokenCaptions.h"
#include "Style.h"
#include "Twips.h"
#include "modFirdaria.h"
#include "modHelp.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMimeData>
#include <QMouseEvent>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

using namespace zorvane;

namespace {

const QString ReadingSeparator = QStringLiteral("\r\n\r\n");
const QString RtfFilter = QStringLiteral("Rich Text Format | *.rtf ");
const QString RtfSuffix = QStringLiteral("rtf");

// The Save As dialog adds the suffix itself; a name handed over without one
// (by a dialog that does not) gets it here. "reading." counts as a name
// whose extension was left empty on purpose.
QString withRtfSuffix(const QString& path)
{
    if (path.endsWith(QLatin1Char('.')) || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + RtfSuffix;
}

// The reading box. On a mouse release the text edit puts the text selected
// with the mouse into the selection clipboard (X11's PRIMARY, Wayland's
// primary selection), after every event filter has seen the release; a
// double-click selects a word and puts it there too. afterMouseHandled runs
// once the box has handled either.
class ReadingBox final : public QTextEdit {
public:
    explicit ReadingBox(std::function<void()> afterMouseHandled, QWidget* parent)
        : QTextEdit(parent)
        , afterMouseHandled_(std::move(afterMouseHandled))
    {}

protected:
    // A reading ends in empty lines (the comprehensive reading with a line
    // break pair), which a screen reader would read out one by one as
    // "blank" before the person learns that the text has ended. The keys
    // that move the caret on without selecting stop at the end of the last
    // line that holds text; the lines stay in the text, as saved and printed.
    void keyPressEvent(QKeyEvent* event) override
    {
        const std::optional<QTextCursor::MoveOperation> move = movementOf(*event);
        if (move) {
            const int end = endOfText();
            QTextCursor probe = textCursor();
            probe.movePosition(*move);
            if (probe.position() > end) {
                if (textCursor().position() != end) {
                    QTextCursor atEnd = textCursor();
                    atEnd.setPosition(end);
                    setTextCursor(atEnd);
                }
                event->accept();
                return;
            }
        }
        QTextEdit::keyPressEvent(event);
        // A page further may go past the end; back to it.
        if (event->matches(QKeySequence::MoveToNextPage) && textCursor().position() > endOfText()) {
            QTextCursor atEnd = textCursor();
            atEnd.setPosition(endOfText());
            setTextCursor(atEnd);
        }
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QTextEdit::mouseReleaseEvent(event);
        afterMouseHandled_();
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        QTextEdit::mouseDoubleClickEvent(event);
        afterMouseHandled_();
    }

private:
    // The moves onward by a character, a word, a line or to the end that
    // the key makes, without a selection; none for other keys.
    static std::optional<QTextCursor::MoveOperation> movementOf(const QKeyEvent& event)
    {
        const std::pair<QKeySequence::StandardKey, QTextCursor::MoveOperation> moves[] = {
            {QKeySequence::MoveToNextChar, QTextCursor::NextCharacter},
            {QKeySequence::MoveToNextWord, QTextCursor::NextWord},
            {QKeySequence::MoveToNextLine, QTextCursor::Down},
            {QKeySequence::MoveToEndOfDocument, QTextCursor::End},
        };
        for (const auto& [key, move] : moves)
            if (event.matches(key))
                return move;
        return std::nullopt;
    }

    // Where the text ends without the line breaks after it.
    int endOfText() const
    {
        QTextBlock block = document()->lastBlock();
        while (block.isValid() && block.text().isEmpty() && block.previous().isValid())
            block = block.previous();
        return block.position() + block.length() - 1;
    }

    std::function<void()> afterMouseHandled_;
};

// The margins of a printed reading, in millimetres: a page's usual 2 cm, or
// what the printer keeps clear of the paper's edge (its default margins,
// and at least what it cannot print on) where that is more.
QMarginsF readingMargins(const QPageLayout& layout)
{
    constexpr double UsualMm = 20;
    QPageLayout inMm = layout;
    inMm.setUnits(QPageLayout::Millimeter);
    const QMarginsF printers = inMm.margins();
    const QMarginsF least = inMm.minimumMargins();
    const auto side = [](double margin, double minimum) { return std::max({UsualMm, margin, minimum}); };
    return {side(printers.left(), least.left()), side(printers.top(), least.top()),
            side(printers.right(), least.right()), side(printers.bottom(), least.bottom())};
}

// Prints a plain-text document laid out in pages of the printer's page
// size, in the printer's order and, where the printer does not make copies
// itself, as many times as it is asked to. Each line goes on the page it
// starts on, and only there: QTextDocument::print() also draws the line
// before a page's first on that page, clipped away on paper but kept in a
// PDF, whose text then holds it twice.
void printPages(const QTextDocument& document, QPrinter& printer)
{
    QPainter painter(&printer);
    if (!painter.isActive())
        return;
    painter.setPen(Qt::black);
    const QAbstractTextDocumentLayout* layout = document.documentLayout();
    const QSizeF page = document.pageSize();
    const int pages = document.pageCount();
    const int copies = printer.supportsMultipleCopies() ? 1 : printer.copyCount();
    const bool lastFirst = printer.pageOrder() == QPrinter::LastPageFirst;
    bool first = true;
    for (int copy = 0; copy < copies; ++copy) {
        for (int n = 0; n < pages; ++n) {
            if (!first && !printer.newPage())
                return;
            first = false;
            const QRectF view(QPointF(0, (lastFirst ? pages - 1 - n : n) * page.height()), page);
            painter.save();
            painter.translate(0, -view.top());
            painter.setClipRect(view);
            for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
                const QPointF at = layout->blockBoundingRect(block).topLeft();
                const QTextLayout* lines = block.layout();
                for (int i = 0; i < lines->lineCount(); ++i) {
                    const QTextLine line = lines->lineAt(i);
                    const double top = at.y() + line.y();
                    if (top >= view.top() && top < view.bottom())
                        line.draw(&painter, at);
                }
            }
            painter.restore();
        }
    }
}

}  // namespace

frmSave::frmSave(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSave"));
    createControls();
    placeControls();
    connectControls();

    setWindowTitle(ui::windowTitle());
    resize(ui::twipSize(7725, 7590));
    ui::makeFixedDialog(this);
    ui::setColors(this, ui::colors::darkPurple, ui::colors::white);
    ui::fitToScreen(this, RTB);
    ui::centreOnScreen(this);

    ui::addOpenWindow(this);
}

void frmSave::createControls()
{
    const QFont linkFont = ui::verdana(8.25);
    Label14 = new ui::LinkLabel(QStringLiteral("Label14"), tr("Join Our Online Astrology Discussion Forum"),
                                tr("Opens the astrology discussion forum in the web browser"), linkFont, this);
    Label1 = new ui::LinkLabel(QStringLiteral("Label1"), tr("Visit Our Web Site For More Astrology Software"),
                               tr("Opens the home page in the web browser"), linkFont, this);
    for (ui::LinkLabel* label : {Label14, Label1}) {
        label->setAlignment(Qt::AlignCenter);
        ui::setColors(label, ui::colors::white, ui::colors::cyan);
    }

    // What the box has just put into the selection clipboard goes at once.
    RTB = new ReadingBox([] { ui::runGuarded(emptyClipboard); }, this);
    RTB->setObjectName(QStringLiteral("RTB"));
    RTB->setAcceptRichText(false);
    RTB->setFont(ui::verdana(9.75));
    RTB->setLineWrapMode(QTextEdit::WidgetWidth);
    ui::describe(RTB, tr("Reading"), tr("Interpretation text, to save or print"));
    // Tab leaves the box for the buttons and links rather than typing a tab.
    RTB->setTabChangesFocus(true);
    // Moves without a button count as well as drags.
    RTB->viewport()->setMouseTracking(true);
    RTB->viewport()->installEventFilter(this);

    cmdSave = new QPushButton(tr("&Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setFont(ui::msSansSerif(8.25, ui::Weight::Bold));
    cmdPrint = new QPushButton(tr("&Print"), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdPrint->setFont(ui::verdana(8.25, ui::Weight::Bold));
    ui::describeOnly(cmdSave, tr("Saves the reading as a Rich Text Format file"));
    ui::describeOnly(cmdPrint, tr("Prints the selected text, or the whole reading when nothing is selected"));
    for (QPushButton* button : {cmdSave, cmdPrint}) {
        button->setAutoDefault(false);
        ui::styleFaceButton(button, ui::colors::lavender);
    }

    Label2 = new ui::LinkLabel(QStringLiteral("Label2"), ui::fullBrandOffer(), ui::fullBrandOfferDescription(),
                               linkFont, this);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ui::setColors(Label2, ui::colors::darkPurple, ui::colors::paleCyan);
}

void frmSave::placeControls()
{
    // Twips, from the window's design.
    Label14->setGeometry(ui::twipRect(1747, 0, 4230, 195));
    Label1->setGeometry(ui::twipRect(1867, 180, 3990, 195));
    RTB->setGeometry(ui::twipRect(30, 390, 7665, 6135));
    cmdSave->setGeometry(ui::twipRect(5400, 6570, 1125, 345));
    cmdPrint->setGeometry(ui::twipRect(6555, 6570, 1125, 345));
    Label2->setGeometry(ui::twipRect(30, 6960, 7665, 615));
    // The two top labels overlap by a pixel; the lower one is drawn on top.
    Label1->raise();
}

void frmSave::connectControls()
{
    connect(Label14, &ui::LinkLabel::clicked, this, ui::guarded(modHelp::OpenHomePage));
    connect(Label1, &ui::LinkLabel::clicked, this, ui::guarded(modHelp::OpenHomePage));
    connect(Label2, &ui::LinkLabel::clicked, this, ui::guarded(modHelp::OpenFullBrandPage));
    connect(cmdSave, &QPushButton::clicked, this, ui::guarded(this, &frmSave::cmdSave_Click));
    connect(cmdPrint, &QPushButton::clicked, this, ui::guarded(this, &frmSave::cmdPrint_Click));
    connect(RTB, &QTextEdit::textChanged, this, ui::guarded(emptyClipboard));
}

void frmSave::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The reading opens at its beginning with the keyboard in the box: the
    // caret at the start of the text, nothing selected. The link labels
    // above it are there to be clicked, not to start from.
    QTextCursor start = RTB->textCursor();
    start.movePosition(QTextCursor::Start);
    RTB->setTextCursor(start);
    RTB->verticalScrollBar()->setValue(RTB->verticalScrollBar()->minimum());
    RTB->setFocus(Qt::OtherFocusReason);
}

void frmSave::insertText(const QString& text)
{
    QTextCursor cursor = RTB->textCursor();
    cursor.insertText(text);
    RTB->setTextCursor(cursor);
}

void frmSave::insertReadingText(int slot)
{
    if (slot < 0 || slot >= modFirdaria::ReadingTextSlots)
        return;
    insertText(modFirdaria::ReadingTexts[static_cast<std::size_t>(slot)]);
    // Slot 9 holds no ruler's text.
    if (slot < modFirdaria::RulerCount) {
        const auto ruler = static_cast<modFirdaria::Ruler>(slot);
        setAccessibleName(tr("%1 reading").arg(results::rulerOfHeading(modFirdaria::PanelHeading(ruler))));
    }
}

void frmSave::insertComprehensiveReading()
{
    // The same order for Day and Night births: the rulers' own order, not
    // the sequence of periods.
    for (int slot = 0; slot < modFirdaria::RulerCount; ++slot) {
        insertReadingText(slot);
        insertText(ReadingSeparator);
    }
    setAccessibleName(tr("Comprehensive Reading"));
}

QString frmSave::boxText() const
{
    // Block by block rather than toPlainText(), which turns no-break spaces
    // into ordinary ones.
    QStringList lines;
    for (QTextBlock block = RTB->document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines.join(QLatin1Char('\n'));
}

bool frmSave::saveRtf(const QString& path, QString* errorText) const
{
    const QString reason = results::writeChosenFile(
        path, RtfWriter::plainTextDocument(boxText(), RTB->font().family(), RTB->font().pointSizeF()));
    if (errorText)
        *errorText = reason;
    return reason.isEmpty();
}

QString frmSave::printToFile(QPrinter& printer) const
{
    // Qt would write the file itself at the chosen path, following whatever
    // link stands there: the job goes into a fresh folder of this user's
    // alone (mode 0700), under the chosen name so that its suffix keeps the
    // format, and is then written at the chosen path as a save is.
    const QString chosen = printer.outputFileName();
    const QTemporaryDir privateFolder;
    if (!privateFolder.isValid())
        return tr("There is no private folder for the printed file: %1").arg(privateFolder.errorString());
    const QString printed = privateFolder.filePath(QFileInfo(chosen).fileName());
    printer.setOutputFileName(printed);
    print(printer);
    printer.setOutputFileName(chosen);

    QFile file(printed);
    if (!file.open(QIODevice::ReadOnly))
        return tr("Nothing was printed: %1").arg(file.errorString());
    const QByteArray bytes = file.readAll();
    // Qt does not report a failed write of the job; a PDF file ends with its
    // end-of-file marker only once it is whole.
    if (printer.outputFormat() == QPrinter::PdfFormat && !bytes.trimmed().endsWith("%%EOF"))
        return tr("The printed file came out incomplete: the temporary folder %1 may be full.")
            .arg(QDir::toNativeSeparators(QDir::tempPath()));
    return results::writeChosenFile(chosen, bytes);
}

void frmSave::print(QPrinter& printer) const
{
    // The selection if there is one, otherwise everything; a range picked in
    // the dialog does not narrow it further.
    const QTextCursor cursor = RTB->textCursor();
    QTextDocument document;
    document.setDefaultFont(RTB->document()->defaultFont());
    QTextCursor(&document).insertFragment(cursor.hasSelection() ? cursor.selection()
                                                                : QTextDocumentFragment(RTB->document()));
    printer.setPrintRange(QPrinter::AllPages);
    printer.setPageRanges(QPageRanges());
    printer.setDocName(ui::appTitle());
    printer.setPageMargins(readingMargins(printer.pageLayout()), QPageLayout::Millimeter);

    // Laid out at the printer's resolution and cut into its pages here,
    // without page numbers.
    document.documentLayout()->setPaintDevice(&printer);
    document.setPageSize(QSizeF(printer.width(), printer.height()));
    printPages(document, printer);
}

void frmSave::cmdSave_Click()
{
    ui::SaveFileRequest request;
    request.title = ui::appTitle();
    request.filter = RtfFilter;
    request.defaultSuffix = RtfSuffix;
    request.confirmOverwrite = true;
    const std::optional<QString> chosen = ui::dialogs().saveFileName(this, request);
    if (!chosen)
        return;

    const QString path = withRtfSuffix(*chosen);
    QString reason;
    if (!saveRtf(path, &reason)) {
        ui::showMessage(this,
                        tr("The reading could not be saved as\r%1\r\r%2").arg(QDir::toNativeSeparators(path), reason),
                        ui::MessageIcon::Critical);
    }
}

void frmSave::cmdPrint_Click()
{
    QPrinter printer(QPrinter::HighResolution);
    ui::PrintRequest request;
    request.selectionChosen = RTB->textCursor().hasSelection();
    if (!ui::dialogs().setUpPrinter(this, printer, request))
        return;
    if (printer.outputFileName().isEmpty()) {
        print(printer);
        return;
    }
    if (const QString reason = printToFile(printer); !reason.isEmpty()) {
        ui::showMessage(this,
                        tr("The reading could not be printed to\r%1\r\r%2")
                            .arg(QDir::toNativeSeparators(printer.outputFileName()), reason),
                        ui::MessageIcon::Critical);
    }
}

bool frmSave::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == RTB->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            ui::runGuarded(emptyClipboard);
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmSave::emptyClipboard()
{
    // Taking the clipboard with no data in it leaves nothing for any program
    // to paste, whoever held it before; whether clear() takes it from another
    // program depends on the platform plugin. The selection clipboard, which
    // a middle click pastes on X11 and Wayland, is taken the same way.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->setMimeData(new QMimeData);
    if (clipboard->supportsSelection())
        clipboard->setMimeData(new QMimeData, QClipboard::Selection);
}

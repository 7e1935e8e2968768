#include "Dialogs.h"

#include "Style.h"

#include <QAbstractPrintDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace zorvane::ui {

namespace {
QtDialogs& qtDialogs()
{
    static QtDialogs instance;
    return instance;
}

std::unique_ptr<Dialogs>& replacement()
{
    static std::unique_ptr<Dialogs> instance;
    return instance;
}
}  // namespace

Dialogs& dialogs()
{
    if (auto& r = replacement())
        return *r;
    return qtDialogs();
}

std::unique_ptr<Dialogs> setDialogs(std::unique_ptr<Dialogs> next)
{
    std::unique_ptr<Dialogs> previous = std::move(replacement());
    replacement() = std::move(next);
    return previous;
}

MessageAnswer showMessage(QWidget* parent, const QString& text, MessageIcon icon, MessageButtons buttons)
{
    return dialogs().message(parent, Message{appTitle(), text, icon, buttons});
}

MessageAnswer QtDialogs::message(QWidget* parent, const Message& message)
{
    // A box is centred over its parent; over a window not yet shown (a message
    // from a window's load) it would land in the screen's corner, so it is
    // centred on the screen instead.
    if (parent && !parent->isVisible())
        parent = nullptr;
    QMessageBox box(message.icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Information,
                    message.caption, QString(message.text).replace(QLatin1Char('\r'), QLatin1Char('\n')),
                    message.buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    parent);
    // Keep the blanks of the message as written; plain text never collapses them.
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return message.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
}

QString qtNameFilter(const QString& filter)
{
    // "Description|patterns" pairs, as common dialogs elsewhere write them,
    // become Qt's "Description (patterns)"; a Qt filter passes unchanged.
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts.at(i).trimmed() + QStringLiteral(" (") + parts.at(i + 1).trimmed() + QLatin1Char(')');
    return filters.join(QStringLiteral(";;"));
}

namespace {

// The folder of a chosen file, when it does not exist (or is no folder).
std::optional<QString> missingFolderOf(const QString& path)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (folder.isDir())
        return std::nullopt;
    return QDir::toNativeSeparators(folder.absoluteFilePath());
}

Message missingFolderMessage(const QString& folder)
{
    return Message{appTitle(),
                   QStringLiteral("%1\rThe folder does not exist. Check the path and try again.").arg(folder),
                   MessageIcon::Information, MessageButtons::Ok};
}

// A Save As dialog that takes no name in a folder that does not exist: it
// says so and stays open, as a dialog whose path must exist does.
class SaveDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty()) {
            if (const std::optional<QString> missing = missingFolderOf(chosen.constFirst())) {
                dialogs().message(this, missingFolderMessage(*missing));
                return;
            }
        }
        QFileDialog::accept();
    }
};

// The print dialog without page numbers: neither a range of pages nor the
// current page can be chosen; what is printed is the selection or all.
class PrintDialog final : public QPrintDialog {
public:
    using QPrintDialog::QPrintDialog;

protected:
    void showEvent(QShowEvent* event) override
    {
        // The dialog sets up its widgets as it is shown; these go after it.
        QPrintDialog::showEvent(event);
        for (const char* name : {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit", "printCurrentPage"}) {
            for (QWidget* widget : findChildren<QWidget*>(QLatin1String(name)))
                widget->hide();
        }
        // The "to" between the two page numbers.
        if (auto* to = findChild<QWidget*>(QStringLiteral("to")); to && to->parentWidget()) {
            for (QLabel* label : to->parentWidget()->findChildren<QLabel*>())
                if (label->buddy() == to || label->text() == QLatin1String("to"))
                    label->hide();
        }
    }
};

}  // namespace

std::optional<QString> QtDialogs::saveFileName(QWidget* parent, const SaveFileRequest& request)
{
    SaveDialog dialog(parent, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(qtNameFilter(request.filter));
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.initialName.isEmpty())
        dialog.selectFile(request.initialName);
    // A dialog of the desktop's own answers without asking accept(): a name
    // in a missing folder is refused after it, and the dialog opened again.
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString chosen = dialog.selectedFiles().constFirst();
        const std::optional<QString> missing = missingFolderOf(chosen);
        if (!missing)
            return chosen;
        dialogs().message(parent, missingFolderMessage(*missing));
    }
}

bool QtDialogs::setUpPrinter(QWidget* parent, QPrinter& printer, const PrintRequest& request)
{
    PrintDialog dialog(&printer, parent);
    QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
    options.setFlag(QAbstractPrintDialog::PrintPageRange, false);
    options.setFlag(QAbstractPrintDialog::PrintCurrentPage, false);
    options.setFlag(QAbstractPrintDialog::PrintSelection, request.selectionChosen);
    dialog.setOptions(options);
    if (request.selectionChosen)
        dialog.setPrintRange(QAbstractPrintDialog::Selection);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace zorvane::ui

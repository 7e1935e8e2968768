#pragma once

// Every modal question the program asks goes through Dialogs: message boxes,
// the Save As dialog and the print dialog. The program uses the Qt
// implementation; tests install a scripted one so that every modal flow runs
// without a person.

#include <QString>
#include <Qt>

#include <memory>
#include <optional>

class QPrinter;
class QWidget;

namespace zorvane::ui {

enum class MessageIcon { Information, Critical };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct Message {
    QString caption;
    QString text;  // a carriage return (or line feed) starts a new line
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;

    friend bool operator==(const Message&, const Message&) = default;
};

struct SaveFileRequest {
    QString title;          // empty: the platform's default title
    QString filter;         // as the caller words it; see qtNameFilter
    QString defaultSuffix;  // without the dot; added to a name typed without one
    bool confirmOverwrite = true;
    QString initialName;
};

struct PrintRequest {
    // Open the dialog with "Selection" chosen as the range.
    bool selectionChosen = false;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MessageAnswer message(QWidget* parent, const Message& message) = 0;
    // The chosen absolute path, or nothing when the user cancels.
    virtual std::optional<QString> saveFileName(QWidget* parent, const SaveFileRequest& request) = 0;
    // Lets the user set up the printer; false when the user cancels.
    virtual bool setUpPrinter(QWidget* parent, QPrinter& printer, const PrintRequest& request) = 0;
};

// The process-wide instance: the Qt dialogs unless replaced.
Dialogs& dialogs();
// Replaces the instance (tests); nullptr restores the Qt dialogs. Returns
// the previous replacement, if any.
std::unique_ptr<Dialogs> setDialogs(std::unique_ptr<Dialogs> replacement);

// How a menu item whose handler may open a modal window (a message box, the
// About box) is connected to it: queued, so that the handler runs once the
// item's trigger has returned. Assistive technology presses a menu item
// through a call that waits for the trigger to return, and would otherwise
// wait until the modal window closed; a button's press does not wait (Qt
// clicks it a moment later).
inline constexpr Qt::ConnectionType OpensModalWindow = Qt::QueuedConnection;

// Shorthand for the common case of a message captioned with the program's title.
MessageAnswer showMessage(QWidget* parent, const QString& text, MessageIcon icon,
                          MessageButtons buttons = MessageButtons::Ok);

// Qt's form of a file-dialog filter: "Description|patterns" pairs become
// "Description (patterns)" entries; a filter already in Qt's form is kept.
QString qtNameFilter(const QString& filter);

class QtDialogs final : public Dialogs {
public:
    MessageAnswer message(QWidget* parent, const Message& message) override;
    std::optional<QString> saveFileName(QWidget* parent, const SaveFileRequest& request) override;
    bool setUpPrinter(QWidget* parent, QPrinter& printer, const PrintRequest& request) override;
};

}  // namespace zorvane::ui

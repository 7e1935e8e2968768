// The reading window: its frame, insertion, Save as RTF (read back with a
// strict RTF decoder), print to PDF (read back with pdftotext) and the
// emptying of the clipboard.

#include "FakeDialogs.h"
#include "FileSizeSignal.h"
#include "FilesAndPictures.h"
#include "OtherUser.h"
#include "ReaderTools.h"
#include "ResultsTestSupport.h"
#include "frmSave.h"

#include "Dialogs.h"
#include "OpenWindows.h"
#include "Style.h"
#include "Twips.h"
#include "modFirdaria.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QMarginsF>
#include <QMimeData>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#if defined(Q_OS_UNIX)
#  include <sys/stat.h>
#endif

using namespace readingtest;
using namespace zorvane;
using zorvane::test::contentOf;
using zorvane::test::entriesIn;
using zorvane::test::FakeDialogs;
using zorvane::test::FileSizeLimit;
using zorvane::test::writeFile;

namespace {

QTextEdit* box(const frmSave& reading)
{
    return reading.findChild<QTextEdit*>(QStringLiteral("RTB"));
}

QString readingText(int slot)
{
    return modFirdaria::ReadingTexts[static_cast<std::size_t>(slot)];
}

void select(QTextEdit* edit, int anchor, int position)
{
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

// Every file under a folder with its bytes, to show that nothing changed.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        const QString relative = QDir(folder).relativeFilePath(path);
        files.insert(relative, it.fileInfo().isDir()
                                   ? QByteArray("<folder>")
                                   : (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()));
    }
    return files;
}

#if defined(Q_OS_UNIX)
// root/shared, a sticky folder that every user writes, where links are
// planted, and root/own, the saving user's folder with notes.rtf, a file of
// theirs that a planted link would lead to.
class PlantingGround {
public:
    bool make()
    {
        const QDir dir(root_.path());
        return root_.isValid()
               && QFile::setPermissions(root_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                          | QFile::ReadOther | QFile::ExeOther)
               && dir.mkdir(QStringLiteral("shared")) && dir.mkdir(QStringLiteral("own"))
               && writeFile(own(QStringLiteral("notes.rtf")), ownBytes)
               && ::chmod(QFile::encodeName(shared()).constData(), 01777) == 0;
    }
    QString path() const { return root_.path(); }
    QString shared() const { return root_.filePath(QStringLiteral("shared")); }
    QString ownFolder() const { return root_.filePath(QStringLiteral("own")); }
    QString own(const QString& name) const { return ownFolder() + QLatin1Char('/') + name; }

    const QByteArray ownBytes = QByteArrayLiteral("{\\rtf1 the saving user's own notes, never to be overwritten}");

private:
    QTemporaryDir root_;
};
#endif

enum class SaveFailure { FolderMissing, FileSizeLimit };
// What a dialog's answer is written as: the .rtf save, or print to a file.
enum class Output { Rtf, Pdf };
// Who made a symbolic link, and where on the saved path it stands.
enum class LinkMaker { OtherUser, SavingUser };
enum class LinkPlace { AtTheName, DanglingAtTheName, BehindOwnLink };

enum class BoxAction {
    Insertion,
    ReadingInsertion,
    Typing,
    MouseMove,
    MousePress,
    MouseRelease,
    DoubleClick,
    MouseSelection,  // press, drag over the text, release
    MoveOverLabel
};

// Saves, or prints to a file, at the path the dialog answers with.
void writeTo(frmSave& reading, FakeDialogs& dialogs, Output output, const QString& path)
{
    if (output == Output::Rtf) {
        dialogs.savePaths.push_back(path);
        reading.cmdSave_Click();
    } else {
        dialogs.printToPdf = path;
        reading.cmdPrint_Click();
    }
}

}  // namespace

Q_DECLARE_METATYPE(SaveFailure)
Q_DECLARE_METATYPE(Output)
Q_DECLARE_METATYPE(LinkMaker)
Q_DECLARE_METATYPE(LinkPlace)
Q_DECLARE_METATYPE(BoxAction)
Q_DECLARE_METATYPE(QClipboard::Mode)

class tst_frmSave : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void windowFrame();

    void insertText_data();
    void insertText();
    void insertReading_data();
    void insertReading();
    void opensAtTheBeginning();

    void cancelledWritesNothing_data();
    void cancelledWritesNothing();
    void save_data();
    void save();
    void failedSave_data();
    void failedSave();
    void linkOnThePath_data();
    void linkOnThePath();
    void linkRacedAtTheName();

    void print_data();
    void print();
    void printedMargins_data();
    void printedMargins();

    void clipboard_data();
    void clipboard();

private:
    FakeDialogs* fake_ = nullptr;
    std::array<QString, modFirdaria::ReadingTextSlots> builtTexts_;
};

void tst_frmSave::initTestCase()
{
    zorvane::app::keepRunningAtFileSizeLimit();
    ui::installFontSubstitutes();
    modFirdaria::BuildReadingTexts();
    builtTexts_ = modFirdaria::ReadingTexts;
    for (int slot = 0; slot < modFirdaria::RulerCount; ++slot)
        QVERIFY2(!readingText(slot).isEmpty(), "the interpretation texts are needed here");
}

void tst_frmSave::init()
{
    fake_ = &FakeDialogs::install();
}

void tst_frmSave::cleanup()
{
    FakeDialogs::restore();
    fake_ = nullptr;
    modFirdaria::ReadingTexts = builtTexts_;
}

// ---------------------------------------------------------------------------
// Layout

void tst_frmSave::windowFrame()
{
    frmSave reading;
    QCOMPARE(reading.windowTitle(), QStringLiteral("Zorvane v1.0"));
    QCOMPARE(reading.size(), ui::twipSize(7725, 7590));
    QCOMPARE(reading.minimumSize(), reading.maximumSize());
    QVERIFY(!(reading.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(reading.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(reading.windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(reading.palette().color(QPalette::Window), QColor(64, 0, 64));
    QVERIFY(box(reading)->document()->isEmpty());
    QVERIFY(ui::openWindows().contains(&reading));
}

// ---------------------------------------------------------------------------
// Insertion

void tst_frmSave::insertText_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("caret");

    // clang-format off
    QTest::newRow("into the empty box") << QString() << 0 << 0 << "Sun" << "Sun" << 3;
    QTest::newRow("at the caret, no selection") << "SunMoon" << 3 << 3 << " and " << "Sun and Moon" << 8;
    QTest::newRow("at the start") << "Moon" << 0 << 0 << "Sun, " << "Sun, Moon" << 5;
    QTest::newRow("replacing a selection") << "Sun, Venus, Moon" << 5 << 10 << "Mars" << "Sun, Mars, Moon" << 9;
    QTest::newRow("replacing a backward selection") << "Sun, Venus, Moon" << 10 << 5 << "Mars" << "Sun, Mars, Moon" << 9;
    QTest::newRow("replacing everything") << "old text" << 0 << 8 << "new" << "new" << 3;
    QTest::newRow("empty text removes the selection") << "abcdef" << 2 << 4 << "" << "abef" << 2;
    QTest::newRow("CR LF starts a line") << "" << 0 << 0 << "a\r\n\r\nb\r\n" << "a\n\nb\n" << 5;
    QTest::newRow("typographic quotes") << "" << 0 << 0 << u8"friends’ ‘live’" << u8"friends’ ‘live’" << 15;
    // clang-format on
}

void tst_frmSave::insertText()
{
    QFETCH(QString, before);
    QFETCH(int, anchor);
    QFETCH(int, position);
    QFETCH(QString, inserted);
    QFETCH(QString, after);
    QFETCH(int, caret);

    frmSave reading;
    box(reading)->setPlainText(before);
    select(box(reading), anchor, position);
    reading.insertText(inserted);

    QCOMPARE(box(reading)->toPlainText(), after);
    QCOMPARE(box(reading)->textCursor().position(), caret);
    QVERIFY(!box(reading)->textCursor().hasSelection());
}

void tst_frmSave::insertReading_data()
{
    QTest::addColumn<bool>("comprehensive");
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("name");  // what assistive technology calls the window

    // Slots 0..9 hold "text of slot N"; slot 9 names no ruler, and a slot
    // outside 0..9 inserts nothing. Unnamed, the window goes by its title.
    const QString title = QStringLiteral("Zorvane v1.0");
    const char* const rulers[] = {"The Sun", "Venus", "Mercury",    "The Moon",  "Saturn",
                                  "Jupiter", "Mars",  "North Node", "South Node"};
    for (int slot : {std::numeric_limits<int>::min(), -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 32767}) {
        const bool exists = slot >= 0 && slot < modFirdaria::ReadingTextSlots;
        const bool ruler = slot >= 0 && slot < modFirdaria::RulerCount;
        QTest::addRow("slot %d", slot) << false << slot
                                       << (exists ? QStringLiteral("text of slot %1").arg(slot) : QString())
                                       << (ruler ? QLatin1String(rulers[slot]) + QStringLiteral(" reading") : title);
    }
    // The nine rulers' texts in their order, each followed by an empty line.
    QString nine;
    for (int slot = 0; slot < modFirdaria::RulerCount; ++slot)
        nine += QStringLiteral("text of slot %1\n\n").arg(slot);
    QTest::newRow("comprehensive") << true << 0 << nine << QStringLiteral("Comprehensive Reading");
}

void tst_frmSave::insertReading()
{
    QFETCH(bool, comprehensive);
    QFETCH(int, slot);
    QFETCH(QString, inserted);
    QFETCH(QString, name);
    test::markReadingTexts();

    frmSave reading;
    reading.insertText(QStringLiteral("before|"));
    if (comprehensive)
        reading.insertComprehensiveReading();
    else
        reading.insertReadingText(slot);
    QCOMPARE(box(reading)->toPlainText(), QStringLiteral("before|") + inserted);
    QCOMPARE(box(reading)->textCursor().position(), QStringLiteral("before|").size() + inserted.size());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&reading);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), name);
    QCOMPARE(reading.windowTitle(), QStringLiteral("Zorvane v1.0"));
}

void tst_frmSave::opensAtTheBeginning()
{
    frmSave reading;
    reading.insertComprehensiveReading();
    const QScrollBar* scroll = box(reading)->verticalScrollBar();
    reading.show();
    QVERIFY(QTest::qWaitForWindowExposed(&reading));
    QVERIFY2(scroll->maximum() > 0, "the comprehensive reading should need scrolling");
    QCOMPARE(scroll->value(), scroll->minimum());
    // The caret, left after the text by the insertions, starts at its
    // beginning, with nothing selected.
    QCOMPARE(box(reading)->textCursor().position(), 0);
    QVERIFY(!box(reading)->textCursor().hasSelection());
}

// ---------------------------------------------------------------------------
// Save

void tst_frmSave::cancelledWritesNothing_data()
{
    QTest::addColumn<Output>("output");
    QTest::addColumn<bool>("withSelection");
    // clang-format off
    QTest::newRow("save") << Output::Rtf << false;
    QTest::newRow("print without a selection") << Output::Pdf << false;
    QTest::newRow("print with a selection") << Output::Pdf << true;
    // clang-format on
}

// The print dialog, cancelled, has set the printer up for a file all the same.
void tst_frmSave::cancelledWritesNothing()
{
    QFETCH(Output, output);
    QFETCH(bool, withSelection);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(folder.path());  // where a stray relative file would land
    const auto restoreFolder = qScopeGuard([&] { QDir::setCurrent(previousFolder); });

    frmSave reading;
    reading.insertComprehensiveReading();
    if (withSelection)
        select(box(reading), 10, 200);
    if (output == Output::Rtf) {
        reading.cmdSave_Click();  // nothing queued: the Save As dialog is cancelled
    } else {
        fake_->cancelPrint = true;
        writeTo(reading, *fake_, output, folder.filePath(QStringLiteral("reading.pdf")));
    }

    QCOMPARE(fake_->saveRequests.size() + fake_->printRequests.size(), 1);
    QVERIFY(fake_->messages.isEmpty());
    QVERIFY(snapshot(folder.path()).isEmpty());
}

void tst_frmSave::save_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QString>("chosen");   // in the Save As dialog
    QTest::addColumn<QString>("written");  // the file that holds the reading

    // The whole box is written, whatever is selected, over an existing file too.
    const QString name = QStringLiteral("reading.rtf");
    // clang-format off
    QTest::newRow("comprehensive reading") << comprehensiveReadingText() << 0 << 0 << false << name << name;
    QTest::newRow("quotes, accents, braces") << QStringLiteral(u"‘live’ “and” café {\\par}\r\n\r\nnext") << 3 << 3 << false << name << name;
    QTest::newRow("with a selection everything is saved") << readingText(1) << 10 << 40 << false << name << name;
    QTest::newRow("over an existing file") << readingText(4) << 0 << 0 << true << name << name;
    QTest::newRow("empty box") << QString() << 0 << 0 << false << name << name;
    // clang-format on

    // A name without an extension gets ".rtf"; any other extension is kept.
    // Windows takes a name's trailing dots off.
    const char* const trailingDot = QSysInfo::productType() == QLatin1String("windows") ? "reading" : "reading.";
    const std::pair<const char*, const char*> names[] = {
        {"reading", "reading.rtf"},
        {"READING.RTF", "READING.RTF"},
        {"reading.txt", "reading.txt"},
        {"my.reading.rtf", "my.reading.rtf"},
        {"my.folder/reading", "my.folder/reading.rtf"},
        {"sun reading", "sun reading.rtf"},
        {"reading.", trailingDot},
    };
    for (const auto& [chosen, written] : names)
        QTest::addRow("named \"%s\"", chosen) << readingText(0) << 0 << 0 << false << chosen << written;
}

void tst_frmSave::save()
{
    QFETCH(QString, text);
    QFETCH(int, anchor);
    QFETCH(int, position);
    QFETCH(bool, fileExists);
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("my.folder")));
    const QString path = folder.filePath(written);
    if (fileExists)
        QVERIFY(writeFile(path, QByteArray(20000, 'x')));

    frmSave reading;
    reading.insertText(text);
    select(box(reading), anchor, position);
    fake_->savePaths.push_back(folder.filePath(chosen));
    reading.cmdSave_Click();

    QCOMPARE(fake_->saveRequests.size(), 1);
    const ui::SaveFileRequest& request = fake_->saveRequests.constFirst();
    QCOMPARE(request.title, QStringLiteral("Zorvane"));
    QCOMPARE(request.filter, QStringLiteral("Rich Text Format | *.rtf "));
    QCOMPARE(ui::qtNameFilter(request.filter), QStringLiteral("Rich Text Format (*.rtf)"));
    QCOMPARE(request.defaultSuffix, QStringLiteral("rtf"));
    QVERIFY(request.confirmOverwrite);
    QCOMPARE(request.initialName, QString());

    QVERIFY(fake_->messages.isEmpty());
    QStringList expectedFiles{written, QStringLiteral("my.folder")};
    expectedFiles.sort();
    QCOMPARE(snapshot(folder.path()).keys(), expectedFiles);
    QCOMPARE(decodeRtf(contentOf(path)), decodedFormOf(box(reading)->toPlainText()));
}

void tst_frmSave::failedSave_data()
{
    QTest::addColumn<Output>("output");
    QTest::addColumn<SaveFailure>("failure");
    QTest::addColumn<QString>("cause");  // the reason the message gives

    // Rule: the message names the file and the system's reason, which the
    // file layer gives alike for every failure (a missing folder stands for
    // them all); a print job that could not be written whole is not written
    // at the name.
    for (const auto& [output, name] : {std::pair{Output::Rtf, "save"}, std::pair{Output::Pdf, "print to file"}}) {
        QTest::addRow("%s: the folder does not exist", name)
            << output << SaveFailure::FolderMissing << "No such file or directory";
    }
    // Windows sets no file size limit.
#if defined(Q_OS_UNIX)
    QTest::newRow("print to file: file size limit over an existing file")
        << Output::Pdf << SaveFailure::FileSizeLimit << "The printed file came out incomplete";
#endif
}

void tst_frmSave::failedSave()
{
    QFETCH(Output, output);
    QFETCH(SaveFailure, failure);
    QFETCH(QString, cause);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QString path = folder.filePath(QStringLiteral("reading.rtf"));
    if (failure == SaveFailure::FolderMissing)
        path = folder.filePath(QStringLiteral("missing/reading.rtf"));
    else
        QVERIFY(writeFile(path, QByteArrayLiteral("{\\rtf1 an earlier reading, kept byte for byte \xe2\x80\x99}\r\n")));
    const QMap<QString, QByteArray> before = snapshot(folder.path());

    frmSave reading;
    reading.insertComprehensiveReading();
    {
        // Far below the size of the reading, above nothing else written meanwhile.
        std::optional<FileSizeLimit> limit;
        if (failure == SaveFailure::FileSizeLimit) {
            limit.emplace(512);
            QVERIFY(limit->isActive());
        }
        writeTo(reading, *fake_, output, path);
    }

    const QString action = output == Output::Rtf ? QStringLiteral("saved as") : QStringLiteral("printed to");
    QCOMPARE(fake_->messages.size(), 1);
    const ui::Message& message = fake_->messages.constFirst();
    QCOMPARE(message.caption, QStringLiteral("Zorvane"));
    QCOMPARE(message.icon, ui::MessageIcon::Critical);
    QCOMPARE(message.buttons, ui::MessageButtons::Ok);
    QVERIFY2(
        message.text.startsWith(
            QStringLiteral("The reading could not be %1\r%2\r\r%3").arg(action, QDir::toNativeSeparators(path), cause)),
        qPrintable(message.text));
    QCOMPARE(snapshot(folder.path()), before);
}

void tst_frmSave::linkOnThePath_data()
{
    QTest::addColumn<Output>("output");
    QTest::addColumn<LinkMaker>("maker");
    QTest::addColumn<LinkPlace>("place");
    QTest::addColumn<bool>("followed");

#if !defined(Q_OS_UNIX)
    QSKIP("Links that another user plants, and folders shared by permission bits, are Unix's");
#endif
    // A link at the chosen name, in a folder every user writes, is followed
    // only when it is the saving user's (the rule over folder modes and
    // owners is the converter test's, through the same file layer). Print to
    // file reaches the name as a save does: one link refused, one followed.
    const Output save = Output::Rtf;
    const Output print = Output::Pdf;
    const LinkMaker other = LinkMaker::OtherUser;
    const LinkMaker own = LinkMaker::SavingUser;
    // clang-format off
    QTest::newRow("save: other user's link at the name")         << save << other << LinkPlace::AtTheName << false;
    QTest::newRow("save: other user's dangling link")            << save << other << LinkPlace::DanglingAtTheName << false;
    QTest::newRow("save: own link leading to other user's link") << save << other << LinkPlace::BehindOwnLink << false;
    QTest::newRow("save: own link at the name")                  << save << own << LinkPlace::AtTheName << true;
    QTest::newRow("save: own dangling link")                     << save << own << LinkPlace::DanglingAtTheName << true;
    QTest::newRow("print to file: other user's link at the name") << print << other << LinkPlace::AtTheName << false;
    QTest::newRow("print to file: own link at the name")         << print << own << LinkPlace::AtTheName << true;
    // clang-format on
}

void tst_frmSave::linkOnThePath()
{
#if defined(Q_OS_UNIX)
    QFETCH(Output, output);
    QFETCH(LinkMaker, maker);
    QFETCH(LinkPlace, place);
    QFETCH(bool, followed);
    if (const QString reason = test::OtherUser::unavailable(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const test::OtherUser other;

    PlantingGround ground;
    QVERIFY(ground.make());
    const QString ownFile = ground.own(QStringLiteral("notes.rtf"));

    const auto makeLink = [&](const QString& target, const QString& link) {
        return maker == LinkMaker::SavingUser ? QFile::link(target, link) : other.makeLink(target, link);
    };
    const QString linkPath = ground.shared() + QStringLiteral("/reading.rtf");
    QString savePath = linkPath;
    QString written = ownFile;  // where the reading lands when the link is followed
    switch (place) {
    case LinkPlace::AtTheName:
        QVERIFY(makeLink(ownFile, linkPath));
        break;
    case LinkPlace::DanglingAtTheName:
        written = ground.own(QStringLiteral("new.rtf"));
        QVERIFY(makeLink(written, linkPath));
        break;
    case LinkPlace::BehindOwnLink:
        QVERIFY(makeLink(ownFile, linkPath));
        savePath = ground.own(QStringLiteral("shortcut.rtf"));
        QVERIFY(QFile::link(linkPath, savePath));
        break;
    }
    struct stat link {};
    QCOMPARE(::lstat(QFile::encodeName(linkPath).constData(), &link), 0);
    QVERIFY(S_ISLNK(link.st_mode));
    QCOMPARE(link.st_uid, maker == LinkMaker::OtherUser ? other.uid() : ::geteuid());
    const QMap<QString, QByteArray> before = snapshot(ground.path());

    frmSave reading;
    reading.insertReadingText(2);
    writeTo(reading, *fake_, output, savePath);

    // The links stay as they were, whatever happens.
    QVERIFY(QFileInfo(linkPath).isSymLink());
    if (followed) {
        QVERIFY2(fake_->messages.isEmpty(), fake_->messages.isEmpty() ? "" : qPrintable(fake_->messages[0].text));
        if (output == Output::Rtf) {
            QCOMPARE(decodeRtf(contentOf(written)), decodedFormOf(box(reading)->toPlainText()));
        } else {
            QString error;
            const std::optional<QString> printed = pdfText(written, &error);
            QVERIFY2(printed, qPrintable(error));
            QCOMPARE(visibleCharacters(*printed), visibleCharacters(box(reading)->toPlainText()));
        }
        return;
    }
    QCOMPARE(fake_->messages.size(), 1);
    const ui::Message& message = fake_->messages.constFirst();
    QCOMPARE(message.icon, ui::MessageIcon::Critical);
    QVERIFY2(message.text.contains(QDir::toNativeSeparators(savePath)), qPrintable(message.text));
    QVERIFY2(message.text.contains(QStringLiteral("a symbolic link on the way belongs to another user")),
             qPrintable(message.text));
    QCOMPARE(contentOf(ownFile), ground.ownBytes);
    QCOMPARE(snapshot(ground.path()), before);
#endif
}

// Another user puts a link at the chosen name and takes it away, again and
// again, while the reading is saved there: no save may land on the file the
// link leads to, whichever moment the link comes or goes.
void tst_frmSave::linkRacedAtTheName()
{
#if !defined(Q_OS_UNIX)
    QSKIP("Links that another user plants, and folders shared by permission bits, are Unix's");
#else
    if (const QString reason = test::OtherUser::unavailable(); !reason.isEmpty())
        QSKIP(qPrintable(reason));
    const test::OtherUser other;
    PlantingGround ground;
    QVERIFY(ground.make());
    const QString victim = ground.own(QStringLiteral("notes.rtf"));
    const QString name = ground.shared() + QStringLiteral("/reading.rtf");

    // For at most ten seconds, in case the test itself ends early.
    QProcess toggler;
    other.prepare(
        toggler, QStringLiteral("perl"),
        {QStringLiteral("-e"),
         QStringLiteral("($t, $l) = @ARGV; $end = time + 10; while (time < $end) { symlink $t, $l; unlink $l }"),
         victim, name});
    toggler.start();
    QVERIFY(toggler.waitForStarted());

    frmSave reading;
    reading.insertReadingText(2);
    int saved = 0;
    int refused = 0;
    int overwrites = 0;
    for (QDeadlineTimer deadline(3000); !deadline.hasExpired();) {
        QFile::remove(name);
        (reading.saveRtf(name) ? saved : refused)++;
        if (contentOf(victim) != ground.ownBytes || entriesIn(ground.ownFolder()).size() != 1) {
            ++overwrites;
            QVERIFY(QFile::remove(victim) && writeFile(victim, ground.ownBytes));
        }
    }
    toggler.kill();
    toggler.waitForFinished();
    qInfo("%d saves, %d refused, %d landed on the other file", saved, refused, overwrites);
    QVERIFY2(saved > 0 && refused > 0, "the link should have been met, and missed, many times");
    QCOMPARE(overwrites, 0);
#endif
}

// ---------------------------------------------------------------------------
// Print

void tst_frmSave::print_data()
{
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("position");

    // Positions in the comprehensive reading; the Sun text alone is longer than 900.
    // clang-format off
    QTest::newRow("no selection, caret at the start") << 0 << 0;
    QTest::newRow("no selection, caret inside") << 500 << 500;
    QTest::newRow("selection inside the Sun text") << 100 << 400;
    QTest::newRow("selection made backwards") << 400 << 100;
    QTest::newRow("selection across several rulers") << 900 << 3500;
    QTest::newRow("one character selected") << 17 << 18;
    QTest::newRow("everything selected") << 0 << -1;
    // clang-format on
}

void tst_frmSave::print()
{
    QFETCH(int, anchor);
    QFETCH(int, position);

    frmSave reading;
    reading.insertComprehensiveReading();
    const QString all = box(reading)->toPlainText();
    if (position < 0)
        position = int(all.size());
    select(box(reading), anchor, position);
    const bool hasSelection = anchor != position;
    const QString expected = hasSelection ? all.mid(std::min(anchor, position), std::abs(position - anchor)) : all;

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString pdf = folder.filePath(QStringLiteral("reading.pdf"));
    fake_->printToPdf = pdf;
    reading.cmdPrint_Click();

    QCOMPARE(fake_->printRequests.size(), 1);
    QCOMPARE(fake_->printRequests.constFirst().selectionChosen, hasSelection);
    QVERIFY(fake_->messages.isEmpty());
    QCOMPARE(snapshot(folder.path()).keys(), QStringList{QStringLiteral("reading.pdf")});

#if defined(Q_OS_WIN)
    QSKIP("pdftotext, a Linux program, reads the printed file back in the Linux build's tests");
#endif
    QString error;
    const std::optional<QString> printed = pdfText(pdf, &error);
    QVERIFY2(printed, qPrintable(error));
    QCOMPARE(visibleCharacters(*printed), visibleCharacters(expected));
}

void tst_frmSave::printedMargins_data()
{
    QTest::addColumn<QMarginsF>("printers");  // millimetres: left, top, right, bottom
    QTest::addColumn<QMarginsF>("printed");

    // Each side: 2 cm, or the printer's margin where that is more.
    // clang-format off
    QTest::newRow("none")                   << QMarginsF(0, 0, 0, 0) << QMarginsF(20, 20, 20, 20);
    QTest::newRow("a printer's 4 to 5 mm")  << QMarginsF(4.2, 4.2, 4.9, 4.9) << QMarginsF(20, 20, 20, 20);
    QTest::newRow("wider on two sides")     << QMarginsF(25, 5, 5, 30) << QMarginsF(25, 20, 20, 30);
    // clang-format on
}

void tst_frmSave::printedMargins()
{
    QFETCH(QMarginsF, printers);
    QFETCH(QMarginsF, printed);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath(QStringLiteral("reading.pdf")));
    printer.setPageMargins(printers, QPageLayout::Millimeter);
    frmSave reading;
    reading.insertReadingText(0);
    reading.print(printer);

    const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Millimeter);
    const auto near = [](double a, double b) { return std::abs(a - b) < 0.01; };
    QVERIFY2(near(margins.left(), printed.left()) && near(margins.top(), printed.top())
                 && near(margins.right(), printed.right()) && near(margins.bottom(), printed.bottom()),
             qPrintable(QStringLiteral("%1 %2 %3 %4 mm")
                            .arg(margins.left())
                            .arg(margins.top())
                            .arg(margins.right())
                            .arg(margins.bottom())));
}

// ---------------------------------------------------------------------------
// Clipboard

void tst_frmSave::clipboard_data()
{
    QTest::addColumn<QClipboard::Mode>("mode");
    QTest::addColumn<BoxAction>("action");
    QTest::addColumn<bool>("emptied");

    // The system clipboard, and the selection clipboard that a middle click
    // pastes on X11 and Wayland (skipped where the platform has none).
    for (const auto& [mode, name] :
         {std::pair{QClipboard::Clipboard, "clipboard"}, std::pair{QClipboard::Selection, "selection"}}) {
        const auto row = [name = name](const char* action) -> QTestData& {
            return QTest::addRow("%s: %s", name, action);
        };
        // clang-format off
        row("insertion of text") << mode << BoxAction::Insertion << true;
        row("insertion of a reading") << mode << BoxAction::ReadingInsertion << true;
        row("typing in the box") << mode << BoxAction::Typing << true;
        row("mouse move without a button") << mode << BoxAction::MouseMove << true;
        row("mouse press") << mode << BoxAction::MousePress << true;
        row("mouse release (and click)") << mode << BoxAction::MouseRelease << true;
        row("double click") << mode << BoxAction::DoubleClick << true;
        row("text selected with the mouse") << mode << BoxAction::MouseSelection << true;
        row("mouse move over the offer label") << mode << BoxAction::MoveOverLabel << false;
        // clang-format on
    }
}

void tst_frmSave::clipboard()
{
    QFETCH(QClipboard::Mode, mode);
    QFETCH(BoxAction, action);
    QFETCH(bool, emptied);
    const QString copied = QStringLiteral("text copied in another program");
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (mode == QClipboard::Selection && !clipboard->supportsSelection())
        QSKIP("no selection clipboard on this platform");

    frmSave reading;
    reading.insertText(QStringLiteral("Some reading text\r\nover two lines"));
    reading.show();
    QVERIFY(QTest::qWaitForWindowExposed(&reading));
    QWidget* viewport = box(reading)->viewport();
    const QPoint inBox = viewport->rect().center();
    QWidget* label2 = reading.findChild<QWidget*>(QStringLiteral("Label2"));
    QVERIFY(label2);
    // The start and end of the first line's text, where a drag selects it.
    const QRect firstLine = box(reading)->cursorRect(QTextCursor(box(reading)->document()));
    const QPoint lineStart = firstLine.center();
    const QPoint lineEnd = lineStart + QPoint(QFontMetrics(box(reading)->font()).horizontalAdvance("Some reading"), 0);

    if (action == BoxAction::MouseRelease)
        QTest::mousePress(viewport, Qt::LeftButton, {}, inBox);
    if (action == BoxAction::MouseSelection) {
        QTest::mousePress(viewport, Qt::LeftButton, {}, lineStart);
        QTest::mouseMove(viewport, lineEnd);
    }
    clipboard->setText(copied, mode);
    QCOMPARE(clipboard->text(mode), copied);

    switch (action) {
    case BoxAction::Insertion:
        reading.insertText(QStringLiteral("more"));
        break;
    case BoxAction::ReadingInsertion:
        reading.insertReadingText(3);
        break;
    case BoxAction::Typing:
        QTest::keyClicks(box(reading), QStringLiteral("x"));
        break;
    case BoxAction::MouseMove:
        QTest::mouseMove(reading.windowHandle(), viewport->mapTo(&reading, inBox));
        break;
    case BoxAction::MousePress:
        QTest::mousePress(viewport, Qt::LeftButton, {}, inBox);
        break;
    case BoxAction::MouseRelease:
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, inBox);
        break;
    case BoxAction::DoubleClick:
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, inBox);
        break;
    case BoxAction::MouseSelection:
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, lineEnd);
        // The drag did select: the box holds the text that it would have
        // put into the selection clipboard.
        QVERIFY(box(reading)->textCursor().hasSelection());
        break;
    case BoxAction::MoveOverLabel:
        QTest::mouseMove(reading.windowHandle(), label2->geometry().center());
        break;
    }

    if (emptied) {
        QCOMPARE(clipboard->text(mode), QString());
        QVERIFY(clipboard->mimeData(mode));
        QCOMPARE(clipboard->mimeData(mode)->formats(), QStringList());
    } else {
        QCOMPARE(clipboard->text(mode), copied);
    }
}

QTEST_MAIN(tst_frmSave)
#include "tst_frmsave.moc"

#include "ReaderTools.h"

#include "modFirdaria.h"

#include <QProcess>
#include <QRegularExpression>

#include <cstdint>

namespace readingtest {

std::optional<QString> runReader(const QString& program, const QStringList& arguments, QString* error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        *error =
            program + QStringLiteral(" cannot be started (scripts/install-deps installs it): ") + process.errorString();
        return std::nullopt;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = program + QStringLiteral(" failed: ") + QString::fromUtf8(process.readAllStandardError());
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString comprehensiveReadingText()
{
    QString text;
    for (int slot = 0; slot < modFirdaria::RulerCount; ++slot)
        text += modFirdaria::ReadingTexts[static_cast<std::size_t>(slot)] + QStringLiteral("\r\n\r\n");
    return text;
}

std::optional<QString> pandocText(const QString& rtfPath, QString* error)
{
    return runReader(QStringLiteral("pandoc"),
                     {QStringLiteral("-f"), QStringLiteral("rtf"), QStringLiteral("-t"), QStringLiteral("plain"),
                      QStringLiteral("--wrap=none"), rtfPath},
                     error);
}

std::optional<QString> pdfText(const QString& pdfPath, QString* error)
{
    return runReader(QStringLiteral("pdftotext"),
                     {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdfPath, QStringLiteral("-")}, error);
}

namespace {

// The parts of a text between separators, blanks collapsed, empty ones left out.
QStringList simplifiedParts(const QString& text, const QRegularExpression& separator)
{
    QStringList parts;
    for (const QString& part : text.split(separator)) {
        const QString simplified = part.simplified();
        if (!simplified.isEmpty())
            parts << simplified;
    }
    return parts;
}

}  // namespace

QStringList paragraphsAsPandocShows(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n|\u2029"));
    return simplifiedParts(text, lineBreak);
}

QStringList paragraphsOfPandocOutput(const QString& plain)
{
    static const QRegularExpression blankLine(QStringLiteral("\n[ \t]*\n"));
    return simplifiedParts(plain, blankLine);
}

QString visibleCharacters(const QString& text)
{
    QString visible;
    for (const QChar c : text.normalized(QString::NormalizationForm_KC)) {
        if (!c.isSpace() && c.category() != QChar::Other_Control)
            visible += c;
    }
    return visible;
}

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

class Decoder {
public:
    explicit Decoder(const QByteArray& document)
        : in_(document)
    {}

    QString run()
    {
        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (c == '{') {
                ++pos_;
                ++depth_;
                if (skipFromDepth_ < 0 && (startsWith("\\*") || startsWith("\\fonttbl")))
                    skipFromDepth_ = depth_;
            } else if (c == '}') {
                ++pos_;
                if (depth_ == skipFromDepth_)
                    skipFromDepth_ = -1;
                --depth_;
            } else if (c == '\r' || c == '\n') {
                ++pos_;
            } else if (c == '\\') {
                controlSymbolOrWord();
            } else {
                ++pos_;
                put(QChar::fromLatin1(c));
            }
        }
        return out_;
    }

private:
    bool startsWith(const char* prefix) const { return in_.sliced(pos_).startsWith(prefix); }

    void controlSymbolOrWord()
    {
        ++pos_;
        if (pos_ >= in_.size())
            return;
        const char symbol = in_[pos_];
        if (symbol == '\\' || symbol == '{' || symbol == '}') {
            ++pos_;
            put(QChar::fromLatin1(symbol));
            return;
        }
        if (symbol == '\'') {
            const QByteArray hex = in_.mid(pos_ + 1, 2);
            pos_ += 3;
            put(QChar(static_cast<char16_t>(hex.toUInt(nullptr, 16))));
            return;
        }
        if (!isLetter(symbol)) {
            ++pos_;  // \* \~ \- and the like: nothing the writer's text uses
            return;
        }
        QByteArray word;
        while (pos_ < in_.size() && isLetter(in_[pos_]))
            word += in_[pos_++];
        QByteArray number;
        if (pos_ < in_.size() && in_[pos_] == '-')
            number += in_[pos_++];
        while (pos_ < in_.size() && isDigit(in_[pos_]))
            number += in_[pos_++];
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_;

        if (word == "par")
            put(QLatin1Char('\n'));
        else if (word == "line")
            put(QChar(u'\u2028'));
        else if (word == "tab")
            put(QLatin1Char('\t'));
        else if (word == "uc")
            fallbackLength_ = number.toInt();
        else if (word == "u") {
            put(QChar(static_cast<char16_t>(static_cast<std::int16_t>(number.toInt()))));
            toSkip_ = fallbackLength_;
        }
    }

    void put(QChar c)
    {
        if (skipFromDepth_ >= 0)
            return;
        if (toSkip_ > 0 && c != QChar(u'\u2028') && c != QLatin1Char('\n')) {
            --toSkip_;
            return;
        }
        out_ += c;
    }

    const QByteArray& in_;
    qsizetype pos_ = 0;
    int depth_ = 0;
    int skipFromDepth_ = -1;
    int fallbackLength_ = 1;
    int toSkip_ = 0;
    QString out_;
};

}  // namespace

QString decodeRtf(const QByteArray& document)
{
    return Decoder(document).run();
}

QString decodedFormOf(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n|\u2029"));
    QString lines = QString(text).replace(lineBreak, QStringLiteral("\n"));
    QString kept;
    for (const QChar c : lines) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\t') || c.unicode() >= 0x20)
            kept += c;
    }
    kept.remove(QChar(0x7F));
    if (!kept.isEmpty() && !kept.endsWith(QLatin1Char('\n')))
        kept += QLatin1Char('\n');
    return kept;
}

}  // namespace readingtest

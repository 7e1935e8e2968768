// Cost of "Save as JPG": one whole export of a panels-sized window (capture,
// temporary bitmap, conversion, clean-up), and the search for a free name
// when the numbered copies are nearly or wholly used up.

#include "Dialogs.h"
#include "modSaveForm.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

using namespace modSaveForm;

namespace {

// The panels window's size in pixels.
const QSize panelsSize(1000, 566);

class PaintedPanels : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, QColor(64, 0, 64));
        gradient.setColorAt(1, QColor(128, 255, 255));
        painter.fillRect(rect(), gradient);
        painter.setPen(Qt::white);
        for (int row = 0; row < 42; ++row)
            painter.drawText(20 + (row / 6) * 140, 30 + (row % 6) * 80, QStringLiteral("Sun/Venus - 5/17/1990"));
    }
};

// Answers every message with OK and counts them; never opens a window.
class SilentDialogs final : public zorvane::ui::Dialogs {
public:
    zorvane::ui::MessageAnswer message(QWidget*, const zorvane::ui::Message&) override
    {
        ++messages;
        return zorvane::ui::MessageAnswer::Ok;
    }
    std::optional<QString> saveFileName(QWidget*, const zorvane::ui::SaveFileRequest&) override { return {}; }
    bool setUpPrinter(QWidget*, QPrinter&, const zorvane::ui::PrintRequest&) override { return false; }

    int messages = 0;
};

SilentDialogs& installSilentDialogs()
{
    auto dialogs = std::make_unique<SilentDialogs>();
    SilentDialogs& installed = *dialogs;
    zorvane::ui::setDialogs(std::move(dialogs));
    return installed;
}

void createChartAndCopies(const QDir& folder, int copies)
{
    QFile(folder.filePath(QStringLiteral("chart.jpg"))).open(QIODevice::WriteOnly);
    for (int n = 1; n <= copies; ++n)
        QFile(folder.filePath(QStringLiteral("chart_%1.jpg").arg(n, 3, 10, QLatin1Char('0')))).open(QIODevice::WriteOnly);
}

void BM_WholeExport(benchmark::State& state)
{
    SilentDialogs& dialogs = installSilentDialogs();
    QTemporaryDir dir;
    PaintedPanels form;
    form.resize(panelsSize);
    QLabel holder;
    QLineEdit txtFolder;
    QLineEdit txtFile;
    const PanelsWindow panels{&form, &holder, &txtFolder, &txtFile};
    const QString chosen = dir.filePath(QStringLiteral("chart.png"));

    for (auto _ : state) {
        holder.setPixmap(SnapFormClient(&form));
        const QString written = ExportJpeg(panels, chosen);
        state.PauseTiming();
        if (written.isEmpty() || dialogs.messages > 0) {
            state.SkipWithError("the export failed");
            break;
        }
        QFile::remove(written);
        state.ResumeTiming();
    }
    zorvane::ui::setDialogs(nullptr);
}
BENCHMARK(BM_WholeExport)->Unit(benchmark::kMillisecond);

// chart.jpg and copies _001 to _range(0) present.
void BM_UniqueJpegPath(benchmark::State& state)
{
    SilentDialogs& dialogs = installSilentDialogs();
    QTemporaryDir dir;
    const int copies = int(state.range(0));
    createChartAndCopies(QDir(dir.path()), copies);
    const bool allTaken = copies == 999;

    for (auto _ : state) {
        const QString path = MakeUniqueJpegPath(dir.path(), QStringLiteral("chart.jpg"));
        benchmark::DoNotOptimize(path);
        if (path.isEmpty() != allTaken) {
            state.SkipWithError("unexpected result");
            break;
        }
    }
    if (allTaken && dialogs.messages != int(state.iterations()))
        state.SkipWithError("one message per search expected");
    zorvane::ui::setDialogs(nullptr);
}
BENCHMARK(BM_UniqueJpegPath)->Arg(998)->Arg(999)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Cost of "Save as JPG": one whole export of the period panels window filled
// with a reading on the screen (capture, conversion, commit), measured
// against a bare TurboJPEG encode of the same picture, and the search for a
// free name when the numbered copies are nearly or wholly used up.

#include "FakeDialogs.h"
#include "FillResults.h"
#include "RulerNames.h"
#include "Style.h"
#include "frmDisplay.h"
#include "modFirdaria.h"
#include "modSaveForm.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <turbojpeg.h>

using namespace modSaveForm;
using zorvane::test::FakeDialogs;

namespace {

void createChartAndCopies(const QDir& folder, int copies)
{
    QFile(folder.filePath(QStringLiteral("chart.jpg"))).open(QIODevice::WriteOnly);
    for (int n = 1; n <= copies; ++n)
        QFile(folder.filePath(QStringLiteral("chart_%1.jpg").arg(n, 3, 10, QLatin1Char('0'))))
            .open(QIODevice::WriteOnly);
}

// The period panels window with a reading, on the screen, as the export
// captures it.
bool showWithReading(frmDisplay& display)
{
    modFirdaria::BuildReadingTexts();
    FillResults(modFirdaria::ComputeFirdaria({15, 3, 1980, modFirdaria::TimeOfBirth::Night},
                                             zorvane::test::subPeriodNamesByRule()),
                display);
    display.show();
    return QTest::qWaitForWindowExposed(&display);
}

void BM_WholeExport(benchmark::State& state)
{
    QTemporaryDir dir;
    frmDisplay display;
    if (!showWithReading(display)) {
        state.SkipWithError("the panels window was not shown");
        return;
    }
    // Messages are recorded and answered OK; none opens a window.
    FakeDialogs& dialogs = FakeDialogs::install();
    const PanelsWindow panels = display.exportHolders();
    const QString chosen = dir.filePath(QStringLiteral("chart.png"));

    for (auto _ : state) {
        panels.Picture1->setPixmap(SnapFormClient(&display));
        const QString written = ExportJpeg(panels, chosen);
        state.PauseTiming();
        if (written.isEmpty() || !dialogs.messages.isEmpty()) {
            state.SkipWithError("the export failed");
            break;
        }
        QFile::remove(written);
        state.ResumeTiming();
    }
    FakeDialogs::restore();
}
BENCHMARK(BM_WholeExport)->Unit(benchmark::kMillisecond);

// The captured picture encoded from memory into memory as the converter
// encodes the export's bitmap (quality 100, full-resolution colour, rows top
// down, the accurate transform), with nothing else: what any export must
// spend.
void BM_BareEncode(benchmark::State& state)
{
    frmDisplay display;
    if (!showWithReading(display)) {
        state.SkipWithError("the panels window was not shown");
        return;
    }
    const QImage picture = SnapFormClient(&display).toImage().convertToFormat(QImage::Format_RGB32);

    for (auto _ : state) {
        tjhandle compressor = tjInitCompress();
        unsigned char* jpeg = nullptr;
        unsigned long size = 0;
        const int result = tjCompress2(compressor, picture.constBits(), picture.width(), int(picture.bytesPerLine()),
                                       picture.height(), TJPF_BGRX, &jpeg, &size, TJSAMP_444, 100, TJFLAG_ACCURATEDCT);
        tjFree(jpeg);
        tjDestroy(compressor);
        if (result != 0) {
            state.SkipWithError("the encoder failed");
            break;
        }
    }
}
BENCHMARK(BM_BareEncode)->Unit(benchmark::kMillisecond);

// chart.jpg and copies _001 to _range(0) present.
void BM_UniqueJpegPath(benchmark::State& state)
{
    FakeDialogs& dialogs = FakeDialogs::install();
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
    if (allTaken && dialogs.messages.size() != qsizetype(state.iterations()))
        state.SkipWithError("one message per search expected");
    FakeDialogs::restore();
}
BENCHMARK(BM_UniqueJpegPath)->Arg(998)->Arg(999)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    zorvane::ui::useProgramStyle();
    zorvane::ui::installFontSubstitutes();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Cost of a Firdaria reading as one press of "Get My Firdaria Reading" pays
// it: the nine texts rebuilt, then the 51 dates and their texts.

#include "RulerNames.h"
#include "modFirdaria.h"

#include <benchmark/benchmark.h>

#include <QDate>

using namespace modFirdaria;
using zorvane::test::subPeriodNamesByRule;

namespace {

BirthData birthOn(QDate date, TimeOfBirth time)
{
    return BirthData{date.day(), date.month(), date.year(), time};
}

// One press: texts and reading, in the user's short date format.
void BM_OneReadingWithTexts(benchmark::State& state)
{
    const BirthData birth = birthOn(QDate(1980, 3, 15), TimeOfBirth::Night);
    for (auto _ : state) {
        BuildReadingTexts();
        FirdariaReading reading = ComputeFirdaria(birth, subPeriodNamesByRule());
        benchmark::DoNotOptimize(reading);
        benchmark::DoNotOptimize(ReadingTexts.data());
    }
}
BENCHMARK(BM_OneReadingWithTexts);

void BM_OneReading(benchmark::State& state)
{
    const BirthData birth = birthOn(QDate(1980, 3, 15), TimeOfBirth::Night);
    for (auto _ : state) {
        FirdariaReading reading = ComputeFirdaria(birth, subPeriodNamesByRule());
        benchmark::DoNotOptimize(reading);
    }
}
BENCHMARK(BM_OneReading);

void BM_BuildReadingTexts(benchmark::State& state)
{
    for (auto _ : state) {
        BuildReadingTexts();
        benchmark::DoNotOptimize(ReadingTexts.data());
    }
}
BENCHMARK(BM_BuildReadingTexts);

// Every birth date the main window accepts, Day and Night: about 103,000
// readings, each with its texts in the user's format.
void BM_SweepAllReadings(benchmark::State& state)
{
    const QDate first(1910, 1, 1);
    const QDate last(2050, 12, 31);
    std::int64_t readings = 0;
    for (auto _ : state) {
        for (QDate birth = first; birth <= last; birth = birth.addDays(1)) {
            for (const TimeOfBirth time : {TimeOfBirth::Day, TimeOfBirth::Night}) {
                FirdariaReading reading = ComputeFirdaria(birthOn(birth, time), subPeriodNamesByRule());
                benchmark::DoNotOptimize(reading);
                ++readings;
            }
        }
    }
    state.SetItemsProcessed(readings);
}
BENCHMARK(BM_SweepAllReadings)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Timing of TidyText (and JoinBrokenLines after it, as the card viewer runs them) on a visit note
// of about 600 characters and on 64 KiB of notes.

#include "support/joinbrokenlines.h"
#include "support/tidytext.h"

#include <QString>

#include <benchmark/benchmark.h>

namespace {

// A note as doctors type them: missing and doubled spaces, N for the number sign, units against
// numbers, year ranges, slashes for brackets, lines broken inside sentences.
const QString kVisit = QStringLiteral(
    "Жалобы:на кашель,насморк,температуру 38,5 в течение 3 дней,слабость.Болен с 12.05.2003г,"
    "лечился самостоятельно (аспирин 500мг,парацетамол).\r\n"
    "Объективно:состояние удовлетворительное.Зев гиперемирован ,миндалины  не увеличены.В "
    "легких дыхание везикулярное,хрипов нет.ЧСС 80 в мин,АД 120/80 мм рт.ст.\r\n"
    "Диагноз: ОРВИ(ринофарингит)средней тяжести.\r\n"
    "Назначено:обильное питье,арбидол 100мг 4 р/д,полоскание горла ,витамин С.Рецепт N5,6,7 "
    "выдан.Больничный лист N 12345 с 01.06 по 05.06,явка 05.06.Перенес пневмонию (1990 - 1995) "
    "гг,аллергия на пенициллин.Направлен к ЛОР-врачу /Иванову И. И./ на консультацию ,"
    "анализ крови,мочи\r\nобщий.");

QString notes(qsizetype size) {
    QString text;
    while (text.size() < size)
        text += kVisit + QStringLiteral("\r\n");
    text.truncate(size);
    return text;
}

void tidyVisit(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(TidyText(kVisit));
    state.counters["chars"] = double(kVisit.size());
}

void tidyAndJoinVisit(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(JoinBrokenLines(TidyText(kVisit)));
}

void tidy64KiB(benchmark::State &state) {
    const QString text = notes(65536);
    for (auto _ : state)
        benchmark::DoNotOptimize(TidyText(text));
}

} // namespace

BENCHMARK(tidyVisit)->Unit(benchmark::kMicrosecond);
BENCHMARK(tidyAndJoinVisit)->Unit(benchmark::kMicrosecond);
BENCHMARK(tidy64KiB)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();

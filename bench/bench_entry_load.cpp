// Start-up reads all 154 launcher entries from the settings file through one accessor.
// A large settings file (100 kB, the entries after other programs' sections) shows
// whether that stays fast.
#include "core/SettingsFile.h"
#include "launcher/EntryTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QString makeSettingsFile(const QTemporaryDir& dir, int targetBytes) {
    const QString path = dir.filePath("zelmo32.INI");
    QByteArray text = "[FormStyle]\nViewerStyle=1\nZoomInOut=100\n";
    int filler = 0;
    while (text.size() < targetBytes - 12000) {
        text += "\n[Other" + QByteArray::number(filler++) + "]\n";
        for (int i = 0; i < 20; ++i)
            text += "Key" + QByteArray::number(i) + "=/home/someone/some/longer/path/value" +
                    QByteArray::number(i) + "\n";
    }
    for (int p = 1; p <= 11; ++p) {
        text += "\n[Page" + QByteArray::number(p) + "]\n";
        for (int k = 0; k < 14; ++k)
            text += "BPFileName" + QByteArray::number(k) +
                    "=/home/someone/プログラム/ツール/program" + QByteArray::number(k) + ".sh\n";
    }
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
    return path;
}

void BM_LoadAllEntries(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = makeSettingsFile(dir, int(state.range(0)));
    state.counters["file_bytes"] = double(QFile(path).size());
    for (auto _ : state) {
        EntryTable table;
        table.LoadAll(SettingsFile(path));
        benchmark::DoNotOptimize(table.at(10, 13));
    }
}
BENCHMARK(BM_LoadAllEntries)->Arg(4 * 1024)->Arg(100 * 1024)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

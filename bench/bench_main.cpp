// Entry point of kaspen-bench: every bench/*.cpp registers its benchmarks;
// a QCoreApplication exists for the Qt parts under test.
#include <QCoreApplication>
#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    // Module searches look only at loopback addresses, whatever the
    // environment says.
    const QByteArray given = qgetenv("KASPEN_SCAN_ADDRESSES");
    bool loopback = !given.isEmpty();
    for (const QByteArray &item : given.split(','))
        loopback = loopback && item.trimmed().startsWith("127.");
    if (!loopback)
        qputenv("KASPEN_SCAN_ADDRESSES", "127.0.0.1");
    QCoreApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    if (::benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}

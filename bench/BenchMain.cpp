// The benchmark program; with the windows built, a QApplication (offscreen
// unless QT_QPA_PLATFORM says otherwise) is made for the window workloads.

#include <benchmark/benchmark.h>

#ifdef VRKLAD_BENCH_QT
#include <QApplication>
#endif

int main(int argc, char** argv) {
#ifdef VRKLAD_BENCH_QT
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Fetches one URL into a file with the transfer component, a few times, and prints the best wall time, the
// throughput and the CPU time the process spent per MB. bench/upgrade/run.sh compares it with curl.
//     bench_transfer URL FILE [RUNS] [BUFFER] [OPTIONS]
// OPTIONS: "noprogress" (no progress handler), "nocache" (coNoCacheWrite: the library keeps no cache copy).
#include "BenchKit.h"
#include "slHTTP.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    using namespace skyloom;
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_transfer URL FILE [RUNS] [BUFFER]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    TslCustomHTTP http(nullptr);
    http.URL = argv[1];
    http.FileName = argv[2];
    if (argc > 4)
        http.SetTransferBufferSize(std::atoi(argv[4]));
    const std::string options = argc > 5 ? argv[5] : "";
    if (options.find("nocache") != std::string::npos)
        http.CacheOptions.Include(coNoCacheWrite);
    std::int64_t size = 0;
    std::int64_t progress = 0;
    bool ok = false;
    // A progress handler as the upgrade wizard has one: every chunk then crosses to the main thread.
    if (options.find("noprogress") == std::string::npos)
        http.OnProgress = [&](TObject*, const std::string&, std::int64_t, std::int64_t, std::int32_t, std::int32_t,
                          std::uint8_t, float, TStream*) { ++progress; };
    http.OnDone = [&](TObject*, const std::string&, std::int64_t s, TStream*) { size = s, ok = true; };
    double best = 1e9, bestCpu = 0;
    for (int i = 0; i < runs; ++i) {
        ok = false;
        const double cpu0 = bench::CpuSeconds();
        LARGE_INTEGER f, t0, t1;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&t0);
        http.Download(true);
        QueryPerformanceCounter(&t1);
        const double cpu = bench::CpuSeconds() - cpu0;
        const double secs = static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart);
        if (!ok) {
            std::fprintf(stderr, "transfer failed (status %d) %s\n", http.StatusCode(), http.LastError().c_str());
            return 1;
        }
        if (secs < best)
            best = secs, bestCpu = cpu;
    }
    const double mb = static_cast<double>(size) / (1024.0 * 1024.0);
    std::printf("slHTTP buffer=%d %s: %.0f MB in %.3f s = %.1f MB/s, CPU %.2f ms/MB, %lld progress events per run\n",
                http.TransferBufferSize(), options.c_str(), mb, best, mb / best, bestCpu * 1000.0 / mb,
                static_cast<long long>(progress / runs));
    std::printf("RESULT seconds=%.4f cpu_ms_per_mb=%.3f\n", best, bestCpu * 1000.0 / mb);
    return 0;
}

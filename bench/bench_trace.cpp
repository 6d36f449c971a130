// Trace benchmarks: pcsim-trace's conversion of a 1 million-frame candump
// log to CTB (in memory, and file to file as the tool does it), and what
// the CAN tap costs the device per frame (counting only, and with the
// --can-trace ring taking every frame).
#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "device/can/can_adapter.h"
#include "device/device_memory.h"
#include "host/can/CanTap.h"
#include "host/trace/CandumpFormat.h"
#include "host/trace/CtbFormat.h"
#include "host/trace/TraceConvert.h"

namespace {

constexpr int kLogFrames = 1000000;

/* A vehicle-like log: both interfaces, standard and extended identifiers,
 * all lengths, a remote frame now and then, 100 µs apart. */
const std::string& CandumpLog() {
    static const std::string log = [] {
        std::string text;
        text.reserve(static_cast<size_t>(kLogFrames) * 48);
        for (int i = 0; i < kLogFrames; ++i) {
            pcsim::TraceFrame f;
            f.port = static_cast<int8_t>(i & 1);
            f.extended = (i % 3) == 0;
            f.id = f.extended ? 0x18FEF100u + (i & 0xFF) : 0x100u + (i & 0x3FF);
            f.remote = (i % 97) == 0;
            f.dlc = static_cast<uint8_t>(i % 9);
            for (int b = 0; b < f.dlc; ++b) f.data[b] = static_cast<uint8_t>(i * 7 + b);
            pcsim::AppendCandumpLine(&text, f, 1436509052000000LL + static_cast<int64_t>(i) * 100);
        }
        return text;
    }();
    return log;
}

void BM_ConvertCandumpToCtbInMemory(benchmark::State& state) {
    const std::string& log = CandumpLog();
    for (auto _ : state) {
        pcsim::TraceReadResult read;
        pcsim::ReadTrace(pcsim::TraceFormat::Candump, log, {}, &read);
        std::vector<std::string> notes;
        const std::string out =
            pcsim::WriteTrace(pcsim::TraceFormat::Ctb, pcsim::SelectFrames(read.frames, pcsim::kTracePortNone), 0, &notes);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kLogFrames);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(log.size()));
}
BENCHMARK(BM_ConvertCandumpToCtbInMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ConvertCandumpToCtbFiles(benchmark::State& state) {
    char folder[] = "/tmp/bench_trace_XXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string in = std::string(folder) + "/vehicle.log", out = std::string(folder) + "/vehicle.ctb";
    FILE* f = std::fopen(in.c_str(), "wb");
    std::fwrite(CandumpLog().data(), 1, CandumpLog().size(), f);
    std::fclose(f);
    pcsim::ConvertRequest request;
    request.inPath = in;
    request.outPath = out;
    for (auto _ : state) {
        pcsim::ConvertReport report;
        if (!pcsim::ConvertTrace(request, &report)) state.SkipWithError("conversion failed");
    }
    state.SetItemsProcessed(state.iterations() * kLogFrames);
    std::remove(in.c_str());
    std::remove(out.c_str());
    rmdir(folder);
}
BENCHMARK(BM_ConvertCandumpToCtbFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

CanMessage Message() {
    CanMessage m{};
    m.id = 0x18FEF100;
    m.extended = 1;
    m.dlc = 8;
    for (int i = 0; i < 8; ++i) m.data[i] = static_cast<uint8_t>(i);
    return m;
}

/* The hooks with the tap installed and no reader: counting only. */
void BM_TapNoReader(benchmark::State& state) {
    device_memory_reset();
    pcsim::CanTapInstall();
    CanMessage m = Message();
    for (auto _ : state) pcsim::CanTapOnReceive(0, &m);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TapNoReader);

/* --can-trace: the device side of every frame, the time and the copy into
 * the trace ring. The ring is emptied between rounds, outside the timing,
 * so that every frame measured is one that gets in. */
void BM_TapIntoTraceRing(benchmark::State& state) {
    device_memory_reset();
    pcsim::CanTapInstall();
    auto& ring = pcsim::CanTapRingOf(pcsim::TapReader::TraceFile);
    ring.SetEnabled(true);
    CanMessage m = Message();
    std::vector<pcsim::TapFrame> drained(ring.Capacity());
    uint32_t inRing = 0;
    const uint64_t droppedBefore = ring.Dropped();
    for (auto _ : state) {
        pcsim::CanTapOnReceive(0, &m);
        if (++inRing == ring.Capacity()) {
            state.PauseTiming();
            ring.Take(drained.data(), ring.Capacity());
            inRing = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["dropped"] = static_cast<double>(ring.Dropped() - droppedBefore);
    ring.SetEnabled(false);
    ring.DiscardWaiting();
}
BENCHMARK(BM_TapIntoTraceRing);

} // namespace

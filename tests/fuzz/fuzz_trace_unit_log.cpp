// Fuzz target: any bytes as a unit's CAN log for pcsim-trace's reader.
#include "fuzz/fuzz_trace_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_trace::RoundTrip(pcsim::TraceFormat::UnitLog, data, size);
    return 0;
}

#pragma once
// The demo signal model: smooth sine waves of the main loop count that every
// page shows. Written by the tick, read by the page handlers: each value is
// a whole word, so a handler sees the previous or the current tick's value.
#include <cstdint>

#include "device/services/shared_var.h"

struct DemoSignals {
    SharedVar<double> aux_b1;       // engine_b, upper auxiliary value
    SharedVar<double> aux_b2;       // engine_b, lower auxiliary value
    SharedVar<uint8_t> ind_a;       // indicator 2 on the fuel and engine pages
    SharedVar<uint8_t> ind_b;       // indicator 1 on the fuel and engine pages
    SharedVar<double> battery;      // gauges: battery voltage
    SharedVar<double> oil_pressure; // gauges: oil pressure
    SharedVar<double> coolant;      // gauges: coolant temperature
    SharedVar<double> aux_a1;       // engine_a, upper auxiliary value
    SharedVar<double> aux_a2;       // engine_a, lower auxiliary value
    SharedVar<double> engine_speed; // engine pages: engine speed gauge
    SharedVar<double> fuel_gauge;   // fuel: large gauge and its value
    SharedVar<double> main_gauge;   // engine pages: large gauge and its value
    SharedVar<double> ambient;      // gauges: ambient; fuel: right value
    SharedVar<double> fuel_econ;    // fuel: left value
};

/* Compute every signal from the main loop count k. */
void demo_signals_compute(DemoSignals* out, uint32_t k);

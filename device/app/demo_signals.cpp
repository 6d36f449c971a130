#include "device/app/demo_signals.h"

#include <cmath>

void demo_signals_compute(DemoSignals* out, uint32_t count) {
    // Products are evaluated left to right: k x 0.02 first, then the factor,
    // then the quarter-turn phase where there is one.
    const double k = static_cast<double>(count);
    const double half_pi = 1.5707963267948966;
    const double t = k * 0.02;
    out->aux_b1 = std::sin(t * 0.4 + half_pi) * 17 + 123;
    out->aux_b2 = std::sin(t * 0.4 + half_pi) + 4;
    out->ind_a = std::sin(t * 0.5 + half_pi) + 1 > 1 ? 1 : 0;
    out->ind_b = std::sin(t) + 1 > 1 ? 1 : 0;
    out->battery = std::sin(t * 0.3) + 14;
    out->oil_pressure = std::sin(t * 0.3) * 10 + 20;
    out->coolant = std::sin(t * 0.5) * 30 + 100;
    out->aux_a1 = std::sin(t * 0.4) * 10 + 40000;
    out->aux_a2 = std::sin(t * 0.1) * 5 + 1545.4;
    out->engine_speed = std::sin(t * 0.3) * 800 + 1200;
    out->fuel_gauge = std::sin(t) * 33 + 50;
    out->main_gauge = std::sin(t * 0.3) * 22 + 23;
    out->ambient = std::sin(t * 0.5) * 60 + 20;
    out->fuel_econ = std::sin(t * 0.5) + 1.5;
}

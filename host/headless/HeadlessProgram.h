#pragma once
// The program's headless run: the scripted inputs (keys, events), the
// outputs (trace, frames, screenshot), SIGINT and SIGTERM, the summary line
// and the exit code.
#include <cstdio>
#include <vector>

#include "host/CommandLine.h"
#include "host/headless/ScriptedEvent.h"

namespace pcsim {

class HeadlessRunner;

/* Schedule each event on runner: Event N reaches the device as
 * sys_raise_event(N - 1) at its time. */
void ScheduleEvents(HeadlessRunner& runner, const std::vector<ScriptedEvent>& events);

/* Run options.runMs of virtual time as the options script it. Trace lines
 * and the summary go to out, problems to err. Returns the exit code: 0
 * (also when a signal ended the run early: the outputs are written for the
 * part that ran), 1 when an output could not be written. */
int RunHeadlessProgram(const CommandLineOptions& options, std::FILE* out, std::FILE* err);

} // namespace pcsim

#pragma once
// The program with its window: the Qt application, the SimHost, the event
// loop, and the message box when the host cannot be built.
#include <functional>
#include <memory>

#include "host/CommandLine.h"

namespace pcsim {

class SimHost;

/* Builds the host with makeHost, runs it until its window closes, then
 * destroys it (which saves the settings). When makeHost throws, shows the
 * message box "Error" titled "Main initialization" and returns -1. Needs a
 * QApplication. */
int RunHostWindow(const std::function<std::unique_ptr<SimHost>()>& makeHost);

/* main's entry for the window: creates the QApplication from the command
 * line and runs RunHostWindow with a SimHost for the parsed options. */
int RunSimulatorWindow(int& argc, char** argv, const CommandLineOptions& options);

} // namespace pcsim

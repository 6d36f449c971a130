#include <gtest/gtest.h>

#include <vector>

#include <cstdlib>

#include "host/CommandLine.h"
#include "host/serial/ComPortPaths.h"

namespace {

struct Parsed {
    bool ok;
    pcsim::CommandLineOptions options;
    std::string error;
};

Parsed parse(std::vector<const char*> args) {
    args.insert(args.begin(), "pc-simulator");
    Parsed p;
    p.ok = pcsim::ParseCommandLine(static_cast<int>(args.size()), args.data(), &p.options, &p.error);
    return p;
}

TEST(CommandLine, AcceptsTheHeadlessRun) {
    Parsed p = parse({"--headless", "--run-ms", "3000", "--screenshot", "out.bmp"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(p.options.headless);
    EXPECT_EQ(p.options.runMs, 3000u);
    EXPECT_EQ(p.options.screenshot, "out.bmp");
    p = parse({"--run-ms=0", "--headless"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(p.options.screenshot.empty());
    EXPECT_TRUE(parse({"CODEGEN"}).options.codegen);
    EXPECT_TRUE(parse({"--help"}).options.help);
    p = parse({}); // the window
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_FALSE(p.options.headless);
    EXPECT_FALSE(p.options.codegen);
}

TEST(CommandLine, AcceptsTheScriptingOptions) {
    Parsed p = parse({"--headless", "--run-ms", "5000", "--event", "1@250", "--event=2@0", "--frames", "out",
                      "--frame-every", "40", "--trace-keys"});
    ASSERT_TRUE(p.ok) << p.error;
    ASSERT_EQ(p.options.events.size(), 2u);
    EXPECT_EQ(p.options.events[0].event, 1);
    EXPECT_EQ(p.options.events[0].atMs, 250u);
    EXPECT_EQ(p.options.events[1].event, 2);
    EXPECT_EQ(p.options.events[1].atMs, 0u);
    EXPECT_EQ(p.options.framesDir, "out");
    EXPECT_EQ(p.options.frameEveryMs, 40u);
    EXPECT_TRUE(p.options.traceKeys);
    p = parse({"--headless", "--run-ms", "10", "--frames", "out"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.frameEveryMs, 0u) << "every iteration";
    EXPECT_FALSE(p.options.traceKeys);
}

TEST(CommandLine, NamesTheProblemInBadArguments) {
    static const struct {
        std::vector<const char*> args;
        const char* mentions;
    } cases[] = {
        {{"--headless"}, "--run-ms"},
        {{"--headless", "--run-ms"}, "value after '--run-ms'"},
        {{"--headless", "--run-ms", "abc"}, "'abc'"},
        {{"--headless", "--run-ms", "-5"}, "'-5'"},
        {{"--headless", "--run-ms", "1.5"}, "'1.5'"},
        {{"--headless", "--run-ms", "86400001"}, "86400000"},
        {{"--headless", "--run-ms", "99999999999999999999999"}, "'9999"},
        {{"--headless", "--run-ms", "10", "--screenshot"}, "value after '--screenshot'"},
        {{"--headless", "--run-ms", "10", "--screenshot", ""}, "file name"},
        {{"--run-ms", "10"}, "--run-ms needs --headless"},
        {{"--press", "F1@0"}, "--press needs --headless"},
        {{"--headless", "--run-ms", "10", "--event", "3@100"}, "must be 1 or 2, not '3'"},
        {{"--headless", "--run-ms", "10", "--event", "0@100"}, "not '0'"},
        {{"--headless", "--run-ms", "10", "--event", "1"}, "expected N@MS"},
        {{"--headless", "--run-ms", "10", "--event", "1@-5"}, "not '-5'"},
        {{"--headless", "--run-ms", "10", "--event", "1@"}, "not ''"},
        {{"--headless", "--run-ms", "10", "--frames", ""}, "--frames needs a directory"},
        {{"--headless", "--run-ms", "10", "--frames", "d", "--frame-every", "0"}, "from 1 to 86400000, not '0'"},
        {{"--headless", "--run-ms", "10", "--frames", "d", "--frame-every", "x"}, "not 'x'"},
        {{"--headless", "--run-ms", "10", "--frame-every", "100"}, "--frame-every needs --frames"},
        {{"--trace-keys"}, "--trace-keys needs --headless"},
        {{"--event", "1@5"}, "--event needs --headless"},
        {{"--frames", "d"}, "--frames needs --headless"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-x"}, "unknown option '-x'"},
        {{"codegen"}, "'codegen'"},
        {{"CODEGEN", "--headless"}, "'CODEGEN'"},
        {{"--com", "1"}, "N=PATH"},
        {{"--com", "=/dev/ttyUSB0"}, "'=/dev/ttyUSB0'"},
        {{"--com", "0=/dev/ttyUSB0"}, "from 1 to 127"},
        {{"--com", "128=/dev/ttyUSB0"}, "'128=/dev/ttyUSB0'"},
        {{"--com", "-1=/dev/ttyUSB0"}, "'-1=/dev/ttyUSB0'"},
        {{"--com", "x=/dev/ttyUSB0"}, "'x=/dev/ttyUSB0'"},
        {{"--com", "3="}, "'3='"},
        {{"--com", "2=/dev/a", "--com", "2=/dev/b"}, "--com 2 is given twice"},
        {{"--headless", "--run-ms", "10", "--com", "1=/dev/a"}, "headless run has no serial port"},
    };
    for (const auto& c : cases) {
        Parsed p = parse(c.args);
        EXPECT_FALSE(p.ok) << c.mentions;
        EXPECT_NE(p.error.find(c.mentions), std::string::npos) << p.error;
    }
}

TEST(CommandLine, ComMapsPortNumbersToDeviceFiles) {
    Parsed p = parse({"--com", "1=/dev/ttyUSB0", "--com=10=/tmp/a=b"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.comPaths, (pcsim::ComPortMap{{1, "/dev/ttyUSB0"}, {10, "/tmp/a=b"}}));
}

TEST(ComPortPath, OptionBeforeEnvironmentBeforeDefault) {
    const pcsim::ComPortMap mapped{{2, "/dev/ttyUSB1"}};
    setenv("PCSIM_COM2", "/dev/from-env-2", 1);
    setenv("PCSIM_COM3", "/dev/from-env-3", 1);
    setenv("PCSIM_COM4", "", 1); // empty: as if unset
    EXPECT_EQ(pcsim::ComPortPath(1, mapped), "/dev/ttyS0");
    EXPECT_EQ(pcsim::ComPortPath(2, mapped), "/dev/ttyUSB1");
    EXPECT_EQ(pcsim::ComPortPath(3, mapped), "/dev/from-env-3");
    EXPECT_EQ(pcsim::ComPortPath(4, mapped), "/dev/ttyS3");
    EXPECT_EQ(pcsim::ComPortPath(11, mapped), "/dev/ttyS10");
    for (const char* name : {"PCSIM_COM2", "PCSIM_COM3", "PCSIM_COM4"}) unsetenv(name);
}

} // namespace

#include "host/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "device/can/can_library.h"

#include "host/can/CanTraceSetup.h"
#include "host/storage/StorageSetup.h"

namespace pcsim {

namespace {

/* Reads one value of an option into the options; false with the reason in
 * error. Flags are called once with an empty value. */
using ReadOption = bool (*)(const std::string& value, CommandLineOptions* o, std::string* error);

struct OptionRow {
    const char* name;      // long name, without the dashes
    const char* valueName; // nullptr for a flag
    const char* help;      // the usage text's line (Qt wraps it)
    bool headlessOnly;     // needs --headless
    ReadOption read;
};

bool ReadRunMs(const std::string& v, CommandLineOptions* o, std::string* error) {
    if (!ParseMilliseconds(v, &o->runMs)) {
        *error = "--run-ms takes a whole number of milliseconds from 0 to 86400000, not '" + v + "'";
        return false;
    }
    o->runMsGiven = true;
    return true;
}

bool ReadPress(const std::string& v, CommandLineOptions* o, std::string* error) {
    ScriptedPress press;
    if (!ParseScriptedPress(v, &press, error)) return false;
    o->presses.push_back(press);
    return true;
}

bool ReadScreenshot(const std::string& v, CommandLineOptions* o, std::string* error) {
    if (v.empty()) {
        *error = "--screenshot needs a file name";
        return false;
    }
    o->screenshot = v;
    return true;
}

bool ReadCanPort(int port, const std::string& v, CommandLineOptions* o, std::string* error) {
    if (!ParseCanAdapter(v, &o->can[port], error)) {
        *error = "--can" + std::to_string(port) + ": " + *error;
        return false;
    }
    return true;
}

bool ReadCanLibDir(const std::string& v, CommandLineOptions* o, std::string* error) {
    std::error_code ignored;
    if (v.empty() || !std::filesystem::is_directory(v, ignored)) {
        *error = "--can-lib-dir: '" + v + "' is not a directory";
        return false;
    }
    if (v.size() >= CAN_LIBRARY_DIR_MAX) {
        *error = "--can-lib-dir: the path is too long";
        return false;
    }
    o->canLibDir = v;
    return true;
}

bool ReadCom(const std::string& v, CommandLineOptions* o, std::string* error) {
    // The rows are read in table order, so --headless is known here.
    if (o->headless) {
        *error = "--com needs the window: a headless run has no serial port";
        return false;
    }
    int number = 0;
    std::string path;
    if (!ParseComMapping(v, &number, &path, error)) return false;
    if (!o->comPaths.emplace(number, path).second) {
        *error = "--com " + std::to_string(number) + " is given twice";
        return false;
    }
    return true;
}

bool ReadEvent(const std::string& v, CommandLineOptions* o, std::string* error) {
    ScriptedEvent event;
    if (!ParseScriptedEvent(v, &event, error)) return false;
    o->events.push_back(event);
    return true;
}

bool ReadFrames(const std::string& v, CommandLineOptions* o, std::string* error) {
    if (v.empty()) {
        *error = "--frames needs a directory";
        return false;
    }
    o->framesDir = v;
    return true;
}

bool ReadFrameEvery(const std::string& v, CommandLineOptions* o, std::string* error) {
    if (!ParseMilliseconds(v, &o->frameEveryMs) || o->frameEveryMs == 0) {
        *error = "--frame-every takes a whole number of milliseconds from 1 to 86400000, not '" + v + "'";
        return false;
    }
    return true;
}

// Every option of the program, in the order of the usage text. Rows of one
// area stay together under their section comment.
const OptionRow kOptions[] = {
    {"headless", nullptr,
     "run the device without a window, in virtual time: a tick every 10 ms, a main loop iteration every 25 ms",
     false, [](const std::string&, CommandLineOptions* o, std::string*) { return o->headless = true; }},

    // --- Headless run ---
    {"run-ms", "N", "virtual milliseconds to run (0 to 86400000)", true, ReadRunMs},
    {"press", "KEY@MS[:DURATION_MS]",
     "hold key F1-F5 from virtual time MS for DURATION_MS (default 100); repeatable", true, ReadPress},
    {"screenshot", "FILE",
     "after the run, write the last shown screen: PNG when FILE ends in .png, else a 320 x 240, 32-bit "
     "Windows bitmap",
     true, ReadScreenshot},

    // --- Headless scripting ---
    {"event", "N@MS", "raise user event N (1 or 2, as the menu names them) at virtual time MS; repeatable", true,
     ReadEvent},
    {"frames", "DIR",
     "write the shown screen as numbered PNG files DIR/frame-000000.png, ... (created if missing), after "
     "every iteration unless --frame-every says otherwise",
     true, ReadFrames},
    {"frame-every", "MS", "with --frames: one frame at the first iteration at or after every MS virtual milliseconds",
     true, ReadFrameEvery},
    {"trace-keys", nullptr,
     "print each key change and page entry on stdout, one line each: 'MS key F3 down', 'MS key F3 up', "
     "'MS page NAME'",
     true, [](const std::string&, CommandLineOptions* o, std::string*) { return o->traceKeys = true; }},

    // --- CAN ---
    {"can0", "ADAPTER",
     "adapter of CAN port 1: kvaser[:CHANNEL] (the default), cando[:SERIAL], replay:FILE or socketcan:INTERFACE",
     false, [](const std::string& v, CommandLineOptions* o, std::string* e) { return ReadCanPort(0, v, o, e); }},
    {"can1", "ADAPTER", "adapter of CAN port 2, as --can0", false,
     [](const std::string& v, CommandLineOptions* o, std::string* e) { return ReadCanPort(1, v, o, e); }},
    {"can-lib-dir", "DIR",
     "look for libcanlib.so.1 and libCANdo.so in DIR before the loader path (default: $PCSIM_CAN_LIB_DIR)", false,
     ReadCanLibDir},
    {"can-trace", "FILE",
     "write every frame the device receives (R) and sends (T) on both ports to FILE as a candump -l log", false,
     ReadCanTraceOption},

    // --- Storage and USB stick ---
    {"root", "DIR",
     "directory that holds the unit's storage (rootfs/, usb-sticks/); created if missing (default: the working "
     "directory)",
     false, ReadStorageRoot},
    {"usb-insert", "MS", "insert the USB stick usb-sticks/disk_sda1 at virtual time MS; repeatable", true,
     ReadUsbInsert},
    // After --usb-insert: its reader checks the times against the inserts'.
    {"usb-eject", "MS",
     "eject the USB stick at virtual time MS, at least 35 ms from every --usb-insert; repeatable", true,
     ReadUsbEject},

    // --- Serial port ---
    {"com", "N=PATH",
     "COM port N (1-127) is device file PATH, not /dev/ttyS(N-1) or $PCSIM_COMN; repeatable",
     false, ReadCom},
};

QCommandLineOption MakeOption(const OptionRow& row) {
    QString help = QString::fromUtf8(row.help);
    if (row.headlessOnly) help += QStringLiteral(" [headless]");
    QCommandLineOption option(QString::fromLatin1(row.name), help);
    if (row.valueName) option.setValueName(QString::fromLatin1(row.valueName));
    return option;
}

/* "--name" for a long option the parser did not know, "-n" for a short one. */
std::string DashedName(const QString& name) {
    return (name.size() == 1 ? "-" : "--") + name.toStdString();
}

QCommandLineOption HelpOption() {
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("print this text"));
}

void AddOptions(QCommandLineParser* parser) {
    parser->setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser->setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const OptionRow& row : kOptions) parser->addOption(MakeOption(row));
    parser->addOption(HelpOption());
}

} // namespace

bool ParseMilliseconds(const std::string& text, uint32_t* out) {
    if (text.empty() || text.size() > 12) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    errno = 0;
    const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || v > kMaxRunMs) return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

std::string UsageText() {
    QCommandLineParser parser;
    AddOptions(&parser);
    std::string text = "usage: pc-simulator [OPTIONS]\n"
                       "       pc-simulator --headless --run-ms N [OPTIONS]\n"
                       "\n"
                       "Without --headless the window opens and the device runs in real time:\n"
                       "F1-F5 or the bezel buttons are the device keys, Escape closes the window.\n"
                       "Options marked [headless] need --headless.\n";
    // The option list as Qt lays it out, without its own usage line.
    const QString qtHelp = parser.helpText();
    const qsizetype options = qtHelp.indexOf(QStringLiteral("Options:"));
    text += "\n" + (options >= 0 ? qtHelp.mid(options) : qtHelp).toStdString();
    return text;
}

bool ParseCommandLine(int argc, const char* const* argv, CommandLineOptions* options, std::string* error) {
    CommandLineOptions o;
    if (argc == 2 && std::strcmp(argv[1], "CODEGEN") == 0) {
        o.codegen = true;
        *options = o;
        return true;
    }
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty()) args << QStringLiteral("pc-simulator");

    QCommandLineParser parser;
    AddOptions(&parser);
    if (!parser.parse(args)) {
        const QStringList unknown = parser.unknownOptionNames();
        *error = unknown.isEmpty() ? parser.errorText().toStdString()
                                   : "unknown option '" + DashedName(unknown.first()) + "'";
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = "unexpected argument '" + parser.positionalArguments().first().toStdString() + "'";
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        o.help = true;
        *options = o;
        return true;
    }
    std::string headlessOnly;
    for (const OptionRow& row : kOptions) {
        const QString name = QString::fromLatin1(row.name);
        if (!parser.isSet(name)) continue;
        if (row.headlessOnly && headlessOnly.empty()) headlessOnly = std::string("--") + row.name;
        const QStringList values = row.valueName ? parser.values(name) : QStringList{QString()};
        for (const QString& value : values) {
            if (!row.read(value.toStdString(), &o, error)) return false;
        }
    }
    if (!o.headless && !headlessOnly.empty()) {
        *error = headlessOnly + " needs --headless";
        return false;
    }
    if (o.headless && !o.runMsGiven) {
        *error = "--headless needs --run-ms N";
        return false;
    }
    if (o.frameEveryMs != 0 && o.framesDir.empty()) {
        *error = "--frame-every needs --frames DIR";
        return false;
    }
    *options = o;
    return true;
}

} // namespace pcsim

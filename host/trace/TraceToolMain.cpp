// pcsim-trace: converts CAN traces between the candump log, ASC, the unit's
// own CAN log and the replay trace (CTB), and lists CTB files.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>
#include <string>

#include "host/trace/AtomicFile.h"
#include "host/trace/CtbFormat.h"
#include "host/trace/TraceConvert.h"

namespace {

constexpr int kExitBadInput = 1; // unreadable or bad input, output not written
constexpr int kExitUsage = 2;    // wrong command line

const char kUsage[] =
    "usage: pcsim-trace convert [--from FORMAT] [--to FORMAT] [--port PORT] [--skip-bad] IN OUT\n"
    "       pcsim-trace dump FILE.ctb\n"
    "\n"
    "convert  reads IN and writes OUT, the times as offsets from the first frame.\n"
    "         FORMAT is candump (.log), asc (.asc), unit (the unit's ..._CAN1.log /\n"
    "         ..._CAN2.log) or ctb (.ctb); without --from / --to it is told by the\n"
    "         file name (and for IN by its first line).\n"
    "dump     lists the records of a CTB trace.\n"
    "\n"
    "Options:\n"
    "  --from FORMAT  format of IN\n"
    "  --to FORMAT    format of OUT\n"
    "  --port PORT    keep only the frames of port 1 or 2 (CAN1, CAN2); frames of\n"
    "                 a format without a port are put on it\n"
    "  --skip-bad     leave out the lines that cannot be read (each is reported)\n"
    "                 instead of writing nothing\n"
    "  -h, --help     print this text\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "pcsim-trace: %s\nRun 'pcsim-trace --help' for the usage.\n", message.c_str());
    return kExitUsage;
}

bool ParsePort(const QString& text, int* port) {
    const QString t = text.trimmed().toUpper();
    if (t == QLatin1String("1") || t == QLatin1String("CAN1")) {
        *port = 0;
    } else if (t == QLatin1String("2") || t == QLatin1String("CAN2")) {
        *port = 1;
    } else {
        return false;
    }
    return true;
}

int Dump(const std::string& path) {
    std::string bytes, error;
    if (!pcsim::ReadWholeFile(path, &bytes, &error)) {
        std::fprintf(stderr, "pcsim-trace: %s\n", error.c_str());
        return kExitBadInput;
    }
    std::string listing, problems;
    const bool whole = pcsim::DumpCtb(bytes, &listing, &problems);
    std::fwrite(listing.data(), 1, listing.size(), stdout);
    std::fflush(stdout);
    // Each problem line names the file, as the converter's do.
    size_t start = 0;
    while (start < problems.size()) {
        const size_t end = problems.find('\n', start);
        std::fprintf(stderr, "%s: %s\n", path.c_str(), problems.substr(start, end - start).c_str());
        start = end + 1;
    }
    return whole ? 0 : kExitBadInput;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption from(QStringLiteral("from"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("PORT"));
    const QCommandLineOption skipBad(QStringLiteral("skip-bad"), QString());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    parser.addOptions({from, to, port, skipBad, help});
    if (!parser.parse(args)) return UsageError(parser.errorText().toStdString());
    if (parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) return UsageError("give a command: convert IN OUT, or dump FILE");
    const QString command = positional.front();
    if (command == QLatin1String("dump")) {
        if (positional.size() != 2) return UsageError("dump takes one FILE");
        if (parser.isSet(from) || parser.isSet(to) || parser.isSet(port) || parser.isSet(skipBad))
            return UsageError("dump takes no options");
        return Dump(positional[1].toStdString());
    }
    if (command != QLatin1String("convert"))
        return UsageError("unknown command '" + command.toStdString() + "': convert or dump");
    if (positional.size() != 3) return UsageError("convert takes IN and OUT");

    pcsim::ConvertRequest request;
    request.inPath = positional[1].toStdString();
    request.outPath = positional[2].toStdString();
    request.skipBad = parser.isSet(skipBad);
    for (const auto& [option, format] : {std::pair{&from, &request.from}, std::pair{&to, &request.to}}) {
        if (!parser.isSet(*option)) continue;
        const QString name = parser.value(*option);
        *format = pcsim::TraceFormatFromName(name.toStdString());
        if (*format == pcsim::TraceFormat::Unknown)
            return UsageError("--" + option->names().front().toStdString() + " '" + name.toStdString() +
                              "': candump, asc, unit or ctb");
    }
    if (parser.isSet(port) && !ParsePort(parser.value(port), &request.port))
        return UsageError("--port '" + parser.value(port).toStdString() + "': 1 or 2 (CAN1, CAN2)");

    pcsim::ConvertReport report;
    const bool ok = pcsim::ConvertTrace(request, &report);
    for (const std::string& line : report.errors) std::fprintf(stderr, "%s\n", line.c_str());
    for (const std::string& note : report.notes) std::fprintf(stderr, "pcsim-trace: note: %s\n", note.c_str());
    if (!ok) return kExitBadInput;
    std::printf("%s\n", report.summary.c_str());
    return 0;
}

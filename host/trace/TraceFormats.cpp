#include "host/trace/TraceFormats.h"

#include <algorithm>

#include "host/trace/AscFormat.h"
#include "host/trace/CandumpFormat.h"
#include "host/trace/CtbFormat.h"
#include "host/trace/TraceText.h"
#include "host/trace/UnitLogFormat.h"

namespace pcsim {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string_view BaseName(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

/* Whether the first line that is not blank has the candump form "(SECONDS)
 * IFACE ...": no line of the other text formats begins so. */
bool StartsLikeCandump(std::string_view bytes) {
    std::string_view line;
    while (line.empty() && !bytes.empty()) {
        const size_t end = std::min(bytes.find('\n'), bytes.size());
        line = TrimSpaces(bytes.substr(0, end));
        if (!line.empty() && line.back() == '\r')
            line = TrimSpaces(line.substr(0, line.size() - 1));
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
    }
    if (line.empty() || line[0] != '(') return false;
    const size_t close = line.find(')');
    if (close == std::string_view::npos) return false;
    int64_t ignored = 0;
    if (ParseSeconds(line.substr(1, close - 1), &ignored) == SecondsParse::NotSeconds) return false;
    std::string_view rest = line.substr(close + 1);
    return !rest.empty() && IsSpace(rest[0]) && !NextToken(&rest).empty();
}

} // namespace

TraceFormat TraceFormatFromName(std::string_view name) {
    const std::string n = Lower(name);
    if (n == "candump") return TraceFormat::Candump;
    if (n == "asc") return TraceFormat::Asc;
    if (n == "unit") return TraceFormat::UnitLog;
    if (n == "ctb") return TraceFormat::Ctb;
    return TraceFormat::Unknown;
}

const char* TraceFormatName(TraceFormat format) {
    switch (format) {
    case TraceFormat::Candump:
        return "candump";
    case TraceFormat::Asc:
        return "asc";
    case TraceFormat::UnitLog:
        return "unit";
    case TraceFormat::Ctb:
        return "ctb";
    default:
        return "unknown";
    }
}

TraceFormat TraceFormatOfPath(std::string_view path) {
    const std::string name = Lower(BaseName(path));
    const auto ends = [&name](std::string_view suffix) {
        return name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    if (ends(".ctb")) return TraceFormat::Ctb;
    if (ends(".asc")) return TraceFormat::Asc;
    if (ends("_can1.log") || ends("_can2.log")) return TraceFormat::UnitLog;
    if (ends(".log")) return TraceFormat::Candump;
    return TraceFormat::Unknown;
}

TraceFormat TraceFormatOfInput(std::string_view path, std::string_view bytes) {
    const std::string_view header(kUnitLogHeader, sizeof kUnitLogHeader - 2);
    if (bytes.substr(0, header.size()) == header) return TraceFormat::UnitLog;
    if (bytes.size() >= 4 && bytes.substr(0, 4) == std::string_view("CTB\0", 4))
        return TraceFormat::Ctb;
    if (StartsLikeCandump(bytes)) return TraceFormat::Candump;
    return TraceFormatOfPath(path);
}

void ReadTrace(TraceFormat format, std::string_view bytes, const TraceReadOptions& options,
               TraceReadResult* result) {
    switch (format) {
    case TraceFormat::Candump:
        ReadCandump(bytes, options, result);
        break;
    case TraceFormat::Asc:
        ReadAsc(bytes, options, result);
        break;
    case TraceFormat::UnitLog:
        ReadUnitLog(bytes, options, result);
        break;
    case TraceFormat::Ctb:
        ReadCtb(bytes, options, result);
        break;
    default:
        break;
    }
}

} // namespace pcsim

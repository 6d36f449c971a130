#include "host/trace/TraceFormats.h"

#include "host/trace/AscFormat.h"
#include "host/trace/CandumpFormat.h"
#include "host/trace/CtbFormat.h"
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

TraceFormat TraceFormatOfInput(std::string_view path, std::string_view firstBytes) {
    const std::string_view header(kUnitLogHeader, sizeof kUnitLogHeader - 2);
    if (firstBytes.substr(0, header.size()) == header) return TraceFormat::UnitLog;
    if (firstBytes.size() >= 4 && firstBytes.substr(0, 4) == std::string_view("CTB\0", 4)) return TraceFormat::Ctb;
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

#include "host/canview/CanTrafficModel.h"

namespace pcsim {

namespace {

enum ChronoColumn { kTime, kPort, kDir, kId, kDlc, kData, kChronoColumns };
enum IdColumn { kIdPort, kIdDir, kIdId, kIdCount, kIdPeriod, kIdDlc, kIdData, kIdTime, kIdColumns };

QString IdText(const TapFrame& f) {
    return QStringLiteral("%1").arg(f.id, f.extended ? 8 : 3, 16, QLatin1Char('0')).toUpper();
}

QString DataText(const TapFrame& f) {
    if (f.remote) return QStringLiteral("remote");
    QString text;
    for (int i = 0; i < f.dlc; ++i) {
        if (i > 0) text += QLatin1Char(' ');
        text += QStringLiteral("%1").arg(f.data[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

QString PortText(const TapFrame& f) {
    return QStringLiteral("CAN%1").arg(f.port + 1);
}

QString DirText(const TapFrame& f) {
    return f.sent ? QStringLiteral("Tx") : QStringLiteral("Rx");
}

} // namespace

CanTrafficModel::CanTrafficModel(uint64_t start, QObject* parent) : QAbstractTableModel(parent), startUs(start) {}

void CanTrafficModel::SetMode(Mode m) {
    if (m == mode) return;
    beginResetModel();
    mode = m;
    endResetModel();
}

void CanTrafficModel::Append(const TapFrame* in, uint32_t count) {
    if (count == 0) return;
    framesSeen += count;
    const bool chrono = mode == Mode::Chronological;
    // Chronological rows: the new ones at the end, the oldest beyond the
    // limit away from the top.
    const size_t keep = count > static_cast<uint32_t>(kMaxRows) ? kMaxRows : count;
    const size_t overflow = frames.size() + keep > static_cast<size_t>(kMaxRows) ? frames.size() + keep - kMaxRows : 0;
    if (overflow > 0) {
        if (chrono) beginRemoveRows({}, 0, static_cast<int>(overflow) - 1);
        frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(overflow));
        if (chrono) endRemoveRows();
    }
    if (chrono) beginInsertRows({}, static_cast<int>(frames.size()), static_cast<int>(frames.size() + keep) - 1);
    frames.insert(frames.end(), in + (count - keep), in + count);
    if (chrono) endInsertRows();

    // One row per identifier; identifiers seen for the first time become
    // rows after the known ones, inserted as one block, as long as there
    // is room (29-bit identifiers are far too many to keep them all).
    const size_t known = idRows.size();
    std::vector<IdRow> added;
    for (uint32_t i = 0; i < count; ++i) {
        const TapFrame& f = in[i];
        const IdKey key{f.port, f.sent, f.extended, f.id};
        auto it = idIndex.find(key);
        if (it == idIndex.end()) {
            if (known + added.size() >= static_cast<size_t>(kMaxIdRows)) {
                ++withoutRow;
                continue;
            }
            it = idIndex.emplace(key, known + added.size()).first;
            added.push_back({});
        }
        IdRow& row = it->second < known ? idRows[it->second] : added[it->second - known];
        if (row.count == 0) row.firstUs = f.timeUs;
        row.last = f;
        ++row.count;
    }
    if (!chrono && known > 0) emit dataChanged(index(0, 0), index(static_cast<int>(known) - 1, kIdColumns - 1));
    if (!added.empty()) {
        if (!chrono) beginInsertRows({}, static_cast<int>(known), static_cast<int>(known + added.size()) - 1);
        idRows.insert(idRows.end(), added.begin(), added.end());
        if (!chrono) endInsertRows();
    }
}

void CanTrafficModel::Clear() {
    beginResetModel();
    frames.clear();
    idRows.clear();
    idIndex.clear();
    framesSeen = 0;
    withoutRow = 0;
    endResetModel();
}

int CanTrafficModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return static_cast<int>(mode == Mode::Chronological ? frames.size() : idRows.size());
}

int CanTrafficModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return mode == Mode::Chronological ? int{kChronoColumns} : int{kIdColumns};
}

QString CanTrafficModel::Seconds(uint64_t timeUs) const {
    const double s = timeUs >= startUs ? static_cast<double>(timeUs - startUs) / 1e6 : 0.0;
    return QString::number(s, 'f', 3);
}

QVariant CanTrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::TextAlignmentRole) {
        const bool number = mode == Mode::Chronological
                                ? (index.column() == kTime || index.column() == kDlc)
                                : (index.column() == kIdCount || index.column() == kIdPeriod ||
                                   index.column() == kIdDlc || index.column() == kIdTime);
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (role != Qt::DisplayRole) return {};
    const int row = index.row();
    if (mode == Mode::Chronological) {
        if (row < 0 || row >= static_cast<int>(frames.size())) return {};
        const TapFrame& f = frames[static_cast<size_t>(row)];
        switch (index.column()) {
        case kTime:
            return Seconds(f.timeUs);
        case kPort:
            return PortText(f);
        case kDir:
            return DirText(f);
        case kId:
            return IdText(f);
        case kDlc:
            return f.dlc;
        case kData:
            return DataText(f);
        default:
            return {};
        }
    }
    if (row < 0 || row >= static_cast<int>(idRows.size())) return {};
    const IdRow& r = idRows[static_cast<size_t>(row)];
    switch (index.column()) {
    case kIdPort:
        return PortText(r.last);
    case kIdDir:
        return DirText(r.last);
    case kIdId:
        return IdText(r.last);
    case kIdCount:
        return QVariant::fromValue<qulonglong>(r.count);
    case kIdPeriod:
        // The mean over all frames: a sender that puts several frames out
        // in one burst still shows its cycle time.
        if (r.count < 2 || r.last.timeUs < r.firstUs) return QString();
        return QString::number(static_cast<double>(r.last.timeUs - r.firstUs) / 1000.0 / static_cast<double>(r.count - 1),
                               'f', 1);
    case kIdDlc:
        return r.last.dlc;
    case kIdData:
        return DataText(r.last);
    case kIdTime:
        return Seconds(r.last.timeUs);
    default:
        return {};
    }
}

QVariant CanTrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kChrono[] = {"Time (s)", "Port", "Dir", "ID", "DLC", "Data"};
    static const char* const kById[] = {"Port", "Dir", "ID", "Count", "Period (ms)", "DLC", "Last data", "Last (s)"};
    if (mode == Mode::Chronological) {
        return section >= 0 && section < kChronoColumns ? QString::fromLatin1(kChrono[section]) : QVariant();
    }
    return section >= 0 && section < kIdColumns ? QString::fromLatin1(kById[section]) : QVariant();
}

} // namespace pcsim

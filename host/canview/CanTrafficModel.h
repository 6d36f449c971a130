#pragma once
// The table of View > CAN Traffic: the frames the CAN tap copied, either in
// the order they came (the newest kMaxRows) or one row per identifier with
// its count, its last data and its mean period (the first kMaxIdRows
// identifiers; the frames of any further ones are only counted). Both
// are kept up to date, so switching modes shows the whole story at once.
// Lives on the window's thread.
#include <QAbstractTableModel>
#include <cstdint>
#include <deque>
#include <map>
#include <tuple>
#include <vector>

#include "host/can/CanTap.h"

namespace pcsim {

class CanTrafficModel : public QAbstractTableModel {
  public:
    enum class Mode { Chronological, ByIdentifier };
    static constexpr int kMaxRows = 10000;   // chronological rows kept
    static constexpr int kMaxIdRows = 10000; // rows by identifier

    /* Times are shown as seconds since startUs (the tap's start). */
    explicit CanTrafficModel(uint64_t startUs, QObject* parent = nullptr);

    void SetMode(Mode mode);
    Mode CurrentMode() const { return mode; }
    void Append(const TapFrame* frames, uint32_t count);
    void Clear();
    uint64_t FramesSeen() const { return framesSeen; }
    /* Frames whose identifier found no row by identifier, the rows being
     * all taken; since the last Clear. */
    uint64_t FramesWithoutRow() const { return withoutRow; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    /* One identifier of one port and direction. */
    struct IdRow {
        TapFrame last;           // the newest frame
        uint64_t count = 0;      // frames so far
        uint64_t firstUs = 0;    // time of the first frame
    };
    using IdKey = std::tuple<uint8_t, uint8_t, uint8_t, uint32_t>; // port, sent, extended, id

    QString Seconds(uint64_t timeUs) const;

    const uint64_t startUs;
    Mode mode = Mode::Chronological;
    std::deque<TapFrame> frames;         // chronological rows, oldest first
    std::vector<IdRow> idRows;           // by first appearance
    std::map<IdKey, size_t> idIndex;     // key -> index in idRows
    uint64_t framesSeen = 0;             // since the last Clear
    uint64_t withoutRow = 0;             // frames of further identifiers, since the last Clear
};

} // namespace pcsim

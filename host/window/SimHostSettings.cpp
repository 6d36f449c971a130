// SimHost: the six persisted settings. They live in QSettings("VELK",
// "Simulator") as byte arrays of fixed sizes, integers little-endian, the
// same bytes the program has always stored. Read once at construction,
// written once at destruction.
#include <QByteArray>
#include <QSettings>
#include <array>
#include <cstring>

#include "host/serial/SerialPort.h"
#include "host/window/SimHost.h"

namespace pcsim {

namespace {
constexpr char kOrganisation[] = "VELK";
constexpr char kApplication[] = "Simulator";

constexpr char kMainWindowTopLeft[] = "MainWindowTopLeft"; // 8 bytes: x, y
constexpr char kZoomFactor[] = "ZoomFactor";               // 4 bytes
constexpr char kGridEnabled[] = "GridEnabled";             // 4 bytes
constexpr char kGridWidth[] = "GridWidth";                 // 4 bytes
constexpr char kComPort[] = "COMPort";                     // 1 byte
constexpr char kComPortConnected[] = "COMPortConnected";   // 4 bytes

template <size_t N> using Bytes = std::array<uint8_t, N>;

template <size_t N> Bytes<N * 4> Encode(const std::array<int32_t, N>& values) {
    Bytes<N * 4> out{};
    for (size_t i = 0; i < N; ++i) {
        const uint32_t v = static_cast<uint32_t>(values[i]);
        for (size_t b = 0; b < 4; ++b)
            out[i * 4 + b] = static_cast<uint8_t>(v >> (8 * b));
    }
    return out;
}

template <size_t N> std::array<int32_t, N> Decode(const Bytes<N * 4>& bytes) {
    std::array<int32_t, N> out{};
    for (size_t i = 0; i < N; ++i) {
        uint32_t v = 0;
        for (size_t b = 0; b < 4; ++b)
            v |= static_cast<uint32_t>(bytes[i * 4 + b]) << (8 * b);
        out[i] = static_cast<int32_t>(v);
    }
    return out;
}

/* Overlay a stored value on the bytes of its default, as a fixed-size read
 * buffer would: a missing value, or one longer than the buffer, leaves the
 * default; a shorter one replaces only its leading bytes. */
template <size_t N> void Read(const QSettings& settings, const char* name, Bytes<N>* buffer) {
    const QVariant stored = settings.value(QString::fromLatin1(name));
    if (!stored.isValid()) return;
    const QByteArray bytes = stored.toByteArray();
    if (static_cast<size_t>(bytes.size()) > N) return;
    std::memcpy(buffer->data(), bytes.constData(), static_cast<size_t>(bytes.size()));
}

template <size_t N>
void ReadInts(const QSettings& settings, const char* name, std::array<int32_t, N>* values) {
    Bytes<N* 4> buffer = Encode(*values);
    Read(settings, name, &buffer);
    *values = Decode<N>(buffer);
}

void ReadInt(const QSettings& settings, const char* name, int32_t* value) {
    std::array<int32_t, 1> one{*value};
    ReadInts(settings, name, &one);
    *value = one[0];
}

template <size_t N> void Write(QSettings& settings, const char* name, const Bytes<N>& bytes) {
    settings.setValue(
        QString::fromLatin1(name),
        QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(N)));
}

void WriteInt(QSettings& settings, const char* name, int32_t value) {
    Write(settings, name, Encode(std::array<int32_t, 1>{value}));
}

bool IsZoom(int32_t z) {
    return z == 1 || z == 2 || z == 4;
}
bool IsGridWidth(int32_t w) {
    return w == 40 || w == 20 || w == 10 || w == 5;
}
} // namespace

void SimHost::LoadSettings() {
    const QSettings settings(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    ReadInts(settings, kMainWindowTopLeft, &windowPos);
    ReadInt(settings, kZoomFactor, &zoom);
    ReadInt(settings, kGridEnabled, &gridEnabled);
    ReadInt(settings, kGridWidth, &gridWidth);
    Bytes<1> port{comPortNumber};
    Read(settings, kComPort, &port);
    comPortNumber = port[0];
    ReadInt(settings, kComPortConnected, &comPortConnected);

    // Zoom and grid width size bitmaps and divide coordinates: anything
    // else than the menu's values falls back to the defaults.
    if (!IsZoom(zoom)) zoom = kDefaultZoom;
    if (!IsGridWidth(gridWidth)) gridWidth = kDefaultGridWidth;
    if (gridEnabled != 0 && gridEnabled != 1) gridEnabled = 0;
}

void SimHost::SaveSettings() {
    QSettings settings(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    Write(settings, kMainWindowTopLeft, Encode(windowPos));
    WriteInt(settings, kZoomFactor, zoom);
    WriteInt(settings, kGridEnabled, gridEnabled);
    WriteInt(settings, kGridWidth, gridWidth);
    // What the port is at exit, whatever it was at start.
    Write(settings, kComPort, Bytes<1>{static_cast<uint8_t>(serialPort->GetPortNumber())});
    WriteInt(settings, kComPortConnected, serialPort->IsOpen() ? 1 : 0);
    settings.sync();
}

} // namespace pcsim

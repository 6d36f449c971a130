#include "host/canview/CanTrafficView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace pcsim {

namespace {
constexpr uint32_t kBatchFrames = 512;

CanTapRing& Ring() {
    return CanTapRingOf(TapReader::TrafficView);
}
} // namespace

CanTrafficView::CanTrafficView(QWidget* parent) : QWidget(parent, Qt::Window), model(CanTapStartUs()) {
    setWindowTitle(QStringLiteral("CAN Traffic"));
    table = new QTableView(this);
    table->setModel(&model);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), font().pointSize()));

    chronological = new QRadioButton(QStringLiteral("&Chronological"), this);
    byIdentifier = new QRadioButton(QStringLiteral("By &identifier"), this);
    chronological->setChecked(true);
    pause = new QPushButton(QStringLiteral("&Pause"), this);
    pause->setCheckable(true);
    auto* clear = new QPushButton(QStringLiteral("C&lear"), this);
    status = new QLabel(this);

    auto* bar = new QHBoxLayout;
    bar->addWidget(chronological);
    bar->addWidget(byIdentifier);
    bar->addStretch();
    bar->addWidget(pause);
    bar->addWidget(clear);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(table);
    layout->addWidget(status);

    connect(chronological, &QRadioButton::toggled, this, [this](bool on) {
        if (on) SetMode(CanTrafficModel::Mode::Chronological);
    });
    connect(byIdentifier, &QRadioButton::toggled, this, [this](bool on) {
        if (on) SetMode(CanTrafficModel::Mode::ByIdentifier);
    });
    connect(pause, &QPushButton::toggled, this, [this](bool) { UpdateTap(); });
    connect(clear, &QPushButton::clicked, this, &CanTrafficView::Clear);
    connect(&timer, &QTimer::timeout, this, &CanTrafficView::Refresh);
    resize(640, 420);
    UpdateStatus();
}

CanTrafficView::~CanTrafficView() {
    Ring().SetEnabled(false);
}

void CanTrafficView::Refresh() {
    TapFrame batch[kBatchFrames];
    uint32_t n = 0;
    while ((n = Ring().Take(batch, kBatchFrames)) > 0) {
        if (!Paused()) model.Append(batch, n);
    }
    const bool follow = model.CurrentMode() == CanTrafficModel::Mode::Chronological && !Paused();
    if (!sized && model.rowCount() > 0) {
        table->resizeColumnsToContents();
        sized = true;
    }
    if (follow) table->scrollToBottom();
    UpdateStatus();
}

void CanTrafficView::SetPaused(bool paused) {
    pause->setChecked(paused);
}

bool CanTrafficView::Paused() const {
    return pause->isChecked();
}

void CanTrafficView::SetMode(CanTrafficModel::Mode mode) {
    (mode == CanTrafficModel::Mode::Chronological ? chronological : byIdentifier)->setChecked(true);
    model.SetMode(mode);
    table->resizeColumnsToContents();
}

void CanTrafficView::Clear() {
    model.Clear();
    droppedAtClear = Ring().Dropped();
    UpdateStatus();
}

QString CanTrafficView::StatusText() const {
    return status->text();
}

void CanTrafficView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateTap();
}

void CanTrafficView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    UpdateTap();
}

void CanTrafficView::UpdateTap() {
    const bool running = isVisible() && !Paused();
    if (running && !Ring().Enabled()) {
        // What waited from an earlier showing is stale.
        Ring().DiscardWaiting();
        Ring().SetEnabled(true);
        timer.start(kRefreshMs);
    } else if (!running && Ring().Enabled()) {
        Ring().SetEnabled(false);
        timer.stop();
    }
    pause->setText(Paused() ? QStringLiteral("&Resume") : QStringLiteral("&Pause"));
    UpdateStatus();
}

void CanTrafficView::UpdateStatus() {
    QString text = QStringLiteral("%1 frames").arg(model.FramesSeen());
    const uint64_t dropped = Ring().Dropped() - droppedAtClear;
    if (dropped > 0) text += QStringLiteral(", %1 not shown (the view fell behind)").arg(dropped);
    if (model.FramesWithoutRow() > 0)
        text += QStringLiteral(", %1 without a row by identifier (%2 identifiers at most)")
                    .arg(model.FramesWithoutRow())
                    .arg(CanTrafficModel::kMaxIdRows);
    if (Paused()) text += QStringLiteral(", paused");
    status->setText(text);
}

} // namespace pcsim

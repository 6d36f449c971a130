#include "host/window/DisplayWidget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "host/window/SimHost.h"

namespace pcsim {

DisplayWidget::DisplayWidget(SimHost* owner) : QWidget(owner), host(owner) {
    setMouseTracking(true);                // tooltip and cursor follow the pointer
    setAttribute(Qt::WA_OpaquePaintEvent); // every paint covers the whole area
}

void DisplayWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    host->OnPaint(painter, event->rect());
}

void DisplayWidget::mouseMoveEvent(QMouseEvent* event) {
    host->OnMouseMove(event->position().toPoint());
}

void DisplayWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) host->OnMouseButton(event->position().toPoint(), true);
}

void DisplayWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) host->OnMouseButton(event->position().toPoint(), false);
}

void DisplayWidget::leaveEvent(QEvent*) {
    host->OnMouseLeave();
}

} // namespace pcsim

#pragma once
// The window's client area: paints through SimHost::OnPaint and hands mouse
// movement and left-button clicks to SimHost.
#include <QWidget>

namespace pcsim {

class SimHost;

class DisplayWidget : public QWidget {
  public:
    explicit DisplayWidget(SimHost* host);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    SimHost* host;
};

} // namespace pcsim

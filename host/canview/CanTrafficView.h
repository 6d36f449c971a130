#pragma once
// View > CAN Traffic: a window of its own with the live traffic of both
// CAN ports. While it is shown (and not paused) the CAN tap copies frames
// into the view's ring; a timer on the window's thread takes them out and
// fills the table. Hidden or paused, the tap copies nothing for it, so the
// device does not pay for a view nobody looks at.
#include <QTimer>
#include <QWidget>

#include "host/canview/CanTrafficModel.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;

namespace pcsim {

class CanTrafficView : public QWidget {
  public:
    static constexpr int kRefreshMs = 100;

    explicit CanTrafficView(QWidget* parent = nullptr);
    ~CanTrafficView() override;

    /* Take what the tap has copied (the timer does this). */
    void Refresh();
    CanTrafficModel& Model() { return model; }
    QTableView* Table() const { return table; }
    void SetPaused(bool paused);
    bool Paused() const;
    void SetMode(CanTrafficModel::Mode mode);
    void Clear();
    QString StatusText() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    /* Let the tap copy for the view while it is shown and running. */
    void UpdateTap();
    void UpdateStatus();

    CanTrafficModel model;
    QTableView* table = nullptr;
    QRadioButton* chronological = nullptr;
    QRadioButton* byIdentifier = nullptr;
    QPushButton* pause = nullptr;
    QLabel* status = nullptr;
    QTimer timer;
    bool sized = false;          // columns fitted to the first rows shown
    uint64_t droppedAtClear = 0; // the ring's drop count when the table was last cleared
};

} // namespace pcsim

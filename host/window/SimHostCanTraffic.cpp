// SimHost: View › CAN Traffic opens the traffic window (one per program;
// asking again brings it to the front).
#include "host/canview/CanTrafficView.h"
#include "host/window/SimHost.h"

namespace pcsim {

void SimHost::ShowCanTraffic() {
    if (!canTraffic) canTraffic = new CanTrafficView(this);
    canTraffic->show();
    canTraffic->raise();
    canTraffic->activateWindow();
}

} // namespace pcsim

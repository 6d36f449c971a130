#pragma once
// Menu command identifiers. The numbers are those the program has always
// used for its commands; OnCommand dispatches on them.

namespace pcsim {

enum MenuId : int {
    kMenuSaveScreen = 40001,
    kMenuExit = 40002,
    kMenuUart = 40004,
    kMenuPlay = 40005,
    kMenuPause = 40006,
    kMenuZoom1 = 40007,
    kMenuZoom2 = 40008,
    kMenuZoom4 = 40009,
    kMenuGrid40 = 40010,
    kMenuGrid20 = 40011,
    kMenuGrid10 = 40012,
    kMenuGrid5 = 40013,
    kMenuNoGrid = 40014,
    kMenuEvent1 = 40016,
    kMenuEvent2 = 40017,
    kMenuUsbInsert = 40201, // Simulate › USB Stick › Insert
    kMenuUsbEject = 40202,  // Simulate › USB Stick › Eject
    kMenuCanTraffic = 40301, // View › CAN Traffic
    kMenuStep = 40030, // Simulate > Step: one iteration while paused
};

} // namespace pcsim

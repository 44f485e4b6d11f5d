#pragma once
// A whole simulated machine: every service, one trace, one clock.

#include "platform/Platform.h"
#include "platform/sim/SimClockCounter.h"
#include "platform/sim/SimDde.h"
#include "platform/sim/SimFiles.h"
#include "platform/sim/SimMedia.h"
#include "platform/sim/SimMixer.h"
#include "platform/sim/SimMovie.h"
#include "platform/sim/SimPrinter.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimShell.h"
#include "platform/sim/SimUi.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

class SimMachine {
public:
    // A machine with drive C: (fixed, 10 GB free), "C:\Program Files" and its
    // registry value, "C:\Windows" and "C:\Documents and Settings" as the system's
    // own folders, and no mixer device.
    SimMachine();
    SimMachine(const SimMachine&) = delete;
    SimMachine& operator=(const SimMachine&) = delete;

    Trace trace;
    SimUi ui;
    SimRegistry registry;
    SimFiles files;
    SimShell shell;
    SimProcess process;
    SimMedia media;
    SimMixer mixer;
    SimDde dde;
    SimMovieService movie;
    SimPrinter printer;
    SimClockCounter clock;

    Platform platform() {
        return Platform{ui, registry, files, shell, process, media, mixer, dde, movie, printer, clock};
    }
};

}  // namespace vel::sim

#pragma once
// The set of platform services the program runs on, chosen once by the entry point.

#include "platform/ClockCounter.h"
#include "platform/Dde.h"
#include "platform/Files.h"
#include "platform/MediaControl.h"
#include "platform/Mixer.h"
#include "platform/MoviePlayer.h"
#include "platform/Printer.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Ui.h"

namespace vel {

struct Platform {
    Ui& ui;
    Registry& registry;
    FileSystem& files;
    Shell& shell;
    Process& process;
    MediaControl& media;
    Mixer& mixer;
    Dde& dde;
    MovieService& movie;
    Printer& printer;
    ClockCounter& clock;
};

}  // namespace vel

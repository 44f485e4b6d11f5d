#pragma once
// Factories of the real services. Each implementation lives in its own file with its
// class hidden; WinMain.cpp picks the set once. Create and use them all on the
// window thread.

#include <functional>
#include <memory>

#include "platform/Dde.h"
#include "platform/Files.h"
#include "platform/MediaControl.h"
#include "platform/Mixer.h"
#include "platform/Printer.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Ui.h"

namespace vel::win32 {

std::unique_ptr<Registry> CreateWinRegistry();       // WinRegistry.cpp
std::unique_ptr<FileSystem> CreateWinFileSystem();   // WinFiles.cpp
std::unique_ptr<Shell> CreateWinShell();             // WinShell.cpp
// onFirstSleep runs once, just before the program's first wait begins.
std::unique_ptr<Process> CreateWinProcess(std::function<void()> onFirstSleep = nullptr);  // WinProcess.cpp
// The DDE management library as a client; throws Error when it cannot start.
std::unique_ptr<Dde> CreateWinDde();                 // WinDde.cpp
std::unique_ptr<Ui> CreateWinUi();                   // WinUi.cpp

// The devices have their own headers: MciMediaControl.h, WinMixer.h, WinPrinter.h,
// and MovieHost.h for the movie player control.

}  // namespace vel::win32

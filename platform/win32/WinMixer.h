#pragma once
// The sound mixer over winmm in its ANSI record forms. Change notices of an opened
// device are posted to a hidden message-only window of the service and reach the
// callback given to Open through the thread's message loop; create and use the
// service on the window thread. Link: winmm, user32.

#include <memory>

#include "platform/Mixer.h"

namespace vel::win32 {

std::unique_ptr<Mixer> CreateWinMixer();

}  // namespace vel::win32

#pragma once
// The media control over the real MCI (winmm, wide calls). Each play's notice is posted
// by the device to a hidden message-only window of the service, made for that play, and
// reaches the callback given to Play through the thread's message loop: create and use
// the service on the window thread. Link: winmm, user32.

#include <memory>

#include "platform/MediaControl.h"

namespace vel::win32 {

std::unique_ptr<MediaControl> CreateMciMediaControl();

}  // namespace vel::win32

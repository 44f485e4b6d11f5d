#pragma once
// The media control interface (MCI): one device per open element, auto-selected
// by the system from the file. Every call returns the MCI error code, 0 on success.
// This seam keeps MCI's shape on purpose: the program's media player
// (media/MediaPlayer) builds its behaviour on these calls (opening, the error texts
// it raises, the notices of a play), so another backend answers in these terms,
// with its own codes and texts.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Types.h"

namespace vel {

using MciError = std::uint32_t;
using MciDevice = std::uint32_t;

// MM_MCINOTIFY values.
namespace notify {
constexpr std::uint32_t Successful = 1;
constexpr std::uint32_t Superseded = 2;
constexpr std::uint32_t Aborted = 4;
constexpr std::uint32_t Failure = 8;
}  // namespace notify

class MediaControl {
public:
    MediaControl() = default;
    MediaControl(const MediaControl&) = delete;
    MediaControl& operator=(const MediaControl&) = delete;
    virtual ~MediaControl() = default;

    // MCI_OPEN with MCI_OPEN_ELEMENT, no type, not shareable, waiting.
    virtual MciError Open(const std::string& element, MciDevice& device) = 0;
    // mciGetErrorStringA.
    virtual std::string ErrorText(MciError error) = 0;
    virtual bool HasVideo(MciDevice device) = 0;
    virtual Size NaturalSize(MciDevice device) = 0;
    // MCI_WINDOW with MCI_DGV_WINDOW_HWND.
    virtual MciError SetWindow(MciDevice device, WindowHandle window) = 0;
    // MCI_PUT destination rectangle in the display window's client coordinates.
    virtual MciError PutDestination(MciDevice device, Rect rect) = 0;
    // True when the position is at the end of the media.
    virtual bool AtEnd(MciDevice device) = 0;
    virtual MciError SeekToStart(MciDevice device) = 0;
    // MCI_PLAY with MCI_NOTIFY; returns at once. The notice reaches onNotify later,
    // through the message loop, once per play that ends, is stopped, superseded or closed.
    // A refused play returns its error and brings no notice.
    virtual MciError Play(MciDevice device, std::function<void(std::uint32_t)> onNotify) = 0;
    virtual MciError Stop(MciDevice device) = 0;
    virtual MciError Close(MciDevice device) = 0;
};

}  // namespace vel

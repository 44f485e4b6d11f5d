#pragma once
// TMediaPlayer: one hidden player object over the media control interface, with at
// most one device open. Errors are raised with the device's error text.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/MediaControl.h"
#include "platform/Types.h"

namespace vel {

class TMediaPlayer {
public:
    explicit TMediaPlayer(MediaControl& media) : m_media(media) {}
    TMediaPlayer(const TMediaPlayer&) = delete;
    TMediaPlayer& operator=(const TMediaPlayer&) = delete;
    ~TMediaPlayer();

    std::string FileName;
    // dtAutoSelect and the wait flag are the only settings used; kept for clarity.
    bool Wait = false;

    // Closes an open device first; raises Error(device's error text) on failure.
    void Open();
    // Sent at once while a device with video is open, else applied at the next open.
    void SetDisplay(WindowHandle window);
    // Sent only while a device with video is open; raises on a refusal.
    void SetDisplayRect(Rect rect);
    // Starts playing with a notice; false when the device refuses the play, which
    // raises nothing and brings no notice.
    bool Play();
    // Raises "No MCI device open." when nothing is open.
    void Stop();
    // Nothing happens when no device is open.
    void Close();
    bool HasVideo() const { return m_hasVideo; }
    Size NaturalSize() const { return m_size; }

    // Raised for every notice the device delivers (value: notify::*), through the
    // message loop. A notice of a device closed since (by Close or by the next Open)
    // is dropped: it belongs to a play that is over and must not end the next one.
    std::function<void(std::uint32_t)> OnNotify;

private:
    void Check(MciError error);
    void RequireOpen();
    MediaControl& m_media;
    std::optional<MciDevice> m_device;
    bool m_hasVideo = false;
    Size m_size;
    WindowHandle m_display = 0;
    // Counts opens and closes; a notice carries the count of its play. Shared with
    // the notices still on their way, which outlive neither the player nor a close.
    std::shared_ptr<std::uint64_t> m_generation = std::make_shared<std::uint64_t>(0);
};

}  // namespace vel

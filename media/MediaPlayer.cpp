#include "media/MediaPlayer.h"

#include "runtime/Errors.h"

namespace vel {

TMediaPlayer::~TMediaPlayer() {
    if (m_device) m_media.Close(*m_device);
}

void TMediaPlayer::Check(MciError error) {
    if (error != 0) throw Error(m_media.ErrorText(error));
}

void TMediaPlayer::RequireOpen() {
    if (!m_device) throw Error("No MCI device open.");
}

void TMediaPlayer::Open() {
    Close();
    MciDevice device = 0;
    Check(m_media.Open(FileName, device));
    m_device = device;
    ++*m_generation;
    m_hasVideo = m_media.HasVideo(device);
    m_size = m_hasVideo ? m_media.NaturalSize(device) : Size{};
    if (m_display && m_hasVideo) m_media.SetWindow(device, m_display);
    Wait = false;
}

void TMediaPlayer::SetDisplay(WindowHandle window) {
    m_display = window;
    if (m_device && m_hasVideo) Check(m_media.SetWindow(*m_device, window));
}

void TMediaPlayer::SetDisplayRect(Rect rect) {
    if (m_device && m_hasVideo) Check(m_media.PutDestination(*m_device, rect));
}

bool TMediaPlayer::Play() {
    RequireOpen();
    if (m_media.AtEnd(*m_device)) m_media.SeekToStart(*m_device);
    // The notice goes to whoever handles OnNotify when it arrives.
    std::weak_ptr<std::uint64_t> generation = m_generation;
    const std::uint64_t mine = *m_generation;
    return m_media.Play(*m_device, [this, generation, mine](std::uint32_t value) {
        auto current = generation.lock();
        if (!current || *current != mine) return;
        if (OnNotify) OnNotify(value);
    }) == 0;
}

void TMediaPlayer::Stop() {
    RequireOpen();
    Check(m_media.Stop(*m_device));
}

void TMediaPlayer::Close() {
    if (!m_device) return;
    MciDevice device = *m_device;
    m_device.reset();
    m_hasVideo = false;
    ++*m_generation;
    m_media.Close(device);
}

}  // namespace vel

#include "platform/win32/MciMediaControl.h"

#include "platform/win32/Win32.h"
// Win32.h first: the multimedia headers rely on its types.
#include <digitalv.h>
#include <mmsystem.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/LateBound.h"
#include "platform/win32/NoticeWindow.h"
#include "platform/win32/WinText.h"

namespace vel::win32 {
namespace {

// The program's text is code page 1251 whatever the system's ANSI code page is, so
// the element name goes through the wide call rather than mciSendCommandA.

MCIERROR Send(MciDevice device, UINT command, DWORD_PTR flags, void* params) {
    return late::mciSendCommandW.CallOr(MCIERR_DEVICE_NOT_INSTALLED, device, command, flags,
                                                 reinterpret_cast<DWORD_PTR>(params));
}

// Commands without parameters of their own still need a block: some devices refuse
// a null one (MCIERR_NULL_PARAMETER_BLOCK) even where MCI says it is optional.
MCIERROR SendPlain(MciDevice device, UINT command, DWORD_PTR flags) {
    MCI_GENERIC_PARMS params{};
    return Send(device, command, flags, &params);
}

// MCI_MODE_PLAY, MCI_MODE_STOP..., 0 when the device does not say.
DWORD_PTR Mode(MciDevice device) {
    MCI_STATUS_PARMS params{};
    params.dwItem = MCI_STATUS_MODE;
    return Send(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, &params) == 0 ? params.dwReturn : 0;
}

class MciMediaControl final : public MediaControl {
public:
    ~MciMediaControl() override;

    MciError Open(const std::string& element, MciDevice& device) override;
    std::string ErrorText(MciError error) override;
    bool HasVideo(MciDevice device) override;
    Size NaturalSize(MciDevice device) override;
    MciError SetWindow(MciDevice device, WindowHandle window) override;
    MciError PutDestination(MciDevice device, Rect rect) override;
    bool AtEnd(MciDevice device) override;
    MciError SeekToStart(MciDevice device) override;
    MciError Play(MciDevice device, std::function<void(std::uint32_t)> onNotify) override;
    MciError Stop(MciDevice device) override;
    MciError Close(MciDevice device) override;

private:
    // A play still owed its notice, with the hidden window the device posts it to.
    // A window per play, not one shared: MM_MCINOTIFY names only the device, whose id
    // MCI hands out again right after a close, so a notice of a closed device's play
    // could end a play of the next one. The first notice to reach the window is the
    // play's; the window then goes, and whatever is posted to it after is dropped.
    struct Owed {
        MciDevice device = 0;
        bool deviceOpen = true;  // false once its device was closed: the id may be reused
        std::unique_ptr<NoticeWindow> window;
        std::function<void(std::uint32_t)> callback;
    };

    void OnNotice(HWND window, std::uint32_t value);
    // Ends the device's plays still owed a notice with `value`, except those whose
    // notice is already waiting. With `stopped`, the device's latest play was running
    // and is ended with `value` whatever the device posted for it.
    void EndOwed(MciDevice device, std::uint32_t value, bool stopped);

    std::vector<MciDevice> m_open;
    std::vector<std::unique_ptr<Owed>> m_owed;
};

MciMediaControl::~MciMediaControl() {
    // Callbacks die with their owner: close what is open, drop what is owed.
    for (MciDevice device : m_open) SendPlain(device, MCI_CLOSE, MCI_WAIT);
}

void MciMediaControl::OnNotice(HWND window, std::uint32_t value) {
    auto it = std::find_if(m_owed.begin(), m_owed.end(), [window](const auto& o) { return o->window->Get() == window; });
    if (it == m_owed.end()) return;
    auto callback = std::move((*it)->callback);
    // Destroying a window from inside its own procedure is allowed. The callback runs
    // last: it may open, play or close devices and so change m_owed.
    m_owed.erase(it);
    if (callback) callback(value);
}

void MciMediaControl::EndOwed(MciDevice device, std::uint32_t value, bool stopped) {
    Owed* latest = nullptr;
    for (auto& owed : m_owed)
        if (owed->device == device && owed->deviceOpen) latest = owed.get();
    for (auto& owed : m_owed) {
        if (owed->device != device || !owed->deviceOpen) continue;
        HWND window = owed->window->Get();
        MSG waiting;
        if (stopped && owed.get() == latest) {
            // Wine's AVI device reports a stopped play as SUCCESSFUL; Windows' as ABORTED.
            while (PeekMessageW(&waiting, window, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
            }
        } else if (PeekMessageW(&waiting, window, MM_MCINOTIFY, MM_MCINOTIFY, PM_NOREMOVE)) {
            continue;  // the device has spoken (Windows posts inside the call)
        }
        PostMessageW(window, MM_MCINOTIFY, value, static_cast<LPARAM>(device));
    }
}

MciError MciMediaControl::Open(const std::string& element, MciDevice& device) {
    const std::wstring name = Wide(element);
    MCI_OPEN_PARMSW params{};
    params.lpstrElementName = name.c_str();
    // No MCI_OPEN_TYPE: the system picks the device from the file. Not shareable.
    if (MCIERROR error = Send(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, &params)) return error;
    device = params.wDeviceID;
    m_open.push_back(device);
    return 0;
}

std::string MciMediaControl::ErrorText(MciError error) {
    wchar_t text[MAXERRORLENGTH] = {};
    if (!late::mciGetErrorStringW.CallOr(FALSE, error, text, MAXERRORLENGTH) || !text[0])
        return "MCI error " + std::to_string(error) + ".";
    return Ansi(text);
}

bool MciMediaControl::HasVideo(MciDevice device) {
    MCI_GETDEVCAPS_PARMS params{};
    params.dwItem = MCI_GETDEVCAPS_HAS_VIDEO;
    return Send(device, MCI_GETDEVCAPS, MCI_GETDEVCAPS_ITEM | MCI_WAIT, &params) == 0 && params.dwReturn != 0;
}

Size MciMediaControl::NaturalSize(MciDevice device) {
    MCI_DGV_RECT_PARMS params{};
    // MCI rectangles carry width and height in right and bottom.
    if (Send(device, MCI_WHERE, MCI_DGV_WHERE_SOURCE | MCI_WAIT, &params) != 0) return {};
    return Size{static_cast<int>(params.rc.right), static_cast<int>(params.rc.bottom)};
}

MciError MciMediaControl::SetWindow(MciDevice device, WindowHandle window) {
    MCI_DGV_WINDOW_PARMSW params{};
    params.hWnd = reinterpret_cast<HWND>(window);
    return Send(device, MCI_WINDOW, MCI_DGV_WINDOW_HWND | MCI_WAIT, &params);
}

MciError MciMediaControl::PutDestination(MciDevice device, Rect rect) {
    // No size means the natural size. Said explicitly: leaving MCI_DGV_RECT out to get
    // the device's default is refused by Wine's DirectShow-based device.
    if (rect.width == 0 && rect.height == 0) {
        const Size natural = NaturalSize(device);
        rect.width = natural.width;
        rect.height = natural.height;
    }
    MCI_DGV_PUT_PARMS params{};
    // left, top, width, height, as MCI wants them, not a RECT's corners.
    params.rc = RECT{rect.left, rect.top, rect.width, rect.height};
    if (MCIERROR error = Send(device, MCI_PUT, MCI_DGV_PUT_DESTINATION | MCI_DGV_RECT | MCI_WAIT, &params))
        return error;
    if (rect.left == 0 && rect.top == 0) return 0;  // both readings agree
    // Wine's MPEG device reads right and bottom as corners and so draws the picture
    // left and top pixels short of the rectangle's far edges. It tells so when asked
    // where the picture is: then give it the corners it expects.
    MCI_DGV_RECT_PARMS where{};
    if (Send(device, MCI_WHERE, MCI_DGV_WHERE_DESTINATION | MCI_WAIT, &where) != 0) return 0;
    const LONG shortWidth = rect.width - rect.left, shortHeight = rect.height - rect.top;
    if (where.rc.right != shortWidth || where.rc.bottom != shortHeight) return 0;
    params.rc = RECT{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
    Send(device, MCI_PUT, MCI_DGV_PUT_DESTINATION | MCI_DGV_RECT | MCI_WAIT, &params);
    return 0;
}

bool MciMediaControl::AtEnd(MciDevice device) {
    MCI_STATUS_PARMS length{};
    length.dwItem = MCI_STATUS_LENGTH;
    MCI_STATUS_PARMS position{};
    position.dwItem = MCI_STATUS_POSITION;
    if (Send(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, &length) != 0 ||
        Send(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, &position) != 0)
        return false;
    // A played AVI rests on its last frame: Wine reports length - 1 there, Windows
    // the length. Either way a play from here would end at once.
    return position.dwReturn + 1 >= length.dwReturn;
}

MciError MciMediaControl::SeekToStart(MciDevice device) {
    MCI_SEEK_PARMS params{};
    return Send(device, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, &params);
}

MciError MciMediaControl::Play(MciDevice device, std::function<void(std::uint32_t)> onNotify) {
    if (std::find(m_open.begin(), m_open.end(), device) == m_open.end()) return MCIERR_INVALID_DEVICE_ID;
    auto owed = std::make_unique<Owed>();
    owed->device = device;
    owed->callback = std::move(onNotify);
    owed->window = std::make_unique<NoticeWindow>([this](HWND window, UINT message, WPARAM wParam, LPARAM) {
        if (message != MM_MCINOTIFY) return false;
        OnNotice(window, static_cast<std::uint32_t>(wParam));
        return true;
    });
    if (!*owed->window) return MCIERR_OUT_OF_MEMORY;

    MCI_PLAY_PARMS params{};
    params.dwCallback = reinterpret_cast<DWORD_PTR>(owed->window->Get());
    // MCI_NOTIFY without MCI_WAIT: returns at once, the notice comes as a message.
    if (MCIERROR error = Send(device, MCI_PLAY, MCI_NOTIFY, &params)) return error;  // no notice owed
    // The device supersedes a play still running; one that does not say so still has.
    EndOwed(device, MCI_NOTIFY_SUPERSEDED, false);
    m_owed.push_back(std::move(owed));
    return 0;
}

MciError MciMediaControl::Stop(MciDevice device) {
    if (std::find(m_open.begin(), m_open.end(), device) == m_open.end()) return MCIERR_INVALID_DEVICE_ID;
    const bool playing = Mode(device) == MCI_MODE_PLAY;
    MCIERROR error = SendPlain(device, MCI_STOP, MCI_WAIT);
    if (error != 0 && error < MCIERR_BASE) {
        // Wine's AVI device stops, then reports the failed reset of a sound output it
        // never had (no sound device): a wave-layer code, not an MCI one. Stopped is stopped.
        if (Mode(device) == MCI_MODE_STOP) error = 0;
    }
    if (error == 0) EndOwed(device, MCI_NOTIFY_ABORTED, playing);
    return error;
}

MciError MciMediaControl::Close(MciDevice device) {
    auto open = std::find(m_open.begin(), m_open.end(), device);
    if (open == m_open.end()) return MCIERR_INVALID_DEVICE_ID;
    const bool playing = Mode(device) == MCI_MODE_PLAY;
    if (MCIERROR error = SendPlain(device, MCI_CLOSE, MCI_WAIT)) return error;
    m_open.erase(open);
    EndOwed(device, MCI_NOTIFY_ABORTED, playing);
    for (auto& owed : m_owed)
        if (owed->device == device) owed->deviceOpen = false;
    return 0;
}

}  // namespace

std::unique_ptr<MediaControl> CreateMciMediaControl() { return std::make_unique<MciMediaControl>(); }

}  // namespace vel::win32

#include "platform/win32/WinMixer.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the multimedia header relies on its types.
#include <mmsystem.h>

#include <algorithm>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "runtime/Text.h"

namespace vel::win32 {
namespace {

// The record sizes the program's mixer requests are built for (ANSI forms, 32-bit).
static_assert(sizeof(MIXERCAPSA) == 48);
static_assert(sizeof(MIXERLINEA) == 168);
static_assert(sizeof(MIXERLINECONTROLSA) == 24);
static_assert(sizeof(MIXERCONTROLA) == 148);
static_assert(sizeof(MIXERCONTROLDETAILS) == 24);

struct WindowDeleter {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

constexpr wchar_t kNoticeClass[] = L"VelvinorMixerNotice";

// The ANSI records carry names in the system's ANSI code page; the program's text is
// code page 1251 whatever that is.
std::string NameFromSystem(const char* name) {
    wchar_t wide[MIXER_LONG_NAME_CHARS + 1] = {};
    int n = MultiByteToWideChar(CP_ACP, 0, name, -1, wide, MIXER_LONG_NAME_CHARS + 1);
    if (n <= 1) return {};
    return WideToAnsi(std::u16string(wide, wide + n - 1));
}

// A device is addressed by its index, as MIXER_OBJECTF_MIXER (0) says.
HMIXEROBJ ById(std::uint32_t device) { return reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(device)); }

MixerLine FromRecord(const MIXERLINEA& record) {
    MixerLine line;
    line.destination = record.dwDestination;
    line.source = record.dwSource;
    line.lineId = record.dwLineID;
    line.componentType = record.dwComponentType;
    line.connections = record.cConnections;
    line.controls = record.cControls;
    line.name = NameFromSystem(record.szName);
    return line;
}

MixerControl FromRecord(const MIXERCONTROLA& record) {
    MixerControl control;
    control.controlId = record.dwControlID;
    control.controlType = record.dwControlType;
    control.minimum = record.Bounds.dwMinimum;
    control.maximum = record.Bounds.dwMaximum;
    control.steps = record.Metrics.cSteps;
    control.name = NameFromSystem(record.szName);
    return control;
}

class WinMixer final : public Mixer {
public:
    ~WinMixer() override;

    std::uint32_t NumDevs() override { return mixerGetNumDevs(); }
    MmResult GetDevCaps(std::uint32_t device, std::uint32_t& destinations) override;
    MmResult Open(std::uint32_t device, WindowHandle window, std::function<void()> onControlChange,
                  MixerHandle& handle) override;
    MmResult Close(MixerHandle handle) override;
    MmResult GetDestination(std::uint32_t device, std::uint32_t destination, MixerLine& line) override;
    MmResult GetSource(std::uint32_t device, std::uint32_t destination, std::uint32_t source,
                       MixerLine& line) override;
    MmResult GetLineByComponentType(std::uint32_t device, std::uint32_t componentType, MixerLine& line) override;
    MmResult GetLineControls(std::uint32_t device, std::uint32_t lineId, std::uint32_t room,
                             std::vector<MixerControl>& controls) override;
    MmResult GetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t& value) override;
    MmResult SetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t value) override;

private:
    static LRESULT CALLBACK NoticeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    MmResult LineInfo(std::uint32_t device, MIXERLINEA& record, DWORD flags, MixerLine& line);
    MmResult Details(std::uint32_t device, std::uint32_t controlId, std::int32_t& value, bool write);
    bool EnsureWindow();

    // Created on first open, on the thread that opens, whose loop then serves it.
    UniqueWindow m_window;
    std::map<HMIXER, std::function<void()>> m_open;
};

WinMixer::~WinMixer() {
    for (auto& [handle, callback] : m_open) mixerClose(handle);
}

LRESULT CALLBACK WinMixer::NoticeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MM_MIXM_CONTROL_CHANGE) {
        auto* self = reinterpret_cast<WinMixer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self) return 0;
        // wParam names the opened device; a notice still queued for a closed one is dropped.
        auto it = self->m_open.find(reinterpret_cast<HMIXER>(wParam));
        if (it == self->m_open.end() || !it->second) return 0;
        auto callback = it->second;  // a copy: the callback may close the device
        callback();
        return 0;
    }
    // MM_MIXM_LINE_CHANGE is not asked for by anyone and falls through.
    return DefWindowProcW(window, message, wParam, lParam);
}

bool WinMixer::EnsureWindow() {
    if (m_window) return true;
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &NoticeProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kNoticeClass;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (!registered) return false;
    // Message-only: never shown, yet posted messages reach it through the loop.
    m_window.reset(CreateWindowExW(0, kNoticeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
    if (!m_window) return false;
    SetWindowLongPtrW(m_window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

MmResult WinMixer::GetDevCaps(std::uint32_t device, std::uint32_t& destinations) {
    MIXERCAPSA caps{};
    MMRESULT result = mixerGetDevCapsA(device, &caps, sizeof caps);
    if (result == MMSYSERR_NOERROR) destinations = caps.cDestinations;
    return result;
}

MmResult WinMixer::Open(std::uint32_t device, WindowHandle, std::function<void()> onControlChange,
                        MixerHandle& handle) {
    // The notices go to the service's own window rather than the caller's: it runs on
    // the same thread and loop, and the caller's window need not know the message.
    if (!EnsureWindow()) return MMSYSERR_NOMEM;
    HMIXER opened = nullptr;
    MMRESULT result = mixerOpen(&opened, device, reinterpret_cast<DWORD_PTR>(m_window.get()),
                                reinterpret_cast<DWORD_PTR>(GetModuleHandleW(nullptr)), CALLBACK_WINDOW);
    if (result != MMSYSERR_NOERROR) return result;
    m_open[opened] = std::move(onControlChange);
    handle = reinterpret_cast<MixerHandle>(opened);
    return MMSYSERR_NOERROR;
}

MmResult WinMixer::Close(MixerHandle handle) {
    auto it = m_open.find(reinterpret_cast<HMIXER>(handle));
    if (it == m_open.end()) return MMSYSERR_INVALHANDLE;
    MMRESULT result = mixerClose(it->first);
    if (result == MMSYSERR_NOERROR) m_open.erase(it);
    return result;
}

MmResult WinMixer::LineInfo(std::uint32_t device, MIXERLINEA& record, DWORD flags, MixerLine& line) {
    record.cbStruct = sizeof record;
    MMRESULT result = mixerGetLineInfoA(ById(device), &record, flags | MIXER_OBJECTF_MIXER);
    if (result == MMSYSERR_NOERROR) line = FromRecord(record);
    return result;
}

MmResult WinMixer::GetDestination(std::uint32_t device, std::uint32_t destination, MixerLine& line) {
    MIXERLINEA record{};
    record.dwDestination = destination;
    return LineInfo(device, record, MIXER_GETLINEINFOF_DESTINATION, line);
}

MmResult WinMixer::GetSource(std::uint32_t device, std::uint32_t destination, std::uint32_t source,
                             MixerLine& line) {
    MIXERLINEA record{};
    record.dwDestination = destination;
    record.dwSource = source;
    return LineInfo(device, record, MIXER_GETLINEINFOF_SOURCE, line);
}

MmResult WinMixer::GetLineByComponentType(std::uint32_t device, std::uint32_t componentType, MixerLine& line) {
    MIXERLINEA record{};
    record.dwComponentType = componentType;
    return LineInfo(device, record, MIXER_GETLINEINFOF_COMPONENTTYPE, line);
}

MmResult WinMixer::GetLineControls(std::uint32_t device, std::uint32_t lineId, std::uint32_t room,
                                   std::vector<MixerControl>& controls) {
    // The listing must ask for exactly the line's number of controls, so read it first;
    // a line with more than the room the caller allows is refused, never written past.
    MIXERLINEA record{};
    record.dwLineID = lineId;
    MixerLine line;
    if (MMRESULT result = LineInfo(device, record, MIXER_GETLINEINFOF_LINEID, line)) return result;
    if (record.cControls > room) return MMSYSERR_INVALPARAM;

    std::vector<MIXERCONTROLA> list(std::max<DWORD>(record.cControls, 1));
    MIXERLINECONTROLSA request{};
    request.cbStruct = sizeof request;
    request.dwLineID = lineId;
    request.cControls = record.cControls;
    request.cbmxctrl = sizeof(MIXERCONTROLA);
    request.pamxctrl = list.data();
    MMRESULT result = mixerGetLineControlsA(ById(device), &request, MIXER_GETLINECONTROLSF_ALL | MIXER_OBJECTF_MIXER);
    if (result != MMSYSERR_NOERROR) return result;
    controls.clear();
    for (DWORD i = 0; i < record.cControls; ++i) controls.push_back(FromRecord(list[i]));
    return MMSYSERR_NOERROR;
}

MmResult WinMixer::Details(std::uint32_t device, std::uint32_t controlId, std::int32_t& value, bool write) {
    // One value for all channels: the control is treated as uniform.
    MIXERCONTROLDETAILS request{};
    request.cbStruct = sizeof request;
    request.dwControlID = controlId;
    request.cChannels = 1;
    request.cMultipleItems = 0;
    request.cbDetails = sizeof value;
    request.paDetails = &value;
    const DWORD flags = MIXER_OBJECTF_MIXER;
    return write ? mixerSetControlDetails(ById(device), &request, flags | MIXER_SETCONTROLDETAILSF_VALUE)
                 : mixerGetControlDetailsA(ById(device), &request, flags | MIXER_GETCONTROLDETAILSF_VALUE);
}

MmResult WinMixer::GetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t& value) {
    std::int32_t read = 0;
    MMRESULT result = Details(device, controlId, read, false);
    if (result == MMSYSERR_NOERROR) value = read;
    return result;
}

MmResult WinMixer::SetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t value) {
    return Details(device, controlId, value, true);
}

}  // namespace

std::unique_ptr<Mixer> CreateWinMixer() { return std::make_unique<WinMixer>(); }

}  // namespace vel::win32

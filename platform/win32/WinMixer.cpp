#include "platform/win32/WinMixer.h"

#include "platform/win32/Win32.h"
// Win32.h first: the multimedia header relies on its types.
#include <mmsystem.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/LateBound.h"
#include "platform/win32/NoticeWindow.h"
#include "platform/win32/Scoped.h"
#include "platform/win32/WinText.h"

namespace vel::win32 {
namespace {

// The record sizes the program's mixer requests are built for (ANSI forms, packed to
// the byte as the system lays them out): a 64-bit program's pointers and DWORD_PTR
// fields take 8 bytes.
constexpr bool k64Bit = sizeof(void*) == 8;
static_assert(sizeof(MIXERCAPSA) == 48);
static_assert(sizeof(MIXERLINEA) == (k64Bit ? 172 : 168));
static_assert(sizeof(MIXERLINECONTROLSA) == (k64Bit ? 28 : 24));
static_assert(sizeof(MIXERCONTROLA) == 148);
static_assert(sizeof(MIXERCONTROLDETAILS) == (k64Bit ? 32 : 24));

// The ANSI records carry names in the system's ANSI code page; the program's text is
// code page 1251 whatever that is.
std::string NameFromSystem(const char (&name)[MIXER_LONG_NAME_CHARS]) {
    return FromSystemAnsi(std::string_view(name, strnlen(name, MIXER_LONG_NAME_CHARS)));
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

    std::uint32_t NumDevs() override { return late::mixerGetNumDevs.CallOr(0); }
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
    void OnControlChange(HMIXER handle);
    MmResult LineInfo(std::uint32_t device, MIXERLINEA& record, DWORD flags, MixerLine& line);
    MmResult Details(std::uint32_t device, std::uint32_t controlId, std::int32_t& value, bool write);
    bool EnsureWindow();

    struct Opened {
        ScopedMixer device;
        std::function<void()> onControlChange;
    };

    // Created on first open, on the thread that opens, whose loop then serves it.
    std::unique_ptr<NoticeWindow> m_window;
    std::map<HMIXER, Opened> m_open;
};

WinMixer::~WinMixer() = default;

void WinMixer::OnControlChange(HMIXER handle) {
    // The handle names the opened device; a notice still queued for a closed one is dropped.
    auto it = m_open.find(handle);
    if (it == m_open.end() || !it->second.onControlChange) return;
    auto callback = it->second.onControlChange;  // a copy: the callback may close the device
    callback();
}

bool WinMixer::EnsureWindow() {
    if (m_window) return static_cast<bool>(*m_window);
    m_window = std::make_unique<NoticeWindow>([this](HWND, UINT message, WPARAM wParam, LPARAM) {
        // MM_MIXM_LINE_CHANGE is not asked for by anyone and falls through.
        if (message != MM_MIXM_CONTROL_CHANGE) return false;
        OnControlChange(reinterpret_cast<HMIXER>(wParam));
        return true;
    });
    return static_cast<bool>(*m_window);
}

MmResult WinMixer::GetDevCaps(std::uint32_t device, std::uint32_t& destinations) {
    MIXERCAPSA caps{};
    MMRESULT result = late::mixerGetDevCapsA.CallOr(MMSYSERR_NODRIVER, device, &caps, sizeof caps);
    if (result == MMSYSERR_NOERROR) destinations = caps.cDestinations;
    return result;
}

MmResult WinMixer::Open(std::uint32_t device, WindowHandle, std::function<void()> onControlChange,
                        MixerHandle& handle) {
    // The notices go to the service's own window rather than the caller's: it runs on
    // the same thread and loop, and the caller's window need not know the message.
    if (!EnsureWindow()) return MMSYSERR_NOMEM;
    ScopedMixer opened;
    MMRESULT result = late::mixerOpen.CallOr(
        MMSYSERR_NODRIVER, opened.Put(), device, reinterpret_cast<DWORD_PTR>(m_window->Get()),
        reinterpret_cast<DWORD_PTR>(GetModuleHandleW(nullptr)), CALLBACK_WINDOW);
    if (result != MMSYSERR_NOERROR) return result;
    HMIXER key = opened.Get();
    m_open[key] = Opened{std::move(opened), std::move(onControlChange)};
    handle = reinterpret_cast<MixerHandle>(key);
    return MMSYSERR_NOERROR;
}

MmResult WinMixer::Close(MixerHandle handle) {
    auto it = m_open.find(reinterpret_cast<HMIXER>(handle));
    if (it == m_open.end()) return MMSYSERR_INVALHANDLE;
    MMRESULT result = late::mixerClose.CallOr(MMSYSERR_NODRIVER, it->first);
    if (result == MMSYSERR_NOERROR) {
        it->second.device.Release();  // closed just now
        m_open.erase(it);
    }
    return result;
}

MmResult WinMixer::LineInfo(std::uint32_t device, MIXERLINEA& record, DWORD flags, MixerLine& line) {
    record.cbStruct = sizeof record;
    MMRESULT result = late::mixerGetLineInfoA.CallOr(MMSYSERR_NODRIVER, ById(device), &record,
                                                               flags | MIXER_OBJECTF_MIXER);
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
    MMRESULT result = late::mixerGetLineControlsA.CallOr(
        MMSYSERR_NODRIVER, ById(device), &request, MIXER_GETLINECONTROLSF_ALL | MIXER_OBJECTF_MIXER);
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
    return write ? late::mixerSetControlDetails.CallOr(MMSYSERR_NODRIVER, ById(device), &request,
                                                                 flags | MIXER_SETCONTROLDETAILSF_VALUE)
                 : late::mixerGetControlDetailsA.CallOr(MMSYSERR_NODRIVER, ById(device), &request,
                                                                  flags | MIXER_GETCONTROLDETAILSF_VALUE);
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

// Stand-ins for the devices this build does not drive yet: no video device, no mixer
// device, no default printer. Each answers as the system does on a machine without
// that device, so the program takes its documented failure paths and runs on.

#include "platform/win32/Services.h"

namespace vel::win32 {
namespace {

constexpr MciError kDeviceNotInstalled = 256 + 50;  // MCIERR_DEVICE_NOT_INSTALLED
constexpr MciError kInvalidDevice = 256 + 1;        // MCIERR_INVALID_DEVICE_ID

class NoMediaControl final : public MediaControl {
public:
    MciError Open(const std::string&, MciDevice&) override { return kDeviceNotInstalled; }
    std::string ErrorText(MciError error) override {
        return error == kDeviceNotInstalled ? "The specified device is not installed on the system."
                                            : "Invalid device ID.";
    }
    bool HasVideo(MciDevice) override { return false; }
    Size NaturalSize(MciDevice) override { return {}; }
    MciError SetWindow(MciDevice, WindowHandle) override { return kInvalidDevice; }
    MciError PutDestination(MciDevice, Rect) override { return kInvalidDevice; }
    bool AtEnd(MciDevice) override { return false; }
    MciError SeekToStart(MciDevice) override { return kInvalidDevice; }
    MciError Play(MciDevice, std::function<void(std::uint32_t)>) override { return kInvalidDevice; }
    MciError Stop(MciDevice) override { return kInvalidDevice; }
    MciError Close(MciDevice) override { return kInvalidDevice; }
};

class NoMixer final : public Mixer {
public:
    std::uint32_t NumDevs() override { return 0; }
    MmResult GetDevCaps(std::uint32_t, std::uint32_t&) override { return mixer::Error; }
    MmResult Open(std::uint32_t, WindowHandle, std::function<void()>, MixerHandle&) override { return mixer::Error; }
    MmResult Close(MixerHandle) override { return mixer::Error; }
    MmResult GetDestination(std::uint32_t, std::uint32_t, MixerLine&) override { return mixer::Error; }
    MmResult GetSource(std::uint32_t, std::uint32_t, std::uint32_t, MixerLine&) override { return mixer::Error; }
    MmResult GetLineByComponentType(std::uint32_t, std::uint32_t, MixerLine&) override { return mixer::Error; }
    MmResult GetLineControls(std::uint32_t, std::uint32_t, std::uint32_t, std::vector<MixerControl>&) override {
        return mixer::Error;
    }
    MmResult GetValue(std::uint32_t, std::uint32_t, std::int32_t&) override { return mixer::Error; }
    MmResult SetValue(std::uint32_t, std::uint32_t, std::int32_t) override { return mixer::Error; }
};

class NoPrinter final : public Printer {
public:
    PrinterStatus SelectDefault() override { return PrinterStatus::NoDefaultPrinter; }
    PrinterStatus SetLandscape() override { return PrinterStatus::NoDefaultPrinter; }
    PrinterStatus PrintWindowPicture(WindowHandle, Rect, const std::string&) override {
        return PrinterStatus::NoDefaultPrinter;
    }
};

}  // namespace

std::unique_ptr<MediaControl> CreateNoMediaControl() { return std::make_unique<NoMediaControl>(); }
std::unique_ptr<Mixer> CreateNoMixer() { return std::make_unique<NoMixer>(); }
std::unique_ptr<Printer> CreateNoPrinter() { return std::make_unique<NoPrinter>(); }

}  // namespace vel::win32

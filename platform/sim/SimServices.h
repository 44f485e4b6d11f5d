#pragma once
// Simulated shell, process, movie player, media devices, DDE (Program Manager),
// printer and mixer. They record what they are told into the trace and answer the
// way the scenario set them up; none of them decides anything for the program.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Dde.h"
#include "platform/MediaControl.h"
#include "platform/Mixer.h"
#include "platform/MoviePlayer.h"
#include "platform/Printer.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "platform/sim/SimFiles.h"
#include "platform/sim/Trace.h"

namespace vel::sim {

class SimUi;

class SimShell final : public Shell {
public:
    SimShell(Trace& trace, SimFiles& files) : m_trace(trace), m_files(files) {}
    std::intptr_t Execute(WindowHandle owner, const std::string& verb, const std::string& file,
                          const std::string& parameters, const std::string& directory, int show) override;
    int CopyTree(WindowHandle owner, const std::string& sourcePattern, const std::string& target,
                 std::uint32_t flags, bool& aborted) override;
    unsigned WinExec(const std::string& commandLine, int show) override;

    // The answer of the next Execute calls for a file (default: 42 when the file or
    // folder exists, 2 when not).
    void SetResult(const std::string& file, std::intptr_t result) { m_results[AsciiKey(file)] = result; }
    // Makes the next CopyTree stop after copying nothing (as a cancelled or failed copy).
    void FailCopies(bool fail) { m_failCopies = fail; }
    // Makes CopyTree stop after copying this many files (a copy that fails half-way);
    // a negative count copies everything.
    void FailCopiesAfter(int files) { m_copyBudget = files; }
    // Called for each WinExec (a scenario can start a Program Manager there).
    std::function<void(const std::string&)> OnWinExec;

    struct Started {
        std::string file, parameters, directory;
        int show;
    };
    const std::vector<Started>& StartedPrograms() const { return m_started; }

private:
    static std::string AsciiKey(const std::string& s);
    Trace& m_trace;
    SimFiles& m_files;
    std::map<std::string, std::intptr_t> m_results;
    bool m_failCopies = false;
    int m_copyBudget = -1;
    std::vector<Started> m_started;
};

class SimProcess final : public Process {
public:
    SimProcess(Trace& trace, std::function<void(std::uint32_t)> advanceClock)
        : m_trace(trace), m_advance(std::move(advanceClock)) {}
    std::string ProgramPath() override { return programPath; }
    std::vector<std::string> Arguments() override { return arguments; }
    int OsMajorVersion() override { return osMajor; }
    unsigned OemCodePage() override { return oemCodePage; }
    bool OpenMutex(const std::string& name) override;
    MutexResult CreateMutex(const std::string& name) override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetPriorityClass() override { return priorityClass; }
    void SetPriorityClass(std::uint32_t value) override;
    int GetThreadPriority() override { return threadPriority; }
    void SetThreadPriority(int value) override;
    void* AllocateExecutable(std::size_t bytes) override;
    void FreeExecutable(void* block, std::size_t bytes) override;

    std::string programPath = "C:\\Velvinor\\Velvinor.exe";
    std::vector<std::string> arguments;
    int osMajor = 5;
    unsigned oemCodePage = 866;  // a Russian system, as the game's users have
    std::uint32_t priorityClass = 0x20;
    int threadPriority = 0;
    // Mutexes held by other processes, and those this run holds.
    std::set<std::string> foreignMutexes;
    std::set<std::string> ownMutexes;
    // Priority calls in order ("class 0x80", "thread 2"), for tests; not traced.
    std::vector<std::string> priorityLog;

private:
    Trace& m_trace;
    std::function<void(std::uint32_t)> m_advance;
};

class SimMovieService;

class SimMoviePlayer final : public MoviePlayer {
public:
    SimMoviePlayer(SimMovieService& service, FSCommandHandler handler) : m_service(service), m_handler(std::move(handler)) {}
    ~SimMoviePlayer() override;
    void PutMovie(const std::u16string& path) override;
    std::u16string GetMovie() override { return m_movie; }
    bool PutFlashVars(const std::u16string& vars) override;
    void PutScaleMode(int mode) override;
    void PutWMode(const std::u16string& mode) override;
    std::u16string GetVariable(const std::u16string& name) override;
    void SetVariable(const std::u16string& name, const std::u16string& value) override;
    void SetBounds(Rect bounds) override;
    void SetVisible(bool visible) override;
    void DoVerbShow() override;
    WindowHandle Handle() override { return 0x5F1A; }

    void Raise(const std::u16string& command, const std::u16string& args) { m_handler(command, args); }
    bool Visible() const { return m_visible; }
    Rect Bounds() const { return m_bounds; }
    // Every variable write in order, and the last value of each.
    std::vector<std::pair<std::string, std::string>> writes;
    std::map<std::string, std::string> variables;

private:
    SimMovieService& m_service;
    FSCommandHandler m_handler;
    std::u16string m_movie;
    bool m_visible = true;
    Rect m_bounds;
};

class SimMovieService final : public MovieService {
public:
    explicit SimMovieService(Trace& trace) : trace(trace) {}
    std::unique_ptr<MoviePlayer> Create(WindowHandle parent, FSCommandHandler onFSCommand) override;

    Trace& trace;
    std::string version = "WIN 9,0,124,0";  // "$version"
    bool registered = true;
    bool flashVarsFail = false;
    bool getVariableFails = false;
    // Variable writes are traced only when the value changes, unless this is set.
    bool traceEveryWrite = false;
    SimMoviePlayer* current = nullptr;
};

class SimMedia final : public MediaControl {
public:
    SimMedia(Trace& trace, SimFiles& files, std::function<void(std::function<void()>)> post)
        : m_trace(trace), m_files(files), m_post(std::move(post)) {}
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

    struct Behaviour {
        MciError openError = 0;
        bool video = true;
        Size size{320, 240};
        MciError playError = 0;
    };
    // How a file opens (matched without letter case); files not named here open when they exist.
    void Define(const std::string& path, Behaviour behaviour);
    // Ends the play of the most recently played open device with that notice value.
    bool EndPlay(std::uint32_t value);
    std::size_t OpenCount() const { return m_devices.size(); }

private:
    struct Device {
        std::string element;
        Behaviour behaviour;
        bool playing = false;
        bool atEnd = false;
        std::function<void(std::uint32_t)> notify;
    };
    void Deliver(Device& device, std::uint32_t value);
    Trace& m_trace;
    SimFiles& m_files;
    std::function<void(std::function<void()>)> m_post;
    std::map<std::string, Behaviour> m_behaviours;
    std::map<MciDevice, Device> m_devices;
    std::vector<MciDevice> m_playOrder;
    MciDevice m_next = 1;
};

// Program Manager behind "progman": groups with items, answering any topic.
class SimDde final : public Dde {
public:
    explicit SimDde(Trace& trace) : m_trace(trace) {}
    DdeConversation Connect(const std::string& service, const std::string& topic) override;
    bool Execute(DdeConversation conversation, const std::string& command) override;
    std::optional<std::string> Request(DdeConversation conversation, const std::string& item,
                                       std::uint32_t timeoutMs) override;
    void Disconnect(DdeConversation conversation) override;

    struct Item {
        std::string caption, command;
    };
    bool serverRunning = true;
    // A WinExec of "progman " starts the server when this is set.
    bool startsOnWinExec = false;
    std::map<std::string, std::vector<Item>> groups;  // group name -> items
    std::vector<std::string> Dump();

private:
    void Apply(const std::string& command);
    Trace& m_trace;
    std::set<DdeConversation> m_open;
    std::string m_currentGroup;
    DdeConversation m_next = 1;
};

class SimPrinter final : public Printer {
public:
    explicit SimPrinter(Trace& trace) : m_trace(trace) {}
    PrinterStatus SelectDefault() override;
    PrinterStatus SetLandscape() override;
    PrinterStatus PrintWindowPicture(WindowHandle window, Rect source, const std::string& title) override;

    bool hasDefault = true;
    bool supportsSettings = true;
    // Every job fails (out of paper, spooler stopped).
    bool failJobs = false;
    std::string name = "Printer";
    // The program's settings: a selection starts from the printer's own (portrait).
    bool selected = false;
    bool landscape = false;
    int pagesPrinted = 0;

private:
    Trace& m_trace;
};

// A mixer topology the scenario describes: devices, their destination lines with
// source lines, and the lines' controls. A value that changes, whoever changed it,
// sends a change notice to the window of every handle open on that device.
class SimMixer final : public Mixer {
public:
    SimMixer(Trace& trace, std::function<void(std::function<void()>)> post) : m_trace(trace), m_post(std::move(post)) {}
    std::uint32_t NumDevs() override { return static_cast<std::uint32_t>(devices.size()); }
    MmResult GetDevCaps(std::uint32_t device, std::uint32_t& destinations) override;
    MmResult Open(std::uint32_t device, WindowHandle window, std::function<void()> onControlChange,
                  MixerHandle& handle) override;
    MmResult Close(MixerHandle handle) override;
    MmResult GetDestination(std::uint32_t device, std::uint32_t destination, MixerLine& line) override;
    MmResult GetSource(std::uint32_t device, std::uint32_t destination, std::uint32_t source, MixerLine& line) override;
    MmResult GetLineByComponentType(std::uint32_t device, std::uint32_t componentType, MixerLine& line) override;
    // Refuses a line with more controls than `room`, as the real listing does.
    MmResult GetLineControls(std::uint32_t device, std::uint32_t lineId, std::uint32_t room,
                             std::vector<MixerControl>& controls) override;
    MmResult GetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t& value) override;
    MmResult SetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t value) override;

    struct SimControl {
        MixerControl control;
        std::int32_t value = 0;
    };
    struct SimLine {
        MixerLine line;
        std::vector<SimControl> controls;
        bool failQuery = false;
        bool failControls = false;
    };
    struct SimDestination {
        SimLine line;
        std::vector<SimLine> sources;
    };
    struct SimDevice {
        std::vector<SimDestination> destinations;
        bool failOpen = false;
        bool failCaps = false;
    };
    std::vector<SimDevice> devices;

    // Building a topology, each step on the device or line added last; line ids are
    // given in order. Adding out of order or a control id the device already has
    // raises std::logic_error.
    SimDevice& AddDevice();
    SimLine& AddDestination(std::uint32_t componentType, const std::string& name = {});
    SimLine& AddSource(std::uint32_t componentType, const std::string& name = {});
    SimControl& AddControl(std::uint32_t controlType, std::uint32_t controlId, std::int32_t value,
                           std::uint32_t minimum = 0, std::uint32_t maximum = 0, std::uint32_t steps = 0);

    // Sets a value as another program would; the open handles are notified.
    bool SetByOther(std::uint32_t controlId, std::int32_t value);
    SimControl* FindControl(std::uint32_t device, std::uint32_t controlId);
    // The topology with its values, one line per device, line and control.
    std::vector<std::string> Dump();
    // Number of value writes the program made, for tests.
    int writes = 0;
    std::size_t OpenCount() const { return m_open.size(); }

private:
    SimLine* FindLine(std::uint32_t device, std::uint32_t lineId);
    SimLine& LastLine();
    void NotifyChange(std::uint32_t device);
    Trace& m_trace;
    std::function<void(std::function<void()>)> m_post;
    struct OpenDevice {
        std::uint32_t device;
        WindowHandle window;
        // Shared with the notices on their way, which are dropped once the handle closes.
        std::shared_ptr<std::function<void()>> notify;
    };
    std::map<MixerHandle, OpenDevice> m_open;
    MixerHandle m_next = 0x100;
    std::uint32_t m_nextLineId = 1;
    bool m_lastIsSource = false;
};

}  // namespace vel::sim

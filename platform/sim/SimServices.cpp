#include "platform/sim/SimServices.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <sys/mman.h>

#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace vel::sim {

// ---- SimShell ----

std::string SimShell::AsciiKey(const std::string& s) { return AsciiUpper(s); }

std::intptr_t SimShell::Execute(WindowHandle owner, const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory, int show) {
    std::intptr_t result;
    auto it = m_results.find(AsciiKey(file));
    if (it != m_results.end()) result = it->second;
    else result = (m_files.FileExists(file) || m_files.DirectoryExists(file)) ? 42 : 2;
    m_trace.Add("shell execute verb=" + Quote(verb) + " file=" + Quote(file) + " params=" + Quote(parameters) +
                " dir=" + Quote(directory) + " show=" + std::to_string(show) + (owner ? " owned" : "") +
                " -> " + std::to_string(result));
    if (result > 32) m_started.push_back({file, parameters, directory, show});
    return result;
}

int SimShell::CopyTree(WindowHandle owner, const std::string& sourcePattern, const std::string& target,
                       std::uint32_t flags, bool& aborted) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", flags);
    m_trace.Add("shell copy-tree " + Quote(sourcePattern) + " -> " + Quote(target) + " flags=" + hex +
                (owner ? " progress-owned" : ""));
    aborted = false;
    if (m_failCopies) {
        m_trace.Add("shell copy-tree failed");
        return 1223;  // cancelled by the user
    }
    if (m_copyBudget >= 0) {
        int budget = m_copyBudget;
        if (!m_files.CopyTreeContents(ExtractFilePath(sourcePattern), target, &budget)) {
            m_trace.Add("shell copy-tree failed");
            return 1223;
        }
        return 0;
    }
    m_files.CopyTreeContents(ExtractFilePath(sourcePattern), target);
    return 0;
}

unsigned SimShell::WinExec(const std::string& commandLine, int show) {
    m_trace.Add("shell winexec " + Quote(commandLine) + " show=" + std::to_string(show));
    if (OnWinExec) OnWinExec(commandLine);
    return 33;
}

// ---- SimProcess ----

bool SimProcess::OpenMutex(const std::string& name) {
    bool exists = foreignMutexes.count(name) > 0 || ownMutexes.count(name) > 0;
    m_trace.Add("process open-mutex " + Quote(name) + (exists ? " -> opened" : " -> absent"));
    return exists;
}

MutexResult SimProcess::CreateMutex(const std::string& name) {
    bool existed = foreignMutexes.count(name) > 0;
    ownMutexes.insert(name);
    m_trace.Add("process create-mutex " + Quote(name) + (existed ? " -> existed" : " -> created"));
    return existed ? MutexResult::AlreadyExists : MutexResult::Created;
}

void SimProcess::Sleep(std::uint32_t milliseconds) {
    if (m_advance) m_advance(milliseconds);
}

void SimProcess::SetPriorityClass(std::uint32_t value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "class 0x%X", value);
    priorityLog.push_back(buf);
    priorityClass = value;
}

void SimProcess::SetThreadPriority(int value) {
    priorityLog.push_back("thread " + std::to_string(value));
    threadPriority = value;
}

void* SimProcess::AllocateExecutable(std::size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void SimProcess::FreeExecutable(void* block, std::size_t bytes) {
    if (block) munmap(block, bytes);
}

// ---- SimMoviePlayer ----

SimMoviePlayer::~SimMoviePlayer() {
    if (m_service.current == this) m_service.current = nullptr;
}

void SimMoviePlayer::PutMovie(const std::u16string& path) {
    m_movie = path;
    m_service.trace.Add("movie load " + Quote(WideToAnsi(path)));
    variables.clear();
}

bool SimMoviePlayer::PutFlashVars(const std::u16string& vars) {
    m_service.trace.Add("movie flashvars " + Quote(WideToAnsi(vars)) + (m_service.flashVarsFail ? " -> failed" : ""));
    return !m_service.flashVarsFail;
}

void SimMoviePlayer::PutScaleMode(int mode) { m_service.trace.Add("movie scale-mode " + std::to_string(mode)); }

void SimMoviePlayer::PutWMode(const std::u16string& mode) { m_service.trace.Add("movie wmode " + Quote(WideToAnsi(mode))); }

std::u16string SimMoviePlayer::GetVariable(const std::u16string& name) {
    if (m_service.getVariableFails) throw OleError("Unspecified error");
    if (name == u"$version") return AnsiToWide(m_service.version);
    auto it = variables.find(WideToAnsi(name));
    return it == variables.end() ? std::u16string() : AnsiToWide(it->second);
}

void SimMoviePlayer::SetVariable(const std::u16string& name, const std::u16string& value) {
    std::string n = WideToAnsi(name), v = WideToAnsi(value);
    writes.emplace_back(n, v);
    auto it = variables.find(n);
    bool changed = it == variables.end() || it->second != v;
    variables[n] = v;
    if (changed || m_service.traceEveryWrite) m_service.trace.Add("movie var " + Quote(n) + " = " + Quote(v));
}

void SimMoviePlayer::SetBounds(Rect b) {
    if (b == m_bounds) return;
    m_bounds = b;
    m_service.trace.Add("movie place " + std::to_string(b.left) + "," + std::to_string(b.top) + " " +
                        std::to_string(b.width) + "x" + std::to_string(b.height));
}

void SimMoviePlayer::SetVisible(bool visible) {
    if (visible == m_visible) return;
    m_visible = visible;
    m_service.trace.Add(visible ? "movie show" : "movie hide");
}

void SimMoviePlayer::DoVerbShow() { m_service.trace.Add("movie verb-show"); }

std::unique_ptr<MoviePlayer> SimMovieService::Create(WindowHandle, FSCommandHandler onFSCommand) {
    if (!registered) {
        trace.Add("movie create -> class not registered");
        throw OleError("Class not registered");
    }
    auto player = std::make_unique<SimMoviePlayer>(*this, std::move(onFSCommand));
    current = player.get();
    return player;
}

// ---- SimMedia ----

namespace {
constexpr MciError kFileNotFound = 275;   // MCIERR_FILE_NOT_FOUND
constexpr MciError kInvalidDevice = 263;  // MCIERR_INVALID_DEVICE_ID
}  // namespace

void SimMedia::Define(const std::string& path, Behaviour behaviour) { m_behaviours[AsciiUpper(path)] = behaviour; }

MciError SimMedia::Open(const std::string& element, MciDevice& device) {
    Behaviour b;
    auto it = m_behaviours.find(AsciiUpper(element));
    if (it != m_behaviours.end()) b = it->second;
    else if (!m_files.FileExists(element)) b.openError = kFileNotFound;
    if (b.openError) {
        m_trace.Add("media open " + Quote(element) + " -> error " + std::to_string(b.openError));
        return b.openError;
    }
    device = m_next++;
    m_devices[device] = Device{element, b, false, false, {}};
    m_trace.Add("media open " + Quote(element) + " -> device " + std::to_string(device) +
                (b.video ? " video " + std::to_string(b.size.width) + "x" + std::to_string(b.size.height) : " no-video"));
    return 0;
}

std::string SimMedia::ErrorText(MciError error) {
    switch (error) {
        case kFileNotFound: return "The specified file cannot be found.";
        case kInvalidDevice: return "Invalid device ID.";
        default: return "MCI error " + std::to_string(error) + ".";
    }
}

bool SimMedia::HasVideo(MciDevice device) {
    auto it = m_devices.find(device);
    return it != m_devices.end() && it->second.behaviour.video;
}

Size SimMedia::NaturalSize(MciDevice device) {
    auto it = m_devices.find(device);
    return it == m_devices.end() ? Size{} : it->second.behaviour.size;
}

MciError SimMedia::SetWindow(MciDevice device, WindowHandle window) {
    if (!m_devices.count(device)) return kInvalidDevice;
    m_trace.Add("media window device " + std::to_string(device) + " -> window " + std::to_string(window));
    return 0;
}

MciError SimMedia::PutDestination(MciDevice device, Rect r) {
    if (!m_devices.count(device)) return kInvalidDevice;
    m_trace.Add("media destination device " + std::to_string(device) + " " + std::to_string(r.left) + "," +
                std::to_string(r.top) + " " + std::to_string(r.width) + "x" + std::to_string(r.height));
    return 0;
}

bool SimMedia::AtEnd(MciDevice device) {
    auto it = m_devices.find(device);
    return it != m_devices.end() && it->second.atEnd;
}

MciError SimMedia::SeekToStart(MciDevice device) {
    auto it = m_devices.find(device);
    if (it == m_devices.end()) return kInvalidDevice;
    it->second.atEnd = false;
    m_trace.Add("media seek-start device " + std::to_string(device));
    return 0;
}

void SimMedia::Deliver(Device& device, std::uint32_t value) {
    auto notify = std::move(device.notify);
    device.notify = nullptr;
    device.playing = false;
    if (notify) m_post([notify, value] { notify(value); });
}

MciError SimMedia::Play(MciDevice device, std::function<void(std::uint32_t)> onNotify) {
    auto it = m_devices.find(device);
    if (it == m_devices.end()) return kInvalidDevice;
    Device& d = it->second;
    if (d.behaviour.playError) {
        m_trace.Add("media play device " + std::to_string(device) + " -> error " + std::to_string(d.behaviour.playError));
        return d.behaviour.playError;
    }
    if (d.notify) Deliver(d, notify::Superseded);
    m_trace.Add("media play device " + std::to_string(device));
    d.playing = true;
    d.notify = std::move(onNotify);
    m_playOrder.push_back(device);
    return 0;
}

MciError SimMedia::Stop(MciDevice device) {
    auto it = m_devices.find(device);
    if (it == m_devices.end()) return kInvalidDevice;
    m_trace.Add("media stop device " + std::to_string(device));
    if (it->second.notify) Deliver(it->second, notify::Aborted);
    return 0;
}

MciError SimMedia::Close(MciDevice device) {
    auto it = m_devices.find(device);
    if (it == m_devices.end()) return kInvalidDevice;
    m_trace.Add("media close device " + std::to_string(device));
    if (it->second.notify) Deliver(it->second, notify::Aborted);
    m_devices.erase(it);
    return 0;
}

bool SimMedia::EndPlay(std::uint32_t value) {
    for (auto it = m_playOrder.rbegin(); it != m_playOrder.rend(); ++it) {
        auto d = m_devices.find(*it);
        if (d != m_devices.end() && d->second.notify) {
            if (value == notify::Successful) d->second.atEnd = true;
            Deliver(d->second, value);
            return true;
        }
    }
    return false;
}

// ---- SimDde ----

DdeConversation SimDde::Connect(const std::string& service, const std::string& topic) {
    bool ok = serverRunning && AsciiLower(service) == "progman";
    m_trace.Add("dde connect " + Quote(service) + " " + Quote(topic) + (ok ? " -> connected" : " -> no server"));
    if (!ok) return 0;
    DdeConversation c = m_next++;
    m_open.insert(c);
    return c;
}

bool SimDde::Execute(DdeConversation conversation, const std::string& command) {
    if (!m_open.count(conversation)) return false;
    m_trace.Add("dde execute " + Quote(command));
    Apply(command);
    return true;
}

namespace {
// "[Name(args)]" -> Name and the text between the parentheses.
bool ParseCommand(const std::string& text, std::string& name, std::string& args) {
    std::size_t open = text.find('['), paren = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || paren == std::string::npos || close == std::string::npos || close < paren) return false;
    name = text.substr(open + 1, paren - open - 1);
    args = text.substr(paren + 1, close - paren - 1);
    return true;
}
}  // namespace

void SimDde::Apply(const std::string& command) {
    std::string name, args;
    if (!ParseCommand(command, name, args)) return;
    name = AsciiLower(name);
    if (name == "creategroup") {
        m_currentGroup = args;
        groups[args];
    } else if (name == "additem") {
        std::string cmd = args, caption;
        if (!cmd.empty() && cmd.front() == '"') {
            std::size_t endq = cmd.find('"', 1);
            std::string rest = endq == std::string::npos ? "" : cmd.substr(endq + 1);
            cmd = cmd.substr(1, endq == std::string::npos ? std::string::npos : endq - 1);
            caption = rest.size() > 1 && rest[0] == ',' ? rest.substr(1) : "";
        } else {
            std::size_t comma = cmd.find(',');
            caption = comma == std::string::npos ? "" : cmd.substr(comma + 1);
            cmd = cmd.substr(0, comma);
        }
        if (!m_currentGroup.empty()) groups[m_currentGroup].push_back({caption, cmd});
    } else if (name == "deleteitem") {
        if (groups.count(m_currentGroup)) {
            auto& items = groups[m_currentGroup];
            auto it = std::find_if(items.begin(), items.end(), [&](const Item& i) { return i.caption == args; });
            if (it != items.end()) items.erase(it);
        }
    } else if (name == "deletegroup") {
        groups.erase(args);
        if (m_currentGroup == args) m_currentGroup.clear();
    } else if (name == "showgroup") {
        if (groups.count(args)) m_currentGroup = args;
    }
}

std::optional<std::string> SimDde::Request(DdeConversation conversation, const std::string& item, std::uint32_t) {
    if (!m_open.count(conversation)) return std::nullopt;
    auto it = groups.find(item);
    std::string answer;
    if (it != groups.end()) {
        // The group's own line, then one line per item.
        answer = "\"" + item + "\",\"\"," + std::to_string(it->second.size()) + "\r\n";
        for (const auto& i : it->second) answer += "\"" + i.caption + "\",\"" + i.command + "\"\r\n";
        // A request for a group makes it the one later item commands address.
        m_currentGroup = item;
    }
    m_trace.Add("dde request " + Quote(item) + " -> " + std::to_string(it == groups.end() ? 0 : it->second.size() + 1) +
                " lines");
    return answer;
}

void SimDde::Disconnect(DdeConversation conversation) {
    if (m_open.erase(conversation)) m_trace.Add("dde disconnect");
}

std::vector<std::string> SimDde::Dump() {
    std::vector<std::string> out;
    for (const auto& [name, items] : groups) {
        out.push_back("  group " + Quote(name));
        for (const auto& i : items) out.push_back("    item " + Quote(i.caption) + " " + Quote(i.command));
    }
    if (out.empty()) out.push_back("  (no groups)");
    return out;
}

// ---- SimPrinter ----

PrinterStatus SimPrinter::SelectDefault() {
    if (!hasDefault) {
        m_trace.Add("printer select -> no default printer");
        return PrinterStatus::NoDefaultPrinter;
    }
    selected = true;
    landscape = false;
    m_trace.Add("printer select " + Quote(name));
    return PrinterStatus::Ok;
}

PrinterStatus SimPrinter::SetLandscape() {
    if (!selected) return PrinterStatus::NoDefaultPrinter;
    if (!supportsSettings) {
        m_trace.Add("printer landscape -> not supported");
        return PrinterStatus::NotSupported;
    }
    if (!landscape) m_trace.Add("printer landscape");
    landscape = true;
    return PrinterStatus::Ok;
}

PrinterStatus SimPrinter::PrintWindowPicture(WindowHandle window, Rect source, const std::string& title) {
    if (!selected) return PrinterStatus::NoDefaultPrinter;
    std::string what = std::string(landscape ? "landscape" : "portrait") + " picture of window " +
                       std::to_string(window) + " " + std::to_string(source.left) + "," + std::to_string(source.top) +
                       " " + std::to_string(source.width) + "x" + std::to_string(source.height) + " title " +
                       Quote(title);
    if (failJobs) {
        m_trace.Add("printer page " + what + " -> failed");
        return PrinterStatus::Failed;
    }
    ++pagesPrinted;
    m_trace.Add("printer page " + what);
    return PrinterStatus::Ok;
}

// ---- SimMixer ----

namespace {
std::string ComponentName(std::uint32_t type) {
    switch (type) {
        case 4: return "speakers";
        case 5: return "headphones";
        case mixer::DstWaveIn: return "wavein";
        case 0x1002: return "line";
        case mixer::SrcMicrophone: return "microphone";
        case 0x1004: return "synth";
        case mixer::SrcCompactDisc: return "cd";
        case mixer::SrcWaveOut: return "waveout";
        case mixer::SrcAuxiliary: return "auxiliary";
        default: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%X", type);
            return buf;
        }
    }
}

std::string ControlTypeName(std::uint32_t type) {
    switch (type) {
        case mixer::ControlMute: return "mute";
        case mixer::ControlVolume: return "volume";
        case mixer::ControlPeakMeter: return "peak";
        default: {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%08X", type);
            return buf;
        }
    }
}
}  // namespace

SimMixer::SimDevice& SimMixer::AddDevice() {
    devices.emplace_back();
    m_lastIsSource = false;
    return devices.back();
}

SimMixer::SimLine& SimMixer::AddDestination(std::uint32_t componentType, const std::string& name) {
    if (devices.empty()) throw std::logic_error("a destination needs a mixer device first");
    SimDestination d;
    d.line.line.componentType = componentType;
    d.line.line.lineId = m_nextLineId++;
    d.line.line.name = name.empty() ? ComponentName(componentType) : name;
    devices.back().destinations.push_back(std::move(d));
    m_lastIsSource = false;
    return devices.back().destinations.back().line;
}

SimMixer::SimLine& SimMixer::AddSource(std::uint32_t componentType, const std::string& name) {
    if (devices.empty() || devices.back().destinations.empty())
        throw std::logic_error("a source needs a destination line first");
    SimLine l;
    l.line.componentType = componentType;
    l.line.lineId = m_nextLineId++;
    l.line.name = name.empty() ? ComponentName(componentType) : name;
    auto& sources = devices.back().destinations.back().sources;
    sources.push_back(std::move(l));
    m_lastIsSource = true;
    return sources.back();
}

SimMixer::SimLine& SimMixer::LastLine() {
    if (devices.empty() || devices.back().destinations.empty()) throw std::logic_error("a control needs a line first");
    SimDestination& d = devices.back().destinations.back();
    return m_lastIsSource ? d.sources.back() : d.line;
}

SimMixer::SimControl& SimMixer::AddControl(std::uint32_t controlType, std::uint32_t controlId, std::int32_t value,
                                           std::uint32_t minimum, std::uint32_t maximum, std::uint32_t steps) {
    SimLine& line = LastLine();
    if (FindControl(static_cast<std::uint32_t>(devices.size() - 1), controlId))
        throw std::logic_error("control id " + std::to_string(controlId) + " is taken on this device");
    SimControl c;
    c.control.controlId = controlId;
    c.control.controlType = controlType;
    c.control.minimum = minimum;
    c.control.maximum = maximum;
    c.control.steps = steps;
    c.control.name = ControlTypeName(controlType);
    c.value = value;
    line.controls.push_back(c);
    return line.controls.back();
}

MmResult SimMixer::GetDevCaps(std::uint32_t device, std::uint32_t& destinations) {
    if (device >= devices.size() || devices[device].failCaps) return mixer::Error;
    destinations = static_cast<std::uint32_t>(devices[device].destinations.size());
    return mixer::NoError;
}

MmResult SimMixer::Open(std::uint32_t device, WindowHandle window, std::function<void()> onControlChange,
                        MixerHandle& handle) {
    if (device >= devices.size() || devices[device].failOpen) {
        m_trace.Add("mixer open device " + std::to_string(device) + " -> failed");
        return mixer::Error;
    }
    handle = m_next++;
    m_open[handle] = OpenDevice{device, window, std::make_shared<std::function<void()>>(std::move(onControlChange))};
    m_trace.Add("mixer open device " + std::to_string(device) + " notify window " + std::to_string(window));
    return mixer::NoError;
}

MmResult SimMixer::Close(MixerHandle handle) {
    auto it = m_open.find(handle);
    if (it == m_open.end()) return mixer::Error;
    m_trace.Add("mixer close device " + std::to_string(it->second.device));
    m_open.erase(it);
    return mixer::NoError;
}

MmResult SimMixer::GetDestination(std::uint32_t device, std::uint32_t destination, MixerLine& line) {
    if (device >= devices.size() || destination >= devices[device].destinations.size()) return mixer::Error;
    const auto& d = devices[device].destinations[destination];
    if (d.line.failQuery) return mixer::Error;
    line = d.line.line;
    line.destination = destination;
    line.connections = static_cast<std::uint32_t>(d.sources.size());
    line.controls = static_cast<std::uint32_t>(d.line.controls.size());
    return mixer::NoError;
}

MmResult SimMixer::GetSource(std::uint32_t device, std::uint32_t destination, std::uint32_t source, MixerLine& line) {
    if (device >= devices.size() || destination >= devices[device].destinations.size()) return mixer::Error;
    const auto& d = devices[device].destinations[destination];
    if (source >= d.sources.size() || d.sources[source].failQuery) return mixer::Error;
    line = d.sources[source].line;
    line.destination = destination;
    line.source = source;
    line.connections = 0;
    line.controls = static_cast<std::uint32_t>(d.sources[source].controls.size());
    return mixer::NoError;
}

MmResult SimMixer::GetLineByComponentType(std::uint32_t device, std::uint32_t componentType, MixerLine& line) {
    if (device >= devices.size()) return mixer::Error;
    auto& dests = devices[device].destinations;
    for (std::uint32_t d = 0; d < dests.size(); ++d)
        if (dests[d].line.line.componentType == componentType) return GetDestination(device, d, line);
    return mixer::Error;
}

SimMixer::SimLine* SimMixer::FindLine(std::uint32_t device, std::uint32_t lineId) {
    if (device >= devices.size()) return nullptr;
    for (auto& d : devices[device].destinations) {
        if (d.line.line.lineId == lineId) return &d.line;
        for (auto& s : d.sources)
            if (s.line.lineId == lineId) return &s;
    }
    return nullptr;
}

MmResult SimMixer::GetLineControls(std::uint32_t device, std::uint32_t lineId, std::uint32_t room,
                                   std::vector<MixerControl>& controls) {
    SimLine* line = FindLine(device, lineId);
    if (!line || line->failControls || line->controls.size() > room) return mixer::Error;
    controls.clear();
    for (const auto& c : line->controls) controls.push_back(c.control);
    return mixer::NoError;
}

SimMixer::SimControl* SimMixer::FindControl(std::uint32_t device, std::uint32_t controlId) {
    if (device >= devices.size()) return nullptr;
    for (auto& d : devices[device].destinations) {
        for (auto& c : d.line.controls)
            if (c.control.controlId == controlId) return &c;
        for (auto& s : d.sources)
            for (auto& c : s.controls)
                if (c.control.controlId == controlId) return &c;
    }
    return nullptr;
}

MmResult SimMixer::GetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t& value) {
    SimControl* c = FindControl(device, controlId);
    if (!c) return mixer::Error;
    value = c->value;
    return mixer::NoError;
}

void SimMixer::NotifyChange(std::uint32_t device) {
    for (auto& [handle, open] : m_open) {
        if (open.device != device || !*open.notify) continue;
        std::weak_ptr<std::function<void()>> target = open.notify;
        Trace* trace = &m_trace;
        WindowHandle window = open.window;
        // Posted to the window like MM_MIXM_CONTROL_CHANGE; a notice still waiting
        // when its handle closes goes nowhere.
        m_post([target, trace, window] {
            auto notify = target.lock();
            if (!notify) return;
            trace->Add("mixer notice -> window " + std::to_string(window));
            (*notify)();
        });
    }
}

MmResult SimMixer::SetValue(std::uint32_t device, std::uint32_t controlId, std::int32_t value) {
    SimControl* c = FindControl(device, controlId);
    if (!c) return mixer::Error;
    ++writes;
    m_trace.Add("mixer set control " + std::to_string(controlId) + " = " + std::to_string(static_cast<std::uint32_t>(value)));
    if (c->value != value) {
        c->value = value;
        NotifyChange(device);
    }
    return mixer::NoError;
}

bool SimMixer::SetByOther(std::uint32_t controlId, std::int32_t value) {
    for (std::uint32_t d = 0; d < devices.size(); ++d)
        if (SimControl* c = FindControl(d, controlId)) {
            if (c->value != value) {
                c->value = value;
                NotifyChange(d);
            }
            return true;
        }
    return false;
}

std::vector<std::string> SimMixer::Dump() {
    std::vector<std::string> out;
    auto controls = [&](const SimLine& line, const std::string& indent) {
        for (const auto& c : line.controls) {
            const MixerControl& m = c.control;
            std::string text = indent + "control " + std::to_string(m.controlId) + " " + ControlTypeName(m.controlType) +
                               " = ";
            if (m.controlType == mixer::ControlVolume)
                text += std::to_string(static_cast<std::uint32_t>(c.value)) + " of " + std::to_string(m.minimum) + ".." +
                        std::to_string(m.maximum) + " steps " + std::to_string(m.steps);
            else
                text += std::to_string(c.value);
            out.push_back(text);
        }
    };
    for (std::size_t i = 0; i < devices.size(); ++i) {
        out.push_back("  device " + std::to_string(i));
        for (const auto& d : devices[i].destinations) {
            out.push_back("    destination " + Quote(d.line.line.name));
            controls(d.line, "      ");
            for (const auto& s : d.sources) {
                out.push_back("      source " + Quote(s.line.name));
                controls(s, "        ");
            }
        }
    }
    if (out.empty()) out.push_back("  (no mixer device)");
    return out;
}

}  // namespace vel::sim

// The core scenario commands: the machine's set-up, the user's and the movie's
// events, and dumps.

#include "host/MainFrm.h"
#include "tools/scenario/Scenario.h"
#include "runtime/Text.h"
#include "startup/Velvinor.h"

namespace vel::sim {

namespace {

using Args = std::vector<std::string>;

DriveType ParseDriveType(Scenario& s, const std::string& word) {
    std::string w = AsciiLower(word);
    if (w == "fixed") return DriveType::Fixed;
    if (w == "cdrom") return DriveType::CdRom;
    if (w == "removable") return DriveType::Removable;
    if (w == "remote") return DriveType::Remote;
    if (w == "ramdisk") return DriveType::RamDisk;
    s.Fail("drive type: fixed, cdrom, removable, remote or ramdisk");
}

std::uint32_t ParseAttributes(Scenario& s, const Args& args, std::size_t from) {
    std::uint32_t attributes = 0;
    for (std::size_t i = from; i < args.size(); ++i) {
        std::string w = AsciiLower(args[i]);
        if (w == "hidden") attributes |= attr::Hidden;
        else if (w == "system") attributes |= attr::System;
        else if (w == "readonly") attributes |= attr::ReadOnly;
        else if (w == "link") attributes |= attr::ReparsePoint;
        else s.Fail("attribute: hidden, system, readonly or link");
    }
    return attributes;
}

std::uint16_t ParseKey(Scenario& s, const std::string& word) {
    std::string w = AsciiLower(word);
    if (w == "esc") return 27;
    if (w == "space") return 32;
    if (w == "enter") return 13;
    return static_cast<std::uint16_t>(s.Number(word));
}

std::uint32_t ParseNotice(Scenario& s, const std::string& word) {
    std::string w = AsciiLower(word);
    if (w == "successful") return notify::Successful;
    if (w == "superseded") return notify::Superseded;
    if (w == "aborted") return notify::Aborted;
    if (w == "failure") return notify::Failure;
    return static_cast<std::uint32_t>(s.Number(word));
}

void Emit(Scenario& s, const std::string& title, const std::vector<std::string>& lines) {
    s.machine.trace.Add(title, true);
    for (const auto& l : lines) s.machine.trace.Add(l, true);
}

}  // namespace

constexpr std::int64_t kLongestWait = 3'600'000;

void AddCoreCommands(Scenario& sc) {
    // ---- machine set-up ----
    sc.Add("screen", [](Scenario& s, const Args& a) {
        s.machine.ui.screen = {static_cast<int>(s.Number(s.Arg(a, 0))), static_cast<int>(s.Number(s.Arg(a, 1)))};
    });
    sc.Add("os", [](Scenario& s, const Args& a) { s.machine.process.osMajor = static_cast<int>(s.Number(s.Arg(a, 0))); });
    sc.Add("program", [](Scenario& s, const Args& a) {
        s.machine.process.programPath = Ru(s.Arg(a, 0));
        s.machine.process.arguments.clear();
        for (std::size_t i = 1; i < a.size(); ++i) s.machine.process.arguments.push_back(Ru(a[i]));
    });
    sc.Add("drive", [](Scenario& s, const Args& a) {
        std::int64_t free = a.size() > 2 ? s.Number(a[2]) : 10'000'000'000LL;
        s.machine.files.AddDrive(Ru(s.Arg(a, 0)), ParseDriveType(s, s.Arg(a, 1)), free);
    });
    sc.Add("free", [](Scenario& s, const Args& a) { s.machine.files.SetFreeBytes(Ru(s.Arg(a, 0)), s.Number(s.Arg(a, 1))); });
    sc.Add("dir", [](Scenario& s, const Args& a) { s.machine.files.AddFolder(Ru(s.Arg(a, 0)), ParseAttributes(s, a, 1)); });
    sc.Add("link", [](Scenario& s, const Args& a) { s.machine.files.AddLink(Ru(s.Arg(a, 0)), Ru(s.Arg(a, 1))); });
    sc.Add("file", [](Scenario& s, const Args& a) {
        std::string content = a.size() > 1 ? Ru(a[1]) : std::string("data");
        s.machine.files.AddFile(Ru(s.Arg(a, 0)), content, ParseAttributes(s, a, 2));
    });
    sc.Add("fail-mkdir", [](Scenario& s, const Args& a) { s.machine.files.FailCreate(Ru(s.Arg(a, 0))); });
    sc.Add("lock", [](Scenario& s, const Args& a) { s.machine.files.Lock(Ru(s.Arg(a, 0))); });
    sc.Add("unlock", [](Scenario& s, const Args& a) { s.machine.files.Unlock(Ru(s.Arg(a, 0))); });
    sc.Add("hold", [](Scenario& s, const Args& a) { s.machine.files.Hold(Ru(s.Arg(a, 0))); });
    sc.Add("release", [](Scenario& s, const Args& a) { s.machine.files.Release(Ru(s.Arg(a, 0))); });
    sc.Add("reg", [](Scenario& s, const Args& a) {
        // reg "key" "name" "data" [dword|binary|expand]
        RegValueType type = RegValueType::String;
        if (a.size() > 3) {
            const std::string t = AsciiLower(a[3]);
            type = t == "dword" ? RegValueType::DWord : t == "expand" ? RegValueType::ExpandString : RegValueType::Binary;
        }
        // Values live in keys: HKEY_LOCAL_MACHINE itself holds none.
        if (s.Arg(a, 0).find_first_not_of('\\') == std::string::npos) s.Fail("reg: a key under HKEY_LOCAL_MACHINE");
        // {CR} and {LF} in the data stand for the characters, as in the trace.
        std::string data = s.Arg(a, 2);
        for (const auto& [mark, c] : {std::pair<std::string, char>{"{CR}", '\r'}, {"{LF}", '\n'}})
            for (std::size_t at = data.find(mark); at != std::string::npos; at = data.find(mark, at + 1))
                data.replace(at, mark.size(), 1, c);
        s.machine.registry.Set(Ru(s.Arg(a, 0)), Ru(s.Arg(a, 1)), Ru(data), type);
    });
    sc.Add("reg-key", [](Scenario& s, const Args& a) { s.machine.registry.Set(Ru(s.Arg(a, 0)), "", "", RegValueType::String), s.machine.registry.DeleteValue(Ru(s.Arg(a, 0)), ""); });
    sc.Add("reg-fail", [](Scenario& s, const Args& a) { s.machine.registry.FailWrites(Ru(s.Arg(a, 0))); });
    sc.Add("reg-remove", [](Scenario& s, const Args& a) {
        const std::string name = a.size() > 1 ? Ru(a[1]) : std::string();
        s.machine.registry.Remove(Ru(s.Arg(a, 0)), a.size() > 1 ? &name : nullptr);
    });
    sc.Add("reg-deny-open", [](Scenario& s, const Args& a) { s.machine.registry.DenyOpen(Ru(s.Arg(a, 0))); });
    sc.Add("reg-deny-delete", [](Scenario& s, const Args& a) { s.machine.registry.DenyDelete(Ru(s.Arg(a, 0))); });
    sc.Add("reg-allow-delete", [](Scenario& s, const Args& a) { s.machine.registry.AllowDelete(Ru(s.Arg(a, 0))); });
    sc.Add("cwd", [](Scenario& s, const Args& a) { s.machine.files.SetCurrentFolder(Ru(s.Arg(a, 0))); });
    sc.Add("flash", [](Scenario& s, const Args& a) {
        std::string what = AsciiLower(s.Arg(a, 0));
        if (what == "version") s.machine.movie.version = Ru(s.Arg(a, 1));
        else if (what == "missing") s.machine.movie.registered = false;
        else if (what == "flashvars-fail") s.machine.movie.flashVarsFail = true;
        else if (what == "getvariable-fail") s.machine.movie.getVariableFails = true;
        else if (what == "setvariable-fail") s.machine.movie.setVariableFails = true;
        else if (what == "trace-every-write") s.machine.movie.traceEveryWrite = true;
        else s.Fail("flash: version, missing, flashvars-fail, getvariable-fail, setvariable-fail or trace-every-write");
    });
    sc.Add("media", [](Scenario& s, const Args& a) {
        SimMedia::Behaviour b;
        for (std::size_t i = 1; i < a.size(); ++i) {
            std::string w = AsciiLower(a[i]);
            if (w == "error") b.openError = static_cast<MciError>(s.Number(s.Arg(a, ++i)));
            else if (w == "novideo") b.video = false;
            else if (w == "play-error") b.playError = static_cast<MciError>(s.Number(s.Arg(a, ++i)));
            else if (w == "window-error") b.windowError = static_cast<MciError>(s.Number(s.Arg(a, ++i)));
            else if (w == "destination-error") b.destinationError = static_cast<MciError>(s.Number(s.Arg(a, ++i)));
            else if (w == "size") {
                const std::string& size = s.Arg(a, ++i);
                std::size_t x = size.find('x');
                if (x == std::string::npos) s.Fail("size WxH");
                b.size = {static_cast<int>(s.Number(size.substr(0, x))), static_cast<int>(s.Number(size.substr(x + 1)))};
            } else s.Fail("media: error N, novideo, play-error N, window-error N, destination-error N or size WxH");
        }
        s.machine.media.Define(Ru(s.Arg(a, 0)), b);
    });
    sc.Add("mutex", [](Scenario& s, const Args& a) {
        // "released": the other process has ended.
        if (a.size() > 1 && AsciiLower(a[1]) == "released") s.machine.process.foreignMutexes.erase(Ru(s.Arg(a, 0)));
        else s.machine.process.foreignMutexes.insert(Ru(s.Arg(a, 0)));
    });
    sc.Add("progman", [](Scenario& s, const Args& a) {
        std::string what = AsciiLower(s.Arg(a, 0));
        if (what == "absent") s.machine.dde.serverRunning = false;
        else if (what == "starts-when-started") s.machine.dde.serverRunning = false, s.machine.dde.startsWhenStarted = true;
        else if (what == "group") {
            auto& items = s.machine.dde.groups[Ru(s.Arg(a, 1))];
            for (std::size_t i = 2; i + 1 < a.size(); i += 2) items.push_back({Ru(a[i]), Ru(a[i + 1])});
        } else s.Fail("progman: absent, starts-when-started or group");
    });
    sc.Add("printer", [](Scenario& s, const Args& a) {
        std::string what = AsciiLower(s.Arg(a, 0));
        if (what == "none") s.machine.printer.hasDefault = false;
        else if (what == "unsupported") s.machine.printer.supportsSettings = false;
        else s.Fail("printer: none or unsupported");
    });
    sc.Add("shell-result", [](Scenario& s, const Args& a) {
        const std::string outcome = s.Arg(a, 1);
        s.machine.shell.SetResult(Ru(s.Arg(a, 0)), AsciiLower(outcome) == "started"
                                                       ? ShellStart::Started()
                                                       : ShellStart::Failed(static_cast<int>(s.Number(outcome))));
    });
    sc.Add("shell-copy-fails", [](Scenario& s, const Args&) { s.machine.shell.FailCopies(true); });
    sc.Add("note", [](Scenario& s, const Args& a) { s.machine.trace.Add("# " + s.Arg(a, 0)); });
    sc.Add("trace", [](Scenario& s, const Args& a) {
        if (a.size() == 1 && a[0] == "all") return s.machine.trace.ShowAll();
        s.Arg(a, 0);
        const bool allBut = a.size() > 2 && a[0] == "all" && a[1] == "but";
        const std::string unknown =
            allBut ? s.machine.trace.ShowAllBut({a.begin() + 2, a.end()}) : s.machine.trace.ShowOnly(a);
        if (!unknown.empty()) s.Fail("trace: unknown service " + unknown);
    });

    // ---- events while the program runs ----
    // The process is killed (the task manager, a power cut of the program alone).
    sc.Add("kill", [](Scenario&, const Args&) { throw ProgramKilled{}; }, true);
    sc.Add("fscommand", [](Scenario& s, const Args& a) {
        SimMoviePlayer* player = s.machine.movie.current;
        if (!player) s.Fail("fscommand: no movie player");
        player->Raise(Utf8ToWide(s.Arg(a, 0)), Utf8ToWide(a.size() > 1 ? a[1] : ""));
    }, true);
    sc.Add("keyup", [](Scenario& s, const Args& a) {
        auto* form = dynamic_cast<Form*>(&s.FindControl(s.Arg(a, 0)));
        if (!form) s.Fail("keyup: " + a[0] + " is not a window");
        form->UserKeyUp(ParseKey(s, s.Arg(a, 1)), 0);
    }, true);
    sc.Add("rbutton", [](Scenario& s, const Args& a) {
        s.FindControl(s.Arg(a, 0));
        s.machine.ui.RightButtonDown(a[0]);
    }, true);
    sc.Add("rbutton-up", [](Scenario& s, const Args& a) {
        s.FindControl(s.Arg(a, 0));
        s.machine.ui.RightButtonUp(a[0]);
    }, true);
    sc.Add("click", [](Scenario& s, const Args& a) { s.FindControl(s.Arg(a, 0)).UserClick(); }, true);
    sc.Add("type", [](Scenario& s, const Args& a) {
        auto* edit = dynamic_cast<Edit*>(&s.FindControl(s.Arg(a, 0)));
        if (!edit) s.Fail("type: not an edit field");
        edit->UserType(Ru(s.Arg(a, 1)));
    }, true);
    sc.Add("select", [](Scenario& s, const Args& a) {
        auto* tree = dynamic_cast<FolderTree*>(&s.FindControl(s.Arg(a, 0)));
        if (!tree) s.Fail("select: not a folder tree");
        tree->UserSelect(a.size() > 1 ? Ru(a[1]) : std::string());
    }, true);
    sc.Add("close", [](Scenario& s, const Args& a) {
        auto* form = dynamic_cast<Form*>(&s.FindControl(s.Arg(a, 0)));
        if (!form) s.Fail("close: not a window");
        form->UserClose();
    }, true);
    sc.Add("wait", [](Scenario& s, const Args& a) {
        // The loop ticks through every simulated millisecond's timers: an hour at most.
        const std::int64_t ms = s.Number(s.Arg(a, 0));
        if (ms < 0 || ms > kLongestWait) s.Fail("wait: 0 to " + std::to_string(kLongestWait) + " ms");
        s.machine.ui.Wait(static_cast<std::uint32_t>(ms));
    }, true);
    sc.Add("media-end", [](Scenario& s, const Args& a) {
        if (!s.machine.media.EndPlay(a.empty() ? notify::Successful : ParseNotice(s, a[0]))) s.Fail("media-end: nothing plays");
    }, true);
    sc.Add("media-end-closed", [](Scenario& s, const Args& a) {
        if (!s.machine.media.EndClosed(a.empty() ? notify::Successful : ParseNotice(s, a[0])))
            s.Fail("media-end-closed: no device was closed after a play");
    }, true);
    sc.Add("minimize", [](Scenario& s, const Args&) { s.machine.ui.UserMinimize(); }, true);
    sc.Add("restore", [](Scenario& s, const Args&) { s.machine.ui.UserRestore(); }, true);

    // ---- dumps ----
    sc.Add("dump", [](Scenario& s, const Args& a) {
        std::string what = AsciiLower(s.Arg(a, 0));
        if (what == "registry") {
            Emit(s, "registry:", s.machine.registry.Dump(a.size() > 1 ? Ru(a[1]) : std::string()));
        } else if (what == "files") {
            Emit(s, "files:", s.machine.files.Dump(Ru(s.Arg(a, 1))));
        } else if (what == "file") {
            auto content = s.machine.files.Content(Ru(s.Arg(a, 1)));
            Emit(s, "file " + Quote(Ru(a[1])) + ":", {content ? "  " + Quote(*content) : "  (missing)"});
        } else if (what == "progman") {
            Emit(s, "program manager:", s.machine.dde.Dump());
        } else if (what == "movie") {
            std::vector<std::string> lines;
            if (auto* p = s.machine.movie.current) {
                lines.push_back(std::string("  ") + (p->Visible() ? "visible" : "hidden") + " at " +
                                std::to_string(p->Bounds().left) + "," + std::to_string(p->Bounds().top) + " " +
                                std::to_string(p->Bounds().width) + "x" + std::to_string(p->Bounds().height));
                for (const auto& [name, value] : p->variables) lines.push_back("  " + Quote(name) + " = " + Quote(value));
            } else {
                lines.push_back("  (no movie player)");
            }
            Emit(s, "movie:", lines);
        } else if (what == "window") {
            Control& c = s.FindControl(s.Arg(a, 1));
            std::vector<std::string> lines;
            auto describe = [&](Control& x) {
                Rect b = x.Bounds();
                std::string line = "  " + x.Path() + (x.Visible() ? " visible" : " hidden") +
                                   (x.Enabled() ? "" : " disabled") + " " + std::to_string(b.left) + "," +
                                   std::to_string(b.top) + " " + std::to_string(b.width) + "x" + std::to_string(b.height);
                if (!x.Text().empty()) line += " " + Quote(x.Text());
                if (auto* tb = dynamic_cast<TrackBar*>(&x))
                    line += " position " + std::to_string(tb->Position()) + " of " + std::to_string(tb->Min()) + ".." +
                            std::to_string(tb->Max());
                if (auto* pb = dynamic_cast<ProgressBar*>(&x))
                    line += " position " + std::to_string(pb->Position()) + " of " + std::to_string(pb->Min()) + ".." +
                            std::to_string(pb->Max());
                if (auto* cb = dynamic_cast<CheckBox*>(&x)) line += cb->Checked() ? " checked" : " unchecked";
                lines.push_back(line);
            };
            describe(c);
            for (Control* child : c.Children()) describe(*child);
            Emit(s, "window " + c.Path() + ":", lines);
        } else if (what == "state") {
            Program& p = s.RequireProgram("dump state");
            TMainForm& m = *p.MainForm;
            Emit(s, "state:",
                 {"  ProcessorFreq=" + std::to_string(m.ProcessorFreq) + " EscIntro=" + (m.EscIntro ? "1" : "0") +
                  " FlashError=" + (m.FlashError ? "1" : "0") + " Minimized=" + (m.Minimized ? "1" : "0") +
                  " ClipIsCopy=" + (m.ClipIsCopy ? "1" : "0") + " RestartLaunched=" + (m.RestartLaunched ? "1" : "0") +
                  " cursor=" + (p.app.CurrentCursor() == Cursor::HourGlass ? "hourglass" : "default")});
        } else {
            s.Fail("dump: registry, files, file, progman, movie, window or state");
        }
    });
}

}  // namespace vel::sim

// velvinor_fuzz: random scenarios on the simulated machine, under the sanitizers.
// Each case is a scenario written from a seed: either made up from the program's
// commands, keys, notices and boxes with hostile arguments, or a scenario of the
// corpus with lines deleted, repeated, moved or rewritten. A case may be refused by
// the scenario language (a bad line is the language's to refuse); it fails when
// the process crashes or a sanitizer reports, an exception other than the
// language's own escapes, the program runs away (the trace limit) or a case takes
// longer than the per-case time limit (a hang). Cases are numbered from the first
// seed on, so a run is the same on every machine; the budget only cuts it short.
//
//   velvinor_fuzz [--seed N] [--cases N] [--budget SECONDS] [--case-limit SECONDS]
//                 [--write-case FILE] [--show SEED] CORPUS-FILE-OR-FOLDER...

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/scenario/Scenario.h"

namespace {

using Clock = std::chrono::steady_clock;

// The standard engine is the same everywhere; the picks below use only its output.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_engine(seed) {}
    std::uint64_t Below(std::uint64_t n) { return n == 0 ? 0 : m_engine() % n; }
    bool Chance(int percent) { return Below(100) < static_cast<std::uint64_t>(percent); }
    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(N)];
    }
    const std::string& Pick(const std::vector<std::string>& items) { return items[Below(items.size())]; }

private:
    std::mt19937_64 m_engine;
};

// A scenario word: quoted, a quote doubled.
std::string Q(const std::string& text) {
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

const char* const kNumbers[] = {"0", "1", "-1", "7", "10", "50", "100", "101", "255", "65535", "65536",
                                "2147483647", "-2147483648", "2147483648", "4294967295", "$FFFFFFFF", "0x7fffffff",
                                "-5", " 5", "5 ", "1e3", "", "abc", "99999999999999999999"};
const char* const kSides[] = {"0", "1", "-1", "100", "700", "1024", "65535", "2147483647", "-2147483648", "-700"};
const char* const kCommands[] = {"quit", "minimize", "maximize", "normalize", "print", "setvolume", "cursor",
                                 "execute", "save", "saveLevel", "saveini", "saveTransferPath", "plaympg"};
const char* const kClips[] = {"lesson1", "lesson2", "broken", "sound", "sub\\clip", "..\\..\\Velvinor", "",
                              "lesson1.mpg", "x.mpg\\y", "ролик"};
const char* const kDocuments[] = {"parents.rtf", "Parents.RTF", "big.rtf", "x.rtf.txt", "missing.rtf", "doc.pdf", "",
                                  "docs\\a.rtf", "..\\Velvinor.exe", "locked.rtf"};
const char* const kKeys[] = {"Esc", "Space", "Enter", "27", "32", "13", "0", "65", "65535"};
const char* const kForms[] = {"MainForm", "IntroForm", "RtfForm", "MessageForm", "SoundControlForm"};
const char* const kNotices[] = {"successful", "superseded", "aborted", "failure", "0", "99", "4294967295"};
const char* const kScreens[] = {"1024 768", "800 600", "640 480", "1280 1024", "1920 1080", "1 1", "0 0",
                                "2147483647 2147483647", "1 2147483647", "2147483647 1", "-1024 -768",
                                "-2147483648 -2147483648"};

// Text a movie might send: blanks, Cyrillic, NUL-free control bytes, 0x98, long runs.
std::string HostileText(Random& r) {
    switch (r.Below(8)) {
        case 0: return r.Pick(kNumbers);
        case 1: return "nan";
        case 2: return "NaN";
        case 3: return "Маша & Саша = \"друзья\"";
        case 4: return std::string(r.Below(3000), 'x');
        case 5: {
            std::string s;
            for (std::uint64_t i = 0, n = r.Below(12); i < n; ++i) s += static_cast<char>(1 + r.Below(126));
            return s;
        }
        case 6: return "\xC2\x98\xC2\x80 \xE2\x82\xAC";  // U+0098, U+0080, the euro sign
        default: return "";
    }
}

std::string MixCase(Random& r, std::string name) {
    for (char& c : name)
        if (r.Chance(30) && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (r.Chance(5)) name = " " + name;
    if (r.Chance(5)) name += "X";
    return name;
}

std::string Event(Random& r) {
    switch (r.Below(13)) {
        case 0:
        case 1:
        case 2: {
            // Quitting ends the case's run: seldom.
            std::string command = r.Pick(kCommands);
            if (command == "quit" && r.Chance(80)) command = "print";
            const std::string name = MixCase(r, command);
            std::string args;
            const std::string folded = [&] {
                std::string s;
                for (char c : name) s += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
                return s;
            }();
            if (folded == "plaympg") args = r.Pick(kClips);
            else if (folded == "execute") args = r.Pick(kDocuments);
            else if (folded == "cursor") args = r.Chance(50) ? "wait" : r.Chance(50) ? "NORM" : HostileText(r);
            else args = HostileText(r);
            std::string line = "fscommand " + Q(name) + " " + Q(args);
            // A box the command may open lets another command through.
            if (r.Chance(15)) line += "\nduring messagebox fscommand " + Q(r.Pick(kCommands)) + " " + Q(r.Pick(kClips));
            return line;
        }
        case 3: return "fscommand " + Q(HostileText(r)) + " " + Q(HostileText(r));
        case 4: return std::string("keyup ") + r.Pick(kForms) + " " + r.Pick(kKeys);
        case 5: return std::string(r.Chance(50) ? "rbutton " : "rbutton-up ") + r.Pick(kForms);
        case 6: return "wait " + std::to_string(r.Below(400));
        case 7: return std::string("media-end ") + r.Pick(kNotices);
        case 8: return std::string("media-end-closed ") + r.Pick(kNotices);
        case 9: return r.Chance(50) ? "minimize" : "restore";
        case 10: {
            // Closing the main window ends the run: seldom.
            const std::string form = r.Pick(kForms);
            return "close " + (form == "MainForm" && r.Chance(80) ? std::string("RtfForm") : form);
        }
        case 11:
            return std::string("move ") + r.Pick(kForms) + " " + r.Pick(kSides) + " " + r.Pick(kSides) + " " +
                   r.Pick(kSides) + " " + r.Pick(kSides);
        default: return std::string("deny-read ") + Q("C:\\Game\\SWF\\frame.bmp");
    }
}

// An installed game with clips, documents and devices that may fail, then events.
std::string MadeUpScenario(Random& r) {
    std::ostringstream s;
    s << "screen " << r.Pick(kScreens) << "\n";
    if (r.Chance(20)) s << "os 6\n";
    const bool disc = r.Chance(30);
    const std::string folder = disc ? "D:\\" : "C:\\Game\\";
    if (disc) s << "drive D: cdrom 0\n";
    s << "program " << Q(folder + "Velvinor.exe") << "\n";
    for (const char* f : {"Velvinor.exe", "SWF\\Game.swf", "SWF\\logo_deve.avi", "SWF\\logo_trelkon.avi",
                          "SWF\\frame.bmp", "SWF\\lesson1.mpg", "SWF\\lesson2_.mpg", "SWF\\broken.mpg",
                          "SWF\\sound.mpg", "SWF\\parents.rtf", "SWF\\x.rtf.txt", "SWF\\locked.rtf", "install.bmp"})
        if (!r.Chance(5)) s << "file " << Q(folder + f) << "\n";
    s << "media " << Q(folder + "SWF\\broken.mpg") << " error 277\n";
    s << "media " << Q(folder + "SWF\\sound.mpg") << " novideo\n";
    if (r.Chance(30)) s << "media " << Q(folder + "SWF\\lesson1.mpg") << " play-error 277\n";
    if (r.Chance(10)) s << "media " << Q(folder + "SWF\\logo_deve.avi") << " error 263\n";
    if (r.Chance(20)) s << "deny-read " << Q(folder + "SWF\\locked.rtf") << "\n";
    if (r.Chance(10)) s << "flash version " << Q(r.Chance(50) ? "WIN 6,0,79,0" : "WIN abc") << "\n";
    if (r.Chance(10)) s << "printer none\n";
    // Installed (the marker empty), mid-installation, or not installed at all.
    const std::uint64_t state = r.Below(4);
    if (state != 3) s << "reg \"\\Software\\Trelkon\\Velvinor\" \"\" " << Q(state == 2 ? "Transfering" : "") << "\n";
    if (r.Chance(20)) s << "reg \"\\Software\\Trelkon\\Velvinor\" \"Count\" \"1\" dword\n";
    if (r.Chance(30)) s << "reg \"\\Software\\Trelkon\\Velvinor\" \"Level\" " << Q(HostileText(r)) << "\n";
    if (r.Chance(10)) s << "program " << Q(folder + "Velvinor.exe") << " -u\n";
    s << "start\n";
    if (state == 3 || r.Chance(10)) {
        // The installer dialog: answers, clicks and folders typed.
        const char* const dialog[] = {"click StartingForm.YesButton", "click StartingForm.NoButton",
                                      "click StartingForm.OKButton", "click StartingForm.PathBtn",
                                      "close StartingForm", "type StartingForm.FolderEdit \"\\Games\"",
                                      "type StartingForm.FolderEdit \"E:\\Ga|mes\"", "type StartingForm.FolderEdit \"   \"",
                                      "select StartingForm.ShellTreeView \"C:\\Kids\"", "answer Yes", "answer No"};
        for (std::uint64_t i = 0, n = 1 + r.Below(6); i < n; ++i) s << r.Pick(dialog) << "\n";
    }
    if (r.Chance(70)) s << "keyup IntroForm Esc\n";
    for (std::uint64_t i = 0, n = 5 + r.Below(40); i < n; ++i) s << Event(r) << "\n";
    if (r.Chance(30)) s << "start\n" << Event(r) << "\n" << Event(r) << "\n";
    return s.str();
}

// A corpus scenario with a few lines deleted, repeated, moved or rewritten.
std::string Mutated(Random& r, const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (lines.empty()) lines.push_back("start");
    for (std::uint64_t m = 0, n = 1 + r.Below(6); m < n; ++m) {
        const std::size_t at = r.Below(lines.size());
        switch (r.Below(7)) {
            case 0:
                if (lines.size() > 1) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            case 1: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), lines[at]); break;
            case 2: std::swap(lines[at], lines[r.Below(lines.size())]); break;
            case 3: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Event(r)); break;
            case 4: {
                // A word of the line becomes a number, a hostile text or nothing.
                std::string& line = lines[at];
                const std::size_t blank = line.find(' ', r.Below(line.size() + 1));
                if (blank != std::string::npos)
                    line = line.substr(0, blank + 1) + (r.Chance(50) ? std::string(r.Pick(kNumbers)) : Q(HostileText(r)));
                break;
            }
            case 5: {
                // Bytes of the language itself: quotes, blanks, a comment mark.
                const char* const bits[] = {"\"", "\"\"", " ", "#", "\t", "\\", "\r"};
                lines[at].insert(r.Below(lines[at].size() + 1), r.Pick(bits));
                break;
            }
            default: lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), "start"); break;
        }
    }
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

std::vector<std::string> ReadCorpus(const std::vector<std::string>& paths) {
    std::vector<std::filesystem::path> files;
    for (const auto& p : paths) {
        if (std::filesystem::is_directory(p)) {
            for (const auto& e : std::filesystem::directory_iterator(p))
                if (e.path().extension() == ".scn") files.push_back(e.path());
        } else {
            files.emplace_back(p);
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> corpus;
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        corpus.push_back(text.str());
    }
    return corpus;
}

std::string CaseText(std::uint64_t seed, const std::vector<std::string>& corpus) {
    Random r(seed);
    if (!corpus.empty() && r.Chance(40)) return Mutated(r, r.Pick(corpus));
    return MadeUpScenario(r);
}

enum class Outcome { Ran, EndedEarly, Refused, Failed };

Outcome RunCase(const std::string& text, std::string& why) {
    vel::sim::SimMachine machine;
    vel::sim::Scenario scenario(machine);
    try {
        scenario.Run(text);
    } catch (const vel::sim::ScenarioError& error) {
        why = error.what();
        // Past the trace's limit the program ran away: a hang, not a bad line.
        if (machine.trace.Overflowed()) return Outcome::Failed;
        // The program ended (quit, an installation path) before the case's last events.
        if (why.find("no program is running") != std::string::npos) return Outcome::EndedEarly;
        return Outcome::Refused;
    } catch (const std::exception& error) {
        why = std::string("an exception escaped: ") + error.what();
        return Outcome::Failed;
    } catch (...) {
        why = "an exception of no standard type escaped";
        return Outcome::Failed;
    }
    // The runner notes what escaped the program's run.
    for (const auto& line : machine.trace.Lines())
        if (line.rfind("== the program failed", 0) == 0) {
            why = "the program's start raised: " + line;
            return Outcome::Failed;
        }
    return Outcome::Ran;
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t firstSeed = 1, cases = 1000, show = 0;
    double budget = 50, caseLimit = 20;
    std::string caseFile;
    std::vector<std::string> corpusPaths;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << a << ": missing value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--seed") firstSeed = std::stoull(next());
        else if (a == "--cases") cases = std::stoull(next());
        else if (a == "--budget") budget = std::stod(next());
        else if (a == "--case-limit") caseLimit = std::stod(next());
        else if (a == "--write-case") caseFile = next();
        else if (a == "--show") show = std::stoull(next());
        else corpusPaths.push_back(a);
    }
    const std::vector<std::string> corpus = ReadCorpus(corpusPaths);
    if (show) {
        std::cout << CaseText(show, corpus);
        return 0;
    }

    // The watchdog: a case past its limit is a hang; the process ends with its seed.
    std::atomic<std::uint64_t> current{0}, currentSeed{0};
    std::atomic<std::int64_t> startedAt{0};
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::condition_variable wake;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(mutex);
        while (!done) {
            wake.wait_for(lock, std::chrono::milliseconds(200));
            const auto now = Clock::now().time_since_epoch().count();
            const double seconds = std::chrono::duration<double>(Clock::duration(now - startedAt.load())).count();
            if (!done && current.load() != 0 && seconds > caseLimit) {
                std::fprintf(stderr, "HANG: case %llu (seed %llu; 0 is a corpus case as it stands) ran for more than %.0f s\n",
                             static_cast<unsigned long long>(current.load()),
                             static_cast<unsigned long long>(currentSeed.load()), caseLimit);
                std::fflush(stderr);
                std::_Exit(3);
            }
        }
    });

    const auto begin = Clock::now();
    std::uint64_t ran = 0, ended = 0, refused = 0, run = 0;
    int failures = 0;
    // The corpus first, as it stands (seed 0 stands for "as it is"): it keeps the
    // cases that once failed; then the seeds.
    std::vector<std::pair<std::uint64_t, std::string>> queue;
    for (const auto& text : corpus) queue.emplace_back(0, text);
    for (std::size_t i = 0; i < queue.size() + cases; ++i) {
        if (std::chrono::duration<double>(Clock::now() - begin).count() > budget) break;
        const bool fromCorpus = i < queue.size();
        const std::uint64_t seed = fromCorpus ? 0 : firstSeed + (i - queue.size());
        const std::string text = fromCorpus ? queue[i].second : CaseText(seed, corpus);
        // A crash or a sanitizer's report ends the process: the case is left behind.
        if (!caseFile.empty()) std::ofstream(caseFile, std::ios::binary | std::ios::trunc) << text;
        startedAt = Clock::now().time_since_epoch().count();
        currentSeed = seed;
        current = i + 1;
        std::string why;
        const Outcome outcome = RunCase(text, why);
        current = 0;
        ++run;
        if (outcome == Outcome::Ran) ++ran;
        else if (outcome == Outcome::EndedEarly) ++ended;
        else if (outcome == Outcome::Refused) ++refused;
        else {
            ++failures;
            if (fromCorpus) std::cerr << "FAILED: corpus case " << i + 1 << " as it stands: " << why << "\n";
            else std::cerr << "FAILED: case seed " << seed << ": " << why << " (velvinor_fuzz --show " << seed << ")\n";
        }
    }
    done = true;
    wake.notify_all();
    watchdog.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    const std::uint64_t seeded = run > queue.size() ? run - queue.size() : 0;
    std::cout << "velvinor_fuzz: " << run << " cases (" << std::min<std::uint64_t>(run, queue.size())
              << " of the corpus as they stand, seeds " << firstSeed << " to " << firstSeed + seeded - 1 << ") in "
              << seconds << " s: " << ran << " ran to the end, " << ended
              << " ended by the program before their last events, " << refused << " refused by the scenario language, "
              << failures << " failed\n";
    return failures == 0 ? 0 : 1;
}

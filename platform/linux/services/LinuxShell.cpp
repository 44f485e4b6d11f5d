// The shell on Linux: documents through xdg-open, programs started directly, and the
// recursive folder copy with its progress window. Children are reaped on GLib's
// default main context.

#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <gtk/gtk.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <thread>
#include <vector>

#include "platform/linux/services/LinuxServices.h"
#include "platform/linux/services/Utf8.h"
#include "runtime/CommandLine.h"
#include "runtime/Text.h"

namespace vel::lnx {
namespace {

// The codes the user sees, the shell's own where they fit.
constexpr std::intptr_t kFileNotFound = 2;
constexpr std::intptr_t kPathNotFound = 3;
constexpr std::intptr_t kAccessDenied = 5;
constexpr std::intptr_t kBadFormat = 11;
constexpr std::intptr_t kNoAssociation = 31;
constexpr std::intptr_t kStarted = 33;
constexpr int kDestinationInsideSource = 0x76;  // the shell's DE_DESTSUBTREE
constexpr int kNotSupported = 50;
constexpr int kDiskFull = 112;
constexpr int kWriteProtect = 19;
constexpr int kFailed = 1627;

// How long an opening may take to say that it failed (xdg-open takes 2 s to give up on
// a busy machine). Without a desktop it runs the viewer in the foreground: still
// running after this, it counts as started.
constexpr auto kOpenVerdict = std::chrono::milliseconds(5000);

int CopyError(int error) {
    switch (error) {
        case ENOENT: return static_cast<int>(kFileNotFound);
        case ENOTDIR: return static_cast<int>(kPathNotFound);
        case EACCES:
        case EPERM: return static_cast<int>(kAccessDenied);
        case ENOSPC:
        case EDQUOT: return kDiskFull;
        case EROFS: return kWriteProtect;
        default: return kFailed;
    }
}

// Reaps a started child whenever it ends, through the program's loop.
void ReapLater(GPid pid) {
    g_child_watch_add(pid, [](GPid child, gint, gpointer) { g_spawn_close_pid(child); }, nullptr);
}

// Starts argv[0] (searched on PATH when it has no slash) in `folder` ("" = ours).
std::intptr_t Start(const std::vector<std::string>& argv, const std::string& folder, GPid* pid = nullptr) {
    if (argv.empty() || argv[0].empty()) return kFileNotFound;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    GPid child = 0;
    GError* error = nullptr;
    const auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD);
    if (!g_spawn_async(folder.empty() ? nullptr : folder.c_str(), args.data(), nullptr, flags, nullptr, nullptr,
                       &child, &error)) {
        std::intptr_t code = 0;  // out of resources, as the system says for the rest
        if (error->domain == G_SPAWN_ERROR) {
            switch (error->code) {
                case G_SPAWN_ERROR_NOENT: code = kFileNotFound; break;
                case G_SPAWN_ERROR_NOTDIR:
                case G_SPAWN_ERROR_CHDIR: code = kPathNotFound; break;
                case G_SPAWN_ERROR_ACCES:
                case G_SPAWN_ERROR_PERM: code = kAccessDenied; break;
                case G_SPAWN_ERROR_NOEXEC: code = kBadFormat; break;
                default: break;
            }
        }
        g_error_free(error);
        return code;
    }
    if (pid) *pid = child;
    else ReapLater(child);
    return kStarted;
}

// A program file the system can run itself: executable, and a binary or a script.
bool IsProgram(const std::string& path, const struct stat& info) {
    if (!S_ISREG(info.st_mode) || access(path.c_str(), X_OK) != 0) return false;
    // A disc marks every file executable; a document there is still a document.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char head[4] = {};
    ssize_t n = read(fd, head, sizeof head);
    close(fd);
    return (n >= 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') ||
           (n >= 2 && head[0] == '#' && head[1] == '!');
}

std::string Parent(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Told before each file (its source path, UTF-8) and the bytes copied so far; false
// stops the copy.
using CopyProgress = std::function<bool(const std::string& file, std::int64_t bytesDone)>;

// The bytes of the regular files under a folder, links not followed.
std::int64_t TreeBytes(const std::string& folder) {
    std::int64_t total = 0;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return 0;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info {};
        if (lstat((folder + "/" + name).c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode)) total += TreeBytes(folder + "/" + name);
        else if (S_ISREG(info.st_mode)) total += info.st_size;
    }
    closedir(dir);
    return total;
}

class Copier {
public:
    explicit Copier(CopyProgress progress = nullptr) : m_progress(std::move(progress)) {}
    bool Stopped() const { return m_stopped; }
    // What was left out: the names the program could not record.
    const std::vector<std::string>& LeftOut() const { return m_leftOut; }

    // Copies every entry of `from` into `to`, never following a link; goes on past a
    // failure and gives the first one's code (0 = none).
    int Folder(const std::string& from, const std::string& to) {
        DIR* dir = opendir(from.c_str());
        if (!dir) return Fail(errno);
        std::vector<std::string> names;
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
        for (const auto& name : names) {
            if (m_stopped) break;
            // The program records what it copied in code page 1251, and removes only
            // what it recorded: a name that page cannot hold would be left for ever.
            if (!Utf8ToAnsiExact(name)) {
                m_leftOut.push_back(from + "/" + name);
                continue;
            }
            Entry(from + "/" + name, to + "/" + name);
        }
        return m_first;
    }

private:
    void Entry(const std::string& from, const std::string& to) {
        struct stat info {};
        if (lstat(from.c_str(), &info) != 0) {
            Fail(errno);
            return;
        }
        if (S_ISDIR(info.st_mode)) {
            // The copy is the user's own to change and to remove, whatever the disc said.
            struct stat there {};
            if (lstat(to.c_str(), &there) == 0 && !S_ISDIR(there.st_mode) && unlink(to.c_str()) != 0) {
                Fail(errno);
                return;
            }
            if (mkdir(to.c_str(), (info.st_mode & 0777) | 0700) != 0 && errno != EEXIST) {
                Fail(errno);
                return;
            }
            Folder(from, to);
        } else if (S_ISREG(info.st_mode)) {
            if (m_progress && !m_progress(from, m_bytes)) {
                m_stopped = true;
                return;
            }
            File(from, to, (info.st_mode & 0777) | 0600);
            m_bytes += info.st_size;
        } else if (S_ISLNK(info.st_mode)) {
            std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : PATH_MAX) + 1);
            ssize_t n = readlink(from.c_str(), target.data(), target.size() - 1);
            if (n < 0) {
                Fail(errno);
                return;
            }
            target[static_cast<std::size_t>(n)] = '\0';
            Replace(to);
            if (symlink(target.data(), to.c_str()) != 0) Fail(errno);
        } else {
            m_first = m_first ? m_first : kNotSupported;  // a device, pipe or socket has no copy
        }
    }

    void File(const std::string& from, const std::string& to, mode_t mode) {
        int in = open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (in < 0) {
            Fail(errno);
            return;
        }
        // A link where the copy goes is replaced, never written through.
        Replace(to);
        int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
        if (out < 0) {
            Fail(errno);
            close(in);
            return;
        }
        fchmod(out, mode);  // an existing file keeps its own mode through open
        char buffer[1 << 16];
        bool ok = true;
        while (ok) {
            ssize_t n = read(in, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            for (ssize_t done = 0; ok && done < n;) {
                ssize_t w = write(out, buffer + done, static_cast<std::size_t>(n - done));
                if (w < 0 && errno == EINTR) continue;
                ok = w > 0;
                if (ok) done += w;
            }
        }
        if (!ok) Fail(errno);
        if (close(out) != 0 && ok) Fail(errno);
        close(in);
    }

    static void Replace(const std::string& path) {
        struct stat there {};
        if (lstat(path.c_str(), &there) == 0 && S_ISLNK(there.st_mode)) unlink(path.c_str());
    }

    int Fail(int error) {
        if (!m_first) m_first = CopyError(error);
        return m_first;
    }

    int m_first = 0;
    std::vector<std::string> m_leftOut;
    CopyProgress m_progress;
    std::int64_t m_bytes = 0;
    bool m_stopped = false;
};

// The copy's progress window, as the system's copy shows one: the file under way and
// a bar of the bytes, above the program's window, with a button that stops the copy.
// While it is up the loop runs between files, every tenth of a second at most.
class ProgressWindow {
public:
    ProgressWindow(GtkWidget* owner, std::int64_t totalBytes) : m_total(totalBytes) {
        m_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_title(GTK_WINDOW(m_window), "Копирование...");
        gtk_window_set_modal(GTK_WINDOW(m_window), TRUE);
        gtk_window_set_resizable(GTK_WINDOW(m_window), FALSE);
        gtk_window_set_type_hint(GTK_WINDOW(m_window), GDK_WINDOW_TYPE_HINT_DIALOG);
        GtkWidget* top = owner ? gtk_widget_get_toplevel(owner) : nullptr;
        if (top && GTK_IS_WINDOW(top)) {
            gtk_window_set_transient_for(GTK_WINDOW(m_window), GTK_WINDOW(top));
            gtk_window_set_position(GTK_WINDOW(m_window), GTK_WIN_POS_CENTER_ON_PARENT);
            gtk_window_set_keep_above(GTK_WINDOW(m_window), TRUE);
        } else {
            gtk_window_set_position(GTK_WINDOW(m_window), GTK_WIN_POS_CENTER);
        }
        gtk_window_set_default_size(GTK_WINDOW(m_window), 400, -1);
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
        gtk_container_set_border_width(GTK_CONTAINER(box), 12);
        m_file = gtk_label_new("");
        gtk_label_set_xalign(GTK_LABEL(m_file), 0);
        gtk_label_set_ellipsize(GTK_LABEL(m_file), PANGO_ELLIPSIZE_MIDDLE);
        m_bar = gtk_progress_bar_new();
        GtkWidget* cancel = gtk_button_new_with_label("Отмена");
        gtk_widget_set_halign(cancel, GTK_ALIGN_END);
        g_signal_connect(cancel, "clicked", G_CALLBACK(+[](GtkButton*, gpointer self) {
                             static_cast<ProgressWindow*>(self)->m_cancelled = true;
                         }),
                         this);
        g_signal_connect(m_window, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                             static_cast<ProgressWindow*>(self)->m_cancelled = true;
                             return TRUE;
                         }),
                         this);
        gtk_box_pack_start(GTK_BOX(box), m_file, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), m_bar, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), cancel, FALSE, FALSE, 0);
        gtk_container_add(GTK_CONTAINER(m_window), box);
        gtk_widget_show_all(m_window);
        Pump();
    }
    ~ProgressWindow() { gtk_widget_destroy(m_window); }

    // False once the user has stopped the copy.
    bool Step(const std::string& file, std::int64_t bytesDone) {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_shown >= std::chrono::milliseconds(100)) {
            const std::size_t slash = file.find_last_of('/');
            gtk_label_set_text(GTK_LABEL(m_file), file.substr(slash + 1).c_str());
            gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(m_bar),
                                          m_total > 0 ? std::min(1.0, static_cast<double>(bytesDone) / m_total) : 0);
            Pump();
        }
        return !m_cancelled;
    }

private:
    void Pump() {
        for (int i = 0; i < 1000 && g_main_context_pending(nullptr); ++i) g_main_context_iteration(nullptr, FALSE);
        m_shown = std::chrono::steady_clock::now();
    }

    GtkWidget* m_window = nullptr;
    GtkWidget* m_file = nullptr;
    GtkWidget* m_bar = nullptr;
    std::int64_t m_total;
    bool m_cancelled = false;
    std::chrono::steady_clock::time_point m_shown;
};

// Why a path cannot be opened or started: 2 no such file, 3 no such folder, 5 no access.
int Missing(const std::string& path) {
    if (errno == EACCES) return static_cast<int>(kAccessDenied);
    struct stat parent {};
    return errno == ENOENT && stat(Parent(path).c_str(), &parent) == 0 ? static_cast<int>(kFileNotFound)
                                                                        : static_cast<int>(kPathNotFound);
}

ShellStart Outcome(std::intptr_t code) {
    return code == kStarted ? ShellStart::Started() : ShellStart::Failed(static_cast<int>(code));
}

class LinuxShell final : public Shell {
public:
    ShellStart OpenFile(WindowHandle, const std::string& file) override {
        const std::string path = AnsiToUtf8(file);
        if (path.empty()) return ShellStart::Failed(static_cast<int>(kFileNotFound));
        struct stat info {};
        if (stat(path.c_str(), &info) != 0) return ShellStart::Failed(Missing(path));
        // A program file opened is a program started, as the shell does.
        if (IsProgram(path, info)) return Outcome(Start({Runnable(path)}, ""));
        return Outcome(Open(path));
    }

    ShellStart StartHidden(WindowHandle, const std::string& program, const std::string& folder) override {
        const std::string path = AnsiToUtf8(program);
        if (path.empty()) return ShellStart::Failed(static_cast<int>(kFileNotFound));
        struct stat info {};
        if (stat(path.c_str(), &info) != 0) return ShellStart::Failed(Missing(path));
        if (!S_ISREG(info.st_mode) || access(path.c_str(), X_OK) != 0) return ShellStart::Failed(static_cast<int>(kAccessDenied));
        if (!IsProgram(path, info)) return ShellStart::Failed(static_cast<int>(kBadFormat));
        return Outcome(Start({Runnable(path)}, AnsiToUtf8(folder)));
    }

    // No system here tells when a program waits for input: started is all there is.
    bool StartInBackground(const std::string& commandLine) override {
        return Start(SplitParamStr(std::string_view(AnsiToUtf8(commandLine))), "") == kStarted;
    }

    FolderCopy CopyFolderContents(WindowHandle owner, const std::string& folder, const std::string& target) override {
        std::string from = AnsiToUtf8(folder);
        const std::string to = AnsiToUtf8(target);
        while (from.size() > 1 && from.back() == '/') from.pop_back();
        // The program ends a folder with its separator; a backslash is a name's own
        // character here only when the name exists with it.
        struct stat info {};
        if (from.size() > 1 && from.back() == '\\' && stat(from.c_str(), &info) != 0) from.pop_back();
        if (from.empty() || to.empty()) return FolderCopy::Failed;
        // The progress shows where the program has a window on a display.
        std::unique_ptr<ProgressWindow> window;
        if (owner && gdk_display_get_default())
            window = std::make_unique<ProgressWindow>(reinterpret_cast<GtkWidget*>(owner), TreeBytes(from));
        bool stopped = false;
        std::vector<std::string> leftOut;
        const int result = CopyTree(from, to, window ? CopyProgress([&](const std::string& file, std::int64_t done) {
                                                   return window->Step(file, done);
                                               })
                                                     : CopyProgress(),
                                    &stopped, &leftOut);
        window.reset();
        if (!leftOut.empty()) TellLeftOut(owner, from, leftOut);
        if (stopped) return FolderCopy::Cancelled;
        return result == 0 ? FolderCopy::Done : FolderCopy::Failed;
    }

    // The copy with its code: 0, the first failure's, or 0x76 for a target inside the source.
    static int CopyTree(const std::string& from, const std::string& to, CopyProgress progress = nullptr,
                        bool* stopped = nullptr, std::vector<std::string>* leftOut = nullptr) {
        // A target inside the source would copy itself without end.
        char* source = realpath(from.c_str(), nullptr);
        if (!source) return CopyError(errno);
        std::string resolvedSource = source;
        std::free(source);
        std::string probe = to;
        std::string rest;
        char* existing = nullptr;
        while (!(existing = realpath(probe.c_str(), nullptr)) && probe != "/" && probe != ".") {
            std::size_t cut = probe.find_last_of('/');
            rest = (cut == std::string::npos ? probe : probe.substr(cut)) + rest;
            probe = cut == std::string::npos ? "." : cut == 0 ? "/" : probe.substr(0, cut);
        }
        if (existing) {
            std::string resolvedTarget = std::string(existing) + rest;
            std::free(existing);
            if (resolvedTarget == resolvedSource || resolvedTarget.rfind(resolvedSource + "/", 0) == 0 ||
                resolvedSource == "/")
                return kDestinationInsideSource;
        }
        if (g_mkdir_with_parents(to.c_str(), 0700) != 0) return CopyError(errno);
        Copier copier(std::move(progress));
        const int result = copier.Folder(from, to);
        if (stopped) *stopped = copier.Stopped();
        if (leftOut) *leftOut = copier.LeftOut();
        return result;
    }

private:
    // Said on standard error, and in a box where the program has a window.
    static void TellLeftOut(WindowHandle owner, const std::string& from, const std::vector<std::string>& leftOut) {
        std::string list;
        for (std::size_t i = 0; i < leftOut.size() && i < 10; ++i) list += "\n" + leftOut[i].substr(from.size() + 1);
        if (leftOut.size() > 10) list += "\n(и ещё " + std::to_string(leftOut.size() - 10) + ")";
        const std::string text = "Эти файлы диска не скопированы: в их именах есть буквы, которых программа не знает." + list;
        std::cerr << "Вельвинор: " << text << std::endl;
        if (!owner || !gdk_display_get_default()) return;
        GtkWidget* top = gtk_widget_get_toplevel(reinterpret_cast<GtkWidget*>(owner));
        GtkWidget* box = gtk_message_dialog_new(top && GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr,
                                                GTK_DIALOG_MODAL, GTK_MESSAGE_INFO, GTK_BUTTONS_NONE, "%s",
                                                text.c_str());
        gtk_window_set_title(GTK_WINDOW(box), "Вельвинор");
        gtk_dialog_add_button(GTK_DIALOG(box), "ОК", GTK_RESPONSE_OK);
        gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
        gtk_dialog_run(GTK_DIALOG(box));
        gtk_widget_destroy(box);
    }

    static std::string Runnable(const std::string& path) {
        return path.find('/') == std::string::npos ? "./" + path : path;
    }

    // xdg-open asks the desktop for the program of the file's type. Its answer comes
    // as it ends; one still running has started the program.
    static std::intptr_t Open(const std::string& path) {
        GPid pid = 0;
        std::intptr_t started = Start({"xdg-open", path}, "", &pid);
        if (started == kFileNotFound) return kNoAssociation;  // no xdg-open: nothing opens any type
        if (started != kStarted) return started;
        const auto deadline = std::chrono::steady_clock::now() + kOpenVerdict;
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                if (!WIFEXITED(status)) return kNoAssociation;
                switch (WEXITSTATUS(status)) {
                    case 0: return kStarted;
                    case 2: return kFileNotFound;
                    default: return kNoAssociation;  // 3: no program for the type; 4: it failed
                }
            }
            if (done < 0 && errno != EINTR) return kStarted;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ReapLater(pid);
        return kStarted;
    }
};

}  // namespace

std::unique_ptr<Shell> CreateLinuxShell() { return std::make_unique<LinuxShell>(); }

}  // namespace vel::lnx

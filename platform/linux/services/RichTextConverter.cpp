// Rich text for the document viewer through Debian's unrtf, run as a child with
// limits: a document must neither hang the game nor take its memory.

#include <fcntl.h>
#include <glib.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "platform/linux/services/LinuxServices.h"

namespace vel::lnx {
namespace {

constexpr std::size_t kLargestInput = 4 * 1024 * 1024;
constexpr std::size_t kLargestOutput = 64 * 1024 * 1024;
constexpr auto kTimeLimit = std::chrono::seconds(10);
constexpr rlim_t kMemoryLimit = rlim_t{1} << 30;

RichText Refused(std::string text) { return RichText{false, {}, std::move(text)}; }

std::string Kilobytes(std::size_t bytes) { return std::to_string((bytes + 1023) / 1024) + " Кб"; }

void LimitChild(gpointer) {
    const rlimit memory{kMemoryLimit, kMemoryLimit};
    setrlimit(RLIMIT_AS, &memory);
    const rlimit processor{15, 15};
    setrlimit(RLIMIT_CPU, &processor);
}

// What the viewer needs on top: its background, and nothing that runs or loads.
std::string Dressed(std::string html, std::uint32_t backColor) {
    char colour[8];
    std::snprintf(colour, sizeof colour, "#%02x%02x%02x", backColor & 0xFF, (backColor >> 8) & 0xFF,
                  (backColor >> 16) & 0xFF);
    const std::string head =
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
        "img-src data:\">\n<style>html, body { background: " +
        std::string(colour) + "; }</style>\n";
    std::size_t at = html.find("<head>");
    if (at != std::string::npos) html.insert(at + 6, "\n" + head);
    else html.insert(0, head);
    return html;
}

}  // namespace

RichText RtfToHtml(std::string_view rtf, std::uint32_t backColor) {
    if (rtf.size() > kLargestInput)
        return Refused("Документ слишком большой: " + Kilobytes(rtf.size()) + ", а можно не больше " +
                       Kilobytes(kLargestInput) + ".");
    if (rtf.substr(0, 5) != "{\\rtf") return Refused("Это не документ в формате RTF.");

    // The document goes in as a file of its own, so that reading the answer never waits
    // on writing the question.
    std::string input = std::string(g_get_tmp_dir()) + "/velvinor-rtf-XXXXXX";
    int fd = mkostemp(input.data(), O_CLOEXEC);
    if (fd < 0) return Refused("Документ не удалось подготовить к показу: нет места для временного файла.");
    bool written = true;
    for (std::size_t done = 0; written && done < rtf.size();) {
        ssize_t n = write(fd, rtf.data() + done, rtf.size() - done);
        if (n < 0 && errno == EINTR) continue;
        written = n > 0;
        if (written) done += static_cast<std::size_t>(n);
    }
    close(fd);
    struct Unlink {
        std::string path;
        ~Unlink() { unlink(path.c_str()); }
    } cleanup{input};
    if (!written) return Refused("Документ не удалось подготовить к показу: нет места для временного файла.");

    char* argv[] = {const_cast<char*>("unrtf"), const_cast<char*>("--html"), input.data(), nullptr};
    GPid pid = 0;
    int out = -1;
    GError* error = nullptr;
    const auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDERR_TO_DEV_NULL);
    if (!g_spawn_async_with_pipes(nullptr, argv, nullptr, flags, LimitChild, nullptr, &pid, nullptr, &out, nullptr,
                                  &error)) {
        const bool missing = error->domain == G_SPAWN_ERROR && error->code == G_SPAWN_ERROR_NOENT;
        g_error_free(error);
        return Refused(missing ? "Для показа документов RTF нужна программа unrtf, а она не установлена."
                               : "Программу unrtf не удалось запустить.");
    }

    std::string html;
    std::string refusal;
    const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
    char buffer[1 << 16];
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            refusal = "Документ не удалось показать: его разбор длится дольше " +
                      std::to_string(std::chrono::seconds(kTimeLimit).count()) + " с.";
            break;
        }
        pollfd ready{out, POLLIN, 0};
        int n = poll(&ready, 1, static_cast<int>(left.count()));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) continue;
        ssize_t got = read(out, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        html.append(buffer, static_cast<std::size_t>(got));
        if (html.size() > kLargestOutput) {
            refusal = "Документ не удалось показать: он разворачивается в слишком большой текст.";
            break;
        }
    }
    close(out);
    if (!refusal.empty()) kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    g_spawn_close_pid(pid);
    if (!refusal.empty()) return Refused(refusal);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || html.find("<body") == std::string::npos)
        return Refused("Документ не удалось показать: программа unrtf не смогла его разобрать.");
    return RichText{true, Dressed(std::move(html), backColor), {}};
}

RichText RtfFileToHtml(const std::string& path, std::uint32_t backColor) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Refused("Документ " + path + " не открывается: " + g_strerror(errno) + ".");
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::size_t>(info.st_size) > kLargestInput) {
        close(fd);
        return Refused("Документ слишком большой: " + Kilobytes(static_cast<std::size_t>(info.st_size)) +
                       ", а можно не больше " + Kilobytes(kLargestInput) + ".");
    }
    std::string bytes;
    char buffer[1 << 16];
    while (bytes.size() <= kLargestInput) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            close(fd);
            return Refused("Документ " + path + " не читается: " + g_strerror(error) + ".");
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return RtfToHtml(bytes, backColor);
}

}  // namespace vel::lnx

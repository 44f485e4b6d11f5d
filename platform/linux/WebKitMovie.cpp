// The movie player on Linux: Ruffle (an open Flash-compatible player, its web build)
// in a WebKitGTK view. Ruffle's files, the page that holds it and the movies are
// served to the view through the program's own URI scheme "velvinor:" (no network
// server; WebAssembly does not load from file: URLs). Ruffle has no SetVariable or
// GetVariable: the bridge movie (velvinor_swfgen --bridge) registers both as
// ExternalInterface callbacks and then loads the game's movie into level 0, with the
// start parameters in its URL's query string.
//
// While hidden the view lives in an offscreen window, where the page still counts as
// shown: the movie goes on playing, as the control does behind a clip or the intro.

#include <gio/gunixinputstream.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <libsoup/soup.h>
#include <webkit2/webkit2.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <utility>

#include "platform/linux/Backend.h"
#include "platform/linux/GtkUi.h"
#include "platform/linux/PosixText.h"
#include "platform/linux/ServedFile.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"

namespace vel::lnx {
namespace {

constexpr const char* kScheme = "velvinor";
constexpr const char* kOrigin = "velvinor://app";
constexpr const char* kBridgeFile = "velvinor-bridge.swf";
// How long a call waits for the player before it counts as failed.
constexpr guint kCallTimeoutMs = 20000;
// What the movie reads in "$version" (the page's playerVersion 32; the bridge names
// the Windows control's platform): the program knows it, so a movie start need not
// wait for the player to be built.
constexpr const char* kPlayerVersion = "WIN 32,0,0,0";

// The page: Ruffle's element filling the view, and the functions the program calls.
constexpr const char* kPage = R"HTML(<!doctype html>
<html><head><meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; script-src 'self' velvinor: 'unsafe-inline' 'unsafe-eval' 'wasm-unsafe-eval'; style-src 'self' velvinor: 'unsafe-inline'; connect-src 'self' velvinor:; img-src 'self' velvinor: data: blob:; media-src 'self' velvinor: data: blob:; font-src 'self' velvinor: data:; worker-src 'self' velvinor: blob:; frame-src 'none'; object-src 'none'; base-uri 'none'; form-action 'none'">
<style>
html, body { margin: 0; width: 100%; height: 100%; overflow: hidden; background: #000; }
ruffle-player { display: block; width: 100%; height: 100%; }
</style>
<script src="ruffle.js"></script>
</head><body><script>
"use strict";
const post = (...parts) => window.webkit.messageHandlers.velvinor.postMessage(parts.join("\u001f"));
window.RufflePlayer = window.RufflePlayer || {};
// The control's stored state: quality high, script access always, show all, networking all.
// Networking stays "all": anything less also stops FSCommands and ExternalInterface,
// which the game and the bridge live on; the page's policy keeps every load on the
// program's own scheme instead.
const config = {
  autoplay: "on", unmuteOverlay: "hidden", splashScreen: false, contextMenu: "off",
  letterbox: "on", warnOnUnsupportedContent: false, showSwfDownload: false, allowFullscreen: false,
  allowScriptAccess: true, allowNetworking: "all", openUrlMode: "deny", quality: "high", scale: "showAll",
  playerVersion: 32, logLevel: "error", menu: false,
};
// Without a GPU the canvas renderer costs the least; with one, Ruffle picks its own.
if (window.velvinorSoftware) config.preferredRenderer = "canvas";
window.RufflePlayer.config = config;
const player = window.RufflePlayer.newest().createPlayer();
document.body.appendChild(player);
player.ruffle().addFSCommandHandler((command, args) => { post("fscommand", command, args); return true; });

// The callbacks of the bridge: its first frame registers them and then calls this.
// Only the instance of the load last begun is still there to call it.
let generation = 0, started = 0, ready = null, waiting = [];
window.velvinorBridgeReady = () => {
  ready = started;
  post("ready", started);
  if (ready !== generation) return;
  const w = waiting;
  waiting = [];
  w.forEach((f) => f());
};
// One load at a time: Ruffle builds an instance per load, and a load begun while the
// last one still builds leaves both drawing. A load that a newer one replaced before
// its turn is skipped.
let loading = Promise.resolve();
window.velvinorLoad = (url, wmode) => {
  const mine = ++generation;
  ready = null;
  loading = loading.then(() => {
    if (mine !== generation) return undefined;
    started = mine;
    return player.ruffle().load({ ...config, url: "bridge.swf", wmode, parameters: { velvinorMovie: url } });
  }).catch((error) => post("failed", String(error)));
};
// A test aid: the players drawing in the page.
window.velvinorInstances = () => player.shadowRoot ? player.shadowRoot.querySelectorAll("#container canvas").length : 0;
const whenReady = () => ready === generation ? Promise.resolve() : new Promise((resolve) => waiting.push(resolve));
// A name without a path is the main timeline's, as the control reads it.
const path = (name) => /^(_root|_level\d+|_global)\b|[.:\/]/.test(name) ? name : "_root." + name;
window.velvinorGet = async (name) => {
  if (name === window.velvinorHold) await new Promise(() => {});
  await whenReady();
  const value = player.velvinorGet(path(name));
  return value === undefined || value === null ? "" : String(value);
};
window.velvinorSet = (name, value) => {
  const set = () => player.velvinorSet(path(name), value);
  if (ready === generation) set(); else waiting.push(set);
};
// The application's hourglass over the movie too: above the player's own cursors.
const cursorStyle = document.createElement("style");
cursorStyle.textContent = ":host(.velvinor-wait), :host(.velvinor-wait) * { cursor: wait !important; }";
if (player.shadowRoot) player.shadowRoot.appendChild(cursorStyle);
window.velvinorCursor = (wait) => {
  player.classList.toggle("velvinor-wait", wait);
  document.body.style.cursor = wait ? "wait" : "";
};
post("page");
</script></body></html>
)HTML";

std::string MimeOf(const std::string& name) {
    auto ends = [&](const char* ext) {
        std::string e = ext;
        return name.size() >= e.size() && AsciiLower(name.substr(name.size() - e.size())) == e;
    };
    if (ends(".js")) return "text/javascript";
    if (ends(".wasm")) return "application/wasm";
    if (ends(".swf")) return "application/x-shockwave-flash";
    if (ends(".html")) return "text/html";
    return "application/octet-stream";
}

std::string UrlPath(const std::string& utf8Path) {
    gchar* escaped = g_uri_escape_string(utf8Path.c_str(), "/", FALSE);
    std::string out = escaped;
    g_free(escaped);
    return out;
}

bool FileReadable(const std::string& path) { return g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR); }

// A GPU the system draws with: a render node of the kernel's graphics drivers, and
// software GL not asked for. Without one (a virtual display, a server) the page and
// the player draw in software, which there is the cheaper way.
bool HasGpu() {
    if (const char* soft = std::getenv("LIBGL_ALWAYS_SOFTWARE"); soft && *soft && std::string(soft) != "0")
        return false;
    g_autoptr(GDir) dri = g_dir_open("/dev/dri", 0, nullptr);
    if (!dri) return false;
    while (const char* name = g_dir_read_name(dri))
        if (g_str_has_prefix(name, "renderD")) return true;
    return false;
}

// A test aid: with VELVINOR_MOVIE_LOG set, each load of the movie, its commands and
// each change of a variable the program sets are written there, one line each.
class MovieLog {
public:
    MovieLog() {
        if (const char* file = std::getenv("VELVINOR_MOVIE_LOG"); file && *file) m_out.open(file, std::ios::app);
    }
    void Line(const std::string& text) {
        if (!m_out.is_open()) return;
        m_out << text << '\n';
        m_out.flush();
    }
    void Set(const std::string& name, const std::string& value) {
        if (!m_out.is_open()) return;
        auto [it, added] = m_values.try_emplace(name, value);
        if (!added && it->second == value) return;
        it->second = value;
        Line("call SetVariable \"" + name + "\" \"" + value + "\"");
    }

private:
    std::ofstream m_out;
    std::map<std::string, std::string> m_values;
};

class WebKitPlayer;

class WebKitMovieService final : public MovieService {
public:
    WebKitMovieService(GtkUi& ui, std::string playerFolder) : m_ui(ui), m_folder(std::move(playerFolder)) {
        if (!m_folder.empty() && m_folder.back() != '/') m_folder += '/';
    }
    ~WebKitMovieService() override {
        *m_alive = false;
        if (m_context) g_object_unref(m_context);
    }

    std::unique_ptr<MoviePlayer> Create(WindowHandle parent, FSCommandHandler onFSCommand) override;

    // Serves the player's page and files, and the files of the movie's folder: only
    // regular files that lie, links resolved, under the folder asked of. The file is
    // opened on a worker thread and streamed from disk, so a slow disc never holds the
    // window up.
    void Serve(WebKitURISchemeRequest* request) {
        const std::string path = webkit_uri_scheme_request_get_path(request);
        if (path == "/player/index.html") {
            g_autoptr(GBytes) data = g_bytes_new_static(kPage, std::strlen(kPage));
            g_autoptr(GInputStream) stream = g_memory_input_stream_new_from_bytes(data);
            Respond(request, stream, static_cast<gint64>(g_bytes_get_size(data)), MimeOf(path));
            return;
        }
        auto job = std::make_unique<ServeJob>();
        job->path = path;
        job->alive = m_alive;
        job->log = &m_log;
        if (path.rfind("/player/", 0) == 0 && path.find('/', 8) == std::string::npos) {
            const std::string name = path.substr(8);
            job->root = m_folder;
            job->relative = name == "bridge.swf" ? kBridgeFile : name;
        } else if (path.rfind("/disc/", 0) == 0 && !m_movieFolder.empty()) {
            g_autofree gchar* unescaped = g_uri_unescape_string(path.c_str() + 5, nullptr);
            const std::string file = unescaped ? unescaped : "";
            if (file.size() > m_movieFolder.size() && file.compare(0, m_movieFolder.size(), m_movieFolder) == 0) {
                job->root = m_movieFolder;
                job->relative = file.substr(m_movieFolder.size());
            }
        }
        if (job->root.empty()) {
            m_log.Line("refused \"" + path + "\"");
            Refuse(request, path);
            return;
        }
        GTask* task = g_task_new(nullptr, nullptr, &WebKitMovieService::Opened, g_object_ref(request));
        g_task_set_task_data(task, job.release(), [](gpointer data) { delete static_cast<ServeJob*>(data); });
        g_task_run_in_thread(task, [](GTask* self, gpointer, gpointer data, GCancellable*) {
            auto* job = static_cast<ServeJob*>(data);
            job->fd = OpenBeneath(job->root, job->relative);
            struct stat info {};
            if (job->fd >= 0 && fstat(job->fd, &info) == 0) job->size = info.st_size;
            g_task_return_boolean(self, job->fd >= 0);
        });
        g_object_unref(task);
    }

    void SetMovieFolder(std::string folder) { m_movieFolder = std::move(folder); }
    GtkUi& Ui() { return m_ui; }
    MovieLog& Log() { return m_log; }

private:
    WebKitWebContext* Context() {
        if (m_context) return m_context;
        m_context = webkit_web_context_new();
        webkit_web_context_register_uri_scheme(
            m_context, kScheme,
            [](WebKitURISchemeRequest* request, gpointer self) { static_cast<WebKitMovieService*>(self)->Serve(request); },
            this, nullptr);
        WebKitSecurityManager* security = webkit_web_context_get_security_manager(m_context);
        webkit_security_manager_register_uri_scheme_as_secure(security, kScheme);
        webkit_security_manager_register_uri_scheme_as_cors_enabled(security, kScheme);
        webkit_web_context_set_cache_model(m_context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
        return m_context;
    }

    // A file of the scheme on its way from the worker thread.
    struct ServeJob {
        std::string path, root, relative;
        int fd = -1;
        gint64 size = 0;
        std::shared_ptr<bool> alive;
        MovieLog* log = nullptr;
        ~ServeJob() {
            if (fd >= 0) close(fd);
        }
    };

    static void Opened(GObject*, GAsyncResult* result, gpointer data) {
        g_autoptr(WebKitURISchemeRequest) request = static_cast<WebKitURISchemeRequest*>(data);
        auto* job = static_cast<ServeJob*>(g_task_get_task_data(G_TASK(result)));
        if (!*job->alive) return;  // the view and its requests are gone with the service
        if (!g_task_propagate_boolean(G_TASK(result), nullptr)) {
            job->log->Line("refused \"" + job->path + "\"");
            Refuse(request, job->path);
            return;
        }
        // The stream owns the descriptor from here.
        g_autoptr(GInputStream) stream = g_unix_input_stream_new(std::exchange(job->fd, -1), TRUE);
        Respond(request, stream, job->size, MimeOf(job->relative));
    }

    // Whatever is refused gets the same answer as a missing file.
    static void Refuse(WebKitURISchemeRequest* request, const std::string& path) {
        g_autoptr(GError) error = g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "%s not found", path.c_str());
        webkit_uri_scheme_request_finish_error(request, error);
    }

    static void Respond(WebKitURISchemeRequest* request, GInputStream* stream, gint64 size, const std::string& mime) {
        g_autoptr(WebKitURISchemeResponse) response = webkit_uri_scheme_response_new(stream, size);
        webkit_uri_scheme_response_set_content_type(response, mime.c_str());
        // A fetch sees the type only as a header: WebAssembly compiles while it loads
        // only from a response that says "application/wasm".
        SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
        soup_message_headers_append(headers, "Content-Type", mime.c_str());
        webkit_uri_scheme_response_set_http_headers(response, headers);
        webkit_uri_scheme_request_finish_with_response(request, response);
    }

    friend class WebKitPlayer;
    GtkUi& m_ui;
    std::string m_folder;
    std::string m_movieFolder;
    WebKitWebContext* m_context = nullptr;
    MovieLog m_log;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

class WebKitPlayer final : public MoviePlayer {
public:
    WebKitPlayer(WebKitMovieService& service, WindowHandle parent, FSCommandHandler onFSCommand)
        : m_service(service), m_area(FormArea(parent)), m_onFSCommand(std::move(onFSCommand)) {
        WebKitUserContentManager* content = webkit_user_content_manager_new();
        g_signal_connect(content, "script-message-received::velvinor",
                         G_CALLBACK(+[](WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self) {
                             static_cast<WebKitPlayer*>(self)->Message(result);
                         }),
                         this);
        webkit_user_content_manager_register_script_message_handler(content, "velvinor");
        const bool gpu = HasGpu();
        std::string prelude = gpu ? "" : "window.velvinorSoftware = true;\n";
        // A test aid: with VELVINOR_MOVIE_HOLD naming a variable, the page never answers for it.
        if (const char* held = std::getenv("VELVINOR_MOVIE_HOLD"); held && *held) {
            g_autofree gchar* quoted = g_strescape(held, nullptr);
            prelude += std::string("window.velvinorHold = \"") + quoted + "\";\n";
        }
        if (!prelude.empty()) {
            WebKitUserScript* script =
                webkit_user_script_new(prelude.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                       WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
            webkit_user_content_manager_add_script(content, script);
            webkit_user_script_unref(script);
        }
        WebKitSettings* settings = webkit_settings_new();
        webkit_settings_set_enable_javascript(settings, TRUE);
        webkit_settings_set_media_playback_requires_user_gesture(settings, FALSE);
        webkit_settings_set_enable_webaudio(settings, TRUE);
        // Composited in software only where there is no GPU to do it.
        if (!gpu) webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
        webkit_settings_set_enable_developer_extras(settings, FALSE);
        if (std::getenv("VELVINOR_MOVIE_CONSOLE")) webkit_settings_set_enable_write_console_messages_to_stdout(settings, TRUE);
        m_view = GTK_WIDGET(g_object_ref_sink(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", service.Context(),
                                                           "user-content-manager", content, "settings", settings,
                                                           nullptr)));
        g_object_unref(content);
        g_object_unref(settings);
        GdkRGBA black{0, 0, 0, 1};
        webkit_web_view_set_background_color(WEBKIT_WEB_VIEW(m_view), &black);
        // The page stays the player's page: no navigation away from it, no new windows.
        g_signal_connect(m_view, "decide-policy", G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* decision,
                                                                 WebKitPolicyDecisionType type, gpointer self) -> gboolean {
                             return static_cast<WebKitPlayer*>(self)->Decide(decision, type);
                         }),
                         this);
        // Its own context menu and keys stay the player's; the program filters the rest.
        g_signal_connect(m_view, "context-menu", G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu*, GdkEvent*,
                                                                WebKitHitTestResult*, gpointer) -> gboolean { return TRUE; }),
                         nullptr);

        m_offscreen = gtk_offscreen_window_new();
        g_object_ref_sink(m_offscreen);
        gtk_container_add(GTK_CONTAINER(m_offscreen), m_view);
        gtk_widget_show(m_view);
        gtk_widget_show(m_offscreen);
        ApplyBounds();
        webkit_web_view_load_uri(WEBKIT_WEB_VIEW(m_view), (std::string(kOrigin) + "/player/index.html").c_str());
        StartProbe();
    }

    ~WebKitPlayer() override {
        m_service.Ui().SetCursorObserver(nullptr);
        if (m_probe) g_source_remove(m_probe);
        if (m_loadSource) g_source_remove(m_loadSource);
        if (GtkWidget* holder = gtk_widget_get_parent(m_view)) gtk_container_remove(GTK_CONTAINER(holder), m_view);
        gtk_widget_destroy(m_view);
        g_object_unref(m_view);
        gtk_widget_destroy(m_offscreen);
        g_object_unref(m_offscreen);
        *m_alive = false;
    }

    void PutMovie(const std::u16string& path) override {
        m_movie = path;
        m_vars.clear();
        m_loadPending = true;
        // Loaded once the caller has put the parameters too, before anything reads it.
        if (!m_loadSource)
            m_loadSource = g_idle_add(
                [](gpointer self) -> gboolean {
                    auto* player = static_cast<WebKitPlayer*>(self);
                    player->m_loadSource = 0;
                    player->Load();
                    return G_SOURCE_REMOVE;
                },
                this);
    }
    std::u16string GetMovie() override { return m_movie; }
    bool PutFlashVars(const std::u16string& vars) override {
        m_vars = vars;
        return true;
    }
    // Always show all (0) in this player; another mode is not offered.
    void PutScaleMode(int) override {}
    void PutWMode(const std::u16string& mode) override { m_wmode = WideToUtf8(mode); }

    std::u16string GetVariable(const std::u16string& name) override {
        // The version is the player's, known before its movie is: a start does not
        // wait for the player to be built. A movie that is ready is asked itself.
        if (name == u"$version" && !MovieReady()) return Utf8ToWide(kPlayerVersion);
        WaitForPage();
        Load();
        const std::string utf8 = WideToUtf8(name);
        GVariantBuilder args;
        g_variant_builder_init(&args, G_VARIANT_TYPE("a{sv}"));
        g_variant_builder_add(&args, "{sv}", "name", g_variant_new_string(utf8.c_str()));
        // Shared with the answer, which may come after the call has given up on it.
        struct Call {
            bool done = false, ok = false, timedOut = false;
            std::string value;
        };
        auto call = std::make_shared<Call>();
        webkit_web_view_call_async_javascript_function(
            WEBKIT_WEB_VIEW(m_view), "return await velvinorGet(name);", -1, g_variant_builder_end(&args), nullptr,
            nullptr, nullptr,
            [](GObject* view, GAsyncResult* result, gpointer data) {
                std::unique_ptr<std::shared_ptr<Call>> held(static_cast<std::shared_ptr<Call>*>(data));
                Call& c = **held;
                GError* error = nullptr;
                JSCValue* value =
                    webkit_web_view_call_async_javascript_function_finish(WEBKIT_WEB_VIEW(view), result, &error);
                if (value) {
                    gchar* text = jsc_value_to_string(value);
                    c.value = text ? text : "";
                    g_free(text);
                    c.ok = true;
                    g_object_unref(value);
                }
                if (error) {
                    c.value = error->message;
                    g_error_free(error);
                }
                c.done = true;
            },
            new std::shared_ptr<Call>(call));
        // The answer comes through the loop; the program waits for it as for a call.
        guint timer = g_timeout_add(kCallTimeoutMs, [](gpointer c) -> gboolean {
            static_cast<Call*>(c)->timedOut = true;
            return G_SOURCE_REMOVE;
        }, call.get());
        auto alive = m_alive;
        {
            GtkUi::Hold hold(m_service.Ui());
            while (!call->done && !call->timedOut) g_main_context_iteration(nullptr, TRUE);
        }
        if (!call->timedOut) g_source_remove(timer);
        if (!*alive) return {};
        if (!call->ok)
            throw OleError("The movie player did not answer GetVariable(" + WideToAnsi(name) + "): " +
                           WideToAnsi(Utf8ToWide(call->done ? call->value : std::string("no answer"))));
        return Utf8ToWide(call->value);
    }

    void SetVariable(const std::u16string& name, const std::u16string& value) override {
        const std::string n = WideToUtf8(name), v = WideToUtf8(value);
        m_service.Log().Set(n, v);
        if (!m_pageReady) return;  // no movie yet, whose variable it could be
        Load();
        GVariantBuilder args;
        g_variant_builder_init(&args, G_VARIANT_TYPE("a{sv}"));
        g_variant_builder_add(&args, "{sv}", "name", g_variant_new_string(n.c_str()));
        g_variant_builder_add(&args, "{sv}", "value", g_variant_new_string(v.c_str()));
        webkit_web_view_call_async_javascript_function(WEBKIT_WEB_VIEW(m_view), "velvinorSet(name, value);", -1,
                                                       g_variant_builder_end(&args), nullptr, nullptr, nullptr,
                                                       nullptr, nullptr);
    }

    void SetBounds(Rect bounds) override {
        m_bounds = bounds;
        ApplyBounds();
    }
    void SetVisible(bool visible) override {
        m_visible = visible;
        Host();
    }
    // The verb shows the control, as it does the control's window.
    void DoVerbShow() override { SetVisible(true); }
    WindowHandle Handle() override { return reinterpret_cast<WindowHandle>(m_view); }

    void ShowCursor(Cursor cursor) {
        const char* script = cursor == Cursor::HourGlass ? "velvinorCursor(true)" : "velvinorCursor(false)";
        webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(m_view), script, -1, nullptr, nullptr, nullptr, nullptr,
                                            nullptr);
    }

private:
    // Whether the movie last put is loaded and its bridge answers.
    bool MovieReady() const { return m_pageReady && !m_loadPending && m_loads > 0 && m_readyLoad == m_loads; }

    // The page and the movie: the bridge with the game's URL and its parameters.
    void Load() {
        if (!m_loadPending || !m_pageReady) return;
        m_loadPending = false;
        ++m_loads;
        const std::string file = WideToUtf8(m_movie);
        const std::size_t slash = file.find_last_of('/');
        m_service.SetMovieFolder(slash == std::string::npos ? std::string() : file.substr(0, slash + 1));
        std::string url = std::string(kOrigin) + "/disc" + UrlPath(file);
        if (!m_vars.empty()) {
            // The parameters as the control takes them: already in query-string form.
            gchar* query = g_uri_escape_string(WideToUtf8(m_vars).c_str(), "=&%+;,/:?@!$'()*", FALSE);
            url += std::string("?") + query;
            g_free(query);
        }
        m_service.Log().Line("load \"" + url + "\"");
        GVariantBuilder args;
        g_variant_builder_init(&args, G_VARIANT_TYPE("a{sv}"));
        g_variant_builder_add(&args, "{sv}", "url", g_variant_new_string(url.c_str()));
        g_variant_builder_add(&args, "{sv}", "wmode", g_variant_new_string(m_wmode.c_str()));
        // The page may still be loading: its functions are waited for.
        webkit_web_view_call_async_javascript_function(
            WEBKIT_WEB_VIEW(m_view),
            "velvinorLoad(url, wmode);",
            -1, g_variant_builder_end(&args), nullptr, nullptr, nullptr, nullptr, nullptr);
    }

    gboolean Decide(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
        if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
        WebKitNavigationAction* action =
            webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        const gchar* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
        const std::string target = uri ? uri : "";
        if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && target == std::string(kOrigin) + "/player/index.html")
            return FALSE;
        m_service.Log().Line(std::string(type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION ? "refused window \""
                                                                                               : "refused navigation \"") +
                             target + "\"");
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }

    // Only the page's own messages in their own shapes: what script run by the movie
    // can post is then no more than an FSCommand.
    void Message(WebKitJavascriptResult* result) {
        JSCValue* value = webkit_javascript_result_get_js_value(result);
        std::string message;
        if (jsc_value_is_string(value)) {
            g_autofree gchar* text = jsc_value_to_string(value);
            message = text ? text : "";
        }
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t at; (at = message.find('\x1f', start)) != std::string::npos; start = at + 1)
            parts.push_back(message.substr(start, at - start));
        parts.push_back(message.substr(start));
        if (parts[0] == "page" && parts.size() == 1) {
            if (m_pageReady) return;
            m_pageReady = true;
            Load();
        } else if (parts[0] == "ready" && parts.size() == 2) {
            m_readyLoad = std::atoi(parts[1].c_str());
            m_service.Log().Line("ready " + parts[1]);
        } else if (parts[0] == "failed" && parts.size() == 2) {
            m_service.Log().Line("failed \"" + parts[1] + "\"");
        } else if (parts[0] == "fscommand" && parts.size() == 3) {
            m_service.Log().Line("fscommand \"" + parts[1] + "\" \"" + parts[2] + "\"");
            const std::u16string command = Utf8ToWide(parts[1]), args = Utf8ToWide(parts[2]);
            m_service.Ui().Report([this, command, args] { m_onFSCommand(command, args); });
        } else {
            m_service.Log().Line("refused message \"" + parts[0] + "\"");
        }
    }

    // Calls reach the page once it has loaded: one sent earlier is lost with the
    // document it went to.
    void WaitForPage() {
        if (m_pageReady) return;
        bool timedOut = false;
        guint timer = g_timeout_add(kCallTimeoutMs, [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        }, &timedOut);
        {
            GtkUi::Hold hold(m_service.Ui());
            while (!m_pageReady && !timedOut) g_main_context_iteration(nullptr, TRUE);
        }
        if (!timedOut) g_source_remove(timer);
        if (!m_pageReady) throw OleError("The movie player's page did not load");
    }

    // Shown in the form's area at its place, else kept playing offscreen.
    void Host() {
        GtkWidget* want = m_visible && m_area ? GTK_WIDGET(m_area) : m_offscreen;
        GtkWidget* holder = gtk_widget_get_parent(m_view);
        if (holder == want) return;
        g_object_ref(m_view);
        if (holder) gtk_container_remove(GTK_CONTAINER(holder), m_view);
        if (want == m_offscreen) gtk_container_add(GTK_CONTAINER(m_offscreen), m_view);
        else gtk_fixed_put(m_area, m_view, m_bounds.left, m_bounds.top);
        g_object_unref(m_view);
        gtk_widget_show(m_view);
        ApplyBounds();
    }

    void ApplyBounds() {
        const int width = std::max(m_bounds.width, 1), height = std::max(m_bounds.height, 1);
        gtk_widget_set_size_request(m_view, width, height);
        GtkWidget* holder = gtk_widget_get_parent(m_view);
        if (holder && GTK_IS_FIXED(holder)) gtk_fixed_move(GTK_FIXED(holder), m_view, m_bounds.left, m_bounds.top);
        else gtk_window_resize(GTK_WINDOW(m_offscreen), width, height);
    }

    // A test aid: with VELVINOR_MOVIE_PROBE naming a folder, a variable's name written to
    // its file "ask" is read from the movie through GetVariable and answered in "answer";
    // "#instances" counts the players drawing in the page, "#reload" loads the movie twice.
    void StartProbe() {
        const char* folder = std::getenv("VELVINOR_MOVIE_PROBE");
        if (!folder || !*folder) return;
        m_probeFolder = folder;
        m_probe = g_timeout_add(100, [](gpointer self) -> gboolean {
            static_cast<WebKitPlayer*>(self)->Probe();
            return G_SOURCE_CONTINUE;
        }, this);
    }
    void Probe() {
        const std::string ask = m_probeFolder + "/ask", answer = m_probeFolder + "/answer";
        gchar* contents = nullptr;
        if (!g_file_get_contents(ask.c_str(), &contents, nullptr, nullptr)) return;
        std::string name = Trim(contents ? contents : "");
        g_free(contents);
        g_unlink(ask.c_str());
        if (name == "#instances") return CountInstances(answer);
        if (name == "#reload") {
            // Two loads of the movie in a row, as two starts close together send them.
            for (int i = 0; i < 2; ++i) {
                m_loadPending = true;
                Load();
            }
            return Answer(answer, "=");
        }
        std::string value;
        try {
            value = "=" + WideToUtf8(GetVariable(Utf8ToWide(name)));
        } catch (const std::exception& error) {
            value = "!" + std::string(error.what());
        }
        Answer(answer, value);
    }
    static void Answer(const std::string& answer, const std::string& value) {
        const std::string temp = answer + ".tmp";
        if (g_file_set_contents(temp.c_str(), value.c_str(), -1, nullptr)) g_rename(temp.c_str(), answer.c_str());
    }
    // How many players draw in the page, asked without holding anything.
    void CountInstances(const std::string& answer) {
        webkit_web_view_evaluate_javascript(
            WEBKIT_WEB_VIEW(m_view), "velvinorInstances()", -1, nullptr, nullptr, nullptr,
            [](GObject* view, GAsyncResult* result, gpointer data) {
                std::unique_ptr<std::string> file(static_cast<std::string*>(data));
                g_autoptr(GError) error = nullptr;
                g_autoptr(JSCValue) value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, &error);
                g_autofree gchar* text = value ? jsc_value_to_string(value) : nullptr;
                Answer(*file, text ? "=" + std::string(text) : "!" + std::string(error ? error->message : "no answer"));
            },
            new std::string(answer));
    }

    WebKitMovieService& m_service;
    GtkFixed* m_area;
    FSCommandHandler m_onFSCommand;
    GtkWidget* m_view = nullptr;
    GtkWidget* m_offscreen = nullptr;
    Rect m_bounds{0, 0, 1024, 768};
    bool m_visible = false;
    std::u16string m_movie, m_vars;
    std::string m_wmode = "window";
    bool m_loadPending = false;
    bool m_pageReady = false;
    int m_loads = 0, m_readyLoad = 0;  // loads sent to the page; the last whose bridge answered
    guint m_loadSource = 0;
    guint m_probe = 0;
    std::string m_probeFolder;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

std::unique_ptr<MoviePlayer> WebKitMovieService::Create(WindowHandle parent, FSCommandHandler onFSCommand) {
    if (!FileReadable(m_folder + "ruffle.js") || !FileReadable(m_folder + kBridgeFile)) {
        const std::optional<std::string> folder = Ansi(m_folder);
        throw Error(Ru("Для работы программы требуется проигрыватель Ruffle (свободная замена Flash Player)\r\n"
                       "Его файлы должны лежать рядом с программой, в папке ") +
                    folder.value_or(m_folder));
    }
    auto player = std::make_unique<WebKitPlayer>(*this, parent, std::move(onFSCommand));
    WebKitPlayer* shown = player.get();
    m_ui.SetCursorObserver([shown](Cursor cursor) { shown->ShowCursor(cursor); });
    return player;
}

}  // namespace

std::unique_ptr<MovieService> CreateWebKitMovieService(GtkUi& ui, std::string playerFolder) {
    return std::make_unique<WebKitMovieService>(ui, std::move(playerFolder));
}

}  // namespace vel::lnx

/* The peer the Linux program is measured against: Ruffle alone, playing a movie in a
   bare WebKitGTK page. A black window covering the screen holds the view at 1024 by
   768, centred, as the program places its movie; the page and Ruffle's files come
   through a URI scheme of its own (WebAssembly does not load from file:), read from
   disk as they are sent. Drawing follows the machine as the program's does: in
   software, with Ruffle's canvas renderer, where there is no GPU.
     ruffle_peer RUFFLE_FOLDER MOVIE.swf */
#include <gtk/gtk.h>
#include <libsoup/soup.h>
#include <stdlib.h>
#include <string.h>
#include <webkit2/webkit2.h>

static const char* ruffle_folder;
static const char* movie;

static const char* page =
    "<!doctype html><html><head><meta charset=\"utf-8\"><style>"
    "html,body{margin:0;width:100%;height:100%;overflow:hidden;background:#000}"
    "ruffle-player{display:block;width:100%;height:100%}</style>"
    "<script src=\"ruffle.js\"></script></head><body><script>"
    "window.RufflePlayer = window.RufflePlayer || {};"
    "const config = {autoplay:\"on\",unmuteOverlay:\"hidden\",splashScreen:false,contextMenu:\"off\","
    "letterbox:\"on\",warnOnUnsupportedContent:false,quality:\"high\",scale:\"showAll\",logLevel:\"error\"};"
    "if (window.peerSoftware) config.preferredRenderer = \"canvas\";"
    "window.RufflePlayer.config = config;"
    "const player = window.RufflePlayer.newest().createPlayer();"
    "document.body.appendChild(player);"
    "player.ruffle().load({url: \"movie.swf\"});"
    "</script></body></html>";

static gboolean has_gpu(void) {
    const char* soft = getenv("LIBGL_ALWAYS_SOFTWARE");
    if (soft && *soft && strcmp(soft, "0") != 0) return FALSE;
    GDir* dri = g_dir_open("/dev/dri", 0, NULL);
    gboolean found = FALSE;
    const char* name;
    while (dri && !found && (name = g_dir_read_name(dri))) found = g_str_has_prefix(name, "renderD");
    if (dri) g_dir_close(dri);
    return found;
}

static void serve(WebKitURISchemeRequest* request, gpointer unused) {
    (void)unused;
    const char* path = webkit_uri_scheme_request_get_path(request);
    const char* mime = "application/octet-stream";
    if (strcmp(path, "/index.html") == 0) {
        GInputStream* stream = g_memory_input_stream_new_from_data(page, -1, NULL);
        webkit_uri_scheme_request_finish(request, stream, (gint64)strlen(page), "text/html");
        g_object_unref(stream);
        return;
    }
    char* file = strcmp(path, "/movie.swf") == 0 ? g_strdup(movie) : g_build_filename(ruffle_folder, path, NULL);
    if (g_str_has_suffix(file, ".js")) mime = "text/javascript";
    else if (g_str_has_suffix(file, ".wasm")) mime = "application/wasm";
    else if (g_str_has_suffix(file, ".swf")) mime = "application/x-shockwave-flash";
    GFile* gfile = g_file_new_for_path(file);
    GError* error = NULL;
    GFileInputStream* stream = g_file_read(gfile, NULL, &error);
    GFileInfo* info = stream ? g_file_input_stream_query_info(stream, G_FILE_ATTRIBUTE_STANDARD_SIZE, NULL, NULL) : NULL;
    if (!stream) {
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
    } else {
        WebKitURISchemeResponse* response =
            webkit_uri_scheme_response_new(G_INPUT_STREAM(stream), info ? g_file_info_get_size(info) : -1);
        webkit_uri_scheme_response_set_content_type(response, mime);
        SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
        soup_message_headers_append(headers, "Content-Type", mime);
        webkit_uri_scheme_response_set_http_headers(response, headers);
        webkit_uri_scheme_request_finish_with_response(request, response);
        g_object_unref(response);
        g_object_unref(stream);
    }
    if (info) g_object_unref(info);
    g_object_unref(gfile);
    g_free(file);
}

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    if (argc != 3) {
        g_printerr("usage: ruffle_peer RUFFLE_FOLDER MOVIE.swf\n");
        return 2;
    }
    ruffle_folder = argv[1];
    movie = argv[2];
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    GdkRectangle screen;
    gdk_monitor_get_geometry(gdk_display_get_monitor(gdk_display_get_default(), 0), &screen);
    gtk_window_move(GTK_WINDOW(window), 0, 0);
    gtk_window_set_default_size(GTK_WINDOW(window), screen.width, screen.height);
    GdkRGBA black = {0, 0, 0, 1};
    GtkWidget* fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window), fixed);

    WebKitWebContext* context = webkit_web_context_new();
    webkit_web_context_register_uri_scheme(context, "peer", serve, NULL, NULL);
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    webkit_security_manager_register_uri_scheme_as_secure(security, "peer");
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, "peer");
    WebKitUserContentManager* content = webkit_user_content_manager_new();
    WebKitSettings* settings = webkit_settings_new();
    webkit_settings_set_enable_webaudio(settings, TRUE);
    webkit_settings_set_media_playback_requires_user_gesture(settings, FALSE);
    if (!has_gpu()) {
        webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
        WebKitUserScript* script =
            webkit_user_script_new("window.peerSoftware = true;", WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                   WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, NULL, NULL);
        webkit_user_content_manager_add_script(content, script);
        webkit_user_script_unref(script);
    }
    GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "settings", settings,
                                              "user-content-manager", content, NULL));
    webkit_web_view_set_background_color(WEBKIT_WEB_VIEW(view), &black);
    gtk_widget_set_size_request(view, 1024, 768);
    gtk_fixed_put(GTK_FIXED(fixed), view, (screen.width - 1024) / 2, (screen.height - 768) / 2);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), "peer://app/index.html");
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}

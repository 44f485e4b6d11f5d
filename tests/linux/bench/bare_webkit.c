/* The bare window the Linux program is measured against: one borderless GTK window
   covering the screen with a WebKitGTK view showing a static page in the colour of
   the demo movie's panel, and nothing else. */
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    GdkRectangle screen;
    gdk_monitor_get_geometry(gdk_display_get_monitor(gdk_display_get_default(), 0), &screen);
    gtk_window_move(GTK_WINDOW(window), 0, 0);
    gtk_window_set_default_size(GTK_WINDOW(window), screen.width, screen.height);
    WebKitSettings* settings = webkit_settings_new();
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "settings", settings, NULL));
    gtk_container_add(GTK_CONTAINER(window), view);
    webkit_web_view_load_html(WEBKIT_WEB_VIEW(view),
                              "<!doctype html><html><body style=\"margin:0;background:#1d3b8a\"></body></html>", NULL);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}

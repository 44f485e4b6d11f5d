// The media control on Linux: one GStreamer playbin per open element, drawing into
// the program's window through a GTK video widget placed on the window's area, its
// end notices delivered through the program's loop (Ui::Post), as MCI's are.

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "platform/linux/Backend.h"
#include "platform/linux/GtkUi.h"
#include "platform/linux/MissingParts.h"
#include "platform/linux/PosixText.h"
#include "runtime/Product.h"
#include "runtime/Text.h"

namespace vel::lnx {
namespace {

// MCI's codes for what can go wrong here.
constexpr MciError kInvalidDevice = 263;    // MCIERR_INVALID_DEVICE_ID
constexpr MciError kFileNotFound = 275;     // MCIERR_FILE_NOT_FOUND
constexpr MciError kCannotPlay = 266;       // MCIERR_CANNOT_LOAD_DRIVER: no device plays this file
constexpr MciError kHardware = 262;         // MCIERR_HARDWARE
// Reading a file up to its first picture took 7.3 s for the first video at a load
// average of 38 on two cores (the decoders' plugins loading with it).
constexpr guint kPrerollWaitMs = 30000;

struct Device {
    GstElement* pipeline = nullptr;
    GtkWidget* video = nullptr;  // the sink's widget, held
    GtkWidget* popup = nullptr;  // its own window when no window was given
    GtkWidget* holder = nullptr;  // offscreen, until a window is given
    GtkFixed* area = nullptr;
    Rect destination;
    bool placed = false;
    bool atEnd = false;
    guint watch = 0;
    std::function<void(std::uint32_t)> notify;  // of the play under way
};

class GstMediaControl final : public MediaControl {
public:
    explicit GstMediaControl(GtkUi& ui) : m_ui(ui) {
        gst_init(nullptr, nullptr);
        gst_pb_utils_init();
    }
    ~GstMediaControl() override {
        while (!m_devices.empty()) Close(m_devices.begin()->first);
    }

    MciError Open(const std::string& element, MciDevice& device) override {
        const std::string path = Native(element);
        if (!g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) return kFileNotFound;
        gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
        if (!uri) return kFileNotFound;
        auto d = std::make_unique<Device>();
        d->pipeline = gst_element_factory_make("playbin", nullptr);
        GstElement* sink = gst_element_factory_make("gtksink", nullptr);
        if (!d->pipeline || !sink) {
            TellMissingElement(d->pipeline ? "gtksink" : "playbin");
            g_free(uri);
            if (d->pipeline) gst_object_unref(d->pipeline);
            if (sink) gst_object_unref(sink);
            return kHardware;
        }
        // The picture fills the destination rectangle, as MCI stretches it. On a machine
        // too busy to decode in time every picture is still shown, late: dropping the
        // late ones left a busy machine's screen black for the whole video.
        g_object_set(sink, "force-aspect-ratio", FALSE, "qos", FALSE, "max-lateness", G_GINT64_CONSTANT(-1), nullptr);
        g_object_get(sink, "widget", &d->video, nullptr);  // a reference of our own
        g_object_ref_sink(d->video);
        // A widget without a window makes the sink open one of its own: until the
        // program gives one, the picture waits offscreen.
        d->holder = gtk_offscreen_window_new();
        gtk_container_add(GTK_CONTAINER(d->holder), d->video);
        gtk_widget_show_all(d->holder);
        g_object_set(d->pipeline, "uri", uri, "video-sink", sink, "audio-sink", AudioSink(), nullptr);
        g_free(uri);
        // Waiting, as MCI_OPEN with MCI_WAIT: the file is read up to its first picture.
        CollectMissingParts(d->pipeline);
        if (!WaitForPreroll(d->pipeline, gst_element_set_state(d->pipeline, GST_STATE_PAUSED))) {
            TellMissingParts();
            gst_element_set_state(d->pipeline, GST_STATE_NULL);
            gst_object_unref(d->pipeline);
            Unplace(*d);
            gtk_widget_destroy(d->holder);
            g_object_unref(d->video);
            return kCannotPlay;
        }
        // A stream without its decoder leaves the others playing: said all the same.
        TellMissingParts();
        device = ++m_last;
        GstBus* bus = gst_element_get_bus(d->pipeline);
        auto* key = new std::pair<GstMediaControl*, MciDevice>(this, device);
        d->watch = gst_bus_add_watch_full(
            bus, G_PRIORITY_DEFAULT,
            [](GstBus*, GstMessage* message, gpointer data) -> gboolean {
                auto* k = static_cast<std::pair<GstMediaControl*, MciDevice>*>(data);
                k->first->BusMessage(k->second, message);
                return G_SOURCE_CONTINUE;
            },
            key, [](gpointer data) { delete static_cast<std::pair<GstMediaControl*, MciDevice>*>(data); });
        gst_object_unref(bus);
        m_devices[device] = std::move(d);
        return 0;
    }

    std::string ErrorText(MciError error) override {
        switch (error) {
            case kFileNotFound: return Ru("Указанный файл не найден. Проверьте правильность пути и имени файла.");
            case kCannotPlay: return Ru("Не удается воспроизвести этот файл: нет подходящего устройства или кодека.");
            case kInvalidDevice: return Ru("Недопустимый идентификатор устройства.");
            default: return Ru("Ошибка устройства воспроизведения (код ") + IntToStr(error) + ").";
        }
    }

    bool HasVideo(MciDevice device) override {
        Device* d = Find(device);
        gint videos = 0;
        if (d) g_object_get(d->pipeline, "n-video", &videos, nullptr);
        return videos > 0;
    }

    Size NaturalSize(MciDevice device) override {
        Device* d = Find(device);
        Size size;
        GstPad* pad = nullptr;
        if (d) g_signal_emit_by_name(d->pipeline, "get-video-pad", 0, &pad);
        if (!pad) return size;
        if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
            const GstStructure* s = gst_caps_get_structure(caps, 0);
            gst_structure_get_int(s, "width", &size.width);
            gst_structure_get_int(s, "height", &size.height);
            gst_caps_unref(caps);
        }
        gst_object_unref(pad);
        return size;
    }

    MciError SetWindow(MciDevice device, WindowHandle window) override {
        Device* d = Find(device);
        if (!d) return kInvalidDevice;
        GtkFixed* area = FormArea(window);
        if (!area) return kHardware;
        Unplace(*d);
        d->area = area;
        if (!d->placed) d->destination = {0, 0, NaturalSize(device).width, NaturalSize(device).height};
        gtk_fixed_put(area, d->video, d->destination.left, d->destination.top);
        ApplyDestination(*d);
        gtk_widget_show(d->video);
        return 0;
    }

    MciError PutDestination(MciDevice device, Rect rect) override {
        Device* d = Find(device);
        if (!d) return kInvalidDevice;
        d->destination = rect;
        d->placed = true;
        ApplyDestination(*d);
        return 0;
    }

    bool AtEnd(MciDevice device) override {
        Device* d = Find(device);
        if (!d) return false;
        if (d->atEnd) return true;
        gint64 position = 0, duration = 0;
        return gst_element_query_position(d->pipeline, GST_FORMAT_TIME, &position) &&
               gst_element_query_duration(d->pipeline, GST_FORMAT_TIME, &duration) && duration > 0 &&
               position >= duration;
    }

    MciError SeekToStart(MciDevice device) override {
        Device* d = Find(device);
        if (!d) return kInvalidDevice;
        d->atEnd = false;
        gst_element_seek_simple(d->pipeline, GST_FORMAT_TIME,
                                static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT), 0);
        return 0;
    }

    MciError Play(MciDevice device, std::function<void(std::uint32_t)> onNotify) override {
        Device* d = Find(device);
        if (!d) return kInvalidDevice;
        // Without a window of the program's the video gets one of its own.
        if (!d->area && HasVideo(device) && !d->popup) {
            Unplace(*d);
            d->popup = gtk_window_new(GTK_WINDOW_TOPLEVEL);
            const Size size = NaturalSize(device);
            gtk_window_set_default_size(GTK_WINDOW(d->popup), std::max(size.width, 1), std::max(size.height, 1));
            gtk_container_add(GTK_CONTAINER(d->popup), d->video);
            gtk_widget_show_all(d->popup);
        }
        if (gst_element_set_state(d->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) return kHardware;
        Notify(*d, notify::Superseded);
        d->notify = std::move(onNotify);
        return 0;
    }

    MciError Stop(MciDevice device) override {
        Device* d = Find(device);
        if (!d) return kInvalidDevice;
        gst_element_set_state(d->pipeline, GST_STATE_PAUSED);
        Notify(*d, notify::Aborted);
        return 0;
    }

    MciError Close(MciDevice device) override {
        auto it = m_devices.find(device);
        if (it == m_devices.end()) return kInvalidDevice;
        std::unique_ptr<Device> d = std::move(it->second);
        m_devices.erase(it);
        Notify(*d, notify::Aborted);
        g_source_remove(d->watch);
        gst_element_set_state(d->pipeline, GST_STATE_NULL);
        gst_object_unref(d->pipeline);
        Unplace(*d);
        if (d->popup) gtk_widget_destroy(d->popup);
        gtk_widget_destroy(d->holder);
        g_object_unref(d->video);
        return 0;
    }

private:
    Device* Find(MciDevice device) {
        auto it = m_devices.find(device);
        return it == m_devices.end() ? nullptr : it->second.get();
    }

    // The video widget takes its first picture on the window thread: the wait runs
    // the loop (holding the program's own work back) until the pipeline's bus says
    // the first picture is in, or that it never will be.
    bool WaitForPreroll(GstElement* pipeline, GstStateChangeReturn change) {
        if (change == GST_STATE_CHANGE_FAILURE) return false;
        if (change != GST_STATE_CHANGE_ASYNC) return true;
        struct Wait {
            bool done = false, ok = false, timedOut = false;
        } wait;
        g_autoptr(GstBus) bus = gst_element_get_bus(pipeline);
        const guint watch = gst_bus_add_watch(
            bus,
            [](GstBus*, GstMessage* message, gpointer data) -> gboolean {
                auto* w = static_cast<Wait*>(data);
                if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE) w->done = w->ok = true;
                else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) w->done = true;
                return G_SOURCE_CONTINUE;
            },
            &wait);
        const guint timer = g_timeout_add(kPrerollWaitMs, [](gpointer data) -> gboolean {
            auto* w = static_cast<Wait*>(data);
            w->done = w->timedOut = true;
            return G_SOURCE_REMOVE;
        }, &wait);
        {
            GtkUi::Hold hold(m_ui);
            while (!wait.done) g_main_context_iteration(nullptr, TRUE);
        }
        g_source_remove(watch);
        if (!wait.timedOut) g_source_remove(timer);
        return wait.ok;
    }

    // The system's sound output; where there is none (a machine without a sound
    // device) the sound is played into nothing, in time, and the picture still shows.
    GstElement* AudioSink() {
        if (!m_soundChecked) {
            m_soundChecked = true;
            GstElement* probe = gst_element_factory_make("autoaudiosink", nullptr);
            m_sound = probe && gst_element_set_state(probe, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
            if (probe) {
                gst_element_set_state(probe, GST_STATE_NULL);
                gst_object_unref(probe);
            }
        }
        GstElement* sink = gst_element_factory_make(m_sound ? "autoaudiosink" : "fakesink", nullptr);
        if (!m_sound) g_object_set(sink, "sync", TRUE, nullptr);
        return sink;
    }

    void ApplyDestination(Device& d) {
        const Rect r = d.destination;
        if (GtkWidget* parent = gtk_widget_get_parent(d.video); parent && GTK_IS_FIXED(parent))
            gtk_fixed_move(GTK_FIXED(parent), d.video, r.left, r.top);
        gtk_widget_set_size_request(d.video, std::max(r.width, 1), std::max(r.height, 1));
    }

    static void Unplace(Device& d) {
        if (GtkWidget* parent = gtk_widget_get_parent(d.video)) gtk_container_remove(GTK_CONTAINER(parent), d.video);
    }

    // The notice of the play under way, once, through the loop.
    void Notify(Device& d, std::uint32_t value) {
        if (!d.notify) return;
        auto notice = std::move(d.notify);
        d.notify = nullptr;
        m_ui.Post([notice, value] { notice(value); });
    }

    void BusMessage(MciDevice device, GstMessage* message) {
        Device* d = Find(device);
        if (!d) return;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
            d->atEnd = true;
            Notify(*d, notify::Successful);
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            Notify(*d, notify::Failure);
        } else if (gst_is_missing_plugin_message(message)) {
            // Found once the file had opened: said now, outside the bus's callback.
            m_ui.Post([this] { TellMissingParts(); });
        }
    }

    // GStreamer names a part it lacks in a message from its streaming threads: kept
    // here until the open that needed it tells the family.
    void CollectMissingParts(GstElement* pipeline) {
        GstBus* bus = gst_element_get_bus(pipeline);
        gst_bus_set_sync_handler(
            bus,
            [](GstBus*, GstMessage* message, gpointer self) -> GstBusSyncReply {
                if (!gst_is_missing_plugin_message(message)) return GST_BUS_PASS;
                gchar* description = gst_missing_plugin_message_get_description(message);
                gchar* detail = gst_missing_plugin_message_get_installer_detail(message);
                auto* control = static_cast<GstMediaControl*>(self);
                {
                    std::lock_guard<std::mutex> lock(control->m_missingLock);
                    control->m_missing.emplace_back(description ? description : "", detail ? detail : "");
                }
                g_free(description);
                g_free(detail);
                return GST_BUS_PASS;
            },
            this, nullptr);
        gst_object_unref(bus);
    }

    void TellMissingElement(const char* element) {
        {
            std::lock_guard<std::mutex> lock(m_missingLock);
            m_missing.emplace_back(element, std::string("gstreamer|1.0|velvinor||element-") + element);
        }
        TellMissingParts();
    }

    // Each missing part once a run, in Russian with its package, and on the terminal.
    void TellMissingParts() {
        std::vector<std::pair<std::string, std::string>> missing;
        {
            std::lock_guard<std::mutex> lock(m_missingLock);
            missing.swap(m_missing);
        }
        for (const auto& [description, detail] : missing) {
            const std::string package = PackageForMissingPlugin(detail);
            if (!m_told.insert(description + '\n' + package).second) continue;
            const std::string text = MissingPluginText(description, package);
            std::fprintf(stderr, "velvinor: %s\n", AnsiToUtf8(text).c_str());
            m_ui.MessageBox(text, Ru(product::DisplayNameUtf8), mb::Ok | mb::IconError);
        }
    }

    GtkUi& m_ui;
    std::mutex m_missingLock;
    std::vector<std::pair<std::string, std::string>> m_missing;  // description, installer detail
    std::set<std::string> m_told;
    std::map<MciDevice, std::unique_ptr<Device>> m_devices;
    MciDevice m_last = 0;
    bool m_soundChecked = false, m_sound = false;
};

}  // namespace

std::unique_ptr<MediaControl> CreateGstMediaControl(GtkUi& ui) { return std::make_unique<GstMediaControl>(ui); }

}  // namespace vel::lnx

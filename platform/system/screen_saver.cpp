#include "platform/system/screen_saver.h"

// GLib after the platform types, so its TRUE/FALSE macros meet the same values.
#include <gio/gio.h>
#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "platform/com/hresult.h"
#include "platform/system/last_error.h"

namespace {

constexpr const char* kService = "org.freedesktop.ScreenSaver";
constexpr const char* kPath = "/org/freedesktop/ScreenSaver";
constexpr const char* kInterface = "org.freedesktop.ScreenSaver";
constexpr int kCallTimeoutMs = 3000;

// The session bus address without letting GLib autolaunch a bus: a machine without a
// session bus simply has no screen saver service.
std::string SessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) return address;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        const std::string socket = std::string(runtime) + "/bus";
        struct stat info {};
        if (stat(socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) return "unix:path=" + socket;
    }
    return {};
}

class ScreenSaverService {
public:
    BOOL SetAllowed(UINT action, bool allowed) {
        std::lock_guard lock(mutex_);
        auto held = cookies_.find(action);
        if (allowed) {
            if (held == cookies_.end()) return TRUE;
            GVariant* reply = Call("UnInhibit", g_variant_new("(u)", held->second));
            cookies_.erase(held);
            if (!reply) return FALSE;
            g_variant_unref(reply);
            return TRUE;
        }
        if (held != cookies_.end()) return TRUE;
        GVariant* reply = Call("Inhibit", g_variant_new("(ss)", "Quilldeck", "Showing live video"));
        if (!reply) return FALSE;
        guint32 cookie = 0;
        g_variant_get(reply, "(u)", &cookie);
        g_variant_unref(reply);
        cookies_[action] = cookie;
        return TRUE;
    }

    BOOL IsRunning(BOOL* running) {
        std::lock_guard lock(mutex_);
        GVariant* reply = Call("GetActive", nullptr);
        if (!reply) return FALSE;
        gboolean active = FALSE;
        g_variant_get(reply, "(b)", &active);
        g_variant_unref(reply);
        *running = active ? TRUE : FALSE;
        return TRUE;
    }

    BOOL Deactivate() {
        std::lock_guard lock(mutex_);
        GVariant* reply = Call("SetActive", g_variant_new("(b)", FALSE));
        if (!reply) return FALSE;
        g_variant_unref(reply);
        return TRUE;
    }

    void Reset() {
        std::lock_guard lock(mutex_);
        cookies_.clear();
        if (connection_) g_object_unref(connection_);
        connection_ = nullptr;
        address_.clear();
    }

private:
    // The connection for the current address; an inhibition lives as long as its connection.
    GDBusConnection* Connection() {
        const std::string address = SessionBusAddress();
        if (address.empty()) return nullptr;
        if (connection_ && address == address_ && !g_dbus_connection_is_closed(connection_)) return connection_;
        if (connection_) g_object_unref(connection_);
        cookies_.clear();
        GError* error = nullptr;
        connection_ = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        if (error) g_error_free(error);
        address_ = connection_ ? address : std::string();
        return connection_;
    }

    // The reply, or null with the last error set. Takes ownership of a floating `parameters`.
    GVariant* Call(const char* method, GVariant* parameters) {
        GDBusConnection* connection = Connection();
        if (!connection) {
            if (parameters) g_variant_unref(g_variant_ref_sink(parameters));
            SetLastError(ERROR_NOT_SUPPORTED);
            return nullptr;
        }
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(connection, kService, kPath, kInterface, method, parameters,
                                                      nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs,
                                                      nullptr, &error);
        if (!reply) {
            if (error) g_error_free(error);
            SetLastError(ERROR_NOT_SUPPORTED);
        }
        return reply;
    }

    std::mutex mutex_;
    GDBusConnection* connection_ = nullptr;
    std::string address_;
    std::map<UINT, guint32> cookies_;
};

ScreenSaverService& Service() {
    static ScreenSaverService* service = new ScreenSaverService;  // lives until exit
    return *service;
}

}  // namespace

BOOL SystemParametersInfo(UINT action, UINT param, void* data, UINT /*winIni*/) {
    switch (action) {
    case SPI_SETSCREENSAVEACTIVE:
    case SPI_SETLOWPOWERACTIVE:
    case SPI_SETPOWEROFFACTIVE:
        return Service().SetAllowed(action, param != 0);
    case SPI_GETSCREENSAVERRUNNING:
        if (!data) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        return Service().IsRunning(static_cast<BOOL*>(data));
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
}

BOOL CloseRunningScreenSaver() { return Service().Deactivate(); }

void ResetScreenSaverState() { Service().Reset(); }

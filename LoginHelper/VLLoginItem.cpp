#include "LoginHelper/VLLoginItem.h"

#include "LoginHelper/VLGLibPointer.h"

#include <glib/gstdio.h>

#include <cerrno>
#include <string_view>

namespace {

// The characters that desktop entries reserve in Exec arguments, and the control characters, which
// only a quoted argument can hold.
bool needsQuotes(const std::string& path) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    for (const char character : path) {
        if (reserved.find(character) != std::string_view::npos ||
            static_cast<unsigned char>(character) < 0x20 || character == 0x7f)
            return true;
    }
    return false;
}

} // namespace

bool VLLoginItem::add(const std::string& helperPath, GError** error) {
    // A desktop entry is UTF-8 text: a path that isn't can't be written so that the session reads it back.
    if (!g_utf8_validate(helperPath.data(), static_cast<gssize>(helperPath.size()), nullptr)) {
        g_set_error(error, G_KEY_FILE_ERROR, G_KEY_FILE_ERROR_INVALID_VALUE,
                    "the helper's path is not UTF-8 text, which a desktop entry can't hold");
        return false;
    }
    const std::string folder = folderPath();
    if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
        const int failure = errno;
        g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(failure), "%s: %s", folder.c_str(),
                    g_strerror(failure));
        return false;
    }
    const std::string text = entryText(helperPath);
    // A temporary file renamed into place: the session never reads half an entry.
    return g_file_set_contents_full(entryPath().c_str(), text.data(), static_cast<gssize>(text.size()),
                                    G_FILE_SET_CONTENTS_CONSISTENT, 0666, error);
}

bool VLLoginItem::remove(GError** error) {
    const std::string path = entryPath();
    if (g_unlink(path.c_str()) == 0 || errno == ENOENT)
        return true;
    const int failure = errno;
    g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(failure), "%s: %s", path.c_str(),
                g_strerror(failure));
    return false;
}

std::string VLLoginItem::execArgument(const std::string& path) {
    const bool quoted = needsQuotes(path);
    std::string argument = quoted ? "\"" : "";
    for (const char character : path) {
        if (character == '%')
            argument += '%';
        else if (quoted && std::string_view("\"`$\\").find(character) != std::string_view::npos)
            argument += '\\';
        argument += character;
    }
    return quoted ? argument + '"' : argument;
}

std::string VLLoginItem::folderPath() {
    VLGCharsPointer folder(g_build_filename(g_get_user_config_dir(), "autostart", nullptr));
    return folder.get();
}

std::string VLLoginItem::entryPath() {
    VLGCharsPointer path(g_build_filename(folderPath().c_str(), entryName, nullptr));
    return path.get();
}

std::string VLLoginItem::entryText(const std::string& helperPath) {
    // The key file escapes what the Exec line holds (\ as \\, a newline as \n) on top of its quoting.
    VLGKeyFilePointer keyFile(g_key_file_new());
    const auto set = [&](const char* key, const std::string& value) {
        g_key_file_set_string(keyFile.get(), G_KEY_FILE_DESKTOP_GROUP, key, value.c_str());
    };
    set(G_KEY_FILE_DESKTOP_KEY_TYPE, G_KEY_FILE_DESKTOP_TYPE_APPLICATION);
    set(G_KEY_FILE_DESKTOP_KEY_NAME, "Velto");
    set(G_KEY_FILE_DESKTOP_KEY_EXEC, execArgument(helperPath));
    set(G_KEY_FILE_DESKTOP_KEY_NO_DISPLAY, "true");
    set(G_KEY_FILE_DESKTOP_KEY_TERMINAL, "false");
    set("X-GNOME-Autostart-enabled", "true");
    gsize length = 0;
    VLGCharsPointer text(g_key_file_to_data(keyFile.get(), &length, nullptr));
    return std::string(text.get(), length);
}

// The desktop's wish for less motion. Linux has no single switch, so the one
// read is GTK's own setting "gtk-enable-animations" in
// $XDG_CONFIG_HOME/gtk-3.0/settings.ini ($HOME/.config when the variable is
// unset), which GNOME and most GTK desktops write when animations are turned
// off.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// "1" or "true" (on), "0" or "false" (off), in any case and with blanks
// around; nothing for any other text.
std::optional<bool> parseSwitch(const QByteArray& text);

// The value of the last "gtk-enable-animations" line of a settings.ini text;
// nothing when there is none or its value is not a switch.
std::optional<bool> gtkEnableAnimations(const QByteArray& settings);

// The settings file the desktop's answer is read from.
QString gtkSettingsPath();

// True when the settings file at `settingsPath` turns animations off. A file
// that is missing, unreadable, not a regular file or larger than 64 KiB says
// nothing, and so does a file without the setting. Reads the file each time.
bool desktopReducesMotion(const QString& settingsPath = gtkSettingsPath());

#pragma once
// What the family's system lacks that the Linux program needs at run time, said in
// Russian with the Debian package that brings it: a GStreamer decoder or element,
// the locale the desktop names.

#include <string>

namespace vel::lnx {

// The Debian package that brings what a GStreamer missing-plugin message asks for,
// from its installer detail ("gstreamer|1.0|app|description|decoder-video/mpeg, ...").
std::string PackageForMissingPlugin(const std::string& installerDetail);

// The family's message (code page 1251) for a missing GStreamer part: its description
// (UTF-8, as GStreamer gives it) and the package that brings it.
std::string MissingPluginText(const std::string& description, const std::string& package);

// The message for a locale the system does not have (the name as LANG gives it).
std::string MissingLocaleText(const std::string& locale);

}  // namespace vel::lnx

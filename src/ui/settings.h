// The export settings' defaults and their INI store.
#pragma once

#include <cstdint>
#include <string>

#include "support/export_settings.h"

namespace gx {

struct HostExportCall;

// The defaults set at the start of every finish command.
SessionSettings defaultSettings(PluginKind kind);
const char* settingsSection(PluginKind kind);  // "TTF Filter" / "AT1 Filter"

// Reads the plug-in's INI section into the session copies; a missing key keeps the value.
void readExportSettings(PluginKind kind, const std::string& iniPath, bool newFont,
                        SessionSettings& s);
// Writes all eight keys in their fixed order.
void writeExportSettings(PluginKind kind, const std::string& iniPath, const SessionSettings& s);
FontExportSettings settingsFromSession(const SessionSettings& s, bool fontExists);
// Copies the record back: the family name cut to 59 characters, the design size
// converted to thousandths of an inch.
void settingsToSession(const FontExportSettings& f, SessionSettings& s);

}  // namespace gx

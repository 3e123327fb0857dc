// Texts between the core (UTF-8 std::string, CR LF line breaks as the message
// tables store them) and the screen (QString, line feeds).
#pragma once

#include <cstdint>
#include <string>

#include <QString>

namespace quillon::ui {

inline QString FromCore(const std::string& text) { return QString::fromStdString(text); }
inline std::string ToCore(const QString& text) { return text.toStdString(); }

// A stored text for a label or message window: CR LF becomes a line feed.
QString ScreenText(const std::string& text);

// File size in gigabytes for the big-file warning: whole gigabytes, then ","
// and two digits of hundredths when there are any (1,500,000,000 gives "1,50").
QString GbText(uint64_t size);

}  // namespace quillon::ui

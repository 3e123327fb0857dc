// Where the user's preferences live: QSettings of organisation "Tarnby" and
// application "Brisque", every value a text ("y"/"n" for switches).
#pragma once

#include <QString>

namespace quillon::ui {

inline constexpr const char* kSettingsOrganisation = "Tarnby";
inline constexpr const char* kSettingsApplication = "Brisque";

// The stored text, or the empty text when there is none.
QString ReadSetting(const char* name);
void WriteSetting(const char* name, const QString& text);

// Not empty, at most one leading "-", then one or more decimal digits.
bool IsIntegerText(const QString& text);

}  // namespace quillon::ui

#include "ui/ui_text.h"

namespace quillon::ui {

QString ScreenText(const std::string& text) {
    QString screen = FromCore(text);
    screen.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return screen;
}

QString GbText(uint64_t size) {
    constexpr uint64_t kGb = 1000000000;
    const uint64_t whole = size / kGb;
    const uint64_t hundredths = (size - whole * kGb) / 10000000;
    QString text = QString::number(whole);
    if (hundredths > 0) text += QStringLiteral(",%1").arg(hundredths, 2, 10, QLatin1Char('0'));
    return text;
}

}  // namespace quillon::ui

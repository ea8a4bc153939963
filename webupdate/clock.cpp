#include "webupdate/clock.h"

#include <QLocale>
#include <QString>
#include <chrono>

namespace spisotek::webupdate {

namespace {

// The first character of a locale pattern that is neither a field letter nor
// a quote is its separator; fall back when it is not plain ASCII.
char SeparatorOf(const QString& pattern, char fallback) {
    for (const QChar ch : pattern) {
        if (ch.isLetter() || ch == QLatin1Char('\'') || ch.isSpace()) {
            continue;
        }
        const char16_t code = ch.unicode();
        return code > 0x20 && code < 0x7F ? static_cast<char>(code) : fallback;
    }
    return fallback;
}

}  // namespace

SystemClock::SystemClock() {
    const QLocale locale = QLocale::system();
    dateSeparator_ = SeparatorOf(locale.dateFormat(QLocale::ShortFormat), '/');
    timeSeparator_ = SeparatorOf(locale.timeFormat(QLocale::LongFormat), ':');
}

CivilTime SystemClock::Now() const {
    const auto now = std::chrono::system_clock::now();
    return CivilFromSystemTime(
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
}

const SystemClock& SystemClock::Instance() {
    static const SystemClock clock;
    return clock;
}

}  // namespace spisotek::webupdate

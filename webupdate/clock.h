// The clock the update log reads. Everything that stamps a line asks this
// interface, so tests can fix the time and the system's separators.
#pragma once

#include "webupdate/civil_time.h"

namespace spisotek::webupdate {

class Clock {
  public:
    virtual ~Clock() = default;
    // Local wall-clock time now.
    virtual CivilTime Now() const = 0;
    // The system's date and time separators, which the log line uses in place
    // of "/" and ":".
    virtual char DateSeparator() const = 0;
    virtual char TimeSeparator() const = 0;
};

// The real clock: system time in the local time zone, separators taken from
// the user's locale (LC_ALL, LC_TIME, LANG); "/" and ":" when it names none.
class SystemClock final : public Clock {
  public:
    SystemClock();
    CivilTime Now() const override;
    char DateSeparator() const override { return dateSeparator_; }
    char TimeSeparator() const override { return timeSeparator_; }

    // One shared instance; never destroyed before the engines that use it.
    static const SystemClock& Instance();

  private:
    char dateSeparator_;
    char timeSeparator_;
};

}  // namespace spisotek::webupdate

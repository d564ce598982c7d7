#pragma once

// Dates of the Gregorian calendar.

namespace varkelo::util {

// The numbers form a date: month 1 to 12, a day its month has (29 February in leap years only).
bool IsCalendarDay(int year, int month, int day);

}  // namespace varkelo::util

#include "search/found_image.h"

#include <cstdio>
#include <ctime>

namespace vexilo::search {

namespace {

// Days from 1 January of year 1 (day 1) for a proleptic Gregorian date.
std::int32_t dayNumber(int year, int month, int day) {
    const int y = year - 1;
    static constexpr int kBeforeMonth[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int days = y * 365 + y / 4 - y / 100 + y / 400 + kBeforeMonth[(month - 1) % 12] + day;
    if (leap && month > 2) ++days;
    return days;
}

// The inverse, for formatting: fills year, month (1-12) and day.
void civilFromDayNumber(std::int32_t n, int& year, int& month, int& day) {
    // Days since 1970-01-01, then the usual era arithmetic.
    std::int64_t z = static_cast<std::int64_t>(n) - dayNumber(1970, 1, 1) + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<std::int64_t>(z - era * 146097);
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

std::string formatTm(const char* format, const std::tm& t) {
    char buffer[128];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &t);
    return std::string(buffer, n);
}

}  // namespace

std::int32_t dosDateToDayNumber(std::uint32_t dosTime) {
    const std::uint32_t date = dosTime >> 16;
    const int year = 1980 + static_cast<int>(date >> 9);
    int month = static_cast<int>((date >> 5) & 15);
    int day = static_cast<int>(date & 31);
    // A damaged value still gives a date inside its year rather than garbage.
    if (month < 1) month = 1;
    if (month > 12) month = 12;
    if (day < 1) day = 1;
    return dayNumber(year, month, day);
}

std::int32_t dosTimeToMilliseconds(std::uint32_t dosTime) {
    const std::uint32_t hours = (dosTime >> 11) & 31, minutes = (dosTime >> 5) & 63,
                        halfSeconds = dosTime & 31;
    return static_cast<std::int32_t>(((hours * 60 + minutes) * 60 + halfSeconds * 2) * 1000);
}

std::string formatSize(std::int64_t size) {
    return std::to_string(size);
}

std::string formatDate(std::int32_t dayNumber) {
    std::tm t{};
    int year = 1, month = 1, day = 1;
    civilFromDayNumber(dayNumber, year, month, day);
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    // Weekday, for locales whose short date names it; 1 January of year 1 was a Monday.
    t.tm_wday = static_cast<int>(((static_cast<std::int64_t>(dayNumber) % 7) + 7) % 7);
    return formatTm("%x", t);
}

std::string formatIsoDate(std::int32_t dayNumber) {
    int year = 1, month = 1, day = 1;
    civilFromDayNumber(dayNumber, year, month, day);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    return buffer;
}

std::string formatIsoTime(std::int32_t milliseconds) {
    const std::int32_t seconds = milliseconds / 1000;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", seconds / 3600, (seconds / 60) % 60, seconds % 60);
    return buffer;
}

std::string formatTime(std::int32_t milliseconds) {
    std::tm t{};
    const std::int32_t seconds = milliseconds / 1000;
    t.tm_hour = seconds / 3600;
    t.tm_min = (seconds / 60) % 60;
    t.tm_sec = seconds % 60;
    return formatTm("%X", t);
}

}  // namespace vexilo::search

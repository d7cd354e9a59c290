// Unit table (see Units.h).
#include <cstring>

#include "values/Units.h"

namespace zrl {

namespace {

struct UnitEntry {
  const char* name;
  const char* symbol;
};

// Indexed by unit code.
constexpr UnitEntry kUnits[] = {
    {"UNSET", ""},
    {"NAUTICAL_KNOTS", "kn"},
    {"NAUTICAL_MILES", "NM"},
    {"METERS", "m"},
    {"MILLIMETERS", "mm"},
    {"NANOMETERS", "nm"},
    {"FEET", "ft"},
    {"CUBIC_METERS", "m\u00b3"},
    {"METERS_PER_SECOND", "m/s"},
    {"METERS_PER_SQUARE_SECOND", "m/s\u00b2"},
    {"GRAVITY_ACCELERATION", "g"},
    {"LITERS_PER_SECOND", "l/s"},
    {"RADIANS", "rad"},
    {"RADIANS_PER_SECOND", "rad/s"},
    {"ANGULAR_DEGREES", "\u00b0"},
    {"ANGULAR_DEGREES_180", "\u00b0"},
    {"ANGULAR_DEGREES_360", "\u00b0"},
    {"ANGULAR_DEGREES_PER_SECOND", "\u00b0/s"},
    {"ANGULAR_MAGNETIC_DEGREES", "\u00b0M"},
    {"ANGULAR_TRUE_DEGREES", "\u00b0T"},
    {"BAR", "bar"},
    {"PASCAL", "Pa"},
    {"RPM", "rpm"},
    {"HUMIDITY", "%RH"},
    {"SALINITY", "ppm"},
    {"CELSIUS", "\u00b0C"},
    {"FARENHEIT", "\u00b0F"},
    {"HERTZ", "Hz"},
    {"VOLTS", "V"},
    {"AMPERES", "A"},
    {"WATT", "W"},
    {"HOURS", "h"},
    {"MINUTES", "min"},
    {"SECONDS", "s"},
    {"TIME", ""},
    {"DATE", ""},
    {"MICROSTRAIN", "\u00b5\u03b5"},
    {"NEWTON", "N"},
    {"JOULE", "J"},
    {"KELVIN", "K"},
    {"MOLE", "mol"},
    {"CANDELA", "cd"},
    {"KILOMETERS_PER_HOUR", "km/h"},
    {"KILOBYTES", "kB"},
    {"KILOBYTES_PER_SECOND", "kB/s"},
    {"MEGABYTES", "MB"},
    {"MEGABYTES_PER_SECOND", "MB/s"},
    {"KILOGRAMS", "kg"},
    {"KILOGRAMS_PER_CUBIC_METER", "kg/m\u00b3"},
    {"PERCENT", "%"},
    {"PPM", "ppm"},
    {"BOOLEAN", ""},
    {"CUSTOM", ""},
    {"HPA", "hPa"},
    {"AMPEREHOURS", "Ah"},
    {"MAGNETICFIELD", "A.U."},
    {"MILLIAMPERES", "mA"},
    {"DECIBELS", "dB"},
    {"TONNES", "t"},
    {"MILLIVOLTS", "mV"},
    {"MILLIVOLTS_PER_VOLT", "mV/V"},
    {"NEWTONMETERS", "Nm"},
    {"MILLIWATTS", "mW"},
    {"KILOWATTS", "kW"},
    {"MILLISECONDS", "ms"},
    {"MILLIBAR", "mbar"},
    {"TESLA", "T"},
    {"LITERS", "l"},
    {"BITFIELD", ""},
    {"LAST", ""},
};
constexpr int32_t kUnitCount = static_cast<int32_t>(sizeof kUnits / sizeof kUnits[0]);
static_assert(kUnitCount == static_cast<int32_t>(Unit::LAST) + 1, "unit table and enum disagree");

}  // namespace

const char* unitName(int32_t code) {
  // Negative codes are as unknown as codes past the end.
  if (code < 0 || code >= kUnitCount) return "Unknown";
  return kUnits[code].name;
}

const char* unitSymbol(int32_t code) {
  if (code < 1 || code >= kUnitCount) return "";
  return kUnits[code].symbol;
}

int32_t unitFromName(const std::string& name) {
  for (int32_t code = 0; code < kUnitCount; ++code) {
    if (name == kUnits[code].name) return code;
  }
  return 0;
}

}  // namespace zrl

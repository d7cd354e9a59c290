// Unit codes of values, with their names and symbols.
#pragma once

#include <cstdint>
#include <string>

namespace zrl {

// The `unit` field of a value holds one of these codes (0 = no unit). Scoped,
// because several names (TIME, DATE, BOOLEAN, LAST, ...) are too short to be
// global identifiers.
enum class Unit : int32_t {
  UNSET = 0,
  NAUTICAL_KNOTS,
  NAUTICAL_MILES,
  METERS,
  MILLIMETERS,
  NANOMETERS,
  FEET,
  CUBIC_METERS,
  METERS_PER_SECOND,
  METERS_PER_SQUARE_SECOND,
  GRAVITY_ACCELERATION,  // 10
  LITERS_PER_SECOND,
  RADIANS,
  RADIANS_PER_SECOND,
  ANGULAR_DEGREES,
  ANGULAR_DEGREES_180,
  ANGULAR_DEGREES_360,
  ANGULAR_DEGREES_PER_SECOND,
  ANGULAR_MAGNETIC_DEGREES,
  ANGULAR_TRUE_DEGREES,
  BAR,  // 20
  PASCAL,
  RPM,
  HUMIDITY,
  SALINITY,
  CELSIUS,
  FARENHEIT,
  HERTZ,
  VOLTS,
  AMPERES,
  WATT,  // 30
  HOURS,
  MINUTES,
  SECONDS,
  TIME,
  DATE,
  MICROSTRAIN,
  NEWTON,
  JOULE,
  KELVIN,
  MOLE,  // 40
  CANDELA,
  KILOMETERS_PER_HOUR,
  KILOBYTES,
  KILOBYTES_PER_SECOND,
  MEGABYTES,
  MEGABYTES_PER_SECOND,
  KILOGRAMS,
  KILOGRAMS_PER_CUBIC_METER,
  PERCENT,
  PPM,  // 50
  BOOLEAN,
  CUSTOM,
  HPA,
  AMPEREHOURS,
  MAGNETICFIELD,
  MILLIAMPERES,
  DECIBELS,
  TONNES,
  MILLIVOLTS,
  MILLIVOLTS_PER_VOLT,  // 60
  NEWTONMETERS,
  MILLIWATTS,
  KILOWATTS,
  MILLISECONDS,
  MILLIBAR,
  TESLA,
  LITERS,
  BITFIELD,
  LAST  // 69: closes the enumeration
};

// Upper-case name of a unit code ("METERS"); "Unknown" above LAST.
const char* unitName(int32_t code);
// UTF-8 symbol ("m", "°C"); empty for UNSET, for units without a symbol and
// for codes outside 1-69.
const char* unitSymbol(int32_t code);
// Code whose name equals `name` exactly (case-sensitive); 0 when none does.
int32_t unitFromName(const std::string& name);

}  // namespace zrl

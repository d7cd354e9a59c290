#include "tools/zrlwriter/SampleDrive.h"

#include <array>
#include <cmath>

namespace zrlwriter {
namespace {

enum Group : uint16_t { kEngine = 1, kGps = 2, kCanBus = 3, kStatus = 4, kLogger = 5 };
enum Unit : uint8_t { kNoUnit = 0, kRpm, kKmh, kCelsius, kDeg, kMeters, kVolts, kPercent };
enum Var : uint16_t {
  kRpmVar = 1, kSpeedVar = 2, kCoolantVar = 3, kThrottleVar = 4, kRunningVar = 5, kGearVar = 6,
  kLatitudeVar = 10, kLongitudeVar = 11, kAltitudeVar = 12, kFixVar = 13, kSatellitesVar = 14,
  kEngineFrameVar = 20, kBrakeFrameVar = 21,
  kMessageVar = 30, kModeVar = 31,
  kClockVar = 40, kBatteryVar = 41,
};

// One period of a sine, so values cost a table look-up rather than a libm call.
const std::array<float, 1024>& sineTable() {
  static const std::array<float, 1024> table = [] {
    std::array<float, 1024> t{};
    for (size_t i = 0; i < t.size(); ++i) t[i] = static_cast<float>(std::sin(2.0 * 3.14159265358979323846 * double(i) / 1024.0));
    return t;
  }();
  return table;
}

float wave(uint64_t row, uint64_t periodRows) {
  return sineTable()[(row % periodRows) * 1024 / periodRows];
}

float quantize(float value, float stepsPerUnit) {
  return static_cast<float>(static_cast<int32_t>(value * stepsPerUnit + 0.5f)) / stepsPerUnit;
}

const char* const kMessages[] = {
    "Engine start", "Idle", "Driving", "Cruise control on", "Cruise control off",
    "Low fuel warning", "Door open", "Parking",
};

}  // namespace

ZrlHead SampleDrive::head(uint32_t formatVersion, uint64_t rows) const {
  ZrlHead h;
  h.formatVersion = formatVersion;
  h.setTimeSpan(kStartMs, kStartMs + static_cast<int64_t>(rows * rowPeriodMs_), 86400123);
  h.note = "Test drive, ring road, dry weather";
  h.recordingFrequency = 1000.0f / static_cast<float>(rowPeriodMs_);
  if (layout::hasExtension(formatVersion)) {
    h.serial = "ZL-2041-00317";
    for (size_t i = 0; i < h.uid.size(); ++i) h.uid[i] = static_cast<uint8_t>(0xA0 + i * 3);
    h.firmware = "3.12.7";
  }
  h.groups = {{kEngine, "Engine"}, {kGps, "GPS"}, {kCanBus, "CAN bus"}, {kStatus, "Status"}, {kLogger, "Logger"}};
  h.units = {{kRpm, "rpm"}, {kKmh, "km/h"}, {kCelsius, "\xC2\xB0" "C"}, {kDeg, "deg"},
             {kMeters, "m"}, {kVolts, "V"}, {kPercent, "%"}};
  h.addVariable(kRpmVar, kEngine, kInteger, "Rpm", kRpm);
  h.addVariable(kSpeedVar, kEngine, kFloat, "Speed", kKmh, 1);
  h.addVariable(kCoolantVar, kEngine, kDouble, "CoolantTemp", kCelsius, 2);
  h.addVariable(kThrottleVar, kEngine, kFloat, "Throttle", kPercent, 0);
  h.addVariable(kRunningVar, kEngine, kBoolean, "Running");
  h.addVariable(kGearVar, kEngine, kInteger, "Gear");
  h.addVariable(kLatitudeVar, kGps, kDouble, "Latitude", kDeg, 6);
  h.addVariable(kLongitudeVar, kGps, kDouble, "Longitude", kDeg, 6);
  h.addVariable(kAltitudeVar, kGps, kFloat, "Altitude", kMeters, 1);
  h.addVariable(kFixVar, kGps, kBoolean, "Fix");
  h.addVariable(kSatellitesVar, kGps, kInteger, "Satellites");
  h.addVariable(kEngineFrameVar, kCanBus, kCanFrame, "EngineFrame");
  h.addVariable(kBrakeFrameVar, kCanBus, kCanFrame, "BrakeFrame");
  h.addVariable(kMessageVar, kStatus, kString, "Message");
  h.addVariable(kModeVar, kStatus, kInteger, "Mode");
  h.addVariable(kClockVar, kLogger, kTimestamp, "Clock");
  h.addVariable(kBatteryVar, kLogger, kFloat, "BatteryVoltage", kVolts, 2);
  return h;
}

uint64_t SampleDrive::rowOffsetMs(uint64_t row) const {
  // A logger tick is never quite regular: a millisecond or two of jitter.
  return row * rowPeriodMs_ + (row * 7) % 3;
}

void SampleDrive::appendRow(RecordEncoder& out, uint64_t row) const {
  out.timestamp(rowOffsetMs(row));
  // Values are quantised the way a logger's sensors deliver them (0.1 km/h,
  // 10 rpm, whole percents...), which also gives the body a realistic
  // compression ratio.
  const float speed = quantize(70.0f + 45.0f * wave(row, 1200) + 3.0f * wave(row, 97), 10.0f);
  out.integer(kRpmVar, 10 * static_cast<int32_t>(150.0f + speed * 2.8f + 4.0f * wave(row, 13)));
  out.floatValue(kSpeedVar, speed);
  out.floatValue(kThrottleVar, quantize(35.0f + 30.0f * wave(row + 50, 301), 1.0f));
  out.canFrame(kEngineFrameVar, 8, 0x123,
               std::string{static_cast<char>((row / 10) & 0xFF), 0x00, 0x12, 0x34,
                           static_cast<char>(speed), 0, 0x7F, static_cast<char>(0xFF)});
  if (row % 5 == 0) {
    out.doubleValue(kCoolantVar, double(quantize(88.0f + 4.0f * wave(row, 3000), 100.0f)));
    out.floatValue(kBatteryVar, quantize(13.8f + 0.2f * wave(row, 611), 100.0f));
    out.canFrame(kBrakeFrameVar, static_cast<uint8_t>(row % 9), 0x18FEF100 | 0x80000000u,
                 std::string("\x01\x02\x03\x04\x05\x06\x07\x08", row % 9));
  }
  if (row % 10 == 0) {
    out.doubleValue(kLatitudeVar, 45.7640 + 0.01 * double(wave(row, 6000)) + double(row % 100000) * 1e-7);
    out.doubleValue(kLongitudeVar, 4.8357 + 0.01 * double(wave(row + 1500, 6000)));
    out.floatValue(kAltitudeVar, quantize(170.0f + 12.0f * wave(row, 2400), 10.0f));
    out.boolean(kFixVar, (row / 10) % 97 != 3 ? 1 : 0);
    out.integer(kSatellitesVar, 7 + static_cast<int32_t>((row / 600) % 5));
    out.timestampValue(kClockVar, static_cast<uint64_t>(kStartMs) * 1000 + rowOffsetMs(row) * 1000 + 417);
  }
  if (row % 50 == 0) {
    out.boolean(kRunningVar, 1);
    out.integer(kGearVar, 1 + static_cast<int32_t>(speed / 25.0f));
  }
  if (row % 300 == 0) {
    const char* message = kMessages[(row / 300) % (sizeof kMessages / sizeof kMessages[0])];
    out.string(kMessageVar, message);
    out.integer(kModeVar, static_cast<int32_t>((row / 300) % 4));
  }
}

}  // namespace zrlwriter

#include "hdf5/TypedColumns.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "decode/CellText.h"
#include "hdf5/Utf8Text.h"
#include "reader/DataTypes.h"
#include "values/Format.h"

namespace zrl {

namespace {

const char* methodName(AggregationMethod method) {
  switch (method) {
    case AggregationMethod::Mean: return "Mean";
    case AggregationMethod::Min: return "Min";
    case AggregationMethod::Max: return "Max";
    case AggregationMethod::First: return "First";
    case AggregationMethod::Last: return "Last";
    case AggregationMethod::Median: break;
  }
  return "Median";
}

bool resampled(const DecodeSettings& settings) { return settings.frequencyCode != 0 && settings.periodMs > 0; }

double numberOf(const DataValue& v) {
  switch (v.type) {
    case DataValueKind::Boolean: return v.value[0] != 0 ? 1.0 : 0.0;
    case DataValueKind::Integer: {
      int32_t i;
      std::memcpy(&i, v.value, sizeof i);
      return i;
    }
    case DataValueKind::Float: {
      float f;
      std::memcpy(&f, v.value, sizeof f);
      return f;
    }
    case DataValueKind::Double: {
      double d;
      std::memcpy(&d, v.value, sizeof d);
      return d;
    }
    default: return std::numeric_limits<double>::quiet_NaN();
  }
}

}  // namespace

std::size_t cellBytes(CellStorage storage) {
  switch (storage) {
    case CellStorage::Float32:
    case CellStorage::Int32: return 4;
    case CellStorage::UInt8: return 1;
    case CellStorage::Float64:
    case CellStorage::Int64: return 8;
    case CellStorage::Text: return sizeof(uint32_t);
  }
  return 8;
}

bool planTypedColumns(const DecodeSettings& settings, const std::vector<OutputColumn>& columns,
                      std::vector<TypedColumn>& typed, std::string& failure) {
  typed.clear();
  const bool fractions = resampled(settings) &&
                         (settings.method == AggregationMethod::Mean || settings.method == AggregationMethod::Median);
  for (const OutputColumn& column : columns) {
    TypedColumn t;
    t.column = column;
    for (const AliasEntry& alias : settings.aliases) {
      if (alias.first != column.fullName) continue;
      t.alias = alias.second;  // the last match wins, as for the CSV heading
      t.hasAlias = true;
    }
    t.name = t.hasAlias && !t.alias.empty() ? t.alias : column.fullName;
    switch (column.type) {
      case DATALOGGER_BOOLEAN_TYPE:
        t.typeName = "Boolean";
        t.storage = resampled(settings) && settings.method == AggregationMethod::Mean ? CellStorage::Float64
                                                                                      : CellStorage::UInt8;
        break;
      case DATALOGGER_INTEGER_TYPE:
        t.typeName = "Integer";
        t.storage = fractions ? CellStorage::Float64 : CellStorage::Int32;
        break;
      case DATALOGGER_FLOAT_TYPE:
        t.typeName = "Float";
        t.storage = CellStorage::Float32;
        break;
      case DATALOGGER_DOUBLE_TYPE:
        t.typeName = "Double";
        t.storage = CellStorage::Float64;
        break;
      case DATALOGGER_STRING_TYPE:
        t.typeName = "String";
        t.storage = CellStorage::Text;
        break;
      case DATALOGGER_CANFRAME_TYPE:
        t.typeName = "CanFrame";
        t.storage = CellStorage::Text;
        break;
      case DATALOGGER_TIMESTAMP_TYPE:
        t.typeName = "TimeStamp";
        t.storage = CellStorage::Int64;
        break;
      default:
        failure = "Cannot write " + column.fullName + ": its type (" + dataTypeName(column.type) +
                  ") has no typed form";
        return false;
    }
    typed.push_back(std::move(t));
  }
  return true;
}

std::string resamplingText(const DecodeSettings& settings) {
  if (!resampled(settings)) return "none";
  std::string rate;
  if (settings.frequencyCode == -2) rate = "0.01";
  else if (settings.frequencyCode == -1) rate = "0.1";
  else rate = std::to_string(settings.frequencyCode);
  return rate + " Hz " + methodName(settings.method);
}

std::string filtersText(const DecodeSettings& settings) {
  std::string text;
  for (const RowFilterEntry& filter : settings.filters) {
    if (!text.empty()) text += "; ";
    text += filter.name + " " + filter.kind + " " + filter.limitText;
  }
  return text;
}

void RowBlock::start(const std::vector<TypedColumn>& columns, std::size_t capacity) {
  capacity_ = capacity;
  rows_ = 0;
  storage_.clear();
  data_.assign(columns.size(), {});
  valid_.assign(columns.size(), {});
  texts_.assign(columns.size(), {});
  times_.assign(capacity, 0);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    storage_.push_back(columns[i].storage);
    data_[i].assign(capacity * cellBytes(columns[i].storage), 0);
    if (columns[i].masked()) valid_[i].assign(capacity, 0);
    if (columns[i].storage == CellStorage::Text) texts_[i].reserve(capacity * 8);
  }
}

void RowBlock::clear() {
  rows_ = 0;
  for (std::string& text : texts_) text.clear();
}

const char* RowBlock::text(std::size_t column, std::size_t row) const {
  uint32_t offset;
  std::memcpy(&offset, data_[column].data() + row * sizeof offset, sizeof offset);
  return texts_[column].data() + offset;
}

void RowBlock::add(uint64_t rowMs, const DataValue* const* cells) {
  const std::size_t row = rows_;
  times_[row] = static_cast<int64_t>(rowMs);
  for (std::size_t i = 0; i < storage_.size(); ++i) {
    const DataValue* v = cells[i];
    unsigned char* at = data_[i].data() + row * cellBytes(storage_[i]);
    switch (storage_[i]) {
      case CellStorage::Float32: {
        const float x = v != nullptr ? static_cast<float>(numberOf(*v)) : std::numeric_limits<float>::quiet_NaN();
        std::memcpy(at, &x, sizeof x);
        break;
      }
      case CellStorage::Float64: {
        const double x = v != nullptr ? numberOf(*v) : std::numeric_limits<double>::quiet_NaN();
        std::memcpy(at, &x, sizeof x);
        break;
      }
      case CellStorage::Int32: {
        int32_t x = 0;
        if (v != nullptr && v->type == DataValueKind::Integer) std::memcpy(&x, v->value, sizeof x);
        else if (v != nullptr) x = static_cast<int32_t>(numberOf(*v));
        std::memcpy(at, &x, sizeof x);
        break;
      }
      case CellStorage::UInt8:
        *at = v != nullptr && v->value[0] != 0 ? 1 : 0;
        break;
      case CellStorage::Int64: {
        int64_t us = 0;
        if (v != nullptr && v->type == DataValueKind::TimeStamp) {
          TimeSpec32 ts;
          std::memcpy(&ts, v->value, sizeof ts);
          us = static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
        }
        std::memcpy(at, &us, sizeof us);
        break;
      }
      case CellStorage::Text: {
        std::string& texts = texts_[i];
        const uint32_t offset = static_cast<uint32_t>(texts.size());
        std::memcpy(at, &offset, sizeof offset);
        if (v != nullptr) {
          char cell[kValueTextCapacity];
          const int n = cellText(*v, cell, '.', floatFormatCode(FloatFormat::SevenDecimals), 0);
          appendValidUtf8(cell, static_cast<std::size_t>(n > 0 ? n : 0), texts);
        }
        texts.push_back('\0');
        break;
      }
    }
    if (!valid_[i].empty()) valid_[i][row] = v != nullptr ? 1 : 0;
  }
  ++rows_;
}

}  // namespace zrl

// The texts of the option controls and the configuration file, turned into
// the engine's typed settings.
#pragma once

#include "decode/DecodeSettings.h"

using zrl::columnSeparatorFromText;
using zrl::decimalSeparatorFromText;
using zrl::floatFormatFromText;
using zrl::frequencyCodeFromText;
using zrl::methodFromText;

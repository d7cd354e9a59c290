// One variable of a log file's catalog, as the window lists it.
#pragma once

#include "reader/LogReader.h"

using CatalogEntry = zrl::VariableListing;

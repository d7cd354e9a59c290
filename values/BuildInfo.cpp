#include "values/BuildInfo.h"

// Writes .zrl log files for tests, fixtures and benchmarks.
//
// The writer is deliberately permissive: every field is raw (ids, types,
// unit indexes, length bytes, stored sizes), so that damaged and unusual
// files can be produced as easily as well-formed ones. It checks only what
// would make the bytes themselves impossible to lay out (a name longer than
// its field, a table index past its table), and reports that with a
// ZrlWriteError.
#pragma once

#include "tools/zrlwriter/RecordEncoder.h"
#include "tools/zrlwriter/ZrlFileWriter.h"
#include "tools/zrlwriter/ZrlHead.h"
#include "tools/zrlwriter/WriterLayout.h"
#include "tools/zrlwriter/ZrlPresets.h"
#include "tools/zrlwriter/ReferenceLog.h"
#include "tools/zrlwriter/ZrlDescriptionText.h"
#include "tools/zrlwriter/ZrlStreamWriter.h"

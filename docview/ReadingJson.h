#pragma once

// A recorded reading as one JSON object: the line `record --jsonl` writes and
// the message published to an MQTT broker are this same text.

#include <cstddef>
#include <string>

#include "record/Document.h"
#include "record/LimitWatcher.h"

// One reading as a JSON object on one line, without a line end, e.g.
//   {"seq":1,"time":"2026-12-08T06:01:02+01:00","value":1.25,"unit":"V","type":"VDC","overload":false}
// `seq` counts the readings from 1; `time` is ISO 8601 local time with its UTC
// offset when the time text can be read, otherwise the text itself; `value` is
// "%.9g" in any locale, and null for an overload ("overload":true) or a value
// JSON cannot hold. A reading outside its limits ends with "limit":"high" or
// "limit":"low".
std::string ReadingJson(std::size_t seq, const CObData& record, LimitSide side = LimitSide::Within);

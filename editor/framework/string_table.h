// The editor's string table: every text it shows, by id.
#pragma once

#include <QString>

namespace fw {

// The text of string `id`, or an empty string when there is none.
QString LoadString(int id);

// A message with counts as it reads: the stored texts say "%1 files"; a count of one reads
// "1 file" ("1 replacement was made", "1 page", "1 error", "1 warning", "1 problem").
QString CountsRead(QString text);

} // namespace fw

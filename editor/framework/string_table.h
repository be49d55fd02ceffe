// The editor's string table: every text it shows, by id.
#pragma once

#include <QString>

namespace fw {

// The text of string `id`, or an empty string when there is none.
QString LoadString(int id);

} // namespace fw
